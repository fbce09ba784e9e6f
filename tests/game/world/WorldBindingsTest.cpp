// The engine bound to the scripts in a headless game: the engine variables and the option variables that
// share the options' storage, the slots and hooks the world keeps, the native functions, the pictures and
// elements of the system scenes, the hardware cursors from the data folder, and the hooks that the game's
// window events run.

#include "tests/game/world/WorldTestSupport.h"

#include <fstream>
#include <span>
#include <sstream>

#include "engine/window/KWindowEvent.h"
#include "game/DisplayNatives.h"
#include "game/HoGame.h"
#include "game/player/InventoryBar.h"
#include "game/player/ProfileNatives.h"
#include "game/scene/HoRenderable.h"
#include "game/world/HoWorldHints.h"
#include "platform/WinUser.h"

namespace worldtest {
namespace {

namespace fs = std::filesystem;

bool logHas(const std::string &text) {
    return getLogContents().find(text) != std::string::npos;
}

std::string readText(const fs::path &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const char *const kNatives[] = {"check_fullscreen_mode", "update_hardware_cursor", "update_aspect_ratio",
                                "update_hd_graphics",    "scroll_inventory",       "save_settings",
                                "reset_profile",         "delete_profile",         "load_profile",
                                "select_profile",        "delete_savegame",        "load_quicksave",
                                "save_profile",          "save_profiles",          "check_profile_name",
                                "save_achievements"};

class WorldBindings : public WorldGameTest {
protected:
    void writeSystemScenes(bool withJournal) {
        std::vector<std::string> list = {"data/system/images/images", "data/system/hud/hud",
                                         "data/system/pointers/pointers"};
        if (withJournal)
            list.push_back("data/system/journal/journal");
        writeSceneList(list);
        std::string images;
        for (const char *name : {"white", "tooltip_back", "tooltip_left", "tooltip_right"}) {
            writePicture(std::string("data/system/images/") + name + ".png", 4, 4);
            images += std::string("O ") + name + "\nI " + name + ".png\n";
        }
        archives->write("data/system/images/images.scene", images);
        archives->write("data/system/hud/hud.scene", "O inventory_background\nX 1\nK 1024\nY 1\nK 1400\n"
                                                     "W 800\nH 100\nR 1\nK 1\nS 1\nK 1\nO msg_text\nO face_icon\nO pickup_back\n");
        writePicture("data/system/pointers/pointers.png", 16, 16);
        archives->write("data/system/pointers/pointers.scene",
                        "O pointers\nI pointers.png\nO pointer_00\nO pointer_07\nO pointer_light_03\n");
        archives->write("data/system/journal/journal.scene", "O objective_title_03\nO completed_title_09\n");
    }
};

TEST_F(WorldBindings, EngineVariablesHoldWhatTheGameKnowsAndTheOptionsAreTheirStorage) {
    writeSystemScenes(false);
    HoWorld &w = start();
    EXPECT_EQ(textOf(globalVariable("##platform")), "WIN");
    EXPECT_EQ(numberOf(globalVariable("##streaming")), 0.0f);
    EXPECT_EQ(numberOf(globalVariable("##widescreen")), game->wide ? 1.0f : 0.0f);

    const std::pair<const char *, GameOptionIndex> options[] = {
        {"##fullscreen_mode", kOptionFullscreen}, {"##hardware_cursor", kOptionHardwareCursor},
        {"##music_volume", kOptionMusic},         {"##sound_volume", kOptionSfx},
        {"##voice_volume", kOptionVoice},         {"##fixed_aspect_ratio", kOptionFixedAspectRatio},
        {"##hd_graphic", kOptionHdGraphics}};
    for (const auto &[name, option] : options) {
        ScriptVariable *bound = globalVariable(name);
        ASSERT_NE(bound, nullptr) << name;
        EXPECT_EQ(bound->value, &game->options.slots[option]) << name;
        EXPECT_EQ(bound->saved, 0) << name;
    }
    EXPECT_EQ(game->context->fullScreenApplied, 0) << "a windowed game";
    // A script's volume is the volume the options file keeps.
    globalVariable("##music_volume")->value->setNumber(0.25f);
    game->saveOptions();
    EXPECT_NE(readText(game->optionsFilePath()).find("music=0.250\n"), std::string::npos);

    const std::pair<const char *, ScriptValue *> kept[] = {
        {"##paused", w.pausedSlot},         {"##pointer_x", w.pointerXSlot},
        {"##pointer_y", w.pointerYSlot},    {"##inventory_index", w.inventoryIndexSlot},
        {"#force_inventory", w.forceInventorySlot}, {"#instant_hints_count", w.instantHintsSlot},
        {"##profile_index", w.profileIndexSlot},    {"##save_disabled", w.saveDisabledSlot},
        {"##show_hint", w.showHintSlot},    {"##active_scene", w.activeSceneSlot},
        {"##main_scene", w.mainSceneSlot},  {"##root_scene", w.rootSceneSlot},
        {"#@", w.currentTaskSlot},          {"#$", w.currentElementSlot}};
    for (const auto &[name, slot] : kept) {
        ASSERT_NE(slot, nullptr) << name;
        EXPECT_EQ(globalVariable(name)->value, slot) << name;
    }
    const std::pair<const char *, ScriptValue *> hints[] = {
        {"#hint_shown", w.hintSlots.shown},         {"#hint_for_glitter", w.hintSlots.forGlitter},
        {"#hint_element", w.hintSlots.element},     {"#hint_element_item", w.hintSlots.elementItem},
        {"#hint_glitter_element", w.hintSlots.glitterElement}};
    for (const auto &[name, slot] : hints)
        EXPECT_EQ(variable(w.hudScene, name)->value, slot) << name;

    // Hooks and natives live in the "game" scene, the hint requests in "hud".
    for (ScriptFunction *hook : {w.hooks.invalidUse, w.hooks.genericDummyUse, w.hooks.takeInventoryItem,
                                 w.hooks.scrollInventoryEnd, w.hooks.inventorySlideOut,
                                 game->context->forcedFullScreenHook}) {
        ASSERT_NE(hook, nullptr);
        EXPECT_EQ(hook->context, w.globalContext());
    }
    EXPECT_STREQ(game->context->forcedFullScreenHook->name, "on_forced_fullscreen_mode");
    for (const char *name : kNatives) {
        ScriptFunction *native = functionIn(w.globalScene, name);
        ASSERT_NE(native, nullptr) << name;
        EXPECT_NE(native->native, nullptr) << name;
        EXPECT_EQ(native->nativeData, &w) << name;
    }
    // Each has the body its table gives it.
    for (const std::span<const NamedNative> table :
         {std::span<const NamedNative>(kDisplayNatives), std::span<const NamedNative>(kProfileNatives),
          std::span<const NamedNative>(kInventoryNatives)}) {
        for (const NamedNative &native : table)
            EXPECT_EQ(functionIn(w.globalScene, native.name)->native, native.handler) << native.name;
    }
    // The profile slots' variables are bound in the "game" scene.
    EXPECT_EQ(w.profiles[3].variables[0], globalVariable("##profile_name_03"));
    EXPECT_NE(w.profiles[3].variables[0], nullptr);
    for (const NamedNative &native : {kHintNatives[0], kHintNatives[1]}) {
        ASSERT_NE(functionIn(w.hudScene, native.name), nullptr) << native.name;
        EXPECT_EQ(functionIn(w.hudScene, native.name)->native, native.handler) << native.name;
    }
}

TEST_F(WorldBindings, HdSupportNeedsTheFullHdModeOfTheDesktop) {
    struct Desktop {
        bool withHdMode;
        float expected;
    };
    for (const Desktop desktop : {Desktop{false, 0.0f}, Desktop{true, 1.0f}}) {
        if (desktop.withHdMode)
            lftest::useHdDesktop();
        else
            platformSetVirtualDesktop(1280, 720);
        writeSceneList({});
        start();
        EXPECT_EQ(numberOf(globalVariable("##hd_support")), desktop.expected) << desktop.withHdMode;
        game.reset();
    }
    platformSetVirtualDesktop(0, 0);
}

TEST_F(WorldBindings, PicturesAndElementsOfTheSystemScenesAreFoundByName) {
    for (bool withJournal : {false, true}) {
        writeSystemScenes(withJournal);
        HoWorld &w = start();
        auto pictureOf = [&](HoScene *scene, const char *name) {
            return scene->findElement(name)->renderable->getTexture();
        };
        ASSERT_NE(w.imagesScene, nullptr);
        EXPECT_EQ(w.hud.white, pictureOf(w.imagesScene, "white"));
        EXPECT_NE(w.hud.white, nullptr);
        EXPECT_EQ(w.hud.tooltipBack, pictureOf(w.imagesScene, "tooltip_back"));
        EXPECT_EQ(w.hud.tooltipLeft, pictureOf(w.imagesScene, "tooltip_left"));
        EXPECT_EQ(w.hud.tooltipRight, pictureOf(w.imagesScene, "tooltip_right"));
        EXPECT_EQ(w.hud.pointerSheet, pictureOf(w.pointersScene, "pointers"));
        for (int i = 0; i < kPointerCount; ++i) {
            EXPECT_EQ(w.hud.pointers[i] != nullptr, i == 0 || i == 7) << i;
            EXPECT_EQ(w.hud.pointerLights[i] != nullptr, i == 3) << i;
        }
        EXPECT_EQ(w.hud.pickupBack, w.hudScene->findElement("pickup_back"));
        EXPECT_EQ(w.hud.pickupFront, nullptr);
        // The strip's corner: its centre less half its size.
        EXPECT_EQ(w.hud.inventoryBackground, w.hudScene->findElement("inventory_background"));
        EXPECT_FLOAT_EQ(w.hud.stripLeft, 1024.0f - 400.0f);
        EXPECT_FLOAT_EQ(w.hud.stripTop, 1400.0f - 50.0f);
        EXPECT_EQ(w.hud.messageText->scriptTouched, 1) << "saved with the game";
        EXPECT_EQ(w.hud.faceIcon->scriptTouched, 1);

        ScriptFunction *tasks = w.journalScene ? functionIn(w.journalScene, "check_location_tasks") : nullptr;
        EXPECT_EQ(tasks != nullptr, withJournal);
        EXPECT_EQ(functionIn(w.globalScene, "check_location_tasks"), nullptr);
        EXPECT_EQ(w.hud.objectiveTitles[3] != nullptr, withJournal);
        EXPECT_EQ(w.hud.completedTitles[9] != nullptr, withJournal);
        EXPECT_EQ(w.hud.objectiveTexts[3], nullptr);
        game.reset();
    }
}

TEST_F(WorldBindings, CursorsComeFromTheDataFolderWhateverTheirLetterCase) {
    writeSceneList({});
    fs::create_directories(archives->folder() / "cursors");
    for (const char *name : {"pointer_00.cur", "POINTER_03.CUR"}) {
        ASSERT_EQ(lftest::runProgram({"/usr/bin/convert", "-size", "32x32", "xc:none", "-fill", "red", "-draw",
                                      "polygon 1,1 1,20 14,14", (archives->folder() / "cursors" / name).string()}),
                  0);
    }
    lftest::writeFileText(archives->folder() / "cursors/pointer_05.cur", "not a cursor at all");
    HoWorld &w = start();
    for (int i = 0; i < kPointerCount; ++i)
        EXPECT_EQ(w.hud.cursors[i] != nullptr, i == 0 || i == 3) << i;
    EXPECT_TRUE(logHas("pointer_05.cur cannot be read, WARNING"));
    EXPECT_FALSE(logHas("pointer_06.cur"));
}

TEST_F(WorldBindings, WindowEventsRunTheHooksTheWorldBound) {
    writeSceneList({});
    HoWorld &w = start();
    CallCounter resumed, forced;
    resumed.bindTo(findOrCreateFunction("on_resume", w.globalContext()));
    forced.bindTo(game->context->forcedFullScreenHook);
    KWindowEvent activation;
    activation.type = kEventActivate;
    game->handleWindowEvent(activation);
    EXPECT_EQ(resumed.calls, 1);
    EXPECT_EQ(forced.calls, 0);
    // A desktop smaller than the window forces the game full screen, and the scripts hear of it.
    platformSetVirtualDesktop(320, 200);
    EXPECT_TRUE(game->forceFullScreenIfTooLarge());
    EXPECT_EQ(forced.calls, 1);
    platformSetVirtualDesktop(0, 0);
}

TEST_F(WorldBindings, ARestartStartsANewWorldAndTheOldOneTakesItsHookAlong) {
    writeSceneList({"data/scenes/hall/hall"});
    start();
    findOrCreateVariable(world().globalContext(), "#from_the_first_world", nullptr);
    delete game->context;
    game->context = nullptr;
    game->createContext();
    HoWorld &second = world();
    EXPECT_NE(second.findScene("hall"), nullptr);
    EXPECT_EQ(globalVariable("#from_the_first_world"), nullptr);
    EXPECT_EQ(game->context->forcedFullScreenHook->context, second.globalContext());
    // The world goes before its context; the context's hook goes with it.
    delete game->context->world;
    game->context->world = nullptr;
    EXPECT_EQ(game->context->forcedFullScreenHook, nullptr);
}

} // namespace
} // namespace worldtest
