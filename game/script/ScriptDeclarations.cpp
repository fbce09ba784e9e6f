// The declaration pass over a scene's parsed scripts: every token is resolved once, then functions,
// tasks, actions and handlers are declared, with a message for each statement that stands where it
// cannot work.

#include <string>

#include "game/scene/HoScene.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptErrors.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptReference.h"
#include "game/script/ScriptResolve.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

namespace {

constexpr int32_t kFunctionBody = 9;
constexpr int32_t kTaskElement = 1;
constexpr int32_t kTaskBlock = 2;

// Declaration messages carry no line: "Error: " and the text.
void report(ScriptContext *context, const std::string &message) {
    reportScriptError(context->world->messages(), 0, nullptr, message.c_str());
}

std::string nameText(const char *name) {
    return name ? name : "";
}

std::string sceneNameOf(const ScriptContext *context) {
    return context->scene ? nameText(context->scene->name) : "";
}

ScriptBlock *blockOf(const ScriptValue &value) {
    return value.type == kScriptBlock ? static_cast<ScriptBlock *>(value.pointer) : nullptr;
}

void resolveBlock(ScriptContext *context, ScriptBlock *block);

// Runs the resolution with the block as the current local block, so that '%' names are its locals.
template <typename Resolve>
void inLocalScope(HoWorld *world, ScriptBlock *block, Resolve resolve) {
    ScriptBlock *outer = world->currentLocalBlock;
    world->currentLocalBlock = block;
    resolve();
    world->currentLocalBlock = outer;
}

// The formal parameters of a "fun" become the first locals of its body, in order.
void bindFormalParameters(ScriptContext *context, ScriptStatement *statement) {
    ScriptBlock *body = blockOf(statement->params[kFunctionBody]);
    if (!body)
        return;
    inLocalScope(context->world, body, [&] {
        for (int32_t i = 1; i < kFunctionBody; ++i) {
            ScriptValue &formal = statement->params[i];
            if (formal.type != kScriptText || !formal.text())
                continue;
            if (formal.text()[0] != '%') {
                report(context, "Formal function parameters must start with % - " + nameText(formal.text()));
                continue;
            }
            if (ScriptVariable *variable = findOrCreateVariable(context, formal.text(), nullptr))
                formal.setPointer(kScriptVariableRef, variable);
        }
    });
}

void resolveStatement(ScriptContext *context, ScriptStatement *statement) {
    if (statement->command->kind == kScriptCommandFunction)
        bindFormalParameters(context, statement);
    const char *signature = statement->command->signature;
    for (int32_t i = 0; i < statement->paramCount(); ++i) {
        ScriptValue &slot = statement->params[i];
        if (slot.type == kScriptToken) {
            resolveParameter(context, signature[i], slot.text(), &slot);
        } else if (ScriptBlock *block = blockOf(slot)) {
            if (signature[i] == 'B')
                inLocalScope(context->world, block, [&] { resolveBlock(context, block); });
            else
                resolveBlock(context, block);
        }
    }
}

void resolveBlock(ScriptContext *context, ScriptBlock *block) {
    for (int32_t i = 0; i < block->statements.count(); ++i)
        resolveStatement(context, block->statements[i]);
}

void declareStatements(ScriptContext *context, ScriptBlock *block, ScriptTask *task);

// "fun @task.name" at the top level or "fun .name" inside a task: the function "@task.name", also
// kept as the task's named value of that name.
ScriptFunction *declareTaskFunction(ScriptContext *context, ScriptReference *reference, ScriptTask *task) {
    if (!reference->property || !reference->property[0]) {
        report(context, "Invalid property of task-function");
        return nullptr;
    }
    ScriptTask *owner = task;
    if (!task) {
        owner = reference->object.type == kScriptTask ? static_cast<ScriptTask *>(reference->object.pointer) : nullptr;
        if (!owner) {
            report(context, "Invalid task of task-function");
            return nullptr;
        }
    } else if (reference->object.type != kScriptNone) {
        report(context, "Task-function inside task should be named .function-name");
        return nullptr;
    }
    std::string name = "@";
    name.append(nameText(owner->name)).append(".").append(reference->property);
    ScriptFunction *function = findOrCreateFunction(name.c_str(), context);
    NamedValue *named =
        findOrCreateNamedValue(owner->namedValues, reference->property, context->world->namedValuePool(), true);
    named->value.setPointer(kScriptFunction, function);
    return function;
}

void declareFunction(ScriptContext *context, ScriptStatement *statement, ScriptTask *task) {
    ScriptValue &first = statement->params[0];
    ScriptFunction *function = nullptr;
    if (first.type == kScriptFunction)
        function = static_cast<ScriptFunction *>(first.pointer);
    else if (first.type == kScriptPropertyRef)
        function = declareTaskFunction(context, static_cast<ScriptReference *>(first.pointer), task);
    else
        report(context, "Invalid function declaration");
    if (!function)
        return;
    function->declaration = statement;
    function->task = task;
    function->isDefined.setNumber(1.0f);
}

ScriptTask *newSubTask(ScriptContext *context, ScriptTask *task, ScriptStatement *statement, ScriptValue *element) {
    ScriptTask *subTask = context->world->scriptPools.tasks.allocate();
    subTask->context = context;
    subTask->name = context->world->names().internOrFind("");
    subTask->nameValue.setPointer(kScriptText, subTask->name);
    subTask->value.setPointer(kScriptTask, subTask);
    subTask->element = static_cast<SceneElement *>(element->pointer);
    subTask->elementValue.setPointer(kScriptElement, subTask->element);
    subTask->isTask = task->isTask;
    subTask->state = kTaskDisabled;
    subTask->isCompleted.setNumber(0.0f);
    subTask->declaration = statement;
    task->subTasks.append(subTask);
    return subTask;
}

// One sub-task per element of the array, and of the arrays in it one level down; other entries
// make none. Each declares the block with itself current. Answers whether any was declared.
bool declareSubTasks(ScriptContext *context, ScriptTask *task, ScriptStatement *statement, ScriptValue *array,
                     ScriptBlock *block, int32_t depth) {
    bool declared = false;
    auto *entries = static_cast<PtrArray<ScriptValue> *>(array->pointer);
    for (int32_t i = 0; entries && i < entries->count(); ++i) {
        ScriptValue *entry = entries->get(i);
        if (!entry || !entry->pointer)
            continue;
        if (entry->type == kScriptArray && depth == 0) {
            declared |= declareSubTasks(context, task, statement, entry, block, depth + 1);
        } else if (entry->type == kScriptElement) {
            declareStatements(context, block, newSubTask(context, task, statement, entry));
            declared = true;
        }
    }
    return declared;
}

// The task of a "task" or "action" statement, found or made by its name; null when it names none.
ScriptTask *declaredTask(ScriptContext *context, ScriptValue &first) {
    if (first.type == kScriptText && first.text())
        first.setPointer(kScriptTask, findOrCreateTask(first.text(), context));
    return first.type == kScriptTask ? static_cast<ScriptTask *>(first.pointer) : nullptr;
}

void declareTask(ScriptContext *context, ScriptStatement *statement) {
    ScriptTask *task = declaredTask(context, statement->params[0]);
    if (!task)
        return;
    if (task->declaration) {
        report(context, "Duplicate task declaration: " + sceneNameOf(context) + ":" + nameText(task->name));
        return;
    }
    task->isTask = statement->command->word == kwTask;
    task->state = kTaskDisabled;
    task->declaration = statement;
    ScriptBlock *block = blockOf(statement->params[kTaskBlock]);
    ScriptValue &elementParam = statement->params[kTaskElement];
    ScriptValue *element = elementParam.type == kScriptVariableRef ? resolveValue(context, &elementParam, false) : nullptr;
    bool declared = false;
    if (elementParam.type != kScriptVariableRef || (element && element->type == kScriptElement)) {
        if (element) {
            task->element = static_cast<SceneElement *>(element->pointer);
            task->elementValue.setPointer(kScriptElement, task->element);
        }
        declared = block != nullptr;
        if (block)
            declareStatements(context, block, task);
    } else if (element && element->type == kScriptArray && block) {
        declared = declareSubTasks(context, task, statement, element, block, 0);
        for (int32_t i = 0; i < task->subTasks.count(); ++i)
            task->hasOnCompleted |= task->subTasks[i]->hasOnCompleted;
    }
    if (declared && task->isTask && !task->hasOnCompleted)
        report(context, "Task has no on_completed block: " + sceneNameOf(context) + ":" + nameText(task->name));
}

void declareStatements(ScriptContext *context, ScriptBlock *block, ScriptTask *task) {
    HoWorld *world = context->world;
    world->setCurrentTask(task);
    for (int32_t i = 0; i < block->statements.count(); ++i) {
        ScriptStatement *statement = block->statements[i];
        const char *word = statement->command->word;
        switch (statement->command->kind) {
        case kScriptCommandFunction:
            declareFunction(context, statement, task);
            break;
        case kScriptCommandTask:
            if (!task) {
                declareTask(context, statement);
                world->setCurrentTask(nullptr);
            }
            break;
        case kScriptCommandCompleted:
            if (task)
                task->hasOnCompleted = 1;
            else
                report(context, "on_completed outside of task/action block");
            break;
        case kScriptCommandElementHandler:
            if (!task)
                report(context, std::string(word) + " outside of task/action block");
            break;
        case kScriptCommandPlain:
            report(context, std::string(word) + " cannot be used as root command");
            break;
        default:
            break;
        }
    }
    world->setCurrentTask(nullptr);
}

} // namespace

void declareSceneScripts(HoScene *scene) {
    if (!scene)
        return;
    ScriptContext *context = &scene->script;
    HoWorld *world = scene->world;
    world->setSceneGlobals(scene);
    inLocalScope(world, nullptr, [&] { resolveBlock(context, context->scripts); });
    declareStatements(context, context->scripts, nullptr);
    world->setSceneGlobals(nullptr);
}
