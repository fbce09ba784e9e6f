#pragma once
// A picture of the Direct3D 9 renderer: the shared Direct3D picture (KGraphicD3DCommon.h) on a Direct3D 9
// device, linked into the list of Direct3D 9 pictures.

#include "engine/graphics/KD3D9Api.h"
#include "engine/graphics/KGraphicD3D9Window.h"
#include "engine/graphics/KGraphicD3DCommon.h"

class KGraphicD3D9 final : public KGraphicD3DCommon<KD3D9Api> {};

extern template class KGraphicD3DCommon<KD3D9Api>;

// The brightness and letterbox fill of the window's flip: black at trunc(alpha x 255), in game pixels.
void drawShadeRect(float x1, float y1, float x2, float y2, float alpha);
