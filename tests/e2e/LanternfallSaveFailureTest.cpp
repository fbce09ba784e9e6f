// Saves the player asks for that cannot be written, told on the screen they look at: making a profile
// while nothing can be written, the HUD's menu button saving on the way to the profiles after an earlier
// failure was told already, and the save at exit, also when only the saved game fails and the profile list
// after it is written; a saved game read only in part, told once the game it loaded shows; and a menu save
// that fails, after which the game in memory goes on, or is saved again at exit; and another profile made
// and continued after it, which takes nothing of that game.

#include "tests/e2e/LanternfallFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace lfe2e;
using namespace lfe2e::saveRunInput;

size_t countOf(const std::string &text, const std::string &part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// Runs on one state folder, at 100 ms a frame, in the HD layout (client pixels are design units times
// 1080 / 1536). Each run names the writes that fail, what the game's states show and how many times the
// player is told of a failure or of a game read in part.
TEST_F(LanternfallFixture, SavesThePlayerAskedForThatFailAndAGameReadInPartAreToldWhereThePlayerLooks) {
    const std::string menuFromTheShore = "300 keydown Escape\n302 keyup Escape\n";
    struct Run {
        const char *name;
        std::string input;
        int frames;
        const char *failWrites; // LANTERNFALL_FAIL_WRITE, empty: none
        bool damageTheSave;     // a stray byte after the saved game's last record
        std::vector<std::string> states;
        size_t toldFailures;
        size_t toldReadInPart;
        size_t toldAtExit = 0;
    };
    const Run runs[] = {
        // The list that could not be written (told as the profiles') is written again at exit, which fails too
        // and is told.
        {"a profile made while nothing can be written", newProfile, 200, "1+", false,
         {"entered c'profiles", "profile name Mira", "profile made Mira", "save failed"}, 1, 0, 1},
        {"a profile made and played to the hall", newProfile + "160 move 1103 597\n160 press left\n161 release left\n" + keyOnDoor,
         260, "", false, {"profile made Mira", "entered c'shore", "door open", "entered c'hall"}, 0, 0},
        // The shore's save at the switch fails and is told in the HUD; the menu's fails too and is told on the
        // profiles; the game closed there is saved again at exit, which fails and is told too.
        {"the menu's save fails after the switch's", continueGame + backToShore + menuFromTheShore, 370, "1+", false,
         {"profile continued Mira", "entered c'hall", "entered c'shore", "entered c'profiles", "save failed"}, 2, 0, 1},
        {"a saved game with a damaged tail", continueGame, 230, "", true, {"profile continued Mira", "entered c'hall"},
         0, 1},
        // The window closed in the hall: the save at exit fails, and a warning box says so before the game ends.
        {"the window closed while nothing can be written", continueGame, 200, "1+", false,
         {"profile continued Mira", "entered c'hall"}, 0, 0, 1},
        // A nearly full disk: the saved game fails and the profile list after it is written. The first change
        // is the save at exit's; the menu's save comes after the 14 changes of the shore's at the switch.
        {"the window closed while only the saved game cannot be written", continueGame, 200, "1", false,
         {"profile continued Mira", "entered c'hall"}, 0, 0, 1},
        {"the menu's save with only its saved game failing", continueGame + backToShore + menuFromTheShore, 370, "15",
         false, {"profile continued Mira", "entered c'hall", "entered c'shore", "entered c'profiles", "save failed"}, 1, 0},
    };
    const fs::path saved = temp / "xdg/Morvane/Brightmoor_Ambercrest/Velt/profile_Mira.sav";
    for (const Run &run : runs) {
        SCOPED_TRACE(run.name);
        const std::string name = std::to_string(&run - runs);
        if (run.damageTheSave) {
            std::vector<unsigned char> bytes = lftest::readFileBytes(saved);
            bytes.push_back(0x42);
            lftest::writeFileBytes(saved, bytes);
        }
        fs::create_directories(temp / "shots");
        lftest::writeFileText(temp / (name + ".input"), run.input);
        std::vector<std::string> line =
            command(name + ".log", run.frames, "180,200,228,250,280,320,360", (temp / (name + ".input")).string());
        if (*run.failWrites)
            line = withVariables(line, {std::string("LANTERNFALL_FAIL_WRITE=") + run.failWrites});
        ASSERT_EQ(lftest::runProgram(line), 0);
        const std::string log = readText(temp / (name + ".log"));
        EXPECT_TRUE(hasInOrder(stateLines(log), run.states)) << log;
        EXPECT_EQ(countOf(log, "the player is told that the game could not be saved") +
                      countOf(log, "the player is told that the profiles could not be saved"),
                  run.toldFailures)
            << log;
        EXPECT_EQ(countOf(log, "the player is told that part of the saved game could not be read"), run.toldReadInPart)
            << log;
        EXPECT_EQ(countOf(log, "the player is told at exit that "), run.toldAtExit) << log;
        if (run.damageTheSave) {
            EXPECT_TRUE(fs::exists(saved.string() + ".damaged")) << "the whole file is kept aside";
        }
        // Keep each run's screenshots apart for whoever looks at them.
        if (fs::exists(temp / "shots"))
            fs::rename(temp / "shots", temp / ("shots-" + name));
    }
}

} // namespace

// The key taken on the shore, then the HUD's menu (Escape) while the saved game cannot be written: the
// profiles say so, and nothing the player did is lost. Continue goes on with the game in memory, the key in
// hand; a game closed on the profiles saves it again at exit, and the next start goes on with the key.
TEST_F(LanternfallFixture, AMenuSaveThatFailsLosesNothingOfTheGameInMemory) {
    const std::string takeKeyThenMenu = newProfile + "160 move 1103 597\n160 press left\n161 release left\n" +
                                        "180 move 492 970\n180 press left\n181 release left\n"
                                        "190 keydown Escape\n191 keyup Escape\n";
    // The key taken from the strip, used on the door, and the open door taken to the hall.
    const std::string keyFromTheStripOnDoor = "260 move 655 1048\n261 press left\n262 release left\n"
                                              "266 move 1237 784\n267 press left\n268 release left\n"
                                              "275 move 1237 788\n276 press left\n277 release left\n";
    // The 8th change is the first of the menu's saved game (the changes before it write the new profile's list).
    const char *menuSavedGameFails = "8";
    const std::string continueLater = "230 move 1103 597\n230 press left\n231 release left\n";
    struct Run {
        const char *name;
        bool freshFolder;
        std::string input;
        int frames;
        const char *failWrites;
        std::vector<std::string> states;
    };
    const Run runs[] = {
        {"Continue after the failed menu save", true, takeKeyThenMenu + continueLater + keyFromTheStripOnDoor, 320,
         menuSavedGameFails,
         {"profile made Mira", "entered c'shore", "entered c'profiles", "save failed", "profile continued Mira",
          "entered c'shore", "door open", "entered c'hall"}},
        {"the game closed on the profiles after the failed menu save", true, takeKeyThenMenu, 240,
         menuSavedGameFails, {"profile made Mira", "entered c'shore", "entered c'profiles", "save failed"}},
        {"the next start", false, continueGame + "200 move 655 1048\n201 press left\n202 release left\n"
                                                 "206 move 1237 784\n207 press left\n208 release left\n",
         240, "", {"profile continued Mira", "entered c'shore", "door open"}},
    };
    for (const Run &run : runs) {
        SCOPED_TRACE(run.name);
        if (run.freshFolder)
            fs::remove_all(temp / "xdg");
        const std::string name = "menu" + std::to_string(&run - runs);
        lftest::writeFileText(temp / (name + ".input"), run.input);
        std::vector<std::string> line = command(name + ".log", run.frames, "", (temp / (name + ".input")).string());
        if (*run.failWrites)
            line = withVariables(line, {std::string("LANTERNFALL_FAIL_WRITE=") + run.failWrites});
        ASSERT_EQ(lftest::runProgram(line), 0);
        const std::string log = readText(temp / (name + ".log"));
        EXPECT_TRUE(hasInOrder(stateLines(log), run.states)) << log;
        EXPECT_EQ(countOf(log, "profile_Mira.sav: no room left on the disk, ERROR"), *run.failWrites ? 1u : 0u) << log;
    }
}

// The key taken by Mira, whose save on the way to the menu fails; then another profile, Nia, is made and
// continued, and Mira selected and continued again: the key is still Mira's. When the disk answers again,
// Mira's game is saved as Nia is selected; when it does not, Continue of Nia is held back once and the
// player told that Mira's game would be lost, and selecting Mira goes on with it.
TEST_F(LanternfallFixture, AnotherProfileTakesNothingOfAGameWhoseSaveFailed) {
    const std::string miraTakesTheKeyThenMenu = newProfile + "160 move 1103 597\n160 press left\n161 release left\n" +
                                                "180 move 492 970\n180 press left\n181 release left\n"
                                                "190 keydown Escape\n191 keyup Escape\n"
                                                "240 move 900 492\n240 press left\n241 release left\n243 text Nia\n"
                                                "245 keydown Return\n246 keyup Return\n";
    const std::string nextProfile = "point 990 850\n", continueClick = "point 1570 850\n";
    const auto click = [](int frame, const std::string &where) {
        return std::to_string(frame) + " " + where + std::to_string(frame) + " press left\n" +
               std::to_string(frame + 1) + " release left\n";
    };
    const auto keyOnTheDoor = [&](int frame) {
        return click(frame, "move 655 1048\n") + click(frame + 6, "move 1237 784\n");
    };
    struct Run {
        const char *name;
        const char *failWrites;
        std::string input;
        std::vector<std::string> states;
    };
    const Run runs[] = {
        {"Mira's game saved again as Nia is made", "8",
         miraTakesTheKeyThenMenu + click(260, continueClick) + "300 keydown Escape\n301 keyup Escape\n" +
             click(340, nextProfile) + click(350, continueClick) + keyOnTheDoor(380),
         {"save failed", "profile made Nia", "profile continued Nia", "entered c'shore", "entered c'profiles",
          "profile selected Mira", "profile continued Mira", "entered c'shore", "door open"}},
        {"nothing written: Nia's Continue held back, Mira goes on", "8+",
         miraTakesTheKeyThenMenu + click(280, continueClick) + click(310, nextProfile) + click(330, continueClick) +
             keyOnTheDoor(360),
         {"save failed", "profile made Nia", "profile continued Nia", "unsaved game kept", "profile selected Mira",
          "profile continued Mira", "entered c'shore", "door open"}},
    };
    for (const Run &run : runs) {
        SCOPED_TRACE(run.name);
        fs::remove_all(temp / "xdg");
        const std::string name = "switch" + std::to_string(&run - runs);
        lftest::writeFileText(temp / (name + ".input"), run.input);
        const std::vector<std::string> line =
            withVariables(command(name + ".log", 420, "", (temp / (name + ".input")).string()),
                          {std::string("LANTERNFALL_FAIL_WRITE=") + run.failWrites});
        ASSERT_EQ(lftest::runProgram(line), 0);
        const std::string log = readText(temp / (name + ".log"));
        EXPECT_TRUE(hasInOrder(stateLines(log), run.states)) << log;
    }
}
