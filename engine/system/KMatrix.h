#pragma once
// The engine's 4x4 matrix helpers: 16 floats, row-major, used with row vectors (a point is the row
// (x, y, z, 1) multiplied on the left, so a translation sits in the fourth row). Each helper writes its
// result to `out` and returns it.

struct KMatrix {
    float m[4][4];
};

// out = a · b; out may be a or b.
KMatrix *matrixMultiply(KMatrix *out, const KMatrix *a, const KMatrix *b);
// out = b · a: the product with the operands the other way round, for the Direct3D 8 pictures.
KMatrix *matrixMultiplyReversed(KMatrix *out, const KMatrix *a, const KMatrix *b);
KMatrix *matrixIdentity(KMatrix *out);
KMatrix *matrixScaling(KMatrix *out, float sx, float sy, float sz);
KMatrix *matrixTranslation(KMatrix *out, float x, float y, float z);
KMatrix *matrixRotationZ(KMatrix *out, float radians);
// Orthographic projection of a w × h surface centred on the origin, depth zn..zf.
KMatrix *matrixOrthographic(KMatrix *out, float w, float h, float zn, float zf);
