// Sound commands over the engine's sounds on the dummy audio device, with tones encoded by libvorbisenc:
// looping and one-shot sounds started, re-levelled and stopped, voices and other sounds paused and
// resumed, and music asked of the world.

#include "engine/sound/KSound.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "tests/game/scene/SceneRuntimeSupport.h"
#include "tests/support/KSoundTestSupport.h"

namespace {

class ScriptSoundCommandsTest : public SceneRuntimeTest {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        // Long enough to play on through the whole test.
        const std::vector<unsigned char> tone = lftest::oggTone(440, 30.0, 8000, 1);
        for (const char *file : {"data/sounds/wind.ogg", "data/sounds/bell.ogg", "data/voice/hello.ogg",
                                 "data/music/theme.ogg"})
            writeBytes(file, tone);
        writeScene("hall", "O lamp\n",
                   "on loop {\n sound s'@wind 1\n}\non quieter {\n sound s'@wind 0.5\n}\non hush {\n sound s'@wind 0\n}\n"
                   "on ring {\n sound s'bell 1\n sound s'!hello 1\n}\non mute {\n sound s'bell 0\n}\n"
                   "on stop {\n sound s'bell 0 0 1\n}\n"
                   "on voices {\n pause_all_voice 1\n}\non back {\n pause_all_voice 0\n}\n"
                   "on others {\n pause_sounds 1\n}\n"
                   "on theme {\n music m'theme 0.7 1\n}\non softer {\n music m'theme 0.3\n}\n");
        hall = loadRunningScene("hall");
        startScenes();
    }
    void TearDown() override {
        world.reset();
        shutdownSound();
        SceneRuntimeTest::TearDown();
    }
    // The engine sound of the path, loaded as the scene's pictures load the sounds its scripts name.
    KSound *loaded(const char *name) {
        HoSound *sound = resources().getSound(name, false);
        sound->acquire(&resources());
        EXPECT_NE(sound->engineSound, nullptr) << name;
        return sound->engineSound;
    }
    HoSound *sound(const char *name) { return resources().getSound(name, false); }
    void run(const char *eventName) {
        signal(hall, eventName);
        step();
    }
    int listed(HoSound *sound) {
        PtrArray<HoSound> &playing = resources().playingSounds;
        int count = 0;
        for (int32_t i = 0; i < playing.count(); ++i)
            count += playing[i] == sound ? 1 : 0;
        return count;
    }

    HoScene *hall = nullptr;
};

TEST_F(ScriptSoundCommandsTest, ALoopPlaysOnceAndIsReLevelledUntilSilencedWhileAOneShotPlaysOnUnlessStopped) {
    KSound *wind = loaded("data/sounds/@wind.ogg");
    KSound *bell = loaded("data/sounds/bell.ogg");
    run("loop");
    ASSERT_TRUE(wind->isSoundPlaying());
    // A start would count the time played from 0 again.
    wind->playedSeconds = 100.0;
    run("loop");
    run("quieter");
    EXPECT_GE(wind->playedSeconds, 100.0) << "a playing loop only changes its volume";
    EXPECT_EQ(sound("data/sounds/@wind.ogg")->volume, 0.5f);
    EXPECT_EQ(listed(sound("data/sounds/@wind.ogg")), 1);
    run("hush");
    EXPECT_FALSE(wind->isSoundPlaying());
    EXPECT_EQ(listed(sound("data/sounds/@wind.ogg")), 0);

    run("ring");
    run("mute");
    EXPECT_TRUE(bell->isSoundPlaying()) << "a one-shot at volume 0 plays on";
    EXPECT_EQ(listed(sound("data/sounds/bell.ogg")), 0);
    run("stop");
    EXPECT_FALSE(bell->isSoundPlaying());
}

TEST_F(ScriptSoundCommandsTest, VoicesAndOtherSoundsPauseApartAndEveryVoiceResumes) {
    KSound *bell = loaded("data/sounds/bell.ogg");
    KSound *hello = loaded("data/voice/!hello.ogg");
    run("ring");
    run("voices");
    EXPECT_TRUE(hello->paused);
    EXPECT_FALSE(bell->paused);
    run("back");
    EXPECT_FALSE(hello->paused);
    run("others");
    EXPECT_TRUE(bell->paused);
    EXPECT_FALSE(hello->paused);
    // Resuming reaches the voices that were never paused, too.
    run("back");
    EXPECT_FALSE(hello->paused);
}

TEST_F(ScriptSoundCommandsTest, MusicAlreadyPlayingOnlyChangesTheVolume) {
    HoSound *theme = sound("data/music/theme.ogg");
    run("theme");
    EXPECT_EQ(world->music.next, theme);
    EXPECT_EQ(world->music.changePending, 1);
    EXPECT_EQ(world->music.randomSeek, 1);
    EXPECT_FLOAT_EQ(world->music.volume, 0.7f);
    // The world switches to it.
    world->music.playing = theme;
    world->music.next = nullptr;
    world->music.changePending = 0;
    run("softer");
    EXPECT_EQ(world->music.changePending, 0);
    EXPECT_EQ(world->music.next, nullptr);
    EXPECT_FLOAT_EQ(world->music.volume, 0.3f);
    EXPECT_EQ(world->pictureMusicChanges, 2);
}

} // namespace
