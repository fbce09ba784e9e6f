// Saving and loading a scene through the save stream: a generated scene (2,000 elements with two named
// values each, 500 saved variables, some holding nested arrays, 200 tasks with four sub-tasks each) is
// serialized through its saved forms and written by the crash-safe writer, then read back into the scene.
// The floors are the same bytes written with plain POSIX write, fsync and rename in the same sequence,
// and read back with one read. The comparison lines are printed last.

#include <cstdio>
#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/player/SaveStream.h"
#include "game/scene/ElementSave.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptArray.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kRuns = 9;
// A read takes a fraction of a millisecond, less than the machine's hiccups: a run times this many reads
// in a row, and the runs of the load and of the floor take turns, each after an untimed run of its own,
// so that both are timed warm.
constexpr int kReadsPerRun = 20;
constexpr int kElements = 2000;
constexpr int kVariables = 500;
constexpr int kTasks = 200;
constexpr int kSubTasks = 4;

// The world of the benchmark: one scene built as the scene file and its script would leave it.
struct Scene {
    Scene() {
        initScriptCommandTable();
        registerKeywords(context.interned);
        hall = new HoScene(&world);
        const char *name = context.interned.internOrFind("hall");
        hall->setNames(name, name);
        world.scenes.append(hall);
        addElements();
        addVariables();
        addTasks();
    }

    const char *intern(const std::string &text) { return context.interned.internOrFind(text.c_str()); }

    void addElements() {
        const char *visits = intern("visits");
        const char *label = intern("label");
        for (int i = 0; i < kElements; ++i) {
            SceneElement *element = world.elementPool.allocate();
            element->scene = hall;
            element->name = intern("element_" + std::to_string(i));
            element->selfSlot.setPointer(kScriptElement, element);
            hall->allElements.members.append(element);
            findOrCreateNamedValue(element->namedValues, visits, world.namedValuePool(), true)->value.setNumber(float(i));
            findOrCreateNamedValue(element->namedValues, label, world.namedValuePool(), true)
                ->value.setPointer(kScriptText, intern("label of element " + std::to_string(i)));
        }
    }

    ScriptValue *slot(int32_t type, const void *payload) {
        ScriptValue *value = world.scriptPools.newValueSlot();
        value->setPointer(type, payload);
        return value;
    }

    // Numbers, texts, element references and, every tenth, an array holding an array.
    void addVariables() {
        for (int i = 0; i < kVariables; ++i) {
            ScriptValue *value = findOrCreateVariable(&hall->script, intern("#saved_" + std::to_string(i)), nullptr)->value;
            switch (i % 10) {
            case 0: {
                PtrArray<ScriptValue> *outer = makeArrayValue(value, world.scriptPools);
                ScriptValue *innerSlot = world.scriptPools.newValueSlot();
                PtrArray<ScriptValue> *inner = makeArrayValue(innerSlot, world.scriptPools);
                for (int j = 0; j < 3; ++j)
                    inner->append(slot(kScriptElement, hall->allElements.members[(i + j) % kElements]));
                outer->append(slot(kScriptText, intern("entry")));
                outer->append(nullptr);
                outer->append(innerSlot);
                outer->append(slot(kScriptScene, hall));
                break;
            }
            case 1:
            case 2:
                value->setPointer(kScriptText, intern("text value " + std::to_string(i)));
                break;
            case 3:
                value->setPointer(kScriptElement, hall->allElements.members[i % kElements]);
                break;
            default:
                value->setNumber(float(i) * 0.5f);
                break;
            }
        }
    }

    void addTasks() {
        const char *empty = intern("");
        for (int i = 0; i < kTasks; ++i) {
            ScriptTask *task = findOrCreateTask(intern("task_" + std::to_string(i)), &hall->script);
            task->state = kTaskEnabled;
            task->isCompleted.setNumber(0.0f);
            for (int j = 0; j < kSubTasks; ++j) {
                ScriptTask *subTask = world.scriptPools.tasks.allocate();
                subTask->context = &hall->script;
                subTask->name = empty;
                subTask->element = hall->allElements.members[(i * kSubTasks + j) % kElements];
                subTask->state = j % 2 ? kTaskCompleted : kTaskEnabled;
                subTask->isCompleted.setNumber(0.0f);
                task->subTasks.append(subTask);
            }
        }
    }

    HoContext context{nullptr};
    HoWorld world{&context};
    HoScene *hall = nullptr;
};

Scene &scene() {
    static Scene built;
    return built;
}

bool serializeTag(SaveStream &stream, SaveSectionTag expected) {
    uint8_t tag = expected;
    return stream.serializeByte(tag) && tag == expected;
}

// The scene's records in the order of a saved game: the scene, its elements with their state and named
// values, its saved variables, its tasks.
bool writeScene(SaveStream &stream, HoScene *hall) {
    const char *name = hall->identifier;
    bool ok = serializeTag(stream, kSaveTagScene) && stream.serializeString(name);
    for (int32_t i = 0; ok && i < hall->allElements.members.count(); ++i) {
        SceneElement *element = hall->allElements.members[i];
        ok = serializeTag(stream, kSaveTagElement) && stream.serializeString(element->name) &&
             serializeElement(element, stream);
        for (int32_t j = 0; ok && j < element->namedValues.count(); ++j) {
            NamedValue *value = element->namedValues[j];
            ok = serializeTag(stream, kSaveTagElementValue) && stream.serializeString(value->name) &&
                 stream.serializeValue(value->value);
        }
    }
    for (int32_t i = 0; ok && i < hall->script.variables.count(); ++i) {
        ScriptVariable *variable = hall->script.variables[i];
        ok = !variable->saved || (serializeTag(stream, kSaveTagVariable) && stream.serializeString(variable->name) &&
                                  serializeVariableValue(stream, variable));
    }
    for (int32_t i = 0; ok && i < hall->script.tasks.count(); ++i) {
        ScriptTask *task = hall->script.tasks[i];
        ok = serializeTag(stream, kSaveTagTask) && stream.serializeString(task->name) && serializeTask(stream, task);
    }
    return ok;
}

// Reads records until the file ends, each into the record its names find, as a load does. Elements,
// variables and tasks are saved in the order the scene lists them and are found there first.
bool readScene(SaveStream &stream, HoWorld &world) {
    HoScene *current = nullptr;
    SceneElement *element = nullptr;
    NameCursor elements, variables, tasks;
    while (!stream.atEnd()) {
        uint8_t tag = 0;
        SaveStream::TextBytes text;
        if (!stream.serializeByte(tag) || !stream.readTextBytes(text))
            return false;
        bool ok = false;
        switch (tag) {
        case kSaveTagScene:
            current = world.findScene(stream.internText(text));
            ok = current != nullptr;
            break;
        case kSaveTagElement:
            element = current ? stream.recordNamed(elements, current->allElements.members, text,
                                                   [current](const char *name) { return current->elementNamed(name); })
                              : nullptr;
            prefetchSavedElement(current ? elements.upcoming(current->allElements.members) : nullptr);
            ok = element && serializeElement(element, stream);
            break;
        case kSaveTagElementValue: {
            const char *name = stream.internText(text);
            NamedValue *value =
                element ? findOrCreateNamedValue(element->namedValues, name, world.namedValuePool(), true) : nullptr;
            ok = value && stream.serializeValue(value->value);
            break;
        }
        case kSaveTagVariable: {
            ScriptVariable *variable =
                current ? stream.recordNamed(variables, current->script.variables, text, [current](const char *name) {
                    return findOrCreateVariable(&current->script, name, nullptr);
                })
                        : nullptr;
            ok = serializeVariableValue(stream, variable);
            break;
        }
        case kSaveTagTask: {
            ScriptTask *task = current ? stream.recordNamed(tasks, current->script.tasks, text,
                                                            [current](const char *name) {
                                                                return findOrCreateTask(name, &current->script);
                                                            })
                                       : nullptr;
            ok = task && serializeTask(stream, task);
            break;
        }
        default:
            break;
        }
        if (!ok)
            return false;
    }
    return true;
}

struct Files {
    Files() {
        setenv("XDG_DATA_HOME", folder.str().c_str(), 1);
        path = (folder / "profile_bench.sav").string();
        plainPath = (folder / "plain.sav").string();
    }
    lftest::TempDir folder;
    std::string path;
    std::string plainPath;
};

Files &files() {
    static Files made;
    return made;
}

size_t saveThroughStream() {
    size_t bytes = 0;
    bool saved = writeSaveFile(&scene().world, files().path.c_str(), [&bytes](SaveStream &stream) {
        bool ok = writeScene(stream, scene().hall);
        bytes = stream.length;
        return ok;
    });
    return saved ? bytes : 0;
}

// The image of the same save, for the floors.
const std::string &imageOfSave() {
    static std::string image = [] {
        SaveStream stream(&scene().world);
        stream.openWrite();
        writeScene(stream, scene().hall);
        return std::string(reinterpret_cast<const char *>(stream.bytes()), stream.length);
    }();
    return image;
}

// The crash-safe writer's steps without anything else.
size_t savePlain() {
    const std::string &image = imageOfSave();
    return benchsupport::replaceFilePlain(files().plainPath, files().folder.str(), image) ? image.size() : 0;
}

bool loadThroughStream() {
    SaveStream stream(&scene().world);
    return stream.openRead(files().path.c_str()) && readScene(stream, scene().world);
}

size_t loadPlain() {
    static std::string buffer(imageOfSave().size() + 1, '\0');
    return benchsupport::readFilePlain(files().plainPath, buffer);
}

void BM_SaveThroughStream(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(saveThroughStream());
}
BENCHMARK(BM_SaveThroughStream)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

void BM_LoadThroughStream(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(loadThroughStream());
}
BENCHMARK(BM_LoadThroughStream)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

} // namespace

int main(int argc, char **argv) {
    initSystem();
    std::snprintf(dataPath, sizeof dataPath, "%s/tests", LF_SOURCE_DIR);
    size_t bytes = saveThroughStream();
    if (bytes == 0 || savePlain() != bytes || !loadThroughStream() || loadPlain() != bytes) {
        std::fprintf(stderr, "save stream: the save or the load failed\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    double writeMs = benchsupport::medianMilliseconds(kRuns, saveThroughStream);
    double plainWriteMs = benchsupport::medianMilliseconds(kRuns, savePlain);
    const auto [readRunMs, plainReadRunMs] =
        benchsupport::alternatingMedianMilliseconds(kRuns, benchsupport::repeated(kReadsPerRun, loadThroughStream),
                                                    benchsupport::repeated(kReadsPerRun, loadPlain), 1);
    const double readMs = readRunMs / kReadsPerRun, plainReadMs = plainReadRunMs / kReadsPerRun;
    std::printf("save stream bytes=%zu write_ms=%.3f plain_write_ms=%.3f ratio=%.2f\n", bytes, writeMs, plainWriteMs,
                writeMs / plainWriteMs);
    std::printf("save stream read_ms=%.3f plain_read_ms=%.3f ratio=%.2f\n", readMs, plainReadMs, readMs / plainReadMs);
    return 0;
}
