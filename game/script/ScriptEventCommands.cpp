#include "game/script/ScriptEventCommands.h"

#include "game/scene/ElementFrameEvent.h"
#include "game/scene/SceneElement.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"

namespace {

// Without a time, "event" removes the element's entry.
constexpr float kRemovingSeconds = -0.01f;

int32_t frameEventIndex(const SceneElement *element, const ScriptEvent *event) {
    for (int32_t i = 0; i < element->frameEvents.count(); ++i) {
        if (element->frameEvents[i]->event == event)
            return i;
    }
    return -1;
}

} // namespace

void scriptEvent(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *element = touchedElementParam(context, statement, 1);
    ScriptEvent *event = eventParam(context, statement, 0);
    // An entry without an event would fire nothing; none is made.
    if (!element || !event)
        return;
    const int32_t frame = secondsToTicks(numberParam(context, statement, 2, kRemovingSeconds));
    const int32_t index = frameEventIndex(element, event);
    if (frame < 0) {
        if (index >= 0)
            delete element->frameEvents.removeSwappingLast(index);
    } else if (index >= 0) {
        element->frameEvents[index]->frame = frame;
    } else {
        element->frameEvents.append(new ElementFrameEvent{frame, event});
    }
}

void scriptSignal(ScriptContext *context, ScriptStatement *statement) {
    ScriptEvent *event = eventParam(context, statement, 0);
    if (!event)
        return;
    const int32_t ticks = secondsToTicks(numberParam(context, statement, 1, 0.0f));
    if (ticks > 0)
        event->ticks = ticks;
    else
        event->fire();
}

void scriptWait(ScriptContext *context, ScriptStatement *statement) {
    ScriptEvent *event = eventParam(context, statement, 0);
    if (!event)
        return;
    event->waitedOn = 1;
    if (PendingBlock *record = makePendingBlock(context, statement, 1, false)) {
        record->event = event;
        context->waitQueue.append(record);
    }
}

void scriptAbort(ScriptContext *context, ScriptStatement *statement) {
    if (ScriptEvent *event = eventParam(context, statement, 0))
        event->ticks = 0;
}
