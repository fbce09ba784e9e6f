// The sound layer as a whole: opening the device, the volume and pan tables, the streaming thread,
// suspension of every sound while the game is in the background, and shutdown.

#include "engine/sound/KSound.h"
#include "engine/sound/KSoundState.h"
#include "engine/system/KSystem.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"

#include <cmath>

bool soundUnavailable = false;

KSoundState &soundState() {
    static KSoundState state;
    return state;
}

namespace {

// Volume: -100 x log base 0.92 of the level, in hundredths of a decibel; pan likewise with 0.954999.
void computeSoundTables(KSoundState &state) {
    state.volumeTable[0] = DSBVOLUME_MIN;
    for (int i = 1; i <= 100; i++) {
        int32_t entry = static_cast<int32_t>(-100.0 * std::log(i * 0.01) / std::log(0.92));
        state.volumeTable[i] = entry < DSBVOLUME_MIN ? DSBVOLUME_MIN : entry;
    }
    for (int k = 0; k < 100; k++) {
        int32_t entry = static_cast<int32_t>(-100.0 * std::log((100 - k) * 0.01) / std::log(0.954999));
        state.panTable[100 - k] = entry;
        state.panTable[100 + k] = -entry;
    }
    // The curve has no value at the ends; full left and full right silence the other side.
    state.panTable[0] = DSBPAN_LEFT;
    state.panTable[200] = DSBPAN_RIGHT;
}

void reportDeviceFailure(HRESULT result) {
    if (!soundUnavailable) {
        soundUnavailable = true;
        showSoundCardError();
    }
    logMessage("Sound: DirectSoundCreate returned 0x%X, ERROR", static_cast<unsigned>(result));
}

bool startPrimaryBuffer(KSoundState &state) {
    DSBUFFERDESC description{};
    description.dwSize = 20;
    description.dwFlags = DSBCAPS_PRIMARYBUFFER;
    HRESULT result = state.directSound->CreateSoundBuffer(&description, &state.primaryBuffer, nullptr);
    if (FAILED(result)) {
        logMessage("Sound: CreateSoundBuffer (primary) returned 0x%X, ERROR", static_cast<unsigned>(result));
        return false;
    }
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    result = state.primaryBuffer->SetFormat(&format);
    if (FAILED(result)) {
        logMessage("Sound: SetFormat (primary) returned 0x%X, ERROR", static_cast<unsigned>(result));
        return false;
    }
    result = state.primaryBuffer->Play(0, 0, DSBPLAY_LOOPING);
    if (FAILED(result)) {
        logMessage("Sound: play (primary) returned 0x%X, ERROR", static_cast<unsigned>(result));
        return false;
    }
    logMessage("Sound: primary buffer started");
    return true;
}

void startStreamingThread(KSoundState &state) {
    state.stopThread = false;
    state.thread = startThread(new ThreadRecord, soundThreadMain, nullptr);
    if (state.thread && state.thread->handle)
        SetThreadPriority(state.thread->handle, THREAD_PRIORITY_HIGHEST);
}

void stopStreamingThread(KSoundState &state) {
    if (!state.thread)
        return;
    state.stopThread = true;
    waitForThread(state.thread);
    delete state.thread;
    state.thread = nullptr;
}

} // namespace

bool initDirectSound() {
    KSoundState &state = soundState();
    HRESULT result = DirectSoundCreate(nullptr, &state.directSound, nullptr);
    if (FAILED(result) || !state.directSound) {
        state.directSound = nullptr;
        reportDeviceFailure(result);
        return false;
    }
    computeSoundTables(state);
    logMessage("Sound: DirectSound initialized");
    // Without a foreground window there is no desktop window to stand in for it here: null is passed.
    result = state.directSound->SetCooperativeLevel(GetForegroundWindow(), DSSCL_PRIORITY);
    if (FAILED(result)) {
        logMessage("Sound: SetCooperativeLevel returned 0x%X, ERROR", static_cast<unsigned>(result));
        return true;
    }
    startPrimaryBuffer(state);
    return true;
}

void releaseDirectSound() {
    KSoundState &state = soundState();
    if (state.primaryBuffer) {
        state.primaryBuffer->Release();
        state.primaryBuffer = nullptr;
        logMessage("Sound: primary buffer released");
    }
    if (state.directSound) {
        state.directSound->Release();
        state.directSound = nullptr;
        logMessage("Sound: DirectSound released");
    }
}

// Runs again after shutdownSound, so that sound comes back after the game restarts itself; a device
// that failed once is tried again then, but its message box is not shown twice.
void initSoundLayer() {
    KSoundState &state = soundState();
    if (state.initialised)
        return;
    state.initialised = true;
    if (initDirectSound())
        startStreamingThread(state);
}

int32_t volumeTableEntry(int32_t index) {
    return soundState().volumeTable[index < 0 ? 0 : index > 100 ? 100 : index];
}

int32_t panTableEntry(int32_t index) {
    return soundState().panTable[(index < -100 ? -100 : index > 100 ? 100 : index) + 100];
}

bool areSoundsSuspended() {
    return soundState().suspended;
}

void suspendAllSounds() {
    KSoundState &state = soundState();
    if (!state.initialised || state.suspended || !state.directSound)
        return;
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    auto pauseForSuspend = [](KSound *sound) {
        sound->setPaused(true);
        if (sound->paused)
            sound->pausedBySuspend = 1;
    };
    for (KObjectListable *node = state.playing.head; node; node = node->next) {
        auto *sound = static_cast<KSound *>(node);
        if (!sound->paused)
            pauseForSuspend(sound);
    }
    for (KObjectListable *node = state.idle.head; node; node = node->next) {
        auto *sound = static_cast<KSound *>(node);
        if (!sound->paused && sound->isSoundPlaying())
            pauseForSuspend(sound);
    }
    state.suspended = true;
}

void resumeAllSounds() {
    KSoundState &state = soundState();
    if (!state.initialised || !state.suspended)
        return;
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    state.suspended = false;
    for (KObjectList *list : {&state.playing, &state.idle}) {
        for (KObjectListable *node = list->head; node; node = node->next) {
            auto *sound = static_cast<KSound *>(node);
            if (sound->pausedBySuspend) {
                sound->setPaused(false);
                sound->pausedBySuspend = 0;
            }
        }
    }
}

// Each step is guarded by what it releases: without a device there is neither thread nor buffer.
void shutdownSound() {
    KSoundState &state = soundState();
    if (!state.initialised)
        return;
    stopStreamingThread(state);
    {
        std::lock_guard<std::recursive_mutex> guard(state.lock);
        state.suspended = false;
        while (KObjectListable *node = state.playing.head) {
            state.playing.unlink(node);
            static_cast<KSound *>(node)->playing = 0;
            state.idle.append(node);
        }
        for (KObjectListable *node = state.idle.head; node; node = node->next)
            static_cast<KSound *>(node)->unloadSound();
    }
    state.sampleScratch.clear();
    state.sampleScratch.shrink_to_fit();
    releaseDirectSound();
    state.initialised = false;
}
