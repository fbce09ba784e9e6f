// The vector kernels with SSE2, which every x86-64 processor has: four pixels per vector.
#include "platform/SoftRasterizerKernelTable.h"

#if defined(__x86_64__)
#include "platform/SoftRasterizerSse2Lanes.h"
#include "platform/SoftRasterizerVectorKernels.h"

const softraster::kernels::KernelTable *softraster::kernels::sse2Kernels() {
    return vectorTable<Sse2Lanes>(KernelSet::sse2);
}

#else

const softraster::kernels::KernelTable *softraster::kernels::sse2Kernels() { return nullptr; }

#endif
