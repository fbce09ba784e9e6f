// A scene built again from its files by goto_clean, asked for by one of its own handlers: the handler
// runs to its end, the rebuild waits for the end of the step, what the old scene had queued never runs,
// and the new scene is declared and initialised once.

#include "tests/game/world/WorldTestSupport.h"

#include "game/script/ScriptEvent.h"
#include "tests/game/script/ScriptStandIns.h"

namespace worldtest {
namespace {

class WorldSceneRebuild : public WorldGameTest, public ScriptStandIns {
protected:
    void SetUp() override {
        WorldGameTest::SetUp();
        writeSceneList({"data/system/hud/hud", "data/scenes/hall/hall"});
        archives->write("data/game.cfg", "startup=hall\n");
        archives->write("data/scenes/hall/hall.scene", "O lamp\nO door\n");
        archives->write("data/scenes/hall/hall.script",
                        "init {\n print init hall\n}\n"
                        "on rebuild {\n after 0.05 {\n  print late\n }\n wait !never {\n  print woken\n }\n"
                        " goto_clean c'hall\n print still running\n}\n");
    }
};

TEST_F(WorldSceneRebuild, AHandlerRebuildsItsOwnSceneAtTheEndOfTheStep) {
    HoWorld &w = start();
    for (int i = 0; i < 200 && (i < 2 || w.change.state != kChangeIdle || w.busy); ++i)
        w.frame();
    HoScene *hall = w.findScene("hall");
    ASSERT_NE(hall, nullptr);
    SceneElement *oldLamp = hall->findElement("lamp");
    ScriptEvent *rebuild = findEvent(&hall->script, "rebuild");
    ASSERT_NE(rebuild, nullptr);
    takeTrace();

    rebuild->fire();
    w.frame();
    EXPECT_EQ(takeTrace(), (std::vector<std::string>{"still running", "init hall"}));
    SceneElement *newLamp = hall->findElement("lamp");
    ASSERT_NE(newLamp, nullptr);
    EXPECT_NE(newLamp, oldLamp);
    EXPECT_EQ(hall->allElements.members.count(), 2);
    EXPECT_EQ(w.change.target, hall);
    EXPECT_EQ(numberOf(variable(hall, "#singleplay")), 1.0f);
    EXPECT_TRUE(hall->script.afterQueue.empty());
    EXPECT_TRUE(hall->script.waitQueue.empty());

    for (int i = 0; i < 100; ++i)
        w.frame();
    for (const std::string &line : takeTrace())
        EXPECT_TRUE(line != "late" && line != "woken" && line != "init hall") << line;
}

} // namespace
} // namespace worldtest
