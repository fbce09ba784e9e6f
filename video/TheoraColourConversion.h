#pragma once
// Turning a decoded picture (a Y plane and two chroma planes) into 0xAARRGGBB pixels with integer
// arithmetic: five tables of 256 fixed-point terms (13 fraction bits) built once, one table lookup per
// term, an arithmetic shift and a clamp per channel. The chroma planes may be subsampled in either
// direction (4:2:0, 4:2:2) or not at all (4:4:4).
//
// The chroma terms of a chroma row are looked up once into a row of sums and shared by the luma rows
// and columns that use them; on processors with AVX2 the lookups are gathers from the same tables, so
// both kernels give the same pixels bit for bit.

#include <cstdint>

// What the decoder hands a frame to convert. The plane pointers, strides and chroma shifts come from
// the decoded picture; the output, size and x offset from the frame and its clip.
struct YCbCrConversion {
    unsigned char *packedSource = nullptr; // packed input layouts are not produced here
    unsigned char *y = nullptr;
    unsigned char *cb = nullptr;
    unsigned char *cr = nullptr;
    unsigned char *packedOutput = nullptr;
    uint32_t *pixelOutput = nullptr;
    int width = 0;
    int height = 0;
    int packedStride = 0;
    int yStride = 0; // strides may be negative (bottom-up planes)
    int cbStride = 0;
    int crStride = 0;
    int xOffset = 0;
    int chromaShiftX = 1; // 1 when a chroma sample spans two columns
    int chromaShiftY = 1; // 1 when a chroma sample spans two rows
};

struct TheoraYUVTables {
    int32_t y[256];
    int32_t rCr[256];
    int32_t gCb[256];
    int32_t gCr[256];
    int32_t bCb[256];
};

// Builds the tables (once; later calls do nothing) and returns them.
void createYUVtoRGBtables();
const TheoraYUVTables &theoraYUVTables();

enum class TheoraConverterKernel { portable, avx2 };
// The fastest kernel this processor runs.
TheoraConverterKernel theoraBestConverterKernel();
bool theoraConverterKernelAvailable(TheoraConverterKernel kernel);

// Output mode 1: every pixel of the width × height frame, opaque.
void convertYCbCrToARGB(const YCbCrConversion &conversion,
                        TheoraConverterKernel kernel = theoraBestConverterKernel());
// Output mode 2: the colour of the left half with the alpha taken from the grey picture in the right
// half, moved by the x offset; output rows are width / 2 pixels long. Alpha that would land outside a
// row is dropped.
void convertYCbCrToARGBWithAlpha(const YCbCrConversion &conversion,
                                 TheoraConverterKernel kernel = theoraBestConverterKernel());
