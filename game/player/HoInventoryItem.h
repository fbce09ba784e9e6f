#pragma once
// An inventory item: one thing the player can carry, made once at world start-up from the inventory
// configuration and kept for the world's life. Whether the player holds it is a matter of its counters
// (picked, used, count, max_count), which scripts read and write as the item's properties. An item may
// be collected in numbered pieces (up to 16), each shown as a picture over the icon. Every step lays the
// item out in its slot of the bar: its box follows the bar's scroll, it fades in and out at the bar's
// ends, and it grows while hovered (the held item pulses).

#include <cstdint>

#include "game/script/ScriptValue.h"
#include "game/util/NamedValue.h"
#include "game/util/PtrArray.h"

class HoTexture;
class HoWorld;
class SaveStream;
struct AtlasRegion;
struct InventoryLayout;
struct ParticleEmitter;
struct SceneElement;

class HoInventoryItem {
public:
    static constexpr int32_t kMaxPieces = 16;

    // The name is interned in the world's table; the item is laid out once.
    HoInventoryItem(const char *name, HoWorld *world);
    // Gives back the pictures and the hover effect it holds.
    virtual ~HoInventoryItem();
    HoInventoryItem(const HoInventoryItem &) = delete;
    HoInventoryItem &operator=(const HoInventoryItem &) = delete;

    // The icon centred on the box, enlarged by 1 + hover x scale, then the collected pieces over it.
    virtual void draw(float scale);
    // Adds the icon's file name, and each piece icon's that the known regions do not hold, to the names
    // to preload.
    virtual void loadIcons(PtrArray<const char> &names, const PtrArray<AtlasRegion> &known);

    // The hover effect, the icon and the piece icons (one use of each).
    void loadItemVisuals();
    // One step of the layout: box, target slot, slot alpha, hover and its effect; the numbers of the
    // game configuration are read once for the bar by the second form.
    void updateLayout();
    void updateLayout(const InventoryLayout &layout);
    // Picked once more (piece 0 for none): the count rises up to max_count, the piece is collected, the
    // item joins the bar and "on_picked_inventory_item" runs.
    void pick(int32_t piece);
    // Not held any more: out of the bar and out of the hand.
    void unpick();
    // Used up: out of the bar and out of the hand; "on_use_inventory" runs with the bar's count.
    void markUsed();
    // The saved state: the four counters and the piece flags, from version 10.
    bool serialize(SaveStream &stream);
    // The property slot of an interned field name, or null.
    ScriptValue *getField(const char *internedName);

    bool isPicked() const;
    bool isUsed() const;
    int32_t getCount() const;
    int32_t getTotalCount() const;
    // Whether the player can take it from the bar: held, not used, and not flying in.
    bool canBeTaken() const;
    // The pieces the item is drawn with: round(total_count) held to 0..16.
    int32_t pieceCount() const;
    // The held item drawn at a point (its box's top-left), grown by 1 + |hover| x scale.
    void drawHeld(float x, float y, float scale);

    float centreX() const { return boxX + boxW * 0.5f; }
    float centreY() const { return boxY + boxH * 0.5f; }
    // Drawn opacity: the slot's times the item's own.
    float opacity() const { return slotAlpha * alpha; }

    HoWorld *world;
    const char *name;
    ScriptValue nameValue;  // "name"
    ScriptValue indexValue; // "index": the displayed bar position
    float displayedPosition = -1.0f;
    int32_t barIndex = -1; // -1: not in the bar
    float boxX = 0.0f, boxY = 0.0f, boxW = 0.0f, boxH = 0.0f;
    float targetX = 0.0f, targetY = 0.0f; // the top-left of the slot it settles in
    float hover = 0.0f;
    HoTexture *icon = nullptr;
    // The elements the item can be used on, found anew every step by the scenes' handlers.
    PtrArray<SceneElement> targets{10};
    float alpha = 0.0f;
    float targetAlpha = 0.0f;
    float slotAlpha = 0.0f;
    ParticleEmitter *hoverEffect = nullptr;
    int32_t flightsInProgress = 0;
    uint8_t hoverEffectOn = 0;
    ScriptValue picked;
    ScriptValue used;
    ScriptValue count;
    ScriptValue maxCount;
    ScriptValue totalCount; // the number of pieces of a pieced item
    // Fields that scripts add to the item (the records belong to the context's pool).
    PtrArray<NamedValue> namedValues{10};
    uint8_t pieced = 0;
    uint8_t pieces[kMaxPieces] = {};
    HoTexture *pieceIcons[kMaxPieces] = {};

protected:
    // One picture centred on the box, w and h times the factor, with the drawn opacity.
    void drawCentred(HoTexture *texture, float factor) const;
};

// An item whose icon stands between two groups of the "hud" scene, "inventory_aparatus_back" behind
// and "inventory_aparatus_front" in front.
class HoAparatusInventoryItem : public HoInventoryItem {
public:
    using HoInventoryItem::HoInventoryItem;
    void draw(float scale) override;

private:
    void drawGroup(const char *groupName) const;
};

// The folder of the item icons: "scenes.paths.inventory" of the game configuration.
const char *inventoryIconFolder(const HoWorld *world);
