#pragma once
// The process-wide renderer type and the two factories that make pictures and vertex batches of that
// renderer. Every part of the engine and the game creates them here, never by naming a backend class.

#include <cstdint>

class KBatch;
class KGraphic;

// -1 until the game sets it: 0 Direct3D 8, 1 OpenGL, 3 Direct3D 9; any other value makes nothing.
int32_t getRendererType();
void setRendererType(int32_t type);

// A new object of the current renderer type, owned by the caller; null for any other type or when memory
// runs out.
KGraphic *createKGraphic();
KBatch *createKBatch();
