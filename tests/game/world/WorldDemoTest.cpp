// The world started in a headless game on the demo's own archives, as demo/build-archives.sh makes them:
// its scenes, the atlases of each location, the engine's bindings and pictures, the cursors beside the
// archives, and what the demo's scripts and scene files give the scripts; then the world's steps on it;
// and the demo's common scripts and includes declaring the scenes of tests/data/kinds, which have an
// element of every named kind.

#include "tests/game/world/WorldTestSupport.h"

#include <algorithm>
#include <cstring>

#include "engine/window/KInput.h"
#include "game/HoGameSettings.h"
#include "game/minigames/bubbleshooter/HoSceneBubbleShooter.h"
#include "game/minigames/chainshooter/HoSceneZuma.h"
#include "game/minigames/match3/HoScenesMatch3.h"
#include "game/player/ProfileList.h"
#include "game/player/SavedGameLoad.h"
#include "game/scene/TextInputField.h"
#include "game/scene/HoAnimatedImage.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HiddenObjectPicking.h"
#include "game/player/HoInventoryItem.h"
#include "game/scene/HoDrawableImage.h"
#include "game/resources/AtlasMap.h"
#include "game/resources/HoConfiguration.h"
#include "game/resources/HoVideo.h"
#include "game/resources/HoTexture.h"
#include "game/scene/ParticleEmitter.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptTask.h"
#include "tests/game/script/ScriptStandIns.h"
#include "tests/support/GameLogSupport.h"
#include "tests/support/UrlOpenerStandIn.h"
#include "tests/support/XServerTestSupport.h"
#include "video/TheoraVideoClip.h"

namespace worldtest {
namespace {

// Whether the scene's scripts declared the task for the element.
bool hasTask(HoScene *scene, const char *name, SceneElement *element) {
    for (int32_t i = 0; scene && i < scene->script.tasks.count(); ++i) {
        const ScriptTask *task = scene->script.tasks[i];
        if (std::string(task->name) == name && task->element == element && task->state != kTaskReferenced)
            return true;
    }
    return false;
}
// The task named after an element of the scene.
bool hasTaskOf(HoScene *scene, const char *element) {
    return scene && hasTask(scene, element, scene->findElement(element));
}

class WorldOnTheDemo : public WorldGameTest {
protected:
    void SetUp() override {
        WorldGameTest::SetUp();
        ASSERT_TRUE(lftest::copyDemoArchives(archives->folder()));
    }
    void settle(HoWorld &w) {
        for (int i = 0; i < 300 && (i < 2 || w.change.state != kChangeIdle || w.busy); ++i)
            w.frame();
    }
    void goTo(HoWorld &w, const char *identifier) {
        w.changeScene(w.findScene(identifier), nullptr);
        for (int i = 0; i < 300 && w.activeScene != w.findScene(identifier); ++i)
            w.frame();
        settle(w);
    }
};

TEST_F(WorldOnTheDemo, EverySceneBindingAndPictureIsThere) {
    HoWorld &w = start();
    std::vector<std::string> identifiers;
    for (int32_t i = 0; i < w.scenes.count(); ++i)
        identifiers.push_back(w.scenes[i]->identifier);
    EXPECT_EQ(identifiers, (std::vector<std::string>{"game", "images", "hud", "over_hud", "system_messages",
                                                     "particles", "pointers", "paused_menu", "shore", "hall", "hall_zz_desk",
                                                     "hall_ho_study", "gallery", "gallery_alt_ho_match3",
                                                     "gallery_bubbleshooter", "gallery_zuma", "lantern", "journal",
                                                     "profiles", "options", "extras", "beam", "end"}));
    HoScene *shore = w.findScene("shore"), *hall = w.findScene("hall"), *desk = w.findScene("hall_zz_desk");
    EXPECT_TRUE(shore->isTopLevel && hall->isTopLevel);
    EXPECT_TRUE(desk->isZoomZone);
    EXPECT_EQ(desk->parent, hall);
    HoScene *gallery = w.findScene("gallery"), *lens = w.findScene("gallery_alt_ho_match3");
    EXPECT_EQ(lens->parent, gallery);
    EXPECT_NE(dynamic_cast<HoScenesMatch3 *>(lens), nullptr) << "the board's scene is made for its kind";
    HoScene *wick = w.findScene("gallery_bubbleshooter");
    EXPECT_EQ(wick->parent, gallery);
    EXPECT_NE(dynamic_cast<HoSceneBubbleShooter *>(wick), nullptr);
    HoScene *mirrors = w.findScene("gallery_zuma");
    EXPECT_EQ(mirrors->parent, gallery);
    EXPECT_NE(dynamic_cast<HoSceneZuma *>(mirrors), nullptr) << "the chain shooter's scene is made for its kind";
    for (HoScene *system : {w.imagesScene, w.hudScene, w.overHudScene, w.systemMessagesScene, w.particlesScene,
                            w.pointersScene}) {
        ASSERT_NE(system, nullptr);
        EXPECT_TRUE(system->isSystem) << system->identifier;
    }
    ASSERT_NE(w.journalScene, nullptr);
    EXPECT_TRUE(w.journalScene->isSystem);
    EXPECT_TRUE(w.findScene("hall_ho_study")->isHo);
    EXPECT_EQ(hall->findElement("ho_study")->hoScene, w.findScene("hall_ho_study"));
    EXPECT_STREQ(w.configurationEntry("startup")->text(), "profiles");

    // The common atlas and one per location, named after its scene.
    std::vector<std::string> atlases;
    for (int32_t i = 0; i < game->context->atlases.count(); ++i)
        atlases.push_back(game->context->atlases[i]->name);
    EXPECT_EQ(atlases, (std::vector<std::string>{"common", "shore", "hall", "zz_desk", "ho_study", "gallery",
                                                  "alt_ho_match3", "bubbleshooter", "zuma", "lantern", "profiles"}));
    EXPECT_NE(game->context->findAtlasRegion("data/scenes/shore/shore.png"), nullptr);

    // The system scenes' pictures are loaded at start-up (SD: half the design size).
    for (HoTexture *picture : {w.hud.white, w.hud.tooltipBack, w.hud.tooltipLeft, w.hud.tooltipRight,
                               w.hud.pointerSheet}) {
        ASSERT_NE(picture, nullptr);
        EXPECT_NE(picture->picture, nullptr) << picture->name;
    }
    EXPECT_FLOAT_EQ(w.hud.white->width, 8.0f);
    EXPECT_FLOAT_EQ(w.hud.pointerSheet->width, 128.0f);
    for (int i = 0; i < kPointerCount; ++i) {
        EXPECT_NE(w.hud.pointers[i], nullptr) << i;
        EXPECT_NE(w.hud.cursors[i], nullptr) << i;
    }
    EXPECT_EQ(w.findScene("paused_menu")->findElement("panel")->picturesLoaded, 1) << "a system scene's";
    EXPECT_EQ(shore->findElement("background")->picturesLoaded, 0) << "a location's pictures wait for it";
    ASSERT_NE(w.punishmentEmitter, nullptr);
    EXPECT_FALSE(w.punishmentEmitter->isAlive()) << "its sparks wait for a penalty";

    // The game script's "##paused" is the world's slot; the elements' names made their tasks.
    ScriptFunction *startup = functionIn(w.globalScene, "on_startup");
    ASSERT_NE(startup, nullptr);
    ASSERT_NE(startup->declaration, nullptr);
    ScriptBlock *body = static_cast<ScriptBlock *>(startup->declaration->params[9].pointer);
    ScriptStatement *set = body->statements[0];
    ASSERT_EQ(set->params[0].type, kScriptVariableRef);
    EXPECT_EQ(static_cast<ScriptVariable *>(set->params[0].pointer)->value, w.pausedSlot);
    EXPECT_TRUE(hasTask(shore, "portal_hall", shore->findElement("portal_hall")));
    EXPECT_TRUE(hasTask(hall, "portal_shore", hall->findElement("portal_shore")));
    EXPECT_TRUE(hasTask(hall, "zz_desk", hall->findElement("zz_desk")));
    EXPECT_EQ(shore->findElement("portal_hall")->portalScene, hall);
    EXPECT_EQ(hall->findElement("zz_desk")->zoomZoneScene, desk);
    EXPECT_EQ(hall->findElement("portal_gallery")->portalScene, gallery);
    EXPECT_EQ(gallery->findElement("portal_hall")->portalScene, hall);
    EXPECT_EQ(gallery->findElement("portal_gallery_alt_ho_match3")->portalScene, lens);
    EXPECT_EQ(gallery->findElement("portal_gallery_bubbleshooter")->portalScene, wick);
    EXPECT_EQ(gallery->findElement("portal_gallery_zuma")->portalScene, mirrors);
    HoScene *lantern = w.findScene("lantern");
    EXPECT_TRUE(lantern->isTopLevel);
    EXPECT_EQ(gallery->findElement("portal_lantern")->portalScene, lantern);
    EXPECT_EQ(lantern->findElement("portal_gallery")->portalScene, gallery);

    EXPECT_EQ(textOf(globalVariable("##txt_GAME_TITLE")), "GAME_TITLE");
    EXPECT_EQ(textOf(globalVariable("##GAME_TITLE")), "The Keeper\xE2\x80\x99s Lantern");
    EXPECT_EQ(lftest::errorLines(getLogContents()), std::vector<std::string>{});
}

// On the demo: its start scene (the profiles) entered with the fade, the shore, the hall and back, the
// desk's zone opened and closed, and a click on the shore's portal filling the goto slot of the portals'
// handler.
class WorldStepsOnTheDemo : public WorldOnTheDemo, public ScriptStandIns {
protected:
    void SetUp() override {
        WorldOnTheDemo::SetUp();
        bind("on_goto", declareReaction<&SceneElement::onGoto>);
        pointerSynthesisActive = true;
    }
    void TearDown() override {
        pointerSynthesisActive = false;
        WorldOnTheDemo::TearDown();
    }
};

TEST_F(WorldStepsOnTheDemo, TheShoreEntersTheHallAndBackAndTheDeskOpensAndCloses) {
    HoWorld &w = start();
    HoScene *shore = w.findScene("shore"), *hall = w.findScene("hall"), *desk = w.findScene("hall_zz_desk");
    w.frame();
    EXPECT_EQ(w.activeScene, w.findScene("profiles"));
    EXPECT_FLOAT_EQ(w.change.fade, 0.02f);
    settle(w);
    EXPECT_EQ(w.change.fade, 1.0f);
    goTo(w, "shore");
    EXPECT_EQ(shore->findElement("background")->picturesLoaded, 1);

    // The portal to the hall is hidden until the door opens; shown as the door's opening shows it, a click
    // on it fills the goto slot.
    SceneElement *portal = shore->findElement("portal_hall");
    EXPECT_EQ(portal->visible, 0);
    portal->visible = 1;
    synthesizedPointerX = int32_t(std::lround((1760.0f - (normalModeActive ? 0.0f : screenValues.viewOffsetX)) *
                                              screenValues.artScale));
    synthesizedPointerY = int32_t(std::lround(1100.0f * screenValues.artScale));
    game->context->input.buttonPressed[kPrimaryButton] = 1;
    w.frame();
    EXPECT_EQ(w.clicks.click.goTo, portal);

    goTo(w, "hall");
    EXPECT_EQ(w.activeScene, hall);
    EXPECT_EQ(shore->findElement("background")->picturesLoaded, 0);
    // The candle on the desk burns: its looping video, started by the hall's script, waits under the zone.
    HoVideo *candle = hall->findElement("candle")->video;
    ASSERT_TRUE(candle && candle->clip);
    EXPECT_STREQ(candle->name, "data/movies/candle_a.ogv");
    EXPECT_TRUE(candle->alpha);
    EXPECT_TRUE(candle->playing && candle->clip->getAutoRestart());
    EXPECT_FALSE(candle->clip->isPaused());
    w.openZoomZone(desk, hall->findElement("zz_desk"));
    settle(w);
    EXPECT_EQ(w.zoomLayers[0].zone, desk);
    EXPECT_EQ(w.topScene, desk);
    EXPECT_TRUE(candle->clip->isPaused());
    w.closeZoomZone(-1, -1);
    settle(w);
    EXPECT_EQ(w.zoomLayers[0].zone, nullptr);
    EXPECT_EQ(w.topScene, hall);
    EXPECT_FALSE(candle->clip->isPaused());
    goTo(w, "shore");
    EXPECT_EQ(w.activeScene, shore);
    EXPECT_EQ(candle->clip, nullptr);
    EXPECT_EQ(lftest::errorLines(getLogContents()), std::vector<std::string>{});
}

// The cut-scene: its film plays once, over the whole scene, with nothing of the HUD over it; a click on it
// goes to the end at once, and when the film's time is up later nothing goes anywhere again.
TEST_F(WorldStepsOnTheDemo, TheCutScenesFilmPlaysOnceAndAClickSkipsToTheEndOnce) {
    HoWorld &w = start();
    goTo(w, "beam");
    HoScene *beam = w.findScene("beam"), *end = w.findScene("end");
    EXPECT_EQ(w.activeScene, beam);
    EXPECT_TRUE(beam->isCutscene && beam->isTopLevel);
    EXPECT_FALSE(HoWorld::showsHud(beam));
    HoVideo *film = beam->findElement("film")->video;
    ASSERT_TRUE(film && film->clip);
    EXPECT_STREQ(film->name, "data/movies/beam.ogv");
    EXPECT_TRUE(film->playing);
    EXPECT_FALSE(film->clip->getAutoRestart()) << "played once";

    clickAt(1280, 768);
    for (int i = 0; i < 300 && w.activeScene != end; ++i)
        w.frame();
    EXPECT_EQ(w.activeScene, end);
    EXPECT_EQ(film->clip, nullptr) << "the film is let go with the cut-scene";
    for (int i = 0; i < 700; ++i) // past the film's six seconds
        w.frame();
    EXPECT_EQ(w.activeScene, end);
    EXPECT_EQ(takeTrace(), (std::vector<std::string>{"state entered c'beam", "state beam skipped",
                                                     "state entered c'end"}));
    EXPECT_EQ(lftest::errorLines(getLogContents()), std::vector<std::string>{});
}

// The keeper's study: the hint rings the first object still to find, and the journal's check finds something
// left there; every object found (the candle carried to its candlestick), the list asks the riddle of the lens
// cloth, and finding it ends the search: the cloth is in the strip, the hall's door to the study is done and
// nothing is left in the study. Then the hall's cupboard and its gear.
TEST_F(WorldOnTheDemo, TheStudysSearchEndsInItsRiddleWithTheClothInTheStripAndTheWholeGearOpensTheCupboard) {
    HoWorld &w = start();
    HoScene *study = w.findScene("hall_ho_study");
    goTo(w, "hall_ho_study");
    ASSERT_EQ(w.activeScene, study);
    ASSERT_EQ(study->hoItems.count(), 8);
    EXPECT_EQ(study->variableValue("#total_ho_items")->asNumber(), 9.0f);

    auto placeState = [&](const char *place) {
        findOrCreateVariable(w.globalContext(), "##check_location_name", nullptr)
            ->value->setPointer(kScriptText, w.names().internOrFind(place));
        w.checkLocationTasks();
        return w.globalScene->variableValue("##location_tasks_state")->asNumber();
    };
    w.requestHint();
    const ScriptValue *hinted = w.hintSlots.element;
    ASSERT_EQ(hinted->type, kScriptElement);
    EXPECT_EQ(hinted->pointer, study->findElement("ho_compass"));
    EXPECT_EQ(w.hintSlots.shown->asNumber(), 1.0f);
    EXPECT_EQ(placeState("hall_ho_study"), 0.0f);

    for (const char *name : {"ho_compass", "ho_spyglass", "ho_quill", "ho_shell|1", "ho_shell|2", "ho_candle",
                             "ho_hourglass", "ho_anchor", "ho_bottle"})
        setHoElementFound(study->findElement(name));
    // The list's draw strikes the found names through.
    auto play = [&] {
        w.frame();
        game->window->flipBackBuffer(false);
        w.draw();
    };
    for (int i = 0; i < 3000 && !(study->hoItems.count() == 1 && study->findHoItem("ho_lens_cloth")); ++i)
        play();
    ASSERT_NE(study->findHoItem("ho_lens_cloth"), nullptr) << "the riddle's reward is the one item left";
    HoInventoryItem *cloth = w.findInventoryItem("lens_cloth");
    EXPECT_FALSE(cloth->isPicked());
    setHoElementFound(study->findElement("ho_lens_cloth"));
    for (int i = 0; i < 3000 && !cloth->isPicked(); ++i)
        play();
    EXPECT_TRUE(cloth->isPicked());
    const ScriptValue *door = study->variableValue("#ho_task");
    ASSERT_EQ(door->type, kScriptTask);
    EXPECT_GE(static_cast<const ScriptTask *>(door->pointer)->state, kTaskCompleted);
    EXPECT_EQ(placeState("hall_ho_study"), -1.0f);

    // Back in the hall, the gear lies in two halves (the drawer's and the rocks'); half of it does not turn
    // the cupboard's lock, the whole gear opens it on the lamp and the logbook page and goes back to the
    // strip, whole, for the lantern's clockwork.
    goTo(w, "hall");
    HoScene *hall = w.findScene("hall");
    HoInventoryItem *gear = w.findInventoryItem("gear");
    EXPECT_EQ(gear->getTotalCount(), 2);
    SceneElement *cupboard = hall->findElement("cupboard");
    auto useGearOnCupboard = [&](float count) {
        gear->picked.setNumber(1.0f);
        gear->count.setNumber(count);
        w.inventory.selected = gear;
        w.clicks.click.itemUse = cupboard;
        runObjectHandlers(&hall->script, hall->script.scripts);
        w.clicks.click.itemUse = nullptr;
    };
    useGearOnCupboard(1.0f);
    EXPECT_EQ(cupboard->visible, 1);
    EXPECT_EQ(hall->findElement("lamp")->visible, 0);
    useGearOnCupboard(2.0f);
    EXPECT_EQ(cupboard->visible, 0);
    for (const char *shown : {"cupboard_open", "lamp", "logbook_page"})
        EXPECT_EQ(hall->findElement(shown)->visible, 1) << shown;
    EXPECT_FALSE(gear->isUsed());
    EXPECT_TRUE(gear->isPicked());
    EXPECT_EQ(gear->getCount(), 2);
    EXPECT_EQ(w.inventory.selected, nullptr);
    EXPECT_EQ(lftest::errorLines(getLogContents()), std::vector<std::string>{});
}

// The lantern room: each part goes into the great lantern only when the story allows it (the lamp once its
// wick is trimmed, the gear once the hall's cupboard is open, so that it cannot be spent upstairs first); a
// refused part goes back to the strip. The hint rings the first part still wanted, then the lantern, which
// lights only with the signal mirrors aligned.
TEST_F(WorldOnTheDemo, TheLanternTakesItsPartsWhenTheStoryAllowsAndLightsWithTheMirrorsAligned) {
    HoWorld &w = start();
    goTo(w, "lantern");
    HoScene *lantern = w.findScene("lantern");
    ASSERT_EQ(w.activeScene, lantern);
    auto setFlag = [&](const char *scene, const char *name, float value) {
        findOrCreateVariable(&w.findScene(scene)->script, name, nullptr)->value->setNumber(value);
    };
    auto hinted = [&]() -> SceneElement * {
        w.requestHint();
        const ScriptValue *element = w.hintSlots.element;
        return element->type == kScriptElement ? static_cast<SceneElement *>(element->pointer) : nullptr;
    };
    EXPECT_EQ(hinted(), lantern->findElement("lens_ring"));

    const struct {
        const char *item, *target;
        const char *scene, *flag; // the story's state the use depends on, when it does
        float value;
        const char *element; // what the use shows or hides
        int visible;
        bool used;
    } uses[] = {
        {"lens", "lens_ring", nullptr, nullptr, 0, "lens_set", 1, true},
        {"lens_cloth", "panes", nullptr, nullptr, 0, "salt", 0, true},
        {"lamp", "lamp_niche", "gallery", "#wick_trimmed", 0, "lamp_set", 0, false},
        {"lamp", "lamp_niche", "gallery", "#wick_trimmed", 1, "lamp_set", 1, true},
        {"gear", "clockwork", "hall", "#cupboard_open", 0, "gear_set", 0, false},
        {"gear", "clockwork", "hall", "#cupboard_open", 1, "gear_set", 1, true},
    };
    for (const auto &use : uses) {
        SCOPED_TRACE(std::string(use.item) + " " + std::to_string(use.value));
        if (use.scene)
            setFlag(use.scene, use.flag, use.value);
        HoInventoryItem *item = w.findInventoryItem(use.item);
        ASSERT_NE(item, nullptr);
        item->picked.setNumber(1.0f);
        const float held = float(std::max(item->getTotalCount(), 1));
        item->count.setNumber(held);
        item->maxCount.setNumber(held);
        w.inventory.selected = item;
        w.clicks.click.itemUse = lantern->findElement(use.target);
        runObjectHandlers(&lantern->script, lantern->script.scripts);
        w.clicks.click.itemUse = nullptr;
        EXPECT_EQ(lantern->findElement(use.element)->visible, use.visible);
        EXPECT_EQ(item->isUsed(), use.used);
        EXPECT_EQ(w.inventory.selected, nullptr) << "a used or refused part leaves the hand";
    }

    SceneElement *great = lantern->findElement("great_lantern");
    EXPECT_EQ(hinted(), great);
    for (float aligned : {0.0f, 1.0f}) {
        setFlag("gallery", "#mirrors_aligned", aligned);
        w.clickedElement = great;
        runObjectHandlers(&lantern->script, lantern->script.scripts);
        w.clickedElement = nullptr;
        for (const char *light : {"glow", "beam"})
            EXPECT_EQ(lantern->findElement(light)->visible, int(aligned)) << light;
    }
    EXPECT_EQ(lftest::errorLines(getLogContents()), std::vector<std::string>{});
}

// The profiles scene: names entered in its field make profiles unless one of that name, letter case aside,
// exists; its buttons select the next profile, delete and reset the current one, and continue its game.
TEST_F(WorldStepsOnTheDemo, TheProfilesSceneMakesSelectsDeletesResetsAndContinuesProfiles) {
    HoWorld &w = start();
    goTo(w, "profiles");
    HoScene *profiles = w.findScene("profiles");
    TextInputField *field = profiles->findElement("KUIEdit_name")->textInput;
    ASSERT_NE(field, nullptr);
    auto enterName = [&](const char *name) {
        field->setText(name);
        field->changed = field->validated = 1;
        settle(w);
    };
    auto names = [&] {
        std::vector<std::string> kept;
        for (int32_t slot = 1; slot <= 3; ++slot)
            kept.push_back(w.profiles[slot].name() ? w.profiles[slot].name() : "");
        return kept;
    };
    auto shown = [&](const char *element) { return std::string(profiles->findElement(element)->text.text()); };
    const std::string taken = game->context->getLocalizedText("PROFILE_TAKEN", 1);

    enterName("Mira");
    enterName("mIRA");
    EXPECT_EQ(shown("status"), taken);
    enterName("Bob");
    EXPECT_EQ(names(), (std::vector<std::string>{"Mira", "Bob", ""}));
    EXPECT_EQ(currentProfileIndex(&w), 2);
    EXPECT_EQ(shown("current_name"), "Bob");

    const struct {
        float x, y;      // the button's place
        int32_t index;   // the current profile afterwards
        std::vector<std::string> names;
    } clicks[] = {
        {990, 850, 1, {"Mira", "Bob", ""}},  // the next profile with a name, round the slots
        {1570, 980, 1, {"Bob", "", ""}},     // deleted: the others move up, the first becomes current
        {990, 980, 1, {"Bob", "", ""}},      // reset: the name stays
    };
    for (const auto &click : clicks) {
        clickAt(click.x, click.y);
        settle(w);
        EXPECT_EQ(currentProfileIndex(&w), click.index) << click.x << "," << click.y;
        EXPECT_EQ(names(), click.names) << click.x << "," << click.y;
    }
    EXPECT_EQ(shown("current_name"), "Bob");
    // Continue loads the current profile's game on the game-load thread, which tells its outcome.
    auto continueGame = [&]() -> std::string {
        clickAt(1570, 850);
        settle(w);
        const LoadedGame *outcome = nullptr;
        EXPECT_TRUE(lftest::waitUntil([&] { return (outcome = game->context->loadedGame.load()) != nullptr; }))
            << "the game-load thread told no outcome";
        return outcome ? outcome->event : "(none)";
    };
    // A saved game that cannot be read is set aside: the player is told that the story starts again, and
    // so it does.
    lftest::writeFileText(savedGamePath(&w, 1), "damaged");
    EXPECT_EQ(continueGame(), "corrupted_profile");
    applyLoadedGame(game->context);
    settle(w);
    const std::string unreadable = game->context->getLocalizedText("PROFILE_UNREADABLE", 1);
    EXPECT_EQ(shown("status"), unreadable);
    EXPECT_NE(unreadable.find("story starts again"), std::string::npos) << unreadable;
    clearLogContents();
    EXPECT_EQ(continueGame(), "loaded");
    EXPECT_EQ(lftest::errorLines(getLogContents()), std::vector<std::string>{});
}

// The extras' wallpapers button: the line under the buttons says that the wallpapers are in the documents
// only when every size was copied; with no wallpapers beside the game nothing is copied, it says how many
// (the copies made before are still in the documents) and the log has an error line for each size not copied.
TEST_F(WorldStepsOnTheDemo, TheExtrasSayTheWallpapersAreInTheDocumentsOnlyWhenTheyWereCopied) {
    lftest::ScopedEnvironment environment;
    environment.set("HOME", (temp / "home").string());
    environment.set("XDG_CONFIG_HOME", (temp / "config").string());
    HoWorld &w = start();
    goTo(w, "extras");
    const SceneElement *status = w.findScene("extras")->findElement("status");
    const struct {
        bool wallpapersThere;
        const char *said;  // the key of the status line
        long hooksRun;     // copies made
    } cases[] = {{true, "EXTRAS_WALLPAPERS_SAVED", 6}, {false, "EXTRAS_WALLPAPERS_PART_FAILED", 0}};
    for (const auto &c : cases) {
        if (!c.wallpapersThere)
            std::filesystem::remove_all(archives->folder() / "Velt/wallpapers");
        takeTrace();
        clearLogContents();
        clickAt(1570, 560);
        settle(w);
        const std::vector<std::string> trace = takeTrace();
        EXPECT_EQ(std::count(trace.begin(), trace.end(), "state wallpaper saved"), c.hooksRun) << c.said;
        std::string said = game->context->getLocalizedText(c.said, 1);
        if (const size_t count = said.find("%s"); count != std::string::npos)
            said.replace(count, 2, std::to_string(6 - c.hooksRun));
        EXPECT_EQ(std::string(status->text.text()), said);
        const std::vector<std::string> errors = lftest::errorLines(getLogContents());
        EXPECT_EQ(long(errors.size()), 6 - c.hooksRun) << getLogContents();
        for (const std::string &error : errors)
            EXPECT_NE(error.find("Game: cannot copy '"), std::string::npos) << error;
    }
}

// The extras' soundtrack, page and survey buttons say only what happened: the soundtrack is in the documents
// when every file of it was copied, a page opens when the desktop's opener took it. Otherwise the line under
// the buttons says that it could not be done (for a page, where it is; for copies, why), no state line claims it, and the log
// says why. An opener that runs on has taken the page for now; when it fails in the end, that is told too.
TEST_F(WorldStepsOnTheDemo, TheExtrasSayTheSoundtrackIsCopiedOrAPageOpensOnlyWhenItWas) {
    namespace fs = std::filesystem;
    using Answer = lftest::UrlOpenerStandIn::Answer;
    lftest::ScopedEnvironment environment;
    environment.set("HOME", (temp / "home").string());
    environment.set("XDG_CONFIG_HOME", (temp / "config").string());
    lftest::UrlOpenerStandIn opener(temp / "desktop");
    fs::create_directories(temp / "config");
    HoWorld &w = start();
    goTo(w, "extras");
    const SceneElement *status = w.findScene("extras")->findElement("status");
    const fs::path tracks = archives->folder() / "Velt/soundtrack", tracksAside = archives->folder() / "Velt/aside";
    const auto trackCount = size_t(std::distance(fs::directory_iterator(tracks), fs::directory_iterator()));
    const std::string copiedTo = "copied to " + (temp / "home/Documents/Brightmoor_Ambercrest/soundtrack").string();
    const std::string lighthouse = "https://brightmoor.example/lighthouse", survey = "https://brightmoor.example/survey";
    enum Setting { kAsShipped, kDocumentsUnwritable, kNoSoundtrack, kOpenerFails, kOpenerFailsLate, kOpenerMissing };
    constexpr float kSoundtrack[] = {990, 710}, kLink[] = {990, 560}, kSurvey[] = {1570, 710};
    // The status line of the key, and of the reason after it.
    auto said = [&](const char *key, const char *reason = nullptr) {
        const std::string line = game->context->getLocalizedText(key, 1);
        return reason ? line + " " + game->context->getLocalizedText(reason, 1) : line;
    };
    const struct {
        Setting setting;
        const float *button;
        const char *said;         // the key of the status line
        std::string address;      // after it, for a page that did not open
        std::vector<std::string> states;
        const char *errorLogged;  // in each of the log's error lines, one for each file not copied; null: none
        const char *reason = nullptr; // the key of why the copies failed, after the status line's key
    } cases[] = {
        {kAsShipped, kSoundtrack, "EXTRAS_SOUNDTRACK_SAVED", "", {"state soundtrack saved", copiedTo}, nullptr},
        // Root writes wherever a folder's mode forbids it, but nothing can be made in /proc.
        {kDocumentsUnwritable, kSoundtrack, "EXTRAS_SOUNDTRACK_FAILED", "",
         {"state said " + said("EXTRAS_SOUNDTRACK_FAILED", "NOT_SAVED_REFUSED"), "state soundtrack not copied"},
         "cannot copy '", "NOT_SAVED_REFUSED"},
        {kNoSoundtrack, kSoundtrack, "EXTRAS_SOUNDTRACK_FAILED", "",
         {"state said " + said("EXTRAS_SOUNDTRACK_FAILED"), "state soundtrack not copied"}, "no soundtrack to copy"},
        {kAsShipped, kLink, "EXTRAS_LINK_OPENED", "", {"state link opened"}, nullptr},
        {kOpenerFails, kLink, "EXTRAS_LINK_FAILED", lighthouse, {"state link not opened"}, "xdg-open ended with status 4"},
        {kOpenerFailsLate, kLink, "EXTRAS_LINK_FAILED", lighthouse, {"state link opened", "state link not opened"},
         "after all: xdg-open ended with status 4"},
        {kOpenerMissing, kLink, "EXTRAS_LINK_FAILED", lighthouse, {"state link not opened"}, "cannot start xdg-open"},
        {kAsShipped, kSurvey, "EXTRAS_SURVEY_OPENED", "", {"state survey opened"}, nullptr},
        {kOpenerFails, kSurvey, "EXTRAS_SURVEY_FAILED", survey, {"state survey not opened"}, "xdg-open ended with status 4"},
        {kOpenerMissing, kSurvey, "EXTRAS_SURVEY_FAILED", survey, {"state survey not opened"}, "cannot start xdg-open"},
    };
    for (const auto &c : cases) {
        const std::string what = std::string(c.said) + " " + std::to_string(c.setting);
        lftest::writeFileText(temp / "config/user-dirs.dirs",
                          c.setting == kDocumentsUnwritable ? "XDG_DOCUMENTS_DIR=\"/proc\"\n" : "");
        if (c.setting == kNoSoundtrack)
            fs::rename(tracks, tracksAside);
        opener.answer(c.setting == kOpenerFails       ? Answer::fails
                      : c.setting == kOpenerFailsLate ? Answer::failsLate
                      : c.setting == kOpenerMissing   ? Answer::missing
                                                      : Answer::takes);
        takeTrace();
        clearLogContents();
        clickAt(c.button[0], c.button[1]);
        // A page's outcome comes once the opener has ended, or has run a while: the steps go on meanwhile,
        // until the case's last state line. The opener that fails late ends once the page was told taken.
        std::vector<std::string> states;
        EXPECT_TRUE(lftest::waitUntil([&] {
            w.frame();
            for (const std::string &line : takeTrace())
                states.push_back(line);
            if (!states.empty())
                opener.letEnd();
            return std::find(states.begin(), states.end(), c.states.back()) != states.end();
        })) << what;
        opener.opened();
        settle(w);
        for (const std::string &line : takeTrace())
            states.push_back(line);
        // On a slow machine the opener that fails at once may still run after its grace: told taken first.
        const std::string takenForNow = std::string("state ") + (c.button == kLink ? "link" : "survey") + " opened";
        if (c.setting == kOpenerFails && states.size() == 2 && states[0] == takenForNow)
            states.erase(states.begin());
        EXPECT_EQ(states, c.states) << what;
        EXPECT_EQ(std::string(status->text.text()), said(c.said, c.reason) + c.address) << what;
        const std::vector<std::string> errors = lftest::errorLines(getLogContents());
        const size_t errorCount = !c.errorLogged ? 0 : c.setting == kDocumentsUnwritable ? trackCount : 1;
        ASSERT_EQ(errors.size(), errorCount) << what << ": " << getLogContents();
        for (const std::string &error : errors) {
            EXPECT_NE(error.find(c.errorLogged), std::string::npos) << error;
            EXPECT_NE(error.find(c.address), std::string::npos) << error;
        }
        if (c.setting == kNoSoundtrack)
            fs::rename(tracksAside, tracks);
    }
}

// A HUD button's tooltip stands by the pointer while it is on the button, and goes as the pointer leaves the
// button: clicked, the hint button's "Hint" fades out while the pointer stays on it (the ring's fade-in keeps
// the world busy, and nothing is hovered), but is not drawn by the pointer gone onto the study's compass.
TEST_F(WorldStepsOnTheDemo, AHudButtonsTooltipGoesAsThePointerLeavesTheButton) {
    HoWorld &w = start();
    goTo(w, "hall_ho_study");
    auto drawn = [&] {
        game->window->flipBackBuffer(false);
        w.draw();
        return lftest::readBackBuffer(game->window);
    };
    // The pixels that the tooltip changes: the frame against the same frame with no tooltip.
    auto tooltipPixels = [&] {
        const lftest::BackBuffer with = drawn();
        const TooltipState kept = w.tooltip;
        w.tooltip.showing = 0;
        w.tooltip.fadeOutTicks = 0;
        const lftest::BackBuffer without = drawn();
        w.tooltip = kept;
        int changed = 0;
        for (int y = 0; y < with.height; ++y) {
            for (int x = 0; x < with.width; ++x)
                changed += std::memcmp(with.at(x, y), without.at(x, y), 3) != 0;
        }
        return changed;
    };
    pointAt(1908, 1471);
    for (int i = 0; i < 40; ++i) {
        w.frame();
        drawn();
    }
    EXPECT_EQ(w.tooltip.text, game->context->getLocalizedText("HUD_HINT", 1));
    EXPECT_GT(tooltipPixels(), 0) << "the hint button's tooltip by the pointer";
    clickAt(1908, 1471);
    w.frame();
    drawn();
    EXPECT_TRUE(w.busy);
    EXPECT_GT(w.tooltip.fadeOutTicks, 0);
    EXPECT_GT(tooltipPixels(), 0) << "fading while the pointer stays on the button";
    pointAt(1000, 914);
    w.frame();
    EXPECT_EQ(tooltipPixels(), 0) << "drawn by the pointer on the compass";
}

// The hall's portrait behind its sooty glass: a drag over the glass rubs the soot off, and once less than a
// fifth of it is left the glass goes and the portrait takes the pointer.
TEST_F(WorldStepsOnTheDemo, TheHallsSootyGlassIsRubbedCleanByADrag) {
    HoWorld &w = start();
    goTo(w, "hall");
    SceneElement *glass = w.findScene("hall")->findElement("glass");
    SceneElement *portrait = w.findScene("hall")->findElement("iz_portrait");
    HoInputLatches &input = game->context->input;
    pointAt(1300, 300);
    w.frame();
    EXPECT_EQ(w.clicks.hover.look, nullptr) << "the glass takes the pointer";
    input.buttonPressed[kPrimaryButton] = 1;
    for (int i = 0; i < 3; ++i) {
        input.buttonDown[kPrimaryButton] = 1;
        w.frame();
    }
    auto *erasable = dynamic_cast<HoDrawableImage *>(glass->renderable);
    ASSERT_NE(erasable, nullptr);
    // The copy is the glass's own region of the hall's atlas page: translucent soot, not the opaque wall.
    const int64_t opaque = int64_t(255) * erasable->pixelWidth * erasable->pixelHeight;
    const ScriptValue *measured = variable(w.findScene("hall"), "#glass_soot")->value;
    ASSERT_EQ(measured->type, kScriptNumber);
    const int64_t soot = int64_t(measured->number);
    EXPECT_LT(soot, opaque * 97 / 100);
    EXPECT_GT(soot, opaque * 85 / 100);

    for (float y = 300; y <= 700 && glass->visible; y += 40) {
        for (float x = 1300; x <= 1600 && glass->visible; x += 20) {
            pointAt(x, y);
            input.buttonDown[kPrimaryButton] = 1;
            w.frame();
            if (glass->visible) {
                EXPECT_GE(erasable->alphaSum * 5, soot) << "still sooty at " << x << "," << y;
            }
        }
    }
    input.buttonDown[kPrimaryButton] = 0;
    settle(w);
    EXPECT_EQ(glass->visible, 0);
    EXPECT_LT(erasable->alphaSum * 5, soot);
    pointAt(1450, 500);
    w.frame();
    EXPECT_EQ(w.clicks.hover.look, portrait);
    EXPECT_EQ(lftest::errorLines(getLogContents()), std::vector<std::string>{});
}

TEST_F(WorldOnTheDemo, TheShoreAndTheHallAreMadeOfTheirFilesWithoutAComplaint) {
    HoWorld &w = start();
    const std::string log = getLogContents();
    EXPECT_EQ(lftest::errorLines(log), std::vector<std::string>{}) << log;
    EXPECT_EQ(log.find("Missing localization"), std::string::npos) << log;

    HoScene *shore = w.findScene("shore"), *hall = w.findScene("hall"), *desk = w.findScene("hall_zz_desk");
    // Each element's name gave it its task; the shore's own script adds the door's.
    const struct {
        HoScene *scene;
        const char *task, *element;
    } tasks[] = {{shore, "key", "key"},          {shore, "portal_hall", "portal_hall"},
                 {shore, "lighthouse_door", "door"}, {hall, "iz_portrait", "iz_portrait"},
                 {hall, "zz_desk", "zz_desk"},    {desk, "close_area", "close_area"}};
    for (const auto &task : tasks)
        EXPECT_TRUE(hasTask(task.scene, task.task, task.scene->findElement(task.element))) << task.task;
    EXPECT_STREQ(hall->findElement("iz_portrait")->tooltipKey, "hall_iz_portrait");
    for (const char *text : {"hall_iz_portrait", "iz_portrait_look", "key", "SHORE_DOOR_LOCKED", "SHORE_DOOR_OPEN"})
        EXPECT_NE(game->context->getLocalizedText(text, 1), nullptr) << text;

    // The crab walks through four pictures; the foam is a particle element.
    auto *crab = dynamic_cast<HoAnimatedImage *>(shore->findElement("crab")->renderable);
    ASSERT_NE(crab, nullptr);
    EXPECT_EQ(crab->frames.count(), 4);
    EXPECT_NE(shore->findElement("foam")->particleSystem, nullptr);
    for (const char *name : {"inventory_background", "msg_back", "msg_text"})
        EXPECT_NE(w.hudScene->findElement(name), nullptr) << name;
    for (const char *name : {"object_found", "object_found2"})
        EXPECT_NE(w.particlesScene->findElement(name), nullptr) << name;
}

// The demo's common scripts and includes, declaring a world of scenes of every kind whose elements have
// every named kind: no script reports anything, and every named element has its task.
class DemoScriptsOnEveryKind : public WorldGameTest {};

TEST_F(DemoScriptsOnEveryKind, DeclareEveryElementWithoutAMessage) {
    namespace fs = std::filesystem;
    fs::copy(fs::path(LF_SOURCE_DIR) / "tests/data/kinds", archives->content(), fs::copy_options::recursive);
    fs::copy(fs::path(LF_SOURCE_DIR) / "demo/content/data/scripts", archives->content() / "data/scripts");
    HoWorld &w = start();
    const std::string log = getLogContents();
    EXPECT_EQ(lftest::errorLines(log), std::vector<std::string>{}) << log;

    HoScene *yard = w.findScene("yard");
    ASSERT_NE(yard, nullptr);
    EXPECT_TRUE(w.findScene("yard_zz_shed")->isZoomZone);
    EXPECT_TRUE(w.findScene("yard_ho_chest")->isHo);
    EXPECT_TRUE(w.findScene("yard_mg_board")->isMiniGame);
    for (const char *name : {"portal_barn", "iz_well", "zz_shed", "ho_chest", "mho_box", "dialog_cat", "apple"})
        EXPECT_TRUE(hasTaskOf(yard, name)) << name;
    EXPECT_TRUE(hasTaskOf(w.findScene("yard_zz_shed"), "close_area"));
    EXPECT_TRUE(hasTaskOf(w.findScene("barn"), "portal_yard"));
}

} // namespace
} // namespace worldtest
