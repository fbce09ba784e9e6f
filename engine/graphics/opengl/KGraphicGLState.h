#pragma once
// State shared by the OpenGL pictures and batches, one per process: the window, the caches that keep
// runs of draws of one picture from repeating state calls (bound texture and target, coordinate scale,
// blending, colour), the batch that last pointed the vertex arrays elsewhere, the scratch quad the picture
// draws use, the render-target stack and the staging buffer of uploads. Main thread only; the caches hold
// while one context is current and are reset whenever something else changes GL state behind them.

#include <cstdint>
#include <vector>

#include "platform/WGL.h"

class KBatchGL;
class KGraphicGL;
class KGraphicGLWindow;

struct KGraphicGLRenderer {
    KGraphicGLWindow *window = nullptr;

    // Texture binding (unit 0): 0 is none (texturing and the texture-coordinate array off).
    GLuint boundTexture = 0;
    GLenum boundTarget = 0;
    float scaleU = 1.0f, scaleV = 1.0f;
    // Blending: -1 unknown.
    int32_t blending = -1;
    int32_t sourceBlend = -1, destinationBlend = -1;
    // The current GL colour, when known.
    bool colorKnown = false;
    float color[4] = {1, 1, 1, 1};
    // The batch that pointed the arrays at its own; null when they point at the scratch quad.
    KBatchGL *lastBatch = nullptr;

    float scratchPositions[8] = {};
    float scratchTexCoords[8] = {};
    float maskTexCoords[8] = {};

    static constexpr int kTargetDepth = 4;
    KGraphicGL *targets[kTargetDepth] = {};

    std::vector<uint32_t> staging;
};

KGraphicGLRenderer &glRenderer();

// Forgets the binding, blend and colour caches after GL state changed behind them.
void resetGLStateCaches();
// The default arrays of the picture layer: vertex array on, colour and texture-coordinate arrays off,
// the vertex and texture-coordinate arrays pointed at the scratch quad.
void pointArraysAtScratchQuad();
// Unbinds any texture and turns texturing off (unit 0).
void unbindGLTexture();
void setGLBlending(bool on);
void setGLBlendFactors(GLenum source, GLenum destination);
void setGLColor(float red, float green, float blue, float alpha);
// The window's view height (what y is flipped against); 0 without a window.
float glViewHeight();
