// The game saved where it saves itself: on entering a location (not the first one) and at exit; a save
// at the switch stopped at any byte leaves the old game or the new one whole.

#include "platform/FileHooks.h"
#include "tests/game/player/SavedGameWorldSupport.h"

namespace worldtest {
namespace {

using Bytes = std::vector<unsigned char>;

class SavedGameSwitch : public SavedGameWorldTest {
protected:
    // The hall's visits and the scene to start in that a world built from the saved game finds.
    std::pair<float, std::string> savedState() {
        HoWorld fresh(game->context);
        fresh.startup();
        setCurrentProfileIndex(&fresh, 2);
        if (!readSavedGame(&fresh, savePath().c_str()))
            return {-1.0f, "unreadable"};
        return {numberOf(variable(fresh.findScene("hall"), "#visits")),
                fresh.change.target ? fresh.change.target->identifier : "none"};
    }
    void setVisits(float visits) { variable(world().findScene("hall"), "#visits")->value->setNumber(visits); }
};

TEST_F(SavedGameSwitch, TheGameIsSavedOnEnteringALocationButNotTheFirstAndAtExit) {
    HoWorld &w = start();
    w.profiles[2].slot(ProfileRecord::kName)->setPointer(kScriptText, w.names().internOrFind("Mira"));
    setCurrentProfileIndex(&w, 2);
    frames(5);
    EXPECT_FALSE(std::filesystem::exists(savePath())) << "the first switch saves nothing";
    setVisits(3.0f);
    goTo("garden");
    EXPECT_EQ(savedState(), std::make_pair(3.0f, std::string("garden")));
    setVisits(4.0f);
    game->shutdown();
    game.reset();
    HoWorld &next = start();
    setCurrentProfileIndex(&next, 2);
    EXPECT_EQ(savedState(), std::make_pair(4.0f, std::string("garden")));
}

TEST_F(SavedGameSwitch, ASaveAtTheSwitchStoppedAtAnyByteLeavesTheOldGameOrTheNewOneWhole) {
    startInGarden();
    const std::string list = (std::filesystem::path(savePath()).parent_path() / "profiles.sav").string();
    const Bytes oldGame = lftest::readFileBytes(savePath());
    const Bytes oldList = lftest::readFileBytes(list);
    fileHooksReset();
    setVisits(4.0f);
    goTo("hall");
    const int64_t bytes = fileHooksBytesWritten();
    ASSERT_GT(bytes, 100);
    const char *next[] = {"garden", "hall"};
    int turn = 0, whole = 0;
    for (int64_t stop = 1; stop <= bytes + 1; stop += 1 + bytes / 40, ++turn) {
        SCOPED_TRACE("stopped at byte " + std::to_string(stop));
        lftest::writeFileBytes(savePath(), oldGame);
        lftest::writeFileBytes(list, oldList);
        const float visits = float(10 + turn);
        setVisits(visits);
        fileHooksReset();
        fileHooksStopWritesAt(stop);
        goTo(next[turn % 2]);
        fileHooksStopWritesAt(0);
        fileHooksReset();
        const auto state = savedState();
        whole += state.first == visits ? 1 : 0;
        EXPECT_TRUE(state == std::make_pair(3.0f, std::string("garden")) ||
                    state == std::make_pair(visits, std::string(next[turn % 2])))
            << state.first << " " << state.second;
    }
    EXPECT_GT(whole, 0);
    EXPECT_LT(whole, turn);
}

} // namespace
} // namespace worldtest
