#pragma once
// The Direct3D 8 interface of the platform layer: a second face of the one software device of D3D9.h,
// over the very same device, textures, surfaces and vertex buffers. What both versions share (formats,
// result codes, render states, transforms, primitive types, the present parameters, surface and lock
// records) comes from D3D9.h; what differs keeps its Direct3D 8 name, so one translation unit can use both.

#include "platform/D3D9.h"

// Direct3D 8's own version number, which Direct3DCreate8 asks for.
#define D3D8_SDK_VERSION 220

// Direct3D 8 keeps addressing and filtering among the texture-stage states (Direct3D 9 moved them to the
// sampler states); the other stage states have the same numbers in both.
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ADDRESSU = (D3DTEXTURESTAGESTATETYPE)13;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ADDRESSV = (D3DTEXTURESTAGESTATETYPE)14;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_BORDERCOLOR = (D3DTEXTURESTAGESTATETYPE)15;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MAGFILTER = (D3DTEXTURESTAGESTATETYPE)16;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MINFILTER = (D3DTEXTURESTAGESTATETYPE)17;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MIPFILTER = (D3DTEXTURESTAGESTATETYPE)18;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MIPMAPLODBIAS = (D3DTEXTURESTAGESTATETYPE)19;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MAXMIPLEVEL = (D3DTEXTURESTAGESTATETYPE)20;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_MAXANISOTROPY = (D3DTEXTURESTAGESTATETYPE)21;
constexpr D3DTEXTURESTAGESTATETYPE D3DTSS_ADDRESSW = (D3DTEXTURESTAGESTATETYPE)25;

struct D3DVIEWPORT8 {
    DWORD X, Y, Width, Height;
    float MinZ, MaxZ;
};

// The device reports the same capabilities to both faces.
typedef D3DCAPS9 D3DCAPS8;

struct IDirect3DDevice8;

struct IDirect3DSurface8 {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice8 **device) = 0;
    virtual HRESULT GetDesc(D3DSURFACE_DESC *desc) = 0;
    virtual HRESULT LockRect(D3DLOCKED_RECT *locked, const RECT *rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect() = 0;

protected:
    virtual ~IDirect3DSurface8() = default;
};

struct IDirect3DBaseTexture8 {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice8 **device) = 0;
    virtual DWORD GetLevelCount() = 0;

protected:
    virtual ~IDirect3DBaseTexture8() = default;
};

struct IDirect3DTexture8 : IDirect3DBaseTexture8 {
    virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC *desc) = 0;
    virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8 **surface) = 0;
    virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT *locked, const RECT *rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect(UINT level) = 0;
};

struct IDirect3DVertexBuffer8 {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice8 **device) = 0;
    virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC *desc) = 0;
    virtual HRESULT Lock(UINT offset, UINT size, BYTE **data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;

protected:
    virtual ~IDirect3DVertexBuffer8() = default;
};

struct IDirect3D8;

struct IDirect3DDevice8 {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

    virtual HRESULT TestCooperativeLevel() = 0;
    virtual UINT GetAvailableTextureMem() = 0;
    virtual HRESULT GetDeviceCaps(D3DCAPS8 *caps) = 0;
    virtual HRESULT GetDisplayMode(D3DDISPLAYMODE *mode) = 0;
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS *params) = 0;
    virtual HRESULT Present(const RECT *sourceRect, const RECT *destRect, HWND destWindow,
                            const void *dirtyRegion) = 0;
    virtual HRESULT GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8 **surface) = 0;

    virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DTexture8 **texture) = 0;
    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer8 **buffer) = 0;
    virtual HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                              D3DMULTISAMPLE_TYPE multiSample, IDirect3DSurface8 **surface) = 0;
    // A lockable surface in system memory.
    virtual HRESULT CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8 **surface) = 0;
    // Copies between surfaces; this device copies whole surfaces (no rectangles, no points) from a render
    // target or the back buffer into an image surface of the same size and format.
    virtual HRESULT CopyRects(IDirect3DSurface8 *source, const RECT *sourceRects, UINT rectCount,
                              IDirect3DSurface8 *destination, const POINT *destinationPoints) = 0;

    // Colour and depth target in one call: a null colour keeps the current one, a null depth means none.
    virtual HRESULT SetRenderTarget(IDirect3DSurface8 *colour, IDirect3DSurface8 *depth) = 0;
    virtual HRESULT GetRenderTarget(IDirect3DSurface8 **surface) = 0;
    virtual HRESULT GetDepthStencilSurface(IDirect3DSurface8 **surface) = 0;

    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Clear(DWORD count, const D3DRECT *rects, DWORD flags, D3DCOLOR color, float z,
                          DWORD stencil) = 0;

    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX *matrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX *matrix) = 0;
    virtual HRESULT SetViewport(const D3DVIEWPORT8 *viewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT8 *viewport) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD *value) = 0;
    virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8 *texture) = 0;
    virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8 **texture) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
    virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD *value) = 0;

    // The vertex format, given as a flexible-vertex-format code.
    virtual HRESULT SetVertexShader(DWORD fvf) = 0;
    virtual HRESULT GetVertexShader(DWORD *fvf) = 0;
    virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8 *buffer, UINT stride) = 0;
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) = 0;
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void *vertexData,
                                    UINT stride) = 0;

protected:
    virtual ~IDirect3DDevice8() = default;
};

struct IDirect3D8 {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual UINT GetAdapterCount() = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE *mode) = 0;
    virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8 *caps) = 0;
    virtual HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                      D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) = 0;
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                                 D3DPRESENT_PARAMETERS *params, IDirect3DDevice8 **device) = 0;

protected:
    virtual ~IDirect3D8() = default;
};

// The adapter object of the Direct3D 8 face; null when the version is not D3D8_SDK_VERSION.
IDirect3D8 *Direct3DCreate8(UINT sdkVersion);
