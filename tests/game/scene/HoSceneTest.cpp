// The scene record: what a new scene holds, its look-ups by name (which never intern), the scene
// globals it sets for its passes, and what its destruction frees.

#include <string>

#include "game/HoGameSettings.h"
#include "tests/game/script/ScriptRuntimeSupport.h"

namespace {

class HoSceneTest : public ScriptRuntimeTest {};

TEST_F(HoSceneTest, ANewSceneHasItsContextItsAllElementsGroupAndTheCameraAtTheViewCentre) {
    ScreenValues saved = screenValues;
    screenValues.halfWidth = 640.0f;
    screenValues.halfHeight = 480.0f;
    screenValues.artScale = 0.5f;
    screenValues.viewOffsetX = 256.0f;
    screenValues.viewOffsetY = 0.0f;
    HoScene *scene = addScene("attic");
    screenValues = saved;
    EXPECT_EQ(scene->cameraScale, 1.0f);
    EXPECT_EQ(scene->cameraX, 1536.0f);
    EXPECT_EQ(scene->cameraY, 960.0f);
    EXPECT_EQ(scene->allElements.name, names.findInterned("*"));
    EXPECT_EQ(scene->allElements.scene, scene);
    EXPECT_EQ(scene->allElements.value.pointer, &scene->allElements);
    EXPECT_EQ(scene->allElements.members.growStep(), 50);

    ScriptContext &script = scene->script;
    EXPECT_EQ(script.world, &world);
    EXPECT_EQ(script.scene, scene);
    EXPECT_EQ(variable(scene, "#scene")->value, &script.sceneValue);
    EXPECT_EQ(script.sceneValue.pointer, scene);
    EXPECT_EQ(script.onEscape, findOrCreateFunction("on_escape", &script));
    EXPECT_EQ(script.onDummyClick, findOrCreateFunction("on_dummy_click", &script));
    EXPECT_NE(script.scripts, nullptr);
    EXPECT_EQ(scene->value.pointer, scene);
    EXPECT_EQ(scene->localNameValue.text(), std::string("attic"));
}

TEST_F(HoSceneTest, LookUpsByNameNeverIntern) {
    SceneElement *door = addElement(hall, "door");
    SceneElement *secondDoor = addElement(hall, "door"); // a second of the name: the first is found
    SceneElement *lamp = addElement(hall, "lamp");
    SceneGroup group;
    group.init(hall, names.internOrFind("keys"));
    hall->groups.append(&group);
    int32_t interned = names.count();
    EXPECT_EQ(hall->findElement("door"), door);
    EXPECT_EQ(hall->findGroup("keys"), &group);
    EXPECT_EQ(hall->findElement("keys"), nullptr);
    EXPECT_EQ(hall->findElement("never_named"), nullptr);
    EXPECT_EQ(hall->findGroup("never_named"), nullptr);
    EXPECT_EQ(world.findScene("never_named"), nullptr);
    EXPECT_EQ(world.findScene("hall"), hall);
    EXPECT_EQ(hall->findElement(nullptr), nullptr);
    EXPECT_EQ(names.count(), interned);
    // The draw order sorts the list in place: the first of a shared name is then the other one.
    PtrArray<SceneElement> &elements = hall->allElements.members;
    elements.set(0, lamp);
    elements.set(1, secondDoor);
    elements.set(2, door);
    EXPECT_EQ(hall->findElement("door"), secondDoor);
    EXPECT_EQ(hall->findElement("lamp"), lamp);
}

TEST_F(HoSceneTest, TheScenePassesSetTheSceneGlobalsAndClearThemAfterwards) {
    HoScene *desk = addScene("zz_desk", hall);
    HoScene *drawer = addScene("drawer", desk);
    EXPECT_EQ(world.findScene("hall_zz_desk"), desk);
    world.setSceneGlobals(drawer);
    EXPECT_EQ(world.activeSceneSlot->pointer, drawer);
    EXPECT_EQ(world.mainSceneSlot->pointer, desk);
    EXPECT_EQ(world.rootSceneSlot->pointer, hall);
    loadText(desk, "init {\n  print #scene ##active_scene ##main_scene ##root_scene\n}\n");
    declareSceneScripts(desk);
    runSceneInitBlocks(desk);
    EXPECT_EQ(takeTrace(), (std::vector<std::string>{"c'hall_zz_desk c'hall_zz_desk c'hall c'hall"}));
    EXPECT_EQ(world.activeSceneSlot->type, kScriptNone);
    EXPECT_EQ(world.rootSceneSlot->type, kScriptNone);
}

TEST_F(HoSceneTest, DestroyingASceneFreesItsQueuedBlocks) {
    HoScene *attic = addScene("attic");
    loadText(attic, "on go {\n  after 10 {\n    print late\n  }\n  wait !never {\n    print never\n  }\n}\n");
    declareSceneScripts(attic);
    event(attic, "go")->fire();
    step();
    EXPECT_EQ(attic->script.afterQueue.count(), 1);
    EXPECT_EQ(attic->script.waitQueue.count(), 1);
    world.scenes.removeAt(world.scenes.indexOf(attic));
    delete attic; // LeakSanitizer reports what it would leave
}

} // namespace
