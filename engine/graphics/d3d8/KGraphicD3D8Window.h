#pragma once
// The window as the Direct3D 8 picture and batch layers see it: the device-neutral window of
// KGraphicD3DWindow.h over a Direct3D 8 device. No game window of the engine draws with Direct3D 8;
// KRendererSetupD3D8 is the one that implements it.

#include "engine/graphics/KGraphicD3DWindow.h"
#include "platform/D3D8.h"

class KGraphicD3D8Window : public KGraphicD3DWindow {
public:
    virtual IDirect3DDevice8 *getDevice() = 0;
};
