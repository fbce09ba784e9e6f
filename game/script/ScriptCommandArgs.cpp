#include "game/script/ScriptCommandArgs.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "game/scene/SceneElement.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptErrors.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptResolve.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

template <typename Record>
Record *objectParam(ScriptContext *context, ScriptStatement *statement, int32_t i, int32_t type) {
    ScriptValue *value = commandParam(context, statement, i);
    return value && value->type == type ? static_cast<Record *>(value->pointer) : nullptr;
}

} // namespace

ScriptValue *commandParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return getStatementParam(context, statement, i);
}

ScriptValue *commandVariable(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    if (!statement || i < 0 || i >= statement->paramCount())
        return nullptr;
    return resolveValue(context, &statement->params[i], true);
}

float numberParam(ScriptContext *context, ScriptStatement *statement, int32_t i, float otherwise) {
    ScriptValue *value = commandParam(context, statement, i);
    return value && value->type == kScriptNumber ? value->number : otherwise;
}

int32_t roundedParam(ScriptContext *context, ScriptStatement *statement, int32_t i, float otherwise) {
    return roundToInt(numberParam(context, statement, i, otherwise));
}

const char *textParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return objectParam<const char>(context, statement, i, kScriptText);
}

SceneElement *elementParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return objectParam<SceneElement>(context, statement, i, kScriptElement);
}

SceneGroup *groupParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return objectParam<SceneGroup>(context, statement, i, kScriptGroup);
}

HoScene *sceneParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return objectParam<HoScene>(context, statement, i, kScriptScene);
}

HoInventoryItem *itemParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return objectParam<HoInventoryItem>(context, statement, i, kScriptInventoryItem);
}

HoResource *soundParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return objectParam<HoResource>(context, statement, i, kScriptSound);
}

ScriptFunction *functionParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return objectParam<ScriptFunction>(context, statement, i, kScriptFunction);
}

ScriptTask *taskParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return objectParam<ScriptTask>(context, statement, i, kScriptTask);
}

ScriptEvent *eventParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return objectParam<ScriptEvent>(context, statement, i, kScriptEvent);
}

ScriptBlock *blockParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return objectParam<ScriptBlock>(context, statement, i, kScriptBlock);
}

SceneElement *touchedElementParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    SceneElement *element = elementParam(context, statement, i);
    touchElement(element);
    return element;
}

void touchElement(SceneElement *element) {
    if (element)
        element->scriptTouched = 1;
}

int32_t secondsToTicks(float seconds) {
    return roundToInt(seconds * 100.0f);
}

void runBlockParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    runBlockInScope(context, statement, i, false);
}

void reportCommandError(ScriptContext *context, const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    std::string message(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(message.data(), message.size() + 1, format, arguments);
    va_end(arguments);
    reportScriptError(context->world->messages(), 0, nullptr, message.c_str());
}
