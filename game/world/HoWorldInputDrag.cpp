// Two parts of the world's input that span many steps: dragging an element that the scripts let move
// ("on_move", "on_rotate"), from the press through the drag to the drop or the release, and the pause
// that rapid clicking in a hidden-object scene earns.

#include <algorithm>
#include <cmath>

#include "game/HoContext.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptFunction.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"

namespace {

// Farther than this from the press, in design units, the press has moved.
constexpr float kMoveDistance = 10.0f;

enum DragMode : uint8_t {
    kDragWithinBounds = 0,
    kDragHorizontal = 1,
    kDragScripted = 2,
    kDragVertical = 3,
};

// Pins the element at a position of its own space, as a script's move does.
void pinElement(SceneElement *element, float x, float y) {
    element->pendingMove = 1;
    element->pendingX = x;
    element->pendingY = y;
    element->x.setNumber(x);
    element->y.setNumber(y);
}

// The value along one axis kept within the bounds element's extent on it, less the parent's position.
float alongBounds(float wanted, float boundsAbs, float boundsSize, float pivot, float parentAbs) {
    const float low = boundsAbs - boundsSize * pivot;
    const float high = boundsAbs + boundsSize * (1.0f - pivot);
    return std::max(std::min(wanted, high), low) - parentAbs;
}

} // namespace

bool HoWorld::processDrag() {
    DragState &drag = clicks.drag;
    SceneElement *element = drag.pressed;
    if (!element)
        return false;
    ++drag.steps;
    if (std::fabs(pointerX - drag.pressX) > kMoveDistance || std::fabs(pointerY - drag.pressY) > kMoveDistance)
        drag.moved = 1;
    if (!context->input.buttonDown[kPrimaryButton]) {
        if (drag.steps > drag.threshold) {
            drag.drop = element;
            drag.pressed = nullptr;
            dropped = 1;
        } else if (!drag.moved) {
            drag.release = element;
            drag.pressed = nullptr;
        }
        return true;
    }
    if (drag.steps < drag.threshold && !drag.moved)
        return true;
    if (!drag.started) {
        drag.dragStart = element;
        drag.started = 1;
    }
    drag.dragging = element;
    SceneElement *bounds = element->dropTarget;
    if (!bounds)
        return true;
    const float x = drag.grabX + pointerX, y = drag.grabY + pointerY;
    const SceneElement *parent = element->parent;
    switch (element->dragMode) {
    case kDragWithinBounds:
        if (bounds->hitTest(x, y))
            pinElement(element, x, y);
        break;
    case kDragHorizontal:
        pinElement(element,
                   alongBounds(x, bounds->absX.asNumber(), bounds->w.asNumber(), bounds->pivotX.asNumber(),
                               parent ? parent->absX.asNumber() : 0.0f),
                   element->y.asNumber());
        break;
    case kDragVertical:
        pinElement(element, element->x.asNumber(),
                   alongBounds(y, bounds->absY.asNumber(), bounds->h.asNumber(), bounds->pivotY.asNumber(),
                               parent ? parent->absY.asNumber() : 0.0f));
        break;
    case kDragScripted: {
        pinElement(element, x, y);
        element->findNamedValue("forced_x", true)->setNumber(x);
        element->findNamedValue("forced_y", true)->setNumber(y);
        if (ScriptFunction *hook = findFunction(&element->scene->script, "pre_process_move"))
            runNamedHook(hook, &element->selfSlot);
        break;
    }
    default:
        break;
    }
    return true;
}

bool HoWorld::processOverclick() {
    const WorldStepSettings &settings = stepSettings;
    OverClickState &state = overClick;
    ScriptContext *global = globalContext();
    if (activeScene && slotHolds(variableSlot(&activeScene->script, "#singleplay"), 1.0f))
        return true;
    const ScriptValue *difficulty = variableSlot(global, "##current_difficulty");
    if (difficulty && difficulty->type == kScriptNumber && truncToInt(difficulty->number) == 1)
        return true;
    if (state.windowCountdown > 0 && --state.windowCountdown == 0 && state.clickCount > 0) {
        --state.clickCount;
        state.windowCountdown = settings.overclickWindow;
    }
    if (!(slotNumber(pausedSlot, 0.0f) >= 1.0f) && state.pauseCountdown > 0 && --state.pauseCountdown > 0)
        ++busyCount;
    const bool watched = topScene && (topScene->isHo || slotNumber(variableSlot(&topScene->script, "#has_overclick"), 0.0f) > 0.0f);
    if (busy || !watched || !clicks.clicked)
        return true;
    if (state.windowCountdown > 0 && pointerY < settings.overclickLimitY) {
        ++state.clickCount;
        const int32_t limit = roundToInt(double(slotNumber(variableSlot(global, "##overclick_limit"), 0.0f)));
        // A limit of 0 or less is no limit.
        if (limit > 0 && state.clickCount == limit) {
            clicks.clicked = 0;
            state.clickCount = 0;
            state.pauseCountdown = settings.overclickPause;
            runNamedHook(topScene->hoPunishment, nullptr);
            if (punishmentEmitter)
                punishmentEmitter->init(punishmentEmitter->definitionElement, false, hudScene, nullptr, pointerX, pointerY);
            ++busyCount;
        }
    }
    state.windowCountdown = settings.overclickWindow;
    return true;
}
