#include "platform/D3D9Internal.h"

D3D9VertexBuffer::D3D9VertexBuffer(std::shared_ptr<DeviceCore> core, UINT length, DWORD usage, DWORD fvf,
                                   D3DPOOL pool)
    : core_(std::move(core)), usage_(usage), fvf_(fvf), pool_(pool), data_(length, 0) {
    if (pool_ == D3DPOOL_DEFAULT)
        ++core_->liveDefaultPoolResources;
}

D3D9VertexBuffer::~D3D9VertexBuffer() {
    if (pool_ == D3DPOOL_DEFAULT)
        --core_->liveDefaultPoolResources;
}

ULONG D3D9VertexBuffer::AddRef() { return ++refs_; }

ULONG D3D9VertexBuffer::Release() {
    return releaseReference(refs_, this);
}

HRESULT D3D9VertexBuffer::GetDevice(IDirect3DDevice9 **device) { return core_->handOutDevice(device); }

HRESULT D3D9VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC *desc) {
    if (!desc)
        return D3DERR_INVALIDCALL;
    desc->Format = D3DFMT_UNKNOWN;
    desc->Type = D3DRTYPE_VERTEXBUFFER;
    desc->Usage = usage_;
    desc->Pool = pool_;
    desc->Size = (UINT)data_.size();
    desc->FVF = fvf_;
    return D3D_OK;
}

// Draws copy their vertices out when they are queued, so a lock never has to wait for the rasteriser;
// DISCARD and NOOVERWRITE therefore both hand out the same memory.
HRESULT D3D9VertexBuffer::Lock(UINT offset, UINT size, void **data, DWORD flags) {
    (void)flags;
    if (!data || locked_)
        return D3DERR_INVALIDCALL;
    if (offset > data_.size() || (size != 0 && (uint64_t)offset + size > data_.size())) {
        *data = nullptr;
        return D3DERR_INVALIDCALL;
    }
    *data = data_.data() + offset;
    locked_ = true;
    return D3D_OK;
}

HRESULT D3D9VertexBuffer::Unlock() {
    if (!locked_)
        return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}
