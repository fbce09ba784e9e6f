#include "platform/DDraw.h"

#include <algorithm>
#include <atomic>

#include "platform/ComReference.h"
#include <cstring>

#include "platform/DeviceHooks.h"

const GUID IID_IDirectDraw7 = {0x15e65ec0, 0x3b9c, 0x11d2, {0xb9, 0x2f, 0x00, 0x60, 0x97, 0x97, 0xea, 0x5b}};

namespace {

// Video memory is the software device's texture memory.
class DirectDraw7 final : public IDirectDraw7 {
public:
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return releaseReference(refs_, this); }
    HRESULT GetAvailableVidMem(DDSCAPS2 *caps, DWORD *total, DWORD *free) override {
        if (!caps || (!total && !free))
            return DDERR_INVALIDPARAMS;
        DWORD figure = (DWORD)std::min<uint64_t>(deviceHooksTextureBudget(), 0xFFF00000ull);
        if (total)
            *total = figure;
        if (free)
            *free = figure;
        return DD_OK;
    }

private:
    std::atomic<ULONG> refs_{1};
};

} // namespace

HRESULT DirectDrawCreateEx(GUID *guid, void **directDraw, const GUID &iid, void *outer) {
    if (!directDraw)
        return DDERR_INVALIDPARAMS;
    *directDraw = nullptr;
    if (guid || outer || std::memcmp(&iid, &IID_IDirectDraw7, sizeof(GUID)) != 0)
        return DDERR_INVALIDPARAMS;
    *directDraw = static_cast<IDirectDraw7 *>(new DirectDraw7);
    return DD_OK;
}
