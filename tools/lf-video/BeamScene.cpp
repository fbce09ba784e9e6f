// The night sea seen from the lighthouse's gallery: a starry sky over a dark sea, the gallery's iron rail
// across the foot of the picture, and four fishing boats out towards the horizon. The lantern stands
// just below the picture; its beam brightens, then sweeps once from left to right, lighting the haze and
// the waves it crosses. Each boat answers a moment after the beam has passed it: its masthead light
// blinks twice and then stays lit, shining on the water below it.
//
// Positions are fractions of the picture's height (x too, so that shapes keep their proportions at any
// size); the boats and the lantern are placed by fractions of the width.

#include <cmath>
#include <cstdint>

#include "tools/lf-video/VideoScene.h"

namespace videoscene {

namespace {

struct Colour {
    float r, g, b;
};

constexpr float kHorizon = 0.40f;
constexpr float kLanternX = 0.5f, kLanternY = 1.08f; // the beam's source, below the bottom edge
// The beam's heading, in radians from straight up: from the left to the right while the phase runs over
// the sweep; a lamp brightening before it.
constexpr float kBeamFrom = -1.1f, kBeamTo = 1.1f;
constexpr float kSweepStart = 0.1f, kSweepEnd = 0.9f;
constexpr float kLampWarming = 0.08f;
constexpr float kBeamSpread = 0.06f; // radians, where the beam's light has fallen to a third
// A boat answers this long after the beam's middle passed it, blinking for the next while.
constexpr float kAnswerDelay = 0.04f, kBlinking = 0.05f;

// x as a fraction of the width, y of the height: the mast's foot on the water.
struct Boat {
    float x, y;
};
constexpr Boat kBoats[] = {{0.18f, 0.43f}, {0.33f, 0.46f}, {0.66f, 0.44f}, {0.84f, 0.48f}};
constexpr float kMast = 0.045f;

constexpr Colour kSkyTop{0.02f, 0.03f, 0.09f}, kSkyLow{0.09f, 0.12f, 0.24f};
constexpr Colour kSeaFar{0.07f, 0.10f, 0.20f}, kSeaNear{0.02f, 0.04f, 0.09f};
constexpr Colour kBeamLight{1.0f, 0.93f, 0.70f}, kBoatLight{1.0f, 0.72f, 0.35f};
constexpr Colour kIron{0.03f, 0.03f, 0.04f}, kHull{0.01f, 0.01f, 0.02f};

Colour mixColour(Colour a, Colour b, float t) {
    return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)};
}

void add(Colour &to, Colour light, float amount) {
    to.r += light.r * amount;
    to.g += light.g * amount;
    to.b += light.b * amount;
}

// The angle from straight up of the line from the lantern to (u, v).
float headingOf(float u, float v, float aspect) {
    return std::atan2(u - kLanternX * aspect, kLanternY - v);
}

float beamHeading(float phase) {
    return mix(kBeamFrom, kBeamTo, std::clamp((phase - kSweepStart) / (kSweepEnd - kSweepStart), 0.0f, 1.0f));
}

// How bright a boat's light is: dark until it answers, then two blinks, then lit.
float boatLight(const Boat &boat, float aspect, float phase) {
    const float passed =
        kSweepStart + (headingOf(boat.x * aspect, boat.y, aspect) - kBeamFrom) / (kBeamTo - kBeamFrom) *
                          (kSweepEnd - kSweepStart);
    const float since = phase - passed - kAnswerDelay;
    if (since < 0.0f)
        return 0.0f;
    if (since < kBlinking)
        return std::fmod(since, kBlinking / 2.0f) < kBlinking / 4.0f ? 1.0f : 0.0f;
    return 1.0f;
}

// A fixed scatter of stars: at most one in each small square of the sky.
float starlight(float u, float v) {
    constexpr float kCell = 0.025f;
    const int cx = int(std::floor(u / kCell)), cy = int(std::floor(v / kCell));
    uint32_t hash = uint32_t(cx) * 73856093u ^ uint32_t(cy) * 19349663u;
    hash = (hash ^ (hash >> 13)) * 1274126177u;
    if (hash % 5 != 0)
        return 0.0f;
    const float sx = (float(cx) + 0.2f + 0.6f * float((hash >> 8) & 255) / 255.0f) * kCell;
    const float sy = (float(cy) + 0.2f + 0.6f * float((hash >> 16) & 255) / 255.0f) * kCell;
    const float distance = std::hypot(u - sx, v - sy);
    return (0.4f + 0.6f * float((hash >> 24) & 255) / 255.0f) * (1.0f - smoothstep(0.001f, 0.003f, distance));
}

// Rows of waves, closer together towards the horizon, rolling in; 0 in the troughs, 1 on the crests.
float waveCrest(float u, float depth, float phase) {
    const float row = 0.9f / (depth + 0.02f) + 9.4f * phase + 1.2f * std::sin(4.0f * u + 10.0f * depth);
    const float rise = std::max(0.0f, std::sin(row)), square = rise * rise;
    return square * square * square;
}

Colour skyOrSea(float u, float v, float crest) {
    if (v < kHorizon) {
        const float t = v / kHorizon;
        Colour sky = mixColour(kSkyTop, kSkyLow, t * t);
        add(sky, {0.9f, 0.92f, 1.0f}, starlight(u, v) * (1.0f - t));
        return sky;
    }
    const float depth = v - kHorizon;
    Colour sea = mixColour(kSeaFar, kSeaNear, std::min(depth / 0.6f, 1.0f));
    add(sea, {0.3f, 0.35f, 0.5f}, 0.08f * crest);
    add(sea, {0.3f, 0.35f, 0.5f}, 0.15f * std::exp(-depth * depth / 0.00002f)); // the horizon's pale line
    return sea;
}

// A boat in silhouette, its mast and its masthead light with the light's path on the water.
void drawBoat(Colour &colour, float u, float v, const Boat &boat, float aspect, float phase, float crest) {
    const float bx = boat.x * aspect, by = boat.y;
    const float dx = std::fabs(u - bx);
    if (dx > 0.04f || std::fabs(v - by) > 0.1f)
        return;
    // The hull: a low shape narrowing towards its ends; the mast: a thin stroke up from its middle.
    const float hullHalf = 0.03f * (1.0f - 0.5f * std::clamp((v - by + 0.004f) / 0.01f, 0.0f, 1.0f));
    if ((v >= by - 0.004f && v <= by + 0.006f && dx < hullHalf) || (dx < 0.0018f && v >= by - kMast && v < by))
        colour = kHull;
    const float light = boatLight(boat, aspect, phase);
    if (light == 0.0f)
        return;
    const float distance = std::hypot(u - bx, v - (by - kMast));
    add(colour, kBoatLight, light * (1.0f - smoothstep(0.004f, 0.007f, distance)));
    add(colour, kBoatLight, light * 0.35f * std::exp(-distance * distance / 0.0002f));
    // The light's path on the water: a broken streak below the boat, fading with distance.
    const float below = v - by - 0.008f;
    if (below > 0.0f && below < 0.06f && dx < 0.005f)
        add(colour, kBoatLight, light * 0.5f * (1.0f - below / 0.06f) * (0.3f + crest));
}

// The beam's light at (u, v): bright along its heading, fading with distance from the lantern and
// weaker in the sky than on the sea, where the crests catch it.
float beamLight(float u, float v, float aspect, float phase, float crest) {
    // Across and along the beam's heading, from the lantern: only points within a few spreads of it
    // are lit, which spares the angle elsewhere.
    const float heading = beamHeading(phase);
    const float dx = u - kLanternX * aspect, dy = kLanternY - v;
    const float along = dx * std::sin(heading) + dy * std::cos(heading);
    const float across = dx * std::cos(heading) - dy * std::sin(heading);
    if (along <= 0.0f || std::fabs(across) > 3.5f * kBeamSpread * along)
        return 0.0f;
    const float off = std::atan2(across, along) / kBeamSpread;
    const float distance = std::hypot(dx, dy);
    const float strength = smoothstep(0.0f, kLampWarming, phase) / (1.0f + 0.8f * distance * distance);
    const float light = strength * std::exp(-off * off);
    if (v < kHorizon)
        return 0.45f * light;
    return light * (0.55f + 0.9f * crest);
}

// The gallery's rail: a top rail, a lower rail and posts, black against the night.
bool isRail(float u, float v, float aspect) {
    if ((v >= 0.86f && v < 0.875f) || (v >= 0.94f && v < 0.95f))
        return true;
    if (v < 0.875f)
        return false;
    for (float post : {0.1f, 0.35f, 0.6f, 0.85f}) {
        if (std::fabs(u - post * aspect) < 0.008f)
            return true;
    }
    return false;
}

} // namespace

Sample beam(float x, float y, float width, float height, float phase) {
    const float u = x / height, v = y / height, aspect = width / height;
    if (isRail(u, v, aspect))
        return {kIron.r, kIron.g, kIron.b, 1.0f};
    const float crest = v >= kHorizon ? waveCrest(u, v - kHorizon, phase) : 0.0f;
    Colour colour = skyOrSea(u, v, crest);
    for (const Boat &boat : kBoats)
        drawBoat(colour, u, v, boat, aspect, phase, crest);
    add(colour, kBeamLight, beamLight(u, v, aspect, phase, crest));
    return {std::min(colour.r, 1.0f), std::min(colour.g, 1.0f), std::min(colour.b, 1.0f), 1.0f};
}

} // namespace videoscene
