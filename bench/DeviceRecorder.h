#pragma once
// A recorder that stands in for the software device: every call goes on to the device, and while it
// records, what the calls ask of the rasteriser is kept (states, textures, transforms, viewports, clears,
// scene brackets, and each draw's vertices copied out of its vertex buffer). Replaying the recording
// straight into the device makes the same quads in the same states with none of the game's work: the
// pure raster cost of a frame that the game drew.

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/graphics/KBatchD3D9.h"
#include "engine/graphics/KGraphicD3D9.h"
#include "engine/graphics/KGraphicD3D9WindowLink.h"
#include "engine/window/KWindowD3D9.h"
#include "platform/D3D9.h"

namespace benchsupport {

// The engine's pictures and batches of the window draw through the device given.
inline void drawThrough(KWindowD3D9 *window, IDirect3DDevice9 *device) {
    window->device = device;
    KGraphicD3D9::bindDevice(graphicWindowLink(window));
    bindBatchDevice(graphicWindowLink(window));
}

class DeviceRecorder : public IDirect3DDevice9 {
public:
    explicit DeviceRecorder(IDirect3DDevice9 *device) : device_(device) {}
    ~DeviceRecorder() override = default;

    void startRecording() {
        calls_.clear();
        recording_ = true;
    }
    void stopRecording() { recording_ = false; }
    // Records what the drawing asks of the device while the window's engine draws through the recorder.
    template <typename Draw>
    void recordThrough(KWindowD3D9 *window, Draw draw) {
        drawThrough(window, this);
        startRecording();
        draw();
        stopRecording();
        drawThrough(window, device_);
    }
    size_t drawCount() const {
        size_t count = 0;
        for (const Call &call : calls_)
            count += call.kind == Call::kDraw ? 1 : 0;
        return count;
    }
    // The recorded calls again, in their order, into the device; draws from copied vertices.
    void replay(IDirect3DDevice9 *device) const {
        for (const Call &call : calls_) {
            switch (call.kind) {
            case Call::kRenderState: device->SetRenderState(D3DRENDERSTATETYPE(call.a), call.b); break;
            case Call::kStageState: device->SetTextureStageState(call.a, D3DTEXTURESTAGESTATETYPE(call.b), call.c); break;
            case Call::kSamplerState: device->SetSamplerState(call.a, D3DSAMPLERSTATETYPE(call.b), call.c); break;
            case Call::kTexture: device->SetTexture(call.a, call.texture); break;
            case Call::kTransform:
                device->SetTransform(D3DTRANSFORMSTATETYPE(call.a), reinterpret_cast<const D3DMATRIX *>(call.bytes.data()));
                break;
            case Call::kViewport: device->SetViewport(reinterpret_cast<const D3DVIEWPORT9 *>(call.bytes.data())); break;
            case Call::kFvf: device->SetFVF(call.a); break;
            case Call::kClear: device->Clear(0, nullptr, call.a, call.b, 1.0f, 0); break;
            case Call::kBeginScene: device->BeginScene(); break;
            case Call::kEndScene: device->EndScene(); break;
            case Call::kDraw:
                device->DrawPrimitiveUP(D3DPRIMITIVETYPE(call.a), call.b, call.bytes.data(), call.c);
                break;
            }
        }
    }

    ULONG AddRef() override { return device_->AddRef(); }
    ULONG Release() override { return device_->Release(); }
    HRESULT TestCooperativeLevel() override { return device_->TestCooperativeLevel(); }
    UINT GetAvailableTextureMem() override { return device_->GetAvailableTextureMem(); }
    HRESULT GetDirect3D(IDirect3D9 **d3d) override { return device_->GetDirect3D(d3d); }
    HRESULT GetDeviceCaps(D3DCAPS9 *caps) override { return device_->GetDeviceCaps(caps); }
    HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE *mode) override {
        return device_->GetDisplayMode(swapChain, mode);
    }
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS *params) override {
        return device_->GetCreationParameters(params);
    }
    HRESULT Reset(D3DPRESENT_PARAMETERS *params) override { return device_->Reset(params); }
    HRESULT Present(const RECT *source, const RECT *destination, HWND window, const void *dirty) override {
        return device_->Present(source, destination, window, dirty);
    }
    HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9 **surface) override {
        return device_->GetBackBuffer(swapChain, index, type, surface);
    }
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture9 **texture, HANDLE *shared) override {
        return device_->CreateTexture(width, height, levels, usage, format, pool, texture, shared);
    }
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9 **buffer,
                               HANDLE *shared) override {
        return device_->CreateVertexBuffer(length, usage, fvf, pool, buffer, shared);
    }
    HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                      DWORD quality, BOOL discard, IDirect3DSurface9 **surface, HANDLE *shared) override {
        return device_->CreateDepthStencilSurface(width, height, format, multiSample, quality, discard, surface, shared);
    }
    HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DSurface9 **surface, HANDLE *shared) override {
        return device_->CreateOffscreenPlainSurface(width, height, format, pool, surface, shared);
    }
    HRESULT GetRenderTargetData(IDirect3DSurface9 *target, IDirect3DSurface9 *destination) override {
        return device_->GetRenderTargetData(target, destination);
    }
    HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9 *surface) override {
        return device_->SetRenderTarget(index, surface);
    }
    HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9 **surface) override {
        return device_->GetRenderTarget(index, surface);
    }
    HRESULT SetDepthStencilSurface(IDirect3DSurface9 *surface) override { return device_->SetDepthStencilSurface(surface); }
    HRESULT GetDepthStencilSurface(IDirect3DSurface9 **surface) override {
        return device_->GetDepthStencilSurface(surface);
    }
    HRESULT BeginScene() override {
        record({Call::kBeginScene});
        return device_->BeginScene();
    }
    HRESULT EndScene() override {
        record({Call::kEndScene});
        return device_->EndScene();
    }
    HRESULT Clear(DWORD count, const D3DRECT *rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override {
        if (count == 0 && (flags & D3DCLEAR_TARGET))
            record({Call::kClear, DWORD(flags & D3DCLEAR_TARGET), color});
        return device_->Clear(count, rects, flags, color, z, stencil);
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX *matrix) override {
        recordBytes({Call::kTransform, DWORD(state)}, matrix, sizeof *matrix);
        return device_->SetTransform(state, matrix);
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX *matrix) override {
        return device_->GetTransform(state, matrix);
    }
    HRESULT SetViewport(const D3DVIEWPORT9 *viewport) override {
        recordBytes({Call::kViewport}, viewport, sizeof *viewport);
        return device_->SetViewport(viewport);
    }
    HRESULT GetViewport(D3DVIEWPORT9 *viewport) override { return device_->GetViewport(viewport); }
    HRESULT SetMaterial(const D3DMATERIAL9 *material) override { return device_->SetMaterial(material); }
    HRESULT GetMaterial(D3DMATERIAL9 *material) override { return device_->GetMaterial(material); }
    HRESULT SetLight(DWORD index, const D3DLIGHT9 *light) override { return device_->SetLight(index, light); }
    HRESULT GetLight(DWORD index, D3DLIGHT9 *light) override { return device_->GetLight(index, light); }
    HRESULT LightEnable(DWORD index, BOOL enable) override { return device_->LightEnable(index, enable); }
    HRESULT GetLightEnable(DWORD index, BOOL *enable) override { return device_->GetLightEnable(index, enable); }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        record({Call::kRenderState, DWORD(state), value});
        return device_->SetRenderState(state, value);
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD *value) override {
        return device_->GetRenderState(state, value);
    }
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9 *texture) override {
        Call call{Call::kTexture, stage};
        call.texture = texture;
        record(call);
        return device_->SetTexture(stage, texture);
    }
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9 **texture) override { return device_->GetTexture(stage, texture); }
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
        record({Call::kStageState, stage, DWORD(type), value});
        return device_->SetTextureStageState(stage, type, value);
    }
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD *value) override {
        return device_->GetTextureStageState(stage, type, value);
    }
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override {
        record({Call::kSamplerState, sampler, DWORD(type), value});
        return device_->SetSamplerState(sampler, type, value);
    }
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD *value) override {
        return device_->GetSamplerState(sampler, type, value);
    }
    HRESULT SetFVF(DWORD fvf) override {
        record({Call::kFvf, fvf});
        return device_->SetFVF(fvf);
    }
    HRESULT GetFVF(DWORD *fvf) override { return device_->GetFVF(fvf); }
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9 *buffer, UINT offset, UINT stride) override {
        if (stream == 0) {
            stream_ = buffer;
            streamOffset_ = offset;
            streamStride_ = stride;
        }
        return device_->SetStreamSource(stream, buffer, offset, stride);
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override {
        if (recording_ && stream_) {
            const UINT bytes = vertexCount(type, primitiveCount) * streamStride_;
            void *data = nullptr;
            if (stream_->Lock(streamOffset_ + startVertex * streamStride_, bytes, &data, D3DLOCK_READONLY) == D3D_OK) {
                recordBytes({Call::kDraw, DWORD(type), primitiveCount, streamStride_}, data, bytes);
                stream_->Unlock();
            }
        }
        return device_->DrawPrimitive(type, startVertex, primitiveCount);
    }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void *vertices, UINT stride) override {
        recordBytes({Call::kDraw, DWORD(type), primitiveCount, stride}, vertices, vertexCount(type, primitiveCount) * stride);
        return device_->DrawPrimitiveUP(type, primitiveCount, vertices, stride);
    }
    HRESULT CreatePixelShader(const DWORD *function, IDirect3DPixelShader9 **shader) override {
        return device_->CreatePixelShader(function, shader);
    }
    HRESULT SetPixelShader(IDirect3DPixelShader9 *shader) override { return device_->SetPixelShader(shader); }
    HRESULT SetPixelShaderConstantF(UINT first, const float *data, UINT count) override {
        return device_->SetPixelShaderConstantF(first, data, count);
    }

private:
    struct Call {
        enum Kind { kRenderState, kStageState, kSamplerState, kTexture, kTransform, kViewport, kFvf, kClear,
                    kBeginScene, kEndScene, kDraw };
        Call(Kind callKind, DWORD first = 0, DWORD second = 0, DWORD third = 0)
            : kind(callKind), a(first), b(second), c(third) {}
        Kind kind;
        DWORD a, b, c;
        IDirect3DBaseTexture9 *texture = nullptr;
        std::vector<uint8_t> bytes;
    };

    static UINT vertexCount(D3DPRIMITIVETYPE type, UINT primitives) {
        switch (type) {
        case D3DPT_TRIANGLELIST: return primitives * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return primitives + 2;
        case D3DPT_LINELIST: return primitives * 2;
        case D3DPT_LINESTRIP: return primitives + 1;
        default: return primitives;
        }
    }
    void record(Call call) {
        if (recording_)
            calls_.push_back(std::move(call));
    }
    void recordBytes(Call call, const void *data, size_t size) {
        if (!recording_)
            return;
        call.bytes.assign(static_cast<const uint8_t *>(data), static_cast<const uint8_t *>(data) + size);
        calls_.push_back(std::move(call));
    }

    IDirect3DDevice9 *device_;
    bool recording_ = false;
    std::vector<Call> calls_;
    IDirect3DVertexBuffer9 *stream_ = nullptr;
    UINT streamOffset_ = 0;
    UINT streamStride_ = 0;
};

} // namespace benchsupport
