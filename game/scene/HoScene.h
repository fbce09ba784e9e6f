#pragma once
// A scene: one screen of the game (a room, a zoom zone, a hidden-object scene, a minigame board)
// made of elements, with its groups, key-frame tracks and script context. The world's scene factory
// makes it, names it and sets its kind flags; the scene file fills it; the minigame scenes derive
// from it. Names are interned, so look-ups by name are pointer compares after one table look-up that
// never interns.

#include <cstdint>

#include "game/HoOutlinedText.h"
#include "game/scene/SceneGroup.h"
#include "game/script/ScriptContext.h"
#include "game/util/NameIndex.h"
#include "game/util/NamedValue.h"
#include "game/script/ScriptValue.h"
#include "game/util/NumericHelpers.h"
#include "game/util/PtrArray.h"

class HoInventoryItem;
class HoWorld;
struct HiddenObjectItem;
struct PendingBlock;
class PendingBlockBudget;
struct PointList;
struct SceneElement;
struct ScriptFunction;

// Screen pixels per design unit; 1 while the screen has no art scale yet.
float sceneArtScale();
// The centre of the view in design units: where a scene's camera looks when it is not moved.
ScreenPoint sceneViewCentre();

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
    // The same for a name already interned (a name read from a save file): no table look-up.
    SceneElement *elementNamed(const char *internedName) const;
    SceneGroup *groupNamed(const char *internedName) const;

    // Sets the short name and the identifier (the parent's identifier, '_' and the short name for a
    // sub-scene) with their value slots; both interned.
    void setNames(const char *internedName, const char *internedIdentifier);
    // Sets the parent scene and its value slot.
    void setParent(HoScene *parentScene);

    // One step of 1/100 s: frame animations with their end blocks and frame events, key-frame tracks,
    // the pointer sway, every element's placement, opacity, fade, emitters and video (parents first),
    // then the depth sort. The minigame scenes extend it.
    virtual void update();
    // Moves the hover sounds' volumes toward their targets and keeps the owned ones playing.
    void updateElementSounds();
    // Draws the members of the group (all elements when none) from the back to the front, every opacity
    // times the alpha, through the view of the scene's camera; the view is reset afterwards.
    virtual void draw(float alpha, SceneGroup *group = nullptr);

    // The scene's part of a step's input: finds what its elements react to, lets go of a held element
    // over nothing, and writes the element under the pointer into the world's hover and click slots for
    // its reaction. True when the scene took the pointer.
    bool processInput();
    // The first element, in update order, holding a text field with the focus; null when none has.
    SceneElement *findFocusedTextInput();
    // Where the element's own text (not one on a quad) stands, as it is drawn, in design units; empty
    // when it has none to show.
    TextExtent textExtentOf(const SceneElement *element) const;
    // The scene point drawn at the pixel of the game area; the pixel itself when the view has no zoom.
    ScreenPoint screenToScene(ScreenPoint pixel) const;

    // Once all scenes are loaded, before the scripts' declarations and init blocks: prepares the
    // elements' media, crop groups and sway, binds the scene variables with their defaults, finds the
    // CAMERA element and the hook functions, runs one update and generates the elements' tasks.
    void applySceneProperties();
    // What the world tells the scene of its life, each firing the scene event of that name when its
    // scripts named it: shown ("enter"), about to be saved ("leaving"), left ("leave", which also runs
    // the pending timed blocks and drops the elements' animation, cycle and fade blocks), opened as a
    // zoom zone ("open"), closing and closed ("close", "closed").
    void fireEnter();
    void fireLeaving();
    void fireLeave();
    void fireOpen();
    void fireClose();
    void fireClosed();
    // Loads every element's pictures (unless they load when first drawn) and holds the resources the
    // scripts name; unloading releases what is loaded. Both are balanced per element.
    void loadElementImages();
    void unloadElementImages();
    // Pauses every playing video of the scene: its clip pauses and its paused flag is set, while it stays
    // flagged playing. resumeVideos plays again the clips of those so paused whose elements are still
    // active; one whose element was made inactive meanwhile stays paused. Videos without a clip are
    // passed over.
    void pauseVideos();
    void resumeVideos();
    // When the top scene changes from one scene to another (or to none): the scene left pauses its videos
    // unless the new one is a zone that keeps what lies below it running ("#non_blocking" exactly 1),
    // then the new one resumes its own. Nothing happens without a previous top scene or without a change.
    static void handOverVideos(HoScene *previousTop, HoScene *newTop);
    // The active scene is left for another: a system scene keeps its pictures and only pauses its
    // videos; any other releases its pictures, and with them its videos.
    void releaseWhenLeft();
    // Empties the scene for a rebuild from its files: its pictures and script resources are let go, its
    // elements give back what they hold, its timed and waiting blocks are freed and its lists emptied.
    // Pooled records stay where they are, inert, so that nothing that still names one reads freed memory;
    // the hidden-object items are kept aside until the scene goes.
    void dropContent();
    // Runs every timed block of the scene at once, the nearest first: queued after blocks, animation
    // end blocks and the blocks of running fades; gives how many ran. At most maxBlocks run, and with a
    // budget only the blocks it allows, so that blocks that keep queueing others cannot hold a caller
    // that must go on.
    int32_t flushPendingBlocks(int32_t maxBlocks = INT32_MAX, PendingBlockBudget *budget = nullptr);
    // Counts the timed blocks that wait in the scene into the budget.
    void countPendingBlocks(PendingBlockBudget &budget);
    // Makes the scene's element named like the "crop_" group the crop of each of its members.
    void linkCropGroup(SceneGroup *group);
    // Runs the "on_end_move" handlers that the scene's tasks hold for the element.
    void runEndMoveHandlers(SceneElement *element);
    bool isInventoryAllowed() const;
    // Places the camera, kept inside the bounds that its scale leaves (the lower bound wins when they
    // cross).
    void setCamera(float scale, float x, float y);
    // True while "#runtime_loading", the scene's own or the global one, holds the number 1: pictures
    // load when first drawn.
    bool loadsPicturesWhenDrawn() const;
    // Appends the block to the after queue to run at its next tick; when asked, a block that is not fx
    // keeps the world busy until then.
    void queueAfterBlock(PendingBlock *block, bool countBusy);

    // Hidden-object play. The list is built from the "ho_" elements (those whose names agree up to the
    // first '|' make one item), shuffled with the engine's random numbers and trimmed to the most
    // items asked for (below 1: 12), keeping the forced ones; every listed item is laid out and its
    // "init_" function run. Without takeAll the scene's ignore variables and the riddle's reward hold
    // elements back.
    void initHoItems(bool takeAll, int32_t maxItems);
    // Frees every item; the pick records keep what they hold until the list is built or read again.
    void clearHoItems();
    HiddenObjectItem *findHoItem(const char *itemName) const;
    // The steps of every update of a hidden-object scene: found elements disappear (grown and swept
    // away by dissolving particles), struck items make room for those beyond the twelfth, and the
    // finished list (or the riddle's reward) runs "ho_finished".
    void updateFoundItems();
    void advanceHoStrikes();
    void checkHoCompletion();
    // Finds one element of an item picked at random among those not all found.
    void findRandomHoItem();
    // Draws the list of the first twelve items: each name in its kind's colour, struck through in grey
    // as it is found; in riddle mode the single item in a box. The strip's draw (or the zoom zone's
    // panel) calls it.
    void drawHoList();
    // Exactly one item listed and "#ho_is_riddle" holds 1.
    bool isHoRiddle() const;
    // The scene variable's value, or null; nothing is made.
    const ScriptValue *variableValue(const char *variableName) const;

private:
    // The interned text equal to the given one, or null; interns nothing.
    const char *findName(const char *text) const;
    // Fires the event of the name in the scene's context; an event the scripts never named is not made.
    void fireEvent(const char *eventName);
    void bindSceneVariables();
    void bindHiddenObjectHooks();
    void applyCropGroups();
    void releaseLoadedPictures();
    void resetHighlights();
    // Runs the nearest pending block of the scene that the budget (if any) allows; false when none is left.
    bool runNearestPendingBlock(PendingBlockBudget *budget);
    // The steps of the input pass.
    void resetReactionFlags();
    void probeReactions();
    void markUseTargets();
    bool findDropTarget();
    bool dropHeldHiddenObject(SceneElement *held);
    bool dropHeldItem(HoInventoryItem *item);
    void hitTestElements(bool reactionFound);
    bool react(SceneElement *element);

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
    uint8_t fileRead = 0; // its scene file (or a template of its name) was read
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

    uint8_t scriptResourcesHeld = 0;

    PtrArray<HiddenObjectItem> hoItems{10};
    PtrArray<HiddenObjectItem> droppedHoItems{10}; // of the content before a rebuild
    uint8_t hoState = 0;
    uint8_t hoActive = 0;   // the list is being played
    uint8_t hoCompleted = 0; // every item was found and struck through
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

private:
    // The elements by name: a scene may have thousands, and saved games and scripts name them often.
    mutable NameIndex<SceneElement> elementIndex_;
};
