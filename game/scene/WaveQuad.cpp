#include "game/scene/WaveQuad.h"

#include "engine/graphics/KGraphic.h"
#include "game/HoContext.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/util/MathTables.h"
#include "game/util/NumericHelpers.h"

namespace {

// Each strip's phase in the wave; neighbouring strips share their common edge.
constexpr int64_t kStripPhase = 137;
constexpr int64_t kFirstPhase = 1237;
// Phase times speed to a step of the cosine table.
constexpr float kPhaseToTableSteps = 114.688f;
constexpr float kPercent = 0.01f;

struct Wave {
    int32_t strips;
    float speed;
    float amplitude; // percent of the quad's side
};

// Where edge k of the strips lies along the side, as a fraction of it, swayed by the wave.
float edgeAt(const Wave &wave, int64_t frame, int32_t k) {
    const int64_t phase = int64_t(k) * kStripPhase + kFirstPhase + frame;
    const int32_t step = stepsToTableIndex(double(float(phase) * wave.speed * kPhaseToTableSteps));
    return cosTable[step] * wave.amplitude * kPercent + float(k) / float(wave.strips);
}

// Strips across the side from `start` to `end` of both the quad and the source.
void drawStrips(const SceneElement &element, HoRenderable &renderable, const FrameRect &source, float opacity,
                const Wave &wave, ScreenPoint startA, ScreenPoint endA, ScreenPoint startB, ScreenPoint endB,
                bool acrossWidth) {
    const int64_t frame = element.scene ? element.scene->frameCounter : 0;
    for (int32_t i = 0; i < wave.strips; ++i) {
        const float t0 = edgeAt(wave, frame, i), t1 = edgeAt(wave, frame, i + 1);
        const float s0 = float(i) / float(wave.strips), s1 = float(i + 1) / float(wave.strips);
        FrameRect slice = source;
        QuadCorners strip;
        if (acrossWidth) {
            slice.left = lerp(source.left, source.right, s0);
            slice.right = lerp(source.left, source.right, s1);
            strip = {lerp(startA, endA, t0), lerp(startA, endA, t1), lerp(startB, endB, t1), lerp(startB, endB, t0)};
        } else {
            slice.top = lerp(source.top, source.bottom, s0);
            slice.bottom = lerp(source.top, source.bottom, s1);
            strip = {lerp(startA, endA, t0), lerp(startB, endB, t0), lerp(startB, endB, t1), lerp(startA, endA, t1)};
        }
        renderable.draw(element, opacity, slice, strip);
    }
}

} // namespace

void drawWaveQuad(const SceneElement &element, const QuadCorners &quad, HoRenderable &renderable,
                  const FrameRect &source, float opacity) {
    const Wave first{element.waveStrips1, element.waveSpeed1, element.waveAmplitude1};
    const Wave second{element.waveStrips2, element.waveSpeed2, element.waveAmplitude2};
    if (first.strips < 2 && second.strips < 2)
        renderable.draw(element, opacity, source, quad);
    else if (second.strips < 2)
        drawStrips(element, renderable, source, opacity, first, quad[0], quad[1], quad[3], quad[2], true);
    else
        drawStrips(element, renderable, source, opacity, second, quad[0], quad[3], quad[1], quad[2], false);
    if (currentContext && currentContext->boundPicture)
        currentContext->boundPicture->setTintColor(1.0f, 1.0f, 1.0f, 1.0f);
}
