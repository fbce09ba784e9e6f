// The world's music on game content with music and a voice line encoded by libvorbisenc: the ramps while a
// scene fades in and after it, the ducking under a voice line, the same music kept across a change, and a
// change that fades the old music out before the next one starts.

#include "tests/game/world/WorldTestSupport.h"

#include <functional>

#include "engine/sound/KSound.h"
#include "game/HoGame.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "tests/support/KSoundTestSupport.h"

namespace worldtest {
namespace {

class WorldMusicTest : public WorldGameTest {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        WorldGameTest::SetUp();
        writeSceneList({"data/scenes/hall/hall", "data/scenes/garden/garden", "data/scenes/shore/shore",
                        "data/scenes/cellar/cellar"});
        archives->write("data/game.cfg", "startup=hall\n");
        for (const char *name : {"data/music/theme.ogg", "data/music/night.ogg", "data/voice/line.ogg"})
            archives->writeBytes(name, lftest::oggTone(330, 4.0, 22050, 1));
    }
    HoSound *sound(const char *name) { return game->context->resources->getSound(name, false); }
    HoScene *scene(const char *identifier) { return world().findScene(identifier); }
    void withMusic(const char *scene, const char *music) {
        HoScene *s = this->scene(scene);
        if (music)
            s->backgroundMusicSlot->setPointer(kScriptSound, sound(music));
        else
            s->backgroundMusicSlot->clear();
    }
    // The game in the hall with its music playing at its full level.
    HoWorld &started() {
        HoWorld &w = start();
        game->options.set(kOptionMusic, 0.8f);
        withMusic("hall", "data/music/theme.ogg");
        withMusic("garden", "data/music/theme.ogg");
        withMusic("shore", "data/music/night.ogg");
        withMusic("cellar", nullptr);
        return w;
    }
    void runUntil(const std::function<bool()> &done, int limit = 600) {
        for (int i = 0; i < limit && !done(); ++i)
            world().frame();
    }
};

TEST_F(WorldMusicTest, MusicRisesWithTheFadeInThenSlowlyToItsLevel) {
    HoWorld &w = started();
    HoSound *theme = sound("data/music/theme.ogg");
    w.frame();
    ASSERT_EQ(w.music.playing, theme);
    ASSERT_NE(theme->engineSound, nullptr);
    EXPECT_TRUE(theme->engineSound->isSoundPlaying());
    EXPECT_EQ(theme->useCount, 1);
    // While the scene fades in the music follows the fade at up to 0.02 a step; afterwards a louder
    // option is reached at 0.005 a step.
    game->options.set(kOptionMusic, 0.4f);
    float previous = w.music.volume;
    while (w.change.state != kChangeIdle) {
        w.frame();
        EXPECT_LE(w.music.volume - previous, 0.02f + 1e-6f);
        EXPECT_LE(w.music.volume, 0.4f * w.change.fade + 1e-6f);
        previous = w.music.volume;
    }
    runUntil([&] { return w.music.volume >= 0.4f; });
    EXPECT_EQ(w.music.startRamp, 0);
    game->options.set(kOptionMusic, 0.8f);
    previous = w.music.volume;
    for (int i = 0; i < 5; ++i) {
        w.frame();
        EXPECT_NEAR(w.music.volume - previous, 0.005f, 1e-5f);
        previous = w.music.volume;
    }
    runUntil([&] { return w.music.volume >= 0.8f; });
    EXPECT_FLOAT_EQ(w.music.volume, 0.8f);
}

TEST_F(WorldMusicTest, AVoiceLineHoldsTheMusicDownWhereTheSceneAsksForIt) {
    HoWorld &w = started();
    runUntil([&] { return w.change.state == kChangeIdle && w.music.volume >= 0.8f; });
    game->options.set(kOptionVoice, 0.5f);
    findOrCreateVariable(&scene("hall")->script, "#voice_affect_music", nullptr)->value->setNumber(1.0f);
    HoSound *line = game->context->resources->getSound("data/voice/!line.ogg", true);
    ASSERT_NE(line->engineSound, nullptr);
    line->play(1.0f, false, false, &w);
    float previous = w.music.volume;
    for (int i = 0; i < 20; ++i) {
        w.frame();
        EXPECT_NEAR(previous - w.music.volume, 0.005f, 1e-5f);
        previous = w.music.volume;
    }
    runUntil([&] { return w.music.volume <= 0.1f; });
    EXPECT_FLOAT_EQ(w.music.volume, 0.1f) << "at most the voice volume x 0.2";
    line->engineSound->haltStream();
}

TEST_F(WorldMusicTest, TheSameMusicGoesOnAndOtherMusicFollowsTheFadeOut) {
    HoWorld &w = started();
    HoSound *theme = sound("data/music/theme.ogg"), *night = sound("data/music/night.ogg");
    runUntil([&] { return w.change.state == kChangeIdle && w.music.volume >= 0.8f; });
    KSound *playing = theme->engineSound;
    w.changeScene(scene("garden"), nullptr);
    runUntil([&] { return w.change.state == kChangeIdle && w.activeScene == scene("garden"); });
    EXPECT_EQ(w.music.playing, theme);
    EXPECT_EQ(theme->engineSound, playing);
    EXPECT_EQ(w.music.changePending, 0) << "the garden's music plays already";

    struct Case {
        const char *what;
        bool thenNoMusic; // a second change, to a scene without music, before the switch
        float step;
    };
    for (const Case &c : {Case{"to other music", false, 0.02f}, Case{"to no music", true, 0.0025f}}) {
        runUntil([&] { return w.change.state == kChangeIdle && w.music.volume >= 0.8f; });
        w.changeScene(scene("shore"), nullptr);
        if (c.thenNoMusic)
            w.changeScene(scene("cellar"), nullptr);
        float previous = w.music.volume;
        w.frame();
        EXPECT_NEAR(previous - w.music.volume, c.step, 1e-5f) << c.what;
        if (c.thenNoMusic)
            break;
        // Faded out, it stops and lets go of its sound; the next starts once the old scene is left.
        runUntil([&] { return w.music.playing != theme; });
        EXPECT_EQ(w.music.playing, nullptr);
        EXPECT_EQ(theme->useCount, 0);
        EXPECT_EQ(w.change.state, kChangeLeaving);
        runUntil([&] { return w.music.playing == night; });
        EXPECT_NE(w.change.state, kChangeLeaving);
        EXPECT_EQ(night->useCount, 1);
        EXPECT_EQ(w.music.volume, 0.0f);
        runUntil([&] { return w.change.state == kChangeIdle; });
        w.changeScene(scene("garden"), nullptr);
        runUntil([&] { return w.music.playing == theme && w.change.state == kChangeIdle; });
    }
}

} // namespace
} // namespace worldtest
