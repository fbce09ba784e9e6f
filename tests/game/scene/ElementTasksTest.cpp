// What element names generate: the links to the scenes they name, their named values, and the task
// texts parsed at the front of the scene's scripts, declared with the game data's includes (here the
// suite's own small ones) without a message.

#include "game/scene/ElementTasks.h"

#include "game/scene/ElementMedia.h"
#include "game/scene/ElementPickInfo.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "tests/game/scene/SceneTestSupport.h"

namespace {

class ElementTasksTest : public SceneFilesTest {
protected:
    ElementTasksTest() {
        for (const char *include : {"task_iz", "task_portal"})
            write(std::string("data/scripts/") + include + ".script", "on_click {\n}\n");
        for (const char *include : {"task_inventory", "task_ho", "task_zz", "task_mho", "task_dialog"})
            write(std::string("data/scripts/") + include + ".script", "on_click {\n}\non_completed {\n}\n");
    }

    // Makes the scene's elements generate their tasks, then declares the scene's scripts.
    void generateAndDeclare(HoScene *scene) {
        for (int32_t i = 0; i < scene->allElements.members.count(); ++i) {
            setupElementMedia(scene->allElements.members[i]);
            generateElementTasks(scene->allElements.members[i]);
        }
        declareSceneScripts(scene);
    }
    std::vector<std::string> topLevelTasks(HoScene *scene) {
        std::vector<std::string> tasks;
        ScriptBlock *top = scene->script.scripts;
        for (int32_t i = 0; i < top->statements.count(); ++i) {
            const ScriptValue &first = top->statements[i]->params[0];
            std::string word = top->statements[i]->command->word;
            tasks.push_back(word + " " + (first.type == kScriptTask ? static_cast<ScriptTask *>(first.pointer)->name : "?"));
        }
        return tasks;
    }
    ScriptTask *task(HoScene *scene, const char *name) { return findOrCreateTask(name, &scene->script); }
    const ScriptValue *named(HoScene *scene, const char *element, const char *value) {
        return scene->findElement(element)->findNamedValue(value, false);
    }
};

TEST_F(ElementTasksTest, ALocationsElementsGenerateTheirTasksAndLinks) {
    HoScene *attic = addScene("attic", "data/scenes/attic");
    attic->isTopLevel = 1;
    write("data/scenes/hall/hall.scene", "O iz_lamp\nO coin_01:inventory\nO portal_attic:back\nO portal_cellar:up\n"
                                         "O ho_desk\nO zz_drawer\nO mhouse\nO dialog_cat\nO mg_chess\nO plain\n");
    HoScene *hall = addScene("hall", "data/scenes/hall");
    hall->isTopLevel = 1;
    HoScene *desk = addScene("ho_desk", "data/scenes/hall/ho_desk", hall);
    HoScene *drawer = addScene("zz_drawer", "data/scenes/hall/zz_drawer", hall);
    HoScene *house = addScene("mhouse", "data/scenes/hall/mhouse", hall);
    HoScene *chess = addScene("mg_chess", "data/scenes/hall/mg_chess", hall);
    loadSceneContent(hall);
    generateAndDeclare(hall);
    EXPECT_TRUE(messages.empty()) << messages.front();

    // Each text went in at the front, so the last element's comes first.
    EXPECT_EQ(topLevelTasks(hall),
              (std::vector<std::string>{"task dialog_cat", "task mhouse", "task zz_drawer", "task ho_desk",
                                        "action portal_cellar", "action portal_attic", "task coin_01",
                                        "action iz_lamp"}));
    EXPECT_EQ(hall->findElement("iz_lamp")->tooltipKey, names().findInterned("hall_iz_lamp"));
    for (const char *name : {"iz_lamp", "coin_01", "portal_attic", "ho_desk", "zz_drawer", "mhouse", "dialog_cat"}) {
        ScriptTask *declared = task(hall, name);
        EXPECT_EQ(declared->element, hall->findElement(name)) << name;
        EXPECT_EQ(declared->state, kTaskDisabled) << name;
    }
    EXPECT_EQ(task(hall, "portal_attic")->isTask, 0);
    EXPECT_EQ(task(hall, "coin_01")->isTask, 1);

    SceneElement *portal = hall->findElement("portal_attic");
    EXPECT_EQ(portal->portalScene, attic);
    EXPECT_EQ(portal->backPortal, 1);
    EXPECT_EQ(named(hall, "portal_attic", "portal_scene")->pointer, attic);
    EXPECT_EQ(number(*named(hall, "portal_attic", "pointer_index")), 7.0f);
    // A portal to a missing scene still names a scene value, with no scene.
    EXPECT_EQ(named(hall, "portal_cellar", "portal_scene")->type, kScriptScene);
    EXPECT_EQ(named(hall, "portal_cellar", "portal_scene")->pointer, nullptr);
    EXPECT_EQ(number(*named(hall, "portal_cellar", "pointer_index")), 2.0f);
    EXPECT_EQ(hall->findElement("portal_cellar")->backPortal, 0);

    EXPECT_EQ(hall->findElement("ho_desk")->hoScene, desk);
    EXPECT_EQ(findOrCreateVariable(&desk->script, "#ho_task", nullptr)->value->pointer, task(hall, "ho_desk"));
    // The task's init block names its hidden-object scene.
    EXPECT_EQ(task(hall, "ho_desk")->declaration->params[2].type, kScriptBlock);

    EXPECT_EQ(hall->findElement("zz_drawer")->zoomZoneScene, drawer);
    EXPECT_EQ(named(hall, "zz_drawer", "zz_scene")->pointer, drawer);
    EXPECT_EQ(findOrCreateVariable(&drawer->script, "#zz_task", nullptr)->value->pointer, task(hall, "zz_drawer"));
    EXPECT_EQ(drawer->parent, hall);

    SceneElement *mhouse = hall->findElement("mhouse");
    EXPECT_EQ(mhouse->zoomZoneScene, house);
    EXPECT_EQ(mhouse->hoScene, house);
    EXPECT_EQ(findOrCreateVariable(&house->script, "#zz_task", nullptr)->value->pointer, task(hall, "mhouse"));
    EXPECT_EQ(findOrCreateVariable(&house->script, "#ho_task", nullptr)->value->pointer, task(hall, "mhouse"));

    EXPECT_EQ(named(hall, "mg_chess", "goto_scene")->pointer, chess);
    EXPECT_EQ(hall->findElement("plain")->namedValues.count(), 0);
}

TEST_F(ElementTasksTest, AHiddenObjectScenesItemsGetPickRecordsAndZonesWithoutThemselvesGenerateNothing) {
    HoScene *hall = addScene("hall", "data/scenes/hall");
    hall->isTopLevel = 1;
    write("data/scenes/hall/ho_desk/ho_desk.scene", "O ho_cup|ho_mug\nO ho_key\nO picked_ho_cup\nO target_box\n"
                                                    "O zz_tray\nO lamp\n");
    write("data/texts/Localization.xml", "<Workbook><Worksheet><Table><Row><Cell><Data>hall_ho_key</Data></Cell>"
                                         "<Cell><Data>Key</Data></Cell></Row></Table></Worksheet></Workbook>");
    context().loadLocalization();
    write("data/scenes/hall/zz_tray/zz_tray.scene", "O zz_tray\nO mhouse\n");
    HoScene *desk = addScene("ho_desk", "data/scenes/hall/ho_desk", hall);
    desk->isHo = 1;
    HoScene *tray = addScene("zz_tray", "data/scenes/hall/zz_tray", hall);
    tray->isZoomZone = 1;
    loadSceneContent(desk);
    loadSceneContent(tray);
    generateAndDeclare(desk);
    generateAndDeclare(tray);
    EXPECT_TRUE(messages.empty()) << messages.front();

    for (const char *name : {"ho_cup|ho_mug", "picked_ho_cup", "target_box"}) {
        ElementPickInfo *pick = desk->findElement(name)->pickInfo;
        ASSERT_NE(pick, nullptr) << name;
        EXPECT_EQ(pick->display, desk->findElement(name));
    }
    EXPECT_EQ(desk->findElement("lamp")->pickInfo, nullptr);
    // The key is the parent scene's name and the element's, up to a '|'.
    EXPECT_NE(getLogContents().find("Missing localization for hall_ho_cup\n"), std::string::npos);
    EXPECT_EQ(getLogContents().find("Missing localization for hall_ho_key"), std::string::npos);
    EXPECT_NE(desk->findElement("ho_key")->pickInfo, nullptr);
    // The zone of a hidden-object scene becomes its child.
    EXPECT_EQ(tray->parent, desk);
    EXPECT_EQ(topLevelTasks(desk), std::vector<std::string>{"task zz_tray"});
    // A zone element naming its own scene, or a missing one, makes nothing.
    EXPECT_EQ(topLevelTasks(tray), std::vector<std::string>{});
    EXPECT_EQ(tray->findElement("zz_tray")->namedValues.count(), 0);
}

} // namespace
