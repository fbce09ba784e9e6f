// Save files through the save stream: the header, then tagged records read as a saved game reads them
// (variables, tasks with their sub-tasks, elements and their named values, hidden-object items), into a
// fresh world whose scene has elements, a group, an item and script records for references to find.

#include <cstdlib>
#include <cstring>
#include <memory>

#include "game/HoContext.h"
#include "game/player/HoInventoryItem.h"
#include "game/player/SaveStream.h"
#include "game/scene/ElementSave.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptArray.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

namespace {

// A world as a load builds one: the scene "hall" with two elements, a group, an item, a hidden-object
// item, a task with two sub-tasks, and a variable holding an array.
struct FuzzWorld {
    FuzzWorld() {
        hall = new HoScene(&world);
        const char *name = names().internOrFind("hall");
        hall->setNames(name, name);
        world.scenes.append(hall);
        for (const char *elementName : {"door", "key"}) {
            SceneElement *element = world.elementPool.allocate();
            element->scene = hall;
            element->name = names().internOrFind(elementName);
            hall->allElements.members.append(element);
        }
        door = hall->allElements.members[0];
        group.init(hall, names().internOrFind("doors"));
        hall->groups.append(&group);
        world.inventoryItems.append(new HoInventoryItem("lantern", &world));
        ScriptTask *task = findOrCreateTask(names().internOrFind("open"), &hall->script);
        for (int32_t i = 0; i < 2; ++i) {
            ScriptTask *subTask = world.scriptPools.tasks.allocate();
            subTask->context = &hall->script;
            subTask->element = hall->allElements.members[i];
            task->subTasks.append(subTask);
        }
        ScriptValue *list = findOrCreateVariable(&hall->script, names().internOrFind("#list"), nullptr)->value;
        ScriptValue *entry = world.scriptPools.newValueSlot();
        entry->setPointer(kScriptElement, door);
        makeArrayValue(list, world.scriptPools)->append(entry);
        hoItem = std::make_unique<HiddenObjectItem>(hall);
    }
    InternTable &names() { return context.interned; }

    HoContext context{nullptr};
    HoWorld world{&context};
    HoScene *hall = nullptr;
    SceneElement *door = nullptr;
    SceneGroup group;
    std::unique_ptr<HiddenObjectItem> hoItem;
};

// What a value read back may be: a type with a saved form or none, an interned text, arrays no deeper than
// the stream allows.
void checkValue(FuzzWorld &fuzzWorld, const ScriptValue &value, int depth) {
    FUZZ_CHECK(depth <= SaveStream::kMaxArrayDepth + 1);
    FUZZ_CHECK((value.type >= kScriptNone && value.type <= kScriptEvent) || value.type == kScriptArray);
    if (value.type == kScriptText)
        FUZZ_CHECK(value.text() && fuzzWorld.names().findInterned(value.text()) == value.text());
    if (value.type != kScriptArray)
        return;
    auto *entries = static_cast<PtrArray<ScriptValue> *>(value.pointer);
    FUZZ_CHECK(entries && entries->count() >= 0);
    for (int32_t i = 0; i < entries->count(); ++i) {
        if (entries->get(i))
            checkValue(fuzzWorld, *entries->get(i), depth + 1);
    }
}

// One record after its tag and name, in either direction.
bool serializeRecord(SaveStream &stream, FuzzWorld &fuzzWorld, uint8_t tag, const char *name) {
    ScriptContext *script = &fuzzWorld.hall->script;
    switch (tag) {
    case kSaveTagVariable: {
        ScriptVariable *variable = findOrCreateVariable(script, name, nullptr);
        if (!variable || !serializeVariableValue(stream, variable))
            return false;
        checkValue(fuzzWorld, *variable->value, 0);
        return true;
    }
    case kSaveTagTask: {
        ScriptTask *task = findOrCreateTask(name, script);
        if (!serializeTask(stream, task))
            return false;
        FUZZ_CHECK(task->state >= kTaskReferenced && task->state <= kTaskCompletionHandled);
        for (int32_t i = 0; i < task->subTasks.count(); ++i)
            FUZZ_CHECK(task->subTasks[i]->state >= kTaskReferenced && task->subTasks[i]->state <= kTaskCompletionHandled);
        return true;
    }
    case kSaveTagElementValue: {
        SceneElement *door = fuzzWorld.door;
        ScriptValue &value = findOrCreateNamedValue(door->namedValues, name, fuzzWorld.world.namedValuePool(), true)->value;
        if (!stream.serializeValue(value))
            return false;
        checkValue(fuzzWorld, value, 0);
        return true;
    }
    case kSaveTagElement: {
        SceneElement *element = fuzzWorld.hall->findElement(name);
        if (!element || !serializeElement(element, stream))
            return false;
        FUZZ_CHECK(!element->emitter || element->emitter->pools == &fuzzWorld.world.renderPools);
        checkValue(fuzzWorld, element->text, 0);
        return true;
    }
    case kSaveTagHiddenObjectItem: {
        HiddenObjectItem &item = *fuzzWorld.hoItem;
        if (!item.serialize(stream))
            return false;
        FUZZ_CHECK(std::strlen(item.name) < size_t(HiddenObjectItem::kNameBytes));
        return true;
    }
    default:
        return false;
    }
}

// A tagged record: the tag byte, the record's name, then the record. Writing takes the tag and name
// given; reading takes them from the file.
bool serializeTagged(SaveStream &stream, FuzzWorld &fuzzWorld, uint8_t tag = 0, const char *name = nullptr) {
    return stream.serializeByte(tag) && stream.serializeString(name) && name &&
           serializeRecord(stream, fuzzWorld, tag, fuzzWorld.names().internOrFind(name));
}

void writeSeed(SeedFolder &seeds, const char *seedName, void (*fill)(FuzzWorld &), const char *const *records,
               int count) {
    FuzzWorld fuzzWorld;
    fill(fuzzWorld);
    std::string path = seeds.scratch(seedName).string();
    bool written = writeSaveFile(&fuzzWorld.world, path.c_str(), [&](SaveStream &stream) {
        for (int i = 0; i < count; ++i) {
            if (!serializeTagged(stream, fuzzWorld, uint8_t(records[i][0]), records[i] + 1))
                return false;
        }
        return true;
    });
    FUZZ_CHECK(written);
    seeds.addFile(seedName, path);
}

} // namespace

void fuzzSeeds(SeedFolder &seeds) {
    setenv("XDG_DATA_HOME", seeds.scratch("seed").parent_path().c_str(), 1);
    static const char *const values[] = {"V#list", "V#score", "V#label", "Edoor", "Rvisits", "Rwhere", "Topen", "Okey"};
    writeSeed(
        seeds, "values.sav",
        [](FuzzWorld &fuzzWorld) {
            InternTable &names = fuzzWorld.names();
            findOrCreateVariable(&fuzzWorld.hall->script, names.internOrFind("#score"), nullptr)->value->setNumber(12.5f);
            findOrCreateVariable(&fuzzWorld.hall->script, names.internOrFind("#label"), nullptr)
                ->value->setPointer(kScriptText, names.internOrFind("a label"));
            auto named = [&](const char *name) -> ScriptValue & {
                return findOrCreateNamedValue(fuzzWorld.door->namedValues, names.internOrFind(name),
                                              fuzzWorld.world.namedValuePool(), true)
                    ->value;
            };
            named("visits").setPointer(kScriptGroup, &fuzzWorld.group);
            named("where").setPointer(kScriptInventoryItem, fuzzWorld.world.inventoryItems[0]);
            ScriptTask *task = findOrCreateTask(names.internOrFind("open"), &fuzzWorld.hall->script);
            task->state = kTaskCompleted;
            task->subTasks[1]->state = kTaskEnabled;
            // The door shows the key's particles and picture.
            SceneElement *key = fuzzWorld.hall->allElements.members[1];
            fuzzWorld.door->emitter = fuzzWorld.world.renderPools.acquireEmitter();
            fuzzWorld.door->emitter->init(key, true, nullptr, fuzzWorld.door, 0.0f, 0.0f);
            fuzzWorld.door->sharedImageSource = key;
            fuzzWorld.door->text.setPointer(kScriptText, names.internOrFind("Open me"));
            fuzzWorld.hoItem->setName("brass key");
        },
        values, 8);
    static const char *const empty[] = {""};
    writeSeed(seeds, "empty.sav", [](FuzzWorld &) {}, empty, 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The input lies in the process's folder, which is the application-data folder of the run.
    std::string path = inputFile(data, size, ".sav");
    auto fuzzWorld = std::make_unique<FuzzWorld>();
    SaveStream stream(&fuzzWorld->world);
    if (!stream.openRead(path.c_str()))
        return 0;
    FUZZ_CHECK(stream.version <= SaveStream::kVersion && stream.offset() == 15);
    while (!stream.atEnd()) {
        uint32_t before = stream.offset();
        bool read = serializeTagged(stream, *fuzzWorld);
        FUZZ_CHECK(stream.offset() > before && stream.offset() <= stream.length);
        if (!read)
            break;
    }
    return 0;
}
