#include "game/script/ScriptValueText.h"

#include <charconv>

#include "game/player/HoInventoryItem.h"
#include "game/resources/HoResource.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/util/NumericHelpers.h"

namespace {

// A variable may hold what names another: following stops here rather than loop.
constexpr int kMaxFollowedVariables = 16;

void appendText(const char *text, std::string &out) {
    if (text)
        out += text;
}

// Whole when the hundredfold rounds to a multiple of 100, else two decimals; never the locale's.
void appendNumber(float number, std::string &out) {
    char buffer[64];
    std::to_chars_result written;
    if (roundToInt(number * 100.0f) % 100 == 0)
        written = std::to_chars(buffer, buffer + sizeof buffer, roundToInt(number));
    else
        written = std::to_chars(buffer, buffer + sizeof buffer, double(number), std::chars_format::fixed, 2);
    out.append(buffer, written.ptr);
}

const char *sceneNameOf(const ScriptContext *context) {
    return context && context->scene ? context->scene->identifier : nullptr;
}

// sigil, scene, ':', name
void appendScoped(const char *sigil, const char *scene, const char *name, std::string &out) {
    out += sigil;
    appendText(scene, out);
    out += ':';
    appendText(name, out);
}

void appendObject(const ScriptValue &value, std::string &out) {
    switch (value.type) {
    case kScriptElement: {
        const SceneElement *element = static_cast<const SceneElement *>(value.pointer);
        appendScoped("$", element && element->scene ? element->scene->identifier : nullptr,
                     element ? element->name : nullptr, out);
        break;
    }
    case kScriptGroup:
        out += "$$";
        appendText(value.pointer ? static_cast<const SceneGroup *>(value.pointer)->name : nullptr, out);
        break;
    case kScriptScene:
        out += "c'";
        appendText(value.pointer ? static_cast<const HoScene *>(value.pointer)->identifier : nullptr, out);
        break;
    case kScriptInventoryItem:
        out += '^';
        appendText(value.pointer ? static_cast<const HoInventoryItem *>(value.pointer)->name : nullptr, out);
        break;
    case kScriptSound:
        out += "s'";
        appendText(value.pointer ? static_cast<const HoResource *>(value.pointer)->name : nullptr, out);
        break;
    case kScriptFunction: {
        const ScriptFunction *function = static_cast<const ScriptFunction *>(value.pointer);
        appendScoped("&", function ? sceneNameOf(function->context) : nullptr, function ? function->name : nullptr,
                     out);
        break;
    }
    case kScriptTask: {
        const ScriptTask *task = static_cast<const ScriptTask *>(value.pointer);
        appendScoped("@", task ? sceneNameOf(task->context) : nullptr, task ? task->name : nullptr, out);
        break;
    }
    case kScriptEvent: {
        const ScriptEvent *event = static_cast<const ScriptEvent *>(value.pointer);
        appendScoped("!", event ? sceneNameOf(event->context) : nullptr, event ? event->name : nullptr, out);
        break;
    }
    default:
        out += '?';
        break;
    }
}

} // namespace

void valueToText(const ScriptValue &value, std::string &text) {
    const ScriptValue *shown = &value;
    for (int hops = 0; shown->type == kScriptVariableRef && hops < kMaxFollowedVariables; ++hops) {
        const ScriptVariable *variable = static_cast<const ScriptVariable *>(shown->pointer);
        if (!variable || !variable->value) {
            text += '?';
            return;
        }
        shown = variable->value;
    }
    if (shown->type == kScriptNumber)
        appendNumber(shown->number, text);
    else if (shown->type == kScriptText)
        appendText(shown->text(), text);
    else
        appendObject(*shown, text);
}
