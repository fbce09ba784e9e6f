// Element commands on running scenes: requests that the next update applies, emitters hung on elements
// and let loose in the world, and pictures borrowed from other elements.

#include "game/scene/ElementFrameEvent.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/RenderRecordPools.h"
#include "tests/game/scene/SceneRuntimeSupport.h"

namespace {

// Every tick a particle, for a second, each living three.
constexpr const char *kSparks = "Q 0 0 1\nE 0\nC 1\nL 3\n";

template <typename Record>
int32_t recordsMade(const HoObjectPool<Record> &pool) {
    int32_t made = 0;
    for (int32_t i = 0; i < pool.blockCount(); ++i)
        made += pool.blockUsed(i);
    return made;
}

class ScriptElementCommandsTest : public SceneRuntimeTest {
protected:
    HoScene *started(const std::string &sceneFile, const std::string &script) {
        write("data/particles/sparks.particles", kSparks);
        writeScene("hall", sceneFile, script);
        HoScene *hall = loadRunningScene("hall");
        startScenes();
        return hall;
    }
    // The event's handlers run; the scene is not updated.
    void runHandlers(HoScene *scene, const char *eventName) {
        signal(scene, eventName);
        tickEvents(&scene->script);
        runContextHandlers(&scene->script);
        clearEventFlags(&scene->script);
    }
};

TEST_F(ScriptElementCommandsTest, MovesDepthsAndAnglesWaitForTheNextUpdateWhileTheRestActsAtOnce) {
    HoScene *hall = started("O lamp\nI lamp.png\nO shelf\nI shelf.png\n",
                            "on go {\n move $lamp 30 40\n set_z $lamp 7\n rotate $lamp 45\n blend $lamp 0.5\n"
                            " hide $shelf\n show $lamp\n set_parent $lamp $shelf\n set_tooltip $lamp ~lit\n}\n");
    SceneElement *lamp = hall->findElement("lamp");
    SceneElement *shelf = hall->findElement("shelf");
    lamp->alpha.setNumber(0.0f);
    shelf->alpha.setNumber(0.25f);
    runHandlers(hall, "go");
    EXPECT_NE(number(lamp->x), 30.0f);
    EXPECT_EQ(lamp->blendFactor, 0.5f);
    EXPECT_EQ(number(lamp->alpha), 1.0f) << "shown fully opaque at once";
    EXPECT_EQ(number(shelf->alpha), 0.25f) << "hiding leaves the alpha";
    EXPECT_EQ(shelf->visible, 0);
    EXPECT_EQ(lamp->parent, shelf);
    EXPECT_STREQ(lamp->tooltipKey, "lit");
    EXPECT_TRUE(lamp->scriptTouched && shelf->scriptTouched);
    hall->update();
    EXPECT_EQ(number(lamp->x), 30.0f);
    EXPECT_EQ(number(lamp->y), 40.0f);
    EXPECT_EQ(number(lamp->z), 7.0f);
    EXPECT_EQ(number(lamp->angle), 45.0f);
}

TEST_F(ScriptElementCommandsTest, AnEmitterReplacedAgainAndAgainFadesOutAndGivesItsRecordsBack) {
    // The lamp is switched on and active, so that its emitters give births.
    HoScene *hall = started("O fx:sparks.particles\nO lamp\nE 1\nK 1\n",
                            "init {\n set $lamp.active 1\n}\n"
                            "on burst {\n particles $lamp $fx 0.5\n}\non again {\n particles $lamp $fx\n}\n");
    SceneElement *lamp = hall->findElement("lamp");
    RenderRecordPools &pools = world->renderPools;
    int32_t emitters = 0, particles = 0;
    for (int round = 1; round <= 20; ++round) {
        signal(hall, "burst");
        steps(6);
        if (round == 3) {
            emitters = recordsMade(pools.emitters);
            particles = recordsMade(pools.particles);
        }
    }
    EXPECT_EQ(recordsMade(pools.emitters), emitters);
    EXPECT_EQ(recordsMade(pools.particles), particles);
    ASSERT_NE(lamp->fadingEmitter, nullptr);
    EXPECT_EQ(lamp->fadingEmitter->loop, 0);
    EXPECT_EQ(lamp->fadingEmitter->emissionFinished, 1);
    EXPECT_FLOAT_EQ(lamp->emitterFadeStep, 1.0f / 50.0f);
    EXPECT_EQ(lamp->emitter->definitionElement, hall->findElement("fx"));
    EXPECT_EQ(lamp->emitter->owner, lamp);
    signal(hall, "again");
    step();
    EXPECT_FLOAT_EQ(lamp->emitterFadeStep, 1.0f / 5000.0f) << "fifty seconds when no time is given";
}

TEST_F(ScriptElementCommandsTest, AnEmittedEffectRunsOnTheWorldsListToItsEnd) {
    HoScene *hall = started("O fx:sparks.particles\nO lamp\nX 1\nK 100\nY 1\nK 200\n",
                            "on burst {\n emit $fx $lamp 5 6\n}\n");
    signal(hall, "burst");
    step();
    ASSERT_EQ(world->liveEmitters.count(), 1);
    ParticleEmitter *effect = world->liveEmitters[0];
    EXPECT_EQ(effect->scene, hall);
    EXPECT_EQ(effect->owner, nullptr);
    EXPECT_EQ(effect->loop, 0);
    EXPECT_FLOAT_EQ(effect->offsetX, 105.0f);
    EXPECT_FLOAT_EQ(effect->offsetY, 206.0f);
    int updates = 0;
    while (!world->liveEmitters.empty() && updates < 1000) {
        world->updateEmitters();
        ++updates;
    }
    EXPECT_TRUE(world->liveEmitters.empty());
    EXPECT_GT(updates, 300) << "births for a second, lives of three";
}

TEST_F(ScriptElementCommandsTest, ABorrowedPictureNeverTakesThePlaceOfTheElementsOwn) {
    HoScene *hall = started("O a\nI a.png\nO b\nI b.png\nO c\nI c.png\n",
                            "on go {\n set_image $a $b\n set_image $a $c\n set_image $a ~none\n}\n");
    SceneElement *a = hall->findElement("a");
    HoRenderable *own = a->renderable;
    ASSERT_NE(own, nullptr);
    runHandlers(hall, "go");
    EXPECT_EQ(a->savedRenderable, own);
    EXPECT_EQ(a->renderable, hall->findElement("c")->renderable);
    EXPECT_EQ(a->sharedImageSource, hall->findElement("c"));
    EXPECT_EQ(world->pictureMusicChanges, 2);
}

// Frame events: made, moved, removed; none without an event or for a negative time with no entry.
TEST_F(ScriptElementCommandsTest, AnElementHoldsOneFrameEventPerEvent) {
    HoScene *hall = started("O lamp\nO bell\n", "on arm {\n event !ring $lamp 0.3\n event !ring $lamp 0.5\n"
                                                  " event !chime $lamp 0\n event ~text $lamp 1\n}\n"
                                                  "on drop {\n event !ring $lamp\n event !ring $bell -1\n}\n");
    SceneElement *lamp = hall->findElement("lamp");
    SceneElement *bell = hall->findElement("bell");
    runHandlers(hall, "arm");
    ASSERT_EQ(lamp->frameEvents.count(), 2);
    EXPECT_EQ(lamp->frameEvents[0]->frame, 50);
    EXPECT_STREQ(lamp->frameEvents[0]->event->name, "ring");
    EXPECT_EQ(lamp->frameEvents[1]->frame, 0);
    runHandlers(hall, "drop");
    ASSERT_EQ(lamp->frameEvents.count(), 1);
    EXPECT_STREQ(lamp->frameEvents[0]->event->name, "chime");
    EXPECT_EQ(bell->frameEvents.count(), 0);
    EXPECT_TRUE(bell->scriptTouched);
}

} // namespace
