#include "game/player/InventoryBar.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/system/KSystemLog.h"
#include "game/HoContext.h"
#include "game/HoGameSettings.h"
#include "game/HoOutlinedText.h"
#include "game/player/HoInventoryItem.h"
#include "game/player/HudMessage.h"
#include "game/resources/HoConfiguration.h"
#include "game/resources/HoResourceManager.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptVariable.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

constexpr float kDefaultScrollSpeed = 0.04f;
// A jump of n places moves n x 0.025 places a step, so every jump takes 40 steps.
constexpr float kJumpStepPerPlace = 0.025f;
constexpr float kFadeStep = 0.02f;
constexpr float kPanelSlideTicks = 100.0f;

// A scene variable that is set: it holds a number other than 0.
bool isSet(const ScriptValue *value) {
    return value && value->type == kScriptNumber && value->number != 0.0f;
}

ScriptValue *globalSlot(HoWorld *world, const char *name) {
    ScriptContext *global = world->globalContext();
    ScriptVariable *variable = global ? findOrCreateVariable(global, name, nullptr) : nullptr;
    return variable ? variable->value : nullptr;
}

void setGlobalNumber(HoWorld *world, const char *name, float number) {
    if (ScriptValue *slot = globalSlot(world, name))
        slot->setNumber(number);
}

void runHookWithNumber(ScriptFunction *hook, float number) {
    ScriptValue value;
    value.setNumber(number);
    runNamedHook(hook, &value);
}

bool forcedOpen(const HoWorld *world) {
    return world->forceInventorySlot && roundToInt(world->forceInventorySlot->asNumber()) > 0;
}

bool anyFlightInAir(const HoWorld *world) {
    const PtrArray<PickFlight> &flights = world->inventory.flights;
    for (int32_t i = 0; i < flights.count(); ++i) {
        if (flights[i]->kind != kFlightNone)
            return true;
    }
    return false;
}

bool isAnimating(const SceneElement *element) {
    return element && element->animating;
}

void setVisible(SceneElement *element, bool visible) {
    if (element)
        element->visible = visible ? 1 : 0;
}

// The panel placed at a frame with no motion.
void placePanel(HoWorld *world, int32_t frame) {
    for (SceneElement *element : {world->hud.inventoryBackground, world->hud.inventoryFrame}) {
        if (!element)
            continue;
        element->animating = 0;
        element->startFrame = element->endFrame = frame;
        element->currentFrame = float(frame);
    }
}

struct PanelZone {
    bool pointerIn = false;
    bool disabled = false;
};

PanelZone panelZone(HoWorld *world, HoScene *focused) {
    const int32_t xRange = world->configurationInteger("hud.inventory.x_range", 150);
    const int32_t yRange = world->inventory.mode == kPanelHidden ? world->configurationInteger("hud.inventory.y_range_in", 40)
                                                                 : world->configurationInteger("hud.inventory.y_range_out", 140);
    const float scale = screenValues.artScale > 0.0f ? screenValues.artScale : 1.0f;
    const float width = screenValues.width / scale, height = screenValues.height / scale;
    const float x = world->pointerX, y = world->pointerY;
    const ScriptVariable *disable = findVariable(&focused->script, "#disable_inventory");
    return {float(xRange) < x && x <= width - float(xRange) && height - float(yRange) <= y && y < height,
            disable && disable->value && disable->value->asNumber() > 0.0f};
}

bool panelWanted(HoWorld *world, HoScene *focused, const PanelZone &zone) {
    HoScene *active = world->activeScene;
    if (active && active->isHo)
        return true;
    if (!(active && isSet(active->noHudSlot)) && !isSet(focused->noInventorySlot) && !zone.disabled) {
        if (!world->busy && zone.pointerIn)
            world->inventory.hoverTimer = roundToInt(world->configurationNumber("hud.inventory.slideout_timeout", 1.0f) * 100.0);
        if (world->inventory.hoverTimer > 0)
            return true;
    }
    return anyFlightInAir(world) || forcedOpen(world) || world->inventory.stayTimer > 0;
}

int32_t panelFrom(HoWorld *world) {
    return world->configurationInteger("hud.inventory.animate_from", 70);
}

int32_t panelTo(HoWorld *world) {
    return world->configurationInteger("hud.inventory.animate_to", 0);
}

// Starts the slide between the frames, or puts the panel in the end state at once without its element.
void slidePanel(HoWorld *world, int32_t start, int32_t end, int32_t sliding, int32_t settled) {
    InventoryStrip &strip = world->inventory;
    if (world->hud.inventoryBackground) {
        strip.mode = sliding;
        animateInventoryPanel(world, start, end);
    } else {
        strip.mode = settled;
    }
}

// One step of the reveal of the last picked item: the scroll index moves so that it is visible, and the
// scripts are told where it landed.
void revealLastPicked(HoWorld *world, float speed) {
    InventoryStrip &strip = world->inventory;
    HoInventoryItem *item = strip.lastPicked;
    strip.lastPicked = nullptr;
    if (!item || item->barIndex < 0)
        return;
    const int64_t b = item->barIndex, s = strip.scrollIndex;
    int64_t wanted = std::min(s, b);
    if (strip.visibleItems + s <= b)
        wanted = b - strip.visibleItems + 1;
    if (wanted != s) {
        if (speed > 0.0f)
            strip.scrollStep = float(std::llabs(wanted - s)) * kJumpStepPerPlace;
        strip.scrollIndex = int32_t(wanted);
    }
    ScriptValue *picked = globalSlot(world, "##picked_inventory");
    if (picked)
        picked->setPointer(kScriptInventoryItem, item);
    runHookWithNumber(world->hooks.pickInventoryItem, item->displayedPosition - float(strip.scrollIndex));
    if ((picked = globalSlot(world, "##picked_inventory")))
        picked->clear();
}

} // namespace

InventoryLayout readInventoryLayout(HoWorld *world) {
    InventoryLayout layout;
    if (const SceneElement *strip = world->hud.inventoryBackground) {
        layout.originX = std::trunc(strip->absX.asNumber() - strip->w.asNumber() * 0.5f);
        layout.originY = std::trunc(strip->absY.asNumber() - strip->h.asNumber() * 0.5f);
    }
    layout.w = world->configurationNumber("hud.inventory.w", layout.w);
    layout.h = world->configurationNumber("hud.inventory.h", layout.h);
    layout.dx = world->configurationNumber("hud.inventory.dx", layout.dx);
    layout.bound1 = world->configurationNumber("hud.inventory.bound1", layout.bound1);
    layout.bound2 = world->configurationNumber("hud.inventory.bound2", layout.bound2);
    layout.upscaleSpeed = world->configurationNumber("hud.inventory.upscale_speed", layout.upscaleSpeed);
    layout.upscaleEffectFactor = world->configurationNumber("hud.inventory.upscale_ps_factor", layout.upscaleEffectFactor);
    layout.takenUpscaleSpeed = world->configurationNumber("hud.inventory.taken_upscale_speed", layout.takenUpscaleSpeed);
    return layout;
}

void HoWorld::loadInventory() {
    // The configuration's default folder is not the icons' (inventoryIconFolder); both stand as the
    // game's data has always had them, and its "scenes.paths.inventory" decides for both.
    const ConfigEntry *folder = configurationEntry("scenes.paths.inventory");
    const std::string path = std::string(folder ? folder->text() : "data/inventory/") + "inventory.cfg";
    HoConfiguration *list = context->resources->getConfiguration(path.c_str());
    ScriptContext *global = globalContext();
    for (int32_t i = 0; list && i < list->entries.count(); ++i) {
        const char *entry = list->entries[i]->text();
        if (entry[0] == ';')
            continue;
        const char *colon = std::strchr(entry, ':');
        const std::string itemName = colon ? std::string(entry, size_t(colon - entry)) : std::string(entry);
        if (itemName.empty()) {
            logMessage("Game: %s holds an entry without a name, WARNING", path.c_str());
            continue;
        }
        HoInventoryItem *item = colon ? new HoAparatusInventoryItem(itemName.c_str(), this)
                                      : new HoInventoryItem(itemName.c_str(), this);
        inventoryItems.append(item);
        if (global)
            findOrCreateVariable(global, ("#^" + itemName).c_str(), nullptr)->value->setPointer(kScriptInventoryItem, item);
    }
}

void prepareInventory(HoWorld *world) {
    InventoryStrip &strip = world->inventory;
    if (strip.visibleItems < 1) {
        logMessage("Game: data/game.cfg gives hud.inventory.visible_items %d, the bar shows %d, WARNING",
                   int(strip.visibleItems), int(InventoryStrip().visibleItems));
        strip.visibleItems = InventoryStrip().visibleItems;
    }
    for (int32_t i = 0; i < world->inventoryItems.count(); ++i)
        world->inventoryItems[i]->loadItemVisuals();
    if (SceneElement *strip = world->hud.inventoryBackground) {
        strip->drawCallback = drawInventoryStrip;
        strip->drawCallbackUser = world;
    }
}

void addToInventoryBar(HoWorld *world, HoInventoryItem *item) {
    if (item->barIndex != -1 || item->isUsed())
        return;
    PtrArray<HoInventoryItem> &bar = world->inventory.bar;
    const int32_t place = bar.append(item);
    if (place < 0)
        return;
    item->barIndex = place;
    item->displayedPosition = float(place);
    item->updateLayout();
    setGlobalNumber(world, "##inventory_items", float(bar.count()));
}

void removeFromInventoryBar(HoWorld *world, HoInventoryItem *item) {
    InventoryStrip &strip = world->inventory;
    const int32_t place = item->barIndex;
    if (place < 0 || place >= strip.bar.count() || strip.bar[place] != item)
        return;
    strip.bar.removeAt(place);
    for (int32_t i = place; i < strip.bar.count(); ++i)
        strip.bar[i]->barIndex = i;
    if (int64_t(strip.visibleItems) + place > strip.bar.count() && strip.scrollIndex > 0)
        --strip.scrollIndex;
    item->barIndex = -1;
    if (strip.lastPicked == item)
        strip.lastPicked = nullptr;
    setGlobalNumber(world, "##inventory_items", float(strip.bar.count()));
}

void updateInventoryScroll(HoWorld *world) {
    if (!world->activeScene || world->activeScene->isHo)
        return;
    InventoryStrip &strip = world->inventory;
    float speed = world->configurationNumber("hud.inventory.scroll_speed", kDefaultScrollSpeed);
    if (!(speed > 0.0f))
        speed = kDefaultScrollSpeed; // a speed of 0 or less would never reach the index
    revealLastPicked(world, speed);
    const float index = float(strip.scrollIndex);
    strip.scrollPosition = stepTowards(strip.scrollPosition, index, strip.scrollStep > 0.0f ? strip.scrollStep : speed);
    if (strip.scrollPosition == index)
        strip.scrollStep = 0.0f;
    if (strip.scrollPosition != index)
        runHookWithNumber(world->hooks.inventoryScrolling, float(truncToInt(strip.scrollPosition)));
    if (world->inventoryIndexSlot)
        world->inventoryIndexSlot->setNumber(strip.scrollPosition);
    const InventoryLayout layout = readInventoryLayout(world);
    // A hook may change the bar: its count is read again each time.
    for (int32_t i = 0; i < strip.bar.count(); ++i)
        strip.bar[i]->updateLayout(layout);
}

void HoWorld::updateInventoryArrows() {
    SceneElement *left = hud.inventoryLeft, *right = hud.inventoryRight;
    setVisible(left, false);
    setVisible(right, false);
    const InventoryStrip &strip = inventory;
    if (strip.scrollPosition != float(strip.scrollIndex) || !activeScene || isSet(activeScene->noHudSlot) ||
        !topScene || topScene->isHo || !activeScene->isInventoryAllowed())
        return;
    setVisible(left, strip.scrollIndex > 0);
    setVisible(right, int64_t(strip.visibleItems) + strip.scrollIndex < strip.bar.count());
}

HoInventoryItem *barItemAt(const HoWorld *world, float x, float y, float shift) {
    const PtrArray<HoInventoryItem> &bar = world->inventory.bar;
    for (int32_t i = 0; i < bar.count(); ++i) {
        const HoInventoryItem *item = bar[i];
        const float left = item->boxX - shift;
        if (x >= left && x < left + item->boxW && y >= item->boxY && y < item->boxY + item->boxH)
            return bar[i];
    }
    return nullptr;
}

void updateItemFades(HoWorld *world) {
    for (int32_t i = 0; i < world->inventoryItems.count(); ++i) {
        HoInventoryItem *item = world->inventoryItems[i];
        item->targetAlpha = item->isPicked() && !item->isUsed() ? 1.0f : 0.0f;
        item->alpha = stepTowards(item->alpha, item->targetAlpha, kFadeStep);
    }
}

void updateInventoryPanel(HoWorld *world) {
    InventoryStrip &strip = world->inventory;
    for (int32_t i = 0; i < world->inventoryItems.count(); ++i)
        world->inventoryItems[i]->targets.truncate(0);
    strip.stayTimer = std::max(strip.stayTimer - 1, 0);
    strip.hoverTimer = std::max(strip.hoverTimer - 1, 0);
    HoScene *focused = world->topScene;
    if (!focused)
        return;
    const PanelZone zone = panelZone(world, focused);
    const bool show = panelWanted(world, focused, zone);
    SceneElement *panel = world->hud.inventoryBackground;
    if (strip.mode == kPanelHidden && show) {
        runNamedHook(world->hooks.inventorySlideIn, nullptr);
        slidePanel(world, -panelFrom(world), -panelTo(world), kPanelSlidingIn, kPanelShown);
    }
    if (strip.mode == kPanelSlidingIn && !isAnimating(panel))
        strip.mode = kPanelShown;
    if (strip.mode == kPanelShown && !show && strip.hideDelay == 0)
        strip.hideDelay = 1;
    if (strip.hideDelay > 0) {
        if (zone.pointerIn) {
            strip.hideDelay = 0;
        } else if (--strip.hideDelay == 0 && !zone.disabled) {
            runNamedHook(world->hooks.inventorySlideOut, nullptr);
            slidePanel(world, -panelTo(world), -panelFrom(world), kPanelSlidingOut, kPanelHidden);
        }
    }
    if (strip.mode == kPanelSlidingOut && !isAnimating(panel))
        strip.mode = kPanelHidden;
}

void animateInventoryPanel(HoWorld *world, int32_t start, int32_t end) {
    const float step = float(std::abs(int64_t(end) - start)) / kPanelSlideTicks;
    for (SceneElement *element : {world->hud.inventoryBackground, world->hud.inventoryFrame}) {
        if (element)
            element->startAnimation(start, end, step, true, nullptr);
    }
}

void resetInventoryPanel(HoWorld *world) {
    const bool hiddenObjectScene = world->activeScene && world->activeScene->isHo;
    if (HoScene *hud = world->hudScene) {
        PtrArray<SceneElement> &elements = hud->allElements.members;
        for (int32_t i = 0; i < elements.count(); ++i) {
            SceneElement *element = elements[i];
            if (element->isHud || element->isHoHud)
                element->visible = hiddenObjectScene ? element->isHoHud : element->isHud;
        }
    }
    setVisible(world->hud.pickupBack, false);
    setVisible(world->hud.pickupFront, false);
    InventoryStrip &strip = world->inventory;
    strip.mode = hiddenObjectScene || forcedOpen(world) ? kPanelShown : kPanelHidden;
    strip.hideDelay = strip.stayTimer = strip.hoverTimer = 0;
    placePanel(world, strip.mode == kPanelShown ? -panelTo(world) : -panelFrom(world));
}

void drawInventoryStrip(void *user) {
    HoWorld *world = static_cast<HoWorld *>(user);
    HoContext *context = world->context;
    KText *font = context->getFont(world->configurationInteger("hud.inventory.font", 0));
    context->flushBatch();
    // A hidden-object scene shows its list of objects here instead.
    if (world->activeScene && world->activeScene->isHo) {
        world->activeScene->drawHoList();
        return;
    }
    const PtrArray<HoInventoryItem> &bar = world->inventory.bar;
    for (int32_t i = 0; i < bar.count(); ++i) {
        ParticleEmitter *effect = bar[i]->hoverEffect;
        if (effect && effect->isAlive())
            effect->draw(1.0f);
    }
    context->flushBatch();
    const float upscale = world->configurationNumber("hud.inventory.upscale_size", 0.3f);
    for (int32_t i = 0; i < bar.count(); ++i) {
        HoInventoryItem *item = bar[i];
        const int32_t maxCount = roundToInt(item->maxCount.asNumber());
        if (item == world->inventory.selected || (maxCount > 1 && item->getCount() < 1))
            continue;
        item->draw(upscale);
        if (!font || maxCount <= 1 || !(item->opacity() > 0.0f))
            continue;
        const std::string counts = std::to_string(item->getCount()) + "/" + std::to_string(item->getTotalCount());
        const TextColour outline{0.0f, 0.0f, 0.0f, item->opacity()}, colour{1.0f, 1.0f, 1.0f, item->opacity()};
        drawOutlinedText(font, counts.c_str(), context, 0, kOutlinedTextAtPoint,
                         float(roundToInt(item->boxX + item->boxW - 3.0f)),
                         float(roundToInt(item->boxY + item->boxH - 23.0f)), outline, colour);
    }
    world->drawInventory();
}

void scrollInventoryNative(void *data, ScriptStatement *call) {
    HoWorld *world = static_cast<HoWorld *>(data);
    const ScriptValue *place = world->nativeArgument(call);
    const double wanted = place && place->type == kScriptNumber ? double(place->number) : 0.0;
    InventoryStrip &strip = world->inventory;
    const int32_t index = truncToInt(wanted);
    strip.scrollStep = float(std::fabs(double(index) - double(strip.scrollIndex)) * double(kJumpStepPerPlace));
    strip.scrollIndex = index;
}


// The world step's calls into the strip.

void HoWorld::slideInventoryStrip() {
    updateInventoryPanel(this);
}

// Outside hidden-object scenes the arrows come first (they are hidden in those scenes anyway).
void HoWorld::stepInventoryStrip(bool extraStep) {
    if (extraStep)
        updateInventoryArrows();
    updateFlights(this);
    updateItemFades(this);
}

void HoWorld::stepHudMessage() {
    updateMessage(this);
}

void HoWorld::scrollInventoryStrip() {
    updateInventoryScroll(this);
}

void HoWorld::sendSelectedItemBack() {
    if (inventory.selected)
        pickItem(kFlightBackToBar, nullptr, inventory.selected, nullptr);
}

void HoWorld::resetInventoryStrip() {
    resetInventoryPanel(this);
}

HoInventoryItem *HoWorld::inventoryItemAt(float x, float y, bool *takeable) {
    HoInventoryItem *item = barItemAt(this, x, y, screenValues.wideMargin);
    if (takeable)
        *takeable = item && item->canBeTaken();
    return item;
}
