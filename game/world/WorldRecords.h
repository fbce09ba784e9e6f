#pragma once
// The groups of state that the world keeps for its step, input, draw, scene changes and inventory: plain
// records, each zero or null until the world's operations fill it.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <unordered_set>

#include "game/util/PtrArray.h"
#include "platform/WinTypes.h"

class HoInventoryItem;
class HoScene;
class HoSound;
class HoTexture;
struct PickFlight;
struct ScriptFunction;
struct ScriptTask;
struct ScriptValue;
struct SceneElement;

constexpr int32_t kZoomLayerCount = 4;
constexpr int32_t kPointerCount = 16;
constexpr int32_t kJournalObjectiveCount = 10;

enum SceneChangeState : int32_t {
    kChangeIdle = 0,
    kChangeLeaving = 1,
    kChangeSwitchDue = 2,
    kChangeEntering = 3,
};

// A change of the active scene: the scene closes over its closing time, the world switches, and the
// new scene opens over its opening time. The fade is 0 while a new scene is about to open and rises to
// 1 while it enters; sound volumes follow it.
struct SceneChange {
    HoScene *target = nullptr;
    SceneElement *argument = nullptr; // the element the change zooms toward
    int32_t state = kChangeIdle;
    int32_t counter = 0; // steps of the running phase
    int32_t length = 0;
    HoScene *pendingZone = nullptr; // opened when the next entering phase ends
    SceneElement *pendingZoneArgument = nullptr;
    float fade = 0.0f;
};

enum ZoomLayerState : int32_t {
    kZoomIdle = 0,
    kZoomClosing = 1,
    kZoomOpening = 3,
};

// One of the four layers on which a zoom zone shows over its location.
struct ZoomLayer {
    HoScene *zone = nullptr;
    HoScene *nextZone = nullptr; // opens once the current one has closed
    SceneElement *openArgument = nullptr;
    SceneElement *closeArgument = nullptr;
    int32_t state = kZoomIdle;
    int32_t counter = 0;
    int32_t length = 0;
    float progress = 0.0f; // 0 closed, 1 open
    float alpha = 0.0f;
};

// The settings of "data/game.cfg" that the step reads, taken when the world first steps: the pointer
// light's timeout, the over-click penalty, the camera zoom of a scene change and the zoom zones' look.
struct WorldStepSettings {
    uint8_t loaded = 0;
    float lightTimeout = 0.0f;    // steps; 0 or less: no light
    int32_t overclickWindow = 20; // steps
    int32_t overclickPause = 2000;
    float overclickLimitY = 1300.0f;
    float changeZoom = 2.0f;   // the camera zoom toward a change's element
    float changeHoZoom = 0.0f; // for a hidden-object or mini-game target; 0 or less: changeZoom
    float changeMiniGameZoom = 0.0f;
    float zoneCameraScale = 1.0f;
    float zoneCameraZoom = 1.0f;
    float zoneScale = 0.75f;
    int32_t zoneTransition = 0;
    float zoneMarginBar = 100.0f;
    float zoneMarginInventory = 310.0f;
    float zoneAlpha = 0.0f;
};

// The overshooting scale of an opening zoom zone, shared by all layers.
struct ZoomBounce {
    uint8_t on = 0;
    float t[5] = {};
};

struct WorldMusic {
    HoSound *playing = nullptr;
    float volume = 0.0f;
    float level = 1.0f;
    uint8_t startRamp = 0;
    uint8_t changePending = 0;
    HoSound *next = nullptr;
    uint8_t randomSeek = 0;
};

// One element per kind of handler.
struct HandlerSlots {
    SceneElement *look = nullptr;
    SceneElement *pick = nullptr;
    SceneElement *use = nullptr;
    SceneElement *itemUse = nullptr; // accepts the selected item or the held element
    SceneElement *goTo = nullptr;
    SceneElement *move = nullptr;
    SceneElement *rotate = nullptr;
};

// The press of an element that can be dragged, from the press to the drop.
struct DragState {
    SceneElement *pressed = nullptr;
    float pressX = 0.0f;
    float pressY = 0.0f;
    float grabX = 0.0f; // the element's position less the pointer at the press
    float grabY = 0.0f;
    uint8_t moved = 0;
    int32_t steps = 0;
    int32_t threshold = 0; // steps a press lasts before it becomes a drag
    SceneElement *dragStart = nullptr;
    uint8_t started = 0;
    SceneElement *drop = nullptr;
    SceneElement *release = nullptr;
    SceneElement *dragging = nullptr;
};

// What the pointer does in one step: cleared at the start of the world's input, filled by the scenes'
// input passes, read by the script passes of the same step.
struct ClickState {
    uint8_t clicked = 0; // a left click belongs to this step
    uint8_t reached = 0; // the click reached a scene's input pass
    uint8_t consumed = 0; // a script took the click
    HandlerSlots hover;
    HandlerSlots click;
    HoInventoryItem *itemUseItem = nullptr;
    SceneElement *previousHover = nullptr; // the world's hovered element of the step before
    SceneElement *entered = nullptr;
    SceneElement *left = nullptr;
    SceneElement *dropTarget = nullptr;
    HoInventoryItem *dropItem = nullptr;
    HoInventoryItem *hoveredItem = nullptr;   // the strip item under the pointer
    HoInventoryItem *clickableItem = nullptr; // the same item when it can be taken
    HoInventoryItem *expectedItem = nullptr;  // the item that the element under the item in hand waits for
    DragState drag;
};

// Rapid clicking in hidden-object scenes earns a pause.
struct OverClickState {
    int32_t windowCountdown = 0;
    int32_t clickCount = 0;
    int32_t pauseCountdown = 0;
};

struct TooltipState {
    std::string text; // a copy of the text shown
    const char *hudElement = nullptr; // the name of the HUD element that the text names, if it is one
    uint8_t showing = 0;
    int32_t fadeInTicks = 0;
    int32_t fadeOutTicks = 0;
};

enum InventoryPanelState : int32_t {
    kPanelHidden = 0,
    kPanelSlidingIn = 1,
    kPanelShown = 2,
    kPanelSlidingOut = 3,
};

// The inventory strip: the items in bar order, the first one shown, the one in hand, the panel that
// slides in and out, and the picked objects flying into it.
struct InventoryStrip {
    PtrArray<HoInventoryItem> bar{10};
    int32_t scrollIndex = 0;  // the first visible place the bar heads for
    float scrollPosition = 0.0f; // the first visible place as drawn
    float scrollStep = 0.0f;  // 0, or the per-step move a jump set
    int32_t visibleItems = 8;
    HoInventoryItem *selected = nullptr;
    HoInventoryItem *lastPicked = nullptr; // the scroll must show its arrival
    int32_t mode = kPanelHidden; // InventoryPanelState: 1 or 2 while shown
    int32_t hideDelay = 0;  // ticks
    int32_t stayTimer = 0;
    int32_t hoverTimer = 0;
    uint8_t changed = 0; // a flight arrived
    PtrArray<PickFlight> flights{10};
};

// The HUD message box.
struct HudMessage {
    uint8_t shown = 0;
    uint8_t withPicture = 0;
    int32_t duration = 0; // ticks
    int32_t elapsed = 0;
};

// The pictures and elements of the system scenes that the world draws and moves itself, found by name
// when the engine is bound; any of them may be missing.
struct HudBindings {
    HoTexture *white = nullptr; // for full-screen dimming and fades
    HoTexture *tooltipBack = nullptr;
    HoTexture *tooltipLeft = nullptr;
    HoTexture *tooltipRight = nullptr;
    HoTexture *pointerSheet = nullptr; // 4 x 4 cells
    SceneElement *pointers[kPointerCount] = {};
    SceneElement *pointerLights[kPointerCount] = {};
    HCURSOR cursors[kPointerCount] = {}; // loaded from the data folder, owned
    SceneElement *pickupBack = nullptr;
    SceneElement *pickupFront = nullptr;
    SceneElement *inventoryBackground = nullptr;
    SceneElement *inventoryFrame = nullptr;
    SceneElement *inventoryLeft = nullptr;
    SceneElement *inventoryRight = nullptr;
    float stripLeft = 0.0f; // the strip's top-left corner
    float stripTop = 0.0f;
    SceneElement *messageBack = nullptr;
    SceneElement *faceIcon = nullptr;
    SceneElement *messageText = nullptr;
    SceneElement *objectiveTitles[kJournalObjectiveCount] = {};
    SceneElement *objectiveTexts[kJournalObjectiveCount] = {};
    SceneElement *completedTitles[kJournalObjectiveCount] = {};
};

// The functions of the "game" scene that the engine calls.
struct WorldHooks {
    ScriptFunction *invalidUse = nullptr;      // "on_invalid_use"
    ScriptFunction *genericDummyUse = nullptr; // "on_generic_dummy_use"
    ScriptFunction *takeInventoryItem = nullptr;
    ScriptFunction *pickInventoryItem = nullptr;
    ScriptFunction *pickedInventoryItem = nullptr;
    ScriptFunction *inventoryScrolling = nullptr;
    ScriptFunction *useInventory = nullptr;
    ScriptFunction *diaryPicked = nullptr;
    ScriptFunction *hoverInventoryItem = nullptr;
    ScriptFunction *scrollInventory = nullptr;
    ScriptFunction *scrollInventoryBegin = nullptr;
    ScriptFunction *scrollInventoryEnd = nullptr;
    ScriptFunction *inventorySlideIn = nullptr;
    ScriptFunction *inventorySlideOut = nullptr;
};

// The hint search's results, variables of the "hud" scene.
struct HintSlots {
    ScriptValue *shown = nullptr;          // "#hint_shown"
    ScriptValue *forGlitter = nullptr;     // "#hint_for_glitter"
    ScriptValue *element = nullptr;        // "#hint_element"
    ScriptValue *elementItem = nullptr;    // "#hint_element_item"
    ScriptValue *glitterElement = nullptr; // "#hint_glitter_element"
};

// A scene for the hint search to visit, and the element in a scene searched before that leads there
// (none for a scene the search starts from).
struct HintNode {
    SceneElement *via = nullptr;
    HoScene *scene = nullptr;

    bool operator==(const HintNode &other) const { return via == other.via && scene == other.scene; }
};

struct HintNodeHash {
    size_t operator()(const HintNode &node) const {
        return std::hash<const void *>()(node.via) * 31u ^ std::hash<const void *>()(node.scene);
    }
};

// The hint search's state: its queues of scenes to visit and those visited, and what it found. The
// targets of the place the search started from (with what each was reached with), the scripts whose
// own hint handler is the hint, and the targets that lead elsewhere (with the place each belongs to
// and the zoom zone it opens).
struct HintSearch {
    uint8_t glitterMode = 0; // while a scene is probed for the glitter hint
    uint8_t probing = 0;     // a node is being probed: current holds it
    HintNode current;
    std::deque<HintNode> gotoQueue;
    std::deque<HintNode> linkQueue;
    std::unordered_set<HintNode, HintNodeHash> visited;
    PtrArray<SceneElement> sameRoot{10};
    PtrArray<HoInventoryItem> sameRootItems{10};
    PtrArray<ScriptTask> blocks{10};
    PtrArray<SceneElement> otherRoot{10};
    PtrArray<HoScene> otherRootScenes{10};
    PtrArray<HoScene> otherRootZones{10};
    int32_t firstLevelCount = 0; // otherRoot's size when the last starting scene was searched
    SceneElement *lastGlitterTarget = nullptr;
};
