#include "game/scene/SceneElement.h"

// Every other slot stays {0, none} as its member initialiser leaves it.
SceneElement::SceneElement() {
    for (ScriptValue *computed : {&absX, &absY, &w, &h, &absScaleX, &absScaleY, &absAngle})
        computed->setNumber(0.0f);
    pivotX.setNumber(0.5f);
    pivotY.setNumber(0.5f);
}

// A slot read as a flag or number counts only while it holds a number.
bool SceneElement::isActive() const {
    return roundToInt(active.asNumber()) > 0;
}

bool SceneElement::isProActive() const {
    return roundToInt(proActive.asNumber()) != 0;
}

bool SceneElement::isNoHint() const {
    return roundToInt(noHint.asNumber()) != 0;
}

QuadPlacement SceneElement::placement() const {
    return {absX.asNumber(),   absY.asNumber(),   w.asNumber(), h.asNumber(),
            pivotX.asNumber(), pivotY.asNumber(), absAngle.asNumber()};
}

QuadCorners rotatedQuadCorners(const SceneElement &element) {
    return rotatedQuadCorners(element.placement());
}
