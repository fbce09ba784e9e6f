#pragma once
// A failure told on a screen the player leaves before it has been in view for a message's time (a menu left
// at once, a location left for a menu) is carried to the next screen that can show it, and told there again.
// A failure of a game that is not the current profile's names whose game it was, there and wherever it shows.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinBase.h"

class HoScene;
class HoWorld;

struct CarriedNotice {
    // Where a failure was told: nowhere yet, in the HUD's message box, or by a menu's event.
    enum class Place : uint8_t { kNowhere, kHud, kMenu };
    std::vector<std::string> files; // the files it told of that are still not saved (empty: none to follow)
    PlatformFileError error = PlatformFileError::kNone;
    std::string profile; // whose game failed (empty: not a game, or not known)
    bool removal = false; // the removal of the profile's saved game was refused (a reset, a delete)
    std::string line;    // the words shown
    Place place = Place::kNowhere;
    // Where it was told, compared only (the world may be gone since).
    const HoWorld *world = nullptr;
    const HoScene *menu = nullptr;
    int32_t ticksLeft = 0; // on a menu: the world's steps it is still to be in view
    int32_t lastTick = 0;  // the world's step count when that was last counted

    // Tells the failure of the files where the player looks (`again`: once more, its screen left before it
    // was read; `refusedRemoval`: the disk refused to remove the owner's saved game) and follows it from there;
    // false when nothing shows it yet.
    bool tell(HoWorld *world, const std::vector<std::string> &failed, PlatformFileError why, const std::string &owner,
              bool again, bool refusedRemoval = false);
    // A failure whose screen the player left before it was in view for a message's time is told again on the
    // next screen that can show it; from a location's HUD it moves, so that the box does not show it again.
    void follow(HoWorld *world);
    // The file was written since: nothing of it is left to follow.
    void forget(const std::string &path);

private:
    bool hudHolds(const HoWorld *inView) const;
    bool stillInView(HoWorld *inView);
};
