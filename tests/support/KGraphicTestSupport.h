#pragma once
// Shared by the picture and batch suites: a window over a real software device (offscreen), bound to the
// picture and batch layers as the game window binds them, with the device-reset sequence of the frame
// flip; pictures made by ImageMagick; the back buffer read back through the device.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/KBatchD3D9.h"
#include "engine/graphics/KGraphicD3D9.h"
#include "engine/graphics/KGraphicD3D9Window.h"
#include "engine/graphics/KGraphicFactory.h"
#include "engine/image/KImage.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "engine/window/KViewTransform.h"
#include "platform/D3D9.h"
#include "platform/DeviceHooks.h"
#include "platform/WindowSurface.h"
#include "tests/support/D3D9TestSupport.h"
#include "tests/support/TestSupport.h"

namespace picturetest {

// A window as the picture layer sees it, over a device made here.
class TestRenderWindow : public KGraphicD3D9Window {
public:
    int width, height;
    HWND window = nullptr;
    IDirect3D9 *d3d = nullptr;
    IDirect3DDevice9 *device = nullptr;
    D3DPRESENT_PARAMETERS presentParameters{};

    bool deviceLost = false;
    bool closing = false;
    bool nonSquare = true;
    bool textureFormats[4] = {true, true, true, true}; // X8R8G8B8, A8R8G8B8, DXT1, DXT5
    bool targetFormats[4] = {true, true, false, false};
    KGraphicD3D9GameArea area;
    uint32_t clearColor = 0xFF000000u;
    int32_t viewWidth, viewHeight;
    bool renderTargetActive = false;
    int flips = 0;
    int resets = 0;
    std::vector<std::string> calls;

    TestRenderWindow(int w, int h) : width(w), height(h), viewWidth(w), viewHeight(h) {
        area.width = w;
        area.height = h;
    }
    ~TestRenderWindow() override { destroy(); }

    bool create() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        window = platformCreateTestWindow(width, height);
        if (!window)
            return false;
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (!d3d)
            return false;
        presentParameters = d3dtest::windowedPresentParameters(width, height);
        if (d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &presentParameters,
                              &device) != D3D_OK)
            return false;
        restoreStates();
        device->BeginScene();
        bindLayers();
        return true;
    }

    void bindLayers() {
        KGraphicD3D9::bindDevice(this);
        bindBatchDevice(this);
    }

    void destroy() {
        if (device) {
            KGraphicD3D9::releaseDeviceResources(true);
            KGraphicD3D9::unbindDevice();
            releaseAllBatchBuffers();
            unbindBatchDevice();
            device->Release();
        }
        device = nullptr;
        if (d3d)
            d3d->Release();
        d3d = nullptr;
        if (window)
            platformDestroyTestWindow(window);
        window = nullptr;
    }

    void restoreStates() {
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
        applyViewTransform(0, 0, 0, 1, false);
    }

    // The frame flip's device handling: a device that can be reset is reset, with the release and restore
    // of the picture and batch layers in the window's order.
    void flipDeviceFrame() override {
        ++flips;
        calls.push_back("flip");
        KGraphicD3D9::checkTargetsEnded();
        resetBatchesForFrame();
        device->EndScene();
        HRESULT level = device->TestCooperativeLevel();
        if (level != D3D_OK)
            deviceLost = true;
        if (level == D3DERR_DEVICENOTRESET) {
            KGraphicD3D9::releaseDeviceResources(false);
            releaseAllBatchBuffers();
            releaseAllPixelShaders();
            if (device->Reset(&presentParameters) == D3D_OK) {
                ++resets;
                deviceLost = false;
                restoreStates();
                KGraphicD3D9::restoreDeviceResources();
                restoreAllBatchBuffers();
                recreateAllPixelShaders();
                bindLayers();
            }
        }
        if (!deviceLost)
            device->BeginScene();
    }

    IDirect3DDevice9 *getDevice() override { return device; }
    bool isDeviceLost() override { return deviceLost; }
    void setDeviceLost() override { deviceLost = true; }
    bool isClosing() override { return closing; }
    static int formatIndex(D3DFORMAT format) {
        switch (format) {
        case D3DFMT_X8R8G8B8: return 0;
        case D3DFMT_A8R8G8B8: return 1;
        case D3DFMT_DXT1: return 2;
        case D3DFMT_DXT5: return 3;
        default: return -1;
        }
    }
    bool supportsTextureFormat(D3DFORMAT format) override {
        int i = formatIndex(format);
        return i >= 0 && textureFormats[i];
    }
    bool supportsRenderTargetFormat(D3DFORMAT format) override {
        int i = formatIndex(format);
        return i >= 0 && targetFormats[i];
    }
    bool hasNonSquareTextureSupport() override { return nonSquare; }
    bool hasDepthBuffer() override { return false; }
    int32_t getDesignWidth() override { return width; }
    int32_t getDesignHeight() override { return height; }
    KGraphicD3D9GameArea getGameArea() override { return area; }
    void setDrawingSurface(int32_t w, int32_t h, int32_t, int32_t, bool active) override {
        viewWidth = w;
        viewHeight = h;
        renderTargetActive = active;
    }
    uint32_t getClearColorWord() override { return clearColor; }
    void setClearColorWord(uint32_t argb) override { clearColor = argb; }
    // The game window's view transform: at rest, game pixels of the surface being drawn, y down, (0, 0)
    // at its top left.
    void applyViewTransform(float x, float y, float angle, float zoom, bool clear) override {
        KViewTransform transform = computeViewTransform(width, height, viewWidth, viewHeight, x, y, angle, zoom);
        device->SetTransform(D3DTS_PROJECTION, reinterpret_cast<const D3DMATRIX *>(&transform.projection));
        device->SetTransform(D3DTS_VIEW, reinterpret_cast<const D3DMATRIX *>(&transform.view));
        if (clear)
            device->Clear(0, nullptr, D3DCLEAR_TARGET, clearColor, 1.0f, 0);
    }
    bool captureBackBuffer(int32_t w, int32_t h, ImageData *out) override {
        std::vector<uint32_t> pixels = readSurface(nullptr);
        if (w != width || h != height || pixels.empty())
            return false;
        out->width = (uint32_t)w;
        out->height = (uint32_t)h;
        out->pixels = (uint8_t *)std::malloc(pixels.size() * 4);
        for (size_t i = 0; i < pixels.size(); ++i) {
            out->pixels[i * 4] = (uint8_t)(pixels[i] >> 16);
            out->pixels[i * 4 + 1] = (uint8_t)(pixels[i] >> 8);
            out->pixels[i * 4 + 2] = (uint8_t)pixels[i];
            out->pixels[i * 4 + 3] = 255;
        }
        return true;
    }

    // A render-target surface (the back buffer when null) as 0xAARRGGBB words.
    std::vector<uint32_t> readSurface(IDirect3DSurface9 *source) {
        IDirect3DSurface9 *surface = source;
        if (!surface && device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface) != D3D_OK)
            return {};
        D3DSURFACE_DESC desc;
        surface->GetDesc(&desc);
        IDirect3DSurface9 *copy = nullptr;
        std::vector<uint32_t> out;
        if (device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                nullptr) == D3D_OK &&
            device->GetRenderTargetData(surface, copy) == D3D_OK) {
            D3DLOCKED_RECT locked;
            if (copy->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK) {
                out.resize((size_t)desc.Width * desc.Height);
                for (UINT y = 0; y < desc.Height; ++y)
                    std::memcpy(&out[y * desc.Width], (uint8_t *)locked.pBits + y * locked.Pitch, desc.Width * 4);
                copy->UnlockRect();
            }
        }
        if (copy)
            copy->Release();
        if (!source)
            surface->Release();
        return out;
    }

    void clear(uint32_t color) { device->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0); }
};

// Pixels with a different value in every channel of every texel, so that swaps and shifts show.
inline std::vector<uint32_t> patternPixels(int w, int h, bool opaque = true) {
    std::vector<uint32_t> pixels((size_t)w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t alpha = opaque ? 0xFFu : (uint32_t)(0x40 + ((x * 5 + y * 3) & 0x7F));
            pixels[(size_t)y * w + x] = alpha << 24 | (uint32_t)(x * 9 + 7) << 16 | (uint32_t)(y * 13 + 3) << 8 |
                                        (uint32_t)((x ^ y) * 17 & 0xFF);
        }
    return pixels;
}

// Writes pixels as a raw RGBA file and converts it with ImageMagick into `path` (format from its
// extension, with any extra options). True when convert succeeded.
inline bool writeImage(const std::filesystem::path &path, int w, int h, const std::vector<uint32_t> &argb,
                       const std::vector<std::string> &options = {}) {
    std::vector<unsigned char> rgba(argb.size() * 4);
    for (size_t i = 0; i < argb.size(); ++i) {
        rgba[i * 4] = (unsigned char)(argb[i] >> 16);
        rgba[i * 4 + 1] = (unsigned char)(argb[i] >> 8);
        rgba[i * 4 + 2] = (unsigned char)argb[i];
        rgba[i * 4 + 3] = (unsigned char)(argb[i] >> 24);
    }
    std::filesystem::path raw = path.string() + ".rgba";
    lftest::writeFileBytes(raw, rgba);
    std::vector<std::string> argv = {"/usr/bin/convert", "-size", std::to_string(w) + "x" + std::to_string(h),
                                     "-depth", "8", "rgba:" + raw.string()};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(path.string());
    bool ok = lftest::runProgram(argv) == 0;
    std::filesystem::remove(raw);
    return ok;
}

// The folder's "content/pictures" packed by Info-ZIP zip with the game's password into "data.pak" and mounted,
// with the folder as the data path, so that "<folder>/pictures/<name>" is read from the archive; unmounted and
// the data path restored when it goes.
class MountedPictureArchive {
public:
    explicit MountedPictureArchive(const lftest::TempDir &temp) {
        KResource::removeAllArchives();
        bool packed = lftest::runProgram({"env", "-C", (temp / "content").string(), "zip", "-q", "-r", "-P",
                                          kResourceArchivePassword, (temp / "data.pak").string(), "pictures"}) == 0;
        std::filesystem::remove_all(temp / "content");
        std::memcpy(savedDataPath, dataPath, sizeof dataPath);
        std::snprintf(dataPath, sizeof dataPath, "%s", temp.str().c_str());
        mounted = packed && KResource::addArchive((temp / "data.pak").c_str()) == 0;
    }
    ~MountedPictureArchive() {
        KResource::removeAllArchives();
        std::memcpy(dataPath, savedDataPath, sizeof dataPath);
    }
    bool mounted = false;

private:
    char savedDataPath[sizeof dataPath];
};

// A Direct3D 9 picture or batch from the factories (renderer type 3), owned by the caller.
inline std::unique_ptr<KGraphicD3D9> makePicture() {
    return std::unique_ptr<KGraphicD3D9>(static_cast<KGraphicD3D9 *>(createKGraphic()));
}
inline std::unique_ptr<KBatchD3D9> makeBatch() {
    return std::unique_ptr<KBatchD3D9>(static_cast<KBatchD3D9 *>(createKBatch()));
}

inline bool logHas(const std::string &text) { return getLogContents().find(text) != std::string::npos; }

inline int countOf(const std::string &haystack, const std::string &needle) {
    int count = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1))
        ++count;
    return count;
}

inline int channelDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs((int)((a >> shift) & 0xFF) - (int)((b >> shift) & 0xFF)));
    return worst;
}

// Every test gets a fresh 128 x 96 window bound to both layers, renderer type 3 and an empty log.
// The software Direct3D 9 device as the renderer, its fault hooks cleared and one rasteriser thread.
inline void useSoftwareDevice() {
    deviceHooksReset();
    deviceHooksSetThreadCount(1);
    setRendererType(3);
}

class RendererTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 128, kHeight = 96;
    TestRenderWindow host{kWidth, kHeight};

    void SetUp() override {
        useSoftwareDevice();
        if (!KResource::fileSystemArchive)
            KResource::fileSystemArchive = new KResourceArchiveDirect();
        ASSERT_TRUE(host.create());
        host.clear(0xFF000000u);
        clearLogContents();
    }
    void TearDown() override {
        host.destroy();
        deviceHooksReset();
    }

    std::vector<uint32_t> frame() { return host.readSurface(nullptr); }
    uint32_t at(const std::vector<uint32_t> &pixels, int x, int y) const { return pixels[(size_t)y * kWidth + x]; }

    // A picture made from pixels, owned by the caller.
    KGraphicD3D9 *pictureFrom(const std::vector<uint32_t> &pixels, int w, int h, bool alpha = false) {
        KGraphicD3D9 *picture = static_cast<KGraphicD3D9 *>(createKGraphic());
        EXPECT_TRUE(picture->createFromPixels(pixels.data(), w, h, true, alpha));
        return picture;
    }

    // The image drawn 1:1 with its top-left at (dx, dy) on the back buffer, exactly.
    void expectImageAt(const std::vector<uint32_t> &pixels, const std::vector<uint32_t> &image, int w, int h, int dx,
                       int dy) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(at(pixels, dx + x, dy + y), image[(size_t)y * w + x]) << "at image " << x << "," << y;
    }
};

} // namespace picturetest
