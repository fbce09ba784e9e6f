#include "game/scene/HiddenObjectPicking.h"

#include <algorithm>

#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneView.h"
#include "game/script/ScriptExecution.h"
#include "game/world/HoWorld.h"

namespace {

constexpr int32_t kHoldFadeTicks = 5;
constexpr int32_t kDisplayFadeTicks = 20;
constexpr int32_t kDisappearStart = -70;
constexpr int32_t kMaxPanelRows = 3;
constexpr int32_t kHudListColumns = 6;
constexpr int32_t kHudListRows = 2;

bool hasListedItem(const SceneElement *element) {
    return element && element->pickInfo && element->pickInfo->item;
}

// The hook runs only when the scene has it, with "#ho_found_object" naming the element.
void runHoHook(HoScene *scene, ScriptFunction *hook, SceneElement *element) {
    if (!hook)
        return;
    if (scene->hoFoundObjectSlot)
        scene->hoFoundObjectSlot->setPointer(kScriptElement, element);
    callScriptFunction(hook, false, nullptr);
}

// The lowest draw key of the scene: the element drawn last, in front of all others.
float frontmostDrawKey(const HoScene *scene) {
    const PtrArray<SceneElement> &elements = scene->allElements.members;
    float front = 0.0f;
    for (int32_t i = 0; i < elements.count(); ++i)
        front = i == 0 ? elements[i]->drawOrderKey : std::min(front, elements[i]->drawOrderKey);
    return front;
}

// The element that shows the disappearance is brought in front of everything and starts to vanish over
// the whole screen.
void startDisappearance(SceneElement *element, SceneElement *display) {
    ElementPickInfo *shown = display->pickInfo;
    shown->disappearing = 1;
    shown->disappearCounter = kDisappearStart;
    shown->sweep = 0.0f;
    shown->coverScreen();
    element->pickInfo->savedDepth = display->z.asNumber();
    display->pendingZFlag = 1;
    display->pendingZ = frontmostDrawKey(element->scene) - 1.0f;
}

// The item's place in a grid of cells of the columns and rows centred on the point: rows run upwards from
// the bottom row's centre. The item's own cell size is the panel's, which this leaves alone.
void placeOnGrid(HiddenObjectItem *item, int32_t position, int32_t columns, int32_t rows, float centreX,
                 float centreY, float cellWidth, float cellHeight) {
    item->panelX = centreX - float(columns - 1) * cellWidth * 0.5f + float(position % columns) * cellWidth;
    item->panelY = float(rows - 1) * cellHeight * 0.5f + centreY - float(position / columns) * cellHeight;
}

} // namespace

SceneElement *displayOf(SceneElement *element) {
    ElementPickInfo *pick = element->pickInfo;
    return pick && pick->display ? pick->display : element;
}

void holdElement(SceneElement *element) {
    HoWorld *world = element->scene->world;
    if (world->heldElement && world->heldElement != element)
        world->heldElement->releaseHeld();
    element->startFade(kHoldFadeTicks, false, true, nullptr);
    world->heldElement = element;
}

void pickHoElement(SceneElement *element) {
    if (!hasListedItem(element))
        return;
    HoScene *scene = element->scene;
    scene->world->hintIdleTicks = 0;
    if (!element->pickInfo->target) {
        setHoElementFound(element);
        return;
    }
    holdElement(element);
    runHoHook(scene, scene->hoTake, element);
}

void setHoElementFound(SceneElement *element) {
    if (!hasListedItem(element) || element->pickInfo->found)
        return;
    ElementPickInfo *pick = element->pickInfo;
    HoScene *scene = element->scene;
    HoWorld *world = scene->world;
    pick->taken = 1;
    if (pick->target) {
        world->placed = 1;
        world->heldElement = nullptr;
        runHoHook(scene, scene->hoPlaced, element);
        return;
    }
    pick->found = 1;
    if (pick->foundOrder == 0)
        pick->foundOrder = ++pick->item->foundCount;
    SceneElement *display = displayOf(element);
    if (display != element)
        display->startFade(kDisplayFadeTicks, true, true, nullptr);
    if (display->pickInfo)
        startDisappearance(element, display);
    runHoHook(scene, scene->hoFound, element);
}

void SceneElement::releaseHeld() {
    HoWorld *world = scene->world;
    startFade(kHoldFadeTicks, true, true, nullptr);
    world->heldElement = nullptr;
    if (hasListedItem(this))
        runHoHook(scene, scene->hoUntake, this);
}

void layoutHoItem(HiddenObjectItem *item, int32_t itemCount, int32_t position) {
    if (!item)
        return;
    const int32_t columns = itemCount < 2 ? 1 : itemCount < 5 ? 2 : itemCount < 10 ? 3 : 4;
    const int32_t rows = std::min((itemCount + columns - 1) / columns, kMaxPanelRows);
    item->listPosition = position;
    HoScene *scene = item->scene;
    if (!scene || position < 0)
        return;
    const HoWorld *world = scene->world;
    const float cellWidth = world->configurationNumber("hud.inventory_ho.w", 168.0f);
    const float cellHeight = world->configurationNumber("hud.inventory_ho.h", 23.0f);
    const SceneElement *panel = scene->isZoomZone ? scene->findElement("inventory_mho_background") : nullptr;
    if (scene->isZoomZone && !panel)
        return;
    item->cellWidth = cellWidth;
    item->cellHeight = cellHeight;
    if (panel)
        placeOnGrid(item, position, columns, rows, panel->cx.asNumber(), panel->cy.asNumber(), cellWidth, cellHeight);
    else
        placeOnGrid(item, position, columns, rows, world->configurationNumber("hud.inventory_ho.x", 512.0f),
                    world->configurationNumber("hud.inventory_ho.y", 711.0f), cellWidth, cellHeight);
}

void layoutHoListInHud(HoScene *scene) {
    const HoGame *game = scene ? gameOfScene(*scene) : nullptr;
    if (!game || !game->settings.hoListInHud)
        return;
    const SceneElement *list = scene->findElement("_ho_hud_list");
    if (!list)
        return;
    const float cellWidth = list->w.asNumber() / float(kHudListColumns);
    const float cellHeight = list->h.asNumber() * 0.5f;
    for (int32_t i = 0; i < scene->hoItems.count(); ++i) {
        HiddenObjectItem *item = scene->hoItems[i];
        if (!item || item->listPosition < 0)
            continue;
        placeOnGrid(item, item->listPosition, kHudListColumns, kHudListRows, list->cx.asNumber(), list->cy.asNumber(),
                    cellWidth, cellHeight);
    }
}

bool isHoItemConcealed(const HiddenObjectItem *item) {
    for (int32_t i = 0; item && i < item->elements.count(); ++i) {
        SceneElement *element = item->elements[i];
        const ScriptValue *concealed = element ? element->findNamedValue("concealed", false) : nullptr;
        if (concealed && concealed->type == kScriptNumber && concealed->number > 0.0f)
            return true;
    }
    return false;
}
