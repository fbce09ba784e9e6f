#include "game/script/ScriptFlowCommands.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "game/HoContext.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneGroup.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptFunction.h"
#include "game/world/HoWorld.h"

namespace {

constexpr float kEqualWithin = 0.0001f;
// A call's arguments are its parameters 1 to 8.
constexpr int32_t kMostArguments = 8;

bool compareNumbers(float left, const char *op, float right) {
    const bool equal = std::fabs(left - right) <= kEqualWithin;
    const char second = op[1];
    const bool alone = second == '\0';
    const bool orEqual = second == '=' && op[2] == '\0';
    switch (op[0]) {
    case '=':
        return equal;
    case '<':
        if (alone)
            return left < right && !equal;
        if (orEqual)
            return equal || left < right;
        return second == '>' && op[2] == '\0' && !equal;
    case '>':
        if (alone)
            return left > right && !equal;
        return orEqual && (equal || left > right);
    default:
        return false;
    }
}

const char *textOrEmpty(const ScriptValue &value) {
    return value.type == kScriptText && value.pointer ? value.text() : "";
}

// The comparison whose left side is parameter `first`, operator first + 1, right side first + 2.
bool compareParams(ScriptContext *context, ScriptStatement *statement, int32_t first) {
    return compareValues(commandParam(context, statement, first), textParam(context, statement, first + 1),
                         commandParam(context, statement, first + 2));
}

// if2 to if4: n comparisons joined left to right by logic words, each comparison evaluated.
void runConditionChain(ScriptContext *context, ScriptStatement *statement, int32_t n) {
    bool result = compareParams(context, statement, 0);
    for (int32_t k = 1; k < n; ++k) {
        const char *word = textParam(context, statement, 4 * k - 1);
        if (!word || word[0] == '\0') {
            reportCommandError(context, "Missing logic operand");
            return;
        }
        const bool next = compareParams(context, statement, 4 * k);
        if (word[0] == '&')
            result = result && next;
        else if (word[0] == '|')
            result = result || next;
        else
            reportCommandError(context, "Unknown logic operand \"%s\"", word);
    }
    runBlockParam(context, statement, result ? 4 * n - 1 : 4 * n + 1);
}

// Puts the value back into the slot when the saver goes: the loops restore their variable.
class SavedValue {
public:
    explicit SavedValue(ScriptValue *slot) : slot_(slot) {
        if (slot_)
            saved_ = *slot_;
    }
    ~SavedValue() {
        if (slot_)
            *slot_ = saved_;
    }
    SavedValue(const SavedValue &) = delete;
    SavedValue &operator=(const SavedValue &) = delete;

private:
    ScriptValue *slot_;
    ScriptValue saved_;
};

void setLoopNumber(ScriptValue *slot, int64_t i) {
    if (slot)
        slot->setNumber(static_cast<float>(i));
}

HoContext *gameContextOf(ScriptContext *context) {
    return context->world ? context->world->context : nullptr;
}

void askToStop(ScriptContext *context, bool restart, const char *startScene) {
    setStartSceneName(startScene);
    if (HoContext *game = gameContextOf(context)) {
        game->restart = restart ? 1 : 0;
        game->exit = 1;
        game->stop = 1;
    }
}

} // namespace

bool compareValues(const ScriptValue *left, const char *op, const ScriptValue *right) {
    if (!op || op[0] == '\0')
        return false;
    const ScriptValue none{};
    const ScriptValue &l = left ? *left : none;
    const ScriptValue &r = right ? *right : none;
    if (l.type == kScriptNumber || r.type == kScriptNumber)
        return compareNumbers(l.asNumber(), op, r.asNumber());
    if (l.type == kScriptText || r.type == kScriptText)
        return (std::strcmp(textOrEmpty(l), textOrEmpty(r)) == 0) == (op[0] == '=');
    return (l.pointer == r.pointer) == (op[0] == '=');
}

void scriptDo(ScriptContext *context, ScriptStatement *statement) {
    runBlockInScope(context, statement, 0, true);
}

void scriptQuit(ScriptContext *context, ScriptStatement *) {
    askToStop(context, false, "");
}

// The scene is remembered by its identifier, which the new world finds it by: a sub-scene's short name
// finds nothing there.
void scriptRestart(ScriptContext *context, ScriptStatement *statement) {
    HoScene *scene = sceneParam(context, statement, 0);
    askToStop(context, true, scene && scene->identifier ? scene->identifier : "");
}

void scriptIf(ScriptContext *context, ScriptStatement *statement) {
    runBlockParam(context, statement, compareParams(context, statement, 0) ? 3 : 5);
}

void scriptIf2(ScriptContext *context, ScriptStatement *statement) {
    runConditionChain(context, statement, 2);
}

void scriptIf3(ScriptContext *context, ScriptStatement *statement) {
    runConditionChain(context, statement, 3);
}

void scriptIf4(ScriptContext *context, ScriptStatement *statement) {
    runConditionChain(context, statement, 4);
}

void scriptWhile(ScriptContext *context, ScriptStatement *statement) {
    while (compareParams(context, statement, 0))
        runBlockParam(context, statement, 3);
}

void scriptFor(ScriptContext *context, ScriptStatement *statement) {
    ScriptValue *variable = commandVariable(context, statement, 0);
    SavedValue restore(variable);
    const int64_t start = roundedParam(context, statement, 1, 1.0f);
    const int64_t end = roundedParam(context, statement, 2, 0.0f);
    const int64_t step = roundedParam(context, statement, 3, 1.0f);
    if (step > 0) {
        for (int64_t i = start; i <= end; i += step) {
            setLoopNumber(variable, i);
            runBlockParam(context, statement, 4);
        }
    } else if (step < 0 && start >= end) {
        for (int64_t i = start; i >= end; i += step) {
            setLoopNumber(variable, i);
            runBlockParam(context, statement, 4);
        }
    }
}

void scriptForEach(ScriptContext *context, ScriptStatement *statement) {
    ScriptValue *variable = commandVariable(context, statement, 0);
    ScriptValue *source = commandParam(context, statement, 1);
    if (!source || !source->pointer)
        return;
    SavedValue restore(variable);
    // The counts are read again every turn: the block may change the group or the array.
    if (source->type == kScriptGroup) {
        const PtrArray<SceneElement> &members = static_cast<SceneGroup *>(source->pointer)->members;
        for (int32_t i = 0; i < members.count(); ++i) {
            if (variable)
                variable->setPointer(kScriptElement, members[i]);
            runBlockParam(context, statement, 2);
        }
    } else if (source->type == kScriptArray) {
        const auto *items = static_cast<PtrArray<ScriptValue> *>(source->pointer);
        for (int32_t i = 0; i < items->count(); ++i) {
            if (variable)
                *variable = items->get(i) ? *items->get(i) : ScriptValue();
            runBlockParam(context, statement, 2);
        }
    }
}

// A declared function runs with its locals cleared and its formal parameters bound to the arguments
// given; each bound formal gets its own value back afterwards. A function that only a native binds is
// handed the statement, whose parameters it reads itself.
void scriptCall(ScriptContext *context, ScriptStatement *statement) {
    ScriptFunction *function = functionParam(context, statement, 0);
    if (!function)
        return;
    // A native runs even where a "fun" also declares a body; it reads its own arguments from the call.
    if (function->native) {
        callNativeFunction(function, statement);
        return;
    }
    if (!function->declaration)
        return;
    ScriptValue arguments[kMostArguments];
    bool given[kMostArguments] = {};
    for (int32_t i = 0; i < kMostArguments; ++i) {
        given[i] = 1 + i < statement->paramCount() && statement->params[1 + i].type != kScriptNone;
        if (const ScriptValue *argument = given[i] ? commandParam(context, statement, 1 + i) : nullptr)
            arguments[i] = *argument;
    }
    callWithFormals(function, arguments, given, kMostArguments, true);
}

// Each use makes a new empty function, "hash0", "hash1" ... across the whole process, which scripts
// use as a record of named fields.
void scriptHash(ScriptContext *context, ScriptStatement *statement) {
    static int32_t counter = 0;
    ScriptValue *variable = commandVariable(context, statement, 0);
    char name[32];
    std::snprintf(name, sizeof name, "hash%d", static_cast<int>(counter++));
    ScriptFunction *function = findOrCreateFunction(name, context);
    if (variable)
        *variable = function->value;
}

void scriptGroupAdd(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *element = elementParam(context, statement, 0);
    SceneGroup *group = groupParam(context, statement, 1);
    if (!element || !group || group->members.indexOf(element) >= 0)
        return;
    group->changed = 1;
    group->members.append(element);
    if (group->isCrop() && group->scene)
        element->cropElement = group->scene->findElement(group->name);
}

void scriptGroupRemove(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *element = elementParam(context, statement, 0);
    SceneGroup *group = groupParam(context, statement, 1);
    if (!element || !group)
        return;
    group->changed = 1;
    const int32_t index = group->members.indexOf(element);
    if (index < 0)
        return;
    group->members.removeSwappingLast(index);
    if (group->isCrop())
        element->cropElement = nullptr;
}
