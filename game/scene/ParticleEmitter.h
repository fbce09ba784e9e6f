#pragma once
// One running instance of a particle definition. It counts its own time in ticks of 1/100 s: a start
// delay, then bursts of particles at random intervals for the emission length (a looping emitter waits
// for its loop period and starts over), until its particle limit or its emission ends and its last
// particle dies. Particles are born on an ellipse or on a rectangular frame around the emitter and move
// on a closed-form path (v·t + ½·W·t²), so their place is computed when they are drawn, not integrated.
//
// Emitters and particles come from a RenderRecordPools holder and always go back to it: an emitter keeps
// its holder, takes its particles from it and gives them back when they die or are cleared. Hostile
// definitions are held in: an emitter holds at most kMaxParticles live particles (so a burst adds at
// most that many) and a pre-emission runs at most kMaxPreEmitTicks ticks; each cut is logged once.

#include <cstdint>

#include "game/util/NumericHelpers.h"
#include "game/util/PtrArray.h"

class HoScene;
class RenderRecordPools;
struct ParticleDefinition;
struct SceneElement;

struct Particle {
    int32_t life = 0;          // ticks
    int32_t age = 0;           // ticks
    float lifeFraction = 0.0f; // age / life
    float birthX = 0.0f;
    float birthY = 0.0f;
    float velocityX = 0.0f; // pixels per tick
    float velocityY = 0.0f;
    float picks[3] = {}; // where the particle lies inside the width, height and rotation ranges
};

// How a particle is drawn now: its quad (centred on its place, turned by its rotation) and its colour.
struct ParticleLook {
    QuadPlacement place;
    float colour[4] = {}; // red, green, blue, alpha
};

enum ParticleEmitterMode : int32_t {
    kEmitterReset = 0,   // no births; the emission counter and the burst timer start over
    kEmitterAgeOnly = 1, // no births; particles age
    kEmitterNormal = 2,
};

// The mode in which the emitter of an element (or of a node showing one) steps: off while the owner is
// inactive, else its media switch (scene-file letter E) times two, rounded: 1 and above gives births.
int32_t emitterModeFor(float mediaSwitch, bool active);

struct ParticleEmitter {
    static constexpr int32_t kParticlesGrowStep = 10;
    static constexpr int32_t kMaxParticles = 10000;
    static constexpr int32_t kMaxPreEmitTicks = 10000;
    static constexpr float kNoClip = 1000000.0f;

    ParticleEmitter() = default;
    ParticleEmitter(const ParticleEmitter &) = delete;
    ParticleEmitter &operator=(const ParticleEmitter &) = delete;

    // Starts (or restarts) the emitter for the element whose particle definition and picture it uses,
    // following the owner element (none: a free emitter) at the offset. Particles of an earlier run go back
    // to the holder. An element without a definition, or a definition whose emission length is 0 or less,
    // makes an emitter that never runs.
    void init(SceneElement *definitionElement, bool loop, HoScene *scene, SceneElement *owner, float offsetX,
              float offsetY);
    // One tick in a ParticleEmitterMode.
    void update(int32_t mode);
    // As many normal ticks as the definition's longest life, so that the emitter starts in its steady state.
    void preEmit();
    // Gives every live particle back to the holder, the last first.
    void clear();
    // Ends the run at once: the particles go back and no more are born until it is started again.
    void stop();
    // Draws the live particles, the last first, with the picture of the definition element, multiplied by
    // the alpha; flushes the shared batch after the last.
    void draw(float alpha);

    // The particle as the draw shows it with the alpha; the emitter must have a definition.
    ParticleLook lookOf(const Particle &particle, float alpha) const;

    bool isAlive() const { return running != 0; }
    // The definition of the definition element, or null.
    const ParticleDefinition *definition() const;

    RenderRecordPools *pools = nullptr; // the holder it came from
    SceneElement *definitionElement = nullptr;
    uint8_t active = 0;
    uint8_t running = 0;
    uint8_t loop = 0;
    HoScene *scene = nullptr;       // of a free emitter
    int32_t emissionCounter = 0;    // ticks; negative while the start delay runs
    float progress = 0.0f;          // emission counter / emission length
    int32_t burstTimer = 0;         // ticks to the next burst
    int32_t particlesLeft = 0;      // 0: no limit
    uint8_t emissionFinished = 0;
    float strength = 0.0f;          // 1 when started; an element's fading lowers it
    SceneElement *owner = nullptr;  // followed; none for a free emitter
    float offsetX = 0.0f;
    float offsetY = 0.0f;
    float placementX = 0.0f;
    float placementY = 0.0f;
    float clipHalfWidth = 0.0f;     // particles born this far out are refused
    float clipHalfHeight = 0.0f;
    float burstScale = 1.0f;
    PtrArray<Particle> particles{kParticlesGrowStep}; // oldest first

private:
    void emitBurst(const ParticleDefinition &definition);
    // False when the particle is refused (no life, or born outside the clip).
    bool spawn(Particle &particle, const ParticleDefinition &definition);
    void ageParticles();
    // Where the emitter stands for particles that follow it.
    void anchor(float &x, float &y) const;
};
