// Particle emitters with a seeded generator: timing (start delay, emission length, loops, intervals, limits,
// pre-emission), where particles are born and where they are drawn, their look over their lives, and the
// holder's records reused.

#include "game/scene/ParticleEmitter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "game/scene/HoParticleSystem.h"
#include "game/scene/RenderRecordPools.h"
#include "game/scene/SceneElement.h"

namespace {

// A definition element, an owner and a holder, with the generator seeded.
struct Rig {
    HoParticleSystem system;
    SceneElement element;
    SceneElement owner;
    RenderRecordPools pools;
    ParticleEmitter *emitter;

    explicit Rig(const char *definition, bool loop = false) {
        seedRandom(12345);
        system.sourceName = "data/particles/test.particles";
        system.read(definition);
        element.particleSystem = &system;
        emitter = pools.acquireEmitter();
        emitter->init(&element, loop, nullptr, &owner, 0.0f, 0.0f);
    }
    ~Rig() { pools.recycleEmitter(emitter); }

    // Particles alive after each of n ticks.
    std::vector<int32_t> run(int32_t ticks, int32_t mode = kEmitterNormal) {
        std::vector<int32_t> counts;
        for (int32_t i = 0; i < ticks; ++i) {
            emitter->update(mode);
            counts.push_back(emitter->particles.count());
        }
        return counts;
    }
};

int32_t recordsMade(const HoObjectPool<Particle> &pool) {
    int32_t made = 0;
    for (int32_t i = 0; i < pool.blockCount(); ++i)
        made += pool.blockUsed(i);
    return made;
}

TEST(ParticleEmitter, StartDelayEmissionLengthAndEnd) {
    // Half a second of delay, one second of emission, a burst of one every tick, lives of 3 s.
    Rig rig("Q 0.5 0.5 1\nE 0\nC 1\nL 3\n");
    EXPECT_EQ(rig.emitter->emissionCounter, -50);
    std::vector<int32_t> counts = rig.run(450);
    EXPECT_EQ(counts[48], 0);
    EXPECT_EQ(counts[49], 1);
    EXPECT_EQ(counts[148], 100);
    EXPECT_EQ(counts[149], 100) << "the emission length has passed";
    EXPECT_TRUE(rig.emitter->emissionFinished);
    EXPECT_EQ(counts[347], 100) << "the first particle lives 300 ticks";
    EXPECT_EQ(counts[348], 99);
    EXPECT_EQ(counts[446], 1);
    EXPECT_EQ(counts[447], 0);
    EXPECT_FALSE(rig.emitter->isAlive());
}

TEST(ParticleEmitter, ALoopGivesBirthsForItsLengthThenPausesUntilItsPeriod) {
    Rig rig("Q 0 0 1 1.5\nE 0\nC 1\nL 10\n", true);
    std::vector<int32_t> counts = rig.run(400);
    for (int32_t tick = 1; tick < 400; ++tick) {
        const bool born = counts[tick] > counts[tick - 1];
        const int32_t inCycle = (tick + 1) % 150; // the counter after this tick
        EXPECT_EQ(born, inCycle < 100) << "tick " << tick;
    }
    EXPECT_TRUE(rig.emitter->isAlive());
}

TEST(ParticleEmitter, IntervalsLimitsAndRefusals) {
    {
        // Four bursts a second: one every 25 ticks.
        Rig rig("E 4\nC 1\nL 10\n");
        std::vector<int32_t> counts = rig.run(60);
        EXPECT_EQ(counts[0], 1);
        EXPECT_EQ(counts[24], 1);
        EXPECT_EQ(counts[25], 2);
        EXPECT_EQ(counts[50], 3);
    }
    {
        // A limit of 5 stops emission inside a burst of 10.
        Rig rig("C 10\nZ 5\nE 0\nL 1\n");
        EXPECT_EQ(rig.run(20).back(), 5);
        EXPECT_TRUE(rig.emitter->emissionFinished);
    }
    {
        // A life maximum of 0 refuses every spawn; the refused records are reused.
        Rig rig("L 0\nE 0\nC 3\n");
        EXPECT_EQ(rig.run(50).back(), 0);
        EXPECT_EQ(recordsMade(rig.pools.particles), 1);
    }
    {
        // Negative lives refuse every particle; negative extents still give a frame to be born on.
        Rig negativeLife("L -1\nE 0\n");
        EXPECT_EQ(negativeLife.run(5).back(), 0);
        Rig negativeExtent("S -5 -10\nT -3\nE 0\nL 1\n");
        EXPECT_EQ(negativeExtent.run(5).back(), 5);
    }
    {
        // Mode 1 ages particles without births; mode 0 holds the counters at 0.
        Rig rig("E 0\nC 1\nL 10\n");
        rig.run(10);
        EXPECT_EQ(rig.run(10, kEmitterAgeOnly).back(), 10);
        rig.run(5, kEmitterReset);
        EXPECT_EQ(rig.emitter->emissionCounter, 0);
        EXPECT_EQ(rig.emitter->particles.count(), 10);
    }
    {
        // No definition, or an emission length of 0: the emitter never runs.
        Rig rig("Q 0 0 0\n");
        EXPECT_FALSE(rig.emitter->isAlive());
        rig.emitter->init(&rig.owner, false, nullptr, nullptr, 0.0f, 0.0f);
        EXPECT_FALSE(rig.emitter->isAlive());
    }
}

TEST(ParticleEmitter, PreEmissionRunsTheLongestLifeAndHugeDefinitionsAreHeldIn) {
    Rig rig("L 2 3\nQ 0 0 10\nE 0\n");
    rig.emitter->preEmit();
    EXPECT_EQ(rig.emitter->emissionCounter, 300);
    EXPECT_GT(rig.emitter->particles.count(), 0);

    clearLogContents();
    Rig endless("L 500\nQ 0 0 1000\nC 0\n");
    endless.emitter->preEmit();
    EXPECT_EQ(endless.emitter->emissionCounter, ParticleEmitter::kMaxPreEmitTicks);
    Rig hostile("L 500\nQ 0 0 1000\nE 0\nC 1000000000\n");
    hostile.run(3);
    EXPECT_EQ(hostile.emitter->particles.count(), ParticleEmitter::kMaxParticles);
    const std::string log = getLogContents();
    const std::string warning = "Game: Limits applied to data/particles/test.particles, WARNING";
    EXPECT_NE(log.find(warning), std::string::npos);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << "once per definition";
}

TEST(ParticleEmitter, ParticlesBornOnTheFrameCoverItEvenlyByArea) {
    // Inner half-extents 10 × 5, outer 20 × 15: strips of areas 300 (top, bottom) and 200 (right, left).
    Rig rig("S 10 20\nT 5 15\nE 0\nC 100\nL 10\nV 0\nW 0\n");
    rig.run(20);
    int32_t top = 0;
    const int32_t total = rig.emitter->particles.count();
    ASSERT_EQ(total, 2000);
    for (int32_t i = 0; i < total; ++i) {
        const Particle &p = *rig.emitter->particles[i];
        ASSERT_LE(std::fabs(p.birthX), 20.0f);
        ASSERT_LE(std::fabs(p.birthY), 15.0f);
        ASSERT_FALSE(std::fabs(p.birthX) < 10.0f && std::fabs(p.birthY) < 5.0f) << p.birthX << ", " << p.birthY;
        top += p.birthY < -5.0f && p.birthX < 10.0f;
    }
    EXPECT_NEAR(double(top) / total, 0.3, 0.04);
    // Points inside the strip are spread over all of it, not only near the strip's first corner.
    float widest = 0.0f;
    for (int32_t i = 0; i < total; ++i) {
        const Particle &p = *rig.emitter->particles[i];
        if (p.birthY < -5.0f && p.birthX < 10.0f)
            widest = std::max(widest, p.birthX);
    }
    EXPECT_GT(widest, 5.0f);
}

TEST(ParticleEmitter, PlaceFollowsTheOwnerUnlessFixedAtBirth) {
    // Born at the emitter's centre, without speed or acceleration.
    for (bool fixedAtBirth : {false, true}) {
        Rig rig(fixedAtBirth ? "H 1\nS 0\nT 0\nV 0\nW 0\nL 10\nO B 1\n" : "H 1\nS 0\nT 0\nV 0\nW 0\nL 10\n");
        rig.owner.absX.setNumber(100.0f);
        rig.owner.absY.setNumber(50.0f);
        rig.emitter->init(&rig.element, false, nullptr, &rig.owner, 5.0f, 6.0f);
        rig.run(1);
        rig.owner.absX.setNumber(300.0f);
        rig.owner.absY.setNumber(0.0f);
        const ParticleLook look = rig.emitter->lookOf(*rig.emitter->particles[0], 1.0f);
        EXPECT_FLOAT_EQ(look.place.absX, fixedAtBirth ? 105.0f : 305.0f);
        EXPECT_FLOAT_EQ(look.place.absY, fixedAtBirth ? 56.0f : 6.0f);
    }
}

TEST(ParticleEmitter, PositionIsVelocityTimesAgePlusHalfTheAccelerationTimesAgeSquared) {
    // Straight down at 2 pixels per tick, accelerating by 0.0004 and 0.0006 pixels per tick².
    Rig rig("H 1\nS 0\nT 0\nD 90\nV 200\nW 4 6\nL 5\n");
    rig.run(101);
    const Particle &p = *rig.emitter->particles[0];
    ASSERT_EQ(p.age, 101);
    const ParticleLook look = rig.emitter->lookOf(p, 1.0f);
    EXPECT_NEAR(look.place.absX, 0.5f * 0.0004f * 101 * 101, 1e-3);
    EXPECT_NEAR(look.place.absY, 2.0f * 101 + 0.5f * 0.0006f * 101 * 101, 1e-3);
}

TEST(ParticleEmitter, LookOverALife) {
    Rig rig("A 255 0\nF 0.5 0.25\nR 255 0\nX 10 : 30\nN 0 : 90\nY 4\nL 1\n");
    Particle p;
    p.picks[0] = p.picks[1] = p.picks[2] = 0.5f;
    struct Case {
        float fraction, alpha, red, width, rotation;
    } cases[] = {
        {0.0f, 0.0f, 1.0f, 10.0f, 0.0f},
        {0.25f, 0.375f, 0.75f, 15.0f, 22.5f}, // fading in: 0.75 × 0.25 / 0.5
        {0.6f, 0.4f, 0.4f, 22.0f, 54.0f},
        {0.9f, 0.04f, 0.1f, 28.0f, 81.0f}, // fading out: 0.1 × 0.1 / 0.25
    };
    for (const Case &c : cases) {
        p.lifeFraction = c.fraction;
        const ParticleLook look = rig.emitter->lookOf(p, 1.0f);
        EXPECT_NEAR(look.colour[3], c.alpha, 1e-5) << c.fraction;
        EXPECT_NEAR(look.colour[0], c.red, 1e-5);
        EXPECT_NEAR(look.place.width, c.width, 1e-4);
        EXPECT_NEAR(look.place.height, 4.0f, 1e-4);
        EXPECT_NEAR(look.place.angle, c.rotation, 1e-3);
    }
    // Square particles take the width as their height.
    Rig square("O A 1\nX 12\nY 4\n");
    EXPECT_FLOAT_EQ(square.emitter->lookOf(p, 1.0f).place.height, 12.0f);
    // The owner's opacity (option H), the strength and the draw's alpha multiply.
    Rig owned("F 0 0\nO H 1\n");
    owned.owner.alpha.setNumber(0.5f);
    owned.emitter->strength = 0.8f;
    EXPECT_NEAR(owned.emitter->lookOf(p, 0.5f).colour[3], 0.2f, 1e-6);
    owned.system.options['H' - 'A'] = 0;
    EXPECT_NEAR(owned.emitter->lookOf(p, 0.5f).colour[3], 0.4f, 1e-6);
}

TEST(ParticleEmitter, RecordsAreReusedNotMadeAgain) {
    RenderRecordPools pools;
    HoParticleSystem system;
    system.read("E 0\nC 1 4\nL 0.2 0.5\nQ 0 0 0.3\nZ 40\n");
    SceneElement element;
    element.particleSystem = &system;
    seedRandom(99);
    int32_t peak = 0;
    for (int32_t run = 0; run < 2000; ++run) {
        ParticleEmitter *emitter = pools.acquireEmitter();
        emitter->init(&element, false, nullptr, nullptr, 0.0f, 0.0f);
        for (int32_t tick = 0; tick < 10 && emitter->isAlive(); ++tick)
            emitter->update(kEmitterNormal);
        peak = std::max(peak, emitter->particles.count());
        // Given back alive: its particles go back with it.
        pools.recycleEmitter(emitter);
    }
    EXPECT_EQ(recordsMade(pools.particles), peak);
    EXPECT_EQ(pools.emitters.blockUsed(0), 1);
    // clear gives every particle back.
    ParticleEmitter *emitter = pools.acquireEmitter();
    emitter->init(&element, false, nullptr, nullptr, 0.0f, 0.0f);
    emitter->update(kEmitterNormal);
    emitter->clear();
    EXPECT_TRUE(emitter->particles.empty());
    pools.recycleEmitter(emitter);
    EXPECT_EQ(recordsMade(pools.particles), peak);
}

} // namespace
