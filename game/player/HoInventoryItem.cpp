#include "game/player/HoInventoryItem.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "game/HoContext.h"
#include "game/player/InventoryBar.h"
#include "game/player/SaveStream.h"
#include "game/resources/AtlasMap.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneGroup.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptKeywords.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

namespace {

// The saved state is kept from this version on.
constexpr int32_t kItemStateVersion = 10;
// Steps of the displayed bar position and of the hover, per step.
constexpr float kPositionStep = 0.04f;
constexpr float kHoverStepScale = 0.01f;

std::string pieceIconPath(const char *folder, const char *name, int32_t piece) {
    const std::string number = std::to_string(piece);
    return std::string(folder) + name + "_" + (piece < 10 ? "0" : "") + number + ".png";
}

// The piece flags, one byte each, read in one run.
template <size_t... Piece>
bool serializePieces(SaveStream &stream, uint8_t (&pieces)[sizeof...(Piece)], std::index_sequence<Piece...>) {
    return stream.serializeFields(pieces[Piece]...);
}

// A rectangle centred on a point, as a picture's quad.
QuadCorners centredQuad(float x, float y, float halfW, float halfH) {
    return {ScreenPoint{x - halfW, y - halfH}, ScreenPoint{x + halfW, y - halfH}, ScreenPoint{x + halfW, y + halfH},
            ScreenPoint{x - halfW, y + halfH}};
}

void releaseTexture(HoWorld *world, HoTexture *&texture) {
    if (texture && world->context && world->context->resources)
        texture->release(world->context->resources);
    texture = nullptr;
}

// The texture of the path with one use taken; null without a context.
HoTexture *acquireTexture(HoWorld *world, const std::string &path) {
    HoContext *context = world->context;
    HoTexture *texture = context && context->resources ? context->getTexture(path.c_str()) : nullptr;
    if (texture)
        texture->acquire(context->resources);
    return texture;
}

} // namespace

const char *inventoryIconFolder(const HoWorld *world) {
    // The icons' default folder differs from the configuration file's (see loadInventory): both are kept,
    // as the game's data sets the key.
    const ConfigEntry *entry = world->configurationEntry("scenes.paths.inventory");
    return entry ? entry->text() : "data/interface/inventory/";
}

HoInventoryItem::HoInventoryItem(const char *itemName, HoWorld *owner)
    : world(owner), name(owner->names().internOrFind(itemName)) {
    nameValue.setPointer(kScriptText, name);
    indexValue.setNumber(-1.0f);
    for (ScriptValue *counter : {&picked, &used, &count, &maxCount, &totalCount})
        counter->setNumber(0.0f);
    updateLayout();
}

HoInventoryItem::~HoInventoryItem() {
    releaseTexture(world, icon);
    for (HoTexture *&piece : pieceIcons)
        releaseTexture(world, piece);
    world->renderPools.recycleEmitter(hoverEffect);
    targets.releaseStorage();
    namedValues.releaseStorage();
}

bool HoInventoryItem::isPicked() const {
    return picked.asNumber() != 0.0f;
}

bool HoInventoryItem::isUsed() const {
    return used.asNumber() != 0.0f;
}

int32_t HoInventoryItem::getCount() const {
    return roundToInt(count.asNumber());
}

int32_t HoInventoryItem::getTotalCount() const {
    return roundToInt(totalCount.asNumber());
}

bool HoInventoryItem::canBeTaken() const {
    return !isUsed() && isPicked() && flightsInProgress == 0;
}

int32_t HoInventoryItem::pieceCount() const {
    return std::clamp(getTotalCount(), 0, kMaxPieces);
}

ScriptValue *HoInventoryItem::getField(const char *field) {
    static const std::pair<const char *, ScriptValue HoInventoryItem::*> kFields[] = {
        {kwName, &HoInventoryItem::nameValue}, {kwPicked, &HoInventoryItem::picked},
        {kwUsed, &HoInventoryItem::used},      {kwCount, &HoInventoryItem::count},
        {kwMaxCount, &HoInventoryItem::maxCount}, {kwTotalCount, &HoInventoryItem::totalCount},
        {kwIndex, &HoInventoryItem::indexValue}};
    for (const auto &[name, slot] : kFields) {
        if (field == name)
            return &(this->*slot);
    }
    return nullptr;
}

void HoInventoryItem::loadItemVisuals() {
    world->renderPools.recycleEmitter(hoverEffect);
    hoverEffect = world->spawnEmitterAt("inventory_hover", true, world->hudScene, centreX(), centreY(), false);
    const char *folder = inventoryIconFolder(world);
    releaseTexture(world, icon);
    icon = acquireTexture(world, std::string(folder) + name + ".png");
    for (HoTexture *&piece : pieceIcons)
        releaseTexture(world, piece);
    for (int32_t piece = 1; pieced && piece <= pieceCount(); ++piece)
        pieceIcons[piece - 1] = acquireTexture(world, pieceIconPath(folder, name, piece));
}

void HoInventoryItem::loadIcons(PtrArray<const char> &names, const PtrArray<AtlasRegion> &known) {
    const char *folder = inventoryIconFolder(world);
    names.addUnique(world->names().internOrFind((std::string(folder) + name + ".png").c_str()));
    for (int32_t piece = 1; pieced && piece <= pieceCount(); ++piece) {
        const char *path = world->names().internOrFind(pieceIconPath(folder, name, piece).c_str());
        if (!containsName(known, path))
            names.addUnique(path);
    }
}

void HoInventoryItem::updateLayout() {
    updateLayout(readInventoryLayout(world));
}

void HoInventoryItem::updateLayout(const InventoryLayout &layout) {
    const InventoryStrip &strip = world->inventory;
    displayedPosition = stepTowards(displayedPosition, float(barIndex), kPositionStep);
    indexValue.setNumber(displayedPosition);

    const float rel = displayedPosition - strip.scrollPosition;
    boxX = rel * layout.dx + layout.bound1 + layout.originX;
    boxY = layout.bound1 + layout.originY;
    boxW = layout.w - layout.bound1 - layout.bound2;
    boxH = layout.h - layout.bound1 - layout.bound2;
    targetX = (float(barIndex) - float(strip.scrollIndex)) * layout.dx + world->hud.stripLeft + layout.bound1;
    targetY = world->hud.stripTop + layout.bound1;

    const float visible = float(strip.visibleItems);
    if (rel >= 0.0f && rel <= visible - 1.0f)
        slotAlpha = 1.0f;
    else if (rel >= -0.5f && rel < 0.0f)
        slotAlpha = (rel + 0.5f) * 2.0f;
    else if (rel > visible - 1.0f && rel <= visible - 0.5f)
        slotAlpha = (visible - 0.5f - rel) * 2.0f;
    else
        slotAlpha = 0.0f;

    if (world->clicks.hoveredItem == this) {
        hover = std::min(hover + layout.upscaleSpeed * kHoverStepScale, 1.0f);
        hoverEffectOn = hover >= layout.upscaleEffectFactor ? 1 : 0;
    } else if (strip.selected == this) {
        hover += layout.takenUpscaleSpeed * kHoverStepScale;
        if (hover >= 1.0f)
            hover = -1.0f;
    } else {
        hover = std::max(hover - layout.upscaleSpeed * kHoverStepScale, 0.0f);
        hoverEffectOn = 0;
    }
    if (hoverEffect) {
        hoverEffect->placementX = centreX() - hoverEffect->offsetX;
        hoverEffect->placementY = centreY() - hoverEffect->offsetY;
        hoverEffect->update(hoverEffectOn ? kEmitterNormal : kEmitterAgeOnly);
    }
}

void HoInventoryItem::pick(int32_t piece) {
    picked.setNumber(1.0f);
    const int32_t limit = roundToInt(maxCount.asNumber());
    count.setNumber(float(std::max(std::min(getCount() + 1, limit), 0)));
    if (pieced) {
        if (piece >= 1 && piece <= kMaxPieces)
            pieces[piece - 1] = 1;
        if (getCount() == limit)
            std::fill(std::begin(pieces), std::end(pieces), uint8_t(1));
    }
    addToInventoryBar(world, this);
    ScriptValue place;
    place.setNumber(displayedPosition - world->inventory.scrollPosition);
    runNamedHook(world->hooks.pickedInventoryItem, &place);
}

void HoInventoryItem::unpick() {
    picked.setNumber(0.0f);
    removeFromInventoryBar(world, this);
    if (world->inventory.selected == this)
        world->inventory.selected = nullptr;
}

void HoInventoryItem::markUsed() {
    used.setNumber(1.0f);
    removeFromInventoryBar(world, this);
    if (world->inventory.selected == this)
        world->inventory.selected = nullptr;
    ScriptValue items;
    items.setNumber(float(world->inventory.bar.count()));
    runNamedHook(world->hooks.useInventory, &items);
}

bool HoInventoryItem::serialize(SaveStream &stream) {
    if (!stream.hasField(kItemStateVersion))
        return true;
    return stream.serializeFields(picked, used, count, maxCount) &&
           serializePieces(stream, pieces, std::make_index_sequence<kMaxPieces>());
}

void HoInventoryItem::drawCentred(HoTexture *texture, float factor) const {
    if (!texture || !texture->picture)
        return;
    const QuadCorners quad = centredQuad(centreX(), centreY(), boxW * factor * 0.5f, boxH * factor * 0.5f);
    const float colour[4] = {1.0f, 1.0f, 1.0f, opacity()};
    drawOnSharedBatch(texture, kBlendNormal, colour, FrameRect::whole(texture->width, texture->height), quad);
}

void HoInventoryItem::draw(float scale) {
    const float factor = 1.0f + hover * scale;
    drawCentred(icon, factor);
    for (int32_t piece = 0; pieced && piece < pieceCount(); ++piece) {
        if (pieces[piece])
            drawCentred(pieceIcons[piece], factor);
    }
}

void HoInventoryItem::drawHeld(float x, float y, float scale) {
    const float savedX = boxX, savedY = boxY, savedHover = hover, savedSlot = slotAlpha, savedAlpha = alpha;
    boxX = x;
    boxY = y;
    hover = std::fabs(hover);
    slotAlpha = alpha = 1.0f;
    draw(scale);
    boxX = savedX;
    boxY = savedY;
    hover = savedHover;
    slotAlpha = savedSlot;
    alpha = savedAlpha;
}

void HoAparatusInventoryItem::draw(float scale) {
    drawGroup("inventory_aparatus_back");
    if (world->context)
        world->context->flushBatch();
    HoInventoryItem::draw(scale);
    drawGroup("inventory_aparatus_front");
    if (world->context)
        world->context->flushBatch();
}

// Each member with something to show, centred on the item: a picture in its current frame at the
// member's size, particles moved to the item for their draw and moved back.
void HoAparatusInventoryItem::drawGroup(const char *groupName) const {
    SceneGroup *group = world->hudScene ? world->hudScene->findGroup(groupName) : nullptr;
    const float x = centreX(), y = centreY();
    for (int32_t i = 0; group && i < group->members.count(); ++i) {
        SceneElement *member = group->members[i];
        if (!member)
            continue;
        if (member->isParticle) {
            const ScriptValue savedX = member->absX, savedY = member->absY;
            member->absX.setNumber(x);
            member->absY.setNumber(y);
            for (ParticleEmitter *emitter : {member->fadingEmitter, member->emitter}) {
                if (emitter && emitter->isAlive())
                    emitter->draw(opacity());
            }
            member->absX = savedX;
            member->absY = savedY;
        } else if (HoRenderable *renderable = member->renderable) {
            const QuadCorners quad = centredQuad(x, y, member->w.asNumber() * 0.5f, member->h.asNumber() * 0.5f);
            renderable->draw(*member, opacity(), renderable->update(roundToInt(member->currentFrame)), quad);
        }
    }
}
