#pragma once
// The state shared by the Direct3D 9 pictures and batches (KD3DRenderer.h) under the name the window and
// the tests use for it. Used under KGraphicD3D9::rendererMutex().

#include "engine/graphics/KD3D9Api.h"
#include "engine/graphics/KD3DRenderer.h"

using KGraphicD3D9Renderer = KD3DRenderer<KD3D9Api>;

KGraphicD3D9Renderer &d3d9Renderer();
