#include "game/player/SavedGame.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/player/DamagedFiles.h"
#include "game/player/GameInMemory.h"
#include "game/player/ProfileList.h"
#include "game/player/SaveNotice.h"
#include "game/player/SaveStream.h"
#include "game/scene/ElementSave.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HoScene.h"
#include "game/scene/PendingBlockBudget.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"

namespace {

constexpr int32_t kHeadGate = 10;
constexpr int32_t kMessageGate = 12;
constexpr int32_t kOldestReadableVersion = 14;
constexpr char kQuickSaveName[] = "quicksave.sav";
constexpr char kHiddenObjectPrefix[] = "ho_";
// The least a name takes in a file: its length block.
constexpr uint32_t kNameBytes = 5;

bool startsWith(const char *text, const char *prefix) {
    return text && std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool holdsNumber(const ScriptValue *value, float number) {
    return value && value->type == kScriptNumber && value->number == number;
}

bool serializeHead(SaveStream &stream, SavedGameHead &head) {
    if (stream.hasField(kHeadGate) && !stream.serializeSceneRef(head.target))
        return false;
    if (stream.hasField(kMessageGate) &&
        !(stream.serializeByte(head.messageShown) && stream.serializeInt(head.messageDuration) &&
          stream.serializeInt(head.messageElapsed)))
        return false;
    return !stream.hasField(kHeadGate) || (stream.serializeSoundRef(head.music) && stream.serializeFloat(head.musicVolume));
}

// ---- The forms shared by both directions --------------------------------------------------------------

// An armed event: its countdown and whether it is to fire at the next event pass.
bool serializeEventState(SaveStream &stream, ScriptEvent *event) {
    int32_t ticks = event->ticks;
    uint8_t fired = event->firePending || event->fired ? 1 : 0;
    if (!stream.serializeInt(ticks) || !stream.serializeByte(fired))
        return false;
    if (stream.reading) {
        event->ticks = ticks;
        event->firePending = fired ? 1 : 0;
    }
    return true;
}

ElementPickInfo *pickInfoOf(HoWorld *world, SceneElement *element) {
    if (!element->pickInfo) {
        element->pickInfo = world->scenePools.pickInfos.allocate();
        element->pickInfo->init(element);
    }
    return element->pickInfo;
}

// What an element of a hidden-object scene adds: whether it has a pick record, the record, and the name
// of the item it belongs to.
bool serializeHiddenObjectPart(HoWorld *world, HoScene *scene, SceneElement *element, SaveStream &stream) {
    uint8_t present = element->pickInfo ? 1 : 0;
    if (!stream.serializeByte(present))
        return false;
    if (!present)
        return true;
    ElementPickInfo *pickInfo = pickInfoOf(world, element);
    if (!serializeElementPickInfo(pickInfo, stream))
        return false;
    const char *itemName = stream.writing && pickInfo->item ? pickInfo->item->name : nullptr;
    if (!stream.serializeString(itemName))
        return false;
    if (stream.reading)
        pickInfo->item = scene->findHoItem(itemName);
    return true;
}

// A hidden-object element read back finds its item again (by its name up to the first '|'), its target
// and the element that shows it being picked, and joins the item's element list.
void relinkHiddenObject(HoWorld *world, HoScene *scene, SceneElement *element) {
    const std::string name = element->name;
    HiddenObjectItem *item = scene->findHoItem(name.substr(0, name.find('|')).c_str());
    if (!item)
        return;
    ElementPickInfo *pickInfo = pickInfoOf(world, element);
    pickInfo->target = scene->findElement(("target_" + name).c_str());
    if (pickInfo->target) {
        item->interactive = 1;
        pickInfoOf(world, pickInfo->target)->dropped = element;
    }
    SceneElement *picked = scene->findElement(("picked_" + name).c_str());
    pickInfo->display = picked ? picked : element;
    pickInfo->foundEmitter = nullptr;
    pickInfo->dissolveEmitters[0] = pickInfo->dissolveEmitters[1] = nullptr;
    pickInfo->item = item;
    item->elements.append(element);
}

// Runs the timed blocks of the scene being saved and of the open zoom zone (neither for a cut-scene),
// then of the HUD scenes, until none that may run is left: a timer that re-arms itself runs once and
// then waits for its time after the save (PendingBlockBudget).
void flushTimedBlocks(HoWorld *world, HoScene *scene) {
    const bool cutscene = scene && scene->isCutscene;
    HoScene *scenes[] = {cutscene ? nullptr : scene, cutscene ? nullptr : firstZoomLayerScene(world),
                         world->findScene("hud"), world->findScene("over_hud")};
    PendingBlockBudget budget;
    for (size_t i = 0; i < std::size(scenes); ++i) {
        if (scenes[i] && std::find(scenes, scenes + i, scenes[i]) == scenes + i)
            scenes[i]->countPendingBlocks(budget);
    }
    for (;;) {
        int32_t run = 0;
        for (HoScene *flushed : scenes)
            run += flushed ? flushed->flushPendingBlocks(INT32_MAX, &budget) : 0;
        if (run == 0)
            return;
    }
}

// ---- Files read only in part -----------------------------------------------------------------------------

// A saved game that cannot be loaded is set aside, never deleted, and never counted as a save again.
void setAsideUnloadable(HoWorld *world, const char *path) {
    setDamagedFileAside(world, path, [file = std::string(path)](const std::string &aside) {
        if (!aside.empty())
            logMessage("Game: saved game %s cannot be loaded and is kept as %s, ERROR", file.c_str(), aside.c_str());
    });
}

// The last scene that the world saves, in the order the writer writes them.
const HoScene *lastSavedScene(const HoWorld *world) {
    for (int32_t i = world->scenes.count() - 1; i >= 0; --i) {
        if (isSavedScene(world, world->scenes[i]))
            return world->scenes[i];
    }
    return nullptr;
}

// A file whose reading stopped before its end, or whose records end before those of the last scene that
// the game saves (a file cut at a record's end, which the format cannot tell from a whole one otherwise),
// has given what it could: the next save will write over it, so its bytes are kept aside first.
// True when it kept a copy so.
bool keepCopyOfShortRead(HoWorld *world, SaveStream &stream, const char *path, const SavedGameEnd &end) {
    const HoScene *last = lastSavedScene(world);
    const bool endsEarly = last && !(end.lastScene && std::strcmp(end.lastScene, last->identifier) == 0);
    if (!end.stoppedAt && !endsEarly)
        return false;
    const unsigned length = stream.length;
    std::string what;
    char numbers[96];
    if (end.stoppedAt) {
        std::snprintf(numbers, sizeof numbers, "%u of %u", unsigned(end.stoppedAt), length);
        what = std::string("cannot be read past byte ") + numbers + ": the records before it are loaded";
    } else {
        std::snprintf(numbers, sizeof numbers, "%u", length);
        what = std::string("ends at byte ") + numbers + " after the records of scene " +
               (end.lastScene ? end.lastScene : "(none)") + ", before those of scene " + last->identifier +
               ": it may have been cut short; the records it has are loaded";
    }
    keepDamagedCopy(world, path, std::vector<uint8_t>(stream.bytes(), stream.bytes() + length),
                    [file = std::string(path), what](const std::string &aside) {
                        logMessage("Game: saved game %s %s and the whole file is kept as %s, WARNING", file.c_str(),
                                   what.c_str(), aside.empty() ? "(nowhere)" : aside.c_str());
                    });
    return true;
}

// ---- Writing ----------------------------------------------------------------------------------------------

bool writeNamed(SaveStream &stream, uint8_t tag, const char *name) {
    return stream.serializeByte(tag) && stream.serializeString(name);
}

bool writeNamedValues(SaveStream &stream, uint8_t tag, PtrArray<NamedValue> &values) {
    for (int32_t i = 0; i < values.count(); ++i) {
        if (!writeNamed(stream, tag, values[i]->name) || !stream.serializeValue(values[i]->value))
            return false;
    }
    return true;
}

bool isElementSaved(const HoScene *scene, const SceneElement *element) {
    return element->noSerialize.asNumber() == 0.0f && (element->scriptTouched || scene->isHo);
}

bool writeElements(HoWorld *world, HoScene *scene, SaveStream &stream) {
    PtrArray<SceneElement> &elements = scene->allElements.members;
    for (int32_t i = 0; i < elements.count(); ++i) {
        SceneElement *element = elements[i];
        if (!isElementSaved(scene, element))
            continue;
        if (!writeNamed(stream, kSaveTagElement, element->name) || !serializeElement(element, stream))
            return false;
        if (scene->isHo && !serializeHiddenObjectPart(world, scene, element, stream))
            return false;
        if (!writeNamedValues(stream, kSaveTagElementValue, element->namedValues))
            return false;
    }
    return true;
}

bool writeScriptRecords(ScriptContext &script, SaveStream &stream) {
    for (int32_t i = 0; i < script.variables.count(); ++i) {
        ScriptVariable *variable = script.variables[i];
        if (variable->saved &&
            !(writeNamed(stream, kSaveTagVariable, variable->name) && serializeVariableValue(stream, variable)))
            return false;
    }
    for (int32_t i = 0; i < script.tasks.count(); ++i) {
        ScriptTask *task = script.tasks[i];
        if (!writeNamed(stream, kSaveTagTask, task->name) || !serializeTask(stream, task) ||
            !writeNamedValues(stream, kSaveTagTaskValue, task->namedValues))
            return false;
    }
    for (int32_t i = 0; i < script.events.count(); ++i) {
        ScriptEvent *event = script.events[i];
        if ((event->ticks > 0 || event->firePending || event->fired) &&
            !(writeNamed(stream, kSaveTagEvent, event->name) && serializeEventState(stream, event)))
            return false;
    }
    return true;
}

bool writeGroups(HoScene *scene, SaveStream &stream) {
    for (int32_t i = 0; i < scene->groups.count(); ++i) {
        SceneGroup *group = scene->groups[i];
        if (!group->changed)
            continue;
        int32_t count = group->members.count();
        if (!writeNamed(stream, kSaveTagGroup, group->name) || !stream.serializeInt(count))
            return false;
        for (int32_t m = 0; m < count; ++m) {
            const char *member = group->members[m] ? group->members[m]->name : nullptr;
            if (!stream.serializeString(member))
                return false;
        }
    }
    return true;
}

bool writeRecords(HoWorld *world, SaveStream &stream) {
    if (!writeInventoryAndZoomRecords(world, stream))
        return false;
    for (int32_t i = 0; i < world->scenes.count(); ++i) {
        HoScene *scene = world->scenes[i];
        if (!isSavedScene(world, scene))
            continue;
        if (!writeNamed(stream, kSaveTagScene, scene->identifier) ||
            (scene->isHo && !writeHiddenObjectRecords(scene, stream)) || !writeElements(world, scene, stream) ||
            !writeScriptRecords(scene->script, stream) || !writeGroups(scene, stream))
            return false;
    }
    return true;
}

// ---- Reading ----------------------------------------------------------------------------------------------

// The scene, element and task that the records read so far make current, and the records that take
// what belongs to something the game no longer has.
class RecordReader {
public:
    RecordReader(HoWorld *world, SaveStream &stream, SavedGameEnd &end) : world_(world), stream_(stream), end_(end) {}

    // The records end with the file, or at the first tag that cannot be read; a record that fails after
    // its tag fails the whole read.
    bool readAll() {
        while (!stream_.atEnd()) {
            const uint32_t at = stream_.offset();
            uint8_t tag = 0;
            if (!stream_.tryReadByte(tag)) {
                end_.stoppedAt = at;
                return true;
            }
            if (!readRecord(tag))
                return false;
        }
        return true;
    }

private:
    bool readRecord(uint8_t tag) {
        switch (tag) {
        case kSaveTagHiddenObjectState:
        case kSaveTagHiddenObjectItem:
            return readHiddenObjectRecord(scene_, stream_, tag, hoItemCount_);
        case kSaveTagInventoryItem:
        case kSaveTagBarItem:
        case kSaveTagZoomZone:
            return readInventoryOrZoomRecord(world_, stream_, tag);
        case kSaveTagScene:
        case kSaveTagElement:
        case kSaveTagElementValue:
        case kSaveTagVariable:
        case kSaveTagTask:
        case kSaveTagTaskValue:
        case kSaveTagEvent:
        case kSaveTagGroup:
            break;
        default:
            logMessage("Unknown serialization type");
            return false;
        }
        // The records of a scene begin with a name. Elements, variables and tasks are saved in the order
        // the scene lists them, so most are found there by the name's bytes, without interning it.
        SaveStream::TextBytes text;
        if (!stream_.readTextBytes(text))
            return false;
        switch (tag) {
        case kSaveTagElement:
            return readElement(text);
        case kSaveTagVariable:
            return readVariable(text);
        case kSaveTagTask:
            return readTask(text);
        default:
            break;
        }
        const char *name = stream_.internText(text);
        switch (tag) {
        case kSaveTagScene:
            return readScene(name);
        case kSaveTagElementValue:
            return readNamedValue(name, element_ ? &element_->namedValues : nullptr);
        case kSaveTagTaskValue:
            return readNamedValue(name, task_ ? &task_->namedValues : nullptr);
        case kSaveTagEvent:
            return readEvent(name);
        default:
            return readGroup(name);
        }
    }

    bool readScene(const char *name) {
        end_.lastScene = name;
        scene_ = world_->findScene(name);
        hoItemCount_ = 0;
        element_ = nullptr;
        task_ = nullptr;
        elements_ = NameCursor();
        variables_ = NameCursor();
        tasks_ = NameCursor();
        return true;
    }

    // An element state has no size of its own: one that cannot be placed ends the load.
    bool readElement(const SaveStream::TextBytes &text) {
        element_ = scene_ ? stream_.recordNamed(elements_, scene_->allElements.members, text,
                                        [this](const char *name) { return scene_->elementNamed(name); })
                          : nullptr;
        // The element saved next is most likely the next in the list.
        prefetchSavedElement(scene_ ? elements_.upcoming(scene_->allElements.members) : nullptr);
        if (!element_) {
            const char *name = stream_.internText(text);
            logMessage("Game: saved game names element %s of scene %s, which the game does not have, ERROR",
                       name ? name : "", scene_ ? scene_->identifier : "(none)");
            return false;
        }
        if (!serializeElement(element_, stream_))
            return false;
        if (scene_->isHo && !serializeHiddenObjectPart(world_, scene_, element_, stream_))
            return false;
        if (startsWith(element_->name, kHiddenObjectPrefix))
            relinkHiddenObject(world_, scene_, element_);
        return true;
    }

    bool readNamedValue(const char *name, PtrArray<NamedValue> *values) {
        NamedValue *record =
            values && name ? findOrCreateNamedValue(*values, name, world_->namedValuePool(), true) : &scratchValue_;
        return stream_.serializeValue(record->value);
    }

    bool readVariable(const SaveStream::TextBytes &text) {
        ScriptVariable *variable =
            scene_ ? stream_.recordNamed(variables_, scene_->script.variables, text,
                                 [this](const char *name) { return findVariable(&scene_->script, name); })
                   : nullptr;
        return serializeVariableValue(stream_, variable ? variable : &scratchVariable_);
    }

    bool readTask(const SaveStream::TextBytes &text) {
        task_ = scene_ && text.bytes
                    ? stream_.recordNamed(tasks_, scene_->script.tasks, text,
                                  [this](const char *name) { return findOrCreateTask(name, &scene_->script); })
                    : &scratchTask_;
        return serializeTask(stream_, task_);
    }

    bool readEvent(const char *name) {
        return serializeEventState(stream_, scene_ && name ? findOrCreateEvent(name, &scene_->script) : &scratchEvent_);
    }

    bool readGroup(const char *name) {
        int32_t count = 0;
        if (!stream_.serializeInt(count) || !stream_.countFits(count, kNameBytes))
            return false;
        SceneGroup *group = scene_ && name ? scene_->groupNamed(name) : nullptr;
        if (group) {
            for (int32_t i = 0; group->isCrop() && i < group->members.count(); ++i)
                group->members[i]->cropElement = nullptr;
            group->members.clear();
            group->changed = 1;
        }
        for (int32_t i = 0; i < count; ++i) {
            const char *member = nullptr;
            if (!stream_.serializeString(member))
                return false;
            if (SceneElement *element = group && member ? scene_->elementNamed(member) : nullptr)
                group->members.append(element);
        }
        if (group && group->isCrop())
            scene_->linkCropGroup(group);
        return true;
    }

    HoWorld *world_;
    SaveStream &stream_;
    SavedGameEnd &end_;
    HoScene *scene_ = nullptr;
    int32_t hoItemCount_ = 0;
    SceneElement *element_ = nullptr;
    ScriptTask *task_ = nullptr;
    NameCursor elements_;
    NameCursor variables_;
    NameCursor tasks_;
    ScriptValue scratchSlot_;
    ScriptVariable scratchVariable_{nullptr, &scratchSlot_};
    ScriptTask scratchTask_;
    ScriptEvent scratchEvent_;
    NamedValue scratchValue_;
};

} // namespace

bool isSavedScene(const HoWorld *world, const HoScene *scene) {
    if (scene == world->globalScene || std::strcmp(scene->identifier, "hud") == 0 || scene->isGameplay)
        return true;
    ScriptVariable *serialize = scene->isGameplayCommon ? findVariable(&scene->script, "#serialize") : nullptr;
    return serialize && holdsNumber(serialize->value, 1.0f);
}

bool serializeWorld(HoWorld *world, SaveStream &stream, SavedGameEnd *end) {
    SavedGameHead head = stream.writing ? captureSavedGameHead(world) : SavedGameHead{};
    if (!serializeHead(stream, head))
        return false;
    if (stream.writing) {
        if (!writeRecords(world, stream))
            return false;
        copyAchievementsFromScripts(world);
        return true;
    }
    applySavedGameHead(world, head);
    SavedGameEnd ignored;
    if (!RecordReader(world, stream, end ? *end : ignored).readAll())
        return false;
    restoreAchievements(world, currentProfileIndex(world));
    if (ScriptContext *global = world->globalContext())
        findOrCreateVariable(global, "##hud_deserialized", nullptr)->value->setNumber(1.0f);
    return true;
}

bool saveGameFile(HoWorld *world, const char *announcement, bool *attempted) {
    if (attempted)
        *attempted = false;
    const int32_t index = currentProfileIndex(world);
    if (index < 1 || index > kProfileSlotCount)
        return false;
    HoScene *scene = sceneToSave(world);
    ScriptVariable *singlePlay = scene ? findVariable(&scene->script, "#singleplay") : nullptr;
    if (singlePlay && holdsNumber(singlePlay->value, 1.0f))
        return false;
    settleWorldForSave(world, scene, [world, scene] { flushTimedBlocks(world, scene); });
    if (ScriptContext *global = world->globalContext())
        findOrCreateVariable(global, "##paused", nullptr)->value->setNumber(0.0f);
    // A profile without a name has no saved game.
    const std::string path = savedGamePath(world, index, world->sceneSaveName);
    if (path.empty()) {
        reportMissingUserFolder(world, "the saved game", announcement);
        return false;
    }
    if (attempted)
        *attempted = true;
    const bool written = writeSaveFile(
        world, path.c_str(), [world](SaveStream &stream) { return serializeWorld(world, stream); }, announcement);
    noteGameInMemory(world, path);
    return written;
}

bool saveGame(HoWorld *world, const char *announcement) {
    bool attempted = false;
    const bool written = saveGameFile(world, announcement, &attempted);
    if (attempted)
        saveProfileList(world);
    return written;
}

bool opensAsSavedGame(HoWorld *world, const std::string &path) {
    SaveStream stream(world);
    if (!stream.openRead(path.c_str()) || stream.version < kOldestReadableVersion)
        return false;
    const bool read = serializeWorld(world, stream);
    stream.close();
    return read;
}

bool readSavedGame(HoWorld *world, const char *path, bool *readInPart) {
    SaveStream stream(world);
    if (!stream.openRead(path)) {
        if (stream.openFailure == SaveStream::OpenFailure::kMissing) {
            // A profile without a saved game starts a new one.
            restoreAchievements(world, currentProfileIndex(world));
            return true;
        }
        // The stream logged why; only a file proven damaged is set aside.
        if (stream.openFailure == SaveStream::OpenFailure::kDamaged)
            setAsideUnloadable(world, path);
        return false;
    }
    const int32_t version = stream.version;
    bool loaded = version >= kOldestReadableVersion;
    if (!loaded)
        logMessage("Game: saved game %s is of version %d, which this game no longer reads, ERROR", path, int(version));
    SavedGameEnd end;
    loaded = loaded && serializeWorld(world, stream, &end);
    const bool inPart = loaded && keepCopyOfShortRead(world, stream, path, end);
    if (readInPart)
        *readInPart = inPart;
    stream.close();
    loadProfileList(world);
    if (!loaded)
        setAsideUnloadable(world, path);
    return loaded;
}

bool loadQuickSave(HoWorld *world) {
    if (world->context && !world->context->saveWriter.waitUntilIdleFor(SaveWriter::longestWait()))
        noteSavesNotFinished(world->context, "when the quick save was to be loaded");
    const bool loaded = readSavedGame(world, kQuickSaveName);
    // A world that is not changing scene takes no scene to start in: kept, it would make a later change
    // to that scene look as if it were under way already, and the change would never happen.
    if (world->change.state == kChangeIdle)
        world->change.target = nullptr;
    return loaded;
}
