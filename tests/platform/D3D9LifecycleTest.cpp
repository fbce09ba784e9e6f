// The adapter's answers, device creation, Reset and device loss of the software Direct3D device, and
// its fault hooks.
#include "tests/support/D3D9TestSupport.h"

#include "platform/DDraw.h"

using namespace d3dtest;

namespace {

class D3D9Lifecycle : public DeviceFixture {
protected:
    HRESULT createAnother(DWORD flags, IDirect3DDevice9 **out) {
        D3DPRESENT_PARAMETERS params = pp;
        return d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, flags, &params, out);
    }
};

} // namespace

TEST_F(D3D9Lifecycle, AdapterReportsWhatTheEngineChecks) {
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    D3DCAPS9 caps;
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY, 0u);
    EXPECT_EQ(caps.MaxTextureWidth, 8192u);
    EXPECT_EQ(caps.MaxTextureHeight, 8192u);
    EXPECT_NE(caps.VertexProcessingCaps, 0u);
    D3DDISPLAYMODE mode;
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_GT(mode.Width, 0u);

    for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_DXT1, D3DFMT_DXT5})
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, format), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE,
                                     D3DFMT_A8R8G8B8),
              D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE,
                                     D3DFMT_DXT1),
              D3DERR_NOTAVAILABLE);
    // Back-buffer formats: 32-bit first, R8G8B8 refused, 16-bit accepted.
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_SURFACE, D3DFMT_X8R8G8B8), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_R8G8B8, 0, D3DRTYPE_SURFACE, D3DFMT_R8G8B8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, 0, D3DRTYPE_SURFACE, D3DFMT_R5G6B5), D3D_OK);
    for (D3DFORMAT depth : {D3DFMT_D16, D3DFMT_D15S1, D3DFMT_D24X8, D3DFMT_D32, D3DFMT_D24S8, D3DFMT_D24X4S4}) {
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depth),
                  D3D_OK);
        EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, depth), D3D_OK);
    }
    EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8),
              D3DERR_NOTAVAILABLE);

    D3DDEVICE_CREATION_PARAMETERS creation;
    ASSERT_EQ(device->GetCreationParameters(&creation), D3D_OK);
    EXPECT_TRUE(creation.BehaviorFlags & D3DCREATE_HARDWARE_VERTEXPROCESSING);
    EXPECT_EQ(creation.hFocusWindow, window);
}

TEST_F(D3D9Lifecycle, DirectDrawReportsTheVideoMemoryFigure) {
    IDirectDraw7 *dd = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, (void **)&dd, IID_IDirectDraw7, nullptr), DD_OK);
    DDSCAPS2 caps = {DDSCAPS_VIDEOMEMORY, 0, 0, 0};
    DWORD total = 0, free = 0;
    ASSERT_EQ(dd->GetAvailableVidMem(&caps, &total, &free), DD_OK);
    EXPECT_EQ(total, 1u << 30);
    EXPECT_EQ(dd->GetAvailableVidMem(nullptr, &total, &free), DDERR_INVALIDPARAMS);
    dd->Release();
    GUID other{};
    void *out = nullptr;
    EXPECT_EQ(DirectDrawCreateEx(nullptr, &out, other, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(out, nullptr);
}

TEST_F(D3D9Lifecycle, CreationRefusedForHardwareProcessingOnly) {
    deviceHooksRefuseCreate(2, true);
    IDirect3DDevice9 *second = nullptr;
    EXPECT_EQ(createAnother(D3DCREATE_HARDWARE_VERTEXPROCESSING, &second), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(second, nullptr);
    // Software processing is not refused and does not use up the count.
    ASSERT_EQ(createAnother(D3DCREATE_SOFTWARE_VERTEXPROCESSING, &second), D3D_OK);
    D3DDEVICE_CREATION_PARAMETERS creation;
    second->GetCreationParameters(&creation);
    EXPECT_TRUE(creation.BehaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    second->Release();
    EXPECT_EQ(createAnother(D3DCREATE_HARDWARE_VERTEXPROCESSING, &second), D3DERR_NOTAVAILABLE);
    ASSERT_EQ(createAnother(D3DCREATE_HARDWARE_VERTEXPROCESSING, &second), D3D_OK);
    second->Release();
}

TEST_F(D3D9Lifecycle, CreationRefusedForBothKindsFromTheEnvironment) {
    setHooksFromEnvironment({{"LANTERNFALL_D3D_REFUSE_CREATE", "2"}});
    IDirect3DDevice9 *second = nullptr;
    EXPECT_EQ(createAnother(D3DCREATE_HARDWARE_VERTEXPROCESSING, &second), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(createAnother(D3DCREATE_SOFTWARE_VERTEXPROCESSING, &second), D3DERR_NOTAVAILABLE);
    ASSERT_EQ(createAnother(D3DCREATE_SOFTWARE_VERTEXPROCESSING, &second), D3D_OK);
    second->Release();
    // Malformed creations.
    EXPECT_EQ(createAnother(0, &second), D3DERR_INVALIDCALL);
    EXPECT_EQ(createAnother(D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_SOFTWARE_VERTEXPROCESSING, &second),
              D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS bad = pp;
    bad.BackBufferFormat = D3DFMT_DXT1;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &bad, &second),
              D3DERR_INVALIDCALL);
    bad = pp;
    bad.Windowed = FALSE;
    bad.BackBufferWidth = 0;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &bad, &second),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &second),
              D3DERR_NOTAVAILABLE);
}

TEST_F(D3D9Lifecycle, TextureBudgetGivesOutOfVideoMemory) {
    setHooksFromEnvironment({{"LANTERNFALL_D3D_TEXTURE_BUDGET", "300000"}});
    IDirect3DDevice9 *small = nullptr;
    ASSERT_EQ(createAnother(D3DCREATE_HARDWARE_VERTEXPROCESSING, &small), D3D_OK);
    EXPECT_EQ(small->GetAvailableTextureMem(), 300000u);
    IDirect3DTexture9 *a = nullptr, *b = nullptr, *c = nullptr;
    ASSERT_EQ(small->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &a, nullptr), D3D_OK); // 262144
    EXPECT_EQ(small->GetAvailableTextureMem(), 300000u - 262144u);
    EXPECT_EQ(small->CreateTexture(128, 128, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &b, nullptr),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(b, nullptr);
    // System memory does not count.
    ASSERT_EQ(small->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &c, nullptr), D3D_OK);
    c->Release();
    a->Release();
    EXPECT_EQ(small->GetAvailableTextureMem(), 300000u);
    ASSERT_EQ(small->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &b, nullptr), D3D_OK);
    b->Release();
    small->Release();
    // The setter works the same way.
    deviceHooksSetTextureBudget(1000);
    ASSERT_EQ(createAnother(D3DCREATE_HARDWARE_VERTEXPROCESSING, &small), D3D_OK);
    EXPECT_EQ(small->CreateTexture(64, 64, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &a, nullptr), D3DERR_OUTOFVIDEOMEMORY);
    small->Release();
}

TEST_F(D3D9Lifecycle, LostDeviceRefusesDrawsUntilResetAndKeepsManagedTextures) {
    std::vector<uint32_t> texels(4, 0xFF11AA33);
    IDirect3DTexture9 *managed = makeTexture(2, 2, texels);
    IDirect3DTexture9 *target = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr),
              D3D_OK);
    IDirect3DVertexBuffer9 *buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(256, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, fvfL, D3DPOOL_DEFAULT, &buffer, nullptr),
              D3D_OK);
    IDirect3DSurface9 *held = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &held);

    deviceHooksLoseDevice(2);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    VertexL quad[4] = {{-0.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0}, {1.5f, 0.5f, 0, 0xFFFFFFFF, 1, 0},
                       {-0.5f, -1.5f, 0, 0xFFFFFFFF, 0, 1}, {1.5f, -1.5f, 0, 0xFFFFFFFF, 1, 1}};
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexL)), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);

    // Default-pool resources and the held back buffer must be released before Reset.
    D3DPRESENT_PARAMETERS resized = pp;
    resized.BackBufferWidth = 40;
    resized.BackBufferHeight = 20;
    EXPECT_EQ(device->Reset(&resized), D3DERR_INVALIDCALL);
    target->Release();
    buffer->Release();
    EXPECT_EQ(device->Reset(&resized), D3DERR_INVALIDCALL);
    held->Release();
    ASSERT_EQ(device->Reset(&resized), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);

    // The back buffer has its new size and the managed texture still draws.
    IDirect3DSurface9 *back = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    D3DSURFACE_DESC desc;
    back->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 40u);
    EXPECT_EQ(desc.Height, 20u);
    back->Release();
    width = 40;
    height = 20;
    set2DStates();
    device->BeginScene();
    clear(0xFF000000);
    device->SetTexture(0, managed);
    drawQuad(3, 3, 5, 5, 0xFFFFFFFF);
    EXPECT_EQ(pixel(readPixels(), 4, 4), 0xFF11AA33u);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    device->SetTexture(0, nullptr);
    managed->Release();
}

TEST_F(D3D9Lifecycle, ResetRestoresDefaultStatesAndSwitchesWindowMode) {
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    D3DPRESENT_PARAMETERS full = pp;
    full.Windowed = FALSE;
    full.BackBufferWidth = 80;
    full.BackBufferHeight = 60;
    ASSERT_EQ(device->Reset(&full), D3D_OK);
    EXPECT_TRUE(window->fullScreen);
    DWORD value = 1;
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, (DWORD)FALSE);
    device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, (DWORD)TRUE);
    D3DVIEWPORT9 viewport;
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 80u);
    EXPECT_EQ(viewport.Height, 60u);
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_FALSE(window->fullScreen);
    EXPECT_EQ(window->clientWidth, width);
    EXPECT_EQ(device->Reset(nullptr), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Lifecycle, SixteenBitBackBufferReadsBackInItsFormat) {
    D3DPRESENT_PARAMETERS sixteen = pp;
    sixteen.BackBufferFormat = D3DFMT_R5G6B5;
    ASSERT_EQ(device->Reset(&sixteen), D3D_OK);
    device->BeginScene();
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF8040, 1.0f, 0), D3D_OK);
    IDirect3DSurface9 *back = nullptr, *copy = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    ASSERT_EQ(device->CreateOffscreenPlainSurface(width, height, D3DFMT_R5G6B5, D3DPOOL_SYSTEMMEM, &copy, nullptr), D3D_OK);
    ASSERT_EQ(device->GetRenderTargetData(back, copy), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(locked.Pitch, width * 2);
    uint16_t value;
    std::memcpy(&value, locked.pBits, 2);
    EXPECT_EQ(value, (uint16_t)((31 << 11) | (32 << 5) | 8)); // 0xFF, 0x80, 0x40 in 5:6:5
    copy->UnlockRect();
    copy->Release();
    back->Release();
}

TEST_F(D3D9Lifecycle, LossAndThreadCountFromTheEnvironment) {
    setHooksFromEnvironment({{"LANTERNFALL_D3D_LOSE_DEVICE", "2"}, {"LANTERNFALL_D3D_THREADS", "3"}});
    EXPECT_EQ(deviceHooksThreadCount(), 3);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Reset(&pp), D3DERR_DEVICELOST); // still lost: cannot be reset yet
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL); // the fixture's scene is still open
    device->EndScene();
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    // The loss was taken once: a second device is not lost.
    IDirect3DDevice9 *second = nullptr;
    ASSERT_EQ(createAnother(D3DCREATE_HARDWARE_VERTEXPROCESSING, &second), D3D_OK);
    EXPECT_EQ(second->TestCooperativeLevel(), D3D_OK);
    second->Release();
}
