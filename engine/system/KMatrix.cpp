#include "engine/system/KMatrix.h"

#include <cmath>

KMatrix *matrixMultiply(KMatrix *out, const KMatrix *a, const KMatrix *b) {
    KMatrix product;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a->m[row][k] * b->m[k][column];
            product.m[row][column] = sum;
        }
    *out = product;
    return out;
}

KMatrix *matrixMultiplyReversed(KMatrix *out, const KMatrix *a, const KMatrix *b) {
    return matrixMultiply(out, b, a);
}

KMatrix *matrixIdentity(KMatrix *out) {
    return matrixScaling(out, 1.0f, 1.0f, 1.0f);
}

KMatrix *matrixScaling(KMatrix *out, float sx, float sy, float sz) {
    *out = KMatrix{{{sx, 0, 0, 0}, {0, sy, 0, 0}, {0, 0, sz, 0}, {0, 0, 0, 1}}};
    return out;
}

KMatrix *matrixTranslation(KMatrix *out, float x, float y, float z) {
    *out = KMatrix{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {x, y, z, 1}}};
    return out;
}

KMatrix *matrixRotationZ(KMatrix *out, float radians) {
    float c = std::cos(radians), s = std::sin(radians);
    *out = KMatrix{{{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    return out;
}

KMatrix *matrixOrthographic(KMatrix *out, float w, float h, float zn, float zf) {
    *out = KMatrix{{{2.0f / w, 0, 0, 0}, {0, 2.0f / h, 0, 0}, {0, 0, 1.0f / (zf - zn), 0}, {0, 0, -zn / (zf - zn), 1}}};
    return out;
}
