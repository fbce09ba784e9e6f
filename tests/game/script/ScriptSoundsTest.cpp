// Sounds named by scripts: the files that sound and music tokens name, the uses that a scene's script
// holds, and the pick among a sound's variants.

#include <set>
#include <string>

#include "engine/sound/KSound.h"
#include "game/resources/HoSound.h"
#include "tests/game/script/ScriptRuntimeSupport.h"

namespace {

class ScriptSoundsTest : public ScriptRuntimeTest {
protected:
    ScriptSoundsTest() {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        prepare(hall, "runtime_sounds");
    }
    ~ScriptSoundsTest() override { shutdownSound(); }

    HoSound *soundOf(const char *token) {
        ScriptValue value;
        resolveParameter(&hall->script, '*', token, &value);
        return value.type == kScriptSound ? static_cast<HoSound *>(static_cast<HoResource *>(value.pointer)) : nullptr;
    }
    // Statement k of the handler "on NAME".
    ScriptStatement *statementOf(const char *eventName, int32_t k) {
        for (int32_t i = 0; i < hall->script.scripts->statements.count(); ++i) {
            ScriptStatement *statement = hall->script.scripts->statements[i];
            auto *event = static_cast<ScriptEvent *>(statement->params[0].pointer);
            if (statement->command->word == kwOn && event && std::string(event->name) == eventName)
                return static_cast<ScriptBlock *>(statement->params[1].pointer)->statements[k];
        }
        return nullptr;
    }
};

TEST_F(ScriptSoundsTest, SoundAndMusicTokensNameTheirFiles) {
    HoSound *door = soundOf("s'door");
    ASSERT_NE(door, nullptr);
    EXPECT_STREQ(door->filePath, "data/sounds/door.ogg");
    HoSound *voice = soundOf("s'!hello");
    ASSERT_NE(voice, nullptr);
    EXPECT_STREQ(voice->filePath, "data/voice/hello.ogg");
    EXPECT_TRUE(voice->voice);
    ScriptValue music;
    resolveParameter(&hall->script, 'm', "theme", &music);
    auto *theme = static_cast<HoSound *>(static_cast<HoResource *>(music.pointer));
    EXPECT_TRUE(theme->music);
    std::string text;
    valueToText(music, text);
    EXPECT_EQ(text, "s'data/music/theme.ogg");
    EXPECT_EQ(soundOf("s'"), nullptr);
}

TEST_F(ScriptSoundsTest, EveryMentionHoldsItsSoundUntilReleased) {
    HoSound *door = soundOf("s'door");
    HoSound *theme = soundOf("m'theme");
    acquireSceneScriptResources(&hall->script, hall->script.scripts);
    EXPECT_EQ(door->useCount, 2);
    EXPECT_EQ(theme->useCount, 1);
    EXPECT_EQ(soundOf("s'steps:3")->useCount, 1);
    releaseSceneScriptResources(&hall->script, hall->script.scripts);
    EXPECT_EQ(door->useCount, 0);
    EXPECT_EQ(theme->useCount, 0);
}

TEST_F(ScriptSoundsTest, AVariantIsNeverThePickOfTheTimeBeforeAndASingleOneIsAlwaysTaken) {
    seedRandom(20261207);
    ScriptStatement *steps = statementOf("steps", 0);
    ASSERT_NE(steps, nullptr);
    HoSound *group = soundOf("s'steps:3");
    std::set<HoSound *> seen;
    HoSound *previous = nullptr;
    for (int i = 0; i < 60; ++i) {
        HoSound *pick = pickSoundVariant(&hall->script, steps, 0);
        ASSERT_NE(pick, nullptr);
        EXPECT_NE(pick, previous);
        EXPECT_EQ(pick, group->variants[group->lastVariant]);
        seen.insert(pick);
        previous = pick;
    }
    EXPECT_EQ(seen.size(), 3u);

    ScriptStatement *single = statementOf("steps", 1);
    HoSound *only = soundOf("s'creak:1");
    ASSERT_EQ(only->variants.count(), 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(pickSoundVariant(&hall->script, single, 0), only->variants[0]);
    // A sound without variants is itself.
    EXPECT_EQ(pickSoundVariant(&hall->script, statementOf("steps", 2), 0), soundOf("s'!hello"));
}

} // namespace
