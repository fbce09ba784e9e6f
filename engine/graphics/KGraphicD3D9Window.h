#pragma once
// The game window as the Direct3D 9 picture and batch layers see it. The window implements it and hands
// itself to KGraphicD3D9::bindDevice and bindBatchDevice; tests implement it over a device of their own.

#include "engine/graphics/KGraphicD3DWindow.h"
#include "platform/D3D9.h"

using KGraphicD3D9GameArea = KGraphicD3DGameArea;

class KGraphicD3D9Window : public KGraphicD3DWindow {
public:
    virtual IDirect3DDevice9 *getDevice() = 0;
};
