#pragma once
// A key-frame track: the keys (frame, value) that drive one property slot of an element over time.
// Its two arrays come from the world's pools; a track longer than a pool block gets runs of its own,
// so key counts are bounded only by kMaxKeys.

#include <cstdint>

#include "game/util/HoObjectPool.h"

struct SceneElement;
struct ScriptValue;

struct PointList {
    // Key counts above this are cut to it: no scene or animation needs more, and a hostile count must
    // not exhaust memory.
    static constexpr int32_t kMaxKeys = 100000;

    // Owner and target slot, no keys, and arrays for capacity keys (cut to kMaxKeys; none for 0 or below).
    void init(SceneElement *owner, ScriptValue *slot, int32_t capacity, HoObjectPool<int32_t> &framePool,
              HoObjectPool<float> &valuePool);
    // Appends a key while there is room; false when the track is full.
    bool addKey(int32_t frame, float value);

    SceneElement *element = nullptr;
    int32_t count = 0;
    int32_t *frames = nullptr;
    float *values = nullptr;
    int32_t capacity = 0;
    ScriptValue *target = nullptr;
};
