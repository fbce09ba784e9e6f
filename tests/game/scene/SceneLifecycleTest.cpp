// A scene's life as the world drives it: properties applied before any init block, the scene events
// and the blocks that wait for them, timed blocks run at once when the scene is left or saved, the
// balanced loading of pictures, the end-move handlers, the camera and the hover sounds.

#include "engine/sound/KSound.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "game/resources/HoTexture.h"
#include "game/scene/ElementMedia.h"
#include "game/scene/ParticleEmitter.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptTask.h"
#include "tests/game/scene/SceneRuntimeSupport.h"
#include "tests/support/KSoundTestSupport.h"

namespace {

class SceneLifecycleTest : public SceneRuntimeTest {
protected:
    int16_t uses(const char *texture) { return context().resources->getTexture(texture)->useCount; }
};

TEST_F(SceneLifecycleTest, PropertiesAreAppliedBeforeTheInitBlocksOfEveryScene) {
    write("data/particles/sparks.particles", "L 2\n");
    writeScene("hall",
               "O CAMERA\nO crop_frame\nO a\nO b\nO portal_attic:back\nO fx:sparks.particles\n"
               "O lamp\nX 1\nK 40\nY 1\nK 30\n"
               "C crop_frame\nc a\nc b\nC crop_none\nc b\n",
               "init {\n  set #open_time 2\n  set #seen_layer #layer\n}\n");
    writeScene("ho_desk", "O cup\n");
    HoScene *hall = loadRunningScene("hall");
    hall->isTopLevel = 1;
    HoScene *desk = loadRunningScene("ho_desk");
    desk->isHo = 1;
    startScenes();

    // The defaults were written before the init block, which keeps its own value.
    EXPECT_EQ(number(*hall->openTimeSlot), 2.0f);
    EXPECT_EQ(number(*variableSlot(hall, "#seen_layer")), 0.0f);
    EXPECT_EQ(number(*hall->closeTimeSlot), 0.5f);
    EXPECT_EQ(number(*hall->cameraScaleSlot), 1.0f);
    EXPECT_EQ(number(*hall->backgroundFadeSlot), 1.0f);
    EXPECT_EQ(hall->backgroundMusicSlot->type, kScriptNone); // bound only
    EXPECT_EQ(hall->zoomScaleSlot, variableSlot(hall, "#zoom_scale"));

    EXPECT_EQ(hall->cameraElement, hall->findElement("CAMERA"));
    SceneElement *frame = hall->findElement("crop_frame");
    EXPECT_EQ(hall->findElement("a")->cropElement, frame);
    EXPECT_EQ(hall->findElement("b")->cropElement, frame); // a crop group without its element changes nothing
    EXPECT_EQ(frame->cropElement, nullptr);
    EXPECT_EQ(hall->swayOn, 1);

    // One update ran, recording the home positions, but no emitter started in it.
    EXPECT_EQ(hall->frameCounter, 1);
    EXPECT_EQ(hall->findElement("lamp")->homeX, 40.0f);
    EXPECT_EQ(hall->findElement("lamp")->homeY, 30.0f);
    ParticleEmitter *emitter = hall->findElement("fx")->emitter;
    ASSERT_NE(emitter, nullptr);
    EXPECT_EQ(emitter->active, 0);
    step();
    EXPECT_EQ(emitter->active, 1);

    // The generated portal action was declared with the scene's own scripts.
    ScriptTask *portal = findOrCreateTask("portal_attic", &hall->script);
    EXPECT_NE(portal->declaration, nullptr);
    EXPECT_EQ(portal->state, kTaskDisabled);

    // Every scene keeps "ho_punishment"; only a hidden-object scene the other hooks.
    EXPECT_EQ(hall->hoPunishment, findOrCreateFunction("ho_punishment", &hall->script));
    EXPECT_EQ(hall->hoFinished, nullptr);
    EXPECT_EQ(desk->hoFinished, findOrCreateFunction("ho_finished", &desk->script));
    EXPECT_NE(desk->hoDoInit, nullptr);
    EXPECT_EQ(desk->hoFoundObjectSlot, variableSlot(desk, "#ho_found_object"));
}

TEST_F(SceneLifecycleTest, SceneEventsRunTheirBlocksInTheStepOfTheFire) {
    writeScene("hall", "O door\nI door.png\n",
               "on enter {\n  print entered\n  wait leave {\n    print left\n  }\n}\n"
               "on open {\n  print opened\n}\non closed {\n  print closed\n}\n");
    HoScene *hall = loadRunningScene("hall");
    startScenes();
    SceneElement *door = hall->findElement("door");
    door->currentFrame = 7.0f;
    door->highlight = 0.6f;
    hall->setCamera(2.0f, 100.0f, 100.0f);

    hall->fireEnter();
    step();
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"entered"});
    EXPECT_EQ(door->currentFrame, 0.0f);
    EXPECT_EQ(door->highlight, 0.0f);
    EXPECT_EQ(hall->cameraScale, 1.0f);
    EXPECT_EQ(hall->cameraX, sceneViewCentre().x);
    step();
    EXPECT_TRUE(takeTrace().empty());
    hall->fireLeave();
    step();
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"left"});
    hall->fireOpen();
    hall->fireClosed();
    step();
    EXPECT_EQ(takeTrace(), (std::vector<std::string>{"opened", "closed"}));

    // Events the scripts never named are not made by firing them.
    hall->fireClose();
    hall->fireLeaving();
    EXPECT_EQ(findEvent(&hall->script, "close"), nullptr);
    EXPECT_EQ(findEvent(&hall->script, "leaving"), nullptr);
}

TEST_F(SceneLifecycleTest, LeavingRunsTheTimedBlocksNearestFirstAndDropsTheElementsBlocks) {
    writeScene("hall", "O lamp\n",
               "on go {\n  after 0.3 {\n    print thirty\n  }\n  after 0.1 {\n    print ten\n  }\n"
               "  fadeout $lamp 1 {\n    print faded\n  }\n  animate $lamp 1 2 1 {\n    print animated\n  }\n"
               "  after_animate $lamp {\n    print cycled\n  }\n}\n");
    HoScene *hall = loadRunningScene("hall");
    startScenes();
    signal(hall, "go");
    step();
    hall->fireLeave();
    EXPECT_EQ(takeTrace(), (std::vector<std::string>{"ten", "thirty"}));
    EXPECT_TRUE(hall->script.afterQueue.empty());
    SceneElement *lamp = hall->findElement("lamp");
    EXPECT_EQ(lamp->animationEndBlock, nullptr);
    EXPECT_EQ(lamp->cycleEndBlock, nullptr);
    EXPECT_EQ(lamp->fadeEndBlock, nullptr);
    steps(300);
    EXPECT_TRUE(takeTrace().empty());
    EXPECT_EQ(lamp->visible, 0); // the fade itself ran to its end
}

TEST_F(SceneLifecycleTest, FlushingRunsEveryPendingBlockNearestFirstWhateverItsCount) {
    writeScene("hall", "O lamp\n",
               "on go {\n  after 0.3 {\n    print thirty\n  }\n  after 99999.99 {\n    print forever\n  }\n"
               "  after 100000 {\n    print beyond\n  }\n  fadein $lamp 0.2 {\n    print faded\n  }\n"
               "  after 0.1 {\n    print ten\n  }\n  animate $lamp 0.5 0 1 {\n    print animated\n  }\n}\n");
    HoScene *hall = loadRunningScene("hall");
    startScenes();
    signal(hall, "go");
    step();
    hall->flushPendingBlocks();
    // The fade (19 ticks left) queues its block, run before the 30-tick record; the animation has 49.
    EXPECT_EQ(takeTrace(), (std::vector<std::string>{"ten", "faded", "thirty", "animated", "forever", "beyond"}));
    SceneElement *lamp = hall->findElement("lamp");
    EXPECT_FALSE(lamp->isFading());
    EXPECT_EQ(lamp->visible, 1);
    EXPECT_TRUE(hall->script.afterQueue.empty());
    hall->flushPendingBlocks(); // nothing left: returns at once
}

TEST_F(SceneLifecycleTest, PicturesLoadOnceAndAreReleasedOnceWhenLoadedAtTheFirstDraw) {
    for (const char *name : {"door", "chair", "rug"})
        writePicture(std::string("data/scenes/hall/") + name + ".png", 4, 4, std::vector<uint32_t>(16, 0xFF808080u));
    writeScene("hall", "O door\nI door.png\nO chair\nI chair.png\nO rug\nI rug.png\n",
               "init {\n  set #mode #runtime_loading\n}\n");
    HoScene *hall = loadRunningScene("hall");
    // Set by the common scripts; the scene's scripts only read the name.
    ScriptValue *mode = findOrCreateVariable(world->globalContext(), "#runtime_loading", nullptr)->value;
    mode->setNumber(1.0f);
    startScenes();
    started();
    const char *door = "data/scenes/hall/door.png", *chair = "data/scenes/hall/chair.png";

    ASSERT_TRUE(hall->loadsPicturesWhenDrawn());
    hall->loadElementImages();
    EXPECT_EQ(uses(door), 0);
    loadElementImages(hall->findElement("door")); // as the first draw of the door does
    hall->fireClosed();
    EXPECT_EQ(uses(door), 0);
    EXPECT_EQ(uses(chair), 0); // never drawn, never released
    EXPECT_EQ(hall->findElement("door")->picturesLoaded, 0);

    mode->setNumber(0.0f);
    hall->loadElementImages();
    hall->loadElementImages();
    EXPECT_EQ(uses(door), 1);
    EXPECT_EQ(uses(chair), 1);
    hall->fireClosed(); // pictures stay until the scene is unloaded
    EXPECT_EQ(uses(chair), 1);
    hall->unloadElementImages();
    hall->unloadElementImages();
    EXPECT_EQ(uses(door), 0);
    EXPECT_EQ(uses(chair), 0);
}

TEST_F(SceneLifecycleTest, EndMoveHandlersRunForTheMovedElementOnly) {
    writeScene("hall", "O a\nO b\n",
               "action drag_a $a {\n  on_end_move {\n    print moved a\n  }\n}\n"
               "action drag_b $b {\n  on_end_move {\n    print moved b\n  }\n}\n");
    HoScene *hall = loadRunningScene("hall");
    startScenes();
    hall->runEndMoveHandlers(hall->findElement("b"));
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"moved b"});
    EXPECT_EQ(world->endMoveElement, nullptr);
    EXPECT_EQ(world->currentTask, nullptr);
}

TEST_F(SceneLifecycleTest, TheCameraStaysInsideItsBoundsAndTheLowerBoundWins) {
    writeScene("hall", "O a\n");
    HoScene *hall = loadRunningScene("hall");
    startScenes();
    const float w = screenValues.width / screenValues.artScale, h = screenValues.height / screenValues.artScale;
    struct Case {
        float scale, x, y, wantX, wantY;
    } cases[] = {
        {1.0f, 5.0f, 9000.0f, w / 2, h / 2},        // at scale 1 only the centre is inside
        {2.0f, 700.0f, 300.0f, 700.0f, 300.0f},     // inside
        {2.0f, 9000.0f, -50.0f, w, 0.0f},           // clamped to both bounds
        {0.5f, 9000.0f, -50.0f, w * 0.75f, h * 0.75f}, // the bounds cross: the lower one wins
    };
    for (const Case &c : cases) {
        hall->setCamera(c.scale, c.x, c.y);
        EXPECT_EQ(hall->cameraScale, c.scale);
        EXPECT_FLOAT_EQ(hall->cameraX, c.wantX) << c.scale << " " << c.x;
        EXPECT_FLOAT_EQ(hall->cameraY, c.wantY) << c.scale << " " << c.y;
    }
    EXPECT_TRUE(hall->isInventoryAllowed());
    hall->noInventorySlot->setNumber(1.0f);
    EXPECT_FALSE(hall->isInventoryAllowed());
}

class HoverSoundTest : public SceneLifecycleTest {
protected:
    HoverSoundTest() { setenv("SDL_AUDIODRIVER", "dummy", 0); }
    void TearDown() override {
        SceneLifecycleTest::TearDown();
        shutdownSound();
    }
};

TEST_F(HoverSoundTest, HoverSoundsRampAndRestartForTheirOwner) {
    writeBytes("data/sounds/hum.ogg", lftest::oggTone(440, 0.2, 22050, 1));
    writeScene("hall", "O bell\nO chime\n");
    HoScene *hall = loadRunningScene("hall");
    startScenes();
    HoSound *hum = context().resources->getSound("data/sounds/hum.ogg", true);
    ASSERT_NE(hum->engineSound, nullptr);
    SceneElement *bell = hall->findElement("bell"), *chime = hall->findElement("chime");
    bell->sound = chime->sound = hum;
    hum->hoverOwner = bell;
    bell->soundVolumeTarget = chime->soundVolumeTarget = 1.0f;
    for (int i = 0; i < 3; ++i)
        hall->updateElementSounds();
    EXPECT_NEAR(bell->soundVolume, 0.03f, 1e-6f);
    EXPECT_NEAR(chime->soundVolume, 0.03f, 1e-6f);
    EXPECT_TRUE(hum->engineSound->isSoundPlaying());
    EXPECT_NEAR(hum->volume, 0.03f, 1e-6f); // the owner's volume, not the other element's

    bell->soundVolumeTarget = 0.0f;
    hall->updateElementSounds();
    EXPECT_NEAR(bell->soundVolume, 0.025f, 1e-6f);
    EXPECT_NEAR(hum->volume, 0.025f, 1e-6f);
    hum->engineSound->haltStream();
    hall->updateElementSounds();
    EXPECT_TRUE(hum->engineSound->isSoundPlaying()); // restarted
    for (int i = 0; i < 10; ++i)
        hall->updateElementSounds();
    EXPECT_EQ(bell->soundVolume, 0.0f);
    hum->engineSound->haltStream();
    hum->release(context().resources);
}

} // namespace
