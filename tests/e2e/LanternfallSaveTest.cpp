// Runs of the game on one state folder: saves made at the scene switches and at quit, saves cut part-way
// that leave the last whole one, and a profile list lost beside a saved game.

#include "tests/e2e/LanternfallFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace lfe2e;
using namespace lfe2e::saveRunInput;

// Runs of the game on one state folder, at 100 ms a frame. A profile is made and its game played to the
// hall, then quit; it is continued there, and back on the shore the door stands open (its portal takes the
// click); runs whose writes stop part-way into their first save, at its first byte, inside it and near its
// end, each leave the saved game as it was; the last run continues from the last whole save, in the hall.
TEST_F(LanternfallFixture, AProfilesGameIsSavedAtTheSwitchesAndAtQuitAndACutSaveLeavesTheLastWholeOne) {
    // The shore's open door, taken back to the hall.
    const std::string throughTheDoor = "290 move 1237 788\n291 press left\n292 release left\n";
    const std::vector<std::string> toTheShore{"entered c'profiles", "profile continued Mira", "entered c'hall",
                                              "goto portal_shore", "entered c'shore"};
    struct Run {
        const char *name;
        std::string input;
        int frames;
        long stopWritesAt; // 0: every write goes through; below 0: that many bytes short of the saved game's size
        std::vector<std::string> states;
    };
    const Run runs[] = {
        {"made", newProfile + "160 move 1103 597\n160 press left\n161 release left\n" + keyOnDoor, 260, 0,
         {"entered c'profiles", "profile name Mira", "profile made Mira", "profile continued Mira",
          "entered c'shore", "picked key", "key used", "door open", "goto portal_hall",
          "entered c'hall"}},
        {"continued", continueGame + backToShore + throughTheDoor, 330, 0,
         {"entered c'profiles", "profile continued Mira", "entered c'hall",
          "goto portal_shore", "entered c'shore", "goto portal_hall", "entered c'hall"}},
        {"cut at the first byte", continueGame + backToShore, 300, 1, toTheShore},
        {"cut inside", continueGame + backToShore, 300, 3000, toTheShore},
        {"cut near the end", continueGame + backToShore, 300, -40, toTheShore},
        {"last whole", continueGame, 260, 0,
         {"entered c'profiles", "profile continued Mira", "entered c'hall"}},
    };
    const fs::path saved = temp / "xdg/Morvane/Brightmoor_Ambercrest/Velt/profile_Mira.sav";
    for (const Run &run : runs) {
        SCOPED_TRACE(run.name);
        const std::string name = std::to_string(&run - runs);
        lftest::writeFileText(temp / (name + ".input"), run.input);
        std::vector<std::string> line = command(name + ".log", run.frames, "", (temp / (name + ".input")).string());
        const std::vector<unsigned char> before = lftest::readFileBytes(saved);
        if (run.stopWritesAt) {
            const long stop = run.stopWritesAt > 0 ? run.stopWritesAt : long(before.size()) + run.stopWritesAt;
            line = withVariables(line, {"LANTERNFALL_STOP_WRITES_AT=" + std::to_string(stop)});
        }
        ASSERT_EQ(lftest::runProgram(line), 0);
        const std::string log = readText(temp / (name + ".log"));
        EXPECT_EQ(stateLines(log), run.states) << log;
        ASSERT_TRUE(fs::exists(saved));
        const std::vector<std::string> errors = lftest::errorLines(log);
        if (!run.stopWritesAt) {
            EXPECT_EQ(errors, std::vector<std::string>{}) << log;
            continue;
        }
        EXPECT_EQ(lftest::readFileBytes(saved), before) << "the cut save left the whole one in place";
        EXPECT_FALSE(errors.empty()) << "the cut save is reported";
        // Every write after the cut fails: the saves', and the options' at quit.
        for (const std::string &error : errors)
            EXPECT_TRUE(error.find("cannot write save file") != std::string::npos ||
                        error.find("cannot write options file") != std::string::npos)
                << error;
    }
}

// A profile list lost beside a profile's saved game: the next start takes the profile back, and the
// profiles screen says whether the list was missing or damaged.
TEST_F(LanternfallFixture, TheProfilesScreenSaysWhetherTheListTakenBackWasMissingOrDamaged) {
    lftest::writeFileText(temp / "made.input", newProfile + "160 move 1103 597\n160 press left\n161 release left\n");
    ASSERT_EQ(lftest::runProgram(command("made.log", 200, "", (temp / "made.input").string())), 0);
    const fs::path list = temp / "xdg/Morvane/Brightmoor_Ambercrest/Velt/profiles.sav";
    ASSERT_TRUE(fs::exists(list.parent_path() / "profile_Mira.sav"));
    for (bool missing : {true, false}) {
        SCOPED_TRACE(missing ? "missing" : "damaged");
        std::vector<unsigned char> bytes = lftest::readFileBytes(list);
        ASSERT_GT(bytes.size(), 20u);
        bytes[20] ^= 0x5A;
        if (missing)
            fs::remove(list);
        else
            lftest::writeFileBytes(list, bytes);
        const std::string name = missing ? "missing" : "damaged";
        ASSERT_EQ(lftest::runProgram(command(name + ".log", 220, "")), 0);
        const std::string log = readText(temp / (name + ".log"));
        EXPECT_EQ(stateLines(log), (std::vector<std::string>{"profiles recovered " + name + " list", "entered c'profiles"}))
            << log;
        EXPECT_NE(log.find("profiles taken back from their saved games: 1"), std::string::npos) << log;
    }
}

} // namespace
