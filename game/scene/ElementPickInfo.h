#pragma once
// The pick record of an element that takes part in hidden-object play: whether it was found, the
// state of its disappearance and of its list entry's strike-through, the element it must be dropped
// on, and the emitters that show it going. One record per such element, from the world's pool.

#include <cstdint>

struct HiddenObjectItem;
struct ParticleEmitter;
struct SceneElement;

struct ElementPickInfo {
    // Every field 0 or none, but the element itself as the one that shows the disappearance and the
    // whole screen as the rectangle.
    void init(SceneElement *element);
    // The rectangle becomes the whole screen, in design units like the quads it is later set to: the
    // draw clips the element to it while the element is listed. It spans the wide design's width, which
    // holds what a narrow layout shows of it too.
    void coverScreen();

    uint8_t found = 0;
    uint8_t disappearing = 0;
    uint8_t striking = 0;
    uint8_t taken = 0;
    uint8_t wasListed = 0; // in the item list before the last set-up
    HiddenObjectItem *item = nullptr;
    int32_t foundOrder = 0; // the item's found count when this element was found
    SceneElement *target = nullptr;  // the element this one must be dropped on
    SceneElement *dropped = nullptr; // on a target's record: the element that belongs on it
    SceneElement *display = nullptr; // the element that shows the disappearance
    float strikeProgress = 0.0f;     // -1: done
    ParticleEmitter *foundEmitter = nullptr;
    int32_t disappearCounter = 0;
    float sweep = 0.0f;
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    ParticleEmitter *dissolveEmitters[2] = {};
    float savedDepth = 0.0f; // the z of the element that showed the disappearance, given back after it
};
