#include <algorithm>

#include "platform/D3D9Internal.h"
#include "platform/DxtBlocks.h"

D3D9Texture::D3D9Texture(std::shared_ptr<DeviceCore> core, UINT width, UINT height, UINT levels, DWORD usage,
                         D3DFORMAT format, D3DPOOL pool)
    : core_(std::move(core)), pool_(pool), usage_(usage) {
    for (UINT i = 0; i < levels; ++i) {
        UINT w = std::max(1u, width >> i), h = std::max(1u, height >> i);
        levels_.push_back(std::make_unique<D3D9Surface>(core_, format, w, h, pool, usage, this, false,
                                                        dxformat::surfaceBytes(format, w, h)));
    }
    if (pool_ == D3DPOOL_DEFAULT)
        ++core_->liveDefaultPoolResources;
}

D3D9Texture::~D3D9Texture() {
    levels_.clear();
    if (pool_ == D3DPOOL_DEFAULT)
        --core_->liveDefaultPoolResources;
}

ULONG D3D9Texture::AddRef() { return ++refs_; }

ULONG D3D9Texture::Release() {
    return releaseReference(refs_, this);
}

HRESULT D3D9Texture::GetDevice(IDirect3DDevice9 **device) { return core_->handOutDevice(device); }

DWORD D3D9Texture::GetLevelCount() { return (DWORD)levels_.size(); }

HRESULT D3D9Texture::GetLevelDesc(UINT index, D3DSURFACE_DESC *desc) {
    D3D9Surface *surface = level(index);
    return surface ? surface->GetDesc(desc) : D3DERR_INVALIDCALL;
}

HRESULT D3D9Texture::GetSurfaceLevel(UINT index, IDirect3DSurface9 **surface) {
    D3D9Surface *found = level(index);
    if (!found || !surface)
        return D3DERR_INVALIDCALL;
    AddRef();
    *surface = found;
    return D3D_OK;
}

HRESULT D3D9Texture::LockRect(UINT index, D3DLOCKED_RECT *locked, const RECT *rect, DWORD flags) {
    D3D9Surface *surface = level(index);
    return surface ? surface->LockRect(locked, rect, flags) : D3DERR_INVALIDCALL;
}

HRESULT D3D9Texture::UnlockRect(UINT index) {
    D3D9Surface *surface = level(index);
    return surface ? surface->UnlockRect() : D3DERR_INVALIDCALL;
}
