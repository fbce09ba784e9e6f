// The world's own particle emitters on the software device: spawned from the "particles" scene's
// elements, stepped and drawn from the last to the first, a finished one replaced by the last, and the
// records reused from the free lists that start-up fills.

#include "tests/game/resources/ResourcesTestSupport.h"

#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/world/HoWorld.h"

namespace restest {
namespace {

constexpr uint32_t kBackground = 0xFF204060u;

// One square particle of 20 pixels at the emitter, in the colour given, for ten seconds.
std::string steadyParticle(int red, int blue) {
    return "H 1\nS 0\nT 0\nV 0\nW 0\nX 20\nY 20\nR " + std::to_string(red) + "\nG 0\nB " + std::to_string(blue) +
           "\nA 255\nF 0 0\nL 10\nE 0\nZ 1\n";
}

class WorldEmitters : public DrawnContent {
protected:
    HoWorld &startWorld() {
        write("data/scenes.cfg", "scene=data/system/particles/particles\n");
        writePicture("data/system/particles/white.png", 4, 4, std::vector<uint32_t>(16, 0xFFFFFFFFu));
        write("data/system/particles/particles.scene",
              "O red:red.particles\nI white.png\nO blue:blue.particles\nI white.png\n"
              "O spark:spark.particles\nI white.png\n");
        write("data/particles/red.particles", steadyParticle(255, 0));
        write("data/particles/blue.particles", steadyParticle(0, 255));
        // Two particles a tick for five ticks, each living five ticks.
        write("data/particles/spark.particles", "Q 0 0 0.05\nE 0\nC 2\nL 0.05\n");
        EXPECT_TRUE(packAndMount());
        return *started().world;
    }
    static int32_t recordsMade(int32_t blocks) { return blocks * 100; }
};

TEST_F(WorldEmitters, SteppedLastFirstAFinishedOneGivesItsPlaceToTheLast) {
    HoWorld &world = startWorld();
    ParticleEmitter *emitters[4];
    for (ParticleEmitter *&emitter : emitters)
        emitter = world.spawnEmitterAt("red", true, nullptr, 10.0f, 10.0f, true);
    ASSERT_EQ(world.liveEmitters.count(), 4);
    int32_t counters[4];
    for (int i = 0; i < 4; ++i)
        counters[i] = emitters[i]->emissionCounter;
    emitters[1]->running = 0; // the second one has finished
    world.updateEmitters();
    ASSERT_EQ(world.liveEmitters.count(), 3);
    EXPECT_EQ(world.liveEmitters[0], emitters[0]);
    EXPECT_EQ(world.liveEmitters[1], emitters[3]);
    EXPECT_EQ(world.liveEmitters[2], emitters[2]);
    for (int i : {0, 2, 3})
        EXPECT_EQ(emitters[i]->emissionCounter, counters[i] + 1) << "each live emitter steps once: " << i;
    // Taken again, the finished one is the next record handed out.
    EXPECT_EQ(world.spawnEmitterAt("spark", false, nullptr, 0.0f, 0.0f, false), emitters[1]);
    world.releaseTransients();
    EXPECT_EQ(world.liveEmitters.count(), 0);
}

TEST_F(WorldEmitters, TheFirstOfTheListIsDrawnLastSoOnTop) {
    HoWorld &world = startWorld();
    struct Case {
        const char *first, *second;
        uint32_t seen;
    };
    for (const Case c : {Case{"red", "blue", 0xFFFF0000u}, Case{"blue", "red", 0xFF0000FFu}}) {
        world.spawnEmitterAt(c.first, true, nullptr, 40.0f, 30.0f, true);
        world.spawnEmitterAt(c.second, true, nullptr, 40.0f, 30.0f, true);
        world.updateEmitters();
        host.clear(kBackground);
        world.drawEmitters(nullptr);
        const std::vector<uint32_t> pixels = frame();
        EXPECT_EQ(at(pixels, 40, 30), c.seen) << c.first;
        EXPECT_EQ(at(pixels, 70, 30), kBackground);
        // Emitters that follow an element are drawn with that element, not with the free ones.
        host.clear(kBackground);
        world.drawEmitters(world.particlesScene->findElement("red"));
        EXPECT_EQ(at(frame(), 40, 30), kBackground) << c.first;
        world.releaseTransients();
    }
}

TEST_F(WorldEmitters, SteadySpawningAndFinishingTakesNoNewRecords) {
    HoWorld &world = startWorld();
    const int32_t emitterBlocks = world.renderPools.emitters.blockCount();
    const int32_t particleBlocks = world.renderPools.particles.blockCount();
    int32_t mostLive = 0;
    for (int step = 0; step < 600; ++step) {
        world.spawnEmitterAt("spark", false, nullptr, float(step % 50), 20.0f, true);
        world.updateEmitters();
        mostLive = std::max(mostLive, world.liveEmitters.count());
        if (step == 300)
            world.releaseTransients();
    }
    EXPECT_GT(mostLive, 5);
    EXPECT_LT(mostLive, 20) << "finished emitters leave the list";
    EXPECT_EQ(world.renderPools.emitters.blockCount(), emitterBlocks);
    EXPECT_EQ(world.renderPools.particles.blockCount(), particleBlocks);
    EXPECT_GE(recordsMade(emitterBlocks), 100) << "start-up fills the free lists";
    EXPECT_GE(recordsMade(particleBlocks), 1000);
}

} // namespace
} // namespace restest
