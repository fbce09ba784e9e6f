// The per-update steps of a hidden-object scene: found elements disappear, their list entries are struck
// through and make room for the items beyond the twelfth, and the finished list runs "ho_finished" (a
// riddle first turns into its reward).

#include <algorithm>
#include <cmath>
#include <string>

#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HiddenObjectPicking.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptExecution.h"
#include "game/world/HoWorld.h"

namespace {

constexpr int32_t kMostShownItems = 12;
constexpr int32_t kDisappearStart = -70;
constexpr int32_t kGrowingDisappearance = 2; // any other type pulses
constexpr int32_t kFadeTicks = 20;
constexpr float kStrikeStep = 2.0f;
constexpr float kSincLift = 0.22f;
constexpr float kFoundEmitterInset = 10.0f;

// sin t / t, 1 where t is 0.
float sinc(float t) {
    return t == 0.0f ? 1.0f : std::sin(t) / t;
}

// How the disappearance is drawn, from the game configuration.
struct DisappearSettings {
    explicit DisappearSettings(const HoWorld *world)
        : type(roundToInt(world->configurationNumber("hud.ho.disappear_type", 1.0f))),
          speed(world->configurationNumber("hud.ho.disappear_speed", 1.0f)),
          phase(world->configurationNumber("hud.ho.disappear_phase", 1.0f)),
          scale(world->configurationNumber("hud.ho.disappear_scale", 0.2f)),
          minX(world->configurationNumber("hud.ho.disappear_min_x", 0.0f)),
          clampStart(world->configurationNumber("hud.ho.disappear_clamp_start", 23.0f)),
          clampFactor(world->configurationNumber("hud.ho.disappear_clamp_factor", 2.0f)) {
        // A sweep that never moves would keep the scene busy for ever.
        if (!(speed > 0.0f))
            speed = 1.0f;
    }

    // The size factor of the pulsing disappearance at the counter: a dying sin t / t swing, held at its
    // value at the clamp start and then eased back to it.
    float pulse(int32_t counter) const {
        const float t = float(counter - kDisappearStart) * phase + minX;
        float f = (sinc(t) + kSincLift) * scale + 1.0f;
        if (t >= clampStart) {
            const float held = 1.0f + (kSincLift + sinc(clampStart)) * scale;
            const float weight = std::max(0.0f, 1.0f - (t - clampStart) * clampFactor);
            f = (f - held) * weight + held;
        }
        return f;
    }

    int32_t type;
    float speed;
    float phase;
    float scale;
    float minX;
    float clampStart;
    float clampFactor;
};

// The size factor of the growing disappearance: up by 30 % from counter -50 to -30, then down to nothing.
float growth(int32_t counter) {
    float f = 1.0f;
    if (counter > -50 && counter < -29)
        f = float(counter + 50) * 0.05f * 0.3f + 1.0f;
    if (counter >= -30)
        f = 1.3f - float(counter + 30) * 0.033333335f;
    return f;
}

void resize(SceneElement *element, float factor) {
    element->w.setNumber(element->w.asNumber() * factor);
    element->h.setNumber(element->h.asNumber() * factor);
}

// The disappearance is over: the display element is hidden at its own depth again and its entry is to be
// struck through.
void endDisappearance(SceneElement *element, SceneElement *display) {
    ElementPickInfo *shown = display->pickInfo;
    stopEmitter(shown->dissolveEmitters[0]);
    stopEmitter(shown->dissolveEmitters[1]);
    display->visible = 0;
    display->pendingZFlag = 0;
    display->z.setNumber(element->pickInfo->savedDepth);
    shown->disappearing = 0;
    shown->striking = 1;
}

void boundingBox(const SceneElement &element, ElementPickInfo *pick) {
    const QuadCorners quad = rotatedQuadCorners(element);
    pick->left = pick->right = quad[0].x;
    pick->top = pick->bottom = quad[0].y;
    for (const ScreenPoint &corner : quad) {
        pick->left = std::min(pick->left, corner.x);
        pick->right = std::max(pick->right, corner.x);
        pick->top = std::min(pick->top, corner.y);
        pick->bottom = std::max(pick->bottom, corner.y);
    }
}

// The pulsing disappearance: the display element swings in size while two dissolving emitters sweep
// across it from the left; it is gone when they reach its right edge.
void pulseAway(const DisappearSettings &settings, SceneElement *element, SceneElement *display) {
    ElementPickInfo *shown = display->pickInfo;
    HoWorld *world = element->scene->world;
    resize(display, settings.pulse(shown->disappearCounter));
    if (display != element && display->alpha.asNumber() == 1.0f && element->visible &&
        !(element->isFading() && !element->fadeIn))
        element->startFade(kFadeTicks, false, true, nullptr);
    if (shown->disappearCounter == 0) {
        const char *names[] = {"ho_dissolve", "ho_dissolve2"};
        for (int32_t i = 0; i < 2; ++i) {
            stopEmitter(shown->dissolveEmitters[i]);
            shown->dissolveEmitters[i] = world->spawnEmitterAt(names[i], true, element->scene, 0.0f, 0.0f, true);
        }
    }
    boundingBox(*display, shown);
    if (shown->disappearCounter < 0)
        return;
    const float width = shown->right - shown->left;
    shown->sweep = float(shown->disappearCounter) * display->w.asNumber() * settings.speed * 0.01f;
    for (ParticleEmitter *emitter : shown->dissolveEmitters) {
        if (!emitter)
            continue;
        emitter->placementX = shown->left + shown->sweep;
        emitter->placementY = (shown->top + shown->bottom) * 0.5f;
        emitter->clipHalfWidth = width * 0.5f;
        emitter->clipHalfHeight = std::sqrt(std::max(0.0f, shown->bottom - shown->top) * 0.2f) * 3.5f;
    }
    if (shown->sweep < width)
        return;
    endDisappearance(element, display);
    const HiddenObjectItem *item = element->pickInfo->item;
    if (item->listPosition < kMostShownItems) {
        stopEmitter(shown->foundEmitter);
        shown->foundEmitter = world->spawnEmitterAt("ho_found", true, world->hudScene,
                                                    item->panelX - item->cellWidth * 0.5f + kFoundEmitterInset,
                                                    item->panelY, true);
    }
}

// The growing disappearance: the display element swells and shrinks to nothing with dissolving particles on it.
void growAway(SceneElement *element, SceneElement *display) {
    ElementPickInfo *shown = display->pickInfo;
    HoWorld *world = element->scene->world;
    resize(display, growth(shown->disappearCounter));
    if (display != element && display->alpha.asNumber() == 1.0f)
        element->visible = 0;
    if (shown->disappearCounter == kDisappearStart + 1 && world->particlesScene) {
        const char *names[] = {"ho_dissolve", "ho_dissolve2"};
        for (int32_t i = 0; i < 2; ++i) {
            stopEmitter(shown->dissolveEmitters[i]);
            shown->dissolveEmitters[i] = world->spawnEmitter(world->particlesScene->findElement(names[i]), true,
                                                             element->scene, display, 0.0f, 0.0f, true);
        }
    }
    if (shown->disappearCounter >= 0)
        endDisappearance(element, display);
}

bool allCounted(const PtrArray<HiddenObjectItem> &items, int32_t HiddenObjectItem::*counter) {
    bool all = true;
    for (int32_t i = 0; i < items.count(); ++i)
        all = all && items[i]->*counter == items[i]->elements.count();
    return all;
}

bool isFinished(const HiddenObjectItem *item) {
    return item->finishedCount == item->elements.count();
}

} // namespace

void HoScene::updateFoundItems() {
    const DisappearSettings settings(world);
    PtrArray<SceneElement> &elements = allElements.members;
    for (int32_t i = 0; i < elements.count(); ++i) {
        SceneElement *element = elements[i];
        if (!element->pickInfo || !element->pickInfo->item)
            continue;
        SceneElement *display = displayOf(element);
        if (!display->pickInfo || !display->pickInfo->disappearing)
            continue;
        ++display->pickInfo->disappearCounter;
        if (settings.type == kGrowingDisappearance)
            growAway(element, display);
        else
            pulseAway(settings, element, display);
    }
}

void HoScene::advanceHoStrikes() {
    const bool riddle = isHoRiddle();
    PtrArray<SceneElement> &elements = allElements.members;
    for (int32_t i = 0; i < elements.count(); ++i) {
        SceneElement *element = elements[i];
        ElementPickInfo *pick = element->pickInfo;
        HiddenObjectItem *item = pick ? pick->item : nullptr;
        ElementPickInfo *shown = item ? displayOf(element)->pickInfo : nullptr;
        if (!shown || !shown->striking)
            continue;
        if (riddle || shown->strikeProgress < 0.0f) {
            stopEmitter(shown->foundEmitter);
            shown->striking = 0;
            pick->found = 1;
            if (pick->foundOrder == 0)
                pick->foundOrder = ++item->foundCount;
            if (++item->finishedCount == item->elements.count())
                item->listAlpha = 0.0f;
        } else {
            shown->strikeProgress += kStrikeStep;
            item->listAlpha = 1.0f;
        }
    }
    // A finished item among the first twelve gives its place to the first unfinished one beyond them.
    const int32_t shownCount = std::min(hoItems.count(), kMostShownItems);
    for (int32_t i = 0; i < shownCount; ++i) {
        if (!isFinished(hoItems[i]))
            continue;
        for (int32_t k = kMostShownItems; k < hoItems.count(); ++k) {
            if (isFinished(hoItems[k]))
                continue;
            HiddenObjectItem *finished = hoItems[i];
            hoItems.set(i, hoItems[k]);
            hoItems.set(k, finished);
            layoutHoItem(hoItems[i], shownCount, i);
            layoutHoItem(hoItems[k], shownCount, k);
            break;
        }
    }
}

void HoScene::checkHoCompletion() {
    if (!hoActive)
        return;
    for (int32_t i = 0; i < hoItems.count(); ++i) {
        if (hoItems[i]->foundCount != hoItems[i]->elements.count())
            hoItems[i]->listAlpha = 1.0f;
    }
    if (hoCompleted || !allCounted(hoItems, &HiddenObjectItem::foundCount))
        return;
    if (!allCounted(hoItems, &HiddenObjectItem::finishedCount)) {
        ++world->busyCount;
        return;
    }
    const ScriptValue *riddle = variableValue("#ho_is_riddle");
    const ScriptValue *reward = variableValue("#reward");
    const char *rewardName = reward && reward->type == kScriptText ? reward->text() : nullptr;
    SceneElement *rewardElement = rewardName ? findElement(rewardName) : nullptr;
    if (riddle && riddle->type == kScriptNumber && riddle->number == 1.0f && rewardElement &&
        !findHoItem(rewardName)) {
        // The riddle is solved: its reward is the one item left to find.
        PtrArray<SceneElement> &elements = allElements.members;
        for (int32_t i = 0; i < elements.count(); ++i)
            resetPickInfo(elements[i]);
        clearHoItems();
        auto *item = new HiddenObjectItem(this);
        item->setName(rewardName);
        hoItems.append(item);
        layoutHoItem(item, 1, 0);
        listHoElement(item, rewardElement);
        rewardElement->pickInfo->item = item;
        rewardElement->pickInfo->wasListed = 1;
        callScriptFunction(findFunction(&script, "ho_riddle_activated"), false, nullptr);
        return;
    }
    hoActive = 0;
    hoCompleted = 1;
    callScriptFunction(hoFinished, false, nullptr);
}
