#pragma once
// The running game world: everything of one game. It owns the scenes named in "data/scenes.cfg" with
// the system scenes among them, the record pools that scenes, elements, scripts and particles take from,
// the live particle emitters, and the state of the step: scene changes and zoom layers, music, the pointer
// and what it clicks, the inventory strip. It keeps pointers to the value slots of the variables that the
// engine binds for the scripts, and the state that the script runtime keeps between statements (the
// current local block, the current task and its element, the busy accounting and the mode flags of the
// handler walk). The context makes one and starts it; a saved game's load builds a second.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "game/HoGameSettings.h"
#include "game/player/AwaitedPages.h"
#include "game/player/GameInMemory.h"
#include "game/player/PickFlight.h"
#include "game/player/ProfileRecord.h"
#include "game/scene/SceneElement.h"
#include "game/scene/RenderRecordPools.h"
#include "game/scene/ScenePools.h"
#include "game/script/ScriptErrors.h"
#include "game/script/ScriptRecordPools.h"
#include "game/util/HoObjectPool.h"
#include "game/util/NamedValue.h"
#include "game/util/PtrArray.h"
#include "game/util/SharedObjectPool.h"
#include "game/world/StartUpAsks.h"
#include "game/world/WorldRecords.h"

class HoContext;
class HoGame;
class HoInventoryItem;
class HoResource;
class HoScene;
class InternTable;
struct ConfigEntry;
struct ParticleEmitter;
struct PendingBlock;
struct ScriptBlock;
struct ScriptContext;
struct ScriptEvent;
struct ScriptStatement;
struct ScriptTask;

class HoWorld {
public:
    explicit HoWorld(HoContext *context);
    ~HoWorld();
    HoWorld(const HoWorld &) = delete;
    HoWorld &operator=(const HoWorld &) = delete;

    // Makes the world ready: the scenes with their scripts and files, the engine's bindings, the
    // scripts' declarations and init blocks, the system scenes' pictures, "on_startup" and the
    // localisation variables.
    void startup();
    // The scene registry: "game", then one scene per entry of "data/scenes.cfg" in file order, each the
    // sub-scene of the last top-level scene whose folder its own lies below; then the system scenes.
    void loadScenes();
    // The scene factory: a scene of the class its short name asks for, named, flagged by its folder
    // and appended to the scene array.
    HoScene *createScene(const char *folder, const char *name, bool system, HoScene *parent);
    // The scene whose identifier is the text; null when the text was never interned (nothing is
    // interned) or no scene has it.
    HoScene *findScene(const char *identifier) const;
    // Every scene's scripts and file, then every scene's properties.
    void loadAllScenes();
    // Every scene's declarations, then every scene's init blocks; then names that a scene gives both to
    // a variable and to an element or a function are told to the message hook.
    void checkDuplicateNames();
    // The scene's pictures, and those of its sub-scenes that are zoom zones or not gameplay scenes.
    void loadSceneImages(HoScene *scene);
    // "##txt_KEY" (the key) and "##KEY" (its text) in the global context for every localisation key.
    void bindLocalizationVariables();
    // The first argument of a native function's call (after the function the call names) as a value;
    // null when the call has none.
    const ScriptValue *nativeArgument(ScriptStatement *call);
    // Connects the world to the scripts: the engine variables and the slots the world keeps of them,
    // the hooks, the native functions, the pictures and elements of the system scenes, the cursors.
    void bindEngine();
    // Gives the context what the running world binds in it: the full-screen state the options ask for
    // and the "on_forced_fullscreen_mode" hook; a world built for a load makes its cursors here too.
    void bindContext();
    // Ends what must not outlive a scene: every live emitter goes back to the free list, and the sounds
    // that the scripts started looping stop.
    void releaseTransients();

    // An emitter of the "particles" scene's element of the name, started as spawnEmitter starts it;
    // null without that scene or element.
    ParticleEmitter *spawnEmitterAt(const char *elementName, bool loop, HoScene *scene, float x, float y,
                                    bool addToLive);
    // An emitter from the free list (else the pool), started for the definition element (its loop flag,
    // scene, followed owner and offset) and, when asked, appended to the live list; null without an
    // element.
    ParticleEmitter *spawnEmitter(SceneElement *definitionElement, bool loop, HoScene *scene, SceneElement *owner,
                                  float x, float y, bool addToLive);
    // One step of every live emitter, the last first; a finished one gives its place to the last and
    // goes back to the free list.
    void updateEmitters();
    // The live emitters that follow the element (none: the free ones), the last first, then the batch
    // flushed.
    void drawEmitters(SceneElement *element);
    // The same for the free live emitters of the scene, which its draw shows over its elements.
    void drawSceneEmitters(const HoScene *scene);
    // The global context: the script context of the "game" scene.
    ScriptContext *globalContext() const;
    // One frame of the world's picture, after the frame's steps: the active scene, the zoom layers with
    // the dimming behind them, the HUD layers, the system messages, the pointer, and last the black of a
    // scene change's fade.
    void draw();
    // The pointer's part of the frame, only while the pointer is inside the focused window: its number
    // and opacity, what it holds, the tooltip, and the pointer itself or the hardware cursor.
    void drawPointer();
    // The "paused_menu" scene at the screen centre over the frame darkened by black; nothing without
    // that scene.
    void drawPausedMenu();
    // Black at the opacity over the whole wide design area, through the "white" picture; nothing without
    // that picture.
    void fillScreenBlack(float alpha);
    // The inventory item of that name; null when the text was never interned or no item has it.
    HoInventoryItem *findInventoryItem(const char *name) const;
    // A number of the game configuration, or the default without the key.
    float configurationNumber(const char *key, float otherwise) const;
    int32_t configurationInteger(const char *key, int32_t otherwise) const;

    // Every item the game knows, from "inventory.cfg" of the inventory folder, each named by the
    // script variable "#^NAME".
    void loadInventory();
    // Starts the flight of a picked object (kind PickFlightKind) into the bar or the journal, or of the
    // held item back into the bar; the event fires when it arrives.
    void pickItem(int32_t kind, SceneElement *source, HoInventoryItem *item, ScriptEvent *event);
    // The flights in the air and their effects.
    void drawInventory();
    // Shows the scroll arrows that can be used now.
    void updateInventoryArrows();
    // Shows the text in the HUD message box for the ticks, fading in from what the box shows now; a
    // duration no longer than the fade only fades the box out.
    void showMessage(const char *text, int32_t duration, bool withPicture);

    // Hints. A probe runs a scene's handlers in hint mode (they report targets and queue the scenes they
    // lead to) or, in a hidden-object scene, takes its listed elements not yet found.
    void probeScene(HoScene *scene, bool glitter);
    // Records the element reached (the via of the node being probed, when it has one, stands for it)
    // with the item it was reached with: 1 when it belongs to the place the search started from, 2 when
    // it leads elsewhere, 0 when there is nothing to record.
    int32_t addHintTarget(SceneElement *reached, HoInventoryItem *argument);
    // The breadth-first search from the current scene: scenes reached by goto handlers first, then the
    // forced hint scenes, zoom zones and mini-games, until something to do here turns up.
    void searchHint();
    // The hint asked for by the player, told to the "hud" scene's "#hint_*" variables.
    void requestHint();
    // A random thing to do in the current scene (never the same twice running when there is a choice).
    void requestGlitterHint();
    // Whether the place named by "##check_location_name" has anything left to do ("##location_tasks_state").
    void checkLocationTasks();
    // The scene the hint search starts from: the zoom zone on top, else the active scene.
    HoScene *hintStartScene() const;
    // The element reaching a scene queued from the element's scene: itself in a scene the search starts
    // from, else what leads to the scene being probed.
    SceneElement *hintVia(SceneElement *element) const;
    // Queues the scene to be probed through the element, unless that pair was visited.
    void queueHintScene(bool gotoQueue, SceneElement *via, HoScene *scene);
    bool wasHintVisited(const HintNode &node) const;
    // What the element handlers do in hint mode, each for its task's element when that takes part
    // (active or pro-active, and not no_hint outside glitter mode): a look handler of an "mg_" element
    // queues its mini-game, another one that is flagged reports its element; a goto handler reports
    // itself or queues the scene or zoom zone it leads to, as "##show_hint" says; a hint handler reports
    // its element, else its task as the hint; pick and click handlers report their element.
    void hintLook(SceneElement *element, bool flagged);
    void hintGoto(SceneElement *element);
    void hintHandler(SceneElement *element, ScriptTask *task);
    void hintReport(SceneElement *element);

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
    SharedObjectPool<NamedValue> &namedValuePool();
    // The entry of a key of the game configuration, or null.
    const ConfigEntry *configurationEntry(const char *key) const;
    // The sound resource of a data path, made on first request.
    HoResource *scriptSound(const char *path);
    // Whether the game shows its wide design: its "_wide" scene files, its wide-screen pointer offset.
    bool runsWide() const;

    // The frame's steps: the forced count when one is set, else the steps the clock has due; a step
    // the skip counter holds is passed over.
    void update();
    // One step of 10 ms: scene change, zoom layers, busy state, input, the five script passes, the
    // HUD, the scenes, the pointer light, sounds and music, then the key and button latches roll.
    void frame();
    // The busy flags from the counters of the step before, the top scene, and the events "waiting" or
    // "idle" and "always".
    void updateBusyState();
    // Lowers the hover-sound aim of every element of the scenes that take part in input.
    void clearPointerOverFlags();
    // One of the script passes over the contexts, the global one first.
    void runScriptPass(void (*pass)(ScriptContext *));
    void updateScenes();
    void updateHud();
    void updatePointerLight();
    void updateSounds();
    void updateMusic();
    // The answer to a click that reached a scene and filled no slot.
    void handleMissedClick();
    // The scene's music becomes the next music, unless it already plays or waits.
    void queueSceneMusic(HoScene *scene);

    // The step's input: the pointer, the click, the drag, Escape, the scenes and the HUD in the order of
    // their layers, the over-click penalty and the hover changes.
    void processInput();
    // True while an element is pressed or dragged.
    bool processDrag();
    bool processOverclick();
    // True when the pointer is over something of the HUD or the inventory strip.
    bool processHudInput();

    // Scene changes: a request leaves the active scene over its closing time, the switch loads the
    // target and the target enters over its opening time.
    void changeScene(HoScene *target, SceneElement *argument);
    // The scene that data/game.cfg names to start in; null when it names none or no scene of that name.
    HoScene *configuredStartScene() const;
    // What keeps the world's first switch from opening a scene that shows: the file that should name the
    // start scene, list it or hold it, or that of its files that could not be read; empty when nothing
    // does. Asked right after start-up, while the start request is pending.
    std::string startSceneMissingFile() const;
    // The scene (with the scenes below it) is built again from its files at the end of the step, where
    // nothing runs that walks what it holds, then the world changes to it.
    void requestSceneRebuild(HoScene *scene);
    void rebuildRequestedScene();
    void updateTransition();
    // Zoom zones, on the layer their "#layer" names (0 to 3). A negative layer closes the highest
    // layer that has a zone, a negative length closes it over the zone's own closing time.
    void openZoomZone(HoScene *zone, SceneElement *argument);
    void closeZoomZone(int32_t layer, int32_t length);
    void updateZoomZone(int32_t layer);
    // True when a fully open zone keeps the scene below it still.
    bool isBlockedByZoomZone() const;
    // True for a scene that shows the HUD: it exists and its "#no_hud" holds no non-zero number.
    static bool showsHud(const HoScene *scene);

    // The steps' calls into the inventory strip, the saved game, the video manager and the text
    // fields, each at its place in the step.
    void advanceVideos();
    void slideInventoryStrip();
    void stepInventoryStrip(bool extraStep);
    void stepHudMessage();
    void scrollInventoryStrip();
    void sendSelectedItemBack();
    void resetInventoryStrip();
    void saveGameAtSwitch();
    void dropTextFocus(SceneElement *field);
    // The strip item whose box holds the point, and whether it can be taken; null when none.
    HoInventoryItem *inventoryItemAt(float x, float y, bool *takeable);

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
    // The last saved game this world handed to the writer. While that write has failed, the game in memory is
    // newer than the file, and stays its profile's (game/player/GameInMemory.h).
    GameInMemory lastSavedGame;
    // The system scenes, found by identifier once the scenes exist; any may be missing.
    HoScene *imagesScene = nullptr;
    HoScene *hudScene = nullptr;
    HoScene *overHudScene = nullptr;
    HoScene *systemMessagesScene = nullptr;
    HoScene *journalScene = nullptr;
    HoScene *particlesScene = nullptr;
    HoScene *pointersScene = nullptr;

    // The location the player is in (what the scene code calls the gameplay scene), null before the
    // first switch; and the scene that takes input: the active scene or the highest open zoom zone.
    HoScene *activeScene = nullptr;
    HoScene *topScene = nullptr;
    SceneChange change;
    ZoomLayer zoomLayers[kZoomLayerCount];
    ZoomBounce bounce;
    WorldMusic music;

    ScriptBlock *currentLocalBlock = nullptr;
    ScriptTask *currentTask = nullptr;
    SceneElement *currentObject = nullptr; // the current task's element
    ScriptValue *currentTaskSlot = nullptr;    // "#@"
    ScriptValue *currentElementSlot = nullptr; // "#$"
    ScriptValue *showHintSlot = nullptr;       // "##show_hint"
    ScriptValue *activeSceneSlot = nullptr;    // "##active_scene"
    ScriptValue *mainSceneSlot = nullptr;      // "##main_scene"
    ScriptValue *rootSceneSlot = nullptr;      // "##root_scene"
    ScriptValue *pausedSlot = nullptr;         // "##paused"
    ScriptValue *pointerXSlot = nullptr;       // "##pointer_x"
    ScriptValue *pointerYSlot = nullptr;       // "##pointer_y"
    ScriptValue *inventoryIndexSlot = nullptr; // "##inventory_index"
    ScriptValue *forceInventorySlot = nullptr; // "#force_inventory"
    ScriptValue *instantHintsSlot = nullptr;   // "#instant_hints_count"
    ScriptValue *profileIndexSlot = nullptr;   // "##profile_index"
    ScriptValue *saveDisabledSlot = nullptr;   // "##save_disabled"
    HintSlots hintSlots;
    HintSearch hints;
    WorldHooks hooks;
    HudBindings hud;
    ScriptFunction *forcedFullScreenHook = nullptr; // "on_forced_fullscreen_mode", the context's while this world runs
    // Set for a world that a saved game's load builds on its own thread: it binds the context and makes its
    // cursors when handed over.
    uint8_t builtForLoad = 0;
    // A world built for a load reads these bytes wherever it would read the profile list: the running
    // world's list as its file would hold it, which may be newer than the file (a write still to come, or
    // one that failed).
    std::vector<uint8_t> profileListImage;
    // What a world built for a load knows of the game, copied on the main thread as the load starts: the
    // reading may be let go by the game's end, and nothing it does may reach the game object, which the end
    // deletes. Its option variables hold the copied options until it is handed over.
    struct GameCopy {
        std::string userFolder;
        bool hdSupport = false; // the window has the HD mode and textures large enough for it
        bool wide = false;
        GameOptions options;
        std::string gameId;
    };
    GameCopy gameForLoad;
    // What the start-up of a world built for a load asked to save or play: done when it takes the screen.
    StartUpAsks startUpAsks;
    // What a world built for a load needs of the game, taken from this world's game (or its own copy).
    GameCopy copyOfGame() const;
    // The game object, for a world the main thread runs; null for a world built for a load (until it is
    // handed over) and where there is no game.
    HoGame *reachableGame() const;
    // The options the world reads: its own copy while built for a load, else the game's (null: no game).
    GameOptions *optionsInUse();

    // Raised during a step by timed blocks, non-fx animations and the world's own transitions; the
    // next step turns it into the busy flag, under which no element or plain handler runs.
    int32_t busyCount = 0;
    // Raised by the last script pass for every completed task still to be handled.
    int32_t runningTaskCount = 0;
    // The share of the busy count that a scene change in progress makes, and the flights and
    // animations under way; the step derives the blocking-busy flag from them.
    int32_t changeBusyCount = 0;
    int32_t runningFlightCount = 0;
    uint8_t busy = 0;
    uint8_t blockingBusy = 0;
    uint8_t inputDispatch = 0;
    uint8_t hintProbe = 0;
    uint8_t declarationPass = 0;
    uint8_t taskStateChanged = 0;

    // The pointer and what it does in this step, in design units: the element under it that reacts,
    // the element clicked, and the element whose end of a drag the "on_end_move" handlers are told of.
    float pointerX = 0.0f;
    float pointerY = 0.0f;
    // The pointer where a scene at its resting camera draws its elements: the narrow layout shows the wide
    // design without its left margin, which the pointer lacks (the margin is 0 in every other layout).
    ScreenPoint scenePointer() const;
    SceneElement *hoveredElement = nullptr;
    SceneElement *clickedElement = nullptr;
    SceneElement *endMoveElement = nullptr;
    // While set, elements keep their highlight strength.
    uint8_t highlightFreeze = 0;
    // Steps of 1/100 s since the world started.
    int32_t tickCounter = 0;
    // Milliseconds of play since the world started, kept by the world's step.
    double runningTime = 0.0;
    ClickState clicks;
    int32_t playerClicks = 0; // left clicks the world has taken since it started
    SceneElement *heldElement = nullptr; // follows the pointer
    uint8_t placed = 0;                  // a held element was put on its target
    uint8_t probeMode = 0;               // element handlers only mark their elements
    uint8_t clickedOutside = 0;
    uint8_t dropped = 0; // a drag ended this step
    int32_t forcedSteps = -1; // the steps the next update runs when 0 or more
    int32_t skipSteps = 0;    // steps the next updates pass over
    WorldStepSettings stepSettings;
    int32_t hintIdleTicks = 0;
    int32_t glitterIdleTicks = 0;
    int32_t pointerNumber = 0;
    int32_t pointerLight = -1; // the pointer whose light animation runs; -1 none
    float pointerLightTimer = 0.0f;
    int32_t pointerLightStart = 0; // the step count when the running light started
    ParticleEmitter *punishmentEmitter = nullptr; // the over-click penalty's, kept off the live list
    OverClickState overClick;
    TooltipState tooltip;
    InventoryStrip inventory;
    HoObjectPool<PickFlight> flightPool; // recycling: flights go back to its free list
    HudMessage message;
    // Pages the scripts handed to the desktop's opener, until the scripts that asked hear how each went.
    AwaitedPages awaitedPages;
    // The wallpaper copies that failed in the world's step `tick`: a script copies a wallpaper's sizes one
    // after another in one step, and the player hears how many of them failed together.
    struct CopiesFailed {
        int32_t tick = -1;
        int32_t count = 0;
        int32_t keptFromBefore = 0; // of them, those whose copy made before is still in the documents
    };
    CopiesFailed wallpapersNotCopied;
    uint8_t sceneChangeByScript = 0;
    HoScene *sceneRebuild = nullptr; // asked for by goto_clean
    // Pictures handed over and music asked for by scripts in this frame; the world resets it each frame.
    int32_t pictureMusicChanges = 0;
    // Set whenever a script message is reported; the world clears it before loading the scenes.
    uint8_t scriptError = 0;
    // The emitters that the world itself steps and draws.
    PtrArray<ParticleEmitter> liveEmitters{10};

    // How deep script runs are nested now (blocks, functions and hooks), and the innermost function
    // or hook, named when the limit stops a run.
    int32_t scriptNesting = 0;
    const char *runningFunctionName = nullptr;
    // The records that the after and wait passes found due, run after each walk of a queue.
    PtrArray<PendingBlock> readyAfterBlocks{10};
    PtrArray<PendingBlock> readyWaitBlocks{10};

private:
    void bindEngineVariables();
    void bindOptionVariables();
    void bindHooksAndNatives();
    void bindPictures();
    void loadCursors();
    void releaseCursors();
    void takePunishmentEmitter();
    // The operation on the scene, then on its sub-scenes that are zoom zones or not locations.
    void forSceneAndItsParts(HoScene *scene, void (HoScene::*operation)());
    void forSceneAndItsParts(HoScene *scene, const std::function<void(HoScene *)> &visit);
    // Starts making the pictures that the switch to the scene will load and that are not loaded.
    void prefetchPictures(HoScene *target);
    void loadStepSettings();
    void loadZoomBounce();
    void switchScene();
    void releaseSceneImages(HoScene *scene);
    void zoomCameraWhileLeaving();
    void placeZone(int32_t layer);
    bool zoneLayer(HoScene *zone, int32_t *layer);
    bool runSceneInput(HoScene *scene);
    void rollKeys();

    // Script messages reach the context's message hook, and nothing else when it has none.
    ScriptMessageHook messages_;
};
