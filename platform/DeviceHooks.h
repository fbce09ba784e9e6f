#pragma once
// Fault hooks of the software Direct3D device, for tests of the engine's fallbacks and device-loss paths.
// Each is set from the environment (read once, when the first adapter object is made) or by the C++
// setters below, which override the environment. The game never sets them.
//
//   LANTERNFALL_D3D_REFUSE_CREATE=N       the next N CreateDevice calls fail with D3DERR_NOTAVAILABLE
//   LANTERNFALL_D3D_REFUSE_CREATE_HW=1    ...counting and refusing only hardware-vertex-processing calls
//   LANTERNFALL_D3D_TEXTURE_BUDGET=BYTES  texture memory; creations beyond it fail with
//                                         D3DERR_OUTOFVIDEOMEMORY (default 1 GiB)
//   LANTERNFALL_D3D_LOSE_DEVICE=N         the device is lost at its next TestCooperativeLevel: N checks
//                                         report D3DERR_DEVICELOST, then D3DERR_DEVICENOTRESET until Reset
//   LANTERNFALL_D3D_THREADS=N             rasteriser threads (default: one per core)
//   LANTERNFALL_RASTER_REUSE=0            every presented frame is rasterised in full, even the rows of
//                                         the back buffer whose draws did not change (default: reused)

#include <cstdint>

// Refuses the next `count` device creations; with hardwareOnly, only those asking for hardware vertex
// processing are refused (and counted).
void deviceHooksRefuseCreate(int count, bool hardwareOnly);
// Texture memory of the device in bytes (managed and default pools count against it).
void deviceHooksSetTextureBudget(uint64_t bytes);
// Loses the device that next checks its cooperative level: `lostChecks` checks (at least that one)
// report DEVICELOST, then DEVICENOTRESET until a successful Reset. 0 cancels a loss not yet taken.
void deviceHooksLoseDevice(int lostChecks);
// Threads of the rasteriser for devices made from now on (0: one per core).
void deviceHooksSetThreadCount(int threads);
// Whether devices made from now on reuse the back buffer's unchanged rows between presented frames.
void deviceHooksSetFrameReuse(bool reuse);
// Back to the environment's values (or the defaults), read again.
void deviceHooksReset();

// For the device: consumed by CreateDevice (true = refuse this call).
bool deviceHooksTakeCreateRefusal(bool hardwareVertexProcessing);
uint64_t deviceHooksTextureBudget();
// Takes a pending loss: its number of DEVICELOST checks, 0 when none is pending.
int deviceHooksTakeLoss();
int deviceHooksThreadCount();
bool deviceHooksFrameReuse();
