#pragma once
// The back buffer read as an image, shared by the Direct3D 9 window's capture and the Direct3D 8 pictures'
// getBackBufferAsImage: the game area of a locked back buffer turned into bytes red, green, blue, 255.

#include <cstdint>

#include "platform/D3D9.h"

struct ImageData;

// Bytes per pixel of a back-buffer format the capture reads (R8G8B8 three, the 32-bit formats four, the
// 16-bit formats two); 0 for any other.
int backBufferPixelBytes(D3DFORMAT format);

// The game area (x, y, width, height) of a locked back buffer of the given format and size as a new
// image record of width x height pixels without alpha; pixels of the area outside the surface stay black.
// False, with nothing allocated, for an unknown format or when memory runs out.
bool backBufferAreaToImage(D3DFORMAT format, const D3DLOCKED_RECT &locked, uint32_t surfaceWidth,
                           uint32_t surfaceHeight, int32_t x, int32_t y, int32_t width, int32_t height,
                           ImageData *image);
