#include "game/script/ScriptExecution.h"

#include <string>

#include "game/scene/HoScene.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptErrors.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptResolve.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

namespace {

// The body of a "fun" statement.
constexpr int32_t kFunctionBody = 9;
// Its first formal parameter.
constexpr int32_t kFirstFormal = 1;
// The block of a "task" or "action" statement.
constexpr int32_t kTaskBlock = 2;

// Counts one level of script nesting while it lives; past the limit it reports the run by name and
// the run must do nothing.
class NestingGuard {
public:
    NestingGuard(HoWorld *world, const char *name) : world_(world) {
        if (world_->scriptNesting >= kMaxScriptNesting) {
            std::string message = std::string("Script nesting too deep: ") + (name ? name : "");
            reportScriptError(world_->messages(), 0, nullptr, message.c_str());
            world_ = nullptr;
            return;
        }
        ++world_->scriptNesting;
    }
    ~NestingGuard() {
        if (world_)
            --world_->scriptNesting;
    }
    NestingGuard(const NestingGuard &) = delete;
    NestingGuard &operator=(const NestingGuard &) = delete;

    bool entered() const { return world_ != nullptr; }

private:
    HoWorld *world_;
};

// The innermost function or hook running, else the scene whose scripts run.
const char *runningName(const ScriptContext *context) {
    if (context->world->runningFunctionName)
        return context->world->runningFunctionName;
    return context->scene ? context->scene->name : nullptr;
}

ScriptBlock *blockOf(const ScriptValue &value) {
    return value.type == kScriptBlock ? static_cast<ScriptBlock *>(value.pointer) : nullptr;
}

ScriptTask *taskOf(const ScriptValue &value) {
    return value.type == kScriptTask ? static_cast<ScriptTask *>(value.pointer) : nullptr;
}

// Whether a statement's handler runs in this walk: "on" and "on_completed" always; the others only
// while the world is not busy (or probing for a hint), element handlers only for an enabled task.
bool handlerMayRun(const HoWorld *world, int32_t kind) {
    if (kind == kScriptCommandEvent || kind == kScriptCommandCompleted)
        return true;
    if (world->busy && !world->hintProbe)
        return false;
    return kind != kScriptCommandElementHandler ||
           (world->currentTask && world->currentTask->state == kTaskEnabled);
}

// A task without an "on_completed" block of its own is handled once it is completed and nothing of it
// is pending, outside input dispatch and hint probes.
void settleCompletedTask(HoWorld *world, ScriptTask *task) {
    if (world->inputDispatch || world->hintProbe || task->hasOnCompleted || task->state != kTaskCompleted ||
        !task->pending.empty())
        return;
    task->state = kTaskCompletionHandled;
    world->taskStateChanged = 1;
}

void walkTask(ScriptContext *context, ScriptTask *task, ScriptBlock *block) {
    HoWorld *world = context->world;
    world->setCurrentTask(task);
    if (world->hintProbe && world->showHintSlot)
        world->showHintSlot->setNumber(1.0f);
    runObjectHandlers(context, block);
    settleCompletedTask(world, task);
}

// The task itself, or each of its sub-tasks in turn, made current for the visit.
template <typename Visit>
void forEachTaskInstance(HoWorld *world, ScriptTask *task, Visit visit) {
    if (task->subTasks.empty()) {
        visit(task);
    } else {
        for (int32_t i = 0; i < task->subTasks.count(); ++i)
            visit(task->subTasks[i]);
    }
    world->setCurrentTask(nullptr);
}

void runInitStatements(ScriptContext *context, ScriptBlock *block) {
    HoWorld *world = context->world;
    for (int32_t i = 0; i < block->statements.count(); ++i) {
        ScriptStatement *statement = block->statements[i];
        int32_t kind = statement->command->kind;
        if (kind == kScriptCommandInit) {
            runBlockInScope(context, statement, 0, true);
            continue;
        }
        ScriptTask *task = kind == kScriptCommandTask ? taskOf(statement->params[0]) : nullptr;
        ScriptBlock *taskBlock = task ? blockOf(statement->params[kTaskBlock]) : nullptr;
        if (!taskBlock)
            continue;
        forEachTaskInstance(world, task, [&](ScriptTask *instance) {
            world->setCurrentTask(instance);
            runInitStatements(context, taskBlock);
        });
    }
}

} // namespace

namespace {

void clearLocalValues(ScriptBlock *block) {
    if (!block || !block->locals)
        return;
    for (int32_t i = 0; i < block->locals->count(); ++i)
        block->locals->get(i)->value->clear();
}

} // namespace

void runBlock(ScriptContext *context, ScriptBlock *block) {
    if (!context || !block)
        return;
    NestingGuard guard(context->world, runningName(context));
    if (!guard.entered())
        return;
    // The count is read again every turn: a statement may change what the block holds.
    for (int32_t i = 0; i < block->statements.count(); ++i) {
        ScriptStatement *statement = block->statements[i];
        if (!statement || !statement->command || !statement->command->handler)
            continue;
        context->statement = statement;
        statement->command->handler(context, statement);
    }
    context->statement = nullptr;
}

void runBlockInScope(ScriptContext *context, ScriptStatement *statement, int32_t i, bool clearLocals) {
    ScriptValue *value = getStatementParam(context, statement, i);
    ScriptBlock *block = value ? blockOf(*value) : nullptr;
    if (!block)
        return;
    if (statement->command->signature[i] != 'B') {
        runBlock(context, block);
        return;
    }
    HoWorld *world = context->world;
    ScriptBlock *outer = world->currentLocalBlock;
    world->currentLocalBlock = block;
    if (clearLocals)
        clearLocalValues(block);
    runBlock(context, block);
    world->currentLocalBlock = outer;
}

namespace {

// Runs what the function does (the callable) under the nesting guard, with the function's task current
// and its name as the running function's.
template <typename Run>
void runAsFunction(ScriptFunction *function, Run run) {
    if (!function || !function->context)
        return;
    HoWorld *world = function->context->world;
    const char *name = function->name ? function->name : "";
    NestingGuard guard(world, name);
    if (!guard.entered())
        return;
    ScriptTask *callerTask = world->currentTask;
    const char *callerName = world->runningFunctionName;
    world->runningFunctionName = name;
    if (function->task)
        world->setCurrentTask(function->task);
    run();
    world->setCurrentTask(callerTask);
    world->runningFunctionName = callerName;
}

void runNative(ScriptFunction *function, ScriptStatement *argument) {
    function->native(function->nativeData ? function->nativeData : function->context, argument);
}

} // namespace

void callScriptFunction(ScriptFunction *function, bool clearLocals, ScriptStatement *nativeArgument) {
    runAsFunction(function, [&] {
        if (function->declaration)
            runBlockInScope(function->context, function->declaration, kFunctionBody, clearLocals);
        else if (function->native)
            runNative(function, nativeArgument);
    });
}

void callNativeFunction(ScriptFunction *function, ScriptStatement *call) {
    if (function && function->native)
        runAsFunction(function, [&] { runNative(function, call); });
}

void runNamedHook(ScriptFunction *function, const ScriptValue *value) {
    const ScriptValue given = value ? *value : ScriptValue();
    runNamedHookWithValues(function, &given, 1);
}

void runTextHook(ScriptContext *context, const char *name, const char *text) {
    ScriptFunction *function = context ? findFunction(context, name) : nullptr;
    if (!function)
        return;
    ScriptValue value;
    value.setPointer(kScriptText, context->world->names().internOrFind(text));
    runNamedHook(function, &value);
}

void runNamedHookWithValues(ScriptFunction *function, const ScriptValue *values, int32_t count) {
    callWithFormals(function, values, nullptr, count, false);
}

void callWithFormals(ScriptFunction *function, const ScriptValue *values, const bool *bound, int32_t count,
                     bool clearLocals) {
    if (!function || !function->declaration)
        return;
    constexpr int32_t kMostFormals = 8;
    ScriptStatement *declaration = function->declaration;
    if (clearLocals && declaration->paramCount() > kFunctionBody)
        clearLocalValues(blockOf(declaration->params[kFunctionBody]));
    ScriptValue *slots[kMostFormals] = {};
    ScriptValue saved[kMostFormals];
    for (int32_t i = 0; i < count && i < kMostFormals && kFirstFormal + i < declaration->paramCount(); ++i) {
        ScriptValue &formal = declaration->params[kFirstFormal + i];
        if ((bound && !bound[i]) || formal.type != kScriptVariableRef || !formal.pointer)
            continue;
        slots[i] = static_cast<ScriptVariable *>(formal.pointer)->value;
        saved[i] = *slots[i];
        *slots[i] = values[i];
    }
    callScriptFunction(function, false, nullptr);
    for (int32_t i = 0; i < kMostFormals; ++i) {
        if (slots[i])
            *slots[i] = saved[i];
    }
}

void runSceneInitBlocks(HoScene *scene) {
    if (!scene)
        return;
    HoWorld *world = scene->world;
    world->setSceneGlobals(scene);
    runInitStatements(&scene->script, scene->script.scripts);
    world->setSceneGlobals(nullptr);
}

void runObjectHandlers(ScriptContext *context, ScriptBlock *block) {
    if (!context || !block)
        return;
    HoWorld *world = context->world;
    ScriptBlock *outer = world->currentLocalBlock;
    world->currentLocalBlock = block;
    clearLocalValues(block);
    context->statement = nullptr;
    for (int32_t i = 0; i < block->statements.count(); ++i) {
        ScriptStatement *statement = block->statements[i];
        const ScriptCommand *command = statement->command;
        if (command->kind == kScriptCommandTask) {
            ScriptTask *task = taskOf(statement->params[0]);
            ScriptBlock *taskBlock = blockOf(statement->params[kTaskBlock]);
            if (task && taskBlock)
                forEachTaskInstance(world, task, [&](ScriptTask *instance) { walkTask(context, instance, taskBlock); });
        } else if (command->handler && handlerMayRun(world, command->kind)) {
            context->statement = statement;
            command->handler(context, statement);
        }
    }
    world->currentLocalBlock = outer;
}

void checkTaskState(ScriptTask *task) {
    if (!task || !task->context)
        return;
    HoWorld *world = task->context->world;
    if (task->state == kTaskHandlerRunning) {
        if (!task->isTask) {
            task->state = kTaskEnabled;
        } else {
            HoScene *scene = task->context->scene;
            std::string message = std::string("State of task ") + (task->name ? task->name : "") + " in script " +
                                  (scene && scene->name ? scene->name : "") + " is invalid!";
            reportScriptError(world->messages(), 0, nullptr, message.c_str());
            task->state = kTaskCompleted;
            task->isCompleted.setNumber(1.0f);
        }
    }
    if (task->context->scene && task->context->scene->refreshTasks)
        world->taskStateChanged = 1;
}
