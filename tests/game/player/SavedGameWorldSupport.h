#pragma once
// The saved-game suites' running game, with a cursor of its own: a hall with its music and a garden, whose scenes are told of loads, entered from
// the hall (which saved the game at the switch) by Mira, the second profile; frames run as the game runs
// them, scene changes waited for, and the file the game is saved to.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "game/player/ProfileList.h"
#include "game/player/SavedGame.h"
#include "tests/game/world/WorldTestSupport.h"
#include "platform/TestHooks.h"
#include "tests/support/KSoundTestSupport.h"

namespace worldtest {

class SavedGameWorldTest : public WorldGameTest {
protected:
    void SetUp() override {
        WorldGameTest::SetUp();
        // Frames run while a load works, as on the player's machine.
        useFixedClock(false);
        writeSceneList({"data/system/hud/hud", "data/scenes/hall/hall", "data/scenes/garden/garden"});
        archives->write("data/game.cfg", "startup=hall\n");
        archives->write("data/game.script", "on go {\n  call &load_profile\n}\n");
        archives->writeBytes("data/music/theme.ogg", lftest::oggTone(330, 2.0, 22050, 1));
        std::filesystem::create_directories(archives->folder() / "cursors");
        EXPECT_EQ(lftest::runProgram({"/usr/bin/convert", "-size", "32x32", "xc:none", "-fill", "red", "-draw",
                                      "polygon 1,1 1,20 14,14", (archives->folder() / "cursors/pointer_00.cur").string()}),
                  0);
        // The HUD's picture loads with the world, on the thread that builds it; the hall's when entered.
        writePicture("data/system/hud/panel.png", 16, 8, 0xFF3060A0u);
        archives->write("data/system/hud/hud.scene", "O panel\nI panel.png\n");
        writePicture("data/scenes/hall/hall.png", 8, 8);
        archives->write("data/scenes/hall/hall.scene", "O background\nI hall.png\nO lamp\nX 1\nK 500\nY 1\nK 400\nW 100\nH 100\n");
        const std::string told = "on loaded {\n  add #loaded 1\n}\non corrupted_profile {\n  add #corrupted 1\n}\n";
        // Scene changes of a step each keep the suites quick.
        const std::string quick = "  set #close_time 0\n  set #open_time 0\n";
        archives->write("data/scenes/hall/hall.script",
                        "init {\n  set #visits 0\n  set #background_music m'theme\n" + quick + "}\n" + told);
        archives->write("data/scenes/garden/garden.script",
                        "init {\n  set #loaded 0\n  set #corrupted 0\n" + quick + "}\n" + told);
    }
    // The game in the garden, entered from the hall (which saved it) by Mira, the second profile.
    HoWorld &startInGarden() {
        HoWorld &w = start();
        ProfileRecord &mira = w.profiles[2];
        mira.slot(ProfileRecord::kName)->setPointer(kScriptText, w.names().internOrFind("Mira"));
        setCurrentProfileIndex(&w, 2);
        frames(5);
        variable(w.findScene("hall"), "#visits")->value->setNumber(3.0f);
        goTo("garden");
        return world();
    }
    static void useFixedClock(bool on) {
        if (on)
            setenv("LANTERNFALL_FIXED_CLOCK_MS", "100", 1);
        else
            unsetenv("LANTERNFALL_FIXED_CLOCK_MS");
        platformReloadTestHooks();
    }
    void frames(int count) {
        for (int i = 0; i < count; ++i) {
            game->stepsDue = 1;
            game->context->frame();
        }
    }
    void goTo(const char *scene) {
        world().changeScene(world().findScene(scene), nullptr);
        for (int i = 0; i < 400 && (i < 2 || world().change.state != kChangeIdle); ++i)
            frames(1);
    }
    // Frames run while the load thread works, then the frame that applies its outcome.
    void framesUntilLoaded() {
        ThreadRecord *thread = game->context->loadThread;
        ASSERT_NE(thread, nullptr);
        while (!thread->finished.load())
            frames(1);
        frames(1);
    }
    std::string savePath() { return savedGamePath(&world(), 2); }
    // A menu among the scenes, which shows no HUD and counts what it hears: "loaded" in "#loaded", each
    // other event in its number.
    void writeMenu(const std::vector<std::pair<const char *, const char *>> &counted) {
        writeSceneList({"data/system/hud/hud", "data/scenes/hall/hall", "data/scenes/garden/garden",
                        "data/menus/menu/menu"});
        archives->write("data/menus/menu/menu.scene", "O status\n");
        std::string init = "init {\n  set #no_hud 1\n  set #loaded 0\n  set #close_time 0\n  set #open_time 0\n";
        std::string handlers = "on loaded {\n  add #loaded 1\n}\n";
        for (const auto &[event, number] : counted) {
            init += std::string("  set ") + number + " 0\n";
            handlers += std::string("on ") + event + " {\n  add " + number + " 1\n}\n";
        }
        archives->write("data/menus/menu/menu.script", init + "}\n" + handlers);
    }
    float gardenNumber(const char *name) { return numberOf(variable(world().findScene("garden"), name)); }
};

} // namespace worldtest
