#pragma once
// What the sound files share: the device, the lists, the lock, the streaming thread and the tables.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/system/KObject.h"
#include "engine/system/KSystem.h"
#include "platform/DSound.h"

struct KSoundState {
    bool initialised = false;
    std::atomic<bool> suspended{false};
    std::atomic<bool> stopThread{false};
    IDirectSound *directSound = nullptr;
    IDirectSoundBuffer *primaryBuffer = nullptr;
    ThreadRecord *thread = nullptr;
    // Lives as long as the process: sounds may be destroyed after shutdownSound, and they still
    // unlink themselves under it.
    std::recursive_mutex lock;
    KObjectList idle;
    KObjectList playing;
    std::vector<unsigned char> sampleScratch;
    int32_t volumeTable[101] = {};
    int32_t panTable[201] = {}; // index pan + 100
};

KSoundState &soundState();

// PCM the sound layer can play: 1 or 2 channels of 8 or 16 bits at 100 to 200000 Hz.
inline bool isPlayablePcm(int channels, uint32_t rate, int bits) {
    return channels >= 1 && channels <= 2 && (bits == 8 || bits == 16) && rate >= 100 && rate <= 200000;
}

// Starts the layer when it is not running: device, tables, lock and streaming thread.
void initSoundLayer();
bool initDirectSound();
void releaseDirectSound();
