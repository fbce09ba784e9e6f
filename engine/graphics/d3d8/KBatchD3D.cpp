// The Direct3D 8 renderer's batches: the shared Direct3D batch made for Direct3D 8.
#include "engine/graphics/d3d8/KBatchD3D.h"

#include "engine/graphics/KBatchD3DCommonImpl.h"
#include "engine/graphics/d3d8/KGraphicD3D.h"

template class KBatchD3DCommon<KD3D8Api>;
