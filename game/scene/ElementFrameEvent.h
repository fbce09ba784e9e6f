#pragma once
// An event that an element's frame animation fires whenever its rounded current frame, taken within
// the element's frame count, reaches the frame. The element owns these records and deletes them.

#include <cstdint>

struct ScriptEvent;

struct ElementFrameEvent {
    int32_t frame = 0;
    ScriptEvent *event = nullptr; // none: the entry fires nothing
};
