// The device face of Direct3D 8: every call is the software device's own, with Direct3D 8's arguments
// turned into Direct3D 9's (stage-state addressing and filtering become sampler states, the vertex format
// comes as an FVF code, colour and depth targets are set in one call).
#include "platform/D3D8Internal.h"

namespace {

// The stage states that Direct3D 9 keeps as sampler states, with their sampler-state numbers; 0 for the
// states that keep their place.
D3DSAMPLERSTATETYPE samplerStateOf(D3DTEXTURESTAGESTATETYPE type) {
    switch ((DWORD)type) {
    case D3DTSS_ADDRESSU: return D3DSAMP_ADDRESSU;
    case D3DTSS_ADDRESSV: return D3DSAMP_ADDRESSV;
    case D3DTSS_ADDRESSW: return D3DSAMP_ADDRESSW;
    case D3DTSS_BORDERCOLOR: return D3DSAMP_BORDERCOLOR;
    case D3DTSS_MAGFILTER: return D3DSAMP_MAGFILTER;
    case D3DTSS_MINFILTER: return D3DSAMP_MINFILTER;
    case D3DTSS_MIPFILTER: return D3DSAMP_MIPFILTER;
    case D3DTSS_MIPMAPLODBIAS: return (D3DSAMPLERSTATETYPE)8;
    case D3DTSS_MAXMIPLEVEL: return (D3DSAMPLERSTATETYPE)9;
    case D3DTSS_MAXANISOTROPY: return (D3DSAMPLERSTATETYPE)10;
    default: return (D3DSAMPLERSTATETYPE)0;
    }
}

// The face of the surface a Direct3D 9 getter handed out, on success (taken by reference: it is read only
// after that call has filled it).
HRESULT surfaceResult(HRESULT result, IDirect3DSurface9 *const &inner, IDirect3DSurface8 **surface) {
    *surface = SUCCEEDED(result) ? surfaceFace(inner) : nullptr;
    return result;
}

} // namespace

HRESULT D3D8Device::GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8 **surface) {
    if (!surface)
        return D3DERR_INVALIDCALL;
    IDirect3DSurface9 *inner = nullptr;
    return surfaceResult(device_->GetBackBuffer(0, index, type, &inner), inner, surface);
}

HRESULT D3D8Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DTexture8 **texture) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    IDirect3DTexture9 *inner = nullptr;
    HRESULT result = device_->CreateTexture(width, height, levels, usage, format, pool, &inner, nullptr);
    *texture = SUCCEEDED(result) ? faceOf<D3D8Texture>(static_cast<D3D9Texture *>(inner)) : nullptr;
    return result;
}

HRESULT D3D8Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer8 **buffer) {
    if (!buffer)
        return D3DERR_INVALIDCALL;
    IDirect3DVertexBuffer9 *inner = nullptr;
    HRESULT result = device_->CreateVertexBuffer(length, usage, fvf, pool, &inner, nullptr);
    *buffer = SUCCEEDED(result) ? faceOf<D3D8VertexBuffer>(static_cast<D3D9VertexBuffer *>(inner)) : nullptr;
    return result;
}

HRESULT D3D8Device::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                              D3DMULTISAMPLE_TYPE multiSample, IDirect3DSurface8 **surface) {
    if (!surface)
        return D3DERR_INVALIDCALL;
    IDirect3DSurface9 *inner = nullptr;
    return surfaceResult(device_->CreateDepthStencilSurface(width, height, format, multiSample, 0, FALSE, &inner,
                                                            nullptr),
                         inner, surface);
}

HRESULT D3D8Device::CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8 **surface) {
    if (!surface)
        return D3DERR_INVALIDCALL;
    IDirect3DSurface9 *inner = nullptr;
    return surfaceResult(
        device_->CreateOffscreenPlainSurface(width, height, format, D3DPOOL_SYSTEMMEM, &inner, nullptr), inner,
        surface);
}

HRESULT D3D8Device::CopyRects(IDirect3DSurface8 *source, const RECT *sourceRects, UINT rectCount,
                              IDirect3DSurface8 *destination, const POINT *destinationPoints) {
    if (!source || !destination || sourceRects || rectCount != 0 || destinationPoints)
        return D3DERR_INVALIDCALL;
    return device_->GetRenderTargetData(objectOf(source), objectOf(destination));
}

HRESULT D3D8Device::SetRenderTarget(IDirect3DSurface8 *colour, IDirect3DSurface8 *depth) {
    D3D9Surface *colourObject = objectOf(colour), *depthObject = objectOf(depth);
    // Both are checked before either is set, so that a refused call changes nothing.
    if ((colourObject && !colourObject->isRenderable()) || (depthObject && !depthObject->isDepth()))
        return D3DERR_INVALIDCALL;
    if (colourObject) {
        HRESULT result = device_->SetRenderTarget(0, colourObject);
        if (FAILED(result))
            return result;
    }
    return device_->SetDepthStencilSurface(depthObject);
}

HRESULT D3D8Device::GetRenderTarget(IDirect3DSurface8 **surface) {
    if (!surface)
        return D3DERR_INVALIDCALL;
    IDirect3DSurface9 *inner = nullptr;
    return surfaceResult(device_->GetRenderTarget(0, &inner), inner, surface);
}

HRESULT D3D8Device::GetDepthStencilSurface(IDirect3DSurface8 **surface) {
    if (!surface)
        return D3DERR_INVALIDCALL;
    IDirect3DSurface9 *inner = nullptr;
    return surfaceResult(device_->GetDepthStencilSurface(&inner), inner, surface);
}

HRESULT D3D8Device::SetViewport(const D3DVIEWPORT8 *viewport) {
    if (!viewport)
        return D3DERR_INVALIDCALL;
    const D3DVIEWPORT9 same = {viewport->X, viewport->Y, viewport->Width, viewport->Height, viewport->MinZ,
                               viewport->MaxZ};
    return device_->SetViewport(&same);
}

HRESULT D3D8Device::GetViewport(D3DVIEWPORT8 *viewport) {
    if (!viewport)
        return D3DERR_INVALIDCALL;
    D3DVIEWPORT9 current;
    HRESULT result = device_->GetViewport(&current);
    *viewport = {current.X, current.Y, current.Width, current.Height, current.MinZ, current.MaxZ};
    return result;
}

HRESULT D3D8Device::SetTexture(DWORD stage, IDirect3DBaseTexture8 *texture) {
    return device_->SetTexture(stage, objectOf(texture));
}

HRESULT D3D8Device::GetTexture(DWORD stage, IDirect3DBaseTexture8 **texture) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    IDirect3DBaseTexture9 *inner = nullptr;
    HRESULT result = device_->GetTexture(stage, &inner);
    *texture = inner ? faceOf<D3D8Texture>(static_cast<D3D9Texture *>(inner)) : nullptr;
    return result;
}

HRESULT D3D8Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (D3DSAMPLERSTATETYPE sampler = samplerStateOf(type))
        return device_->SetSamplerState(stage, sampler, value);
    return device_->SetTextureStageState(stage, type, value);
}

HRESULT D3D8Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD *value) {
    if (D3DSAMPLERSTATETYPE sampler = samplerStateOf(type))
        return device_->GetSamplerState(stage, sampler, value);
    return device_->GetTextureStageState(stage, type, value);
}

HRESULT D3D8Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer8 *buffer, UINT stride) {
    return device_->SetStreamSource(stream, objectOf(buffer), 0, stride);
}
