#include "engine/window/KInputCursorPicture.h"

#include <cstddef>

namespace {

constexpr int kWidth = 16, kHeight = 24;
constexpr uint32_t kEdge = 0xFF000000u, kBody = 0xFFFFFFFFu;

// The arrow's outline, tip first, in picture pixels.
constexpr float kOutline[][2] = {{1, 1}, {1, 18}, {5, 14}, {8.5f, 21}, {11, 20}, {7.5f, 13}, {13, 13}};
constexpr int kCorners = sizeof kOutline / sizeof kOutline[0];

// Even-odd rule on the outline.
bool insideArrow(float x, float y) {
    bool inside = false;
    for (int i = 0, j = kCorners - 1; i < kCorners; j = i++) {
        float xi = kOutline[i][0], yi = kOutline[i][1], xj = kOutline[j][0], yj = kOutline[j][1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
            inside = !inside;
    }
    return inside;
}

bool coveredPixel(int x, int y) {
    return x >= 0 && y >= 0 && x < kWidth && y < kHeight && insideArrow((float)x + 0.5f, (float)y + 0.5f);
}

DefaultPointerPicture drawPointer() {
    DefaultPointerPicture picture;
    picture.width = kWidth;
    picture.height = kHeight;
    picture.argb.assign((size_t)kWidth * kHeight, 0u);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (!coveredPixel(x, y))
                continue;
            bool edge = !coveredPixel(x - 1, y) || !coveredPixel(x + 1, y) || !coveredPixel(x, y - 1) ||
                        !coveredPixel(x, y + 1);
            picture.argb[(size_t)y * kWidth + x] = edge ? kEdge : kBody;
        }
    // The tip itself is always part of the edge, whatever the rasterising of the outline gives.
    picture.argb[(size_t)1 * kWidth + 1] = kEdge;
    return picture;
}

} // namespace

const DefaultPointerPicture &defaultPointerPicture() {
    static const DefaultPointerPicture picture = drawPointer();
    return picture;
}
