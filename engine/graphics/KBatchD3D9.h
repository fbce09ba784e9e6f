#pragma once
// A vertex batch of the Direct3D 9 renderer: the shared Direct3D batch (KBatchD3DCommon.h) on a Direct3D 9
// device, linked into the list of Direct3D 9 batches.

#include "engine/graphics/KBatchD3DCommon.h"
#include "engine/graphics/KD3D9Api.h"
#include "engine/graphics/KGraphicD3D9Window.h"

class KGraphicD3D9;

class KBatchD3D9 final : public KBatchD3DCommon<KD3D9Api> {};

extern template class KBatchD3DCommon<KD3D9Api>;

// Module operations called by the window: binding to its device (at creation and after every reset), the
// release and re-creation of every batch's device buffer around a reset, the per-frame rewind of every
// ring (the first flush of every frame locks with DISCARD), and the pixel-shader records (none are made in
// this game).
void bindBatchDevice(KGraphicD3D9Window *window);
void unbindBatchDevice();
void releaseAllBatchBuffers();
void restoreAllBatchBuffers();
void resetBatchesForFrame();
// A picture that goes away leaves every batch it is bound to unstarted, its pending vertices dropped.
void forgetBatchPicture(KGraphicD3D9 *picture);
void releaseAllPixelShaders();
void recreateAllPixelShaders();
