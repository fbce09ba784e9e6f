#include "engine/window/KViewTransform.h"

namespace {

// Integer halves, as the window keeps its sizes.
float half(int32_t size) { return (float)(size / 2); }

} // namespace

KMatrix viewTranslation(float x, float y) {
    KMatrix matrix;
    return *matrixTranslation(&matrix, x, y, 0.0f);
}

KMatrix viewProduct(const KMatrix &a, const KMatrix &b) {
    KMatrix out;
    return *matrixMultiply(&out, &a, &b);
}

KMatrix viewSurfaceOffset(int32_t width, int32_t height, int32_t viewWidth, int32_t viewHeight) {
    return viewTranslation(half(width) - half(viewWidth), half(viewHeight) - half(height));
}

KViewTransform computeViewTransform(int32_t width, int32_t height, int32_t viewWidth, int32_t viewHeight, float x,
                                    float y, float angle, float zoom) {
    KViewTransform transform;
    matrixOrthographic(&transform.projection, (float)viewWidth, (float)viewHeight, 0.0f, 1.0f);
    KMatrix rotation, scaling;
    matrixRotationZ(&rotation, angle * 0.017453292f);
    matrixScaling(&scaling, zoom, zoom, 1.0f);
    KMatrix centred = viewTranslation(-half(width), half(height));
    transform.base = viewProduct(viewProduct(viewProduct(centred, rotation), scaling), viewTranslation(x, y));
    transform.view = viewProduct(transform.base, viewSurfaceOffset(width, height, viewWidth, viewHeight));
    return transform;
}
