// The Direct3D 8 renderer's pictures: the shared Direct3D picture made for Direct3D 8, and the capture of
// the back buffer, read straight from its locked surface.
#include "engine/graphics/d3d8/KGraphicD3D.h"

#include "engine/graphics/KBackBufferImage.h"
#include "engine/graphics/KGraphicD3DCommonDraw.h"
#include "engine/graphics/KGraphicD3DCommonLoad.h"
#include "engine/graphics/KGraphicD3DCommonTarget.h"
#include "engine/graphics/d3d8/KBatchD3D.h"

template class KGraphicD3DCommon<KD3D8Api>;

D3D8RenderCache &d3d8RenderCache() { return D3D8RenderCache::instance(); }

bool getBackBufferAsImage(KGraphicD3D8Window *window, int32_t width, int32_t height, ImageData *image) {
    IDirect3DDevice8 *device = window ? window->getDevice() : nullptr;
    KGraphicD3DGameArea area = window ? window->getGameArea() : KGraphicD3DGameArea{};
    if (!device || !image || width <= 0 || height <= 0 || area.width <= 0 || area.height <= 0)
        return false;
    IDirect3DSurface8 *backBuffer = nullptr;
    HRESULT result = device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    if (FAILED(result) || !backBuffer) {
        logMessage("D3D8: GetBackBuffer returned 0x%X for getBackBufferAsImage, ERROR", (unsigned)result);
        return false;
    }
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT locked{};
    bool converted = false;
    if (FAILED(result = backBuffer->GetDesc(&desc))) {
        logMessage("D3D8: GetDesc returned 0x%X for getBackBufferAsImage, ERROR", (unsigned)result);
    } else if (FAILED(result = backBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY | D3DLOCK_NO_DIRTY_UPDATE))) {
        logMessage("D3D8: LockRect returned 0x%X for getBackBufferAsImage, ERROR", (unsigned)result);
    } else {
        if (backBufferPixelBytes(desc.Format) == 0)
            logMessage("D3D8: unsupported backbuffer format 0x%X in getBackBufferAsImage, ERROR", (unsigned)desc.Format);
        else
            converted = backBufferAreaToImage(desc.Format, locked, desc.Width, desc.Height, area.x, area.y,
                                              area.width, area.height, image);
        backBuffer->UnlockRect();
    }
    backBuffer->Release();
    if (converted)
        rescaleImage(image, (uint32_t)width, (uint32_t)height);
    return converted;
}
