// The profile and saved-game functions as the scripts call them.

#include "game/player/ProfileNatives.h"
#include "platform/FileHooks.h"
#include "tests/game/player/ProfileTestSupport.h"

namespace {

class ProfileNativesTest : public ProfileTest {
protected:
    ProfileNativesTest() {
        setSlot(world, 1, "Mira", 1.0f);
        setSlot(world, 2, "Bob", 2.0f);
        setSlot(world, 3, "Cid", 3.0f);
        setCurrentProfileIndex(&world, 1);
        bindProfileNatives(&world);
    }
    // Each line runs in the handler of its own event, fired one at a time.
    void declare(const std::vector<std::string> &lines) {
        std::string text;
        for (size_t i = 0; i < lines.size(); ++i)
            text += "on call" + std::to_string(i) + " {\n  " + lines[i] + "\n}\n";
        loadText(game, text);
        declareSceneScripts(game);
    }
    void run(size_t line) {
        event(game, ("call" + std::to_string(line)).c_str())->fire();
        step();
    }
    float globalNumber(const char *name) { return number(game, name); }
};

TEST_F(ProfileNativesTest, ProfileNamesAreComparedWithoutLetterCase) {
    const std::vector<std::string> lines = {"call &check_profile_name ~mIRA", "call &check_profile_name ~Mir",
                                            "call &check_profile_name", "call &check_profile_name ~BOB",
                                            "call &check_profile_name 2"};
    const float expected[] = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f};
    declare(lines);
    for (size_t i = 0; i < lines.size(); ++i) {
        findOrCreateVariable(world.globalContext(), "##duplicated_profile", nullptr)->value->setNumber(-1.0f);
        run(i);
        EXPECT_EQ(globalNumber("##duplicated_profile"), expected[i]) << lines[i];
    }
}

TEST_F(ProfileNativesTest, SlotsOutsideOneToTenChangeNothingAndTheDefaultIsTheCurrentProfile) {
    loadText(game, "init {\n  set ##profile_achievement_unlocked_02 0\n}\n");
    struct Case {
        const char *line;
        int32_t index;           // "##profile_index" after the call
        const char *slot3;       // slot 3's name after the call
        float unlocked;          // entry 2 of the unlocked achievements
    };
    const Case cases[] = {
        {"call &select_profile 0", 1, "Cid", 0.0f},
        {"call &select_profile 11", 1, "Cid", 0.0f},
        {"call &select_profile 2.5", 3, "Cid", 302.0f},
        {"call &reset_profile 11", 3, "Cid", 302.0f},
        {"call &reset_profile", 3, "(none)", 302.0f},
        {"call &select_profile -0.4", 3, "(none)", 302.0f},
        {"call &delete_profile 2", 3, "(none)", 302.0f},
        {"call &delete_profile -1", 3, "(none)", 302.0f},
    };
    std::vector<std::string> lines;
    for (const Case &c : cases)
        lines.push_back(c.line);
    declare(lines);
    runSceneInitBlocks(game);
    for (size_t i = 0; i < lines.size(); ++i) {
        run(i);
        EXPECT_EQ(currentProfileIndex(&world), cases[i].index) << lines[i];
        EXPECT_EQ(nameOf(world, 3), cases[i].slot3) << lines[i];
        EXPECT_EQ(globalNumber("##profile_achievement_unlocked_02"), cases[i].unlocked) << lines[i];
    }
    EXPECT_EQ(nameOf(world, 2), "(none)") << "the reset slot 3 moved down";
    EXPECT_EQ(nameOf(*freshWorld(), 1), "Mira");
}

TEST_F(ProfileNativesTest, SavedGamesAreSavedAndDeletedForTheCurrentProfile) {
    declare({"call &save_profile", "call &delete_savegame ~hall", "call &delete_savegame", "call &save_achievements",
             "call &save_profiles"});
    hall->isGameplay = 1;
    variable(hall, "#visits")->value->setNumber(4.0f);
    run(0);
    EXPECT_TRUE(userFiles().count("profile_Mira.sav"));
    touch("profile_Mira_hall.sav");
    touch("profile_Bob.sav");
    run(1);
    EXPECT_EQ(userFiles(), (std::set<std::string>{"profile_Bob.sav", "profile_Mira.sav", "profiles.sav"}));
    run(2);
    EXPECT_EQ(userFiles(), (std::set<std::string>{"profile_Bob.sav", "profiles.sav"}));

    world.profiles[1].slot(ProfileRecord::kTimePlayed)->setNumber(42.0f);
    run(3);
    EXPECT_EQ(numberOf(*freshWorld(), 1, ProfileRecord::kTimePlayed), 42.0f);
    world.profiles[1].slot(ProfileRecord::kTimePlayed)->setNumber(43.0f);
    run(4);
    EXPECT_EQ(numberOf(*freshWorld(), 1, ProfileRecord::kTimePlayed), 43.0f);
    EXPECT_EQ(globalNumber("##profiles_saved"), 1.0f);
    fileHooksFailChange(1, true);
    run(4);
    fileHooksReset();
    EXPECT_EQ(globalNumber("##profiles_saved"), 0.0f) << "a list that could not be written is not said to be kept";
}

} // namespace
