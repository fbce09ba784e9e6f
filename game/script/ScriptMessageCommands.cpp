#include "game/script/ScriptMessageCommands.h"

#include <deque>

#include "game/HoContext.h"
#include "game/player/HudMessage.h"
#include "game/resources/HoConfiguration.h"
#include "game/scene/SceneElement.h"
#include "game/scene/TextInputField.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptElementCommands.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptValueText.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

namespace {

// The encoding of the texts that scripts read from the localisation.
constexpr int32_t kScriptTextEncoding = 1;

// A text to join parameters into. Joins are reused so that a running game does not allocate for them,
// one per nesting level: a join made while another is still being read (print re-entered from its
// message hook) takes the next one instead of overwriting it.
class JoinBuffer {
public:
    JoinBuffer() : text_(take()) { text_.clear(); }
    ~JoinBuffer() { --depth(); }
    JoinBuffer(const JoinBuffer &) = delete;
    JoinBuffer &operator=(const JoinBuffer &) = delete;

    std::string &text() { return text_; }

private:
    static std::string &take() {
        thread_local std::deque<std::string> buffers;
        if (depth() == buffers.size())
            buffers.emplace_back();
        return buffers[depth()++];
    }
    static size_t &depth() {
        thread_local size_t level = 0;
        return level;
    }

    std::string &text_;
};

// The message time in ticks: parameter i in seconds, else the world's default.
int32_t messageTicks(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return secondsToTicks(numberParam(context, statement, i, defaultMessageSeconds(context->world)));
}

// The global "msg_show" hook, when it has a body and the message has a time, with parameter i.
void runMessageShowHook(ScriptContext *context, ScriptStatement *statement, int32_t ticks, int32_t i) {
    ScriptFunction *hook = findFunction(context->world->globalContext(), "msg_show");
    if (hook && hook->declaration && ticks > 0)
        runNamedHook(hook, commandParam(context, statement, i));
}

void queueAfter(ScriptContext *context, ScriptStatement *statement, bool fx) {
    PendingBlock *record = makePendingBlock(context, statement, 1, fx);
    if (!record)
        return;
    record->ticks = secondsToTicks(numberParam(context, statement, 0, 0.0f));
    context->afterQueue.append(record);
    if (!fx)
        ++context->world->busyCount;
}

const char *textOrEmpty(const char *text) {
    return text ? text : "";
}

} // namespace

void joinCommandParams(ScriptContext *context, ScriptStatement *statement, int32_t first, int32_t last, bool blanks,
                       std::string &text) {
    bool joined = false;
    for (int32_t i = first; i <= last && i < statement->paramCount(); ++i) {
        const ScriptValue *value = statement->params[i].type == kScriptNone ? nullptr : commandParam(context, statement, i);
        if (!value)
            continue;
        if (blanks && joined)
            text += ' ';
        valueToText(*value, text);
        joined = true;
    }
}

void scriptPrint(ScriptContext *context, ScriptStatement *statement) {
    HoContext *game = context->world->context;
    if (!game || !game->messageHook.function)
        return;
    JoinBuffer join;
    joinCommandParams(context, statement, 0, 7, true, join.text());
    game->callMessageHook(join.text().c_str());
}

void scriptMsg(ScriptContext *context, ScriptStatement *statement) {
    const char *text = textOrEmpty(textParam(context, statement, 0));
    const int32_t ticks = messageTicks(context, statement, 1);
    runMessageShowHook(context, statement, ticks, 2);
    if (ScriptFunction *bbt = findFunction(context->world->globalContext(), "on_show_bbt"))
        callScriptFunction(bbt, false, nullptr);
    context->world->showMessage(text, ticks, false);
}

void scriptMsgTop(ScriptContext *context, ScriptStatement *statement) {
    const char *text = textOrEmpty(textParam(context, statement, 0));
    const int32_t ticks = messageTicks(context, statement, 3);
    runMessageShowHook(context, statement, ticks, 2);
    SceneElement *shower = elementParam(context, statement, 1);
    SceneElement *giver = elementParam(context, statement, 2);
    if (shower && giver)
        showPictureOf(context, shower, giver);
    context->world->showMessage(text, ticks, true);
}

void scriptAfter(ScriptContext *context, ScriptStatement *statement) {
    queueAfter(context, statement, false);
}

void scriptAfterFx(ScriptContext *context, ScriptStatement *statement) {
    queueAfter(context, statement, true);
}

void scriptGetLocalText(ScriptContext *context, ScriptStatement *statement) {
    ScriptValue *variable = commandVariable(context, statement, 0);
    if (!variable)
        return;
    const char *key = textParam(context, statement, 1);
    HoWorld *world = context->world;
    const char *text = key ? world->context->getLocalizedText(key, kScriptTextEncoding) : nullptr;
    // An unknown key still gives a text: one without characters.
    variable->setPointer(kScriptText, text ? world->names().internOrFind(text) : nullptr);
}

void scriptSetText(ScriptContext *context, ScriptStatement *statement) {
    ScriptValue *variable = commandVariable(context, statement, 0);
    if (!variable)
        return;
    JoinBuffer join;
    joinCommandParams(context, statement, 1, 8, false, join.text());
    variable->setPointer(kScriptText, context->world->names().internOrFind(join.text().c_str()));
}

void scriptSetInputText(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *element = touchedElementParam(context, statement, 0);
    if (!element)
        return;
    JoinBuffer join;
    joinCommandParams(context, statement, 1, 8, false, join.text());
    if (element->isTextInput && element->textInput)
        element->textInput->setTextFromScript(join.text().c_str(), context);
}
