#pragma once
// The save-stream suites' world: the script runtime's test world (scenes "game" and "hall") with an
// element, a group, an inventory item, a sound and script records to refer to, a scratch folder that
// stands for the application-data folder (absolute save paths must lie under it), and helpers that
// write a body into a file and read it back.

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/system/KSystemLog.h"
#include "game/player/HoInventoryItem.h"
#include "game/player/SaveStream.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "platform/FileHooks.h"
#include "tests/game/script/ScriptRuntimeSupport.h"
#include "tests/support/TestSupport.h"

class SaveStreamTest : public ScriptRuntimeTest {
protected:
    using Body = std::function<bool(SaveStream &)>;

    SaveStreamTest() {
        const char *previous = std::getenv("XDG_DATA_HOME");
        previousDataHome = previous ? previous : "";
        hadDataHome = previous != nullptr;
        setenv("XDG_DATA_HOME", folder.str().c_str(), 1);
        fileHooksReset();
        door = addElement(hall, "door");
        doorGroup.init(hall, names.internOrFind("doors"));
        doorGroup.members.append(door);
        hall->groups.append(&doorGroup);
        lantern = new HoInventoryItem("lantern", &world);
        world.inventoryItems.append(lantern);
        bell = context.resources->getSound("data/sounds/bell.ogg", false);
        clearLogContents();
    }
    ~SaveStreamTest() override {
        fileHooksFailChange(0, false);
        fileHooksStopWritesAt(0);
        if (hadDataHome)
            setenv("XDG_DATA_HOME", previousDataHome.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }

    std::string pathOf(const std::string &name) const { return (folder / name).string(); }
    std::vector<unsigned char> fileBytes(const std::string &name) const { return lftest::readFileBytes(folder / name); }

    // Writes the body at the version into the file through the crash-safe writer.
    bool save(const std::string &name, const Body &body, int32_t version = SaveStream::kVersion) {
        SaveStream stream(&world);
        return stream.openWrite(version) && body(stream) && stream.flushToFile(pathOf(name).c_str());
    }
    // Opens the file and reads the body into `into` (this world unless another is given).
    bool load(const std::string &name, const Body &body, HoWorld *into = nullptr) {
        SaveStream stream(into ? into : &world);
        return stream.openRead(pathOf(name).c_str()) && body(stream);
    }
    // A scene of another world, as a world built for loading a game has its own scenes.
    HoScene *addSceneTo(HoWorld &other, const char *name) {
        auto *scene = new HoScene(&other);
        const char *interned = names.internOrFind(name);
        scene->setNames(interned, interned);
        other.scenes.append(scene);
        return scene;
    }

    lftest::TempDir folder;
    SceneElement *door = nullptr;
    SceneGroup doorGroup;
    HoInventoryItem *lantern = nullptr;
    HoSound *bell = nullptr;

private:
    std::string previousDataHome;
    bool hadDataHome = false;
};
