// The element's frame animation and fade as the commands start them; the scene update moves both on.

#include <algorithm>
#include <cmath>
#include <utility>

#include "game/HoContext.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/PendingBlock.h"
#include "game/world/HoWorld.h"

namespace {

constexpr float kSmallestAnimationStep = 0.01f;

// Keeps the new block in the slot; an old block that it replaces is freed without running.
void replaceBlock(PendingBlock *&slot, PendingBlock *block) {
    if (slot && slot != block)
        freePendingBlock(slot);
    slot = block;
}

// The timer stops and its end block goes to the scene's after queue.
void stopFadeTimer(SceneElement &element) {
    element.fadeElapsedTicks = element.fadeTicks = 0;
    if (PendingBlock *block = std::exchange(element.fadeEndBlock, nullptr))
        element.scene->queueAfterBlock(block, false);
}

bool gameStopping(const SceneElement &element) {
    const HoContext *context = element.scene && element.scene->world ? element.scene->world->context : nullptr;
    return context && context->stop.load();
}

} // namespace

void SceneElement::startAnimation(int32_t start, int32_t end, float step, bool fx, PendingBlock *endBlock) {
    pendingMove = 0;
    animating = 1;
    startFrame = start;
    endFrame = end;
    // Written so that a step that is not a number is raised too.
    animationDuration = step >= kSmallestAnimationStep ? step : kSmallestAnimationStep;
    currentFrame = float(start);
    animationFx = fx ? 1 : 0;
    replaceBlock(animationEndBlock, endBlock);
}

void SceneElement::advanceFrame(float &frame) {
    if (startFrame > endFrame) {
        frame -= animationDuration;
        if (frame <= float(endFrame)) {
            frame = float(endFrame);
            animating = 0;
        }
        return;
    }
    frame += animationDuration;
    if (startFrame >= 0) {
        animating = 0;
    } else if (frame >= float(endFrame)) {
        frame = float(endFrame);
        animating = 0;
    }
}

int32_t SceneElement::remainingAnimationTicks() const {
    if (!animating)
        return 0;
    // An animation from frame 0 or later runs free: it counts as ended at the next update.
    if (startFrame <= endFrame && startFrame >= 0)
        return 1;
    double distance = startFrame > endFrame ? double(currentFrame) - endFrame : double(endFrame) - currentFrame;
    double ticks = std::ceil(std::max(distance, 0.0) / double(animationDuration));
    return ticks < double(INT32_MAX) ? int32_t(ticks) : INT32_MAX;
}

void SceneElement::startFade(int32_t ticks, bool fadingIn, bool fx, PendingBlock *endBlock) {
    if (isFading()) {
        if (fadeEndBlock == endBlock) {
            // Scaled in 64 bits: the product of two tick counts need not fit in 32.
            fadeElapsedTicks = int32_t(int64_t(fadeElapsedTicks) * ticks / fadeTicks);
        } else {
            // The new fade takes over from full strength; the old one's end does not hide the element
            // first, or a fade-out restarted by a script would make it vanish at once.
            stopFadeTimer(*this);
        }
    } else {
        fadeElapsedTicks = 0;
    }
    if (gameStopping(*this))
        ticks = 0;
    fadeTicks = ticks;
    fadeIn = fadingIn ? 1 : 0;
    fadeFx = fx ? 1 : 0;
    replaceBlock(fadeEndBlock, endBlock);
    if (fadingIn)
        visible = 1;
    if (fadeTicks <= fadeElapsedTicks)
        finishFade();
}

void SceneElement::finishFade() {
    if (!fadeIn)
        visible = 0;
    stopFadeTimer(*this);
}
