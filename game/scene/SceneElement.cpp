#include "game/scene/SceneElement.h"

namespace {

// A slot read as a flag or number counts only while it holds a number.
float numberOf(const ScriptValue &slot) {
    return slot.type == kScriptNumber ? slot.number : 0.0f;
}

} // namespace

// Every other slot stays {0, none} as its member initialiser leaves it.
SceneElement::SceneElement() {
    for (ScriptValue *computed : {&absX, &absY, &w, &h, &absScaleX, &absScaleY, &absAngle})
        computed->setNumber(0.0f);
    pivotX.setNumber(0.5f);
    pivotY.setNumber(0.5f);
}

bool SceneElement::isActive() const {
    return roundToInt(numberOf(active)) > 0;
}

bool SceneElement::isProActive() const {
    return roundToInt(numberOf(proActive)) != 0;
}

bool SceneElement::isNoHint() const {
    return roundToInt(numberOf(noHint)) != 0;
}

QuadPlacement SceneElement::placement() const {
    return {numberOf(absX),   numberOf(absY),   numberOf(w),       numberOf(h),
            numberOf(pivotX), numberOf(pivotY), numberOf(absAngle)};
}

QuadCorners rotatedQuadCorners(const SceneElement &element) {
    return rotatedQuadCorners(element.placement());
}
