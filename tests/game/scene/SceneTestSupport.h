#pragma once
// A small game for the scene suites: a data folder of loose files that the suite writes (scene files and
// scripts as text, pictures with ImageMagick), a game context over it on a software device, and a world
// whose scenes the suite makes as the world's factory would (name, folder, parent and kind flags) before
// loading their content. The content's base decides where drawing goes: a bare software device, or the
// window of a headless game.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game/HoContext.h"
#include "game/scene/HoScene.h"
#include "game/scene/PointList.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneFileLoader.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptKeywords.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "tests/game/resources/ResourcesTestSupport.h"
#include "tests/game/script/ScriptTrace.h"

template <typename Content>
class SceneFilesOver : public Content {
protected:
    using Content::context;

    SceneFilesOver() {
        initScriptCommandTable();
        context().messageHook = {&SceneFilesOver::collectMessage, this};
        newEmptyWorld();
        clearLogContents();
    }
    // A new world in place of the one so far, with only its global scene "game" and the script globals.
    void newEmptyWorld() {
        world = std::make_unique<HoWorld>(&context());
        globalScene = addScene("game", "data");
        world->globalScene = globalScene;
        world->bindScriptGlobals();
    }
    // The world goes before the context it was made over.
    void TearDown() override {
        world.reset();
        Content::TearDown();
    }

    // What the scripts print goes to the trace; every other message to the list.
    static void collectMessage(const char *text, void *argument) {
        auto *suite = static_cast<SceneFilesOver *>(argument);
        if (!ScriptTrace::tracePrinted(text))
            suite->messages.push_back(text);
    }

    InternTable &names() { return context().interned; }

    // A scene as the factory makes it: its class, names (the identifier joins the parent's), folder and parent.
    template <typename SceneClass = HoScene>
    SceneClass *addScene(const char *name, const char *folder, HoScene *parent = nullptr) {
        auto *scene = new SceneClass(world.get());
        std::string identifier = parent ? std::string(parent->identifier) + "_" + name : name;
        scene->setNames(names().internOrFind(name), names().internOrFind(identifier.c_str()));
        scene->setParent(parent);
        scene->folder = names().internOrFind(folder);
        world->scenes.append(scene);
        return scene;
    }
    // A scene of "data/scenes/<name>" with its content loaded.
    template <typename SceneClass = HoScene>
    SceneClass *loadScene(const char *name, HoScene *parent = nullptr) {
        std::string folder = std::string("data/scenes/") + name;
        SceneClass *scene = addScene<SceneClass>(name, folder.c_str(), parent);
        loadSceneContent(scene);
        return scene;
    }

    static float number(const ScriptValue &slot) { return slot.type == kScriptNumber ? slot.number : -999.0f; }
    static std::vector<std::string> namesOf(const PtrArray<SceneElement> &elements) {
        std::vector<std::string> result;
        for (int32_t i = 0; i < elements.count(); ++i)
            result.push_back(elements[i]->name);
        return result;
    }

    std::unique_ptr<HoWorld> world;
    std::vector<std::string> messages;
    HoScene *globalScene = nullptr;
};

using SceneFilesTest = SceneFilesOver<restest::DrawnContent>;
