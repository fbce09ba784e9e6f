#pragma once
// One object of a scene (a picture, an animation, a text, a hotspot): the authors' "element". Most of
// its visible state lies in property slots, script values inside the record that scripts reach by the
// property's interned name, so a reference to a property is a pointer to its slot. The world takes
// elements from a pool of its own in blocks of 100; the pool constructs every record of a block when the
// block is made and destroys them all together, so the constructor only gives the slots their defaults
// and the scene loader's initialisation fills the rest.

#include <cstdint>

#include "game/scene/ElementPolygons.h"
#include "game/script/ScriptValue.h"
#include "game/util/HoObjectPool.h"
#include "game/util/NamedValue.h"
#include "game/util/NumericHelpers.h"
#include "game/util/PtrArray.h"

class HoDrawableImage;
class HoFont;
class HoParticleSystem;
class HoRenderable;
class HoScene;
class HoSound;
class HoVideo;
class TextInputField;
struct ElementPickInfo;
struct ElementFrameEvent;
struct ParticleEmitter;
struct PendingBlock;

struct SceneElement {
    static constexpr int32_t kOptionFlagCount = 9;
    static constexpr int32_t kListGrowStep = 10;

    SceneElement();
    SceneElement(const SceneElement &) = delete;
    SceneElement &operator=(const SceneElement &) = delete;

    // Flags read through the property slots: a slot counts only while it holds a number.
    bool isActive() const;    // active, rounded, is positive
    bool isProActive() const; // pro_active, rounded, is non-zero
    bool isNoHint() const;    // no_hint, rounded, is non-zero

    // Where the element's picture stands: abs_x, abs_y, w, h, the pivots and the absolute angle.
    QuadPlacement placement() const;

    // Names a new element of the scene after its scene-file name (its name and media parts) and gives
    // every property, flag and counter its initial value.
    void init(const char *fullName, HoScene *owner);
    // The property slot of an interned keyword, or null for a name that is no property. "x1" to "y2"
    // make their two-slot blocks on first use; "ho_text_x" and "ho_text_y" exist only while the
    // element has a hidden-object item.
    ScriptValue *findProperty(const char *keyword);
    // The element's named value of the name (interned here), made when asked; null when missing.
    ScriptValue *findNamedValue(const char *name, bool create);
    // Frees what the element holds of its own (blocks, frame events, its hit mask) and halts its
    // sound, before the pool takes it back with the world.
    void release();
    // Frees the hit mask; the element is then hit-tested without one.
    void dropHitMask();

    // Starts the frame animation from one frame to another, moving by the step (at least 0.01) each
    // update; a previous end block is freed unrun. Clears the pinned position.
    void startAnimation(int32_t start, int32_t end, float step, bool fx, PendingBlock *endBlock);
    // Updates left until the animation ends and its end block is queued; 0 when it does not run.
    int32_t remainingAnimationTicks() const;
    // One update of the frame animation's rule on a frame (the element's own or a copy's): toward the
    // end frame, where it stops, or, started at frame 0 or later, freely and for ever (it counts as
    // stopped at once). Wherever the animation counts as stopped, the animating flag is cleared.
    void advanceFrame(float &frame);
    // Starts a fade over the ticks. A running fade restarted with the same end block continues from
    // the same fraction; with another block it ends first (its block queued). A fade-in shows the
    // element at once; a fade of no ticks, or any fade while the game stops, ends at once.
    void startFade(int32_t ticks, bool fadeIn, bool fx, PendingBlock *endBlock);
    // Ends the fade: a fade-out hides the element, and the end block goes to the scene's after queue,
    // to run at its next tick rather than inside this call.
    void finishFade();
    bool isFading() const { return fadeElapsedTicks < fadeTicks; }
    // Whether a point in design units of the window, brought into the scene's space through its camera
    // (or its CAMERA element), falls on the element: on one of its hit polygons when it has any, else
    // on its rectangle and the set bit of its hit mask.
    bool hitTest(float pointX, float pointY);
    // The pointer lets go of the element: it shows again (fading in over 5 ticks) and nothing is held; a
    // hidden object also runs its scene's "ho_untake" hook.
    void releaseHeld();

private:
    // One of the cut slots of a two-slot block ("x1" and "x2", or "y1" and "y2"): the block is taken
    // from the world's pool on first use, its second slot 1.0.
    ScriptValue *cutSlot(ScriptValue *&block, bool second);

public:

    HoScene *scene = nullptr;
    ScriptValue sceneSlot; // property "scene": the owning scene
    ScriptValue selfSlot;  // the element itself, as its "$name" variable refers to it
    const char *name = nullptr;      // interned; the element's name
    const char *mediaName = nullptr; // interned; the name that selects the element's media
    ScriptValue nameSlot;            // property "name"
    const char *typeName = nullptr;  // interned; the type named in the scene file
    const char *parentName = nullptr;
    SceneElement *parent = nullptr; // set by the content load or the script command set_parent
    HoRenderable *renderable = nullptr;
    SceneElement *sharedImageSource = nullptr; // an element whose picture this one shows
    HoRenderable *savedRenderable = nullptr;   // its own picture while it shows another's
    HoDrawableImage *erasable = nullptr;       // its erasable copy, kept once made

    // Set by the scene file.
    int32_t waveStrips1 = 0;
    float waveSpeed1 = 0.0f;
    float waveAmplitude1 = 0.0f; // percent
    int32_t waveStrips2 = 0;
    float waveSpeed2 = 0.0f;
    float waveAmplitude2 = 0.0f;
    float baseWidth = 0.0f; // the picture's size in design pixels
    float baseHeight = 0.0f;
    float parallax = 0.0f;
    int32_t parallaxX = 0;
    int32_t parallaxY = 0;
    ElementPolygon *polygons = nullptr; // table of up to 100 entries
    int32_t polygonCount = 0;
    uint8_t *hitMask = nullptr; // one bit per pixel
    int32_t hitMaskWidth = 0;
    int32_t hitMaskHeight = 0;
    uint8_t optionFlags[kOptionFlagCount] = {};
    int32_t frameCount = 0; // the highest key frame

    // Frame animation.
    uint8_t animating = 0;
    uint8_t animationFx = 0;
    float currentFrame = 0.0f;
    int32_t startFrame = 0;
    int32_t endFrame = 0;
    float animationDuration = 0.0f; // the step: frames added per update
    PendingBlock *animationEndBlock = nullptr;
    // The block waiting for the end of the current animation cycle.
    uint8_t cycleWait = 0;
    uint8_t cycleFx = 0;
    PendingBlock *cycleEndBlock = nullptr;

    // Particles and video.
    HoParticleSystem *particleSystem = nullptr;
    ParticleEmitter *emitter = nullptr;
    ParticleEmitter *fadingEmitter = nullptr;
    float emitterFadeStep = 0.0f;
    HoVideo *video = nullptr;

    // Changes asked by script commands and applied by the next scene update.
    uint8_t pendingMove = 0;
    float pendingX = 0.0f;
    float pendingY = 0.0f;
    uint8_t pendingZFlag = 0;
    float pendingZ = 0.0f;
    uint8_t pendingAngleFlag = 0;
    float pendingAngle = 0.0f;

    // Fade.
    uint8_t fadeIn = 0; // 1 while fading in, 0 while fading out
    uint8_t fadeFx = 0;
    int32_t fadeTicks = 0;        // the timer's length
    int32_t fadeElapsedTicks = 0; // its count
    PendingBlock *fadeEndBlock = nullptr;

    uint8_t visible = 0;
    uint8_t picturesLoaded = 0;
    uint8_t isParticle = 0; // shows the particles of its particle system
    uint8_t scriptTouched = 0; // a script command named the element, so the save keeps it

    // Kinds, from the element's name.
    uint8_t isHud = 0;
    uint8_t isHoHud = 0;
    uint8_t isJournal = 0;
    uint8_t textKeyFromUiTable = 0;
    uint8_t isTextInput = 0;
    TextInputField *textInput = nullptr;

    // Handlers that the scene's script declares for the element.
    uint8_t onLook = 0;
    uint8_t onPick = 0;
    uint8_t onGoto = 0;
    uint8_t onRotate = 0;
    uint8_t onUseOrClick = 0;
    uint8_t draggable = 0;
    SceneElement *dropTarget = nullptr;
    uint8_t dragMode = 0;
    uint8_t pointerShape = 0; // 255: none
    // Found by the scene's input pass each step: an item in hand or a carried object may be used on
    // the element; the item is one the player has picked.
    uint8_t useTarget = 0;
    uint8_t pickedItemTarget = 0;

    float blendFactor = 0.0f; // multiplies the drawn opacity
    float highlight = 0.0f;   // 0..1: how strongly the "_h" picture shows

    ScriptValue noSerialize; // "no_serialize"
    ScriptValue x, y, z, offsetZ;
    ScriptValue hoTextX, hoTextY; // where the element's hidden-object item stands in the list
    ScriptValue sx, sy, angle;
    ScriptValue baseOpacity; // scene-file track B
    ScriptValue alpha;       // as drawn this frame
    ScriptValue mediaSwitch; // scene-file track E
    ScriptValue red, green, blue;
    ScriptValue *cutX = nullptr; // "x1", "x2": two slots from the world's value pool, made on first use
    ScriptValue *cutY = nullptr; // "y1", "y2"

    // Computed by the scene update each frame.
    ScriptValue absX, absY, w, h;
    ScriptValue absScaleX, absScaleY; // times the parent's when there is one
    ScriptValue pivotX, pivotY;       // fractions of w and h
    ScriptValue absAngle;             // plus the parent's when there is one
    float centreOffsetX = 0.0f;       // of the hit polygons' centre from the absolute position
    float centreOffsetY = 0.0f;
    ScriptValue cx, cy; // the centre point that hints point at
    float drawOrderKey = 0.0f;
    // Where the element stood at the scene's first update.
    float homeX = 0.0f;
    float homeY = 0.0f;
    float homeAngle = 0.0f;
    // The element whose picture's outline clips this one's drawing (from a "crop_" group).
    SceneElement *cropElement = nullptr;
    // Draws what the element shows in place of its picture (the inventory strip, a hidden-object list).
    void (*drawCallback)(void *user) = nullptr;
    void *drawCallbackUser = nullptr;

    // The element's timer: its block, count and length.
    PendingBlock *timerBlock = nullptr;
    int32_t timerTicks = 0;
    int32_t timerLength = 0;

    HoSound *sound = nullptr;
    float soundVolume = 0.0f;       // current
    float soundVolumeTarget = 0.0f; // the hover sound's aim

    // Text shown by the element.
    ScriptValue textKey; // localisation key
    int32_t fontIndex = 0;
    HoFont *heldFont = nullptr; // the font held while the pictures are loaded
    uint8_t measuredBox = 0;
    float textRed = 0.0f;
    float textGreen = 0.0f;
    float textBlue = 0.0f;
    uint8_t textOnQuad = 0;
    uint8_t quadFlagA = 0;
    float textSpacing = 0.0f;
    uint8_t quadFlagB = 0;
    int32_t outlineThickness = 0;
    ScriptValue textHoverForce, text, charsCount, charsSpeed, textOffsetX, textOffsetY;
    const char *tooltipKey = nullptr; // interned

    ScriptValue tooltipActive, active, proActive, noHint;
    ScriptValue inventory;
    ScriptValue index; // from a name ending in '_' and two digits

    HoScene *portalScene = nullptr;
    uint8_t backPortal = 0;
    HoScene *hoScene = nullptr;
    HoScene *zoomZoneScene = nullptr;

    PtrArray<NamedValue> namedValues{kListGrowStep};
    PtrArray<ElementFrameEvent> frameEvents{kListGrowStep}; // events fired at frames of the animation
    SceneElement *linkedElement = nullptr;
    ElementPickInfo *pickInfo = nullptr;
};

// The world's pool of elements.
using SceneElementPool = HoObjectPool<SceneElement>;

// The element's picture rectangle moved by its pivot and turned by its absolute angle: top-left,
// top-right, bottom-right, bottom-left.
QuadCorners rotatedQuadCorners(const SceneElement &element);
