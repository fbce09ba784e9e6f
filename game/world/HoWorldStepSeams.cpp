// The places in the step where the inventory strip, the saved game, the video manager and the text
// fields do their part. Until those parts of the game exist there is nothing to do at them: no item
// exists, so the strip stays hidden and nothing is selected; no scene holds a video; no text field takes
// the focus.

#include "game/world/HoWorld.h"

// Input: the strip slides in and out with the pointer.
void HoWorld::slideInventoryStrip() {}

// The HUD step: the strip's flights, fades and panel (twice outside hidden-object scenes)...
void HoWorld::stepInventoryStrip(bool) {}

// ...and the HUD message's fades.
void HoWorld::stepHudMessage() {}

// After the scenes' updates: the strip scrolls toward its scroll index.
void HoWorld::scrollInventoryStrip() {}

// A missed click with an item in hand: the item flies back to the strip.
void HoWorld::sendSelectedItemBack() {}

// The switch: the strip is laid out for the new scene...
void HoWorld::resetInventoryStrip() {}

// ...and the game is saved on entering a location.
void HoWorld::saveGameAtSwitch() {}

// The step's start: the video clips advance by one step.
void HoWorld::advanceVideos() {}

// A click takes the focus from a text field of the top scene.
void HoWorld::dropTextFocus(SceneElement *) {}

HoInventoryItem *HoWorld::inventoryItemAt(float, float, bool *takeable) {
    if (takeable)
        *takeable = false;
    return nullptr;
}
