#pragma once
// A scene: one screen of the game (a room, a zoom zone, a hidden-object scene, a minigame board)
// made of elements, with its groups, key-frame tracks and script context. The world's scene factory
// makes it, names it and sets its kind flags; the scene file fills it; the minigame scenes derive
// from it. Names are interned, so look-ups by name are pointer compares after one table look-up that
// never interns.

#include <cstdint>

#include "game/scene/SceneGroup.h"
#include "game/script/ScriptContext.h"
#include "game/util/NamedValue.h"
#include "game/script/ScriptValue.h"
#include "game/util/PtrArray.h"

class HoWorld;
struct HiddenObjectItem;
struct PointList;
struct SceneElement;
struct ScriptFunction;

class HoScene {
public:
    explicit HoScene(HoWorld *world);
    virtual ~HoScene();
    HoScene(const HoScene &) = delete;
    HoScene &operator=(const HoScene &) = delete;

    // The first element, or group, of that name; null when the text was never interned or nothing
    // has it. Nothing is interned.
    SceneElement *findElement(const char *name) const;
    SceneGroup *findGroup(const char *name) const;

    // Sets the short name and the identifier (the parent's identifier, '_' and the short name for a
    // sub-scene) with their value slots; both interned.
    void setNames(const char *internedName, const char *internedIdentifier);
    // Sets the parent scene and its value slot.
    void setParent(HoScene *parentScene);

private:
    // The interned text equal to the given one, or null; interns nothing.
    const char *findName(const char *text) const;

public:
    HoWorld *world;
    const char *name;       // the short name
    const char *identifier; // what the world finds the scene by
    ScriptValue nameValue;      // "name": the identifier as text
    ScriptValue localNameValue; // "local_name": the short name as text
    ScriptValue value;          // the scene itself
    HoScene *parent = nullptr;
    ScriptValue parentValue; // "parent_scene"
    const char *folder;

    SceneGroup allElements; // "*": its members are the scene's elements
    PtrArray<SceneGroup> groups{10};
    PtrArray<PointList> tracks{10};
    PtrArray<SceneElement> updateOrder{10}; // parents before children
    ScriptContext script;
    PtrArray<NamedValue> namedValues{10};

    uint8_t isGameplay = 0;
    uint8_t isSystem = 0;
    uint8_t isZoomZone = 0;
    uint8_t isMiniGame = 0;
    uint8_t isHo = 0;
    uint8_t onGameplayPath = 0;
    uint8_t isTopLevel = 0; // a gameplay scene without a parent
    uint8_t isGameplayCommon = 0;
    uint8_t isCutscene = 0;
    uint8_t isStandalone = 0;
    uint8_t isSaved = 0;
    // Set by the world for scenes whose task changes it redraws: a task-state check then raises the
    // world's task-state-changed flag.
    uint8_t refreshTasks = 0;

    // Slots of the scene variables that the world and the draw read.
    ScriptValue *zoomScaleSlot = nullptr;
    ScriptValue *zoomAlphaSlot = nullptr;
    ScriptValue *cameraXSlot = nullptr;
    ScriptValue *cameraYSlot = nullptr;
    ScriptValue *cameraScaleSlot = nullptr;
    ScriptValue *noInventorySlot = nullptr;
    ScriptValue *noPointerSlot = nullptr;
    ScriptValue *noHudSlot = nullptr;
    ScriptValue *layerSlot = nullptr;
    ScriptValue *openTimeSlot = nullptr;
    ScriptValue *closeTimeSlot = nullptr;
    ScriptValue *backgroundFadeSlot = nullptr;
    ScriptValue *nonBlockingSlot = nullptr;
    ScriptValue *backgroundMusicSlot = nullptr;
    ScriptValue *backgroundMusicRandomSeekSlot = nullptr;

    SceneElement *cameraElement = nullptr; // "CAMERA"
    uint8_t applyingProperties = 0;
    int32_t frameCounter = 0;
    float cameraScale = 1.0f;
    float cameraX;
    float cameraY;
    uint8_t swayOn = 0;
    float swayX = 0.0f;
    float swayY = 0.0f;
    float swayTargetX = 0.0f;
    float swayTargetY = 0.0f;

    PtrArray<HiddenObjectItem> hoItems{10};
    uint8_t hoState = 0;
    ScriptFunction *hoFinished = nullptr;
    ScriptFunction *hoTake = nullptr;
    ScriptFunction *hoUntake = nullptr;
    ScriptFunction *hoFound = nullptr;
    ScriptFunction *hoPlaced = nullptr;
    ScriptFunction *hoDoInit = nullptr;
    ScriptFunction *hoPunishment = nullptr;
    ScriptValue *hoFoundObjectSlot = nullptr;

    ScriptFunction *dropHook = nullptr;
    void *dropHookArgument = nullptr;
};
