// The profile list: what a saved list gives a new world at each version, slot counts and indexes that
// no writer of ours makes, a damaged or missing list with the profiles taken back from their saved games,
// slots reset and deleted with their games, achievements, leftover temporaries, and file names made from
// whatever the player typed.

#include <chrono>
#include <cmath>
#include <iterator>
#include <limits>
#include <memory>

#include "engine/system/KSystem.h"
#include "platform/FileHooks.h"
#include "tests/game/player/ProfileTestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

class ProfileListTest : public ProfileTest {
protected:
    void fillFiveSlots() {
        const char *names[] = {"Ann", "Bob", "Cid", "Dee", "Eve"};
        for (int32_t slot = 1; slot <= 5; ++slot)
            setSlot(world, slot, names[slot - 1], float(slot * 10));
    }
    // A list whose body is the index, the count and `slots` records, written at the version.
    bool writeList(int32_t index, int32_t count, int32_t slots, int32_t version = SaveStream::kVersion) {
        return saveFrom(&world, "Morvane/Brightmoor_Ambercrest/Velt/profiles.sav", [&](SaveStream &stream) {
            bool written = stream.serializeInt(index) && stream.serializeInt(count);
            for (int32_t slot = 1; written && slot <= slots; ++slot)
                written = world.profiles[std::min(slot, kProfileSlotCount)].serialize(stream);
            return written;
        }, version);
    }
    static constexpr const char *kRecoveryHook = "fun &on_corrupted_profiles_list {\n  print recovered\n}\n";

    // The file of the per-user folder, as last written the given number of seconds ago.
    void writtenAgo(const std::string &name, int seconds) {
        std::filesystem::last_write_time(userFolder() / name,
                                         std::filesystem::file_time_type::clock::now() - std::chrono::seconds(seconds));
    }
};

TEST_F(ProfileListTest, TenSlotsComeBackWithNamesNumbersAndAllTheirValuesAndTheIndex) {
    for (int32_t slot = 1; slot <= kProfileSlotCount; ++slot)
        setSlot(world, slot, slot == 4 ? nullptr : ("player " + std::to_string(slot)).c_str(), float(slot));
    setCurrentProfileIndex(&world, 7);
    ASSERT_TRUE(saveProfileList(&world));

    auto loaded = freshWorld();
    EXPECT_EQ(currentProfileIndex(loaded.get()), 7);
    for (int32_t slot = 1; slot <= kProfileSlotCount; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(nameOf(*loaded, slot), nameOf(world, slot));
        for (int32_t field = ProfileRecord::kName + 1; field < ProfileRecord::kVariableCount; ++field)
            EXPECT_EQ(numberOf(*loaded, slot, ProfileRecord::Variable(field)), float(slot + field));
        for (int32_t i = 0; i < ProfileRecord::kValueCount; ++i)
            EXPECT_EQ(loaded->profiles[slot].values[i].asNumber(), float(slot) * 100.0f + float(i));
    }
}

TEST_F(ProfileListTest, ALoadedListRestoresOnlyTheFieldsItsVersionHas) {
    using P = ProfileRecord;
    struct Case {
        int32_t version;
        std::set<int32_t> variables; // restored, besides the name
        bool unlocked, counter, unread;
    };
    const Case cases[] = {
        {9, {}, false, false, false},
        {10, {P::kTimePlayed, P::kDifficulty}, false, false, false},
        {19, {P::kTimePlayed, P::kDifficulty, P::kStandardUnlocked, P::kGameCompleted}, false, false, false},
        {21, {P::kTimePlayed, P::kDifficulty, P::kStandardUnlocked, P::kGameCompleted, P::kVeltUnlocked}, true, false,
         false},
        {27, {P::kTimePlayed, P::kDifficulty, P::kTimePlayedVelt, P::kDifficultyVelt, P::kStandardUnlocked,
              P::kVeltUnlocked, P::kGameCompleted, P::kVeltGameCompleted}, true, true, false},
        {28, {P::kTimePlayed, P::kDifficulty, P::kTimePlayedVelt, P::kDifficultyVelt, P::kStandardUnlocked,
              P::kVeltUnlocked, P::kGameCompleted, P::kVeltGameCompleted}, true, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.version);
        setSlot(world, 2, "Bea", 50.0f);
        ASSERT_TRUE(writeList(2, kProfileSlotCount, kProfileSlotCount, c.version));
        auto loaded = freshWorld();
        setSlot(*loaded, 2, "before", 0.0f);
        loadProfileList(loaded.get());
        EXPECT_EQ(nameOf(*loaded, 2), c.version >= 10 ? "Bea" : "before");
        for (int32_t field = P::kName + 1; field < P::kVariableCount; ++field)
            EXPECT_EQ(numberOf(*loaded, 2, P::Variable(field)), float(field) + (c.variables.count(field) ? 50.0f : 0.0f))
                << field;
        const ProfileRecord &record = loaded->profiles[2];
        EXPECT_EQ(record.values[5].asNumber(), c.unlocked ? 5005.0f : 5.0f);
        EXPECT_EQ(record.values[P::kUnreadOffset + 5].asNumber(), c.unread ? 5045.0f : 45.0f);
        EXPECT_EQ(record.values[P::kCounterIndex].asNumber(), c.counter ? 5080.0f : 80.0f);
        EXPECT_TRUE(std::filesystem::exists(listPath())) << "a list of an older version is no damaged list";
    }
}

TEST_F(ProfileListTest, SlotCountsAndIndexesThatNoWriterMakesReadSafely) {
    fillFiveSlots();
    struct Case {
        int32_t index, count, slots, expectedIndex;
        const char *expectedFirst;
        bool recovered;
    };
    const Case cases[] = {
        {3, 12, 12, 3, "Ann", false},        // more slots than ten: ten are read
        {3, -1, 0, 3, "before", false},      // no slot
        {3, 0, 0, 3, "before", false},
        {3, 1000000000, 10, 3, "Ann", false}, // a huge count reads ten and no more
        {77, 10, 10, 0, "Ann", false},       // indexes outside 0 to 10 read as 0
        {-3, 10, 10, 0, "Ann", false},
        {10, 10, 10, 10, "Ann", false},
        {3, 10, 9, 0, "before", true},       // a slot short: damaged
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.index) + " " + std::to_string(c.count));
        ASSERT_TRUE(writeList(c.index, c.count, c.slots));
        auto loaded = freshWorld();
        if (!c.recovered) {
            setSlot(*loaded, 1, "before", 0.0f);
            loadProfileList(loaded.get());
        }
        EXPECT_EQ(currentProfileIndex(loaded.get()), c.expectedIndex);
        EXPECT_EQ(nameOf(*loaded, 1), c.recovered ? "(none)" : c.expectedFirst);
        EXPECT_TRUE(std::filesystem::exists(listPath())) << "kept, or written again after a recovery";
        EXPECT_EQ(std::filesystem::remove(listPath() + ".damaged"), c.recovered);
    }
    // A script may leave any number in the index: none of them selects a record outside the eleven.
    for (float index : {77.0f, -3.0f, std::numeric_limits<float>::quiet_NaN(), 1e30f}) {
        findOrCreateVariable(world.globalContext(), "##profile_index", nullptr)->value->setNumber(index);
        const int32_t current = currentProfileIndex(&world);
        saveAchievements(&world);
        restoreAchievements(&world, current);
        EXPECT_TRUE(saveProfileList(&world));
    }
}

TEST_F(ProfileListTest, EveryCutOrChangedByteOfTheListIsSetAsideAndTheProfilesComeBackFromTheirSavedGames) {
    fillFiveSlots();
    setCurrentProfileIndex(&world, 2);
    ASSERT_TRUE(saveProfileList(&world));
    const Bytes good = lftest::readFileBytes(listPath());
    // Saved games of Bob, Ann (one that may be Ann's of the hall or Ann_hall's too) and eve, whose name
    // differs from Eve's only in case; a damaged one of Cid's; files that are no saved game of a profile,
    // and one set aside before.
    for (const char *name : {"profile_Bob.sav", "profile_Ann.sav", "profile_Ann_hall.sav", "profile_Eve.sav",
                             "profile_eve.sav", "Profile_Case.sav", "my_profile_Ann.sav"})
        ASSERT_TRUE(writeSavedGame(name));
    writtenAgo("profile_Ann.sav", 30);
    writtenAgo("profile_Bob.sav", 10);
    writtenAgo("profile_Eve.sav", 20);
    writtenAgo("profile_Ann_hall.sav", 40);
    for (const char *name : {"profile_Cid.sav", "profile_Dee.sav.damaged", "profile_", "options.cfg"})
        touch(name);
    std::filesystem::create_directory(userFolder() / "profile_folder");
    const std::set<std::string> kept = userFiles();

    // Cut anywhere but at its end, or changed in any byte, the list reads as damaged, as the load reads it
    // (read from the file, with no disk work to follow).
    const std::unique_ptr<HoWorld> reader = freshWorld();
    auto readsAsDamaged = [&](const Bytes &bytes) {
        lftest::writeFileBytes(listPath(), bytes);
        SaveStream stream(reader.get());
        if (!stream.openRead(listPath().c_str()))
            return stream.openFailure == SaveStream::OpenFailure::kDamaged;
        const bool read = serializeProfileList(stream, reader.get());
        stream.close();
        return !read;
    };
    auto changedAt = [&good](size_t at) {
        Bytes changed = good;
        changed[at] ^= 0x5A;
        return changed;
    };
    for (size_t at = 0; at < good.size(); ++at) {
        EXPECT_TRUE(readsAsDamaged(Bytes(good.begin(), good.begin() + long(at)))) << "cut at " << at;
        EXPECT_TRUE(readsAsDamaged(changedAt(at))) << "changed at " << at;
    }

    // What the load does with a damaged list, whether its header (its first 15 bytes) or its body fails to read.
    const struct {
        const char *what;
        Bytes bytes;
    } damaged[] = {
        {"cut to nothing", {}},
        {"cut in the header", Bytes(good.begin(), good.begin() + 12)},
        {"cut one byte short", Bytes(good.begin(), good.end() - 1)},
        {"changed in the header", changedAt(5)},
        {"changed in the body", changedAt(good.size() / 2)},
        {"changed in the last byte", changedAt(good.size() - 1)},
    };
    for (const auto &[what, bytes] : damaged) {
        SCOPED_TRACE(what);
        lftest::writeFileBytes(listPath(), bytes);
        auto loaded = freshWorld(kRecoveryHook, {"hall"});
        std::set<std::string> expected = kept;
        expected.insert("profiles.sav.damaged");
        EXPECT_EQ(userFiles(), expected) << "nothing is deleted";
        EXPECT_EQ(lftest::readFileBytes(listPath() + ".damaged"), bytes) << "the damaged list is kept as it was";
        std::filesystem::remove(listPath() + ".damaged");
        EXPECT_EQ(currentProfileIndex(loaded.get()), 2) << "the profile whose game was written last";
        std::vector<std::string> names;
        for (int32_t slot = 1; slot <= 5; ++slot)
            names.push_back(nameOf(*loaded, slot));
        EXPECT_EQ(names, (std::vector<std::string>{"Ann", "Bob", "Eve", "Ann_hall", "(none)"}));
        EXPECT_EQ(numberOf(*loaded, 1, ProfileRecord::kDifficulty), 1.0f) << "as a new profile has it";
        EXPECT_EQ(nameOf(*freshWorld(), 2), "Bob") << "the list is written again";
    }
    EXPECT_EQ(takeTrace().size(), std::size(damaged)) << "the scripts hear of each";

    // An aside name that is taken gets a number; one that cannot be made keeps the list where it is,
    // and nothing is written over it.
    touch("profiles.sav.damaged");
    lftest::writeFileBytes(listPath(), Bytes(good.begin(), good.begin() + 20));
    freshWorld();
    EXPECT_EQ(lftest::readFileBytes(listPath() + ".damaged.2").size(), 20u);
    lftest::writeFileBytes(listPath(), Bytes(good.begin(), good.begin() + 20));
    fileHooksFailChange(1, true);
    clearLogContents();
    freshWorld();
    fileHooksReset();
    EXPECT_EQ(lftest::readFileBytes(listPath()).size(), 20u);
    EXPECT_NE(getLogContents().find("cannot set the damaged file " + listPath() + " aside: no room left on the disk, ERROR"),
              std::string::npos);
}

// No list, but saved games or a damaged list set aside beside it: not a first start. The profiles come
// back from the saved games, the scripts hear of it and the list is written again.
TEST_F(ProfileListTest, AListLostBesideSavedGamesOrItsDamagedCopyIsTakenBackFromTheSavedGames) {
    fillFiveSlots();
    ASSERT_TRUE(saveProfileList(&world));
    Bytes damaged = lftest::readFileBytes(listPath());
    damaged[20] ^= 0x5A;
    auto startWith = [&](std::initializer_list<const char *> games, bool damagedListKept) {
        std::filesystem::remove_all(userFolder());
        std::filesystem::create_directories(userFolder());
        for (const char *game : games)
            ASSERT_TRUE(writeSavedGame(game));
        if (damagedListKept)
            lftest::writeFileBytes(listPath() + ".damaged", damaged);
    };
    struct Case {
        const char *what;
        std::initializer_list<const char *> games;
        bool damagedListKept;
        std::string firstName; // of slot 1
        size_t told;           // "on_corrupted_profiles_list" runs
    };
    const Case cases[] = {
        {"a first start", {}, false, "(none)", 0},
        {"a list deleted beside its saved games", {"profile_Bob.sav", "profile_Ann.sav"}, false, "Ann", 1},
        {"a crash after the damaged list was set aside", {"profile_Cid.sav"}, true, "Cid", 1},
        {"a damaged list set aside and no saved game", {}, true, "(none)", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        startWith(c.games, c.damagedListKept);
        takeTrace();
        auto loaded = freshWorld(kRecoveryHook);
        EXPECT_EQ(takeTrace().size(), c.told);
        EXPECT_EQ(nameOf(*loaded, 1), c.firstName);
        EXPECT_EQ(currentProfileIndex(loaded.get()), c.firstName == "(none)" ? 0 : 1);
        EXPECT_EQ(std::filesystem::exists(listPath()), c.told > 0) << "written again";
        EXPECT_EQ(nameOf(*freshWorld(), 1), c.firstName);
    }

    // A damaged list set aside whose new list could not be written: the next start finds the profiles.
    startWith({"profile_Ann.sav"}, false);
    lftest::writeFileBytes(listPath(), damaged);
    fileHooksReset();
    fileHooksFailChange(2, true); // the first change sets the damaged list aside
    freshWorld();
    fileHooksFailChange(0, false);
    fileHooksReset();
    EXPECT_FALSE(std::filesystem::exists(listPath()));
    auto again = freshWorld(kRecoveryHook);
    EXPECT_EQ(nameOf(*again, 1), "Ann");
    EXPECT_EQ(lftest::readFileBytes(listPath() + ".damaged"), damaged);
}

// A damaged list and a missing one each say which they were; the profiles come back only from files
// that read as saved games (not from a copy of the list, nor from another file of the save stream, named
// like saved games and written last), and the one played last is the current one.
TEST_F(ProfileListTest, ARebuildTakesBackOnlySavedGamesAndTheProfilePlayedLastIsCurrent) {
    fillFiveSlots();
    ASSERT_TRUE(saveProfileList(&world));
    const Bytes list = lftest::readFileBytes(listPath());
    Bytes damaged = list;
    damaged[20] ^= 0x5A;
    for (bool missing : {false, true}) {
        SCOPED_TRACE(missing ? "a missing list" : "a damaged list");
        std::filesystem::remove_all(userFolder());
        std::filesystem::create_directories(userFolder());
        for (const char *game : {"profile_Ann.sav", "profile_Ola.sav", "profile_Tess.sav"})
            ASSERT_TRUE(writeSavedGame(game));
        writtenAgo("profile_Ann.sav", 30);
        writtenAgo("profile_Ola.sav", 20);
        writtenAgo("profile_Tess.sav", 10);
        lftest::writeFileBytes(userFolder() / "profile_Copy.sav", list);
        ASSERT_TRUE(saveFrom(&world, "Morvane/Brightmoor_Ambercrest/Velt/profile_Note.sav", [](SaveStream &stream) {
            int32_t number = 7;
            return stream.serializeInt(number);
        }));
        if (!missing)
            lftest::writeFileBytes(listPath(), damaged);
        clearLogContents();
        auto loaded = freshWorld(kRecoveryHook);
        EXPECT_EQ(takeTrace().size(), 1u);
        std::vector<std::string> names;
        for (int32_t slot = 1; slot <= 4; ++slot)
            names.push_back(nameOf(*loaded, slot));
        EXPECT_EQ(names, (std::vector<std::string>{"Ann", "Ola", "Tess", "(none)"}));
        EXPECT_EQ(currentProfileIndex(loaded.get()), 3) << "Tess played last";
        const ScriptVariable *told = findVariable(loaded->globalContext(), "##profile_list_missing");
        ASSERT_NE(told, nullptr);
        EXPECT_EQ(told->value->asNumber(), missing ? 1.0f : 0.0f);
        const std::string log = getLogContents();
        EXPECT_NE(log.find(listPath() + (missing ? " is missing" : " is damaged") +
                           "; profiles taken back from their saved games: 3"),
                  std::string::npos)
            << log;
        for (const char *other : {"profile_Copy.sav", "profile_Note.sav"}) {
            EXPECT_TRUE(std::filesystem::exists(userFolder() / other)) << other << " is left where it is";
            EXPECT_NE(log.find((userFolder() / other).string() + " does not read as a saved game"), std::string::npos);
        }
    }
}

// A profile reset or deleted takes its games of one scene with it, and none of another profile's files:
// not those of "Ann_hall", whose own game is named as Ann's game of the hall would be. A rebuild later
// brings back the profiles left, then the games that may be a game of one scene of theirs, as profiles too.
TEST_F(ProfileListTest, AResetOrDeletedProfileTakesItsGamesOfOneSceneWithItAndNoOtherProfilesFiles) {
    using Operation = bool (*)(HoWorld *, int32_t);
    for (Operation operation : {Operation(resetProfile), Operation(deleteProfile)}) {
        SCOPED_TRACE(operation == Operation(resetProfile) ? "reset" : "deleted");
        std::filesystem::remove_all(userFolder());
        std::filesystem::create_directories(userFolder());
        const char *names[] = {"Ann", "Ann_hall", "Bob"};
        for (int32_t slot = 1; slot <= kProfileSlotCount; ++slot)
            setSlot(world, slot, slot <= 3 ? names[slot - 1] : nullptr, 0.0f);
        for (const char *game : {"profile_Ann.sav", "profile_Ann_game.sav", "profile_Ann_hall.sav",
                                 "profile_Ann_hall_hall.sav", "profile_Bob.sav", "profile_Bob_hall.sav"})
            ASSERT_TRUE(writeSavedGame(game));
        ASSERT_TRUE(operation(&world, 1));
        EXPECT_EQ(userFiles(), (std::set<std::string>{"profile_Ann_hall.sav", "profile_Ann_hall_hall.sav",
                                                      "profile_Bob.sav", "profile_Bob_hall.sav", "profiles.sav"}));
        std::filesystem::remove(listPath());
        auto loaded = freshWorld(kRecoveryHook, {"hall"});
        std::vector<std::string> taken;
        for (int32_t slot = 1; slot <= 5; ++slot)
            taken.push_back(nameOf(*loaded, slot));
        EXPECT_EQ(taken, (std::vector<std::string>{"Ann_hall", "Bob", "Ann_hall_hall", "Bob_hall", "(none)"}));
    }
}

// Two names can give one file: letter case aside, through the characters that become '_', or as one's
// saved game and the other's game of a scene. Such a file is never deleted as one profile's, nor hidden
// as another's game of a scene; a name that the list holds twice is read once.
TEST_F(ProfileListTest, AFileThatTwoProfilesNamesGiveIsKeptAndANameHeldTwiceIsReadOnce) {
    struct Case {
        const char *what;
        std::vector<const char *> list;  // the list's names; none: the list is lost
        std::vector<const char *> games; // saved games (of the other part, "_velt.sav", in the state folder)
        std::vector<std::string> read;   // the names of slots 1 to 3 once read
        int32_t slot;                    // then reset, or its game of this scene deleted:
        const char *scene;
        std::set<std::string> left;      // the games left
        std::string logged;
    };
    const Case cases[] = {
        {"A/B reset beside A_B", {"A/B", "A_B"}, {"profile_A_B.sav", "profile_A_B_hall.sav", "profile_A_B_velt.sav"},
         {"A/B", "A_B", "(none)"}, 1, nullptr,
         {"profile_A_B.sav", "profile_A_B_hall.sav", "profile_A_B_velt.sav"},
         "profile_A_B_velt.sav: it may be a saved game of the profile \"A_B\", whose name gives it too, WARNING"},
        {"Ann_hall reset beside Ann, whose game of the hall it may be", {"Ann", "Ann_hall"},
         {"profile_Ann.sav", "profile_Ann_hall.sav", "profile_Ann_hall_hall.sav"}, {"Ann", "Ann_hall", "(none)"}, 2,
         nullptr, {"profile_Ann.sav", "profile_Ann_hall.sav"},
         "profile_Ann_hall.sav: it may be a saved game of the profile \"Ann\""},
        {"Ann's game of the hall deleted beside Ann_hall", {"Ann", "Ann_hall"}, {"profile_Ann_hall.sav"},
         {"Ann", "Ann_hall", "(none)"}, 1, "hall", {"profile_Ann_hall.sav"},
         "profile_Ann_hall.sav: it may be a saved game of the profile \"Ann_hall\""},
        {"Mira twice", {"Bob", "Mira", "Mira"}, {"profile_Mira.sav"}, {"Bob", "Mira", "(none)"}, 3, nullptr,
         {"profile_Mira.sav"}, "names one profile twice, \"Mira\" in slot 2 and \"Mira\" in slot 3: it is read once"},
        {"Mira and MIRA", {"Mira", "MIRA"}, {"profile_Mira.sav"}, {"Mira", "(none)", "(none)"}, 2, nullptr,
         {"profile_Mira.sav"}, "\"MIRA\" in slot 2: it is read once, from slot 1"},
        {"a list lost beside the games of Ann and Ann_hall", {}, {"profile_Ann.sav", "profile_Ann_hall.sav"},
         {"Ann", "Ann_hall", "(none)"}, 1, nullptr, {"profile_Ann_hall.sav"},
         "profile_Ann_hall.sav may be a game of one scene of the profile \"Ann\": it is taken back as the profile "
         "\"Ann_hall\" and kept"},
    };
    const std::filesystem::path stateFolder = application->statePath;
    const auto gamesLeft = [&] {
        std::set<std::string> games;
        for (const std::filesystem::path &folder : {stateFolder, userFolder()})
            for (const auto &entry : std::filesystem::directory_iterator(folder))
                if (entry.path().filename().string().rfind("profile_", 0) == 0)
                    games.insert(entry.path().filename().string());
        return games;
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(stateFolder);
        std::filesystem::create_directories(userFolder());
        for (int32_t slot = 1; slot <= kProfileSlotCount; ++slot)
            setSlot(world, slot, size_t(slot) <= c.list.size() ? c.list[size_t(slot) - 1] : nullptr, 0.0f);
        setCurrentProfileIndex(&world, int32_t(c.list.size()));
        if (!c.list.empty()) {
            ASSERT_TRUE(saveProfileList(&world));
        }
        for (const std::string game : c.games) {
            if (game.find("_velt.sav") != std::string::npos)
                lftest::writeFileText(stateFolder / game, "velt");
            else
                ASSERT_TRUE(writeSavedGame(game));
        }
        clearLogContents();
        auto loaded = freshWorld(nullptr, {"hall"});
        EXPECT_EQ((std::vector<std::string>{nameOf(*loaded, 1), nameOf(*loaded, 2), nameOf(*loaded, 3)}), c.read);
        if (!c.list.empty()) {
            EXPECT_STRCASEEQ(nameOf(*loaded, currentProfileIndex(loaded.get())).c_str(), c.list.back())
                << "the current profile";
        }
        if (c.scene)
            deleteSavedGame(loaded.get(), c.slot, c.scene);
        else
            resetProfile(loaded.get(), c.slot);
        EXPECT_EQ(gamesLeft(), c.left);
        EXPECT_NE(getLogContents().find(c.logged), std::string::npos) << getLogContents();
    }
}

// A copy of the game that could not take the single-instance lock may run beside another, which may be
// writing its temporary files: it keeps them, and says why.
TEST_F(ProfileListTest, LeftoverTemporariesGoOnlyWhileTheSingleInstanceLockIsHeld) {
    const std::vector<std::string> leftovers = {"profiles.sav.tmp", "profile_Ann.sav.tmp"};
    const lftest::SingleInstanceRelease release;
    for (bool locked : {false, true}) {
        SCOPED_TRACE(locked ? "with the lock" : "without it");
        for (const std::string &file : leftovers)
            touch(file);
        if (locked) {
            ASSERT_FALSE(checkGameInstance(application->getGameId()));
        }
        ASSERT_EQ(holdsGameInstance(), locked);
        clearLogContents();
        freshWorld();
        const std::string log = getLogContents();
        for (const std::string &file : leftovers) {
            EXPECT_EQ(std::filesystem::exists(userFolder() / file), !locked) << file;
            EXPECT_EQ(log.find("keeping " + (userFolder() / file).string() +
                               ": without the single-instance lock, another copy of the game may be writing it, WARNING") !=
                          std::string::npos,
                      !locked)
                << log;
        }
    }
}

TEST_F(ProfileListTest, AListThatCannotBeReadIsKeptWithEverySavedGame) {
    fillFiveSlots();
    touch("profile_Ann.sav");
    std::filesystem::create_directory(listPath());
    auto loaded = freshWorld(kRecoveryHook);
    EXPECT_EQ(userFiles(), (std::set<std::string>{"profile_Ann.sav", "profiles.sav"}));
    EXPECT_TRUE(std::filesystem::is_directory(listPath()));
    EXPECT_TRUE(takeTrace().empty());
    EXPECT_NE(getLogContents().find("profiles.sav"), std::string::npos);
    EXPECT_FALSE(saveProfileList(&world)) << "a folder in the list's place is never replaced";
}

TEST_F(ProfileListTest, DeletingASlotMovesTheLaterOnesDownAndTheirGamesAreStillFoundByName) {
    fillFiveSlots();
    setSlot(world, 10, "Zed", 90.0f);
    setCurrentProfileIndex(&world, 1);
    for (const char *name : {"profile_Cid.sav", "profile_Cid_velt.sav", "profile_Dee.sav", "profile_Eve.sav"})
        touch(name);
    lftest::writeFileText(std::filesystem::path(application->statePath) / "profile_Cid_velt.sav", "velt");
    lftest::writeFileText(std::filesystem::path(application->statePath) / "profile_Dee_velt.sav", "velt");
    const std::string eveGame = savedGamePath(&world, 5);

    ASSERT_TRUE(deleteProfile(&world, 3));
    EXPECT_EQ(nameOf(world, 3), "Dee");
    EXPECT_EQ(nameOf(world, 4), "Eve");
    EXPECT_EQ(nameOf(world, 5), "(none)");
    EXPECT_EQ(numberOf(world, 3, ProfileRecord::kGameCompleted), 40.0f + float(ProfileRecord::kGameCompleted));
    EXPECT_EQ(world.profiles[4].values[80].asNumber(), 5080.0f);
    EXPECT_EQ(nameOf(world, 9), "Zed");
    EXPECT_EQ(nameOf(world, 10), "(none)");
    EXPECT_EQ(numberOf(world, 10, ProfileRecord::kDifficultyVelt), 1.0f);
    EXPECT_EQ(world.profiles[10].values[80].asNumber(), 9080.0f) << "a reset slot keeps its achievement values";
    EXPECT_EQ(savedGamePath(&world, 4), eveGame);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(application->statePath) / "profile_Cid_velt.sav"));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(application->statePath) / "profile_Dee_velt.sav"));
    EXPECT_EQ(userFiles(), (std::set<std::string>{"profile_Cid_velt.sav", "profile_Dee.sav", "profile_Eve.sav",
                                                  "profiles.sav"}));
    auto loaded = freshWorld();
    EXPECT_EQ(nameOf(*loaded, 3), "Dee");
    EXPECT_EQ(nameOf(*loaded, 5), "(none)");

    for (int32_t slot : {0, 11, -1}) {
        EXPECT_FALSE(deleteProfile(&world, slot));
        EXPECT_FALSE(resetProfile(&world, slot));
    }
    EXPECT_EQ(nameOf(world, 1), "Ann");
}

TEST_F(ProfileListTest, ProfileNamesNeverMakeAFileOutsideTheUserFolder) {
    struct Case {
        const char *name;
        const char *file; // empty: no file
    };
    const std::string longName(300, 'x');
    const Case cases[] = {
        {"Mira", "profile_Mira.sav"},
        {"../../escape", "profile_______escape.sav"},
        {"a/b\\c", "profile_a_b_c.sav"},
        {"..", "profile___.sav"},
        {"v1.2", "profile_v1.2.sav"},
        {"tab\there\n", "profile_tab_here_.sav"},
        {"", ""},
        {nullptr, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(none)");
        setSlot(world, 2, c.name, 0.0f);
        const std::string path = savedGamePath(&world, 2);
        EXPECT_EQ(path.empty() ? std::string() : std::filesystem::path(path).filename().string(), c.file);
        if (!path.empty()) {
            EXPECT_EQ(std::filesystem::path(path).parent_path(), userFolder());
        }
        EXPECT_EQ(savedGamePath(&world, 2, "hall/../x").empty(), path.empty());
        resetProfile(&world, 2);
    }
    setSlot(world, 2, "Mira", 0.0f);
    EXPECT_EQ(std::filesystem::path(savedGamePath(&world, 2, "../x")).filename().string(), "profile_Mira____x.sav");

    // A name too long for a path is refused with a logged error, never cut.
    setSlot(world, 2, longName.c_str(), 0.0f);
    const auto before = userFiles();
    clearLogContents();
    EXPECT_TRUE(resetProfile(&world, 2));
    EXPECT_EQ(userFiles(), before);
    EXPECT_NE(getLogContents().find("ERROR"), std::string::npos);
    for (int32_t slot : {0, 11})
        EXPECT_TRUE(savedGamePath(&world, slot).empty());
}

TEST_F(ProfileListTest, AchievementsAreCopiedIntoTheCurrentProfileAndRestoredFromIt) {
    loadText(game, "init {\n  set ##profile_achievement_unlocked_03 1\n  set ##profile_achievement_unread_39 1\n"
                   "  set ##profile_achievement_unread_41 1\n  set ##profile_achievement_unlocked_05 1\n"
                   "  set ##profile_achievement_unread_counter 4\n}\n");
    declareSceneScripts(game);
    runSceneInitBlocks(game);
    variable(game, "##profile_achievement_unlocked_05")->value->setPointer(kScriptText, "text");
    setSlot(world, 6, "Ann", 1.0f);
    setCurrentProfileIndex(&world, 6);
    saveAchievements(&world);
    const ProfileRecord &record = world.profiles[6];
    EXPECT_EQ(record.values[3].asNumber(), 1.0f);
    EXPECT_EQ(record.values[5].asNumber(), 0.0f) << "a text is no number";
    EXPECT_EQ(record.values[0].asNumber(), 0.0f) << "an entry that does not exist";
    EXPECT_EQ(record.values[ProfileRecord::kUnreadOffset + 39].asNumber(), 1.0f);
    EXPECT_EQ(record.values[ProfileRecord::kCounterIndex].asNumber(), 4.0f);
    EXPECT_EQ(freshWorld()->profiles[6].values[3].asNumber(), 1.0f) << "the list was saved";

    // Restoring writes the record's numbers into the entries that exist, below 40 only.
    setSlot(world, 2, "Bob", 7.0f);
    restoreAchievements(&world, 2);
    auto entry = [&](const char *name) { return number(game, name); };
    EXPECT_EQ(entry("##profile_achievement_unlocked_03"), 703.0f);
    EXPECT_EQ(entry("##profile_achievement_unlocked_05"), 705.0f);
    EXPECT_EQ(entry("##profile_achievement_unread_39"), 779.0f);
    EXPECT_EQ(entry("##profile_achievement_unread_41"), 1.0f);
    EXPECT_EQ(entry("##profile_achievement_unread_counter"), 780.0f);
    EXPECT_EQ(findVariable(world.globalContext(), "##profile_achievement_unlocked_00"), nullptr);

    // Without the arrays, the record keeps what it had.
    auto other = freshWorld();
    setSlot(*other, 6, "Ann", 2.0f);
    setCurrentProfileIndex(other.get(), 6);
    copyAchievementsFromScripts(other.get());
    EXPECT_EQ(other->profiles[6].values[3].asNumber(), 203.0f);
}

TEST_F(ProfileListTest, ProfileVariablesStayOutOfSavedGamesAndRecordsCopyAsTheirRulesSay) {
    for (const char *name : {"##profile_name_01", "##profile_game_velt_completed_10", "##profile_name",
                             "##profile_difficulty"})
        EXPECT_EQ(findVariable(world.globalContext(), name)->saved, 0) << name;

    setSlot(world, 1, "Ann", 3.0f);
    world.profiles[1].slot(ProfileRecord::kName)->setNumber(5.0f);
    world.profiles[1].values[9].setPointer(kScriptText, "text");
    world.profiles[2].copyFrom(world.profiles[1]);
    const ScriptValue *copied = world.profiles[2].slot(ProfileRecord::kName);
    ASSERT_EQ(copied->type, kScriptText);
    EXPECT_STREQ(copied->text(), "");
    EXPECT_EQ(numberOf(world, 2, ProfileRecord::kDifficultyVelt), 3.0f + float(ProfileRecord::kDifficultyVelt));
    EXPECT_EQ(world.profiles[2].values[9].type, kScriptNumber);
    EXPECT_EQ(world.profiles[2].values[9].number, 0.0f);
    world.profiles[3].moveFrom(world.profiles[1]);
    EXPECT_EQ(world.profiles[3].slot(ProfileRecord::kName)->type, kScriptNone);
}

} // namespace
