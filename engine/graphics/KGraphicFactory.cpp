#include "engine/graphics/KGraphicFactory.h"

#include <atomic>
#include <new>

#include "engine/graphics/KBatchD3D9.h"
#include "engine/graphics/KGraphicD3D9.h"
#include "engine/graphics/opengl/KBatchGL.h"
#include "engine/graphics/opengl/KGraphicGL.h"

namespace {

std::atomic<int32_t> rendererType{-1};

constexpr int32_t kRendererOpenGL = 1;
constexpr int32_t kRendererDirect3D9 = 3;

} // namespace

int32_t getRendererType() { return rendererType.load(); }

void setRendererType(int32_t type) { rendererType.store(type); }

// The Direct3D 8 renderer (type 0) is not part of this build yet: it gives null.
KGraphic *createKGraphic() {
    switch (getRendererType()) {
    case kRendererOpenGL: return new (std::nothrow) KGraphicGL();
    case kRendererDirect3D9: return new (std::nothrow) KGraphicD3D9();
    default: return nullptr;
    }
}

KBatch *createKBatch() {
    switch (getRendererType()) {
    case kRendererOpenGL: return new (std::nothrow) KBatchGL();
    case kRendererDirect3D9: return new (std::nothrow) KBatchD3D9();
    default: return nullptr;
    }
}
