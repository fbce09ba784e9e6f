#pragma once
// The world's inventory bar: every item the game knows, the bar of the items the player holds with its
// scroll, the arrows, the items' fades, the panel at the bottom of the screen that slides in when the
// pointer comes near (or an item flies, or a script forces it) and out again, and the strip's drawing,
// hung on the "hud" element "inventory_background". All of it runs inside the world's step and draw.

#include <cstdint>

#include "game/script/ScriptFunction.h"

class HoInventoryItem;
class HoWorld;
struct ScriptStatement;

// The numbers of "data/game.cfg" that lay the bar's slots out.
struct InventoryLayout {
    float originX = 0.0f; // the top-left of "inventory_background", whole units
    float originY = 0.0f;
    float w = 76.0f;
    float h = 76.0f;
    float dx = 76.0f; // from one slot to the next
    float bound1 = 10.0f;
    float bound2 = 11.0f;
    float upscaleSpeed = 3.0f;
    float upscaleEffectFactor = 0.5f;
    float takenUpscaleSpeed = 1.0f;
};
InventoryLayout readInventoryLayout(HoWorld *world);

// Appends an item that is neither in the bar nor used; "##inventory_items" becomes the bar's count.
void addToInventoryBar(HoWorld *world, HoInventoryItem *item);
// Takes an item out of the bar; a scrolled bar that now shows an empty slot at its end scrolls back.
void removeFromInventoryBar(HoWorld *world, HoInventoryItem *item);
// One step of the scroll (showing the last picked item first) and of every bar item's layout.
void updateInventoryScroll(HoWorld *world);
// The first bar item whose box (moved left by the shift) holds the point, left and top edges in, right
// and bottom out; null when none does.
HoInventoryItem *barItemAt(const HoWorld *world, float x, float y, float shift);
// Every item fades towards full while held and not used, else towards nothing.
void updateItemFades(HoWorld *world);
// One step of the panel's slide state.
void updateInventoryPanel(HoWorld *world);
// The panel's two elements slide between the frames over a second.
void animateInventoryPanel(HoWorld *world, int32_t start, int32_t end);
// The panel as a newly entered scene shows it: open in a hidden-object scene or while forced, else
// closed; the HUD elements of the scene's kind shown.
void resetInventoryPanel(HoWorld *world);
// At start-up: each item takes its pictures and effect; the strip's draw is hung on its element.
void prepareInventory(HoWorld *world);
// The strip's draw, in place of the "inventory_background" picture: the items' effects, the held items
// with their counts, then the flights.
void drawInventoryStrip(void *world);
// The script function scroll_inventory(place): the scroll index becomes the place cut toward zero, and
// the jump takes 40 steps.
void scrollInventoryNative(void *world, ScriptStatement *call);
// The inventory's engine functions, for the world to bind.
inline constexpr NamedNative kInventoryNatives[] = {
    {"scroll_inventory", scrollInventoryNative},
};
