// The hint search: from the scene the player is in, scenes are probed breadth first (the scenes that
// goto handlers lead to before the forced hint scenes, zoom zones and mini-games) until something to do
// in this place turns up. A probe runs a scene's handlers in hint mode, where they report their
// elements and queue the scenes they lead to instead of acting; a hidden-object scene offers its
// listed elements not yet found. The results reach the scripts through the "hud" scene's variables.
//
// A scene reached twice through the same element is probed once, so scenes that lead to each other
// end the search.

#include <algorithm>
#include <string>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/HoGameSettings.h"
#include "game/player/HoInventoryItem.h"
#include "game/scene/ElementName.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptVariable.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldHints.h"

namespace {

constexpr float kNormalModeShift = 256.0f;

// The place an element belongs to: its scene when that stands alone or has no parent, else the parent.
HoScene *rootOf(const SceneElement *element) {
    HoScene *scene = element ? element->scene : nullptr;
    if (!scene)
        return nullptr;
    return scene->isStandalone || !scene->parent ? scene : scene->parent;
}

template <typename T>
void appendOnce(PtrArray<T> &list, T *entry) {
    if (entry && list.indexOf(entry) < 0)
        list.append(entry);
}

bool holdsNumberOne(const ScriptValue *value) {
    return value && value->type == kScriptNumber && truncToInt(value->number) == 1;
}

// A mini-game that the player may skip counts as something to do.
bool isSkippableMiniGame(const HoScene *scene) {
    return nameStartsWith(scene->name, "mg_") && (holdsNumberOne(scene->variableValue("#skip_started")) ||
                                 holdsNumberOne(scene->variableValue("#skip_enabled")));
}

SceneElement *firstElement(const HoScene *scene) {
    return scene->allElements.members.empty() ? nullptr : scene->allElements.members[0];
}

// The element may be offered from a hidden-object scene: shown (or pro-active), hinted, listed and
// neither found nor taken, nor is the element showing it taken.
bool isOpenHiddenObject(SceneElement *element, bool glitter) {
    const ElementPickInfo *pick = element->pickInfo;
    if (!(element->visible || element->isProActive()) || (!glitter && element->isNoHint()))
        return false;
    if (!pick || !pick->item || pick->found || pick->taken)
        return false;
    const SceneElement *display = pick->display;
    return !(display && display->pickInfo && display->pickInfo->taken);
}

// Slots the world may not have bound (no "hud" scene) are passed over.
void setSlotNumber(ScriptValue *slot, float number) {
    if (slot)
        slot->setNumber(number);
}

void setSlotPointer(ScriptValue *slot, int32_t type, const void *pointer) {
    if (slot)
        slot->setPointer(type, pointer);
}

void clearSlot(ScriptValue *slot) {
    if (slot)
        slot->clear();
}

ScriptValue *hudVariable(HoWorld *world, const char *name) {
    return world->hudScene ? findOrCreateVariable(&world->hudScene->script, name, nullptr)->value : nullptr;
}

void setHudNumber(HoWorld *world, const char *name, float number) {
    setSlotNumber(hudVariable(world, name), number);
}

void setHudPointer(HoWorld *world, const char *name, int32_t type, const void *pointer) {
    setSlotPointer(hudVariable(world, name), type, pointer);
}

// How far the view of the element's scene has the scene moved on the screen, in design units: by its
// camera, and (for the hint pointing at a zoom zone's element) by the element that opened the zone and the
// normal display mode's margin.
struct ViewShift {
    float x = 0.0f;
    float y = 0.0f;
};

ViewShift viewShiftOf(const HoWorld &world, const SceneElement &target, bool forHint) {
    const HoScene &scene = *target.scene;
    const float k = 1.0f / screenValues.artScale;
    const float z = scene.cameraScale != 0.0f ? 1.0f / scene.cameraScale : 1.0f;
    const float hw = screenValues.halfWidth, hh = screenValues.halfHeight;
    ViewShift shift;
    shift.y = (scene.cameraY - k * hh) * z + k * hh - k * z * hh;
    if (!forHint) {
        shift.x = (scene.cameraX - k * hw) * z + k * hw - screenValues.viewOffsetX - z * k * hw;
        return shift;
    }
    shift.x = (scene.cameraX - k * hw) * z + k * hw - (screenValues.viewOffsetX + hw) * z * k;
    const HoGame *game = world.reachableGame();
    for (const ZoomLayer &layer : world.zoomLayers) {
        const SceneElement *opener = layer.zone == &scene ? layer.openArgument : nullptr;
        // An opener of no width leaves the shift as it is.
        if (opener && opener->sx.asNumber() != 0.0f && game) {
            shift.x += opener->cx.asNumber() - (game->settings.wideWidth * 0.5f / opener->sx.asNumber()) * k;
            break;
        }
    }
    if (normalModeActive && !(game && game->wide))
        shift.x -= kNormalModeShift;
    return shift;
}

// The inventory item the element names as its "inventory_item" when the player holds it. Looked up
// without making the value, so that asking for a hint adds nothing to the element (nor to a save).
HoInventoryItem *heldItemNamedBy(SceneElement *element) {
    const ScriptValue *named = element->findNamedValue("inventory_item", false);
    auto *item = named && named->type == kScriptInventoryItem ? static_cast<HoInventoryItem *>(named->pointer) : nullptr;
    return item && item->isPicked() ? item : nullptr;
}

void clearResults(HintSearch &hints) {
    hints.sameRoot.clear();
    hints.sameRootItems.clear();
    hints.blocks.clear();
    hints.otherRoot.clear();
    hints.otherRootScenes.clear();
    hints.otherRootZones.clear();
}

void clearQueues(HintSearch &hints) {
    hints.gotoQueue.clear();
    hints.linkQueue.clear();
    hints.visited.clear();
}

// The first node (first in, first out), or the first with the last taken into its place.
HintNode takeFirst(std::deque<HintNode> &queue, bool lastIntoPlace) {
    HintNode first = queue.front();
    if (lastIntoPlace) {
        queue.front() = queue.back();
        queue.pop_back();
    } else {
        queue.pop_front();
    }
    return first;
}

} // namespace

HoScene *HoWorld::hintStartScene() const {
    return topScene ? topScene : activeScene;
}

bool HoWorld::wasHintVisited(const HintNode &node) const {
    return hints.visited.count(node) != 0;
}

SceneElement *HoWorld::hintVia(SceneElement *element) const {
    if (!hints.probing || (element && element->scene == hintStartScene()))
        return element;
    return hints.current.via;
}

void HoWorld::queueHintScene(bool gotoQueue, SceneElement *via, HoScene *scene) {
    if (!scene)
        return;
    const HintNode node{via, scene};
    if (wasHintVisited(node))
        return;
    (gotoQueue ? hints.gotoQueue : hints.linkQueue).push_back(node);
}

int32_t HoWorld::addHintTarget(SceneElement *reached, HoInventoryItem *argument) {
    SceneElement *recorded = hints.probing && hints.current.via ? hints.current.via : reached;
    if (!recorded)
        return 0;
    if (!recorded->zoomZoneScene && rootOf(recorded) == rootOf(reached)) {
        appendOnce(hints.sameRoot, recorded);
        hints.sameRootItems.append(argument);
        return 1;
    }
    appendOnce(hints.otherRoot, recorded);
    appendOnce(hints.otherRootScenes, rootOf(reached));
    appendOnce(hints.otherRootZones, recorded->zoomZoneScene);
    return 2;
}

void HoWorld::probeScene(HoScene *scene, bool glitter) {
    auto runHandlers = [&] {
        hintProbe = 1;
        hints.glitterMode = glitter ? 1 : 0;
        runObjectHandlers(&scene->script, scene->script.scripts);
        hintProbe = 0;
        hints.glitterMode = 0;
    };
    if (!scene->isHo) {
        runHandlers();
        return;
    }
    if (scene->isZoomZone && scene != hintStartScene()) {
        if (SceneElement *first = firstElement(scene))
            addHintTarget(first, nullptr);
        return;
    }
    PtrArray<SceneElement> &elements = scene->allElements.members;
    for (int32_t i = 0; i < elements.count(); ++i) {
        SceneElement *element = elements[i];
        if (!isOpenHiddenObject(element, glitter))
            continue;
        SceneElement *offered = glitter ? element->pickInfo->display : element;
        if (offered)
            hints.otherRoot.append(offered);
    }
    if (hints.otherRoot.empty()) {
        runHandlers();
        hints.linkQueue.clear();
    }
}

namespace {

// Visits the node: probed once per (scene, via) pair, a skippable mini-game reached counting as a target.
// False when the pair was visited before.
bool visit(HoWorld &world, const HintNode &node, bool glitter, bool miniGames) {
    HintSearch &hints = world.hints;
    if (world.wasHintVisited(node))
        return false;
    hints.visited.insert(node);
    hints.current = node;
    hints.probing = 1;
    world.probeScene(node.scene, glitter);
    if (miniGames && node.scene != world.hintStartScene() && isSkippableMiniGame(node.scene)) {
        if (SceneElement *first = firstElement(node.scene))
            world.addHintTarget(first, nullptr);
    }
    hints.probing = 0;
    hints.current = HintNode();
    return true;
}

// Every scene flagged "#is_forced_to_hint_scene" joins the links, through the "hud" element of its name.
void queueForcedHintScenes(HoWorld &world, HoScene *start) {
    for (int32_t i = 0; i < world.scenes.count(); ++i) {
        HoScene *scene = world.scenes[i];
        if (!holdsNumberOne(scene->variableValue("#is_forced_to_hint_scene")))
            continue;
        SceneElement *via = scene == start || !world.hudScene ? nullptr : world.hudScene->findElement(scene->name);
        world.hints.linkQueue.push_back({via, scene});
    }
}

} // namespace

void HoWorld::searchHint() {
    setSlotNumber(hintSlots.shown, 0.0f);
    setSlotNumber(hintSlots.forGlitter, 0.0f);
    clearSlot(hintSlots.element);
    clearSlot(hintSlots.elementItem);
    HoScene *start = hintStartScene();
    if (!start)
        return;
    clearQueues(hints);
    hints.linkQueue.push_back({nullptr, start});
    queueForcedHintScenes(*this, start);
    clearResults(hints);
    hints.firstLevelCount = 0;
    do {
        const bool fromGoto = !hints.gotoQueue.empty();
        if (!fromGoto && hints.linkQueue.empty())
            break;
        const HintNode node = takeFirst(fromGoto ? hints.gotoQueue : hints.linkQueue, false);
        if (visit(*this, node, false, true) && !node.via)
            hints.firstLevelCount = hints.otherRoot.count();
    } while (hints.sameRoot.empty() || !hints.gotoQueue.empty());
    clearQueues(hints);
}

void HoWorld::requestHint() {
    searchHint();
    HoScene *start = hintStartScene();
    SceneElement *target = nullptr;
    HoInventoryItem *item = nullptr;
    ScriptTask *block = nullptr;
    bool otherScene = false;
    if (!hints.sameRoot.empty()) {
        SceneElement *first = hints.sameRoot[0];
        if (first->scene == start || first->scene == hudScene) {
            target = first;
            item = hints.sameRootItems[0];
        } else {
            item = heldItemNamedBy(first);
        }
    }
    if (!target && !item) {
        if (!hints.blocks.empty())
            block = hints.blocks[0];
        else if (!hints.otherRoot.empty()) {
            target = hints.otherRoot[0];
            otherScene = hints.firstLevelCount <= 0;
        }
    }
    clearSlot(hintSlots.element);
    if (!hintSlots.shown || roundToInt(hintSlots.shown->asNumber()) != 0)
        return;
    if (!target && !item) {
        if (block) {
            setSlotPointer(hintSlots.element, kScriptTask, block);
            hintSlots.shown->setNumber(3.0f);
        }
        return;
    }
    if (target) {
        setSlotPointer(hintSlots.element, kScriptElement, target);
        const ViewShift shift = viewShiftOf(*this, *target, true);
        setHudNumber(this, "#hint_x", target->cx.asNumber() - shift.x);
        setHudNumber(this, "#hint_y", target->cy.asNumber() - shift.y);
        SceneElement *second = target->pickInfo && target->pickInfo->display ? target->pickInfo->display
                                                                               : target->linkedElement;
        setHudPointer(this, "#hint_element_2", kScriptElement, second);
        if (otherScene && nameStartsWith(target->name, "zz_"))
            otherScene = false;
    }
    hintSlots.shown->setNumber(otherScene ? 2.0f : 1.0f);
    if (otherScene) {
        if (!hints.otherRootScenes.empty())
            setHudPointer(this, "#hint_scene", kScriptScene, hints.otherRootScenes[0]);
        if (!hints.otherRootZones.empty())
            setHudPointer(this, "#hint_scene2", kScriptScene, hints.otherRootZones[0]);
    }
    if (item && !otherScene)
        setSlotPointer(hintSlots.elementItem, kScriptInventoryItem, item);
}

void HoWorld::requestGlitterHint() {
    setSlotNumber(hintSlots.forGlitter, 1.0f);
    clearSlot(hintSlots.glitterElement);
    HoScene *start = hintStartScene();
    if (!start)
        return;
    clearQueues(hints);
    clearResults(hints);
    probeScene(start, true);
    while (!hints.gotoQueue.empty())
        visit(*this, takeFirst(hints.gotoQueue, true), true, false);
    SceneElement *chosen = nullptr;
    const int32_t found = hints.sameRoot.count();
    if (found > 0) {
        do {
            const int32_t i = truncToInt((double(found - 1) + 0.95) * randomUnit());
            chosen = hints.sameRoot[std::min(std::max(i, 0), found - 1)];
        } while (chosen == hints.lastGlitterTarget && found > 1);
    } else if (!hints.otherRoot.empty()) {
        const int32_t last = hints.otherRoot.count() - 1;
        chosen = hints.otherRoot[std::min(std::max(randomInt(last, 0), 0), last)];
    }
    hints.lastGlitterTarget = chosen;
    clearQueues(hints);
    if (!chosen)
        return;
    setSlotPointer(hintSlots.glitterElement, kScriptElement, chosen);
    const ViewShift shift = viewShiftOf(*this, *chosen, false);
    setHudNumber(this, "#hint_glitter_x", chosen->cx.asNumber() - shift.x);
    setHudNumber(this, "#hint_glitter_y", chosen->cy.asNumber() - shift.y);
}

void HoWorld::checkLocationTasks() {
    ScriptContext *global = globalContext();
    const ScriptVariable *named = global ? findVariable(global, "##check_location_name") : nullptr;
    const char *name = named && named->value->type == kScriptText ? named->value->text() : nullptr;
    HoScene *place = name ? findScene(name) : nullptr;
    clearQueues(hints);
    clearResults(hints);
    if (place) {
        visit(*this, {nullptr, place}, false, false);
        while (hints.sameRoot.empty() && !hints.gotoQueue.empty())
            visit(*this, takeFirst(hints.gotoQueue, true), false, false);
        while (hints.sameRoot.empty() && !hints.linkQueue.empty()) {
            const HintNode node = takeFirst(hints.linkQueue, true);
            if (node.scene->parent == place)
                visit(*this, node, false, true);
        }
        if (hints.sameRoot.empty() && !hints.otherRoot.empty())
            hints.sameRoot.append(hints.otherRoot[0]);
    }
    clearQueues(hints);
    if (global)
        findOrCreateVariable(global, "##location_tasks_state", nullptr)
            ->value->setNumber(hints.sameRoot.empty() ? -1.0f : 0.0f);
}

namespace {

// The element takes part in a probe: active or pro-active, and hinted (no_hint counts only outside
// glitter mode).
bool takesPartInHint(const HoWorld &world, const SceneElement *element) {
    return element && (element->isActive() || element->isProActive()) &&
           (world.hints.glitterMode || !element->isNoHint());
}

int32_t showHint(const HoWorld &world) {
    return world.showHintSlot ? roundToInt(world.showHintSlot->asNumber()) : 0;
}

} // namespace

void HoWorld::hintLook(SceneElement *element, bool flagged) {
    if (!hintProbe || !takesPartInHint(*this, element))
        return;
    if (nameStartsWith(element->name, "mg_")) {
        const ScriptValue *leads = element->findNamedValue("goto_scene", false);
        if (!hints.glitterMode && leads && leads->type == kScriptScene)
            queueHintScene(false, hintVia(element), static_cast<HoScene *>(leads->pointer));
        return;
    }
    if (flagged && (showHint(*this) > 0 || hints.glitterMode))
        addHintTarget(element, nullptr);
}

void HoWorld::hintGoto(SceneElement *element) {
    const int32_t show = showHint(*this);
    if (!hintProbe || !takesPartInHint(*this, element) || show <= 0)
        return;
    if (show == 2)
        addHintTarget(element, nullptr);
    else if (element->portalScene)
        queueHintScene(true, hintVia(element), element->portalScene);
    else if (!hints.glitterMode && element->zoomZoneScene)
        queueHintScene(false, hintVia(element), element->zoomZoneScene);
}

void HoWorld::hintHandler(SceneElement *element, ScriptTask *task) {
    if (!hintProbe || (element && !takesPartInHint(*this, element)))
        return;
    if (addHintTarget(element, nullptr) == 0 && task)
        hints.blocks.append(task);
}

void HoWorld::hintReport(SceneElement *element) {
    if (hintProbe && takesPartInHint(*this, element))
        addHintTarget(element, nullptr);
}

void requestHintNative(void *world, ScriptStatement *) {
    static_cast<HoWorld *>(world)->requestHint();
}

void requestGlitterHintNative(void *world, ScriptStatement *) {
    static_cast<HoWorld *>(world)->requestGlitterHint();
}

void checkLocationTasksNative(void *world, ScriptStatement *) {
    static_cast<HoWorld *>(world)->checkLocationTasks();
}
