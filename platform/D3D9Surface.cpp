#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/D3D9Internal.h"
#include "platform/DxtBlocks.h"

bool DeviceCore::reserve(D3DPOOL pool, uint64_t bytes) {
    if (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED)
        return true;
    if (textureBytesUsed + bytes > textureBudget)
        return false;
    textureBytesUsed += bytes;
    return true;
}

HRESULT DeviceCore::handOutDevice(IDirect3DDevice9 **out) {
    if (!out || !device)
        return D3DERR_INVALIDCALL;
    *out = device;
    (*out)->AddRef();
    return D3D_OK;
}

void DeviceCore::unreserve(D3DPOOL pool, uint64_t bytes) {
    if (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED)
        return;
    textureBytesUsed -= std::min(bytes, textureBytesUsed);
}

namespace {

// Versions are unique over the process, so a surface made where a freed one was never matches its keys.
uint64_t nextVersion() {
    static std::atomic<uint64_t> counter{0};
    return ++counter;
}

} // namespace

D3D9Surface::D3D9Surface(std::shared_ptr<DeviceCore> core, D3DFORMAT format, UINT width, UINT height,
                         D3DPOOL pool, DWORD usage, D3D9Texture *container, bool countsAsResource,
                         uint64_t accountedBytes)
    : core_(std::move(core)), format_(format), width_(width), height_(height), pool_(pool), usage_(usage),
      container_(container), countsAsResource_(countsAsResource), accountedBytes_(accountedBytes),
      version_(nextVersion()) {
    if (dxformat::isDepthFormat(format)) {
        depth_.assign((size_t)width * height, 1.0f);
    } else {
        data_.resize((dxformat::surfaceBytes(format, width, height) + 3) / 4); // zero, untouched
        if (hasShadow())
            syncShadowFromData();
    }
    if (countsAsResource_)
        ++core_->liveDefaultPoolResources;
}

D3D9Surface::~D3D9Surface() {
    flushDrawsUsingIt();
    core_->unreserve(pool_, accountedBytes_);
    if (countsAsResource_)
        --core_->liveDefaultPoolResources;
}

// Queued draws that read or write this surface run before it changes or goes; others may wait.
void D3D9Surface::flushDrawsUsingIt() {
    // A surface that no draw can write and none has read (a picture being made on a loading thread, which
    // the device has not seen yet) is used by none of the queued draws; the queue is the device thread's.
    if (!sampled_.load(std::memory_order_acquire) && !isRenderable() && depth_.empty())
        return;
    const void *pixels = !depth_.empty() ? static_cast<const void *>(depth_.data())
                         : hasShadow()    ? static_cast<const void *>(shadow_.data())
                                          : static_cast<const void *>(data_.data());
    if (core_->raster.uses(&image_, pixels))
        core_->raster.flush();
}

ULONG D3D9Surface::AddRef() {
    if (container_)
        return container_->AddRef();
    return ++refs_;
}

ULONG D3D9Surface::Release() {
    if (container_)
        return container_->Release();
    if (deviceOwned_) {
        // The device deletes it; only the callers' references are counted here.
        ULONG current = refs_.load();
        return current == 0 ? 0 : --refs_;
    }
    return releaseReference(refs_, this);
}

HRESULT D3D9Surface::GetDevice(IDirect3DDevice9 **device) { return core_->handOutDevice(device); }

HRESULT D3D9Surface::GetDesc(D3DSURFACE_DESC *desc) {
    if (!desc)
        return D3DERR_INVALIDCALL;
    desc->Format = format_;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage_;
    desc->Pool = pool_;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->MultiSampleQuality = 0;
    desc->Width = width_;
    desc->Height = height_;
    return D3D_OK;
}

bool D3D9Surface::hasShadow() const { return depth_.empty() && !dxformat::is32Bit(format_); }

bool D3D9Surface::isRenderable() const {
    return depth_.empty() && (deviceOwned_ || (usage_ & D3DUSAGE_RENDERTARGET)) &&
           (dxformat::is32Bit(format_) || format_ == D3DFMT_R5G6B5 || format_ == D3DFMT_X1R5G5B5);
}

void D3D9Surface::syncShadowFromData() {
    shadow_.resize((size_t)width_ * height_);
    dxformat::decodeToArgb(format_, reinterpret_cast<const uint8_t *>(data_.data()),
                           dxformat::rowPitch(format_, width_), width_, height_, shadow_.data(), width_);
}

void D3D9Surface::syncDataFromShadow() {
    dxformat::encodeFromArgb(format_, shadow_.data(), width_, width_, height_,
                             reinterpret_cast<uint8_t *>(data_.data()), dxformat::rowPitch(format_, width_));
}

HRESULT D3D9Surface::LockRect(D3DLOCKED_RECT *locked, const RECT *rect, DWORD flags) {
    if (!locked || locked_ || !depth_.empty())
        return D3DERR_INVALIDCALL;
    // Levels of video-memory textures can be locked only when the texture was made dynamic.
    if (container_ && pool_ == D3DPOOL_DEFAULT && !(usage_ & D3DUSAGE_DYNAMIC))
        return D3DERR_INVALIDCALL;
    RECT area{0, 0, (LONG)width_, (LONG)height_};
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
            rect->right > (LONG)width_ || rect->bottom > (LONG)height_)
            return D3DERR_INVALIDCALL;
        if (dxformat::isBlockCompressed(format_) &&
            ((rect->left % 4) || (rect->top % 4) || ((rect->right % 4) && rect->right != (LONG)width_) ||
             ((rect->bottom % 4) && rect->bottom != (LONG)height_)))
            return D3DERR_INVALIDCALL;
        area = *rect;
    }
    flushDrawsUsingIt();
    if (hasShadow() && isRenderable())
        syncDataFromShadow();
    size_t pitch = dxformat::rowPitch(format_, width_);
    size_t offset;
    if (dxformat::isBlockCompressed(format_))
        offset = (size_t)(area.top / 4) * pitch + (size_t)(area.left / 4) * (format_ == D3DFMT_DXT1 ? 8 : 16);
    else
        offset = (size_t)area.top * pitch + (size_t)area.left * (dxformat::rowPitch(format_, 1));
    locked->Pitch = (INT)pitch;
    locked->pBits = reinterpret_cast<uint8_t *>(data_.data()) + offset;
    locked_ = true;
    // Whatever the flags say, the caller holds a pointer it can write through.
    markWritten();
    lockReadOnly_ = (flags & D3DLOCK_READONLY) != 0;
    return D3D_OK;
}

HRESULT D3D9Surface::UnlockRect() {
    if (!locked_)
        return D3DERR_INVALIDCALL;
    locked_ = false;
    if (hasShadow() && !lockReadOnly_)
        syncShadowFromData();
    if (format_ == D3DFMT_X8R8G8B8 && isRenderable() && !lockReadOnly_) {
        // Pixels of a target without alpha always carry 0xFF there, whatever the caller wrote.
        for (uint32_t &pixel : data_)
            pixel |= 0xFF000000u;
    }
    markWritten();
    return D3D_OK;
}

void D3D9Surface::markDrawn() { version_ = nextVersion(); }

void D3D9Surface::markWritten() {
    version_ = nextVersion();
    if (history_)
        history_->forget();
}

const softraster::Image &D3D9Surface::image() {
    softraster::Image &img = image_;
    img = softraster::Image{};
    if (!depth_.empty())
        return img;
    img.width = (int)width_;
    img.height = (int)height_;
    img.stride = (int)width_;
    img.pixels = hasShadow() ? shadow_.data() : data_.data();
    bool opaque = format_ == D3DFMT_X8R8G8B8 || format_ == D3DFMT_R5G6B5 || format_ == D3DFMT_X1R5G5B5;
    img.alphaOr = opaque ? 0xFF000000u : 0u;
    img.version = version_;
    return img;
}

softraster::DepthImage D3D9Surface::depthImage() {
    softraster::DepthImage img;
    if (depth_.empty())
        return img;
    img.values = depth_.data();
    img.width = (int)width_;
    img.height = (int)height_;
    return img;
}

bool D3D9Surface::copyPixelsTo(D3D9Surface &dest) {
    if (!isRenderable() || dest.width_ != width_ || dest.height_ != height_ || dest.format_ != format_ ||
        dest.locked_ || locked_ || &dest == this)
        return false;
    core_->raster.flush();
    const softraster::Image &src = image();
    if (!dxformat::encodeFromArgb(format_, src.pixels, (size_t)src.stride, width_, height_,
                                  reinterpret_cast<uint8_t *>(dest.data_.data()),
                                  dxformat::rowPitch(format_, width_)))
        return false;
    if (dest.hasShadow())
        dest.syncShadowFromData();
    dest.markWritten();
    return true;
}
