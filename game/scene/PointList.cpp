#include "game/scene/PointList.h"

#include <algorithm>

void PointList::init(SceneElement *owner, ScriptValue *slot, int32_t keys, HoObjectPool<int32_t> &framePool,
                     HoObjectPool<float> &valuePool) {
    element = owner;
    target = slot;
    count = 0;
    capacity = std::clamp(keys, 0, kMaxKeys);
    frames = framePool.allocateArray(capacity);
    values = valuePool.allocateArray(capacity);
    if (!frames || !values)
        capacity = 0;
}

bool PointList::addKey(int32_t frame, float value) {
    if (count >= capacity)
        return false;
    frames[count] = frame;
    values[count] = value;
    ++count;
    return true;
}
