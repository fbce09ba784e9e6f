// What the player is told of saves that failed, where they look: a failure told on the profiles, which the
// player leaves at once by Continue, is told again over the shore; and options changed and left with Back on
// a full disk are named in the exit's notice, which the game shows before its window goes.

#include "platform/MessageDialog.h"
#include "tests/e2e/LanternfallFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace lfe2e;
using namespace lfe2e::saveRunInput;

// A click on an element of a scene file, at the frame (design units, in any layout).
std::string clickOn(int frame, const std::string &sceneFile, const std::string &element) {
    const DesignPoint at = placeOf(sceneFile, element);
    return std::to_string(frame) + " point " + std::to_string(int(at.x)) + " " + std::to_string(int(at.y)) + "\n" +
           std::to_string(frame + 1) + " press left\n" + std::to_string(frame + 2) + " release left\n";
}

// The new profile's game: the key taken on the shore, then "Save and go to the menu" (Escape) while the saved
// game cannot be written; the profiles say so, and Continue, at once, goes on with the game in memory on the
// shore, where the player is told again.
TEST_F(LanternfallFixture, AFailureToldOnTheProfilesLeftAtOnceIsToldAgainOverTheShore) {
    const std::string input = newProfile + "160 move 1103 597\n160 press left\n161 release left\n" +
                              "180 move 492 970\n180 press left\n181 release left\n"
                              "190 keydown Escape\n191 keyup Escape\n" + clickOn(225, "data/menus/profiles/profiles.scene", "button_continue");
    fs::create_directories(temp / "shots");
    lftest::writeFileText(temp / "continue.input", input);
    // The first change of Mira's saved game fails: the menu's save of it.
    const std::vector<std::string> line =
        withVariables(command("continue.log", 270, "215,260", (temp / "continue.input").string()),
                      {"LANTERNFALL_FAIL_WRITE=1", "LANTERNFALL_FAIL_WRITE_OF=profile_Mira.sav"});
    ASSERT_EQ(lftest::runProgram(line), 0);
    const std::string log = readText(temp / "continue.log");
    EXPECT_TRUE(hasInOrder(stateLines(log), {"profile made Mira", "entered c'shore", "entered c'profiles", "save failed",
                                             "profile continued Mira", "entered c'shore"}))
        << log;
    const size_t told = log.find("the player is told that the game could not be saved: no room left on the disk");
    ASSERT_NE(told, std::string::npos) << log;
    EXPECT_NE(log.find("is told again that the game could not be saved: no room left on the disk", told),
              std::string::npos)
        << log;
    // The HUD's message box, its plate light against the evening sky, stands over the shore.
    const Screenshot shore(shot(260));
    const Area box = designArea(730, 15, 1830, 125);
    int plate = 0;
    for (int y = box.top; y < box.bottom; y++)
        for (int x = box.left; x < box.right; x++)
            plate += isNear(shore.pixel(x, y), {238, 224, 189}, 12);
    EXPECT_GT(plate, 20000) << "the message box over the shore";
}

// Options changed on a full disk and left with Back are lost only with a word: the quit's notice names them.
TEST_F(LanternfallFixture, OptionsThatCouldNotBeSavedAtQuitAreNamedInTheExitsNotice) {
    const std::string input = clickOn(150, "data/menus/profiles/profiles.scene", "button_options") +
                              clickOn(175, "data/menus/options/options.scene", "music_down") +
                              clickOn(190, "data/menus/options/options.scene", "button_back") +
                              clickOn(215, "data/menus/profiles/profiles.scene", "button_quit");
    lftest::writeFileText(temp / "options.input", input);
    std::vector<std::string> line = withVariables(command("options.log", 300, "", (temp / "options.input").string()),
                                                  {"LANTERNFALL_FAIL_WRITE=1+"});
    line.insert(line.end() - 1, {"bash", "-c", "exec \"$0\" 2>&1"});
    std::string output;
    ASSERT_EQ(lftest::runProgram(line, &output), 0) << output;
    const std::string log = readText(temp / "options.log");
    EXPECT_TRUE(hasInOrder(stateLines(log), {"option music 0.65", "quit"})) << log;
    EXPECT_NE(log.find("the player is told at exit that the options could not be saved: no room left on the disk"),
              std::string::npos)
        << log;
    EXPECT_NE(output.find("[dialog] Brightmoor Ambercrest Lanternfall: " +
                          platformDialogText("Not saved: the options. There is no room left on the disk.")),
              std::string::npos)
        << output;
}

} // namespace
