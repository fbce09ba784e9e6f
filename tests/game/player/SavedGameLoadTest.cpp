// test-labels: threaded
// A profile's game loaded on the game-load thread while the game's frames run: the outcome told to the
// focused scene, the new world handed over only when the running one's switch is due, a failed load that
// leaves the running game alone, a second load that waits for the first, a context that ends mid-load,
// and saves of the same file while it is read.

#include "engine/system/KSystemLog.h"
#include "game/player/SavedGameLoad.h"
#include "game/resources/HoSound.h"
#include "game/script/ScriptEvent.h"
#include "tests/game/player/SavedGameWorldSupport.h"

namespace worldtest {
namespace {

using SavedGameLoad = SavedGameWorldTest;

TEST_F(SavedGameLoad, ALoadWhileFramesRunIsToldToTheSceneAndHandedOverOnlyAtTheSwitch) {
    HoWorld &running = startInGarden();
    ASSERT_TRUE(std::filesystem::exists(savePath())) << "saved on entering the garden";
    variable(running.findScene("hall"), "#visits")->value->setNumber(99.0f);
    findEvent(running.globalContext(), "go")->fire();
    frames(1);
    framesUntilLoaded();
    EXPECT_EQ(gardenNumber("#loaded"), 1.0f);
    EXPECT_EQ(gardenNumber("#corrupted"), 0.0f);
    const ScriptVariable *first = variable(running.findScene("garden"), "#first_scene");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->value->pointer, running.findScene("garden")) << "a scene of the running world";
    HoWorld *loaded = game->context->pendingWorld.load();
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->change.target, nullptr);
    EXPECT_EQ(loaded->hud.cursors[0], nullptr) << "the window's cursors are made on the main thread";
    frames(20);
    EXPECT_EQ(&world(), &running) << "no switch is due";
    goTo("hall");
    ASSERT_EQ(&world(), loaded);
    EXPECT_NE(world().hud.cursors[0], nullptr);
    EXPECT_STREQ(world().activeScene->identifier, "hall");
    EXPECT_EQ(numberOf(variable(world().findScene("hall"), "#visits")), 3.0f) << "the saved game's state";
    EXPECT_EQ(currentProfileIndex(&world()), 2);
    frames(5);
    ASSERT_NE(world().music.playing, nullptr) << "the hall's music plays in the new world";
    EXPECT_NE(std::string(world().music.playing->name).find("theme"), std::string::npos);
}

TEST_F(SavedGameLoad, AFailedLoadTellsTheSceneAndLeavesTheRunningGameAndWhatItSavesAlone) {
    HoWorld &running = startInGarden();
    ASSERT_TRUE(saveGame(&running));
    // After the header, which differs from one save to the next.
    auto body = [this] {
        const auto bytes = lftest::readFileBytes(savePath());
        return std::vector<unsigned char>(bytes.begin() + std::min<size_t>(15, bytes.size()), bytes.end());
    };
    const auto before = body();
    const float volume = running.music.volume;
    lftest::writeFileText(savePath(), "not a saved game");
    ASSERT_TRUE(startLoadGame(&running, nullptr));
    framesUntilLoaded();
    EXPECT_EQ(gardenNumber("#corrupted"), 1.0f);
    EXPECT_EQ(gardenNumber("#loaded"), 0.0f);
    EXPECT_EQ(game->context->pendingWorld.load(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(savePath())) << "a damaged save is no save";
    EXPECT_TRUE(std::filesystem::exists(savePath() + ".damaged")) << "but is kept aside";
    EXPECT_NE(getLogContents().find("profile_Mira.sav"), std::string::npos);
    variable(running.findScene("garden"), "#corrupted")->value->setNumber(0.0f);
    running.music.volume = volume; // the frames move the music's fade
    ASSERT_TRUE(saveGame(&running));
    EXPECT_EQ(body(), before) << "all but what the scene did with the news is as it was";
    EXPECT_EQ(&world(), &running);
}

TEST_F(SavedGameLoad, UnderTheFixedClockTheOutcomeArrivesOnTheNextFrame) {
    HoWorld &running = startInGarden();
    useFixedClock(true);
    for (int round = 1; round <= 3; ++round) {
        ASSERT_TRUE(startLoadGame(&running, nullptr));
        frames(1);
        EXPECT_EQ(gardenNumber("#loaded"), float(round));
        EXPECT_NE(game->context->pendingWorld.load(), nullptr);
    }
}

TEST_F(SavedGameLoad, ASecondLoadWaitsForTheFirstAndTheContextsEndWaitsForTheLast) {
    HoWorld &running = startInGarden();
    ASSERT_TRUE(startLoadGame(&running, nullptr));
    ASSERT_TRUE(startLoadGame(&running, nullptr));
    EXPECT_EQ(gardenNumber("#loaded"), 0.0f) << "events fire in the scripts' own passes";
    EXPECT_NE(game->context->pendingWorld.load(), nullptr) << "the first load's world";
    frames(2);
    EXPECT_EQ(gardenNumber("#loaded"), 1.0f);
    ASSERT_TRUE(startLoadGame(&running, nullptr));
    game.reset();
}

// A load begun while an earlier one still reads a damaged saved game starts once that file is set aside:
// it never reads a file being renamed, nor sets it aside a second time and so holds every later save.
TEST_F(SavedGameLoad, ALoadBegunWhileTheFirstStillReadsADamagedGameStartsOnceThatGameIsSetAside) {
    HoWorld &running = startInGarden();
    game->context->saveWriter.startThread();
    const std::string path = savePath();
    // Many names aside are taken already: setting the file aside takes the writer a while.
    for (int number = 1; number <= 600; ++number)
        lftest::writeFileText(path + ".damaged" + (number > 1 ? "." + std::to_string(number) : ""), "older");
    const std::string kept = path + ".damaged.601";
    lftest::writeFileText(path, "damaged");
    ASSERT_TRUE(startLoadGame(&running, nullptr));
    // A second Continue joins the first reading; the one after it, once that reading is applied, reads again.
    ASSERT_TRUE(startLoadGame(&running, nullptr));
    ASSERT_TRUE(startLoadGame(&running, nullptr));
    EXPECT_FALSE(game->context->saveWriter.busy()) << "the first load's set-aside is done";
    EXPECT_FALSE(std::filesystem::exists(path));
    const std::vector<unsigned char> keptBytes = lftest::readFileBytes(kept);
    EXPECT_EQ(std::string(keptBytes.begin(), keptBytes.end()), "damaged");
    framesUntilLoaded();
    EXPECT_EQ(gardenNumber("#corrupted"), 1.0f);
    EXPECT_EQ(gardenNumber("#loaded"), 1.0f) << "the second load finds no saved game: a new one";
    ASSERT_TRUE(saveGame(&running));
    game->context->saveWriter.waitUntilIdle();
    EXPECT_TRUE(opensAsSavedGame(startWorldForLoad(game->context, {}).get(), path))
        << "the next save writes the profile's game";
}

TEST_F(SavedGameLoad, ASceneOfItsOwnStartsANewGameInItsOwnFileAndNoProfileStartsNothing) {
    HoWorld &running = startInGarden();
    ASSERT_TRUE(startLoadGame(&running, "garden"));
    framesUntilLoaded();
    EXPECT_EQ(gardenNumber("#loaded"), 1.0f) << "no file of its own yet: a new game";
    HoWorld *loaded = game->context->pendingWorld.load();
    ASSERT_NE(loaded, nullptr);
    EXPECT_STREQ(loaded->sceneSaveName, "garden");
    EXPECT_EQ(numberOf(variable(loaded->findScene("hall"), "#visits")), 0.0f);
    goTo("hall");
    ASSERT_EQ(&world(), loaded);
    goTo("garden");
    EXPECT_TRUE(std::filesystem::exists(savedGamePath(loaded, 2, "garden")));

    setCurrentProfileIndex(loaded, 0);
    ThreadRecord *before = game->context->loadThread;
    EXPECT_FALSE(startLoadGame(loaded, nullptr));
    EXPECT_EQ(game->context->loadThread, before);
}

TEST_F(SavedGameLoad, ALoadStartedBeforeTheFirstSceneHasNoOneToTellAndIsTakenAtTheFirstSwitch) {
    startInGarden();
    game.reset();
    HoWorld &fresh = start();
    ASSERT_EQ(fresh.activeScene, nullptr);
    ASSERT_TRUE(startLoadGame(&fresh, nullptr));
    waitForThread(game->context->loadThread);
    frames(1);
    EXPECT_NE(&world(), &fresh) << "the start's own switch was due";
    ASSERT_NE(world().activeScene, nullptr);
    EXPECT_STREQ(world().activeScene->identifier, "hall");
    EXPECT_EQ(numberOf(variable(world().findScene("hall"), "#visits")), 3.0f);
}

TEST_F(SavedGameLoad, SavesOfTheSameFileDuringALoadLeaveItWholeForTheReader) {
    HoWorld &running = startInGarden();
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(startLoadGame(&running, nullptr));
        ThreadRecord *thread = game->context->loadThread;
        int saves = 0;
        while (!thread->finished.load() || saves == 0) {
            variable(running.findScene("hall"), "#visits")->value->setNumber(float(10 + saves));
            ASSERT_TRUE(saveGame(&running));
            ++saves;
        }
        frames(1);
        EXPECT_EQ(gardenNumber("#corrupted"), 0.0f) << round;
        EXPECT_EQ(gardenNumber("#loaded"), float(round + 1));
    }
}

} // namespace
} // namespace worldtest
