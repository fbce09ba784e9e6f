#pragma once
// Running scenes for the lifecycle and update suites: scenes loaded from the scene files and scripts
// that a suite writes, started in the world's order (every scene's properties applied, then every
// scene's declarations, then every scene's init blocks), and a step of the suites' own that runs the
// world's five script passes and then every scene's update. Script words are the stand-ins.

#include <string>

#include "game/scene/SceneScripts.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptVariable.h"
#include "tests/game/scene/SceneTestSupport.h"
#include "tests/game/script/ScriptStandIns.h"

template <typename Content>
class SceneRuntimeOver : public SceneFilesOver<Content>, public ScriptStandIns {
protected:
    using Files = SceneFilesOver<Content>;
    using Files::addScene;
    using Files::world;
    using Content::write;

    // A scene of "data/scenes/<name>" with its scripts and its scene file, as the world loads each.
    HoScene *loadRunningScene(const char *name, HoScene *parent = nullptr) {
        std::string folder = std::string("data/scenes/") + name;
        HoScene *scene = addScene(name, folder.c_str(), parent);
        loadSceneScripts(&scene->script);
        loadSceneContent(scene);
        return scene;
    }
    void writeScene(const std::string &name, const std::string &sceneFile, const std::string &script = "") {
        write("data/scenes/" + name + "/" + name + ".scene", sceneFile);
        if (!script.empty())
            write("data/scenes/" + name + "/" + name + ".script", script);
    }
    // What the world does once every scene is loaded.
    void startScenes() {
        for (int32_t i = 0; i < world->scenes.count(); ++i)
            world->scenes[i]->applySceneProperties();
        for (int32_t i = 0; i < world->scenes.count(); ++i)
            declareSceneScripts(world->scenes[i]);
        for (int32_t i = 0; i < world->scenes.count(); ++i)
            runSceneInitBlocks(world->scenes[i]);
    }

    // One world step: the busy flag from the last step's count, the five script passes over every
    // scene's context, then every scene's update.
    void step() {
        world->busy = world->busyCount > 0 ? 1 : 0;
        world->busyCount = 0;
        for (void (*pass)(ScriptContext *) : {tickAfterQueue, tickEvents, tickWaitQueue, runContextHandlers,
                                             clearEventFlags}) {
            for (int32_t i = 0; i < world->scenes.count(); ++i)
                pass(&world->scenes[i]->script);
        }
        for (int32_t i = 0; i < world->scenes.count(); ++i)
            world->scenes[i]->update();
    }
    void steps(int count) {
        for (int i = 0; i < count; ++i)
            step();
    }

    // Fires the scene's event as the world fires its own (made when the scripts never named it).
    void signal(HoScene *scene, const char *name) { findOrCreateEvent(name, &scene->script)->fire(); }
    ScriptValue *variableSlot(HoScene *scene, const char *name) {
        return findOrCreateVariable(&scene->script, name, nullptr)->value;
    }
};

using SceneRuntimeTest = SceneRuntimeOver<restest::DrawnContent>;
