// The view transform, the clip rectangle, the clear colour and the fixed-function 3D state. Everything is
// drawn in game coordinates (design pixels, origin top left, y down; batches negate y so the view space
// has y up); an orthographic projection of the surface being drawn and a view matrix that centres,
// rotates, zooms and moves the picture turn them into the game area on screen.

#include "engine/window/KWindowD3D9.h"

#include "engine/window/KViewTransform.h"

#include <cmath>
#include <cstring>

namespace {

const D3DMATRIX &asD3D(const KMatrix &matrix) {
    static_assert(sizeof(KMatrix) == sizeof(D3DMATRIX));
    return reinterpret_cast<const D3DMATRIX &>(matrix);
}

KMatrix fromFloats(const float values[16]) {
    KMatrix matrix;
    std::memcpy(matrix.m, values, sizeof matrix.m);
    return matrix;
}

KMatrix translation(float x, float y) { return viewTranslation(x, y); }

KMatrix product(const KMatrix &a, const KMatrix &b) { return viewProduct(a, b); }

float half(int32_t size) {
    return (float)(size / 2);
}

// The whole part of 255 × v, kept to its low 8 bits (taken through a wide integer so that any float is
// converted safely).
uint32_t colourByte(float value) {
    double scaled = std::trunc(255.0 * (double)value);
    if (!std::isfinite(scaled) || scaled > 2147483647.0 || scaled < -2147483648.0)
        scaled = 0.0;
    return (uint32_t)(int64_t)scaled & 0xFFu;
}

uint32_t packColour(float red, float green, float blue, float alpha) {
    return colourByte(alpha) << 24 | colourByte(red) << 16 | colourByte(green) << 8 | colourByte(blue);
}

D3DMATERIAL9 whiteMaterial(D3DCOLORVALUE diffuse) {
    D3DMATERIAL9 material{};
    material.Diffuse = diffuse;
    material.Ambient = {1, 1, 1, 1};
    material.Specular = {1, 1, 1, 1};
    material.Emissive = {0, 0, 0, 0};
    material.Power = 0.0f;
    return material;
}

// A projection that puts every vertex outside the surface: what an empty clip rectangle shows.
KMatrix projectionOfNothing() {
    KMatrix matrix{};
    matrix.m[3][0] = 4.0f;
    matrix.m[3][3] = 1.0f;
    return matrix;
}

} // namespace

D3DVIEWPORT9 KWindowD3D9::gameAreaViewportOrTarget() const {
    if (renderTargetActive)
        return D3DVIEWPORT9{0, 0, (DWORD)gameAreaWidth, (DWORD)gameAreaHeight, 0.0f, 1.0f};
    return gameAreaViewport();
}

void KWindowD3D9::setViewportAroundScene(const D3DVIEWPORT9 &viewport) {
    if (sceneOpen)
        device->EndScene();
    device->SetViewport(&viewport);
    if (sceneOpen)
        device->BeginScene();
}

void KWindowD3D9::applyView(const KMatrix &projection, const KMatrix &view) {
    device->SetTransform(D3DTS_PROJECTION, &asD3D(projection));
    device->SetTransform(D3DTS_VIEW, &asD3D(view));
}

KMatrix KWindowD3D9::surfaceOffset() const {
    return viewSurfaceOffset(width, height, viewWidth, viewHeight);
}

void KWindowD3D9::switchClipOff() {
    if (clipRectOn) {
        setViewportAroundScene(gameAreaViewportOrTarget());
        KMatrix projection;
        matrixOrthographic(&projection, (float)viewWidth, (float)viewHeight, 0.0f, 1.0f);
        applyView(projection, product(viewBase, surfaceOffset()));
    }
    clipRectOn = false;
}

void KWindowD3D9::setViewTransform(float x, float y, float angle, float zoom, bool clear) {
    if (!device)
        return;
    if (clipRectOn) {
        setViewportAroundScene(gameAreaViewportOrTarget());
        clipRectOn = false;
    }
    KViewTransform transform = computeViewTransform(width, height, viewWidth, viewHeight, x, y, angle, zoom);
    viewBase = transform.base;
    applyView(transform.projection, transform.view);
    KMatrix world;
    device->SetTransform(D3DTS_WORLD, &asD3D(*matrixIdentity(&world)));
    if (clear)
        clearGameArea();
}

// The clear of the view. When the flip paints bars around a boxed game area, they are cleared with it (the
// flip paints them black again before the frame is shown): a frame that starts from one clear of the whole
// back buffer owes nothing to the one before, so the device keeps the parts that did not change.
void KWindowD3D9::clearGameArea() {
    const bool withBars = aspectActive && !renderTargetActive && (gameAreaX > 0 || gameAreaY > 0);
    if (withBars) {
        const D3DPRESENT_PARAMETERS &pp = d3d9PresentParameters;
        setViewportAroundScene(D3DVIEWPORT9{0, 0, pp.BackBufferWidth, pp.BackBufferHeight, 0.0f, 1.0f});
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET, clearColor, 1.0f, 0);
    if (withBars)
        setViewportAroundScene(gameAreaViewport());
}

void KWindowD3D9::resetViewTransform() {
    setViewTransform(0, 0, 0, 1.0f, false);
}

void KWindowD3D9::setViewMatrix(const float matrix[16]) {
    if (!device || !matrix)
        return;
    viewBase = product(fromFloats(matrix), translation(-half(width), half(height)));
    KMatrix view = viewBase;
    if (clipRectOn)
        view = product(view, translation((viewWidth - clipRect[2]) / 2 - clipRect[0] / 2,
                                         clipRect[1] / 2 - (viewHeight - clipRect[3]) / 2));
    view = product(view, surfaceOffset());
    device->SetTransform(D3DTS_VIEW, &asD3D(view));
}

void KWindowD3D9::setClipRect(bool on, float x1, float y1, float x2, float y2) {
    if (!device || deviceLost)
        return;
    if (!on) {
        switchClipOff();
        return;
    }
    auto clampTo = [](float value, int32_t size) {
        if (!(value > 0.0f))
            return 0.0f; // also NaN
        return value > (float)size ? (float)size : value;
    };
    x1 = clampTo(x1, viewWidth);
    x2 = clampTo(x2, viewWidth);
    y1 = clampTo(y1, viewHeight);
    y2 = clampTo(y2, viewHeight);
    int32_t left = (int32_t)x1, top = (int32_t)y1, right = (int32_t)x2, bottom = (int32_t)y2;
    if (!renderTargetActive && viewWidth > 0 && viewHeight > 0) {
        left = (int32_t)((int64_t)gameAreaWidth * left / viewWidth + gameAreaX);
        right = (int32_t)((int64_t)gameAreaWidth * right / viewWidth + gameAreaX);
        top = (int32_t)((int64_t)gameAreaHeight * top / viewHeight + gameAreaY);
        bottom = (int32_t)((int64_t)gameAreaHeight * bottom / viewHeight + gameAreaY);
    }
    clipRect[0] = x1;
    clipRect[1] = y1;
    clipRect[2] = x2;
    clipRect[3] = y2;
    clipRectOn = true;
    // An empty or reversed rectangle shows nothing: the viewport stays and nothing reaches the surface.
    if (right <= left || bottom <= top || x2 <= x1 || y2 <= y1) {
        device->SetTransform(D3DTS_PROJECTION, &asD3D(projectionOfNothing()));
        return;
    }
    setViewportAroundScene(
        D3DVIEWPORT9{(DWORD)left, (DWORD)top, (DWORD)(right - left), (DWORD)(bottom - top), 0.0f, 1.0f});
    KMatrix projection;
    matrixOrthographic(&projection, x2 - x1, y2 - y1, 0.0f, 1.0f);
    KMatrix view = product(product(viewBase, translation(-x1, y1)),
                           translation(half(width) - (x2 - x1) / 2, (y2 - y1) / 2 - half(height)));
    applyView(projection, view);
}

void KWindowD3D9::setClearColor(float red, float green, float blue, float alpha) {
    clearColor = packColour(red, green, blue, alpha);
}

void KWindowD3D9::setDepthMode(bool clearDepth, bool depthWrite, int32_t cullMode) {
    if (!device)
        return;
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, depthWrite ? TRUE : FALSE);
    device->SetRenderState(D3DRS_CULLMODE, cullMode == 1   ? D3DCULL_CW
                                           : cullMode == 2 ? D3DCULL_CCW
                                                           : D3DCULL_NONE);
    if (clearDepth)
        device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
}

void KWindowD3D9::setTransformMatrix(int32_t kind, const float matrix[16]) {
    if (!device || !matrix)
        return;
    KMatrix m = fromFloats(matrix);
    switch (kind) {
    case 0:
        device->SetTransform(D3DTS_PROJECTION, &asD3D(product(translation(-0.5f, 0.5f), m)));
        break;
    case 1:
        device->SetTransform(D3DTS_VIEW, &asD3D(m));
        break;
    case 2:
        device->SetTransform(D3DTS_WORLD, &asD3D(m));
        break;
    default:
        break;
    }
}

void KWindowD3D9::setAmbientLight(float red, float green, float blue, float alpha) {
    if (!device)
        return;
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, packColour(red, green, blue, alpha));
    D3DMATERIAL9 material = whiteMaterial({1, 1, 1, 1});
    device->SetMaterial(&material);
}

void KWindowD3D9::setLight(uint32_t index, const KLight *light) {
    if (!device || index >= 8)
        return;
    if (!light) {
        device->LightEnable(index, FALSE);
        return;
    }
    D3DLIGHT9 description{};
    description.Type = light->kind == 1 ? D3DLIGHT_DIRECTIONAL : D3DLIGHT_POINT;
    description.Diffuse = {light->diffuseRed, light->diffuseGreen, light->diffuseBlue, light->diffuseAlpha};
    description.Specular = {1, 1, 1, 1};
    description.Ambient = {0, 0, 0, 0};
    description.Position = {light->positionX, light->positionY, light->positionZ};
    description.Direction = {-light->directionX, -light->directionY, -light->directionZ};
    description.Range = std::sqrt(3.4028234663852886e38f);
    description.Falloff = 1.0f;
    description.Attenuation0 = light->attenuation0;
    description.Attenuation1 = light->attenuation1;
    description.Attenuation2 = light->attenuation2;
    description.Theta = description.Phi = 0.0f;
    device->SetLight(index, &description);
    device->LightEnable(index, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void KWindowD3D9::setMaterial(float red, float green, float blue, float alpha) {
    if (!device)
        return;
    D3DMATERIAL9 material = whiteMaterial({red, green, blue, alpha});
    device->SetMaterial(&material);
}

void KWindowD3D9::leave3DMode() {
    if (!device)
        return;
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_AMBIENT, 0);
    D3DMATERIAL9 material = whiteMaterial({1, 1, 1, 1});
    device->SetMaterial(&material);
}

// The game makes no pixel shader; a record's device shader is set by the batch layer that owns it.
void KWindowD3D9::applyPixelShader(KPixelShader *shader) {
    pixelShader = shader;
    if (device && !shader)
        device->SetPixelShader(nullptr);
}

void KWindowD3D9::setShaderConstant(uint32_t index, float x, float y, float z, float w) {
    if (!device)
        return;
    const float values[4] = {x, y, z, w};
    device->SetPixelShaderConstantF(index, values, 1);
}
