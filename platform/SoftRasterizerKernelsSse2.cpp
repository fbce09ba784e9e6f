// The vector kernels with SSE2, which every x86-64 processor has: four pixels per vector.
#include "platform/SoftRasterizerKernelTable.h"

#if defined(__x86_64__)
#include "platform/SoftRasterizerSse2Lanes.h"
#include "platform/SoftRasterizerVectorKernels.h"

const softraster::kernels::KernelTable *softraster::kernels::sse2Kernels() {
    static const KernelTable table = VectorKernels<Sse2Lanes>::table(KernelSet::sse2);
    return &table;
}

#else

const softraster::kernels::KernelTable *softraster::kernels::sse2Kernels() { return nullptr; }

#endif
