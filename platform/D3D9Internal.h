#pragma once
// The classes behind the Direct3D 9 interfaces. Resources share a DeviceCore with their device (its
// rasteriser and memory accounting), so a resource released after its device is still sound.

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <vector>

#include "platform/ComReference.h"
#include "platform/D3D9.h"
#include "platform/D3DFace.h"
#include "platform/PixelAllocator.h"
#include "platform/SoftRasterizer.h"

class D3D9Device;

struct DeviceCore {
    softraster::Rasterizer raster;
    uint64_t textureBudget = 0;
    uint64_t textureBytesUsed = 0;
    int liveDefaultPoolResources = 0;
    D3D9Device *device = nullptr; // null once the device is gone

    // GetDevice of every resource: the device with a new reference, or an error once it is gone.
    HRESULT handOutDevice(IDirect3DDevice9 **out);
    // Accounts for a new resource in the given pool; false when the budget is exceeded.
    bool reserve(D3DPOOL pool, uint64_t bytes);
    void unreserve(D3DPOOL pool, uint64_t bytes);
};

class D3D9Texture;

// A surface: a texture level, the back buffer, a render target, a depth buffer or a system-memory copy.
// Colour data is kept in its own format for LockRect; formats other than 32-bit ARGB also keep a decoded
// ARGB copy that the rasteriser reads (textures) or draws into (16-bit back buffers).
class D3D9Surface final : public IDirect3DSurface9, public D3DFaceHolder {
public:
    // A standalone default-pool surface counts as a live resource for Reset; accountedBytes are given
    // back to the texture budget when it goes.
    D3D9Surface(std::shared_ptr<DeviceCore> core, D3DFORMAT format, UINT width, UINT height, D3DPOOL pool,
                DWORD usage, D3D9Texture *container, bool countsAsResource, uint64_t accountedBytes);
    ~D3D9Surface() override;

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9 **device) override;
    HRESULT GetDesc(D3DSURFACE_DESC *desc) override;
    HRESULT LockRect(D3DLOCKED_RECT *locked, const RECT *rect, DWORD flags) override;
    HRESULT UnlockRect() override;

    D3DFORMAT format() const { return format_; }
    UINT width() const { return width_; }
    UINT height() const { return height_; }
    D3DPOOL pool() const { return pool_; }
    DWORD usage() const { return usage_; }
    bool isDepth() const { return !depth_.empty(); }
    bool isLocked() const { return locked_; }
    bool isRenderable() const; // may be a render target
    D3D9Texture *container() const { return container_; }

    // Runs the queued draws when one of them reads or writes this surface.
    void flushDrawsUsingIt();
    // The device queues a draw that reads this surface as a texture.
    void markSampled() { sampled_.store(true, std::memory_order_release); }
    // The image the rasteriser reads or draws into; the reference stays valid for the surface's life.
    const softraster::Image &image();
    softraster::DepthImage depthImage();
    // Copies this render target's pixels into dest (same size and format family); false when unsuitable.
    bool copyPixelsTo(D3D9Surface &dest);

    // Every change of the pixels gives the surface a new version, which keys the draws that read it:
    // markDrawn when the device queues a draw into it, markWritten for any other write (which also makes
    // the rasteriser forget what the bands were made from).
    void markDrawn();
    void markWritten();
    // Keeps what each band of rows was made from, so that repeated frames reuse unchanged bands (the back
    // buffer). Null when not kept.
    void keepBandHistory() { history_ = std::make_unique<softraster::BandHistory>(); }
    softraster::BandHistory *bandHistory() { return history_.get(); }

    // Device-owned surfaces (back buffer, automatic depth buffer) are not deleted by Release; their
    // external references are counted so that Reset can refuse while the caller still holds them.
    void setDeviceOwned() { deviceOwned_ = true; }
    ULONG externalReferences() const { return refs_.load(); }

private:
    bool hasShadow() const;
    void syncShadowFromData();
    void syncDataFromShadow();

    std::shared_ptr<DeviceCore> core_;
    D3DFORMAT format_;
    UINT width_, height_;
    D3DPOOL pool_;
    DWORD usage_;
    D3D9Texture *container_;
    bool deviceOwned_ = false;
    std::atomic<ULONG> refs_{1};
    std::vector<uint32_t, PixelAllocator<uint32_t>> data_;   // stored format
    std::vector<uint32_t, PixelAllocator<uint32_t>> shadow_; // ARGB copy for non-32-bit formats
    std::vector<float> depth_;
    bool locked_ = false;
    bool lockReadOnly_ = false;
    std::atomic<bool> sampled_{false};
    bool countsAsResource_;
    uint64_t accountedBytes_;
    softraster::Image image_;
    uint64_t version_;
    std::unique_ptr<softraster::BandHistory> history_;
};

class D3D9Texture final : public IDirect3DTexture9, public D3DFaceHolder {
public:
    D3D9Texture(std::shared_ptr<DeviceCore> core, UINT width, UINT height, UINT levels, DWORD usage,
                D3DFORMAT format, D3DPOOL pool);
    ~D3D9Texture() override;

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9 **device) override;
    DWORD GetLevelCount() override;
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC *desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9 **surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT *locked, const RECT *rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    D3D9Surface *level(UINT index) { return index < levels_.size() ? levels_[index].get() : nullptr; }
    D3DPOOL pool() const { return pool_; }
    DWORD usage() const { return usage_; }

private:
    std::shared_ptr<DeviceCore> core_;
    std::atomic<ULONG> refs_{1};
    D3DPOOL pool_;
    DWORD usage_;
    std::vector<std::unique_ptr<D3D9Surface>> levels_;
};

class D3D9VertexBuffer final : public IDirect3DVertexBuffer9, public D3DFaceHolder {
public:
    D3D9VertexBuffer(std::shared_ptr<DeviceCore> core, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    ~D3D9VertexBuffer() override;

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9 **device) override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC *desc) override;
    HRESULT Lock(UINT offset, UINT size, void **data, DWORD flags) override;
    HRESULT Unlock() override;

    const uint8_t *bytes() const { return data_.data(); }
    UINT size() const { return (UINT)data_.size(); }
    bool isLocked() const { return locked_; }

private:
    std::shared_ptr<DeviceCore> core_;
    std::atomic<ULONG> refs_{1};
    DWORD usage_, fvf_;
    D3DPOOL pool_;
    std::vector<uint8_t> data_;
    bool locked_ = false;
};


class D3D9Device final : public IDirect3DDevice9, public D3DFaceHolder {
public:
    D3D9Device(IDirect3D9 *d3d, HWND focusWindow, DWORD behaviorFlags);
    ~D3D9Device() override;

    // Applies the present parameters (back buffer, window mode); used by creation and Reset.
    HRESULT configure(const D3DPRESENT_PARAMETERS &params);

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT GetDirect3D(IDirect3D9 **d3d) override;
    HRESULT GetDeviceCaps(D3DCAPS9 *caps) override;
    HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE *mode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS *params) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS *params) override;
    HRESULT Present(const RECT *sourceRect, const RECT *destRect, HWND destWindow, const void *dirtyRegion) override;
    HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9 **surface) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture9 **texture, HANDLE *sharedHandle) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9 **buffer,
                               HANDLE *sharedHandle) override;
    HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                      DWORD quality, BOOL discard, IDirect3DSurface9 **surface,
                                      HANDLE *sharedHandle) override;
    HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DSurface9 **surface, HANDLE *sharedHandle) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9 *renderTarget, IDirect3DSurface9 *destSurface) override;
    HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9 *surface) override;
    HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9 **surface) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9 *surface) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9 **surface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT *rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX *matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX *matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9 *viewport) override;
    HRESULT GetViewport(D3DVIEWPORT9 *viewport) override;
    HRESULT SetMaterial(const D3DMATERIAL9 *material) override;
    HRESULT GetMaterial(D3DMATERIAL9 *material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9 *light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT9 *light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL *enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD *value) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9 *texture) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9 **texture) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD *value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD *value) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT GetFVF(DWORD *fvf) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9 *buffer, UINT offset, UINT stride) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void *vertexData, UINT stride) override;
    HRESULT CreatePixelShader(const DWORD *function, IDirect3DPixelShader9 **shader) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9 *shader) override;
    HRESULT SetPixelShaderConstantF(UINT startRegister, const float *data, UINT vector4fCount) override;

    static constexpr int stageCount = 2;
    static constexpr int lightCount = 8;

private:
    enum class Level { ok, lost, notReset };

    void setDefaultStates();
    void releaseBindings();
    void bindTarget();
    bool drawingAllowed() const;
    HRESULT drawVertices(D3DPRIMITIVETYPE type, UINT primitiveCount, const uint8_t *data, UINT stride,
                         size_t available);
    softraster::DrawState buildDrawState();
    bool lightVertex(const float position[3], const float *normal, const uint32_t *diffuse, float out[4]) const;

    std::shared_ptr<DeviceCore> core_;
    std::atomic<ULONG> refs_{1};
    IDirect3D9 *d3d_;
    HWND focusWindow_;
    std::vector<std::pair<int, int>> changedRows_; // of the back buffer, taken at each present
    DWORD behaviorFlags_;
    D3DPRESENT_PARAMETERS params_{};
    Level level_ = Level::ok;
    int lostChecksLeft_ = 0;
    bool inScene_ = false;
    bool frameReuse_ = true; // the back buffer's unchanged bands are reused between frames

    std::unique_ptr<D3D9Surface> backBuffer_;
    std::unique_ptr<D3D9Surface> autoDepth_;
    IDirect3DSurface9 *renderTarget_ = nullptr; // referenced
    IDirect3DSurface9 *depthStencil_ = nullptr; // referenced

    DWORD renderStates_[256] = {};
    DWORD stageStates_[stageCount][32] = {};
    DWORD samplerStates_[stageCount][16] = {};
    IDirect3DBaseTexture9 *textures_[stageCount] = {}; // referenced
    std::map<DWORD, D3DMATRIX> transforms_;
    D3DVIEWPORT9 viewport_{};
    D3DMATERIAL9 material_{};
    D3DLIGHT9 lights_[lightCount] = {};
    bool lightEnabled_[lightCount] = {};
    DWORD fvf_ = 0;
    IDirect3DVertexBuffer9 *stream_ = nullptr; // referenced
    UINT streamOffset_ = 0, streamStride_ = 0;
    std::vector<softraster::Vertex> vertexScratch_;
    std::vector<std::array<double, 4>> clipScratch_; // clip-space positions of transformed vertices
};

// Helpers shared by the implementation files.
namespace d3d9detail {
D3DMATRIX identityMatrix();
bool validRenderTargetFormat(D3DFORMAT format);
bool validBackBufferFormat(D3DFORMAT format);
D3DCAPS9 deviceCaps();
} // namespace d3d9detail
