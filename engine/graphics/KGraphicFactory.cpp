#include "engine/graphics/KGraphicFactory.h"

#include <atomic>
#include <new>

#include "engine/graphics/KBatchD3D9.h"
#include "engine/graphics/KGraphicD3D9.h"

namespace {

std::atomic<int32_t> rendererType{-1};

constexpr int32_t kRendererDirect3D9 = 3;

} // namespace

int32_t getRendererType() { return rendererType.load(); }

void setRendererType(int32_t type) { rendererType.store(type); }

// The Direct3D 8 and OpenGL renderers (types 0 and 1) are not part of this build yet: they give null.
KGraphic *createKGraphic() {
    if (getRendererType() == kRendererDirect3D9)
        return new (std::nothrow) KGraphicD3D9();
    return nullptr;
}

KBatch *createKBatch() {
    if (getRendererType() == kRendererDirect3D9)
        return new (std::nothrow) KBatchD3D9();
    return nullptr;
}
