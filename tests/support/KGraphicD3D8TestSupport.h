#pragma once
// Shared by the Direct3D 8 picture and batch suites: the renderer set-up over a real software device
// (offscreen), seen by the pictures and batches through a recording face that logs every device call,
// forwards it, and can fail any call by name.

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/KGraphicFactory.h"
#include "engine/graphics/d3d8/KBatchD3D.h"
#include "engine/graphics/d3d8/KGraphicD3D.h"
#include "engine/graphics/d3d8/KRendererSetupD3D8.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystemLog.h"
#include "platform/D3D8.h"
#include "platform/DeviceHooks.h"
#include "tests/support/KGraphicTestSupport.h"

namespace d3d8test {

inline std::string describe(const char *format, ...) __attribute__((format(printf, 1, 2)));
inline std::string describe(const char *format, ...) {
    char text[160];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

// Records "Lock 0x2000" for each lock of a vertex buffer made through the recording device.
class RecordingVertexBuffer : public IDirect3DVertexBuffer8 {
public:
    RecordingVertexBuffer(IDirect3DVertexBuffer8 *real, std::vector<std::string> &calls) : real(real), calls(calls) {}
    IDirect3DVertexBuffer8 *real;

    ULONG AddRef() override { return ++references; }
    ULONG Release() override {
        ULONG left = --references;
        if (left == 0) {
            real->Release();
            delete this;
        }
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice8 **device) override { return real->GetDevice(device); }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC *desc) override { return real->GetDesc(desc); }
    HRESULT Lock(UINT offset, UINT size, BYTE **data, DWORD flags) override {
        calls.push_back(describe("Lock 0x%X", (unsigned)flags));
        return real->Lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return real->Unlock(); }

private:
    ULONG references = 1;
    std::vector<std::string> &calls;
};

inline bool isIdentity(const D3DMATRIX *m) {
    D3DMATRIX identity = identityMatrix();
    return std::memcmp(m, &identity, sizeof identity) == 0;
}

// A device face that logs, forwards and can fail any call: `failures` maps a call's name to the result it
// gives instead of forwarding.
class RecordingDevice : public IDirect3DDevice8 {
public:
    explicit RecordingDevice(IDirect3DDevice8 *real) : real(real) {}
    IDirect3DDevice8 *real;
    std::vector<std::string> calls;
    std::map<std::string, HRESULT> failures;
    std::vector<RecordingVertexBuffer *> buffers; // made through this face, newest last (not owned)

    // The names of the calls logged, in order, with their arguments.
    std::string joined() const {
        std::string all;
        for (const std::string &call : calls)
            all += call + "\n";
        return all;
    }
    int count(const std::string &prefix) const {
        int n = 0;
        for (const std::string &call : calls)
            n += call.compare(0, prefix.size(), prefix) == 0;
        return n;
    }

    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT TestCooperativeLevel() override { return log("TestCooperativeLevel", [&] { return real->TestCooperativeLevel(); }); }
    UINT GetAvailableTextureMem() override { return real->GetAvailableTextureMem(); }
    HRESULT GetDeviceCaps(D3DCAPS8 *caps) override { return log("GetDeviceCaps", [&] { return real->GetDeviceCaps(caps); }); }
    HRESULT GetDisplayMode(D3DDISPLAYMODE *mode) override { return log("GetDisplayMode", [&] { return real->GetDisplayMode(mode); }); }
    HRESULT Reset(D3DPRESENT_PARAMETERS *params) override { return log("Reset", [&] { return real->Reset(params); }); }
    HRESULT Present(const RECT *a, const RECT *b, HWND w, const void *d) override {
        return log("Present", [&] { return real->Present(a, b, w, d); });
    }
    HRESULT GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8 **surface) override {
        return log("GetBackBuffer", [&] { return real->GetBackBuffer(index, type, surface); });
    }
    HRESULT CreateTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8 **texture) override {
        return log(describe("CreateTexture %ux%u usage %u format %u pool %u", w, h, (unsigned)usage, (unsigned)format,
                            (unsigned)pool),
                   [&] { return real->CreateTexture(w, h, levels, usage, format, pool, texture); }, "CreateTexture");
    }
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8 **buffer) override {
        return log(describe("CreateVertexBuffer %u usage 0x%X fvf 0x%X", length, (unsigned)usage, (unsigned)fvf),
                   [&] {
                       IDirect3DVertexBuffer8 *made = nullptr;
                       HRESULT result = real->CreateVertexBuffer(length, usage, fvf, pool, &made);
                       *buffer = nullptr;
                       if (SUCCEEDED(result)) {
                           buffers.push_back(new RecordingVertexBuffer(made, calls));
                           *buffer = buffers.back();
                       }
                       return result;
                   },
                   "CreateVertexBuffer");
    }
    HRESULT CreateDepthStencilSurface(UINT w, UINT h, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms,
                                      IDirect3DSurface8 **surface) override {
        return log(describe("CreateDepthStencilSurface %u", (unsigned)format),
                   [&] { return real->CreateDepthStencilSurface(w, h, format, ms, surface); },
                   "CreateDepthStencilSurface");
    }
    HRESULT CreateImageSurface(UINT w, UINT h, D3DFORMAT format, IDirect3DSurface8 **surface) override {
        return log("CreateImageSurface", [&] { return real->CreateImageSurface(w, h, format, surface); });
    }
    HRESULT CopyRects(IDirect3DSurface8 *source, const RECT *rects, UINT count, IDirect3DSurface8 *dest,
                      const POINT *points) override {
        return log("CopyRects", [&] { return real->CopyRects(source, rects, count, dest, points); });
    }
    HRESULT SetRenderTarget(IDirect3DSurface8 *colour, IDirect3DSurface8 *depth) override {
        return log(depth ? "SetRenderTarget with depth" : "SetRenderTarget",
                   [&] { return real->SetRenderTarget(colour, depth); }, "SetRenderTarget");
    }
    HRESULT GetRenderTarget(IDirect3DSurface8 **surface) override {
        return log("GetRenderTarget", [&] { return real->GetRenderTarget(surface); });
    }
    HRESULT GetDepthStencilSurface(IDirect3DSurface8 **surface) override {
        return log("GetDepthStencilSurface", [&] { return real->GetDepthStencilSurface(surface); });
    }
    HRESULT BeginScene() override { return log("BeginScene", [&] { return real->BeginScene(); }); }
    HRESULT EndScene() override { return log("EndScene", [&] { return real->EndScene(); }); }
    HRESULT Clear(DWORD count, const D3DRECT *rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override {
        return log("Clear", [&] { return real->Clear(count, rects, flags, color, z, stencil); });
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX *matrix) override {
        return log(describe("SetTransform %u %s", (unsigned)state, isIdentity(matrix) ? "identity" : "matrix"),
                   [&] { return real->SetTransform(state, matrix); }, "SetTransform");
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX *matrix) override {
        return real->GetTransform(state, matrix);
    }
    HRESULT SetViewport(const D3DVIEWPORT8 *v) override {
        return log(describe("SetViewport %u %u %u %u", (unsigned)v->X, (unsigned)v->Y, (unsigned)v->Width,
                            (unsigned)v->Height),
                   [&] { return real->SetViewport(v); }, "SetViewport");
    }
    HRESULT GetViewport(D3DVIEWPORT8 *viewport) override { return real->GetViewport(viewport); }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        return log(describe("SetRenderState %u %u", (unsigned)state, (unsigned)value),
                   [&] { return real->SetRenderState(state, value); }, "SetRenderState");
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD *value) override { return real->GetRenderState(state, value); }
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8 *texture) override {
        return log(describe("SetTexture %u %s", (unsigned)stage, texture ? "texture" : "null"),
                   [&] { return real->SetTexture(stage, texture); }, "SetTexture");
    }
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8 **texture) override { return real->GetTexture(stage, texture); }
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
        return log(describe("SetTextureStageState %u %u %u", (unsigned)stage, (unsigned)type, (unsigned)value),
                   [&] { return real->SetTextureStageState(stage, type, value); }, "SetTextureStageState");
    }
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD *value) override {
        return real->GetTextureStageState(stage, type, value);
    }
    HRESULT SetVertexShader(DWORD fvf) override {
        return log(describe("SetVertexShader 0x%X", (unsigned)fvf), [&] { return real->SetVertexShader(fvf); },
                   "SetVertexShader");
    }
    HRESULT GetVertexShader(DWORD *fvf) override { return real->GetVertexShader(fvf); }
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8 *buffer, UINT stride) override {
        IDirect3DVertexBuffer8 *inner = buffer ? static_cast<RecordingVertexBuffer *>(buffer)->real : nullptr;
        return log(describe("SetStreamSource %u %u", stream, stride),
                   [&] { return real->SetStreamSource(stream, inner, stride); }, "SetStreamSource");
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override {
        return log(describe("DrawPrimitive %u %u %u", (unsigned)type, start, count),
                   [&] { return real->DrawPrimitive(type, start, count); }, "DrawPrimitive");
    }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void *data, UINT stride) override {
        return log(describe("DrawPrimitiveUP %u %u %u", (unsigned)type, count, stride),
                   [&] { return real->DrawPrimitiveUP(type, count, data, stride); }, "DrawPrimitiveUP");
    }

private:
    template <typename Forward> HRESULT log(const std::string &entry, Forward forward, const char *name = nullptr) {
        calls.push_back(entry);
        auto failure = failures.find(name ? name : entry);
        return failure != failures.end() ? failure->second : forward();
    }
};

// The set-up whose pictures and batches see the recording face.
class RecordingSetup : public KRendererSetupD3D8 {
public:
    std::unique_ptr<RecordingDevice> recorder;

    IDirect3DDevice8 *realDevice() { return KRendererSetupD3D8::getDevice(); }
    IDirect3DDevice8 *getDevice() override { return recorder ? recorder.get() : realDevice(); }
    void startRecording() {
        recorder = std::make_unique<RecordingDevice>(realDevice());
        KGraphicD3D::bindDevice(this);
        KBatchD3D::bindDevice(this);
        recorder->calls.clear();
    }
};

// Every test gets a fresh 128 x 96 set-up recording its calls, renderer type 0 and an empty log.
class D3D8RendererTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 128, kHeight = 96;
    RecordingSetup host;

    KRendererSetupD3D8::Options options() const {
        KRendererSetupD3D8::Options made;
        made.designWidth = kWidth;
        made.designHeight = kHeight;
        return made;
    }
    void SetUp() override {
        deviceHooksReset();
        deviceHooksSetThreadCount(1);
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setRendererType(0);
        if (!KResource::fileSystemArchive)
            KResource::fileSystemArchive = new KResourceArchiveDirect();
        createHost(options());
    }
    void createHost(const KRendererSetupD3D8::Options &made) {
        host.recorder.reset();
        ASSERT_TRUE(host.create(made)) << getLogContents();
        host.startRecording();
        clear(0xFF000000u);
        clearLogContents();
    }
    void TearDown() override {
        host.destroy();
        host.recorder.reset();
        deviceHooksReset();
        setRendererType(-1);
    }
    RecordingDevice &recorder() { return *host.recorder; }

    void clear(uint32_t color) { host.realDevice()->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0); }
    // The back buffer as 0xAARRGGBB words, read through the pictures' own read-back.
    std::vector<uint32_t> frame() {
        auto reader = std::unique_ptr<KGraphic>(createKGraphic());
        D3DSURFACE_DESC desc{};
        IDirect3DSurface8 *back = nullptr;
        host.realDevice()->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back);
        back->GetDesc(&desc);
        back->Release();
        std::vector<uint32_t> pixels((size_t)desc.Width * desc.Height);
        EXPECT_TRUE(reader->readTargetPixels(0, 0, (int32_t)desc.Width, (int32_t)desc.Height, pixels.data()));
        return pixels;
    }
    uint32_t at(const std::vector<uint32_t> &pixels, int x, int y) const { return pixels[(size_t)y * kWidth + x]; }

    std::unique_ptr<KGraphicD3D> makePicture() {
        return std::unique_ptr<KGraphicD3D>(static_cast<KGraphicD3D *>(createKGraphic()));
    }
    std::unique_ptr<KGraphicD3D> pictureFrom(const std::vector<uint32_t> &pixels, int w, int h, bool alpha = true) {
        auto picture = makePicture();
        EXPECT_TRUE(picture->createFromPixels(pixels.data(), w, h, true, alpha));
        return picture;
    }
    std::unique_ptr<KBatchD3D> makeBatch(int32_t vertices, int32_t kind) {
        auto batch = std::unique_ptr<KBatchD3D>(static_cast<KBatchD3D *>(createKBatch()));
        EXPECT_TRUE(batch->allocateVertices(vertices, kind));
        return batch;
    }
};

} // namespace d3d8test
