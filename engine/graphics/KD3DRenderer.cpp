#include "engine/graphics/KD3DRenderer.h"

namespace {

uint8_t colorByte(float component) {
    // NaN and values below 0 give 0; values above 1 give 255 instead of spilling into the next byte.
    if (!(component > 0.0f))
        return 0;
    if (component >= 1.0f)
        return 255;
    return (uint8_t)(component * 255.0f);
}

} // namespace

uint32_t packColor(float red, float green, float blue, float alpha) {
    return (uint32_t)colorByte(alpha) << 24 | (uint32_t)colorByte(red) << 16 | (uint32_t)colorByte(green) << 8 |
           colorByte(blue);
}

D3DMATRIX identityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}
