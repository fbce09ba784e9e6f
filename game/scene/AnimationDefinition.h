#pragma once
// The ".anim" file of an animated image: key=value lines naming the textures of one cycle, in order, and
// its length. "Duration" gives the cycle's length in seconds (1.0 when the line has no value) and may
// stand anywhere. Any other key is a texture file relative to the animation's folder; its value says how
// it enters the cycle: no value once, "xN" N times, "a" or "a:b" once for each number from a to b put in
// place of the letters "xx" in its name with at least two digits. A line without '=' is a key without a
// value.
//
// Hostile files cannot exhaust memory: a line adds at most kMaxEntriesPerLine entries and a cycle holds
// at most kMaxEntries; each cut is logged once per file.

#include <cstdint>
#include <string>
#include <vector>

#include "game/script/ScriptErrors.h"

struct AnimationDefinition {
    static constexpr int32_t kMaxEntriesPerLine = 1000;
    static constexpr int32_t kMaxEntries = 100000;

    float duration = 0.0f;            // seconds; 0 until a "Duration" line is read
    std::vector<std::string> entries; // texture paths of the cycle, a texture as often as it stands

    // Reads the file's text; `folder` is where its textures lie, `path` names the file in messages. A
    // ranged line whose name lacks "xx" adds nothing and sends its message through the hook.
    void read(const char *text, const char *folder, const char *path, const ScriptMessageHook &hook);
};

// The index of the cycle entry shown at a time (1/100 s): every entry takes the same share of the
// cycle; a negative time shows what its absolute value shows. 0 for an empty cycle and for a cycle
// shorter than 1/100 s.
int32_t animationFrameIndex(float duration, int32_t entryCount, int32_t time);
