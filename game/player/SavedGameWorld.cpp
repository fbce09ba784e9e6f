// The parts of saving and loading that touch the world's step, scene changes, zoom layers, pointer,
// inventory, HUD message and hidden-object play. The world has their records, but its step does not open
// zoom zones, change scenes, carry items or show messages yet, so nothing here has state to keep: a save
// carries no target scene, HUD message, music, inventory, zoom zone or hidden-object list, and a load
// takes none; records of them in a file are refused; a save lets go of nothing the pointer holds, ends
// no move and no scene change, and lands no flying item, and flushes the HUD scenes' timed blocks only.

#include "game/player/SaveStream.h"
#include "game/player/SavedGame.h"

SavedGameHead captureSavedGameHead(HoWorld *) {
    return SavedGameHead{};
}

void applySavedGameHead(HoWorld *, const SavedGameHead &) {}

HoScene *sceneToSave(HoWorld *) {
    return nullptr;
}

void settleWorldForSave(HoWorld *, HoScene *, const std::function<void()> &flushTimedBlocks) {
    flushTimedBlocks();
}

HoScene *firstZoomLayerScene(HoWorld *) {
    return nullptr;
}

bool writeInventoryAndZoomRecords(HoWorld *, SaveStream &) {
    return true;
}

bool readInventoryOrZoomRecord(HoWorld *, SaveStream &, uint8_t) {
    return false;
}

bool writeHiddenObjectRecords(HoScene *, SaveStream &) {
    return true;
}

bool readHiddenObjectRecord(HoScene *, SaveStream &, uint8_t) {
    return false;
}
