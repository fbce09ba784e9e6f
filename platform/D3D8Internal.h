#pragma once
// The classes of the Direct3D 8 face. Each stands for one object of the software device (D3D9Internal.h),
// made on first use through faceOf and kept by that object: AddRef and Release go to the object itself,
// so the two faces share one reference count and nothing is copied.

#include <memory>

#include "platform/D3D8.h"
#include "platform/D3D9Internal.h"

template <typename Face, typename Object> Face *faceOf(Object *object) {
    if (!object)
        return nullptr;
    if (!object->face())
        object->setFace(std::make_unique<Face>(object));
    return static_cast<Face *>(object->face());
}

class D3D8Surface final : public IDirect3DSurface8, public D3DFaceCompanion {
public:
    explicit D3D8Surface(D3D9Surface *surface) : surface_(surface) {}

    ULONG AddRef() override { return surface_->AddRef(); }
    ULONG Release() override { return surface_->Release(); }
    HRESULT GetDevice(IDirect3DDevice8 **device) override;
    HRESULT GetDesc(D3DSURFACE_DESC *desc) override { return surface_->GetDesc(desc); }
    HRESULT LockRect(D3DLOCKED_RECT *locked, const RECT *rect, DWORD flags) override {
        return surface_->LockRect(locked, rect, flags);
    }
    HRESULT UnlockRect() override { return surface_->UnlockRect(); }

    D3D9Surface *object() const { return surface_; }

private:
    D3D9Surface *surface_;
};

class D3D8Texture final : public IDirect3DTexture8, public D3DFaceCompanion {
public:
    explicit D3D8Texture(D3D9Texture *texture) : texture_(texture) {}

    ULONG AddRef() override { return texture_->AddRef(); }
    ULONG Release() override { return texture_->Release(); }
    HRESULT GetDevice(IDirect3DDevice8 **device) override;
    DWORD GetLevelCount() override { return texture_->GetLevelCount(); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC *desc) override { return texture_->GetLevelDesc(level, desc); }
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8 **surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT *locked, const RECT *rect, DWORD flags) override {
        return texture_->LockRect(level, locked, rect, flags);
    }
    HRESULT UnlockRect(UINT level) override { return texture_->UnlockRect(level); }

    D3D9Texture *object() const { return texture_; }

private:
    D3D9Texture *texture_;
};

class D3D8VertexBuffer final : public IDirect3DVertexBuffer8, public D3DFaceCompanion {
public:
    explicit D3D8VertexBuffer(D3D9VertexBuffer *buffer) : buffer_(buffer) {}

    ULONG AddRef() override { return buffer_->AddRef(); }
    ULONG Release() override { return buffer_->Release(); }
    HRESULT GetDevice(IDirect3DDevice8 **device) override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC *desc) override { return buffer_->GetDesc(desc); }
    HRESULT Lock(UINT offset, UINT size, BYTE **data, DWORD flags) override {
        return buffer_->Lock(offset, size, reinterpret_cast<void **>(data), flags);
    }
    HRESULT Unlock() override { return buffer_->Unlock(); }

    D3D9VertexBuffer *object() const { return buffer_; }

private:
    D3D9VertexBuffer *buffer_;
};

class D3D8Device final : public IDirect3DDevice8, public D3DFaceCompanion {
public:
    explicit D3D8Device(D3D9Device *device) : device_(device) {}

    ULONG AddRef() override { return device_->AddRef(); }
    ULONG Release() override { return device_->Release(); }
    HRESULT TestCooperativeLevel() override { return device_->TestCooperativeLevel(); }
    UINT GetAvailableTextureMem() override { return device_->GetAvailableTextureMem(); }
    HRESULT GetDeviceCaps(D3DCAPS8 *caps) override { return device_->GetDeviceCaps(caps); }
    HRESULT GetDisplayMode(D3DDISPLAYMODE *mode) override { return device_->GetDisplayMode(0, mode); }
    HRESULT Reset(D3DPRESENT_PARAMETERS *params) override { return device_->Reset(params); }
    HRESULT Present(const RECT *sourceRect, const RECT *destRect, HWND destWindow, const void *dirtyRegion) override {
        return device_->Present(sourceRect, destRect, destWindow, dirtyRegion);
    }
    HRESULT GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8 **surface) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8 **texture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8 **buffer) override;
    HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                      IDirect3DSurface8 **surface) override;
    HRESULT CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8 **surface) override;
    HRESULT CopyRects(IDirect3DSurface8 *source, const RECT *sourceRects, UINT rectCount,
                      IDirect3DSurface8 *destination, const POINT *destinationPoints) override;
    HRESULT SetRenderTarget(IDirect3DSurface8 *colour, IDirect3DSurface8 *depth) override;
    HRESULT GetRenderTarget(IDirect3DSurface8 **surface) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface8 **surface) override;
    HRESULT BeginScene() override { return device_->BeginScene(); }
    HRESULT EndScene() override { return device_->EndScene(); }
    HRESULT Clear(DWORD count, const D3DRECT *rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override {
        return device_->Clear(count, rects, flags, color, z, stencil);
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX *matrix) override {
        return device_->SetTransform(state, matrix);
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX *matrix) override {
        return device_->GetTransform(state, matrix);
    }
    HRESULT SetViewport(const D3DVIEWPORT8 *viewport) override;
    HRESULT GetViewport(D3DVIEWPORT8 *viewport) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        return device_->SetRenderState(state, value);
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD *value) override {
        return device_->GetRenderState(state, value);
    }
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8 *texture) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8 **texture) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD *value) override;
    HRESULT SetVertexShader(DWORD fvf) override { return device_->SetFVF(fvf); }
    HRESULT GetVertexShader(DWORD *fvf) override { return device_->GetFVF(fvf); }
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8 *buffer, UINT stride) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override {
        return device_->DrawPrimitive(type, startVertex, primitiveCount);
    }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void *vertexData, UINT stride) override {
        return device_->DrawPrimitiveUP(type, primitiveCount, vertexData, stride);
    }

private:
    D3D9Device *device_;
};

// The objects behind the faces the caller holds (null for null).
D3D9Surface *objectOf(IDirect3DSurface8 *surface);
D3D9Texture *objectOf(IDirect3DBaseTexture8 *texture);
D3D9VertexBuffer *objectOf(IDirect3DVertexBuffer8 *buffer);
// The Direct3D 8 face of what a Direct3D 9 call handed out (its reference passes to the caller).
IDirect3DDevice8 *deviceFace(IDirect3DDevice9 *device);
IDirect3DSurface8 *surfaceFace(IDirect3DSurface9 *surface);
