#pragma once
// A picture of the Direct3D 8 renderer (renderer type 0): the shared Direct3D picture (KGraphicD3DCommon.h)
// on a Direct3D 8 device, linked into the list of Direct3D 8 pictures, with the render-state cache that
// every Direct3D 8 picture and batch shares.

#include <cstdint>

#include "engine/graphics/KGraphicD3DCommon.h"
#include "engine/graphics/d3d8/KD3D8Api.h"
#include "engine/graphics/d3d8/KGraphicD3D8Window.h"

class KGraphicD3D final : public KGraphicD3DCommon<KD3D8Api> {};

extern template class KGraphicD3DCommon<KD3D8Api>;

using D3D8RenderCache = KD3DRenderer<KD3D8Api>;
D3D8RenderCache &d3d8RenderCache();

// The game area of the window's back buffer as 32-bit pixels (bytes red, green, blue, 255), resampled to
// width x height; false, with the reason logged, when the back buffer cannot be read.
bool getBackBufferAsImage(KGraphicD3D8Window *window, int32_t width, int32_t height, ImageData *image);
