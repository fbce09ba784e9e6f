#pragma once
// State shared by the Direct3D 9 pictures and batches: the device and window in use, the render-state
// cache (each entry holds what was last sent to the device, so runs of draws of one picture cost one
// texture bind), the model-transform flag, the render-target stack and the batches' screen mapping.
// Used under KGraphicD3D9::rendererMutex().

#include <cstdint>

#include "platform/D3D9.h"

class KGraphicD3D9;
class KGraphicD3D9Window;

struct KGraphicD3D9Renderer {
    IDirect3DDevice9 *device = nullptr;
    KGraphicD3D9Window *window = nullptr;
    IDirect3DSurface9 *backBuffer = nullptr;
    IDirect3DSurface9 *depthSurface = nullptr;

    // Cache; -1 (or null) is unknown.
    IDirect3DBaseTexture9 *texture = nullptr;
    bool textureKnown = false;
    float textureWidth = 1.0f, textureHeight = 1.0f;
    int32_t blending = -1;
    int32_t sourceBlend = -1, destinationBlend = -1;
    int32_t filter = -1;
    int32_t addressing = -1;
    bool modelTransformChanged = false;

    static constexpr int kTargetDepth = 4;
    KGraphicD3D9 *targets[kTargetDepth] = {};

    // Pre-transformed batch vertices are placed into the game area by this mapping.
    bool mappingOn = false;
    float mappingScale = 1.0f, mappingX = 0.0f, mappingY = 0.0f;
};

KGraphicD3D9Renderer &d3d9Renderer();
// Remembers the calling thread as the one that draws and flips (set when the device is bound).
void noteDrawingThread();

// Forgets every cached state entry (after the device's state changed behind the cache).
void resetRenderStateCache();
// Cache-checked state changes.
void setCachedTexture(IDirect3DBaseTexture9 *texture, float width, float height);
void setCachedBlending(bool on);
void setCachedBlendFactors(uint32_t source, uint32_t destination);
void setCachedFilter(uint32_t filter);
void setCachedAddressing(uint32_t addressing);
// Loads the identity model transform when a transformed draw left another one.
void loadIdentityModelIfChanged();
void loadModelTransform(const D3DMATRIX &matrix);
// The batch mapping from the window's game area (off while a picture is the render target).
void takeScreenMappingFromWindow();
// The device can draw: its cooperative-level test passes and the window has not flagged it lost.
// Otherwise the window's device-lost flag is raised.
bool deviceReadyForDrawing();
// Colour components in 0..1 (clamped) packed as an ARGB word, each truncated from c x 255.
uint32_t packColor(float red, float green, float blue, float alpha);
D3DMATRIX identityMatrix();
