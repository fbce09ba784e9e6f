// One step of a scene: frame animations, key-frame tracks, the pointer sway and every element's
// placement, opacity, fade, emitters and video, then the depth sort that orders both drawing and hit
// testing.

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/sound/KSound.h"
#include "game/HoGameSettings.h"
#include "game/resources/HoSound.h"
#include "game/resources/HoVideo.h"
#include "game/scene/ElementFrameEvent.h"
#include "game/scene/HiddenObjectPicking.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/PointList.h"
#include "game/scene/SceneElement.h"
#include "game/scene/TextInputField.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptEvent.h"
#include "game/util/MathTables.h"
#include "game/world/HoWorld.h"
#include "video/TheoraVideoClip.h"

namespace {

constexpr float kSwayKeep = 0.993f;
constexpr float kSwayTowardTarget = 0.007f;
// The pointer counts as over the view this far outside it.
constexpr float kSwayMargin = 2.0f;
constexpr float kSmallestParallax = 0.1f;
constexpr float kHighlightStep = 0.05f;
constexpr float kHoverSoundRise = 0.01f;
constexpr float kHoverSoundFall = 0.005f;

// Parent transform flags: a child's x and y given relative to its parent, and which of the parent's
// angle and scales it takes on.
constexpr int kRelativeX = 0;
constexpr int kRelativeY = 1;
constexpr int kAddParentAngle = 4;
constexpr int kTimesParentScaleX = 6;
constexpr int kTimesParentScaleY = 7;

void fireFrameEvents(SceneElement *element) {
    int32_t frame = roundToInt(element->currentFrame);
    if (frame >= 0 && element->frameCount > 0)
        frame %= element->frameCount;
    for (int32_t i = 0; i < element->frameEvents.count(); ++i) {
        const ElementFrameEvent *entry = element->frameEvents[i];
        if (entry && entry->event && entry->frame == frame)
            entry->event->fire();
    }
}

// Whether the animation ended in this step: it stopped now, or, waited on cycle by cycle, its frame
// crossed into the next cycle. Without cycles (a frame count of 0) there is nothing to wait for: the
// wait ends at once rather than keeping the world busy for ever.
bool animationEnded(const SceneElement *element, bool wasAnimating, float previousFrame) {
    if (element->animating)
        return false;
    if (wasAnimating)
        return true;
    if (!element->cycleWait)
        return false;
    const int32_t cycle = element->frameCount;
    if (cycle <= 0)
        return true;
    // Truncating division, as the frame numbers of timed animations run through negative values.
    return roundToInt(previousFrame) / cycle < roundToInt(element->currentFrame) / cycle;
}

void stepFrameAnimation(HoScene *scene, SceneElement *element) {
    const bool wasAnimating = element->animating != 0;
    const float previousFrame = element->currentFrame;
    if (element->isActive())
        element->advanceFrame(element->currentFrame);
    fireFrameEvents(element);
    if (!animationEnded(element, wasAnimating, previousFrame))
        return;
    scene->queueAfterBlock(std::exchange(element->animationEndBlock, nullptr), true);
    if (element->cycleWait) {
        element->cycleWait = 0;
        scene->queueAfterBlock(std::exchange(element->cycleEndBlock, nullptr), true);
    }
}

// The value of a track at the owner's current frame: keys before the first frame give the first value,
// frames past the last wrap round it (a last key at frame 0 or below holds the last value), and between
// two keys the value moves in a straight line, angles the short way round.
float trackValue(const PointList &track) {
    const int32_t n = track.count;
    const int32_t *frames = track.frames;
    const float *values = track.values;
    int32_t frame = roundToInt(track.element->currentFrame);
    if (frame > frames[n - 1]) {
        if (frames[n - 1] < 1)
            return values[n - 1];
        frame %= frames[n - 1];
    }
    if (frame < frames[0])
        return values[0];
    int32_t lo = 0, hi = n - 1;
    while (lo < hi - 1) {
        int32_t mid = (lo + hi) / 2;
        if (frame < frames[mid])
            hi = mid;
        else
            lo = mid;
    }
    if (track.target == &track.element->angle)
        return lerpAngle(values[lo], values[hi], frame, frames[lo], frames[hi]);
    // Two keys on one frame: the later value holds.
    if (frames[hi] == frames[lo])
        return values[hi];
    return values[lo] + (values[hi] - values[lo]) * float(int64_t(frame) - frames[lo]) /
                            float(int64_t(frames[hi]) - frames[lo]);
}

void applyTrack(PointList *track) {
    if (!track || !track->target || !track->element)
        return;
    float value = 0.0f;
    if (track->count == 1)
        value = track->values[0];
    else if (track->count > 1)
        value = trackValue(*track);
    track->target->setNumber(value);
}

// The target of one axis of the sway: the pointer's place across the view, from -1 to 1.
float swayTarget(float pointer, float half, float scale) {
    return std::clamp(pointer / half * scale - 1.0f, -1.0f, 1.0f);
}

void moveSway(HoScene *scene) {
    const ScreenValues &screen = screenValues;
    const float s = sceneArtScale();
    const float x = scene->world->pointerX, y = scene->world->pointerY;
    if (!(x > -kSwayMargin && y > -kSwayMargin && x < screen.width / s + kSwayMargin &&
          y < screen.height / s + kSwayMargin))
        return;
    if (screen.halfWidth > 0.0f)
        scene->swayTargetX = swayTarget(x, screen.halfWidth, s);
    if (screen.halfHeight > 0.0f)
        scene->swayTargetY = swayTarget(y, screen.halfHeight, s);
    scene->swayX = kSwayKeep * scene->swayX + kSwayTowardTarget * scene->swayTargetX;
    scene->swayY = kSwayKeep * scene->swayY + kSwayTowardTarget * scene->swayTargetY;
}

void countBusy(HoWorld *world, SceneElement *element) {
    if (element->isActive() && element->animating && !element->animationFx)
        ++world->busyCount;
    if (element->cycleWait && !element->cycleFx)
        ++world->busyCount;
}

void stepFade(HoWorld *world, SceneElement *element) {
    if (!element->isFading())
        return;
    if (++element->fadeElapsedTicks >= element->fadeTicks)
        element->finishFade();
    else if (!element->fadeFx)
        ++world->busyCount;
}

void stepHighlight(const HoWorld *world, SceneElement *element) {
    if ((!element->renderable && !element->isTextInput) || world->highlightFreeze)
        return;
    if (element == world->hoveredElement) {
        element->highlight = std::min(element->highlight + kHighlightStep, 1.0f);
        if (element->textInput && element == world->clickedElement)
            element->textInput->focus = 1;
    }
    else
        element->highlight = std::max(element->highlight - kHighlightStep, 0.0f);
}

void stepTypewriter(SceneElement *element) {
    if (element->charsCount.type == kScriptNumber && element->charsCount.number >= 0.0f)
        element->charsCount.setNumber(element->charsCount.number + element->charsSpeed.asNumber());
}

void applyPins(SceneElement *element) {
    if (element->pendingMove) {
        element->x.setNumber(element->pendingX);
        element->y.setNumber(element->pendingY);
    }
    if (element->pendingZFlag)
        element->z.setNumber(element->pendingZ);
    if (element->pendingAngleFlag)
        element->angle.setNumber(element->pendingAngle);
}

// The child's position is taken in the parent's space, scaled by it and turned by its angle; a child
// placed relative to its parent (flags 0 and 1 set) has its y axis pointing up.
void applyParent(SceneElement *element, const SceneElement &parent) {
    const uint8_t *flags = element->optionFlags;
    const float parentX = parent.absX.asNumber(), parentY = parent.absY.asNumber();
    const float x = element->absX.asNumber() * parent.absScaleX.asNumber();
    const float y = element->absY.asNumber() * parent.absScaleY.asNumber();
    const float dx = flags[kRelativeX] ? x : x - parentX;
    const float dy = flags[kRelativeY] ? y : y - parentY;
    const int32_t turn = angleToTableIndex(parent.absAngle.asNumber());
    const float c = cosTable[turn], s = sinTable[turn];
    float turnedX, turnedY;
    if (!flags[kRelativeX] && !flags[kRelativeY]) {
        turnedX = c * dx + s * dy;
        turnedY = c * dy - s * dx;
    } else {
        turnedX = c * dx - s * dy;
        turnedY = -s * dx - c * dy;
    }
    if (flags[kAddParentAngle])
        element->absAngle.setNumber(element->absAngle.asNumber() + parent.absAngle.asNumber());
    element->absX.setNumber(turnedX + parentX);
    element->absY.setNumber(turnedY + parentY);
    if (flags[kTimesParentScaleX])
        element->absScaleX.setNumber(element->absScaleX.asNumber() * parent.absScaleX.asNumber());
    if (flags[kTimesParentScaleY])
        element->absScaleY.setNumber(element->absScaleY.asNumber() * parent.absScaleY.asNumber());
}

void place(HoScene *scene, SceneElement *element) {
    element->absX = element->x;
    element->absY = element->y;
    element->absScaleX = element->sx;
    element->absScaleY = element->sy;
    element->absAngle = element->angle;
    element->drawOrderKey = element->offsetZ.asNumber() + element->z.asNumber();
    if (element->parent)
        applyParent(element, *element->parent);
    if (scene->frameCounter == 1) {
        element->homeX = element->absX.asNumber();
        element->homeY = element->absY.asNumber();
        element->homeAngle = element->absAngle.asNumber();
    }
    if (!element->parent) {
        const float shiftX = scene->swayX * element->parallax, shiftY = scene->swayY * element->parallax;
        if (std::fabs(shiftX) > kSmallestParallax && element->parallaxX)
            element->absX.setNumber(element->absX.asNumber() - shiftX);
        if (std::fabs(shiftY) > kSmallestParallax && element->parallaxY)
            element->absY.setNumber(element->absY.asNumber() - shiftY);
    }
    element->cx.setNumber(element->absX.asNumber() + element->centreOffsetX);
    element->cy.setNumber(element->absY.asNumber() + element->centreOffsetY);
    element->w.setNumber(element->baseWidth * element->absScaleX.asNumber());
    element->h.setNumber(element->baseHeight * element->absScaleY.asNumber());
}

void applyOpacity(SceneElement *element) {
    if (!element->visible) {
        element->alpha.setNumber(0.0f);
        return;
    }
    const float base = element->baseOpacity.asNumber();
    float alpha = base;
    if (element->isFading()) {
        const float faded = float(element->fadeElapsedTicks) * base / float(element->fadeTicks);
        alpha = element->fadeIn ? faded : base - faded;
    }
    element->alpha.setNumber(alpha * element->blendFactor);
}

// The element's own emitter starts (in its steady state when it is switched on) and steps; a fading
// emitter, replaced by a newer one, only ages out while its strength falls. Spent emitters go back.
void stepEmitters(HoScene *scene, SceneElement *element) {
    RenderRecordPools &pools = scene->world->renderPools;
    if (ParticleEmitter *emitter = element->emitter) {
        if (!emitter->active) {
            emitter->init(element, true, nullptr, element, 0.0f, 0.0f);
            if (element->visible && element->mediaSwitch.asNumber() > 0.5f && element->isActive())
                emitter->preEmit();
        }
        if (element->active.type == kScriptNumber && element->active.number < 0.0f) {
            emitter->clear();
            element->active.setNumber(0.0f);
        }
        emitter->update(emitterModeFor(element->mediaSwitch.asNumber(), element->isActive()));
        if (!emitter->isAlive()) {
            pools.recycleEmitter(emitter);
            element->emitter = nullptr;
        }
    }
    if (ParticleEmitter *fading = element->fadingEmitter) {
        fading->update(kEmitterAgeOnly);
        if (!fading->isAlive()) {
            pools.recycleEmitter(fading);
            element->fadingEmitter = nullptr;
        } else {
            fading->strength = std::max(fading->strength - element->emitterFadeStep, 0.0f);
        }
    }
}

// A shown video whose element is switched on plays while the element is active and pauses when it is
// made inactive, taking its due frame while it plays and looping as the element's "loop" says. Hidden,
// switched off or past its stop-at frame, it stops and its element becomes inactive. A video without a
// clip (not loaded, or a file that could not be played) has nothing to play, but stops as any other.
void stepVideo(SceneElement *element) {
    HoVideo *video = element->video;
    if (!video)
        return;
    TheoraVideoClip *clip = video->clip;
    const bool beforeStop = video->stopAt < 0.0f || video->currentFrame < 0.0f || video->currentFrame <= video->stopAt;
    if (!element->visible || roundToInt(element->mediaSwitch.asNumber()) == 0 || !beforeStop) {
        video->stopAt = -1.0f;
        if (video->playing && clip)
            clip->pause();
        video->playing = false;
        element->active.setNumber(0.0f);
        return;
    }
    if (!clip)
        return;
    const bool active = element->isActive();
    if (active && !video->playing) {
        clip->play();
        video->playing = true;
    } else if (!active && video->playing) {
        clip->pause();
        video->playing = false;
        video->paused = true;
    }
    if (video->playing && !clip->isPaused() && !clip->isDone()) {
        video->updateFrame();
        const ScriptValue *loop = element->findNamedValue("loop", false);
        clip->setAutoRestart(loop && loop->type == kScriptNumber && loop->number > 0.0f);
    }
}

void stepElement(HoScene *scene, SceneElement *element) {
    HoWorld *world = scene->world;
    countBusy(world, element);
    stepFade(world, element);
    stepHighlight(world, element);
    stepTypewriter(element);
    applyPins(element);
    place(scene, element);
    applyOpacity(element);
    if (element->visible && !scene->applyingProperties)
        stepEmitters(scene, element);
    stepVideo(element);
    if (element->textInput)
        element->textInput->update();
}

// Insertion sort, ascending: an element passes another only when that one's key is strictly greater,
// so equal keys keep their order.
void sortByDrawKey(PtrArray<SceneElement> &elements) {
    for (int32_t i = 1; i < elements.count(); ++i) {
        SceneElement *moving = elements[i];
        int32_t j = i - 1;
        for (; j >= 0 && elements[j]->drawOrderKey > moving->drawOrderKey; --j)
            elements.set(j + 1, elements[j]);
        elements.set(j + 1, moving);
    }
}

} // namespace

void HoScene::update() {
    ++frameCounter;
    PtrArray<SceneElement> &elements = allElements.members;
    // Counts are read again every turn: a hook run from here may add to the lists.
    for (int32_t i = 0; i < elements.count(); ++i)
        stepFrameAnimation(this, elements[i]);
    for (int32_t i = 0; i < tracks.count(); ++i)
        applyTrack(tracks[i]);
    if (swayOn)
        moveSway(this);
    for (int32_t i = 0; i < updateOrder.count(); ++i)
        stepElement(this, updateOrder[i]);
    if (isHo) {
        layoutHoListInHud(this);
        updateFoundItems();
        advanceHoStrikes();
        checkHoCompletion();
    }
    sortByDrawKey(elements);
}

void HoScene::updateElementSounds() {
    PtrArray<SceneElement> &elements = allElements.members;
    for (int32_t i = 0; i < elements.count(); ++i) {
        SceneElement *element = elements[i];
        moveToward(element->soundVolume, element->soundVolumeTarget, kHoverSoundRise, kHoverSoundFall);
        HoSound *sound = element->sound;
        if (!sound || sound->hoverOwner != element)
            continue;
        if (!sound->engineSound || !sound->engineSound->isSoundPlaying())
            sound->play(element->soundVolume, false, false, world);
        else
            sound->setVolume(element->soundVolume, world);
    }
}
