#include "game/scene/ParticleEmitter.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoParticleSystem.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/RenderRecordPools.h"
#include "game/scene/SceneElement.h"
#include "game/util/MathTables.h"
#include "game/util/NumericHelpers.h"

namespace {

// One full turn over the 32-bit random range, in degrees.
constexpr float kRandomToDegrees = 8.381903e-08f;
// Inner half-extents of the rectangular frame are at least this.
constexpr float kSmallestInnerExtent = 0.1f;

float unit() {
    return float(randomUnit());
}

int32_t pickWhole(int32_t min, int32_t max) {
    return randomIntInRange({float(min), float(max)});
}

// A pick inside the start half and the same pick inside the end half, taken at a point between them (the
// emitter's progress, or a particle's fraction of its life).
float pickAt(const ParticleRange &range, float pick, float progress) {
    return lerp(lerp(range.startMin, range.startMax, pick), lerp(range.endMin, range.endMax, pick), progress);
}

// A random place on the ellipse with the two radii.
void placeOnEllipse(const ParticleDefinition &d, float progress, float &x, float &y) {
    const float radiusX = pickAt(d.extentX, unit(), progress);
    const float radiusY = pickAt(d.extentY, unit(), progress);
    const int32_t angle = angleToTableIndex(float(nextRandom()) * kRandomToDegrees);
    x = cosTable[angle] * radiusX;
    y = sinTable[angle] * radiusY;
}

// A random place, uniform by area, on the frame between an inner and an outer rectangle: four strips
// (top, bottom, right, left) wound around it like a pinwheel.
void placeOnFrame(const ParticleDefinition &d, float progress, float &x, float &y) {
    const float w1 = std::max(lerp(d.extentX.startMin, d.extentX.endMin, progress), kSmallestInnerExtent);
    const float w2 = std::max(lerp(d.extentX.startMax, d.extentX.endMax, progress), w1);
    const float h1 = std::max(lerp(d.extentY.startMin, d.extentY.endMin, progress), kSmallestInnerExtent);
    const float h2 = std::max(lerp(d.extentY.startMax, d.extentY.endMax, progress), h1);
    const float across = (w1 + w2) * (h2 - h1);
    const float down = (w2 - w1) * (h2 + h1);
    const float strip = unit() * (2.0f * across + 2.0f * down);
    const float r = unit(), r2 = unit();
    if (strip < across) {
        x = r * (w1 + w2) - w2;
        y = r2 * (h2 - h1) - h2;
    } else if (strip < 2.0f * across) {
        x = w2 - r * (w1 + w2);
        y = h2 - r2 * (h2 - h1);
    } else if (strip < 2.0f * across + down) {
        x = w2 - r * (w2 - w1);
        y = r2 * (h1 + h2) - h2;
    } else {
        x = r * (w2 - w1) - w2;
        y = h2 - r2 * (h1 + h2);
    }
}

// A particle's opacity at a fraction of its life, with its fade-in and fade-out.
float alphaAt(const ParticleDefinition &d, float fraction) {
    float alpha = lerp(d.alpha.start, d.alpha.end, fraction);
    if (fraction < d.fadeIn)
        alpha *= fraction / d.fadeIn;
    if (fraction > 1.0f - d.fadeOut)
        alpha *= (1.0f - fraction) / d.fadeOut;
    return alpha;
}

} // namespace

int32_t emitterModeFor(float mediaSwitch, bool active) {
    return active ? roundToInt(mediaSwitch * 2.0f) : int32_t(kEmitterReset);
}

const ParticleDefinition *ParticleEmitter::definition() const {
    return definitionElement ? definitionElement->particleSystem : nullptr;
}

void ParticleEmitter::init(SceneElement *element, bool loops, HoScene *inScene, SceneElement *ownerElement,
                           float x, float y) {
    definitionElement = element;
    offsetX = x;
    offsetY = y;
    owner = ownerElement;
    loop = loops;
    scene = inScene;
    placementX = placementY = 0.0f;
    active = running = 1;
    clipHalfWidth = clipHalfHeight = kNoClip;
    strength = 1.0f;
    clear();
    const ParticleDefinition *d = definition();
    const int64_t delay = d ? pickWhole(d->startDelayMin, d->startDelayMax) : 0;
    emissionCounter = int32_t(std::clamp<int64_t>(-delay, INT32_MIN, INT32_MAX));
    progress = 0.0f;
    burstTimer = 0;
    particlesLeft = d ? d->particleLimit : 0;
    emissionFinished = 0;
    if (!d || d->emissionLength <= 0)
        running = 0;
}

void ParticleEmitter::stop() {
    clear();
    running = 0;
}

void ParticleEmitter::update(int32_t mode) {
    if (!running)
        return;
    if (emissionCounter < INT32_MAX)
        ++emissionCounter;
    if (emissionCounter < 0)
        return;
    const ParticleDefinition *d = definition();
    bool births = d && mode >= kEmitterNormal;
    if (mode <= kEmitterReset) {
        emissionCounter = 0;
        burstTimer = 0;
        births = false;
    } else if (d && emissionCounter >= d->emissionLength) {
        if (!loop)
            emissionFinished = 1;
        else if (emissionCounter >= d->loopPeriod)
            emissionCounter = 0;
        else
            births = false;
    }
    progress = d && d->emissionLength > 0 ? float(emissionCounter) / float(d->emissionLength) : 0.0f;
    if (!emissionFinished && --burstTimer <= 0) {
        if (births) {
            burstTimer = pickWhole(d->intervalMin, d->intervalMax);
            emitBurst(*d);
        } else {
            burstTimer = 0;
        }
    }
    ageParticles();
    if (particles.empty() && emissionFinished)
        running = 0;
}

void ParticleEmitter::emitBurst(const ParticleDefinition &d) {
    if (!pools)
        return;
    int32_t count = roundToInt(double(randomFloatInRange({d.burstMin, d.burstMax})) * double(burstScale));
    if (count > kMaxParticles) {
        d.reportLimitApplied();
        count = kMaxParticles;
    }
    for (int32_t i = 0; i < count; ++i) {
        if (particles.count() >= kMaxParticles) {
            d.reportLimitApplied();
            return;
        }
        Particle *particle = pools->acquireParticle();
        if (!spawn(*particle, d)) {
            pools->recycleParticle(particle);
            continue;
        }
        particles.append(particle);
        if (particlesLeft > 0 && --particlesLeft == 0) {
            emissionFinished = 1;
            return;
        }
    }
}

bool ParticleEmitter::spawn(Particle &particle, const ParticleDefinition &d) {
    particle.life = pickWhole(d.lifeMin, d.lifeMax);
    if (particle.life < 1)
        return false;
    float x = 0.0f, y = 0.0f;
    if (d.shape == ParticleDefinition::kShapeEllipse)
        placeOnEllipse(d, progress, x, y);
    else
        placeOnFrame(d, progress, x, y);
    if (!(std::fabs(x) < clipHalfWidth) || !(std::fabs(y) < clipHalfHeight))
        return false;
    if (d.placedAtBirth()) {
        float anchorX = 0.0f, anchorY = 0.0f;
        anchor(anchorX, anchorY);
        x += anchorX;
        y += anchorY;
    }
    const float direction = pickAt(d.direction, unit(), progress);
    const float speed = pickAt(d.speed, unit(), progress);
    const int32_t angle = angleToTableIndex(direction);
    particle.birthX = x;
    particle.birthY = y;
    particle.velocityX = cosTable[angle] * speed;
    particle.velocityY = sinTable[angle] * speed;
    for (float &pick : particle.picks)
        pick = unit();
    particle.age = 0;
    particle.lifeFraction = 0.0f;
    return true;
}

// Ages every particle by a tick; the dead go back to the holder, the last first, and the living keep their
// order. One pass, so that many deaths in one tick cost no more than one move of the array.
void ParticleEmitter::ageParticles() {
    const int32_t count = particles.count();
    for (int32_t i = count - 1; i >= 0; --i) {
        Particle *particle = particles[i];
        if (++particle->age >= particle->life) {
            if (pools)
                pools->recycleParticle(particle);
            particles.set(i, nullptr);
        } else {
            particle->lifeFraction = float(particle->age) / float(particle->life);
        }
    }
    int32_t kept = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (Particle *particle = particles[i])
            particles.set(kept++, particle);
    }
    while (particles.count() > kept)
        particles.removeAt(particles.count() - 1);
}

void ParticleEmitter::preEmit() {
    const ParticleDefinition *d = definition();
    if (!d)
        return;
    int32_t ticks = d->lifeMax;
    if (ticks > kMaxPreEmitTicks) {
        d->reportLimitApplied();
        ticks = kMaxPreEmitTicks;
    }
    for (int32_t i = 0; i < ticks; ++i)
        update(kEmitterNormal);
}

void ParticleEmitter::clear() {
    for (int32_t i = particles.count() - 1; i >= 0; --i) {
        if (pools)
            pools->recycleParticle(particles[i]);
    }
    particles.clear();
}

void ParticleEmitter::anchor(float &x, float &y) const {
    x = placementX;
    y = placementY;
    if (owner) {
        x += owner->absX.asNumber();
        y += owner->absY.asNumber();
    }
}

ParticleLook ParticleEmitter::lookOf(const Particle &p, float alpha) const {
    const ParticleDefinition &d = *definition();
    float baseX = offsetX, baseY = offsetY;
    if (!d.placedAtBirth()) {
        float anchorX = 0.0f, anchorY = 0.0f;
        anchor(anchorX, anchorY);
        baseX += anchorX;
        baseY += anchorY;
    }
    const float t = float(p.age), f = p.lifeFraction;
    ParticleLook look;
    QuadPlacement &place = look.place;
    place.absX = p.velocityX * t + 0.5f * d.accelerationX * t * t + p.birthX + baseX;
    place.absY = p.velocityY * t + 0.5f * d.accelerationY * t * t + p.birthY + baseY;
    place.width = pickAt(d.width, p.picks[0], f);
    place.height = d.squareParticles() ? place.width : pickAt(d.height, p.picks[1], f);
    place.pivotX = place.pivotY = 0.5f;
    place.angle = pickAt(d.rotation, p.picks[2], f);
    const float ownerAlpha = d.followsOwnerAlpha() && owner ? owner->alpha.asNumber() : 1.0f;
    look.colour[0] = lerp(d.red.start, d.red.end, f);
    look.colour[1] = lerp(d.green.start, d.green.end, f);
    look.colour[2] = lerp(d.blue.start, d.blue.end, f);
    look.colour[3] = alphaAt(d, f) * ownerAlpha * strength * alpha;
    return look;
}

void ParticleEmitter::draw(float alpha) {
    HoRenderable *picture = definitionElement ? definitionElement->renderable : nullptr;
    HoTexture *texture = picture ? picture->getTexture() : nullptr;
    if (!definition() || !texture || !texture->picture || particles.empty())
        return;
    for (int32_t i = particles.count() - 1; i >= 0; --i) {
        const ParticleLook look = lookOf(*particles[i], alpha);
        drawOnSharedBatch(texture, picture->blendMode, look.colour, picture->update(particles[i]->age),
                          rotatedQuadCorners(look.place));
    }
    if (currentContext)
        currentContext->flushBatch();
}
