#pragma once
// A vertex batch of the Direct3D 8 renderer (renderer type 0): the shared Direct3D batch
// (KBatchD3DCommon.h) on a Direct3D 8 device, linked into the list of Direct3D 8 batches. Its ring is not
// rewound at each frame: only a flush at position 0 (the first, one after an automatic flush, or one after
// a flush that ended at the buffer's end) locks with DISCARD.

#include "engine/graphics/KBatchD3DCommon.h"
#include "engine/graphics/d3d8/KD3D8Api.h"
#include "engine/graphics/d3d8/KGraphicD3D8Window.h"

class KBatchD3D final : public KBatchD3DCommon<KD3D8Api> {};

extern template class KBatchD3DCommon<KD3D8Api>;
