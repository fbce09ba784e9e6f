#include "platform/DeviceHooks.h"

#include <cstdlib>
#include <mutex>

namespace {

struct HookState {
    bool loaded = false;
    int refuseCount = 0;
    bool refuseHardwareOnly = false;
    uint64_t textureBudget = 1ull << 30;
    int lossChecks = 0; // a loss waiting for the next device that checks its level
    int threads = 0;
    bool frameReuse = true;
};

std::mutex hookLock;
HookState hooks;

long long envNumber(const char *name, long long fallback) {
    const char *text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    char *end = nullptr;
    long long value = std::strtoll(text, &end, 10);
    return (end && *end == '\0' && value >= 0) ? value : fallback;
}

void loadFromEnvironment() {
    if (hooks.loaded)
        return;
    hooks.loaded = true;
    hooks.refuseCount = (int)envNumber("LANTERNFALL_D3D_REFUSE_CREATE", 0);
    hooks.refuseHardwareOnly = envNumber("LANTERNFALL_D3D_REFUSE_CREATE_HW", 0) != 0;
    hooks.textureBudget = (uint64_t)envNumber("LANTERNFALL_D3D_TEXTURE_BUDGET", 1ll << 30);
    hooks.lossChecks = (int)envNumber("LANTERNFALL_D3D_LOSE_DEVICE", 0);
    hooks.threads = (int)envNumber("LANTERNFALL_D3D_THREADS", 0);
    hooks.frameReuse = envNumber("LANTERNFALL_RASTER_REUSE", 1) != 0;
}

} // namespace

void deviceHooksRefuseCreate(int count, bool hardwareOnly) {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    hooks.refuseCount = count > 0 ? count : 0;
    hooks.refuseHardwareOnly = hardwareOnly;
}

void deviceHooksSetTextureBudget(uint64_t bytes) {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    hooks.textureBudget = bytes;
}

void deviceHooksLoseDevice(int lostChecks) {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    hooks.lossChecks = lostChecks > 0 ? lostChecks : 0;
}

void deviceHooksSetThreadCount(int threads) {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    hooks.threads = threads > 0 ? threads : 0;
}

void deviceHooksSetFrameReuse(bool reuse) {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    hooks.frameReuse = reuse;
}

void deviceHooksReset() {
    std::lock_guard<std::mutex> guard(hookLock);
    hooks = HookState{};
    loadFromEnvironment();
}

bool deviceHooksTakeCreateRefusal(bool hardwareVertexProcessing) {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    if (hooks.refuseCount <= 0 || (hooks.refuseHardwareOnly && !hardwareVertexProcessing))
        return false;
    --hooks.refuseCount;
    return true;
}

uint64_t deviceHooksTextureBudget() {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    return hooks.textureBudget;
}

int deviceHooksTakeLoss() {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    int checks = hooks.lossChecks;
    hooks.lossChecks = 0;
    return checks;
}

int deviceHooksThreadCount() {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    return hooks.threads;
}

bool deviceHooksFrameReuse() {
    std::lock_guard<std::mutex> guard(hookLock);
    loadFromEnvironment();
    return hooks.frameReuse;
}
