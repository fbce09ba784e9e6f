#pragma once
// A small running world for the script runtime suites: a game context over tests/data (whose
// "data/game.cfg" the configuration lookups read), the global scene "game" and the scene "hall",
// scripts parsed from tests/data/scripts into a scene's context, declared and initialised, and a step
// that runs the five script passes over the contexts as the world's step will. The command handlers
// are the stand-ins of ScriptStandIns.h, bound for the suites' lifetime.

#include <cstdio>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "game/HoContext.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptParser.h"
#include "game/script/ScriptResolve.h"
#include "game/script/ScriptValueText.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"
#include "tests/game/script/ScriptStandIns.h"
#include "tests/game/script/ScriptTrace.h"

class ScriptRuntimeTest : public ::testing::Test, public ScriptStandIns {
protected:
    ScriptRuntimeTest() {
        registerKeywords(names);
        context.messageHook = {&ScriptRuntimeTest::collectMessage, this};
        game = addScene("game");
        world.globalScene = game;
        hall = addScene("hall");
        world.bindScriptGlobals();
    }

    // What the scripts print goes to the trace; every other message to the list.
    static void collectMessage(const char *text, void *argument) {
        auto *suite = static_cast<ScriptRuntimeTest *>(argument);
        if (!ScriptTrace::tracePrinted(text))
            suite->messages.push_back(text);
    }

    HoScene *addScene(const char *name, HoScene *parent = nullptr) {
        auto *scene = new HoScene(&world);
        const char *shortName = names.internOrFind(name);
        std::string identifier = parent ? std::string(parent->identifier) + "_" + name : name;
        scene->setNames(shortName, names.internOrFind(identifier.c_str()));
        scene->setParent(parent);
        world.scenes.append(scene);
        return scene;
    }
    // An element of the scene (of any world) with its "$name" variable, as the scene file makes them.
    SceneElement *addElement(HoScene *scene, const char *name) {
        SceneElement *element = scene->world->elementPool.allocate();
        element->scene = scene;
        element->name = names.internOrFind(name);
        element->selfSlot.setPointer(kScriptElement, element);
        scene->allElements.members.append(element);
        std::string variable = std::string("$") + name;
        findOrCreateVariable(&scene->script, variable.c_str(), nullptr)->value->setPointer(kScriptElement, element);
        return element;
    }

    // Parses tests/data/scripts/NAME.script into the scene's scripts.
    void loadScript(HoScene *scene, const std::string &name) {
        std::string path = "data/scripts/" + name + ".script";
        parser.parseScriptFile(path.c_str(), scene->script.scripts, names.internOrFind(name.c_str()), false);
    }
    void loadText(HoScene *scene, const std::string &text) {
        parser.parseScriptText(text.c_str(), scene->script.scripts, "inline test", false);
    }
    // Loads the scene's script, then runs its declaration and init passes.
    void prepare(HoScene *scene, const std::string &name) {
        loadScript(scene, name);
        declareSceneScripts(scene);
        runSceneInitBlocks(scene);
    }

    // One step of the world: the busy flag from the last step's count, "always" fired, then the five
    // passes over the global context and the other scenes' contexts.
    void step() {
        world.busy = world.busyCount > 0 ? 1 : 0;
        world.busyCount = 0;
        world.runningTaskCount = 0;
        findOrCreateEvent("always", world.globalContext())->fire();
        for (void (*pass)(ScriptContext *) : {tickAfterQueue, tickEvents, tickWaitQueue, runContextHandlers,
                                             clearEventFlags}) {
            for (int32_t i = 0; i < world.scenes.count(); ++i)
                pass(&world.scenes[i]->script);
        }
        ++stepCount;
    }
    // Runs the code as the handler of a new event of the scene, in one step.
    void runHandler(HoScene *scene, const std::string &code) {
        const std::string name = "handler_" + std::to_string(++handlerRuns);
        loadText(scene, "on " + name + " {\n" + code + "\n}\n");
        declareSceneScripts(scene);
        event(scene, name.c_str())->fire();
        step();
    }
    void steps(int count) {
        for (int i = 0; i < count; ++i)
            step();
    }

    ScriptVariable *variable(HoScene *scene, const char *name) {
        return findOrCreateVariable(&scene->script, name, nullptr);
    }
    float number(HoScene *scene, const char *name) {
        ScriptValue *value = variable(scene, name)->value;
        return value->type == kScriptNumber ? value->number : -999.0f;
    }
    ScriptTask *task(HoScene *scene, const char *name) { return findOrCreateTask(name, &scene->script); }
    ScriptEvent *event(HoScene *scene, const char *name) { return findOrCreateEvent(name, &scene->script); }
    // The data path is the tests folder before the context reads its configuration.
    struct TestData {
        TestData() {
            initSystem();
            std::snprintf(dataPath, sizeof dataPath, "%s/tests", LF_SOURCE_DIR);
        }
    } testData;
    HoContext context{nullptr};
    InternTable &names = context.interned;
    HoWorld world{&context};
    std::vector<std::string> messages;
    ScriptParser parser{names, world.scriptPools, world.messages()};
    HoScene *game = nullptr;
    HoScene *hall = nullptr;
    int stepCount = 0;
    int handlerRuns = 0;
};

