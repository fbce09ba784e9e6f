// The engine bound to the scripts, once the scenes are loaded and before their declarations: the engine
// variables (the seven options among them, whose storage is the options' own slots, so that the scripts
// and the options file see one value), the slots the world keeps of them, the hooks the engine calls,
// the native functions, the pictures and elements of the system scenes, and the hardware cursors.

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "engine/window/KWindow.h"
#include "game/DisplayNatives.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/player/InventoryBar.h"
#include "game/player/ProfileNatives.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptResolve.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldHints.h"
#include "platform/WinUserInput.h"

namespace {

constexpr int32_t kHdModeWidth = 1920;
constexpr int32_t kHdModeHeight = 1080;
constexpr int32_t kHdTextureSide = 4096;

struct OptionVariable {
    const char *name;
    GameOptionIndex option;
};

const OptionVariable kOptionVariables[] = {
    {"##fullscreen_mode", kOptionFullscreen},
    {"##hardware_cursor", kOptionHardwareCursor},
    {"##music_volume", kOptionMusic},
    {"##sound_volume", kOptionSfx},
    {"##voice_volume", kOptionVoice},
    {"##fixed_aspect_ratio", kOptionFixedAspectRatio},
    {"##hd_graphic", kOptionHdGraphics},
};

struct KeptSlot {
    const char *name;
    ScriptValue *HoWorld::*slot;
};

const KeptSlot kGlobalSlots[] = {
    {"##pointer_x", &HoWorld::pointerXSlot},
    {"##pointer_y", &HoWorld::pointerYSlot},
    {"##inventory_index", &HoWorld::inventoryIndexSlot},
    {"#force_inventory", &HoWorld::forceInventorySlot},
    {"#instant_hints_count", &HoWorld::instantHintsSlot},
    {"##paused", &HoWorld::pausedSlot},
    {"##profile_index", &HoWorld::profileIndexSlot},
    {"##save_disabled", &HoWorld::saveDisabledSlot},
};

struct HintSlot {
    const char *name;
    ScriptValue *HintSlots::*slot;
};

const HintSlot kHintSlots[] = {
    {"#hint_shown", &HintSlots::shown},
    {"#hint_for_glitter", &HintSlots::forGlitter},
    {"#hint_element", &HintSlots::element},
    {"#hint_element_item", &HintSlots::elementItem},
    {"#hint_glitter_element", &HintSlots::glitterElement},
};

struct HookName {
    const char *name;
    ScriptFunction *WorldHooks::*hook;
};

// After "on_invalid_use" and "on_generic_dummy_use", which are bound before everything else.
const HookName kLaterHooks[] = {
    {"on_take_inventory_item", &WorldHooks::takeInventoryItem},
    {"on_pick_inventory_item", &WorldHooks::pickInventoryItem},
    {"on_picked_inventory_item", &WorldHooks::pickedInventoryItem},
    {"on_inventory_scrolling", &WorldHooks::inventoryScrolling},
    {"on_use_inventory", &WorldHooks::useInventory},
    {"on_diary_picked", &WorldHooks::diaryPicked},
    {"on_hover_inventory_item", &WorldHooks::hoverInventoryItem},
    {"on_scroll_inventory", &WorldHooks::scrollInventory},
    {"on_scroll_inventory_begin", &WorldHooks::scrollInventoryBegin},
    {"on_scroll_inventory_end", &WorldHooks::scrollInventoryEnd},
    {"on_inventory_slidein", &WorldHooks::inventorySlideIn},
    {"on_inventory_slideout", &WorldHooks::inventorySlideOut},
};

// Every engine function's body, by table.
constexpr std::span<const NamedNative> kNativeTables[] = {kDisplayNatives, kProfileNatives, kInventoryNatives,
                                                          kHintNatives};

// The table entry that holds the body of the function of that name; an empty entry when none does.
constexpr NamedNative nativeBodyOf(std::string_view name) {
    for (const std::span<const NamedNative> table : kNativeTables) {
        for (const NamedNative &native : table) {
            if (name == native.name)
                return native;
        }
    }
    return {};
}

enum NativeScene { kNativeInGame, kNativeInHud, kNativeInJournal };

struct EngineNative {
    const char *name;
    NativeScene scene;
};

// In the order in which they are bound.
constexpr EngineNative kNatives[] = {
    {"check_fullscreen_mode", kNativeInGame},
    {"update_hardware_cursor", kNativeInGame},
    {"update_aspect_ratio", kNativeInGame},
    {"update_hd_graphics", kNativeInGame},
    {"scroll_inventory", kNativeInGame},
    {"save_settings", kNativeInGame},
    {"reset_profile", kNativeInGame},
    {"delete_profile", kNativeInGame},
    {"load_profile", kNativeInGame},
    {"select_profile", kNativeInGame},
    {"delete_savegame", kNativeInGame},
    {"load_quicksave", kNativeInGame},
    {"save_profile", kNativeInGame},
    {"save_profiles", kNativeInGame},
    {"check_profile_name", kNativeInGame},
    {"save_achievements", kNativeInGame},
    {"engine_request_hint", kNativeInHud},
    {"engine_request_glitter_hint", kNativeInHud},
    {"check_location_tasks", kNativeInJournal},
};

constexpr bool everyNativeHasItsBody() {
    for (const EngineNative &native : kNatives) {
        if (!nativeBodyOf(native.name).name)
            return false;
    }
    return true;
}
static_assert(everyNativeHasItsBody(), "an engine function that scripts can call has no body");

std::string numberedName(const char *format, int32_t number) {
    char name[64];
    std::snprintf(name, sizeof name, format, int(number));
    return name;
}

SceneElement *elementOf(HoScene *scene, const char *name) {
    return scene ? scene->findElement(name) : nullptr;
}

// The texture the element's renderable shows now; null without the element or its renderable.
HoTexture *pictureOf(HoScene *scene, const char *name) {
    SceneElement *element = elementOf(scene, name);
    return element && element->renderable ? element->renderable->getTexture() : nullptr;
}

// A variable of the context whose value lives in the given slot, never saved with the game.
ScriptVariable *bindExternal(ScriptContext *context, const char *name, ScriptValue *slot) {
    ScriptVariable *variable = findOrCreateVariable(context, name, slot);
    if (variable)
        variable->value = slot;
    return variable;
}

} // namespace

const ScriptValue *HoWorld::nativeArgument(ScriptStatement *call) {
    constexpr int32_t kFirstArgument = 1; // after the function the call names
    return call && call->paramCount() > kFirstArgument ? getStatementParam(globalContext(), call, kFirstArgument)
                                                       : nullptr;
}

void HoWorld::bindEngine() {
    ScriptContext *global = globalContext();
    if (!global)
        return;
    hooks.invalidUse = findOrCreateFunction("on_invalid_use", global);
    hooks.genericDummyUse = findOrCreateFunction("on_generic_dummy_use", global);
    bindEngineVariables();
    bindHooksAndNatives();
    bindPictures();
    if (!builtForLoad) {
        loadCursors();
        bindContext();
    }
}

// The context's full-screen state and hook belong to the world that runs, and the window's cursors are
// made on the main thread: a world built on the game-load thread binds them when it is handed over.
void HoWorld::bindContext() {
    if (HoGame *game = context->game)
        context->fullScreenApplied = game->options.rounded(kOptionFullscreen) != 0 ? 1 : 0;
    context->forcedFullScreenHook = forcedFullScreenHook;
    if (builtForLoad) {
        builtForLoad = 0;
        std::vector<uint8_t>().swap(profileListImage);
        bindOptionVariables();
        loadCursors();
    }
}

HoWorld::GameCopy HoWorld::copyOfGame() const {
    if (builtForLoad)
        return gameForLoad;
    GameCopy copy;
    HoGame *game = reachableGame();
    if (!game)
        return copy;
    copy.userFolder = game->userFolder();
    copy.gameId = game->getGameId();
    KWindow *window = game->window;
    int32_t textureWidth = 0, textureHeight = 0;
    copy.hdSupport = window && window->isDisplayModeAvailable(kHdModeWidth, kHdModeHeight) &&
                     window->getMaxTextureSize(&textureWidth, &textureHeight) && textureWidth >= kHdTextureSide &&
                     textureHeight >= kHdTextureSide;
    copy.wide = game->wide;
    copy.options = game->options;
    return copy;
}

HoGame *HoWorld::reachableGame() const {
    return context && !builtForLoad ? context->game : nullptr;
}

GameOptions *HoWorld::optionsInUse() {
    if (builtForLoad)
        return &gameForLoad.options;
    HoGame *game = reachableGame();
    return game ? &game->options : nullptr;
}

void HoWorld::bindEngineVariables() {
    ScriptContext *global = globalContext();
    findOrCreateVariable(global, "##platform", nullptr)->value->setPointer(kScriptText, names().internOrFind("WIN"));
    findOrCreateVariable(global, "##streaming", nullptr)->value->setNumber(0.0f);
    findOrCreateVariable(global, "##hd_support", nullptr)->value->setNumber(copyOfGame().hdSupport ? 1.0f : 0.0f);
    findOrCreateVariable(global, "##widescreen", nullptr)->value->setNumber(runsWide() ? 1.0f : 0.0f);
    bindOptionVariables();
    for (const KeptSlot &kept : kGlobalSlots)
        this->*kept.slot = findOrCreateVariable(global, kept.name, nullptr)->value;
    bindScriptGlobals();
    for (const HintSlot &hint : kHintSlots)
        hintSlots.*hint.slot = hudScene ? findOrCreateVariable(&hudScene->script, hint.name, nullptr)->value : nullptr;
}

// The option variables hold the game's options; those of a world built for a load hold its copy of them.
void HoWorld::bindOptionVariables() {
    ScriptContext *global = globalContext();
    if (!global)
        return;
    GameOptions *options = optionsInUse();
    for (const OptionVariable &option : kOptionVariables) {
        if (options)
            bindExternal(global, option.name, &options->slots[option.option]);
        findOrCreateVariable(global, option.name, nullptr)->saved = 0;
    }
}

void HoWorld::bindHooksAndNatives() {
    ScriptContext *global = globalContext();
    forcedFullScreenHook = findOrCreateFunction("on_forced_fullscreen_mode", global);
    for (const HookName &hook : kLaterHooks)
        hooks.*hook.hook = findOrCreateFunction(hook.name, global);
    HoScene *sceneOf[] = {globalScene, hudScene, journalScene};
    for (const EngineNative &native : kNatives) {
        HoScene *scene = sceneOf[native.scene];
        if (!scene)
            continue;
        bindNative(native.name, &scene->script, nativeBodyOf(native.name).handler, this);
    }
}

void HoWorld::bindPictures() {
    hud.white = pictureOf(imagesScene, "white");
    hud.tooltipBack = pictureOf(imagesScene, "tooltip_back");
    hud.tooltipLeft = pictureOf(imagesScene, "tooltip_left");
    hud.tooltipRight = pictureOf(imagesScene, "tooltip_right");
    if (pointersScene) {
        hud.pointerSheet = pictureOf(pointersScene, "pointers");
        for (int32_t i = 0; i < kPointerCount; ++i) {
            hud.pointers[i] = elementOf(pointersScene, numberedName("pointer_%.2d", i).c_str());
            hud.pointerLights[i] = elementOf(pointersScene, numberedName("pointer_light_%.2d", i).c_str());
        }
    }
    if (hudScene) {
        hud.pickupBack = elementOf(hudScene, "pickup_back");
        hud.pickupFront = elementOf(hudScene, "pickup_front");
        hud.inventoryBackground = elementOf(hudScene, "inventory_background");
        hud.inventoryFrame = elementOf(hudScene, "_hud_inventory_background");
        hud.inventoryLeft = elementOf(hudScene, "_hud_inventory_left");
        hud.inventoryRight = elementOf(hudScene, "_hud_inventory_right");
        if (SceneElement *strip = hud.inventoryBackground) {
            hud.stripLeft = strip->absX.asNumber() - strip->w.asNumber() * 0.5f;
            hud.stripTop = strip->absY.asNumber() - strip->h.asNumber() * 0.5f;
        }
        hud.messageBack = elementOf(hudScene, "msg_back");
        hud.faceIcon = elementOf(hudScene, "face_icon");
        hud.messageText = elementOf(hudScene, "msg_text");
        for (SceneElement *saved : {hud.messageText, hud.faceIcon}) {
            if (saved)
                saved->scriptTouched = 1;
        }
    }
    for (int32_t i = 0; journalScene && i < kJournalObjectiveCount; ++i) {
        hud.objectiveTitles[i] = elementOf(journalScene, numberedName("objective_title_%.2d", i).c_str());
        hud.objectiveTexts[i] = elementOf(journalScene, numberedName("objective_text_%.2d", i).c_str());
        hud.completedTitles[i] = elementOf(journalScene, numberedName("completed_title_%.2d", i).c_str());
    }
}

// The cursors are files on disk in the data folder, not resources of the archives. A missing one stays
// null (the pointer falls back to cursor 0); one that is there but cannot be read is named in the log.
void HoWorld::loadCursors() {
    for (int32_t i = 0; i < kPointerCount; ++i) {
        const std::string path = resolveDataPath(numberedName("cursors/pointer_%.2d.cur", i).c_str());
        if (path.empty() || !fileExists(path.c_str()))
            continue;
        std::u16string widePath(path.size() + 2, u'\0');
        utf8ToUtf16(path.c_str(), widePath.data(), int(widePath.size()));
        hud.cursors[i] = LoadCursorFromFileW(reinterpret_cast<const WCHAR *>(widePath.c_str()));
        if (!hud.cursors[i])
            logMessage("Game: the cursor %s cannot be read, WARNING", path.c_str());
    }
}

void HoWorld::releaseCursors() {
    for (HCURSOR &cursor : hud.cursors) {
        if (cursor)
            DestroyCursor(cursor);
        cursor = nullptr;
    }
}
