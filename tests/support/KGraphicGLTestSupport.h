#pragma once
// Shared by the OpenGL picture and batch suites: the renderer set-up on llvmpipe (SDL's offscreen driver
// unless the suite runs on an X server), its flags settable by the test, the back buffer read back as
// 0xAARRGGBB words with the top row first.
//
// Mesa's driver libraries are kept loaded to the end of the process: unloaded at exit, the driver's own
// allocations would be reported by LeakSanitizer against a module it can no longer name.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/KGraphicFactory.h"
#include "engine/graphics/opengl/KBatchGL.h"
#include "engine/graphics/opengl/KGraphicGL.h"
#include "engine/graphics/opengl/KGraphicGLState.h"
#include "engine/graphics/opengl/KRendererSetupGL.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystemLog.h"
#include "platform/WGL.h"

namespace gltest {

inline void keepMesaLoaded() {
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const char *library : {"libEGL_mesa.so.0", "libGLX_mesa.so.0",
                                "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"})
        dlopen(library, RTLD_NOW | RTLD_NODELETE | RTLD_GLOBAL);
}

// The set-up with the capability flags in the test's hands.
class TestSetupGL : public KRendererSetupGL {
public:
    bool nonSquare = true;
    bool targets = true;
    bool hasNonSquareTextureSupport() override { return nonSquare && KRendererSetupGL::hasNonSquareTextureSupport(); }
    bool hasRenderTargetSupport() override { return targets && KRendererSetupGL::hasRenderTargetSupport(); }
};

// The whole back buffer (or the framebuffer bound now), top row first.
inline std::vector<uint32_t> readBack(int width, int height) {
    std::vector<uint32_t> bottomUp((size_t)width * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, bottomUp.data());
    std::vector<uint32_t> pixels(bottomUp.size());
    for (int y = 0; y < height; ++y)
        std::copy_n(&bottomUp[(size_t)(height - 1 - y) * width], width, &pixels[(size_t)y * width]);
    return pixels;
}

// Starts the renderer set-up for a test: llvmpipe, renderer type 1, a window of the given size cleared
// to opaque black. Fails the test with the reason when no context can be made.
inline bool startSetup(TestSetupGL &setup, int width, int height) {
    keepMesaLoaded();
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    wglHooksReset();
    setRendererType(1);
    if (!KResource::fileSystemArchive)
        KResource::fileSystemArchive = new KResourceArchiveDirect();
    clearLogContents();
    if (!setup.create(width, height)) {
        ADD_FAILURE() << "no OpenGL context: " << getLogContents() << " (scripts/setup installs Mesa)";
        return false;
    }
    setup.setClearColor(0, 0, 0, 1);
    setup.clear();
    clearLogContents();
    return true;
}

inline std::unique_ptr<KGraphicGL> makeGLPicture() {
    return std::unique_ptr<KGraphicGL>(static_cast<KGraphicGL *>(createKGraphic()));
}
inline std::unique_ptr<KBatchGL> makeGLBatch() {
    return std::unique_ptr<KBatchGL>(static_cast<KBatchGL *>(createKBatch()));
}

// Every test gets a fresh 128 x 96 OpenGL window.
class GLRendererTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 128, kHeight = 96;
    TestSetupGL setup;

    void SetUp() override { ASSERT_TRUE(startSetup(setup, kWidth, kHeight)); }
    void TearDown() override {
        setup.destroy();
        wglHooksRefusePbuffer(0);
        wglHooksNoPbufferFormat(false);
    }

    std::vector<uint32_t> frame() { return readBack(kWidth, kHeight); }
    static uint32_t at(const std::vector<uint32_t> &pixels, int x, int y) { return pixels[(size_t)y * kWidth + x]; }

    std::unique_ptr<KGraphicGL> pictureFrom(const std::vector<uint32_t> &pixels, int w, int h, bool alpha = false,
                                            bool powerOfTwo = true) {
        std::unique_ptr<KGraphicGL> picture = makeGLPicture();
        EXPECT_TRUE(picture->createFromPixels(pixels.data(), w, h, powerOfTwo, alpha));
        return picture;
    }
};

} // namespace gltest
