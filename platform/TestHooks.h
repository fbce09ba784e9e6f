#pragma once
// Test aids of the platform layer, switched on by environment variables (see platform/README.md). They
// make frame pacing and dialogs deterministic in headless runs; the game itself never sets them.
//
//   LANTERNFALL_FIXED_CLOCK_MS=N   virtual time: advances by N ms at each frame flip and by the requested
//                                  time in every Sleep of the main thread; other threads sleep in real time.
//   LANTERNFALL_DIALOG_ANSWER=K    message dialogs are not shown: their text goes to standard error and
//                                  the dialog answers button K (0 first, 1 second).

#include <cstdint>
#include <optional>

// Called by the window at every frame flip, between two frames: advances the virtual clock by its step
// when the fixed clock is on; does nothing otherwise. When the frame just made asked to keep real time
// (below), it first waits until a step of real time has passed since the flip before.
void platformAdvanceFrameClock();
// Under the fixed clock frames follow each other as fast as they are made, so work beside them that the
// game takes the outcome of on a fixed frame (a save being written) has less real time than on the real
// clock, and the frame that takes it would wait. A frame that has such work going on asks here that its
// flip keep the pace of the real clock, as a game at its frame rate does; other frames do not wait.
void platformKeepRealTimeThisFrame();

// True when the fixed clock is on (LANTERNFALL_FIXED_CLOCK_MS set to a positive number).
bool platformFixedClockEnabled();
// The step of the fixed clock in milliseconds (0 when it is off).
double platformFixedClockStepMs();
// The virtual time in nanoseconds since the start of the process's clock.
int64_t platformFixedClockNanoseconds();
// Advances the virtual time (the main thread's sleeps do this).
void platformAdvanceFixedClock(int64_t nanoseconds);

// The automatic dialog answer (LANTERNFALL_DIALOG_ANSWER), when set.
std::optional<int> platformDialogAnswer();

// Test control: re-reads the environment variables of these hooks (tests change them with setenv) and
// restarts the virtual time at 0.
void platformReloadTestHooks();
