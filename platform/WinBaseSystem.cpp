// The process's processors and the system's name, from the kernel.

#include "platform/WinBase.h"

#include <algorithm>
#include <cstdlib>

#include <malloc.h>
#include <sched.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

HANDLE const kCurrentProcessPseudoHandle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

DWORD_PTR maskOf(const cpu_set_t &set) {
    DWORD_PTR mask = 0;
    for (int cpu = 0; cpu < static_cast<int>(sizeof(DWORD_PTR) * 8); cpu++) {
        if (CPU_ISSET(cpu, &set))
            mask |= DWORD_PTR{1} << cpu;
    }
    return mask;
}

} // namespace

HANDLE GetCurrentProcess() {
    return kCurrentProcessPseudoHandle;
}

BOOL GetProcessAffinityMask(HANDLE process, DWORD_PTR *processMask, DWORD_PTR *systemMask) {
    if (process != kCurrentProcessPseudoHandle || !processMask || !systemMask)
        return FALSE;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return FALSE;
    *processMask = maskOf(set);
    long online = sysconf(_SC_NPROCESSORS_ONLN);
    DWORD_PTR all = 0;
    for (long cpu = 0; cpu < online && cpu < static_cast<long>(sizeof(DWORD_PTR) * 8); cpu++)
        all |= DWORD_PTR{1} << cpu;
    *systemMask = all | *processMask;
    return TRUE;
}

void platformReuseFreedHeapMemory() {
    // Blocks below this come from the heap (the largest the allocator takes for its threads' heaps too);
    // surfaces are mapped apart (platform/PixelAllocator.h). Free memory at the heap's top is kept up to
    // twice that, as the allocator's own adaptive setting would keep it after its first large free.
    constexpr int kHeapBlockLimit = 32 << 20;
    mallopt(M_MMAP_THRESHOLD, kHeapBlockLimit);
    mallopt(M_TRIM_THRESHOLD, 2 * kHeapBlockLimit);
}

int platformUsableProcessorCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    int count = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 0;
    if (count < 1)
        count = static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
    if (const char *cap = std::getenv("LANTERNFALL_MAX_THREADS")) {
        char *end = nullptr;
        long limit = std::strtol(cap, &end, 10);
        if (end != cap && *end == '\0' && limit > 0 && limit < count)
            count = static_cast<int>(limit);
    }
    return count;
}

std::string platformGetSystemDescription() {
    utsname names{};
    if (uname(&names) != 0)
        return "Linux";
    return std::string(names.sysname) + " " + names.release;
}
