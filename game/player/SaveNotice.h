#pragma once
// What the player is told of saves, from the outcomes that the save writer hands the main thread. A file
// that could not be written is told on screen through the HUD's message box, in a few words of why (no
// room, no permission), the next time the HUD shows: a menu has none, and a message under a scene
// change's black would go unseen. Failures one after another are told once, until a file is written
// again. A save that asked to be announced fires its event in the "game" scene once its file is written,
// so the scripts never speak of a save that was not made.

#include "platform/WinBase.h"

class HoContext;

struct SaveNotice {
    // A failure the player is still to be told of (kNone: none).
    PlatformFileError untold = PlatformFileError::kNone;
    // The last file the writer finished failed: later failures are not told again.
    bool failing = false;
};

// The message for a failure: its localisation key, and its English text where the game has no text for
// the key.
struct SaveFailureText {
    const char *key;
    const char *english;
};
const SaveFailureText &saveFailureText(PlatformFileError error);

// At the start of a frame, on the main thread, under the context's lock: takes the writer's outcomes,
// fires announcements, and shows an untold failure when the HUD shows.
void applySaveOutcomes(HoContext *context);
