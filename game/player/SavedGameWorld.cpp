// The parts of saving and loading that touch the world's step, scene changes, zoom layers, pointer,
// inventory, HUD message and hidden-object play. The inventory and the HUD message are kept: a save lands
// every flying item and writes the items' states and the bar; a load takes them back. The step does not
// open zoom zones or change scenes yet, so a save carries no target scene, music, zoom zone or
// hidden-object list, and a load takes none; records of them in a file are refused; a save lets go of
// nothing the pointer holds and ends no move and no scene change, and flushes the HUD scenes' timed
// blocks only.

#include "game/player/HoInventoryRecords.h"
#include "game/player/PickFlight.h"
#include "game/player/SaveStream.h"
#include "game/player/SavedGame.h"
#include "game/world/HoWorld.h"

SavedGameHead captureSavedGameHead(HoWorld *world) {
    SavedGameHead head;
    head.messageShown = world->message.shown;
    head.messageDuration = world->message.duration;
    head.messageElapsed = world->message.elapsed;
    return head;
}

void applySavedGameHead(HoWorld *world, const SavedGameHead &head) {
    world->message.shown = head.messageShown;
    world->message.duration = head.messageDuration;
    world->message.elapsed = head.messageElapsed;
}

HoScene *sceneToSave(HoWorld *) {
    return nullptr;
}

void settleWorldForSave(HoWorld *world, HoScene *, const std::function<void()> &flushTimedBlocks) {
    flushTimedBlocks();
    landFlyingItems(world);
}

HoScene *firstZoomLayerScene(HoWorld *) {
    return nullptr;
}

bool writeInventoryAndZoomRecords(HoWorld *world, SaveStream &stream) {
    return writeInventoryRecords(world, stream);
}

bool readInventoryOrZoomRecord(HoWorld *world, SaveStream &stream, uint8_t tag) {
    if (tag == kSaveTagInventoryItem || tag == kSaveTagBarItem)
        return readInventoryRecord(world, stream, tag);
    return false;
}

bool writeHiddenObjectRecords(HoScene *, SaveStream &) {
    return true;
}

bool readHiddenObjectRecord(HoScene *, SaveStream &, uint8_t) {
    return false;
}
