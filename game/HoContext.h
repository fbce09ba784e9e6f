#pragma once
// The game context: everything of a running game that is not the window. It owns the resource and video managers,
// the interned-string table with the string arena behind it, the texture atlases and the shared quad
// batch through which every texture is drawn, the localisation table, the character sets and fonts, the
// keys and buttons of the current frame, and keeps the game's configuration files. There is one context
// at a time; `currentContext` names it.
//
// Its flags are written by the main thread, the window's event handling and the game-load thread, so
// they are atomic; `lock` is held around everything a frame does with the world.
//
// The shared batch: a drawer binds a texture and blend mode (bindBatchTexture) and adds quads; the batch
// is flushed only when the bound picture or blend mode changes or when a drawer asks (flushBatch). Since
// the window unstarts every batch at the end of a frame, whoever draws last in a frame flushes.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/system/KSystem.h"
#include "game/HoInputLatches.h"
#include "game/HoLocalization.h"
#include "game/player/SaveNotice.h"
#include "game/player/SaveWriter.h"
#include "game/script/ScriptErrors.h"
#include "game/util/InternTable.h"
#include "game/util/NamedValue.h"
#include "game/util/PtrArray.h"
#include "game/util/SharedObjectPool.h"
#include "game/util/StringArena.h"
#include "platform/WinBase.h"

class AtlasMap;
struct AtlasRegion;
class HoConfiguration;
class HoFont;
class HoGame;
class HoResourceManager;
class HoTexture;
class HoWorld;
class KBatch;
class KGraphic;
class KText;
class TheoraVideoManager;
struct LoadedGame;
struct ScriptFunction;

// A highlight colour of the hidden-object scenes, each component 0..1.
struct HighlightColour {
    float red = 1.0f;
    float green = 1.0f;
    float blue = 1.0f;
};

enum HighlightKind : int32_t {
    kHighlightNormal = 0,
    kHighlightComplex,
    kHighlightHidden,
    kHighlightSubzone,
    kHighlightKindCount,
};

class HoContext {
public:
    static constexpr int32_t kBatchQuads = 1024;

    explicit HoContext(HoGame *game);
    ~HoContext();
    HoContext(const HoContext &) = delete;
    HoContext &operator=(const HoContext &) = delete;

    // Runs once, right after construction.
    void init();
    // Once per rendered frame, under the lock: while active, the keys and buttons are polled and the
    // world is drawn; while not, a paused menu that is due is drawn.
    void frame();
    // Fills the key and button state (once per rendered frame).
    void pollKeys();

    // The character sets: the "charactersN" texts of "data/texts/Localization.cfg" (printable ASCII
    // when there are none), built into the engine's character set.
    void loadCharacterSets();
    // The localisation table of "data/texts/Localization.xml".
    void loadLocalization();
    // Fonts 1, 2, ...: a font wherever its page picture and description exist, a mapping to another
    // font wherever only "data/texts/font_N.cfg" does; the first number with neither ends the list.
    void loadFonts();
    // The localised text of the key in the encoding; null when there is none.
    const char *getLocalizedText(const char *key, int32_t encoding) const;
    // The engine font of a font number after its mapping (0 is font 1); null for a negative number, a
    // number without a font, or a font that is not loaded or whose description did not load.
    KText *getFont(int32_t index) const;
    // The font resource of a font number after its mapping (0 is font 1); null for a negative number
    // or a number without a font.
    HoFont *fontResource(int32_t index) const;

    // The next frame runs exactly one world step, and the time until then makes none: the window's
    // frame timing and the game's step accumulator start again.
    void resyncTiming();
    // At a frame's start, while the world's scene change waits to switch: a world built from a saved
    // game replaces it, switching to the scene of the same name.
    void takePendingWorld();
    // Under the fixed clock, while a game loads, a save is being written, pictures are made ahead or a
    // video's worker has frames to decode, the frame keeps real time (platformKeepRealTimeThisFrame).
    void keepRealTimeWhileWorkGoesOn();

    // The end's wait for the game-load thread: at most the bound, `showWaiting` (when given) called once the
    // wait has lasted SaveWriter::kShowWaitingAfter; whether it ended. One that has not ended (a read that
    // a hung disk never finishes) still uses the context, which must then outlive it.
    bool endLoadThread(std::chrono::milliseconds bound, const std::function<void()> &showWaiting = {});
    // The same wait, without a word: whether the thread ended (it is then joined).
    bool joinLoadThreadWithin(std::chrono::milliseconds bound, const std::function<void()> &showWaiting);

    // Applies the full-screen option (taking it back when the window refuses) and the volume options.
    void applySettings();
    // Hands a script message to the message hook when one is set.
    void callMessageHook(const char *text) const;

    // The texture of a picture name: an atlas texture when "textures.use_atlas" in "data/game.cfg" is
    // exactly 1, the name is not under "data/system/pointers/" and "data/textures.cfg" does not list
    // it; else a plain texture. Nothing is loaded.
    HoTexture *getTexture(const char *name);
    // The first region of that name in the atlas maps, in list order; null when none.
    AtlasRegion *findAtlasRegion(const char *name) const;
    // The same for a name interned in the context's table, such as a resource's name.
    AtlasRegion *findInternedAtlasRegion(const char *name) const;
    // Reads "data/atlas/atlas.cfg", the "common" and "inventory" atlas maps and one map per scene of the
    // world, named after the scene.
    void loadAtlases();
    // Reads an atlas map and appends it to the atlas list when it has pages; else frees it.
    void loadAtlasMap(const char *fileName, const char *name);

    // Makes the texture's picture and the blend mode current on the shared batch, flushing what the
    // batch holds when either changes.
    void bindBatchTexture(HoTexture *texture, int32_t blend);
    // Draws what the batch holds and unbinds its picture.
    void flushBatch();

    HoGame *game = nullptr;
    HoWorld *world = nullptr;        // made and started by init
    // A world built from a saved game on the game-load thread, published and taken in one exchange.
    std::atomic<HoWorld *> pendingWorld{nullptr};
    // The outcome of the game-load thread's last load, published in one exchange and applied by the
    // main thread at the start of a frame (before the hand-over).
    std::atomic<LoadedGame *> loadedGame{nullptr};
    HoResourceManager *resources = nullptr;
    TheoraVideoManager *videos = nullptr; // made by init: one worker, four frames decoded ahead per clip
    PtrArray<AtlasMap> atlases;
    HoConfiguration *atlasConfig = nullptr;    // "data/atlas/atlas.cfg"
    HoConfiguration *texturesConfig = nullptr; // "data/textures.cfg": pictures kept out of the atlases
    StringArena strings;
    InternTable interned{strings};
    KBatch *batch = nullptr; // the shared batch of 1024 quads
    KGraphic *boundPicture = nullptr;
    int32_t boundBlend = 0;
    HoConfiguration *gameConfig = nullptr; // "data/game.cfg"

    uint64_t framesRun = 0;     // frames begun (main thread)
    uint64_t frameUnderWay = 0; // the number of the frame being run; 0 between frames

    std::atomic<uint8_t> ready{0};
    std::atomic<uint8_t> active{0}; // cleared while the window is in the background
    std::atomic<uint8_t> exit{0};   // the game ends (or restarts) after this frame
    std::atomic<uint8_t> restart{0};
    std::atomic<uint8_t> stop{0}; // set while the game shuts down
    // Set when the window goes to the background: the next frame, which draws no world, shows the
    // paused menu over the last picture instead (nothing may be drawn outside a frame).
    std::atomic<uint8_t> pausedMenuDue{0};
    CRITICAL_SECTION lock;
    ThreadRecord *loadThread = nullptr; // the game-load thread, joined by endLoadThread or the destructor
    // Under the fixed clock a frame waits for the load under way; once such a wait has outlasted its bound
    // the load is known stuck, and frames go on without waiting for it again.
    bool loadKnownStuck = false;
    // The player's acts on the profiles (a Continue, a profile made, selected, reset or deleted), counted on
    // the main thread; and, for the last load started, whose game it reads and the act that started it. A
    // load that ends after a later act is set aside.
    uint32_t profileActs = 0;
    // The worlds that took the screen from a load (takePendingWorld), counted on the main thread.
    uint32_t worldsTaken = 0;
    // Which game the last load reads (the profile's slot and the scene's save name, interned in the
    // context), the act that started it, and the worlds taken until then.
    struct LoadStarted {
        std::string profileName;
        uint32_t act = 0;
        int32_t profileIndex = 0;
        const char *sceneSaveName = nullptr;
        uint32_t worldsTaken = 0;
    };
    LoadStarted loadStarted;
    // Writes the player's files in order; the destructor waits for its last job. Its thread is started
    // by the game; without it, files are written where they are saved.
    SaveWriter saveWriter;
    SaveNotice saveNotice; // what the player is still to be told of the saves (main thread)
    const char *language = "English";
    PtrArray<const char> characterSets;
    HoLocalization localisation;
    PtrArray<HoFont> fonts;  // by font number; index 0 holds none
    PtrArray<void> fontMap;  // by font number: the number it stands for, as an intptr_t (0: none)
    HoInputLatches input;    // keys and buttons: down, down before, pressed since the last world step
    HighlightColour highlight[kHighlightKindCount];
    uint8_t fullScreenApplied = 0; // the full-screen state applySettings last applied
    ScriptFunction *forcedFullScreenHook = nullptr; // "on_forced_fullscreen_mode", bound by the world
    ScriptMessageHook messageHook;
    // Every list of named values takes its records from here, the running world's and a loading one's alike.
    SharedObjectPool<NamedValue> namedValues;

private:
    void loadHighlightColours();
    void loadHudFont(const char *key);
    // A font number after its mapping, 0 becoming 1.
    int32_t mappedFontNumber(int32_t index) const;
};

// Waits for a thread record's thread when it has one, then frees the record.
void destroyThreadRecord(ThreadRecord *record);
// The context is let go rather than destroyed: its game-load thread has not ended and uses it. It is kept
// for the rest of the process (logged), is no longer the current one and no longer leads to the game.
void letGoOfContext(HoContext *context);

// The scene a restarted game opens on: set by the script that restarts the game, emptied by the one that
// quits. A copy of its own, so it outlives the context whose scripts named it.
void setStartSceneName(const char *name);
const std::string &startSceneName();
// The files of the first pictures a context shows, read before it exists so that they can be made while
// the start-up pictures show: the pages of the common atlas and of the start scene's, when the game uses
// atlases (data/game.cfg), and the fonts' pages.
std::vector<std::string> startPictureFiles();
// The page pictures of the numbered fonts, resolved, in the order the fonts load them.
std::vector<std::string> fontPageFiles(bool dds);

// The one game context, set by its constructor; null when there is none.
extern HoContext *currentContext;
