#pragma once
// Test aids of the window layer, switched on by environment variables (see platform/README.md). The
// game never sets them.
//
//   LANTERNFALL_FRAME_LIMIT=N          after the N-th completed frame the window is asked to close
//                                      (WM_CLOSE is posted to it, as when the player closes it)
//   LANTERNFALL_KILL_AT_FRAME=N        once the N-th frame is completed (and its screenshot saved), the
//                                      process sends itself SIGKILL, as a crash would end it
//   LANTERNFALL_SCREENSHOTS=A,B,...    frames whose back buffer is saved as PNG ("frame_00012.png")
//   LANTERNFALL_SCREENSHOT_DIR=PATH    folder of those files (default: the current folder)
//   LANTERNFALL_FOREGROUND=1           the window shown last counts as the foreground window with input
//                                      focus on a real display too (always so without a display)
//   LANTERNFALL_INPUT_SCRIPT=FILE      input injected as SDL events right after the frames the file names
//                                      ("12 move 100 80", "12 press left", "13 keydown Return", "14 text Hi";
//                                      "+2 keyup Return" two frames after the line before); positions are
//                                      the game's own coordinates (the registered mapping)
//   LANTERNFALL_FRAME_TIMES=PATH       a line per presented frame ("frame N MS files=K reused=B"): the wall
//                                      time from the frame's start to the end of its present, without the
//                                      time its screenshot took, the file changes the save writer made and
//                                      the unchanged bands the software device reused meanwhile; "stderr"
//                                      writes to standard error

#include <string>

#include "platform/WinTypes.h"

// The engine's back-buffer capture: writes the frame on screen to a PNG file; false on failure. The
// layer never depends on the engine, so the engine registers it (null unregisters).
typedef bool (*PlatformScreenshotCapture)(void *context, const char *path);
void platformRegisterScreenshotCapture(PlatformScreenshotCapture capture, void *context);
// Unregisters the capture only when it is still the one of this context.
void platformUnregisterScreenshotCapture(void *context);

// The engine's mapping from its game coordinates to a window's client pixels (the inverse of how it reads
// the pointer): scripted input's positions are the game's own and go through it, so a script plays the same
// whatever the desktop's size. Without one they are client pixels. Registered like the capture.
typedef POINT (*PlatformGameToClient)(void *context, POINT game);
void platformRegisterScriptedPointerMapping(PlatformGameToClient mapping, void *context);
void platformUnregisterScriptedPointerMapping(void *context);
// The game's mapping from its design units to its game coordinates, which its layout decides: scripted
// input's "point X Y" lines go through it and then through the engine's, so one script plays alike in every
// layout. Without one they are game coordinates. Registered like the capture.
void platformRegisterScriptedDesignMapping(PlatformGameToClient mapping, void *context);
void platformUnregisterScriptedDesignMapping(void *context);

// Called by the window once per frame, after drawing and before the frame is presented: counts the frame,
// saves the screenshot of a chosen frame, and asks the window to close at the frame limit.
void platformFrameCompleted(HWND window);
// Frames completed since the hooks were (re)loaded.
int platformCompletedFrames();
// Called by the window when a frame's present is over, and when the next frame starts (its flip is over and
// the game's step follows): the frame-time hook measures between the two.
void platformFramePresented();
void platformFrameStarted();

bool platformForegroundHookEnabled();
// The file a screenshot of that frame goes to.
std::string platformScreenshotPath(int frame);

// Test control: re-reads the variables and restarts the frame count at 0.
void platformReloadWindowHooks();
