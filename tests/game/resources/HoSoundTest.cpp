// Sound resources over the engine's sounds (dummy audio device), with tones encoded by libvorbisenc:
// what a sound's name says, the volume rules, groups of numbered variants and a silent game without a
// sound system.

#include "tests/game/resources/ResourcesTestSupport.h"

#include "engine/sound/KSound.h"
#include "game/world/HoWorld.h"
#include "tests/support/KSoundTestSupport.h"

namespace restest {
namespace {

class Sounds : public ::testing::Test, public GameContent {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        tone = lftest::oggTone(440, 0.2, 22050, 1);
    }
    void TearDown() override {
        dropContext();
        shutdownSound();
    }
    HoSound *sound(const char *name, bool acquire = true) { return resources().getSound(name, acquire); }
    static std::vector<std::string> variantPaths(const HoSound *group) {
        std::vector<std::string> paths;
        for (int32_t i = 0; i < group->variants.count(); ++i)
            paths.push_back(group->variants[i]->filePath);
        return paths;
    }

    std::vector<unsigned char> tone;
};

TEST_F(Sounds, TheNameSaysHowASoundPlays) {
    HoSound *looped = sound("@data/sounds/wind.ogg", false);
    EXPECT_TRUE(looped->loop);
    EXPECT_FALSE(looped->voice);
    EXPECT_STREQ(looped->filePath, "data/sounds/wind.ogg");
    HoSound *voice = sound("data/voice/!hello.ogg", false);
    EXPECT_TRUE(voice->voice);
    EXPECT_STREQ(voice->filePath, "data/voice/hello.ogg");
    EXPECT_TRUE(sound("data/music/theme.ogg", false)->music);
    EXPECT_FALSE(sound("data/musicbox.ogg", false)->music);
    EXPECT_STREQ(sound("@", false)->filePath, "");
    EXPECT_STREQ(sound("!", false)->filePath, "");

    const std::vector<std::string> three = {"data/sounds/steps01.ogg", "data/sounds/steps02.ogg",
                                            "data/sounds/steps03.ogg"};
    EXPECT_EQ(variantPaths(sound("data/sounds/steps:3.ogg", false)), three);
    EXPECT_STREQ(sound("data/sounds/steps:3.ogg", false)->filePath, "data/sounds/steps:3.ogg");
    for (const char *none : {"data/sounds/steps:0.ogg", "data/sounds/steps:x.ogg", "data/sounds/steps:"}) {
        EXPECT_TRUE(sound(none, false)->variants.empty()) << none;
        EXPECT_EQ(sound(none, false)->getReloadMode(&resources()), kReloadWhenChanged);
    }
}

TEST_F(Sounds, VolumesFollowTheFactorTheOptionAndTheFade) {
    write("data/sounds/volumes.cfg", "door.ogg=0.8\ntheme.ogg=0.5\nhello.ogg=1\n");
    for (const char *name : {"data/sounds/door.ogg", "data/music/theme.ogg", "data/voice/hello.ogg"})
        writeBytes(name, tone);
    game.options.set(kOptionSfx, 0.75f);
    game.options.set(kOptionMusic, 0.1f);
    game.options.slots[kOptionVoice].clear();
    // The world that plays the sounds gives the option and the fade, here fully open.
    HoWorld world(&context());
    world.change.fade = 1.0f;

    HoSound *door = sound("data/sounds/door.ogg");
    ASSERT_NE(door->engineSound, nullptr);
    ASSERT_NE(door->volumeEntry, nullptr);
    door->setVolume(0.5f, &world);
    EXPECT_EQ(door->engineSound->volume, 30);
    EXPECT_EQ(door->volume, 0.5f);

    HoSound *theme = sound("data/music/theme.ogg");
    theme->setVolume(1.0f, &world);
    EXPECT_EQ(theme->engineSound->volume, 50) << "music takes its factor but not the option";

    HoSound *hello = sound("data/voice/!hello.ogg");
    hello->play(1.0f, true, false, &world);
    EXPECT_EQ(hello->engineSound->volume, 0) << "a voice line plays silent while the voice option is unset";
    EXPECT_TRUE(hello->unfaded);

    // Sounds other than music fade with the world's scene change.
    world.change.fade = 0.5f;
    door->setVolume(0.5f, &world);
    EXPECT_EQ(door->engineSound->volume, 15);
    theme->setVolume(1.0f, &world);
    EXPECT_EQ(theme->engineSound->volume, 50);

    HoSound *unlisted = sound("data/sounds/other.ogg", false);
    EXPECT_EQ(unlisted->volumeEntry, nullptr);
    unlisted->setVolume(1.0f, &world);
    EXPECT_EQ(unlisted->volume, 1.0f) << "without an engine sound nothing is stored";
}

TEST_F(Sounds, AGroupLoadsAndReloadsItsVariants) {
    for (const char *name : {"data/sounds/steps01.ogg", "data/sounds/steps02.ogg", "data/sounds/steps03.ogg"})
        writeBytes(name, tone);
    HoSound *group = sound("data/sounds/steps:3.ogg");
    EXPECT_EQ(group->getReloadMode(&resources()), kReloadAlways);
    EXPECT_EQ(group->engineSound, nullptr);
    for (int32_t i = 0; i < group->variants.count(); ++i)
        EXPECT_NE(group->variants[i]->engineSound, nullptr) << i;
    group->release(&resources());
    for (int32_t i = 0; i < group->variants.count(); ++i)
        EXPECT_EQ(group->variants[i]->engineSound, nullptr) << i;
    group->acquire(&resources());
    for (int32_t i = 0; i < group->variants.count(); ++i)
        EXPECT_NE(group->variants[i]->engineSound, nullptr) << i;

    HoSound *nine = sound("data/sounds/steps:9.ogg");
    EXPECT_EQ(nine->variants.count(), 9);
    EXPECT_NE(nine->variants[2]->engineSound, nullptr);
    EXPECT_EQ(nine->variants[3]->engineSound, nullptr);
    EXPECT_TRUE(logHas("Game: cannot load sound data/sounds/steps09.ogg, ERROR"));
}

TEST_F(Sounds, ListedSoundsStopTogether) {
    writeBytes("data/sounds/wind.ogg", tone);
    HoSound *wind = sound("@data/sounds/wind.ogg");
    wind->play(1.0f, false, false, nullptr);
    EXPECT_TRUE(wind->engineSound->isSoundPlaying());
    resources().playingSounds.append(wind);
    resources().stopListedSounds();
    EXPECT_FALSE(wind->engineSound->isSoundPlaying());
    EXPECT_TRUE(resources().playingSounds.empty());
}

TEST_F(Sounds, WithoutASoundSystemNoEngineSoundIsMade) {
    writeBytes("data/sounds/door.ogg", tone);
    soundUnavailable = true;
    HoSound *door = sound("data/sounds/door.ogg");
    soundUnavailable = false;
    EXPECT_EQ(door->engineSound, nullptr);
    door->play(1.0f, false, false, nullptr);
    EXPECT_FALSE(logHas("cannot load sound"));
}

} // namespace
} // namespace restest
