// The adapter object of the Direct3D 8 face: the software adapter's answers, and its devices handed out
// through their Direct3D 8 face.
#include <atomic>

#include "platform/ComReference.h"
#include "platform/D3D8Internal.h"

namespace {

class D3D8Adapter final : public IDirect3D8 {
public:
    explicit D3D8Adapter(IDirect3D9 *adapter) : adapter_(adapter) {}
    ~D3D8Adapter() override { adapter_->Release(); }

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return releaseReference(refs_, this); }
    UINT GetAdapterCount() override { return adapter_->GetAdapterCount(); }
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE *mode) override {
        return adapter_->GetAdapterDisplayMode(adapter, mode);
    }
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8 *caps) override {
        return adapter_->GetDeviceCaps(adapter, type, caps);
    }
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override {
        return adapter_->CheckDeviceFormat(adapter, type, adapterFormat, usage, resourceType, checkFormat);
    }
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS *params, IDirect3DDevice8 **device) override {
        if (!device)
            return D3DERR_INVALIDCALL;
        IDirect3DDevice9 *created = nullptr;
        HRESULT result = adapter_->CreateDevice(adapter, type, focusWindow, behaviorFlags, params, &created);
        *device = SUCCEEDED(result) ? deviceFace(created) : nullptr;
        return result;
    }

private:
    std::atomic<ULONG> refs_{1};
    IDirect3D9 *adapter_;
};

} // namespace

IDirect3D8 *Direct3DCreate8(UINT sdkVersion) {
    if (sdkVersion != D3D8_SDK_VERSION)
        return nullptr;
    IDirect3D9 *adapter = Direct3DCreate9(D3D_SDK_VERSION);
    return adapter ? new D3D8Adapter(adapter) : nullptr;
}
