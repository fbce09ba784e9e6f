#pragma once
// The game window as the picture and batch layers see it: one link per window, handed to
// KGraphicD3D9::bindDevice and bindBatchDevice by the window's creation, resets and mode switches.

#include "engine/graphics/KGraphicD3D9Window.h"

class KWindowD3D9;

// The link of this window (made on first use; the same object for every call with one window).
KGraphicD3D9Window *graphicWindowLink(KWindowD3D9 *window);
