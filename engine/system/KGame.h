#pragma once
// The abstract application. The game derives from it and supplies its names and its run operation; it
// inherits the per-user state folder, the built-in message strings, the fixed-step logic clock and the
// routine that ends every pass of the main loop.
//
// The logic clock turns the window's frame time into whole steps of 10 ms: each pass takes the frame time
// off an accumulator, runs as many steps as the backlog holds (at most 200 ms of it) and carries the
// remainder, so logic runs at 100 steps a second whatever the frame rate.

#include <cstdint>

#include "engine/system/KObject.h"
#include "platform/WinBase.h"
#include "platform/WinTypes.h"

class KWindow;

class KGame : public KObjectBase {
public:
    KGame();
    // Deletes the window if there still is one, frees the buffers and clears the process-wide pointer.
    virtual ~KGame();
    KGame(const KGame &) = delete;
    KGame &operator=(const KGame &) = delete;

    virtual const char *getWindowTitle() = 0;
    // The product id: the state-folder name and part of the single-instance name.
    virtual const char *getGameId() = 0;
    // The maker's folder under the user's application-data folder.
    virtual const char *getMakerFolderName() = 0;
    virtual const char *getExtraString() = 0;
    virtual void run() = 0;
    // The text of a built-in string id, or null (logged) for an unknown id.
    virtual const char *getBuiltinString(const char *id);
    // Called once per pass by runFrame.
    virtual void onFrame();
    // Reports a file the game cannot do without and ends the process with a failure code.
    [[noreturn]] virtual void reportFileError(const char *fileName);

    // Builds and creates the state folder: application-data folder / maker folder / product id.
    // False (logged) when the path would not fit or a folder cannot be made.
    bool initStateFolder();
    // Leaves in stepsDue the number of 10 ms logic steps the current pass must run.
    void computeLogicSteps();
    // Ends a pass: view reset, onFrame, yield, frame flip.
    void runFrame();
    void freeBuffers();

    KWindow *window = nullptr;
    char statePath[MAX_PATH] = {};
    // Why the state folder could not be made (kNone when it was); nothing per-user is stored without it.
    PlatformFileError stateFolderError = PlatformFileError::kNone;
    void *buffers[4] = {};
    double stepAccumulator = 0.0;
    double frameTime = 0.0;
    int32_t stepsDue = 0;
};

// The one game object, set by its constructor and cleared by its destructor.
extern KGame *currentGame;

// The built-in string table: (id, text) pairs that a game may point at its own texts before use.
struct BuiltinString {
    const char *id;
    const char *text;
};
constexpr int kBuiltinStringCount = 9;
extern BuiltinString builtinStrings[kBuiltinStringCount];
