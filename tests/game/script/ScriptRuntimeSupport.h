#pragma once
// A small running world for the script runtime suites: a game context over tests/data (whose
// "data/game.cfg" the configuration lookups read), the global scene "game" and the scene "hall",
// scripts parsed from tests/data/scripts into a scene's context, declared and initialised, and a step
// that runs the five script passes over the contexts as the world's step will. The command handlers
// are stand-ins bound to a few rows for the suites' lifetime: enough commands to observe the runtime
// (print into a trace, set, add, call, after, signal, wait, abort, on, the task states and on_click).

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

class ScriptRuntimeTest : public ::testing::Test {
public:
    // What the stand-in handlers write and read.
    std::vector<std::string> trace;
    SceneElement *clickedElement = nullptr;
    inline static ScriptRuntimeTest *current = nullptr;

protected:
    ScriptRuntimeTest() {
        initScriptCommandTable();
        registerKeywords(names);
        context.messageHook = {&ScriptRuntimeTest::collectMessage, &messages};
        game = addScene("game");
        world.globalScene = game;
        hall = addScene("hall");
        world.bindScriptGlobals();
        bindHandlers();
        current = this;
    }
    ~ScriptRuntimeTest() override {
        for (auto &[row, handler] : savedHandlers)
            row->handler = handler;
        current = nullptr;
    }

    static void collectMessage(const char *text, void *argument) {
        static_cast<std::vector<std::string> *>(argument)->push_back(text);
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
    // An element of the scene with its "$name" variable, as the scene file makes them.
    SceneElement *addElement(HoScene *scene, const char *name) {
        SceneElement *element = world.elementPool.allocate();
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
    // The trace since the last take, emptied.
    std::vector<std::string> takeTrace() { return std::exchange(trace, {}); }

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

private:
    void bind(const char *word, ScriptCommandHandler handler);
    void bindHandlers();
    std::vector<std::pair<ScriptCommand *, ScriptCommandHandler>> savedHandlers;
};

// The stand-in handlers. They follow the commands' rules only as far as the suites need them.
namespace script_runtime_test {

inline ScriptValue *param(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return getStatementParam(context, statement, i);
}
inline float numberParam(ScriptContext *context, ScriptStatement *statement, int32_t i, float otherwise) {
    ScriptValue *value = getStatementNumberParam(context, statement, i);
    return value ? value->number : otherwise;
}
template <typename Record>
Record *objectParam(ScriptContext *context, ScriptStatement *statement, int32_t i, int32_t type) {
    ScriptValue *value = param(context, statement, i);
    return value && value->type == type ? static_cast<Record *>(value->pointer) : nullptr;
}
inline int32_t ticksOf(float seconds) {
    return roundToInt(seconds * 100.0f);
}

// print: the given parameters joined by blanks, into the trace.
inline void print(ScriptContext *context, ScriptStatement *statement) {
    std::string text;
    for (int32_t i = 0; i < statement->paramCount(); ++i) {
        if (statement->params[i].type == kScriptNone)
            continue;
        if (!text.empty())
            text += ' ';
        valueToText(*param(context, statement, i), text);
    }
    ScriptRuntimeTest::current->trace.push_back(text);
}
inline void set(ScriptContext *context, ScriptStatement *statement) {
    ScriptValue *target = resolveValue(context, &statement->params[0], true);
    ScriptValue *source = param(context, statement, 1);
    if (target)
        *target = source ? *source : ScriptValue();
}
inline void add(ScriptContext *context, ScriptStatement *statement) {
    ScriptValue *target = resolveValue(context, &statement->params[0], true);
    if (target)
        target->setNumber((target->type == kScriptNumber ? target->number : 0.0f) + numberParam(context, statement, 1, 0.0f));
}
// call: the arguments bound to the formal parameters for the call, put back afterwards.
inline void call(ScriptContext *context, ScriptStatement *statement) {
    ScriptFunction *function = objectParam<ScriptFunction>(context, statement, 0, kScriptFunction);
    if (!function || !function->declaration) {
        if (function)
            callScriptFunction(function, false, statement);
        return;
    }
    std::vector<std::pair<ScriptValue *, ScriptValue>> saved;
    std::vector<ScriptValue> arguments;
    for (int32_t i = 1; i <= 8; ++i)
        arguments.push_back(statement->params[i].type == kScriptNone ? ScriptValue() : *param(context, statement, i));
    for (int32_t i = 1; i <= 8; ++i) {
        ScriptValue &formal = function->declaration->params[i];
        if (formal.type != kScriptVariableRef || statement->params[i].type == kScriptNone)
            continue;
        ScriptValue *slot = static_cast<ScriptVariable *>(formal.pointer)->value;
        saved.emplace_back(slot, *slot);
        *slot = arguments[size_t(i - 1)];
    }
    callScriptFunction(function, false, nullptr);
    for (auto &[slot, value] : saved)
        *slot = value;
}
inline void after(ScriptContext *context, ScriptStatement *statement, bool fx) {
    PendingBlock *record = makePendingBlock(context, statement, 1, fx);
    if (!record)
        return;
    record->ticks = ticksOf(numberParam(context, statement, 0, 0.0f));
    context->afterQueue.append(record);
    if (!fx)
        ++context->world->busyCount;
}
inline void signal(ScriptContext *context, ScriptStatement *statement) {
    ScriptEvent *event = objectParam<ScriptEvent>(context, statement, 0, kScriptEvent);
    if (!event)
        return;
    int32_t ticks = ticksOf(numberParam(context, statement, 1, 0.0f));
    if (ticks > 0)
        event->ticks = ticks;
    else
        event->fire();
}
inline void wait(ScriptContext *context, ScriptStatement *statement) {
    ScriptEvent *event = objectParam<ScriptEvent>(context, statement, 0, kScriptEvent);
    PendingBlock *record = event ? makePendingBlock(context, statement, 1, false) : nullptr;
    if (!record)
        return;
    event->waitedOn = 1;
    record->event = event;
    context->waitQueue.append(record);
}
inline void abort(ScriptContext *context, ScriptStatement *statement) {
    if (ScriptEvent *event = objectParam<ScriptEvent>(context, statement, 0, kScriptEvent))
        event->ticks = 0;
}
inline void on(ScriptContext *context, ScriptStatement *statement) {
    ScriptEvent *event = objectParam<ScriptEvent>(context, statement, 0, kScriptEvent);
    if (event && event->fired && roundToInt(event->active.type == kScriptNumber ? event->active.number : 0.0f) > 0)
        runBlockInScope(context, statement, 1, true);
}
inline void setTaskState(ScriptContext *context, ScriptStatement *statement, int32_t state) {
    ScriptTask *task = objectParam<ScriptTask>(context, statement, 0, kScriptTask);
    if (!task)
        task = context->world->currentTask;
    if (!task)
        return;
    task->state = state;
    if (state == kTaskCompleted)
        task->isCompleted.setNumber(1.0f);
}
inline void onClick(ScriptContext *context, ScriptStatement *statement) {
    ScriptTask *task = context->world->currentTask;
    if (!task || !task->element || task->element != ScriptRuntimeTest::current->clickedElement)
        return;
    task->state = kTaskHandlerRunning;
    runBlockInScope(context, statement, 1, true);
    checkTaskState(task);
}
inline void onCompleted(ScriptContext *context, ScriptStatement *statement) {
    HoWorld *world = context->world;
    ScriptTask *task = world->currentTask;
    if (world->inputDispatch || world->hintProbe || !task || task->state != kTaskCompleted || !task->pending.empty())
        return;
    task->state = kTaskCompletionHandled;
    world->taskStateChanged = 1;
    runBlockInScope(context, statement, 0, true);
}

} // namespace script_runtime_test

inline void ScriptRuntimeTest::bind(const char *word, ScriptCommandHandler handler) {
    auto *row = const_cast<ScriptCommand *>(findScriptCommand(names.findInterned(word)));
    ASSERT_NE(row, nullptr) << word;
    savedHandlers.emplace_back(row, row->handler);
    row->handler = handler;
}

inline void ScriptRuntimeTest::bindHandlers() {
    using namespace script_runtime_test;
    bind("print", print);
    bind("set", set);
    bind("add", add);
    bind("call", call);
    bind("do", [](ScriptContext *context, ScriptStatement *statement) { runBlockInScope(context, statement, 0, true); });
    bind("after", [](ScriptContext *context, ScriptStatement *statement) { after(context, statement, false); });
    bind("after_fx", [](ScriptContext *context, ScriptStatement *statement) { after(context, statement, true); });
    bind("signal", signal);
    bind("wait", wait);
    bind("abort", abort);
    bind("on", on);
    bind("enable", [](ScriptContext *context, ScriptStatement *statement) { setTaskState(context, statement, kTaskEnabled); });
    bind("disable", [](ScriptContext *context, ScriptStatement *statement) { setTaskState(context, statement, kTaskDisabled); });
    bind("complete", [](ScriptContext *context, ScriptStatement *statement) { setTaskState(context, statement, kTaskCompleted); });
    bind("on_click", onClick);
    bind("on_completed", onCompleted);
}
