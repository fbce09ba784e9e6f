// The adapter object: one software adapter whose display mode is the desktop's, and device creation.
#include <atomic>

#include "platform/ComReference.h"

#include "platform/D3D9Internal.h"
#include "platform/DeviceHooks.h"
#include "platform/DxtBlocks.h"
#include "platform/WindowSurface.h"

namespace {

class D3D9Adapter final : public IDirect3D9 {
public:
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return releaseReference(refs_, this); }

    UINT GetAdapterCount() override { return 1; }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE *mode) override {
        if (adapter != 0 || !mode)
            return D3DERR_INVALIDCALL;
        int width, height;
        platformDesktopSize(width, height);
        mode->Width = (UINT)width;
        mode->Height = (UINT)height;
        mode->RefreshRate = 60;
        mode->Format = D3DFMT_X8R8G8B8;
        return D3D_OK;
    }

    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9 *caps) override {
        if (adapter != 0 || !caps)
            return D3DERR_INVALIDCALL;
        if (type != D3DDEVTYPE_HAL)
            return D3DERR_NOTAVAILABLE;
        *caps = d3d9detail::deviceCaps();
        return D3D_OK;
    }

    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override {
        if (adapter != 0)
            return D3DERR_INVALIDCALL;
        if (type != D3DDEVTYPE_HAL || !d3d9detail::validBackBufferFormat(adapterFormat))
            return D3DERR_NOTAVAILABLE;
        if (usage & D3DUSAGE_DEPTHSTENCIL)
            return (resourceType == D3DRTYPE_SURFACE && dxformat::isDepthFormat(checkFormat)) ? D3D_OK
                                                                                            : D3DERR_NOTAVAILABLE;
        if (resourceType != D3DRTYPE_SURFACE && resourceType != D3DRTYPE_TEXTURE)
            return D3DERR_NOTAVAILABLE;
        if (usage & D3DUSAGE_RENDERTARGET) {
            bool ok = d3d9detail::validRenderTargetFormat(checkFormat) ||
                      (resourceType == D3DRTYPE_SURFACE && d3d9detail::validBackBufferFormat(checkFormat));
            return ok ? D3D_OK : D3DERR_NOTAVAILABLE;
        }
        if (resourceType == D3DRTYPE_SURFACE && checkFormat == adapterFormat)
            return D3D_OK; // a back buffer in the display format
        return dxformat::isKnownColorFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    }

    HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                   D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) override {
        if (adapter != 0)
            return D3DERR_INVALIDCALL;
        bool ok = type == D3DDEVTYPE_HAL && d3d9detail::validBackBufferFormat(adapterFormat) &&
                  d3d9detail::validBackBufferFormat(renderTargetFormat) && dxformat::isDepthFormat(depthStencilFormat);
        return ok ? D3D_OK : D3DERR_NOTAVAILABLE;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS *params, IDirect3DDevice9 **device) override {
        if (!device)
            return D3DERR_INVALIDCALL;
        *device = nullptr;
        const DWORD processing = behaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                                  D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING);
        bool oneKind = processing == D3DCREATE_SOFTWARE_VERTEXPROCESSING ||
                       processing == D3DCREATE_HARDWARE_VERTEXPROCESSING || processing == D3DCREATE_MIXED_VERTEXPROCESSING;
        if (adapter != 0 || !params || !oneKind || (!focusWindow && !params->hDeviceWindow))
            return D3DERR_INVALIDCALL;
        if (type != D3DDEVTYPE_HAL)
            return D3DERR_NOTAVAILABLE;
        if (deviceHooksTakeCreateRefusal(processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING))
            return D3DERR_NOTAVAILABLE;
        auto *created = new D3D9Device(this, focusWindow ? focusWindow : params->hDeviceWindow, behaviorFlags);
        HRESULT hr = created->configure(*params);
        if (FAILED(hr)) {
            created->Release();
            return hr;
        }
        *device = created;
        return D3D_OK;
    }

private:
    std::atomic<ULONG> refs_{1};
};

} // namespace

IDirect3D9 *Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION)
        return nullptr;
    return new D3D9Adapter;
}
