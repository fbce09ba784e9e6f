#include "engine/graphics/KGraphicFactory.h"

#include <atomic>
#include <new>

#include "engine/graphics/KBatchD3D9.h"
#include "engine/graphics/KGraphicD3D9.h"
#include "engine/graphics/KGraphicPrefetch.h"
#include "engine/graphics/d3d8/KBatchD3D.h"
#include "engine/graphics/d3d8/KGraphicD3D.h"
#include "engine/graphics/opengl/KBatchGL.h"
#include "engine/graphics/opengl/KGraphicGL.h"

namespace {

std::atomic<int32_t> rendererType{-1};

constexpr int32_t kRendererDirect3D8 = 0;
constexpr int32_t kRendererOpenGL = 1;
constexpr int32_t kRendererDirect3D9 = 3;

// A picture of that class loaded from the file off the drawing thread, or null.
template <class Picture> KGraphic *makeAside(const std::string &file) {
    auto *picture = new (std::nothrow) Picture();
    if (picture && picture->loadImageFileAside(file.c_str()))
        return picture;
    delete picture;
    return nullptr;
}

} // namespace

int32_t getRendererType() { return rendererType.load(); }

void setRendererType(int32_t type) { rendererType.store(type); }

KGraphic *createKGraphic() {
    switch (getRendererType()) {
    case kRendererDirect3D8: return new (std::nothrow) KGraphicD3D();
    case kRendererOpenGL: return new (std::nothrow) KGraphicGL();
    case kRendererDirect3D9: return new (std::nothrow) KGraphicD3D9();
    default: return nullptr;
    }
}

KBatch *createKBatch() {
    switch (getRendererType()) {
    case kRendererDirect3D8: return new (std::nothrow) KBatchD3D();
    case kRendererOpenGL: return new (std::nothrow) KBatchGL();
    case kRendererDirect3D9: return new (std::nothrow) KBatchD3D9();
    default: return nullptr;
    }
}

void prefetchKGraphics(const std::vector<std::string> &files) {
    switch (getRendererType()) {
    case kRendererDirect3D8: KGraphicPrefetch::request(files, makeAside<KGraphicD3D>); break;
    case kRendererDirect3D9: KGraphicPrefetch::request(files, makeAside<KGraphicD3D9>); break;
    default: break;
    }
}

KGraphic *takePrefetchedKGraphic(const char *file) {
    return KGraphicPrefetch::take(file);
}

void discardPrefetchedKGraphics() {
    KGraphicPrefetch::discard();
}

bool prefetchingKGraphics() {
    return KGraphicPrefetch::working();
}

void retargetPrefetchedKGraphics(const std::vector<std::string> &files) {
    KGraphicPrefetch::discardExcept(files);
    prefetchKGraphics(files);
}

KGraphic *loadKGraphic(const char *file) {
    if (!file || !*file)
        return nullptr;
    if (KGraphic *ahead = takePrefetchedKGraphic(file))
        return ahead;
    KGraphic *made = createKGraphic();
    if (made && made->loadImageFile(file, 0))
        return made;
    delete made;
    return nullptr;
}
