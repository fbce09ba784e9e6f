#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/BackgroundWork.h"
#include "platform/D3D9Internal.h"
#include "platform/DeviceHooks.h"
#include "platform/DxtBlocks.h"
#include "platform/WindowSurface.h"

namespace {

constexpr UINT maxTextureSide = 8192;
constexpr UINT maxBackBufferSide = 16384;

template <typename T> void replaceReference(T *&slot, T *value) {
    if (value)
        value->AddRef();
    if (slot)
        slot->Release();
    slot = value;
}

D3D9Surface *asSurface(IDirect3DSurface9 *surface) { return static_cast<D3D9Surface *>(surface); }

} // namespace

namespace d3d9detail {

D3DMATRIX identityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

bool validRenderTargetFormat(D3DFORMAT format) { return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8; }

bool validBackBufferFormat(D3DFORMAT format) {
    return validRenderTargetFormat(format) || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5;
}

D3DCAPS9 deviceCaps() {
    D3DCAPS9 caps{};
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.AdapterOrdinal = 0;
    caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA;
    caps.SrcBlendCaps = caps.DestBlendCaps = 0x1FFF;
    caps.TextureAddressCaps = 0x7; // wrap, mirror, clamp
    caps.TextureFilterCaps = 0x03000300; // point and linear, min and mag
    caps.ZCmpCaps = 0xFF;
    caps.MaxTextureWidth = caps.MaxTextureHeight = maxTextureSide;
    caps.MaxTextureAspectRatio = maxTextureSide;
    caps.MaxTextureBlendStages = D3D9Device::stageCount;
    caps.MaxSimultaneousTextures = D3D9Device::stageCount;
    caps.VertexProcessingCaps = 0x1A; // directional and positional lights, material sources
    caps.MaxActiveLights = D3D9Device::lightCount;
    caps.MaxPrimitiveCount = 1u << 20;
    caps.MaxVertexIndex = 1u << 20;
    caps.MaxStreams = 1;
    caps.MaxStreamStride = 255;
    caps.VertexShaderVersion = 0;
    caps.PixelShaderVersion = 0; // no pixel shaders
    return caps;
}

} // namespace d3d9detail

D3D9Device::D3D9Device(IDirect3D9 *d3d, HWND focusWindow, DWORD behaviorFlags)
    : core_(std::make_shared<DeviceCore>()), d3d_(d3d), focusWindow_(focusWindow), behaviorFlags_(behaviorFlags) {
    core_->device = this;
    core_->textureBudget = deviceHooksTextureBudget();
    core_->raster.setThreadCount(deviceHooksThreadCount());
    frameReuse_ = deviceHooksFrameReuse();
    d3d_->AddRef();
}

D3D9Device::~D3D9Device() {
    core_->raster.flush();
    releaseBindings();
    replaceReference(renderTarget_, (IDirect3DSurface9 *)nullptr);
    replaceReference(depthStencil_, (IDirect3DSurface9 *)nullptr);
    backBuffer_.reset();
    autoDepth_.reset();
    core_->device = nullptr;
    d3d_->Release();
}

ULONG D3D9Device::AddRef() { return ++refs_; }

ULONG D3D9Device::Release() {
    return releaseReference(refs_, this);
}

HRESULT D3D9Device::configure(const D3DPRESENT_PARAMETERS &requested) {
    D3DPRESENT_PARAMETERS pp = requested;
    HWND window = pp.hDeviceWindow ? pp.hDeviceWindow : focusWindow_;
    if (!window)
        return D3DERR_INVALIDCALL;
    if (pp.Windowed) {
        if (pp.BackBufferWidth == 0)
            pp.BackBufferWidth = (UINT)std::max(window->clientWidth, 1);
        if (pp.BackBufferHeight == 0)
            pp.BackBufferHeight = (UINT)std::max(window->clientHeight, 1);
        if (pp.BackBufferFormat == D3DFMT_UNKNOWN)
            pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    }
    if (pp.BackBufferWidth == 0 || pp.BackBufferHeight == 0 || pp.BackBufferWidth > maxBackBufferSide ||
        pp.BackBufferHeight > maxBackBufferSide || !d3d9detail::validBackBufferFormat(pp.BackBufferFormat) ||
        pp.BackBufferCount > 1 || pp.MultiSampleType != D3DMULTISAMPLE_NONE ||
        (pp.EnableAutoDepthStencil && !dxformat::isDepthFormat(pp.AutoDepthStencilFormat)))
        return D3DERR_INVALIDCALL;
    if (pp.BackBufferCount == 0)
        pp.BackBufferCount = 1;

    core_->raster.flush();
    platformSetWindowMode(window, !pp.Windowed, (int)pp.BackBufferWidth, (int)pp.BackBufferHeight);
    params_ = pp;
    replaceReference(renderTarget_, (IDirect3DSurface9 *)nullptr);
    replaceReference(depthStencil_, (IDirect3DSurface9 *)nullptr);
    backBuffer_ = std::make_unique<D3D9Surface>(core_, pp.BackBufferFormat, pp.BackBufferWidth,
                                                pp.BackBufferHeight, D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET,
                                                nullptr, false, 0);
    backBuffer_->setDeviceOwned();
    backBuffer_->Release(); // only the device holds it; callers' references are counted from zero
    if (frameReuse_)
        backBuffer_->keepBandHistory();
    autoDepth_.reset();
    if (pp.EnableAutoDepthStencil) {
        autoDepth_ = std::make_unique<D3D9Surface>(core_, pp.AutoDepthStencilFormat, pp.BackBufferWidth,
                                                   pp.BackBufferHeight, D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL,
                                                   nullptr, false, 0);
        autoDepth_->setDeviceOwned();
        autoDepth_->Release();
    }
    setDefaultStates();
    return D3D_OK;
}

void D3D9Device::setDefaultStates() {
    releaseBindings();
    std::fill(std::begin(renderStates_), std::end(renderStates_), 0u);
    renderStates_[D3DRS_ZENABLE] = params_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    renderStates_[D3DRS_FILLMODE] = 3;
    renderStates_[D3DRS_SHADEMODE] = 2;
    renderStates_[D3DRS_ZWRITEENABLE] = TRUE;
    renderStates_[D3DRS_LASTPIXEL] = TRUE;
    renderStates_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    renderStates_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    renderStates_[D3DRS_CULLMODE] = D3DCULL_CCW;
    renderStates_[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    renderStates_[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    renderStates_[D3DRS_LIGHTING] = TRUE;
    renderStates_[D3DRS_COLORVERTEX] = TRUE;
    renderStates_[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    renderStates_[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    renderStates_[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    renderStates_[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    renderStates_[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    for (int s = 0; s < stageCount; ++s) {
        std::fill(std::begin(stageStates_[s]), std::end(stageStates_[s]), 0u);
        stageStates_[s][D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        stageStates_[s][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        stageStates_[s][D3DTSS_COLORARG2] = D3DTA_CURRENT;
        stageStates_[s][D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        stageStates_[s][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        stageStates_[s][D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        stageStates_[s][D3DTSS_TEXCOORDINDEX] = (DWORD)s;
        std::fill(std::begin(samplerStates_[s]), std::end(samplerStates_[s]), 0u);
        samplerStates_[s][D3DSAMP_ADDRESSU] = samplerStates_[s][D3DSAMP_ADDRESSV] =
            samplerStates_[s][D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        samplerStates_[s][D3DSAMP_MAGFILTER] = samplerStates_[s][D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        samplerStates_[s][D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    }
    transforms_.clear();
    material_ = D3DMATERIAL9{};
    material_.Diffuse = {1, 1, 1, 1};
    std::fill(std::begin(lights_), std::end(lights_), D3DLIGHT9{});
    std::fill(std::begin(lightEnabled_), std::end(lightEnabled_), false);
    fvf_ = 0;
    replaceReference(renderTarget_, (IDirect3DSurface9 *)backBuffer_.get());
    replaceReference(depthStencil_, (IDirect3DSurface9 *)autoDepth_.get());
    viewport_ = {0, 0, params_.BackBufferWidth, params_.BackBufferHeight, 0.0f, 1.0f};
    inScene_ = false;
    bindTarget();
}

void D3D9Device::releaseBindings() {
    for (auto &texture : textures_)
        replaceReference(texture, (IDirect3DBaseTexture9 *)nullptr);
    replaceReference(stream_, (IDirect3DVertexBuffer9 *)nullptr);
    streamOffset_ = streamStride_ = 0;
}

void D3D9Device::bindTarget() {
    D3D9Surface *target = asSurface(renderTarget_);
    softraster::Image img = target ? target->image() : softraster::Image{};
    D3D9Surface *depth = asSurface(depthStencil_);
    softraster::DepthImage depthImg = depth ? depth->depthImage() : softraster::DepthImage{};
    core_->raster.setTarget(img, depth ? &depthImg : nullptr, target ? target->bandHistory() : nullptr);
}

HRESULT D3D9Device::TestCooperativeLevel() {
    if (int checks = deviceHooksTakeLoss(); checks > 0) {
        level_ = Level::lost;
        lostChecksLeft_ = checks;
    }
    if (level_ == Level::lost) {
        if (--lostChecksLeft_ <= 0)
            level_ = Level::notReset;
        return D3DERR_DEVICELOST;
    }
    return level_ == Level::notReset ? D3DERR_DEVICENOTRESET : D3D_OK;
}

UINT D3D9Device::GetAvailableTextureMem() {
    uint64_t free = core_->textureBudget - std::min(core_->textureBytesUsed, core_->textureBudget);
    return (UINT)std::min<uint64_t>(free, 0xFFF00000ull);
}

HRESULT D3D9Device::GetDirect3D(IDirect3D9 **d3d) {
    if (!d3d)
        return D3DERR_INVALIDCALL;
    d3d_->AddRef();
    *d3d = d3d_;
    return D3D_OK;
}

HRESULT D3D9Device::GetDeviceCaps(D3DCAPS9 *caps) {
    if (!caps)
        return D3DERR_INVALIDCALL;
    *caps = d3d9detail::deviceCaps();
    return D3D_OK;
}

HRESULT D3D9Device::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE *mode) {
    if (swapChain != 0 || !mode)
        return D3DERR_INVALIDCALL;
    return d3d_->GetAdapterDisplayMode(0, mode);
}

HRESULT D3D9Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS *params) {
    if (!params)
        return D3DERR_INVALIDCALL;
    params->AdapterOrdinal = 0;
    params->DeviceType = D3DDEVTYPE_HAL;
    params->hFocusWindow = focusWindow_;
    params->BehaviorFlags = behaviorFlags_;
    return D3D_OK;
}

HRESULT D3D9Device::Reset(D3DPRESENT_PARAMETERS *params) {
    if (!params)
        return D3DERR_INVALIDCALL;
    if (level_ == Level::lost)
        return D3DERR_DEVICELOST;
    core_->raster.flush();
    releaseBindings();
    replaceReference(renderTarget_, (IDirect3DSurface9 *)nullptr);
    replaceReference(depthStencil_, (IDirect3DSurface9 *)nullptr);
    // As in Direct3D, everything in video memory must have been released by the caller first.
    bool held = core_->liveDefaultPoolResources > 0 || (backBuffer_ && backBuffer_->externalReferences() > 0) ||
                (autoDepth_ && autoDepth_->externalReferences() > 0);
    if (held) {
        level_ = Level::notReset;
        return D3DERR_INVALIDCALL;
    }
    HRESULT hr = configure(*params);
    if (FAILED(hr)) {
        level_ = Level::notReset;
        return hr;
    }
    level_ = Level::ok;
    return D3D_OK;
}

HRESULT D3D9Device::Present(const RECT *, const RECT *, HWND destWindow, const void *) {
    if (level_ != Level::ok)
        return D3DERR_DEVICELOST;
    // Background work waits until the frame is in the window, not only drawn: the copy is part of the frame.
    platformFrameDrawingBegins();
    core_->raster.flush();
    HWND window = destWindow ? destWindow : (params_.hDeviceWindow ? params_.hDeviceWindow : focusWindow_);
    const softraster::Image &img = backBuffer_->image();
    // Rows that no draw changed since the last present are shown as they are. Both ONE and DEFAULT wait
    // for the display's vertical sync; the wait itself is the window's (platformWaitForRefresh), so the
    // caller can let go of its locks before it waits.
    softraster::BandHistory *history = backBuffer_->bandHistory();
    const bool rowsKnown = history && history->takeChangedRows(changedRows_);
    const bool verticalSync = params_.PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE;
    platformPresentToWindow(window, img.pixels, img.width, img.height, img.stride, verticalSync,
                            rowsKnown ? &changedRows_ : nullptr);
    platformFrameDrawingEnds();
    return D3D_OK;
}

HRESULT D3D9Device::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9 **surface) {
    if (!surface || swapChain != 0 || index != 0 || type != D3DBACKBUFFER_TYPE_MONO || !backBuffer_)
        return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *surface = backBuffer_.get();
    return D3D_OK;
}

HRESULT D3D9Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DTexture9 **texture, HANDLE *sharedHandle) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (sharedHandle || width == 0 || height == 0 || width > maxTextureSide || height > maxTextureSide ||
        !dxformat::isKnownColorFormat(format) || pool > D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;
    if ((usage & ~(DWORD)(D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY)) != 0)
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && (pool != D3DPOOL_DEFAULT || !d3d9detail::validRenderTargetFormat(format)))
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    UINT fullChain = 1;
    while ((std::max(width, height) >> fullChain) > 0)
        ++fullChain;
    if (levels == 0 || levels > fullChain)
        levels = levels == 0 ? fullChain : 0;
    if (levels == 0)
        return D3DERR_INVALIDCALL;
    if (level_ != Level::ok && pool == D3DPOOL_DEFAULT)
        return D3DERR_DEVICELOST;
    uint64_t bytes = 0;
    for (UINT i = 0; i < levels; ++i)
        bytes += dxformat::surfaceBytes(format, std::max(1u, width >> i), std::max(1u, height >> i));
    // Each level gives its own share back when it goes.
    if (!core_->reserve(pool, bytes))
        return D3DERR_OUTOFVIDEOMEMORY;
    *texture = new D3D9Texture(core_, width, height, levels, usage, format, pool);
    return D3D_OK;
}

HRESULT D3D9Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9 **buffer, HANDLE *sharedHandle) {
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (sharedHandle || length == 0 || length > (64u << 20) || pool > D3DPOOL_SYSTEMMEM ||
        (usage & ~(DWORD)(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY)) != 0 ||
        ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED))
        return D3DERR_INVALIDCALL;
    if (level_ != Level::ok && pool == D3DPOOL_DEFAULT)
        return D3DERR_DEVICELOST;
    *buffer = new D3D9VertexBuffer(core_, length, usage, fvf, pool);
    return D3D_OK;
}

HRESULT D3D9Device::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                              D3DMULTISAMPLE_TYPE multiSample, DWORD quality, BOOL,
                                              IDirect3DSurface9 **surface, HANDLE *sharedHandle) {
    if (!surface)
        return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (sharedHandle || width == 0 || height == 0 || width > maxBackBufferSide || height > maxBackBufferSide ||
        !dxformat::isDepthFormat(format) || multiSample != D3DMULTISAMPLE_NONE || quality != 0)
        return D3DERR_INVALIDCALL;
    if (level_ != Level::ok)
        return D3DERR_DEVICELOST;
    uint64_t bytes = (uint64_t)width * height * 4;
    if (!core_->reserve(D3DPOOL_DEFAULT, bytes))
        return D3DERR_OUTOFVIDEOMEMORY;
    *surface = new D3D9Surface(core_, format, width, height, D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL, nullptr, true,
                               bytes);
    return D3D_OK;
}

HRESULT D3D9Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DSurface9 **surface, HANDLE *sharedHandle) {
    if (!surface)
        return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (sharedHandle || width == 0 || height == 0 || width > maxBackBufferSide || height > maxBackBufferSide ||
        !dxformat::isKnownColorFormat(format) || pool == D3DPOOL_MANAGED || pool > D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;
    uint64_t bytes = dxformat::surfaceBytes(format, width, height);
    if (!core_->reserve(pool, bytes))
        return D3DERR_OUTOFVIDEOMEMORY;
    *surface = new D3D9Surface(core_, format, width, height, pool, 0, nullptr, pool == D3DPOOL_DEFAULT, bytes);
    return D3D_OK;
}

HRESULT D3D9Device::GetRenderTargetData(IDirect3DSurface9 *renderTarget, IDirect3DSurface9 *destSurface) {
    if (!renderTarget || !destSurface)
        return D3DERR_INVALIDCALL;
    if (level_ != Level::ok)
        return D3DERR_DEVICELOST;
    D3D9Surface *dest = asSurface(destSurface);
    if (dest->pool() != D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    return asSurface(renderTarget)->copyPixelsTo(*dest) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT D3D9Device::SetRenderTarget(DWORD index, IDirect3DSurface9 *surface) {
    if (index != 0 || !surface || !asSurface(surface)->isRenderable())
        return D3DERR_INVALIDCALL;
    replaceReference(renderTarget_, surface);
    D3D9Surface *target = asSurface(surface);
    viewport_ = {0, 0, target->width(), target->height(), 0.0f, 1.0f};
    bindTarget();
    return D3D_OK;
}

HRESULT D3D9Device::GetRenderTarget(DWORD index, IDirect3DSurface9 **surface) {
    if (index != 0 || !surface || !renderTarget_)
        return D3DERR_INVALIDCALL;
    renderTarget_->AddRef();
    *surface = renderTarget_;
    return D3D_OK;
}

HRESULT D3D9Device::SetDepthStencilSurface(IDirect3DSurface9 *surface) {
    if (surface && !asSurface(surface)->isDepth())
        return D3DERR_INVALIDCALL;
    replaceReference(depthStencil_, surface);
    bindTarget();
    return D3D_OK;
}

HRESULT D3D9Device::GetDepthStencilSurface(IDirect3DSurface9 **surface) {
    if (!surface)
        return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (!depthStencil_)
        return D3DERR_NOTFOUND;
    depthStencil_->AddRef();
    *surface = depthStencil_;
    return D3D_OK;
}

HRESULT D3D9Device::BeginScene() {
    if (inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT D3D9Device::EndScene() {
    if (!inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT D3D9Device::Clear(DWORD count, const D3DRECT *rects, DWORD flags, D3DCOLOR color, float z, DWORD) {
    if ((count > 0 && !rects) || (flags & ~(DWORD)(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) ||
        flags == 0)
        return D3DERR_INVALIDCALL;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthStencil_)
        return D3DERR_INVALIDCALL;
    if (!std::isfinite(z) || z < 0.0f || z > 1.0f)
        return D3DERR_INVALIDCALL;
    if (level_ != Level::ok)
        return D3DERR_DEVICELOST;
    const LONG vx0 = (LONG)viewport_.X, vy0 = (LONG)viewport_.Y;
    const LONG vx1 = (LONG)(viewport_.X + viewport_.Width), vy1 = (LONG)(viewport_.Y + viewport_.Height);
    if (renderTarget_)
        asSurface(renderTarget_)->markDrawn();
    auto clearArea = [&](LONG x0, LONG y0, LONG x1, LONG y1) {
        core_->raster.clear(std::max(x0, vx0), std::max(y0, vy0), std::min(x1, vx1), std::min(y1, vy1),
                            (flags & D3DCLEAR_TARGET) != 0, color, (flags & D3DCLEAR_ZBUFFER) != 0, z);
    };
    if (count == 0)
        clearArea(vx0, vy0, vx1, vy1);
    for (DWORD i = 0; i < count; ++i)
        clearArea(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
    return D3D_OK;
}

HRESULT D3D9Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX *matrix) {
    if (!matrix || (DWORD)state >= 512)
        return D3DERR_INVALIDCALL;
    transforms_[(DWORD)state] = *matrix;
    return D3D_OK;
}

HRESULT D3D9Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX *matrix) {
    if (!matrix || (DWORD)state >= 512)
        return D3DERR_INVALIDCALL;
    auto found = transforms_.find((DWORD)state);
    *matrix = found != transforms_.end() ? found->second : d3d9detail::identityMatrix();
    return D3D_OK;
}

HRESULT D3D9Device::SetViewport(const D3DVIEWPORT9 *viewport) {
    D3D9Surface *target = asSurface(renderTarget_);
    if (!viewport || !target || viewport->Width == 0 || viewport->Height == 0 ||
        (uint64_t)viewport->X + viewport->Width > target->width() ||
        (uint64_t)viewport->Y + viewport->Height > target->height() || !std::isfinite(viewport->MinZ) ||
        !std::isfinite(viewport->MaxZ) || viewport->MinZ < 0.0f || viewport->MaxZ > 1.0f)
        return D3DERR_INVALIDCALL;
    viewport_ = *viewport;
    return D3D_OK;
}

HRESULT D3D9Device::GetViewport(D3DVIEWPORT9 *viewport) {
    if (!viewport)
        return D3DERR_INVALIDCALL;
    *viewport = viewport_;
    return D3D_OK;
}

HRESULT D3D9Device::SetMaterial(const D3DMATERIAL9 *material) {
    if (!material)
        return D3DERR_INVALIDCALL;
    material_ = *material;
    return D3D_OK;
}

HRESULT D3D9Device::GetMaterial(D3DMATERIAL9 *material) {
    if (!material)
        return D3DERR_INVALIDCALL;
    *material = material_;
    return D3D_OK;
}

HRESULT D3D9Device::SetLight(DWORD index, const D3DLIGHT9 *light) {
    if (!light || index >= lightCount ||
        (light->Type != D3DLIGHT_POINT && light->Type != D3DLIGHT_DIRECTIONAL && light->Type != D3DLIGHT_SPOT))
        return D3DERR_INVALIDCALL;
    lights_[index] = *light;
    return D3D_OK;
}

HRESULT D3D9Device::GetLight(DWORD index, D3DLIGHT9 *light) {
    if (!light || index >= lightCount)
        return D3DERR_INVALIDCALL;
    *light = lights_[index];
    return D3D_OK;
}

HRESULT D3D9Device::LightEnable(DWORD index, BOOL enable) {
    if (index >= lightCount)
        return D3DERR_INVALIDCALL;
    lightEnabled_[index] = enable != FALSE;
    return D3D_OK;
}

HRESULT D3D9Device::GetLightEnable(DWORD index, BOOL *enable) {
    if (!enable || index >= lightCount)
        return D3DERR_INVALIDCALL;
    *enable = lightEnabled_[index] ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT D3D9Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if ((DWORD)state >= 256)
        return D3DERR_INVALIDCALL;
    if ((state == D3DRS_SRCBLEND || state == D3DRS_DESTBLEND) && (value < D3DBLEND_ZERO || value > D3DBLEND_SRCALPHASAT))
        return D3DERR_INVALIDCALL;
    if (state == D3DRS_BLENDOP && value != D3DBLENDOP_ADD)
        return D3DERR_INVALIDCALL; // the only blend operation the rasteriser has
    if (state == D3DRS_CULLMODE && (value < D3DCULL_NONE || value > D3DCULL_CCW))
        return D3DERR_INVALIDCALL;
    if (state == D3DRS_ZFUNC && (value < D3DCMP_NEVER || value > D3DCMP_ALWAYS))
        return D3DERR_INVALIDCALL;
    // Features the rasteriser does not have are refused rather than silently ignored.
    if (((state == D3DRS_ALPHATESTENABLE || state == D3DRS_FOGENABLE) && value != FALSE) ||
        (state == D3DRS_FILLMODE && value != 3))
        return D3DERR_INVALIDCALL;
    renderStates_[state] = value;
    return D3D_OK;
}

HRESULT D3D9Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD *value) {
    if (!value || (DWORD)state >= 256)
        return D3DERR_INVALIDCALL;
    *value = renderStates_[state];
    return D3D_OK;
}

HRESULT D3D9Device::SetTexture(DWORD stage, IDirect3DBaseTexture9 *texture) {
    if (stage >= (DWORD)stageCount)
        return D3DERR_INVALIDCALL;
    // The device keeps its own reference, so a bound texture lives until it is unbound.
    replaceReference(textures_[stage], texture);
    return D3D_OK;
}

HRESULT D3D9Device::GetTexture(DWORD stage, IDirect3DBaseTexture9 **texture) {
    if (!texture || stage >= (DWORD)stageCount)
        return D3DERR_INVALIDCALL;
    *texture = textures_[stage];
    if (*texture)
        (*texture)->AddRef();
    return D3D_OK;
}

HRESULT D3D9Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= (DWORD)stageCount || (DWORD)type >= 32)
        return D3DERR_INVALIDCALL;
    bool isOp = type == D3DTSS_COLOROP || type == D3DTSS_ALPHAOP;
    bool isArg = type == D3DTSS_COLORARG1 || type == D3DTSS_COLORARG2 || type == D3DTSS_ALPHAARG1 ||
                 type == D3DTSS_ALPHAARG2;
    if (!isOp && !isArg && type != D3DTSS_TEXCOORDINDEX)
        return D3DERR_INVALIDCALL; // texture transforms, bump mapping and the like are not supported
    // Only the operations and arguments the combiner implements are accepted.
    if ((isOp && (value < D3DTOP_DISABLE || value > D3DTOP_MODULATE)) || (isArg && value > D3DTA_TEXTURE) ||
        (type == D3DTSS_TEXCOORDINDEX && value > 1))
        return D3DERR_INVALIDCALL;
    stageStates_[stage][type] = value;
    return D3D_OK;
}

HRESULT D3D9Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD *value) {
    if (!value || stage >= (DWORD)stageCount || (DWORD)type >= 32)
        return D3DERR_INVALIDCALL;
    *value = stageStates_[stage][type];
    return D3D_OK;
}

HRESULT D3D9Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (sampler >= (DWORD)stageCount || (DWORD)type >= 16)
        return D3DERR_INVALIDCALL;
    bool isAddress = type == D3DSAMP_ADDRESSU || type == D3DSAMP_ADDRESSV || type == D3DSAMP_ADDRESSW;
    bool isFilter = type == D3DSAMP_MAGFILTER || type == D3DSAMP_MINFILTER || type == D3DSAMP_MIPFILTER;
    if ((isAddress && (value < D3DTADDRESS_WRAP || value > D3DTADDRESS_CLAMP)) || (isFilter && value > D3DTEXF_LINEAR))
        return D3DERR_INVALIDCALL;
    samplerStates_[sampler][type] = value;
    return D3D_OK;
}

HRESULT D3D9Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD *value) {
    if (!value || sampler >= (DWORD)stageCount || (DWORD)type >= 16)
        return D3DERR_INVALIDCALL;
    *value = samplerStates_[sampler][type];
    return D3D_OK;
}

HRESULT D3D9Device::SetFVF(DWORD fvf) {
    fvf_ = fvf;
    return D3D_OK;
}

HRESULT D3D9Device::GetFVF(DWORD *fvf) {
    if (!fvf)
        return D3DERR_INVALIDCALL;
    *fvf = fvf_;
    return D3D_OK;
}

HRESULT D3D9Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9 *buffer, UINT offset, UINT stride) {
    if (stream != 0)
        return D3DERR_INVALIDCALL;
    replaceReference(stream_, buffer);
    streamOffset_ = offset;
    streamStride_ = stride;
    return D3D_OK;
}

HRESULT D3D9Device::CreatePixelShader(const DWORD *, IDirect3DPixelShader9 **shader) {
    if (shader)
        *shader = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT D3D9Device::SetPixelShader(IDirect3DPixelShader9 *shader) {
    return shader ? D3DERR_INVALIDCALL : D3D_OK;
}

HRESULT D3D9Device::SetPixelShaderConstantF(UINT, const float *, UINT) { return D3DERR_INVALIDCALL; }
