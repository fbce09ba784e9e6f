#include "engine/window/KViewTransform.h"

namespace {

// Integer halves, as the window keeps its sizes.
float half(int32_t size) { return (float)(size / 2); }

KMatrix translation(float x, float y) {
    KMatrix matrix;
    return *matrixTranslation(&matrix, x, y, 0.0f);
}

KMatrix product(const KMatrix &a, const KMatrix &b) {
    KMatrix out;
    return *matrixMultiply(&out, &a, &b);
}

} // namespace

KMatrix viewSurfaceOffset(int32_t width, int32_t height, int32_t viewWidth, int32_t viewHeight) {
    return translation(half(width) - half(viewWidth), half(viewHeight) - half(height));
}

KViewTransform computeViewTransform(int32_t width, int32_t height, int32_t viewWidth, int32_t viewHeight, float x,
                                    float y, float angle, float zoom) {
    KViewTransform transform;
    matrixOrthographic(&transform.projection, (float)viewWidth, (float)viewHeight, 0.0f, 1.0f);
    KMatrix rotation, scaling;
    matrixRotationZ(&rotation, angle * 0.017453292f);
    matrixScaling(&scaling, zoom, zoom, 1.0f);
    transform.base =
        product(product(product(translation(-half(width), half(height)), rotation), scaling), translation(x, y));
    transform.view = product(transform.base, viewSurfaceOffset(width, height, viewWidth, viewHeight));
    return transform;
}
