// Particle definitions: every letter with its unit, missing values, repeated letters, ignored lines.

#include "game/scene/ParticleDefinition.h"

#include <gtest/gtest.h>

namespace {

ParticleDefinition readDefinition(const char *text) {
    ParticleDefinition definition;
    definition.read(text);
    return definition;
}

void expectRange(const ParticleRange &range, float startMin, float startMax, float endMin, float endMax) {
    EXPECT_FLOAT_EQ(range.startMin, startMin);
    EXPECT_FLOAT_EQ(range.startMax, startMax);
    EXPECT_FLOAT_EQ(range.endMin, endMin);
    EXPECT_FLOAT_EQ(range.endMax, endMax);
}

TEST(ParticleDefinition, Defaults) {
    ParticleDefinition d = readDefinition("");
    EXPECT_EQ(d.startDelayMin, 0);
    EXPECT_EQ(d.emissionLength, 100);
    EXPECT_EQ(d.loopPeriod, 0);
    EXPECT_EQ(d.intervalMin, 10);
    EXPECT_EQ(d.intervalMax, 10);
    EXPECT_EQ(d.burstMax, 1.0f);
    EXPECT_EQ(d.lifeMax, 100);
    EXPECT_EQ(d.accelerationY, 10.0f);
    EXPECT_EQ(d.fadeIn, 0.25f);
    EXPECT_EQ(d.alpha.end, 1.0f);
    expectRange(d.rotation, 10.0f, 10.0f, 10.0f, 10.0f);
    EXPECT_FALSE(d.placedAtBirth());
}

TEST(ParticleDefinition, LettersInTheirUnits) {
    ParticleDefinition d = readDefinition("Q 0.5\n"
                                          "E 4\n"
                                          "C 2 5\n"
                                          "L 2 3\n"
                                          "F 0.5\n"
                                          "V 150\n"
                                          "S 1 2 : 3\n"
                                          "W 5\n"
                                          "R 255 0\n"
                                          "A 51\n"
                                          "Z 5\n"
                                          "H 1\n"
                                          "O B 1\n"
                                          "O b 1\n"
                                          "O A\n");
    EXPECT_EQ(d.startDelayMin, 50);
    EXPECT_EQ(d.startDelayMax, 50);
    EXPECT_EQ(d.emissionLength, 100);
    EXPECT_EQ(d.loopPeriod, 0);
    EXPECT_EQ(d.intervalMin, 25);
    EXPECT_EQ(d.intervalMax, 25);
    EXPECT_EQ(d.burstMin, 2.0f);
    EXPECT_EQ(d.burstMax, 5.0f);
    EXPECT_EQ(d.lifeMin, 200);
    EXPECT_EQ(d.lifeMax, 300);
    EXPECT_FLOAT_EQ(d.fadeIn, 0.5f);
    EXPECT_FLOAT_EQ(d.fadeOut, 0.2f);
    expectRange(d.speed, 1.5f, 1.5f, 1.5f, 1.5f);
    expectRange(d.extentX, 1.0f, 2.0f, 3.0f, 3.0f);
    EXPECT_FLOAT_EQ(d.accelerationX, 0.0005f);
    EXPECT_FLOAT_EQ(d.accelerationY, 0.0005f);
    EXPECT_FLOAT_EQ(d.red.start, 1.0f);
    EXPECT_FLOAT_EQ(d.red.end, 0.0f);
    EXPECT_FLOAT_EQ(d.alpha.start, 0.2f);
    EXPECT_FLOAT_EQ(d.alpha.end, 0.2f);
    EXPECT_EQ(d.particleLimit, 5);
    EXPECT_EQ(d.shape, ParticleDefinition::kShapeEllipse);
    EXPECT_TRUE(d.placedAtBirth());
    EXPECT_EQ(d.option('A'), 0); // no value: the line is ignored
    EXPECT_FALSE(d.squareParticles());
}

TEST(ParticleDefinition, MissingAndOddValues) {
    // E 0 bursts every tick; Q with a negative delay and a missing length; L with nothing; F with nothing.
    ParticleDefinition d = readDefinition("E 0 8\nQ -1 0.3 \nL\nF\nT\n");
    EXPECT_EQ(d.intervalMin, 0);
    EXPECT_EQ(d.intervalMax, 13);
    EXPECT_EQ(d.startDelayMin, 0);
    EXPECT_EQ(d.startDelayMax, 30);
    EXPECT_EQ(d.emissionLength, 100);
    EXPECT_EQ(d.lifeMin, 0);
    EXPECT_EQ(d.lifeMax, 0);
    EXPECT_FLOAT_EQ(d.fadeIn, 0.2f);
    EXPECT_FLOAT_EQ(d.fadeOut, 0.2f);
    expectRange(d.extentY, 10.0f, 10.0f, 10.0f, 10.0f); // a range without values keeps what it had
    // A later line overwrites; unknown letters, ignored letters and lower case do nothing; the rest of the
    // letter's token does not matter.
    ParticleDefinition later = readDefinition("Life 1\nL 4\n\n  \nI 9\nlowercase 3\n7 7\nZ 3\nZ 2\nP 3\n");
    EXPECT_EQ(later.lifeMin, 400);
    EXPECT_EQ(later.particleLimit, 2);
    // A 30-digit integer wraps instead of overflowing; a 30-digit time saturates.
    ParticleDefinition huge = readDefinition("Z 123456789012345678901234567890\nL 123456789012345678901234567890\n");
    EXPECT_EQ(huge.particleLimit, int32_t(uint32_t(1312754386u)));
    EXPECT_EQ(huge.lifeMax, 2147483647);
    // A new load starts from the defaults.
    huge.setDefaults();
    EXPECT_EQ(huge.particleLimit, 0);
    EXPECT_EQ(huge.lifeMax, 100);
}

} // namespace
