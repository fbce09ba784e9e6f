#pragma once
// A line about the saves told where the player looks, followed until it was read: in view where it was told
// for its time (a failure for a message's time, any other line for about 2 s), or, in the HUD's box, until the
// box no longer holds it (it ran its time, or another message took its place before the player's eyes). A line
// whose screen the player leaves sooner (a menu left at once, a location left for a menu) is told again on the
// next screen that can show it, and followed from there. A failure is worded again where it is told again: a
// game that is not the current profile's names whose game it was.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/WinBase.h"

class HoScene;
class HoWorld;

struct CarriedLine {
    // Where a line was told: in the HUD's message box, or by a menu's event.
    enum class Place : uint8_t { kHud, kMenu };
    // What a failure told of: the files still not saved (none left: nothing to tell again), why, whose game
    // (empty: not a game, or not known), and whether the disk refused to remove that game (a reset, a delete).
    struct Failure {
        std::vector<std::string> files;
        PlatformFileError error = PlatformFileError::kNone;
        std::string owner;
        bool removal = false;
    };
    std::string line; // the words shown
    std::optional<Failure> failure;
    Place place = Place::kHud;
    // Where it was told, compared only (the world may be gone since).
    const HoWorld *world = nullptr;
    const HoScene *scene = nullptr;
    int32_t tick = 0;      // the world's step count when it was told
    int32_t readTicks = 0; // the world's steps it is to be in view

    // The line as just told where the player looks, to be in view there for the seconds.
    static CarriedLine toldIn(HoWorld *world, std::string line, float readSeconds);
    // The line is in view where it was told: on its menu, or in the box of its world's HUD over a location or a
    // scene change to the next one.
    bool inViewWhereTold(HoWorld *inView) const;
    // It has been in view where it was told for its time, or its box shows it no more.
    bool read(HoWorld *inView) const;
    // The line shows in the box of the world's HUD.
    bool hudHolds(const HoWorld *inView) const;
};

// Tells the failure of the files where the player looks (`again`: once more, its screen left before it was
// read), a menu by its event "save_failed" with the line's key, words and reason in "##save_failure",
// "##save_failure_text" and "##save_failure_reason"; the line told, or nothing when no screen shows it yet.
std::optional<CarriedLine> tellFailure(HoWorld *world, const CarriedLine::Failure &failure, bool again);
