#pragma once
// The save-stream suites' world: the script runtime's test world (scenes "game" and "hall") with an
// element, a group, an inventory item, a sound and script records to refer to, and the save files'
// folder with its helpers.

#include <string>

#include "engine/system/KSystemLog.h"
#include "game/player/HoInventoryItem.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "tests/game/player/SaveFiles.h"
#include "tests/game/script/ScriptRuntimeSupport.h"

class SaveStreamTest : public ScriptRuntimeTest, public SaveFiles {
protected:
    SaveStreamTest() {
        door = addElement(hall, "door");
        doorGroup.init(hall, names.internOrFind("doors"));
        doorGroup.members.append(door);
        hall->groups.append(&doorGroup);
        lantern = new HoInventoryItem("lantern", &world);
        world.inventoryItems.append(lantern);
        bell = context.resources->getSound("data/sounds/bell.ogg", false);
        clearLogContents();
    }

    bool save(const std::string &name, const Body &body, int32_t version = SaveStream::kVersion) {
        return saveFrom(&world, name, body, version);
    }
    // Reads into this world unless another is given.
    bool load(const std::string &name, const Body &body, HoWorld *into = nullptr) {
        return loadInto(into ? into : &world, name, body);
    }
    // A scene of another world, as a world built for loading a game has its own scenes.
    HoScene *addSceneTo(HoWorld &other, const char *name) {
        auto *scene = new HoScene(&other);
        const char *interned = names.internOrFind(name);
        scene->setNames(interned, interned);
        other.scenes.append(scene);
        return scene;
    }

    SceneElement *door = nullptr;
    SceneGroup doorGroup;
    HoInventoryItem *lantern = nullptr;
    HoSound *bell = nullptr;
};
