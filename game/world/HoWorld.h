#pragma once
// The running game world: the scenes and the record pools they take from, and the state that the
// script runtime keeps between statements (the current local block, the current task and its
// element, the engine's script globals, the busy accounting and the mode flags of the handler walk).

#include <cstdint>

#include "game/player/ProfileRecord.h"
#include "game/scene/SceneElement.h"
#include "game/scene/RenderRecordPools.h"
#include "game/scene/ScenePools.h"
#include "game/script/ScriptErrors.h"
#include "game/script/ScriptRecordPools.h"
#include "game/util/HoObjectPool.h"
#include "game/util/NamedValue.h"
#include "game/util/PtrArray.h"

class HoContext;
class HoInventoryItem;
class HoResource;
class HoScene;
class InternTable;
struct ConfigEntry;
struct PendingBlock;
struct ScriptBlock;
struct ScriptContext;
struct ScriptTask;

class HoWorld {
public:
    explicit HoWorld(HoContext *context);
    ~HoWorld();
    HoWorld(const HoWorld &) = delete;
    HoWorld &operator=(const HoWorld &) = delete;

    // The scene whose identifier is the text; null when the text was never interned (nothing is
    // interned) or no scene has it.
    HoScene *findScene(const char *identifier) const;
    // The global context: the script context of the "game" scene.
    ScriptContext *globalContext() const;
    // The inventory item of that name; null when the text was never interned or no item has it.
    HoInventoryItem *findInventoryItem(const char *name) const;

    // Binds the script globals "#@", "#$", "##show_hint", "##active_scene", "##main_scene" and
    // "##root_scene" in the global context and keeps their slots.
    void bindScriptGlobals();
    // Makes the task (or none) current and mirrors it into "#@" and its element into "#$".
    void setCurrentTask(ScriptTask *task);
    // Sets "##active_scene" to the scene, "##main_scene" to its parent (else the scene) and
    // "##root_scene" to the main scene's parent (else the main scene); none clears all three.
    void setSceneGlobals(HoScene *scene);

    // What the scripts take from the game context: its interned names, its message hook, its pool of
    // named values, its configuration and its sounds.
    InternTable &names();
    const ScriptMessageHook &messages() const;
    HoObjectPool<NamedValue> &namedValuePool();
    // The entry of a key of the game configuration, or null.
    const ConfigEntry *configurationEntry(const char *key) const;
    // The sound resource of a data path, made on first request.
    HoResource *scriptSound(const char *path);
    // Whether the game shows its wide design: its "_wide" scene files, its wide-screen pointer offset.
    bool runsWide() const;

    HoContext *context = nullptr;
    ScriptRecordPools scriptPools;
    SceneElementPool elementPool;
    ScenePools scenePools;
    RenderRecordPools renderPools;
    PtrArray<HoScene> scenes;
    HoScene *globalScene = nullptr; // "game"
    PtrArray<HoInventoryItem> inventoryItems; // every item the game knows, owned
    // The profile list: record 0 belongs to no profile, records 1 to 10 are the player's slots.
    ProfileRecord profiles[kProfileRecordCount];
    // A scene name or none: while set, the profile's game is saved to and loaded from that scene's file.
    const char *sceneSaveName = nullptr;

    ScriptBlock *currentLocalBlock = nullptr;
    ScriptTask *currentTask = nullptr;
    SceneElement *currentObject = nullptr; // the current task's element
    ScriptValue *currentTaskSlot = nullptr;    // "#@"
    ScriptValue *currentElementSlot = nullptr; // "#$"
    ScriptValue *showHintSlot = nullptr;       // "##show_hint"
    ScriptValue *activeSceneSlot = nullptr;    // "##active_scene"
    ScriptValue *mainSceneSlot = nullptr;      // "##main_scene"
    ScriptValue *rootSceneSlot = nullptr;      // "##root_scene"

    // Raised during a step by timed blocks, non-fx animations and the world's own transitions; the
    // next step turns it into the busy flag, under which no element or plain handler runs.
    int32_t busyCount = 0;
    // Raised by the last script pass for every completed task still to be handled.
    int32_t runningTaskCount = 0;
    uint8_t busy = 0;
    uint8_t inputDispatch = 0;
    uint8_t hintProbe = 0;
    uint8_t declarationPass = 0;
    uint8_t taskStateChanged = 0;

    // The pointer and what it does in this step, in design units: the element under it that reacts,
    // the element clicked, and the element whose end of a drag the "on_end_move" handlers are told of.
    float pointerX = 0.0f;
    float pointerY = 0.0f;
    SceneElement *hoveredElement = nullptr;
    SceneElement *clickedElement = nullptr;
    SceneElement *endMoveElement = nullptr;
    // While set, elements keep their highlight strength.
    uint8_t highlightFreeze = 0;
    // Steps of 1/100 s since the world started.
    int32_t tickCounter = 0;

    // How deep script runs are nested now (blocks, functions and hooks), and the innermost function
    // or hook, named when the limit stops a run.
    int32_t scriptNesting = 0;
    const char *runningFunctionName = nullptr;
    // The records that the after and wait passes found due, run after each walk of a queue.
    PtrArray<PendingBlock> readyAfterBlocks{10};
    PtrArray<PendingBlock> readyWaitBlocks{10};

private:
    // Script messages reach the context's message hook, and nothing else when it has none.
    ScriptMessageHook messages_;
};
