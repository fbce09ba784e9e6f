// The Direct3D 9 renderer's batches: the shared Direct3D batch made for Direct3D 9, and the module
// operations the window calls by their own names.
#include "engine/graphics/KBatchD3D9.h"

#include "engine/graphics/KBatchD3DCommonImpl.h"
#include "engine/graphics/KGraphicD3D9.h"

template class KBatchD3DCommon<KD3D9Api>;

void bindBatchDevice(KGraphicD3D9Window *window) { KBatchD3D9::bindDevice(window); }
void unbindBatchDevice() { KBatchD3D9::unbindDevice(); }
void releaseAllBatchBuffers() { KBatchD3D9::releaseAllBuffers(); }
void restoreAllBatchBuffers() { KBatchD3D9::restoreAllBuffers(); }
void resetBatchesForFrame() { KBatchD3D9::resetForFrame(); }
void forgetBatchPicture(KGraphicD3D9 *picture) { KBatchD3D9::forgetPicture(picture); }

// The game makes no pixel shaders, so around a reset there is none to release or to make again.
void releaseAllPixelShaders() {}
void recreateAllPixelShaders() {}
