// The parts of saving and loading that touch the world's step, scene changes, zoom layers, pointer,
// inventory, HUD message, music and hidden-object play: what the fixed fields take and give, the records
// of the inventory, of the open zoom zone and of a hidden-object scene's list, the world brought to rest
// before a save, and the saves at the scene switch and at exit.

#include <memory>
#include <utility>

#include "engine/system/KSystem.h"
#include "game/player/GameInMemory.h"
#include "game/player/HoInventoryRecords.h"
#include "game/player/PickFlight.h"
#include "game/player/SaveStream.h"
#include "game/player/SavedGame.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HiddenObjectPicking.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/PendingBlock.h"
#include "game/world/HoWorld.h"

namespace {

// The item count of the H record is kept from this version on.
constexpr int32_t kHoCountGate = 24;

// The zone open on the lowest layer that is not closing, with the element that opened it.
const ZoomLayer *openZoomLayer(const HoWorld *world) {
    for (const ZoomLayer &layer : world->zoomLayers) {
        if (layer.zone && layer.zone->isZoomZone && layer.state != kZoomClosing)
            return &layer;
    }
    return nullptr;
}

bool writeZoomRecord(HoWorld *world, SaveStream &stream) {
    const ZoomLayer *layer = world->change.target ? nullptr : openZoomLayer(world);
    if (!layer)
        return true;
    uint8_t tag = kSaveTagZoomZone;
    const char *zone = layer->zone->identifier;
    const char *opener = layer->openArgument ? layer->openArgument->name : "";
    return stream.serializeByte(tag) && stream.serializeString(zone) && stream.serializeString(opener);
}

// The zone is opened again once the scene to start in has entered; a zone or element the game no longer
// has is passed over.
bool readZoomRecord(HoWorld *world, SaveStream &stream) {
    const char *zoneName = nullptr;
    const char *openerName = nullptr;
    if (!stream.serializeString(zoneName) || !stream.serializeString(openerName))
        return false;
    HoScene *zone = zoneName ? world->findScene(zoneName) : nullptr;
    if (!zone || !zone->isZoomZone) {
        logMessage("Game: the saved game's open zoom zone %s is not a zoom zone of the game, WARNING",
                   zoneName ? zoneName : "(none)");
        return true;
    }
    HoScene *target = world->change.target;
    world->change.pendingZone = zone;
    world->change.pendingZoneArgument = target && openerName ? target->findElement(openerName) : nullptr;
    return true;
}

// The items go: no pick record may keep pointing at one.
void dropHoItems(HoScene *scene) {
    PtrArray<SceneElement> &elements = scene->allElements.members;
    for (int32_t i = 0; i < elements.count(); ++i) {
        if (elements[i]->pickInfo)
            elements[i]->pickInfo->item = nullptr;
    }
    scene->clearHoItems();
}

} // namespace

HoScene *focusedScene(HoWorld *world) {
    return world->topScene ? world->topScene : world->activeScene;
}

HoScene *savedGameTarget(const HoWorld *world) {
    return world->change.state == kChangeLeaving ? world->change.target : world->activeScene;
}

SavedGameHead captureSavedGameHead(HoWorld *world) {
    SavedGameHead head;
    head.target = savedGameTarget(world);
    head.messageShown = world->message.shown;
    head.messageDuration = world->message.duration;
    head.messageElapsed = world->message.elapsed;
    head.music = world->music.playing;
    head.musicVolume = world->music.volume;
    return head;
}

void applySavedGameHead(HoWorld *world, const SavedGameHead &head) {
    world->change.target = head.target;
    world->message.shown = head.messageShown;
    world->message.duration = head.messageDuration;
    world->message.elapsed = head.messageElapsed;
    WorldMusic &music = world->music;
    if (head.music != music.playing && head.target && !head.target->isCutscene) {
        music.changePending = 1;
        music.next = head.music;
    }
    music.volume = head.musicVolume;
}

HoScene *sceneToSave(HoWorld *world) {
    HoScene *focused = focusedScene(world);
    return focused && focused->isGameplay ? focused : world->activeScene;
}

void settleWorldForSave(HoWorld *world, HoScene *scene, const std::function<void()> &flushTimedBlocks) {
    if (SceneElement *held = world->heldElement)
        held->releaseHeld();
    if (SceneElement *moved = world->clicks.drag.dragging) {
        world->clicks.drag.dragging = nullptr;
        moved->scene->runEndMoveHandlers(moved);
    }
    flushTimedBlocks();
    if (scene && world->change.state == kChangeLeaving) {
        scene->fireLeaving();
        scene->fireLeave();
        world->runScriptPass(tickEvents);
        world->runScriptPass(runContextHandlers);
    }
    landFlyingItems(world);
}

HoScene *firstZoomLayerScene(HoWorld *world) {
    return world->zoomLayers[0].zone;
}

bool writeInventoryAndZoomRecords(HoWorld *world, SaveStream &stream) {
    return writeInventoryRecords(world, stream) && writeZoomRecord(world, stream);
}

bool readInventoryOrZoomRecord(HoWorld *world, SaveStream &stream, uint8_t tag) {
    if (tag == kSaveTagZoomZone)
        return readZoomRecord(world, stream);
    return readInventoryRecord(world, stream, tag);
}

bool writeHiddenObjectRecords(HoScene *scene, SaveStream &stream) {
    uint8_t tag = kSaveTagHiddenObjectState;
    int32_t count = scene->hoItems.count();
    if (!stream.serializeByte(tag) || !stream.serializeByte(scene->hoActive) ||
        !stream.serializeByte(scene->hoCompleted) || (stream.hasField(kHoCountGate) && !stream.serializeInt(count)))
        return false;
    for (int32_t i = 0; i < count; ++i) {
        tag = kSaveTagHiddenObjectItem;
        if (!stream.serializeByte(tag) || !scene->hoItems[i]->serialize(stream))
            return false;
    }
    return true;
}

bool readHiddenObjectRecord(HoScene *scene, SaveStream &stream, uint8_t tag, int32_t &itemCount) {
    if (tag == kSaveTagHiddenObjectItem) {
        // An item of a scene the game no longer has is read and dropped.
        auto item = std::make_unique<HiddenObjectItem>(scene);
        if (!item->serialize(stream))
            return false;
        if (!scene)
            return true;
        HiddenObjectItem *kept = item.release();
        scene->hoItems.append(kept);
        layoutHoItem(kept, itemCount > 0 ? itemCount : scene->hoItems.count(), kept->listPosition);
        return true;
    }
    uint8_t active = 0, completed = 0;
    itemCount = 0;
    if (!stream.serializeByte(active) || !stream.serializeByte(completed) ||
        (stream.hasField(kHoCountGate) && !stream.serializeInt(itemCount)))
        return false;
    if (scene) {
        scene->hoActive = active;
        scene->hoCompleted = completed;
        dropHoItems(scene);
    }
    return true;
}

bool saveGameOnExit(HoWorld *world) {
    if (!world || !world->activeScene)
        return false;
    return isSavedScene(world, world->activeScene) ? saveGame(world) : saveWhatIsNotSaved(world, "at exit");
}

// The switch: the game is saved on entering a location.
void HoWorld::saveGameAtSwitch() {
    saveGame(this);
}
