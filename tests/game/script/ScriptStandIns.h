#pragma once
// Stand-ins for the handlers of a few command words, bound to their rows of the command table while an
// object of ScriptStandIns lives (the rows' own handlers are put back afterwards). They follow the
// commands' rules only as far as the suites need them: set, add, call, if and do, and the animation and
// fade words over the element's own operations. What the scripts print goes to the trace (ScriptTrace.h).

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptResolve.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptValueText.h"
#include "game/script/ScriptVariable.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"
#include "tests/game/script/ScriptTrace.h"

class ScriptStandIns : public ScriptTrace {
public:
    inline static ScriptStandIns *current = nullptr;

    ScriptStandIns() {
        initScriptCommandTable();
        bindHandlers();
        current = this;
    }
    ~ScriptStandIns() {
        // The last first, so that a row bound twice gets its own handler back.
        for (auto saved = savedHandlers.rbegin(); saved != savedHandlers.rend(); ++saved)
            saved->first->handler = saved->second;
        current = nullptr;
    }
    ScriptStandIns(const ScriptStandIns &) = delete;
    ScriptStandIns &operator=(const ScriptStandIns &) = delete;

protected:
    // Binds the handler to the row of the word until the stand-ins go.
    void bind(const char *word, ScriptCommandHandler handler) {
        ScriptCommand *row = ScriptCommandTable;
        while (row->word[0] != '\0' && std::strcmp(row->word, word) != 0)
            ++row;
        ASSERT_NE(row->word[0], '\0') << word;
        savedHandlers.emplace_back(row, row->handler);
        row->handler = handler;
    }

private:
    void bindHandlers();
    std::vector<std::pair<ScriptCommand *, ScriptCommandHandler>> savedHandlers;
};

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
// if: two numbers compared by the operator's first character ('=', '<' or '>'), then the true block or the
// false block.
inline void ifCompare(ScriptContext *context, ScriptStatement *statement) {
    const float left = numberParam(context, statement, 0, 0.0f), right = numberParam(context, statement, 2, 0.0f);
    const ScriptValue *op = param(context, statement, 1);
    const char first = op && op->type == kScriptText && op->text() ? op->text()[0] : '\0';
    const bool holds = first == '=' ? left == right : first == '<' ? left < right : first == '>' && left > right;
    runBlockInScope(context, statement, holds ? 3 : 5, false);
}
inline SceneElement *elementParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return objectParam<SceneElement>(context, statement, i, kScriptElement);
}

// animate ELEMENT FROM TO STEP BLOCK: frames are seconds times -100; TO defaults to FROM.
inline void animate(ScriptContext *context, ScriptStatement *statement, bool fx) {
    SceneElement *element = elementParam(context, statement, 0);
    if (!element) {
        runBlockInScope(context, statement, 4, true);
        return;
    }
    float from = numberParam(context, statement, 1, 0.0f);
    int32_t start = roundToInt(from * -100.0f);
    int32_t end = roundToInt(numberParam(context, statement, 2, from) * -100.0f);
    element->startAnimation(start, end, numberParam(context, statement, 3, 1.0f), fx,
                            makePendingBlock(context, statement, 4, fx));
    if (start < 0 && !fx)
        ++context->world->busyCount;
}
// after_animate ELEMENT BLOCK: the block waits for the end of the animation's cycle.
inline void afterAnimate(ScriptContext *context, ScriptStatement *statement, bool fx) {
    if (!fx)
        ++context->world->busyCount;
    SceneElement *element = elementParam(context, statement, 0);
    if (!element)
        return;
    if (element->cycleEndBlock)
        freePendingBlock(element->cycleEndBlock);
    element->cycleEndBlock = makePendingBlock(context, statement, 1, fx);
    element->cycleWait = 1;
    element->cycleFx = fx ? 1 : 0;
}
// fadein / fadeout ELEMENT SECONDS BLOCK.
inline void fade(ScriptContext *context, ScriptStatement *statement, bool in, bool fx) {
    SceneElement *element = elementParam(context, statement, 0);
    if (!element) {
        runBlockInScope(context, statement, 2, true);
        return;
    }
    element->startFade(ticksOf(numberParam(context, statement, 1, 0.0f)), in, fx,
                       makePendingBlock(context, statement, 2, fx));
    if (!fx)
        ++context->world->busyCount;
}

} // namespace script_runtime_test

inline void ScriptStandIns::bindHandlers() {
    using namespace script_runtime_test;
    bind("set", set);
    bind("add", add);
    bind("call", call);
    bind("if", ifCompare);
    bind("do", [](ScriptContext *context, ScriptStatement *statement) { runBlockInScope(context, statement, 0, true); });
    bind("animate", [](ScriptContext *context, ScriptStatement *statement) { animate(context, statement, false); });
    bind("animate_fx", [](ScriptContext *context, ScriptStatement *statement) { animate(context, statement, true); });
    bind("after_animate", [](ScriptContext *context, ScriptStatement *statement) { afterAnimate(context, statement, false); });
    bind("after_animate_fx", [](ScriptContext *context, ScriptStatement *statement) { afterAnimate(context, statement, true); });
    bind("fadein", [](ScriptContext *context, ScriptStatement *statement) { fade(context, statement, true, false); });
    bind("fadeout", [](ScriptContext *context, ScriptStatement *statement) { fade(context, statement, false, false); });
    bind("fadeout_fx", [](ScriptContext *context, ScriptStatement *statement) { fade(context, statement, false, true); });
}
