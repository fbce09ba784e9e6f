#pragma once
// How the shared Direct3D picture and batch code (KGraphicD3DCommon, KBatchD3DCommon) reaches a Direct3D 9
// device: the types of its objects and the calls whose arguments differ from Direct3D 8's.

#include "platform/D3D9.h"

class KGraphicD3D9Window;

struct KD3D9Api {
    using Device = IDirect3DDevice9;
    using BaseTexture = IDirect3DBaseTexture9;
    using Texture = IDirect3DTexture9;
    using Surface = IDirect3DSurface9;
    using VertexBuffer = IDirect3DVertexBuffer9;
    using Window = KGraphicD3D9Window;

    // The area that begins the renderer's log lines.
    static constexpr const char *kArea = "D3D9";
    // How a system-memory copy of a target is locked for reading.
    static constexpr DWORD kReadBackLockFlags = D3DLOCK_READONLY;

    static HRESULT createTexture(Device *device, UINT width, UINT height, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                 Texture **texture) {
        return device->CreateTexture(width, height, 1, usage, format, pool, texture, nullptr);
    }
    static HRESULT createVertexBuffer(Device *device, UINT length, DWORD usage, DWORD fvf, VertexBuffer **buffer) {
        return device->CreateVertexBuffer(length, usage, fvf, D3DPOOL_DEFAULT, buffer, nullptr);
    }
    static HRESULT createDepthSurface(Device *device, UINT width, UINT height, D3DFORMAT format, Surface **surface) {
        return device->CreateDepthStencilSurface(width, height, format, D3DMULTISAMPLE_NONE, 0, TRUE, surface,
                                                 nullptr);
    }
    static HRESULT lockVertices(VertexBuffer *buffer, DWORD flags, void **data) {
        return buffer->Lock(0, 0, data, flags);
    }
    static void setSamplerState(Device *device, DWORD stage, D3DSAMPLERSTATETYPE type, DWORD value) {
        device->SetSamplerState(stage, type, value);
    }
    static void setVertexFormat(Device *device, DWORD fvf) { device->SetFVF(fvf); }
    static void setStream(Device *device, VertexBuffer *buffer, UINT stride) {
        device->SetStreamSource(0, buffer, 0, stride);
    }
    // The colour target, and the depth surface when there is one (otherwise the one bound stays).
    static void setRenderTarget(Device *device, Surface *colour, Surface *depth) {
        if (colour)
            device->SetRenderTarget(0, colour);
        if (depth)
            device->SetDepthStencilSurface(depth);
    }
    static void setViewport(Device *device, DWORD x, DWORD y, DWORD width, DWORD height) {
        D3DVIEWPORT9 viewport = {x, y, width, height, 0.0f, 1.0f};
        device->SetViewport(&viewport);
    }
    static HRESULT getBackBuffer(Device *device, Surface **surface) {
        return device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, surface);
    }
    // A lockable system-memory copy of a render target (or the back buffer) of the same size and format.
    static HRESULT copyToSystemMemory(Device *device, Surface *source, const D3DSURFACE_DESC &desc, Surface **copy) {
        HRESULT result =
            device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, copy, nullptr);
        if (SUCCEEDED(result))
            result = device->GetRenderTargetData(source, *copy);
        return result;
    }
};
