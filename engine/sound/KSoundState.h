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

// Starts the layer when it is not running: device, tables, lock and streaming thread.
void initSoundLayer();
bool initDirectSound();
void releaseDirectSound();
