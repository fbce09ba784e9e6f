// The Direct3D 8 face of the software device: its adapter answers, one reference count shared with the
// objects behind it, the stage states that stand for sampler states, target and depth in one call, and
// whole-surface copies into lockable image surfaces.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/D3D8.h"
#include "platform/DeviceHooks.h"
#include "platform/WindowSurface.h"
#include "tests/support/D3D9TestSupport.h"

namespace {

class Direct3D8Face : public ::testing::Test {
protected:
    HWND window = nullptr;
    IDirect3D8 *d3d = nullptr;
    IDirect3DDevice8 *device = nullptr;

    void SetUp() override {
        d3dtest::ensureHeadless();
        deviceHooksReset();
        deviceHooksSetThreadCount(1);
        window = platformCreateTestWindow(32, 32);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(Direct3DCreate8(32), nullptr) << "only Direct3D 8's version";
        d3d = Direct3DCreate8(D3D8_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp = d3dtest::windowedPresentParameters(32, 32);
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
                  D3D_OK);
    }
    void TearDown() override {
        if (device)
            device->Release();
        if (d3d)
            d3d->Release();
        platformDestroyTestWindow(window);
    }
};

} // namespace

TEST_F(Direct3D8Face, FormatsAndReferencesAreTheDevicesOwn) {
    struct Case {
        DWORD usage;
        D3DFORMAT format;
        bool accepted;
    };
    for (const Case &c : {Case{0, D3DFMT_DXT1, true}, Case{0, D3DFMT_DXT5, true}, Case{0, D3DFMT_A8R8G8B8, true},
                          Case{D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, true},
                          Case{D3DUSAGE_RENDERTARGET, D3DFMT_DXT5, false}, Case{0, D3DFMT_R8G8B8, false}})
        EXPECT_EQ(SUCCEEDED(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, c.usage, D3DRTYPE_TEXTURE,
                                                    c.format)),
                  c.accepted)
            << c.format << " usage " << c.usage;

    IDirect3DTexture8 *texture = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3D_OK) << "managed textures take DISCARD";
    texture->UnlockRect(0);
    IDirect3DSurface8 *level = nullptr, *again = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
    ASSERT_EQ(texture->GetSurfaceLevel(0, &again), D3D_OK);
    EXPECT_EQ(level, again) << "one face per object";
    // The level holds its texture: the counts are one.
    EXPECT_EQ(texture->AddRef(), 4u);
    EXPECT_EQ(level->Release(), 3u);
    EXPECT_EQ(again->Release(), 2u);
    IDirect3DDevice8 *owner = nullptr;
    ASSERT_EQ(texture->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, device);
    owner->Release();
    EXPECT_EQ(texture->Release(), 1u);
    EXPECT_EQ(texture->Release(), 0u);

    IDirect3DVertexBuffer8 *buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_DEFAULT, &buffer), D3D_OK);
    BYTE *bytes = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &bytes, 0), D3D_OK);
    EXPECT_NE(bytes, nullptr);
    buffer->Unlock();
    buffer->Release();
}

TEST_F(Direct3D8Face, StageStatesTargetsAndCopies) {
    // Addressing and filters are stage states here, sampler states behind the face.
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_MIRROR), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(1, D3DTSS_MAGFILTER, D3DTEXF_LINEAR), D3D_OK);
    DWORD value = 0;
    device->GetTextureStageState(0, D3DTSS_ADDRESSU, &value);
    EXPECT_EQ(value, (DWORD)D3DTADDRESS_MIRROR);
    device->GetTextureStageState(1, D3DTSS_MAGFILTER, &value);
    EXPECT_EQ(value, (DWORD)D3DTEXF_LINEAR);
    EXPECT_NE(device->SetTextureStageState(0, D3DTSS_ADDRESSV, 9), D3D_OK) << "no such address mode";

    // Colour and depth in one call; a null depth means none, and a refused call changes nothing.
    IDirect3DTexture8 *target = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target),
              D3D_OK);
    IDirect3DSurface8 *colour = nullptr, *depth = nullptr, *back = nullptr;
    target->GetSurfaceLevel(0, &colour);
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    EXPECT_NE(device->SetRenderTarget(depth, nullptr), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(colour, nullptr), D3D_OK);
    IDirect3DSurface8 *bound = nullptr;
    EXPECT_NE(device->GetDepthStencilSurface(&bound), D3D_OK);
    D3DVIEWPORT8 viewport{};
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 16u);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699u, 1.0f, 0), D3D_OK);

    // Whole-surface copies of a target into an image surface, which locks for reading.
    IDirect3DSurface8 *image = nullptr;
    ASSERT_EQ(device->CreateImageSurface(16, 16, D3DFMT_X8R8G8B8, &image), D3D_OK);
    const RECT part = {0, 0, 4, 4};
    EXPECT_NE(device->CopyRects(colour, &part, 1, image, nullptr), D3D_OK) << "only whole surfaces";
    ASSERT_EQ(device->CopyRects(colour, nullptr, 0, image, nullptr), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(image->LockRect(&locked, nullptr, D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK), D3D_OK);
    EXPECT_EQ(*(const uint32_t *)locked.pBits, 0xFF336699u);
    image->UnlockRect();
    EXPECT_EQ(device->SetRenderTarget(back, depth), D3D_OK);
    device->EndScene();
    for (IDirect3DSurface8 *surface : {image, colour, depth, back})
        surface->Release();
    target->Release();
}
