#pragma once
// The numbers of one particle system, as a ".particles" file gives them: when and how often an emitter
// gives birth, where its particles are born, how they move, and how their size, turn, colour and opacity
// change over their lives. The file is text: one line per letter, values after it separated by blanks,
// letters in any order and any number of times (a later line overwrites an earlier one). Values are stored
// in the emitter's units: times in ticks of 1/100 s, rates as ticks between bursts, speeds in pixels per
// tick, colours in 0..1.

#include <cstdint>

// A range that changes from its start half to its end half: "a [b] [: c [d]]" in the file.
struct ParticleRange {
    float startMin = 10.0f;
    float startMax = 10.0f;
    float endMin = 10.0f;
    float endMax = 10.0f;
};

// A value at the start and at the end of a particle's life.
struct ParticleLifeValue {
    float start = 1.0f;
    float end = 1.0f;
};

struct ParticleDefinition {
    static constexpr int32_t kOptionCount = 26; // one per letter 'A' to 'Z'
    static constexpr int32_t kShapeEllipse = 1; // any other shape is a rectangular frame

    // Q: start delay, emission length and loop period, in ticks.
    int32_t startDelayMin = 0;
    int32_t startDelayMax = 0;
    int32_t emissionLength = 100;
    int32_t loopPeriod = 0;
    // E: ticks between bursts.
    int32_t intervalMin = 10;
    int32_t intervalMax = 10;
    // C: particles per burst.
    float burstMin = 1.0f;
    float burstMax = 1.0f;
    int32_t particleLimit = 0; // Z: per emitter run; 0 = none
    int32_t shape = 0;         // H
    // S, T, D, V: over the emitter's progress through its emission.
    ParticleRange extentX;   // half-widths of the emission area, pixels
    ParticleRange extentY;   // half-heights
    ParticleRange direction; // degrees
    ParticleRange speed;     // pixels per tick
    // W: pixels per tick².
    float accelerationX = 10.0f;
    float accelerationY = 10.0f;
    // L: ticks.
    int32_t lifeMin = 100;
    int32_t lifeMax = 100;
    // R, G, B, A.
    ParticleLifeValue red, green, blue, alpha;
    // F: fractions of a particle's life.
    float fadeIn = 0.25f;
    float fadeOut = 0.25f;
    // X, Y, N: over the particle's life.
    ParticleRange width;    // pixels
    ParticleRange height;   // pixels
    ParticleRange rotation; // degrees
    int32_t options[kOptionCount] = {}; // O

    // Names the file in the limit warning; not owned.
    const char *sourceName = nullptr;

    // Back to the values of a definition without a file.
    void setDefaults();
    // Reads the lines of a ".particles" text over the current values.
    void read(const char *text);

    // Option A: particles are square (the height is the width).
    bool squareParticles() const { return option('A') == 1; }
    // Option B: a particle stays where it was born instead of following the emitter.
    bool placedAtBirth() const { return option('B') == 1; }
    // Option H: a particle's opacity follows the opacity of the emitter's owner.
    bool followsOwnerAlpha() const { return option('H') != 0; }
    int32_t option(char letter) const { return options[letter - 'A']; }

    // Logs, once per definition, that a limit cut what the definition asked for.
    void reportLimitApplied() const;

private:
    mutable bool limitReported_ = false;
};
