#pragma once
// The tooltip by the pointer: the localised text of what the pointer is over, on a plate of three
// pictures ("tooltip_left", "tooltip_back" stretched under the text, "tooltip_right"). A new text fades
// in at 0.04 a step; a tooltip whose text is gone fades out over 25 steps, but a HUD button's goes as soon
// as the pointer is off the button (the tooltip stands by the pointer: fading, it would follow the pointer
// onto the scene, naming what is not there). The world keeps a copy of the text shown (UTF-8) and the two
// step counters, which its HUD step counts.

#include <string>

#include "game/HoOutlinedText.h"

class HoInventoryItem;
class KText;
class HoWorld;
struct SceneElement;

constexpr int kTooltipFadeOutSteps = 25;
constexpr float kTooltipFadePerStep = 0.04f;

// The text of "inventory_NAME" for a strip item under the pointer; empty when the key has none.
std::string inventoryTooltipText(const HoWorld &world, const HoInventoryItem *item);
// A tooltip's text and the element it names (none for a strip item's).
struct TooltipSource {
    std::string text;
    const SceneElement *element = nullptr;
};
// The tooltip of the first of the look, pick, item-use, use, current and goto hover elements that has a
// key and a positive "tooltip_active"; failing that, the text of the key that a goto or look hover
// element shows as its own text. Empty when none gives a text.
TooltipSource hoverTooltip(const HoWorld &world);
// Where the tooltip of the text (in the font's encoding) stands for the pointer at the design point: the
// plate under the text (its end pictures aside) and the text, moved by the configured offsets and kept
// inside what the screen shows.
struct TooltipPlace {
    TextExtent plate, text;
};
TooltipPlace placeTooltip(const HoWorld &world, KText *font, const char *text, float pointerX, float pointerY);
// Takes this frame's text (empty: none): a new one restarts the fade-in and, over a strip item, runs
// "on_hover_inventory_item"; a vanished one starts the fade-out, which a HUD button's tooltip cuts short
// once the pointer is off the button. Then draws the tooltip while it shows or fades, at the pointer's drawn
// position moved by the configured offsets and kept inside the screen.
void showTooltip(HoWorld &world, const TooltipSource &source, float pointerX, float pointerY);
