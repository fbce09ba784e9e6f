#pragma once
// State shared by the pictures and batches of one Direct3D renderer (one instance per Direct3D version):
// the device and window in use, the render-state cache (each entry holds what was last sent to the device,
// so runs of draws of one picture cost one texture bind), the model-transform flag, the render-target
// stack and the batches' screen mapping. Used under its mutex, which also guards the picture and batch
// lists between the drawing thread and a loading thread.

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/D3D9.h"

template <class Api> class KGraphicD3DCommon;

// Colour components in 0..1 (clamped) packed as an ARGB word, each truncated from c x 255.
uint32_t packColor(float red, float green, float blue, float alpha);
D3DMATRIX identityMatrix();

// The pictures that are being drawn into, top first: a push moves the others down and drops the fourth.
template <class Picture> struct RenderTargetStack {
    static constexpr int kDepth = 4;
    Picture *entries[kDepth] = {};

    Picture *top() const { return entries[0]; }
    int size() const {
        int count = 0;
        while (count < kDepth && entries[count])
            ++count;
        return count;
    }
    void push(Picture *picture) {
        std::copy_backward(entries, entries + kDepth - 1, entries + kDepth);
        entries[0] = picture;
    }
    Picture *pop() {
        Picture *popped = entries[0];
        std::copy(entries + 1, entries + kDepth, entries);
        entries[kDepth - 1] = nullptr;
        return popped;
    }
    // Takes a picture out wherever it stands (one that goes away must not be resumed later).
    void remove(Picture *picture) {
        Picture **kept = std::remove(entries, entries + kDepth, picture);
        std::fill(kept, entries + kDepth, nullptr);
    }
    void clear() { std::fill(entries, entries + kDepth, nullptr); }
};

template <class Api> struct KD3DRenderer {
    using Device = typename Api::Device;
    using BaseTexture = typename Api::BaseTexture;
    using Surface = typename Api::Surface;
    using Window = typename Api::Window;

    Device *device = nullptr;
    Window *window = nullptr;
    Surface *backBuffer = nullptr;
    Surface *depthSurface = nullptr;

    // Cache; -1 (or an unknown texture) means the next use sends the value.
    BaseTexture *texture = nullptr;
    bool textureKnown = false;
    float textureWidth = 1.0f, textureHeight = 1.0f;
    int32_t blending = -1;
    int32_t sourceBlend = -1, destinationBlend = -1;
    int32_t filter = -1;
    int32_t addressing = -1;
    // A transformed draw left a model (world) matrix other than the identity on the device.
    bool modelTransformChanged = false;

    static constexpr int kTargetDepth = RenderTargetStack<KGraphicD3DCommon<Api>>::kDepth;
    RenderTargetStack<KGraphicD3DCommon<Api>> targets;

    // Pre-transformed batch vertices are placed into the game area by this mapping (the letterbox).
    bool mappingOn = false;
    float mappingScale = 1.0f, mappingX = 0.0f, mappingY = 0.0f;

    std::recursive_mutex mutex;
    // The thread that bound the device: only it may flip frames.
    std::thread::id drawingThread;

    static KD3DRenderer &instance() {
        static KD3DRenderer renderer;
        return renderer;
    }

    // Forgets every cached state entry (after the device's state changed behind the cache). The last texture
    // sent is remembered even while unknown, so that releasing it can unbind it.
    void resetCache() {
        textureKnown = false;
        textureWidth = textureHeight = 1.0f;
        blending = -1;
        sourceBlend = destinationBlend = -1;
        filter = -1;
        addressing = -1;
    }

    void setTexture(BaseTexture *bound, float width, float height) {
        if (textureKnown && texture == bound)
            return;
        device->SetTexture(0, bound);
        texture = bound;
        textureKnown = true;
        textureWidth = bound ? width : 1.0f;
        textureHeight = bound ? height : 1.0f;
    }
    // Unbinds stage 0 on the device and in the cache.
    void unbindTexture() {
        device->SetTexture(0, nullptr);
        texture = nullptr;
        textureKnown = true;
        textureWidth = textureHeight = 1.0f;
    }
    void setBlending(bool on) {
        if (blending == (int32_t)on)
            return;
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, on ? TRUE : FALSE);
        blending = on;
    }
    void setBlendFactors(uint32_t source, uint32_t destination) {
        if (sourceBlend != (int32_t)source) {
            device->SetRenderState(D3DRS_SRCBLEND, source);
            sourceBlend = (int32_t)source;
        }
        if (destinationBlend != (int32_t)destination) {
            device->SetRenderState(D3DRS_DESTBLEND, destination);
            destinationBlend = (int32_t)destination;
        }
    }
    void setFilter(uint32_t value) {
        if (filter == (int32_t)value)
            return;
        for (D3DSAMPLERSTATETYPE type : {D3DSAMP_MAGFILTER, D3DSAMP_MINFILTER, D3DSAMP_MIPFILTER})
            Api::setSamplerState(device, 0, type, value);
        filter = (int32_t)value;
    }
    void setAddressing(uint32_t value) {
        if (addressing == (int32_t)value)
            return;
        Api::setSamplerState(device, 0, D3DSAMP_ADDRESSU, value);
        Api::setSamplerState(device, 0, D3DSAMP_ADDRESSV, value);
        addressing = (int32_t)value;
    }
    // Loads the identity model transform when a transformed draw left another one.
    void loadIdentityModelIfChanged() {
        if (!modelTransformChanged)
            return;
        D3DMATRIX identity = identityMatrix();
        device->SetTransform(D3DTS_WORLD, &identity);
        modelTransformChanged = false;
    }
    void loadModelTransform(const D3DMATRIX &matrix) {
        device->SetTransform(D3DTS_WORLD, &matrix);
        modelTransformChanged = true;
    }
    // Back to the neutral state of a fresh frame: the cache forgotten, no texture, no blending, identity
    // model transform.
    void resetDeviceDrawingState() {
        resetCache();
        setTexture(nullptr, 1.0f, 1.0f);
        setBlending(false);
        D3DMATRIX identity = identityMatrix();
        device->SetTransform(D3DTS_WORLD, &identity);
        modelTransformChanged = false;
    }
    // The batch mapping from the window's game area (off while a picture is the render target).
    void takeScreenMappingFromWindow();
    void switchScreenMappingOff() {
        mappingOn = false;
        mappingScale = 1.0f;
        mappingX = mappingY = 0.0f;
    }
    // The device can draw: its cooperative-level test passes and the window has not flagged it lost.
    // Otherwise the window's device-lost flag is raised.
    bool deviceReadyForDrawing();
};

template <class Api> void KD3DRenderer<Api>::takeScreenMappingFromWindow() {
    if (!window)
        return;
    auto area = window->getGameArea();
    mappingOn = area.aspectActive;
    mappingScale = area.scale;
    mappingX = (float)area.x;
    mappingY = (float)area.y;
}

template <class Api> bool KD3DRenderer<Api>::deviceReadyForDrawing() {
    if (!device || !window)
        return false;
    if (window->isDeviceLost() || device->TestCooperativeLevel() != D3D_OK) {
        window->setDeviceLost();
        return false;
    }
    return true;
}
