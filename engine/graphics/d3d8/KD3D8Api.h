#pragma once
// How the shared Direct3D picture and batch code (KGraphicD3DCommon, KBatchD3DCommon) reaches a Direct3D 8
// device: the types of its objects and the calls whose arguments differ from Direct3D 9's (filters and
// addressing are texture-stage states, the vertex format is set as a vertex shader, colour and depth
// targets go in one call, read-back copies through an image surface).

#include "platform/D3D8.h"

class KGraphicD3D8Window;

struct KD3D8Api {
    using Device = IDirect3DDevice8;
    using BaseTexture = IDirect3DBaseTexture8;
    using Texture = IDirect3DTexture8;
    using Surface = IDirect3DSurface8;
    using VertexBuffer = IDirect3DVertexBuffer8;
    using Window = KGraphicD3D8Window;

    static constexpr const char *kArea = "D3D8";
    static constexpr DWORD kReadBackLockFlags = D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK | D3DLOCK_NO_DIRTY_UPDATE;

    static HRESULT createTexture(Device *device, UINT width, UINT height, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                 Texture **texture) {
        return device->CreateTexture(width, height, 1, usage, format, pool, texture);
    }
    static HRESULT createVertexBuffer(Device *device, UINT length, DWORD usage, DWORD fvf, VertexBuffer **buffer) {
        return device->CreateVertexBuffer(length, usage, fvf, D3DPOOL_DEFAULT, buffer);
    }
    static HRESULT createDepthSurface(Device *device, UINT width, UINT height, D3DFORMAT format, Surface **surface) {
        return device->CreateDepthStencilSurface(width, height, format, D3DMULTISAMPLE_NONE, surface);
    }
    static HRESULT lockVertices(VertexBuffer *buffer, DWORD flags, void **data) {
        BYTE *bytes = nullptr;
        HRESULT result = buffer->Lock(0, 0, &bytes, flags);
        *data = bytes;
        return result;
    }
    static void setSamplerState(Device *device, DWORD stage, D3DSAMPLERSTATETYPE type, DWORD value) {
        device->SetTextureStageState(stage, stageStateOf(type), value);
    }
    static void setVertexFormat(Device *device, DWORD fvf) { device->SetVertexShader(fvf); }
    static void setStream(Device *device, VertexBuffer *buffer, UINT stride) {
        device->SetStreamSource(0, buffer, stride);
    }
    // Colour and depth together; a null depth means none.
    static void setRenderTarget(Device *device, Surface *colour, Surface *depth) {
        device->SetRenderTarget(colour, depth);
    }
    static void setViewport(Device *device, DWORD x, DWORD y, DWORD width, DWORD height) {
        D3DVIEWPORT8 viewport = {x, y, width, height, 0.0f, 1.0f};
        device->SetViewport(&viewport);
    }
    static HRESULT getBackBuffer(Device *device, Surface **surface) {
        return device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, surface);
    }
    static HRESULT copyToSystemMemory(Device *device, Surface *source, const D3DSURFACE_DESC &desc, Surface **copy) {
        HRESULT result = device->CreateImageSurface(desc.Width, desc.Height, desc.Format, copy);
        if (SUCCEEDED(result))
            result = device->CopyRects(source, nullptr, 0, *copy, nullptr);
        return result;
    }

    // The stage state that holds a sampler state in Direct3D 8.
    static D3DTEXTURESTAGESTATETYPE stageStateOf(D3DSAMPLERSTATETYPE type) {
        switch (type) {
        case D3DSAMP_ADDRESSU: return D3DTSS_ADDRESSU;
        case D3DSAMP_ADDRESSV: return D3DTSS_ADDRESSV;
        case D3DSAMP_MAGFILTER: return D3DTSS_MAGFILTER;
        case D3DSAMP_MINFILTER: return D3DTSS_MINFILTER;
        case D3DSAMP_MIPFILTER: return D3DTSS_MIPFILTER;
        case D3DSAMP_ADDRESSW: return D3DTSS_ADDRESSW;
        default: return (D3DTEXTURESTAGESTATETYPE)0; // refused by the device
        }
    }
};
