// Immediate drawing of the Direct3D 9 pictures: untextured primitives, the image rectangles, quads, the
// masked draw and the shaded rectangle, over the render-state cache shared with the batches. Positions are
// game pixels with y down; vertices carry y negated (the view has y up) and image draws shift by half a
// pixel so that one texel lands on one pixel centre.
#include <algorithm>
#include <cmath>

#include "engine/graphics/KGraphicD3D9.h"
#include "engine/graphics/KGraphicD3D9State.h"
#include "engine/graphics/KGraphicD3D9Window.h"

namespace {

KGraphicD3D9Renderer renderer;

struct Vertex {
    float x, y, z;
    uint32_t color;
    float u, v;
};
struct MaskVertex {
    float x, y, z;
    uint32_t color;
    float u0, v0, u1, v1;
};
static_assert(sizeof(Vertex) == 24 && sizeof(MaskVertex) == 32);

constexpr DWORD kVertexFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kMaskVertexFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;
constexpr float kDegreesToRadians = 0.017453292f;

uint8_t colorByte(float component) {
    // NaN and values below 0 give 0; values above 1 give 255 instead of spilling into the next byte.
    if (!(component > 0.0f))
        return 0;
    if (component >= 1.0f)
        return 255;
    return (uint8_t)(component * 255.0f);
}

void sendVertices(D3DPRIMITIVETYPE type, UINT primitives, const void *vertices, UINT stride, DWORD format) {
    if (!deviceReadyForDrawing())
        return;
    renderer.device->SetFVF(format);
    renderer.device->DrawPrimitiveUP(type, primitives, vertices, stride);
}

// Model transform of the transformed draws, row vectors: scale, rotate about z, then translate.
D3DMATRIX modelMatrix(float zoom, float angle, float x, float y) {
    float radians = angle * kDegreesToRadians;
    float c = std::cos(radians), s = std::sin(radians);
    D3DMATRIX m = identityMatrix();
    m._11 = zoom * c;
    m._12 = zoom * s;
    m._21 = -zoom * s;
    m._22 = zoom * c;
    m._41 = x;
    m._42 = y;
    return m;
}

// A strip top-left, top-right, bottom-left, bottom-right in device coordinates, texture coordinates
// staying with the corners while flips swap the positions.
void fillQuadStrip(Vertex quad[4], float left, float right, float top, float bottom, bool flipX, bool flipY, float u1,
                   float v1, float u2, float v2, uint32_t color) {
    if (flipX)
        std::swap(left, right);
    if (flipY)
        std::swap(top, bottom);
    quad[0] = {left, top, 0, color, u1, v1};
    quad[1] = {right, top, 0, color, u2, v1};
    quad[2] = {left, bottom, 0, color, u1, v2};
    quad[3] = {right, bottom, 0, color, u2, v2};
}

} // namespace

KGraphicD3D9Renderer &d3d9Renderer() { return renderer; }

uint32_t packColor(float red, float green, float blue, float alpha) {
    return (uint32_t)colorByte(alpha) << 24 | (uint32_t)colorByte(red) << 16 | (uint32_t)colorByte(green) << 8 |
           colorByte(blue);
}

D3DMATRIX identityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

void resetRenderStateCache() {
    // The last texture sent is remembered even while unknown, so that releasing it can unbind it.
    renderer.textureKnown = false;
    renderer.textureWidth = renderer.textureHeight = 1.0f;
    renderer.blending = -1;
    renderer.sourceBlend = renderer.destinationBlend = -1;
    renderer.filter = -1;
    renderer.addressing = -1;
}

void setCachedTexture(IDirect3DBaseTexture9 *texture, float width, float height) {
    if (renderer.textureKnown && renderer.texture == texture)
        return;
    renderer.device->SetTexture(0, texture);
    renderer.texture = texture;
    renderer.textureKnown = true;
    renderer.textureWidth = texture ? width : 1.0f;
    renderer.textureHeight = texture ? height : 1.0f;
}

void setCachedBlending(bool on) {
    if (renderer.blending == (int32_t)on)
        return;
    renderer.device->SetRenderState(D3DRS_ALPHABLENDENABLE, on ? TRUE : FALSE);
    renderer.blending = on;
}

void setCachedBlendFactors(uint32_t source, uint32_t destination) {
    if (renderer.sourceBlend != (int32_t)source) {
        renderer.device->SetRenderState(D3DRS_SRCBLEND, source);
        renderer.sourceBlend = (int32_t)source;
    }
    if (renderer.destinationBlend != (int32_t)destination) {
        renderer.device->SetRenderState(D3DRS_DESTBLEND, destination);
        renderer.destinationBlend = (int32_t)destination;
    }
}

void setCachedFilter(uint32_t filter) {
    if (renderer.filter == (int32_t)filter)
        return;
    renderer.device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    renderer.device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
    renderer.device->SetSamplerState(0, D3DSAMP_MIPFILTER, filter);
    renderer.filter = (int32_t)filter;
}

void setCachedAddressing(uint32_t addressing) {
    if (renderer.addressing == (int32_t)addressing)
        return;
    renderer.device->SetSamplerState(0, D3DSAMP_ADDRESSU, addressing);
    renderer.device->SetSamplerState(0, D3DSAMP_ADDRESSV, addressing);
    renderer.addressing = (int32_t)addressing;
}

void loadIdentityModelIfChanged() {
    if (!renderer.modelTransformChanged)
        return;
    D3DMATRIX identity = identityMatrix();
    renderer.device->SetTransform(D3DTS_WORLD, &identity);
    renderer.modelTransformChanged = false;
}

void loadModelTransform(const D3DMATRIX &matrix) {
    renderer.device->SetTransform(D3DTS_WORLD, &matrix);
    renderer.modelTransformChanged = true;
}

void takeScreenMappingFromWindow() {
    if (!renderer.window)
        return;
    KGraphicD3D9GameArea area = renderer.window->getGameArea();
    renderer.mappingOn = area.aspectActive;
    renderer.mappingScale = area.scale;
    renderer.mappingX = (float)area.x;
    renderer.mappingY = (float)area.y;
}

bool deviceReadyForDrawing() {
    if (!renderer.device || !renderer.window)
        return false;
    if (renderer.window->isDeviceLost() || renderer.device->TestCooperativeLevel() != D3D_OK) {
        renderer.window->setDeviceLost();
        return false;
    }
    return true;
}

void KGraphicD3D9::applyUntexturedStates() {
    setCachedTexture(nullptr, 1.0f, 1.0f);
    setCachedBlending(true);
    setCachedBlendFactors(sourceBlend, destinationBlend);
    loadIdentityModelIfChanged();
}

void KGraphicD3D9::applyTexturedStates(bool blended) {
    setCachedTexture(textures[0], textureWidths[0], textureHeights[0]);
    setCachedFilter(filter);
    setCachedAddressing(addressing);
    setCachedBlending(blended);
    if (blended)
        setCachedBlendFactors(sourceBlend, destinationBlend);
}

uint32_t KGraphicD3D9::tintColor(float alphaFactor) const {
    return packColor(tint[0], tint[1], tint[2], tint[3] * alphaFactor);
}

void KGraphicD3D9::drawPoint(float x, float y, float r, float g, float b, float a) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer.device)
        return;
    applyUntexturedStates();
    Vertex point = {x, -y, 0, packColor(r, g, b, a), 0, 0};
    sendVertices(D3DPT_POINTLIST, 1, &point, sizeof(Vertex), kVertexFormat);
}

void KGraphicD3D9::drawLine(float x1, float y1, float x2, float y2, float r, float g, float b, float a) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer.device)
        return;
    applyUntexturedStates();
    uint32_t color = packColor(r, g, b, a);
    Vertex line[2] = {{x1, -y1, 0, color, 0, 0}, {x2, -y2, 0, color, 0, 0}};
    sendVertices(D3DPT_LINELIST, 1, line, sizeof(Vertex), kVertexFormat);
}

void KGraphicD3D9::fillRect(float x1, float y1, float x2, float y2, float r, float g, float b, float a) {
    fillQuad(x1, y1, x2, y1, x2, y2, x1, y2, r, g, b, a);
}

void KGraphicD3D9::fillQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, float r,
                            float g, float b, float a) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer.device)
        return;
    applyUntexturedStates();
    uint32_t color = packColor(r, g, b, a);
    // Points go around the quadrilateral; the strip takes them 1, 2, 4, 3.
    Vertex strip[4] = {{x1, -y1, 0, color, 0, 0},
                       {x2, -y2, 0, color, 0, 0},
                       {x4, -y4, 0, color, 0, 0},
                       {x3, -y3, 0, color, 0, 0}};
    sendVertices(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(Vertex), kVertexFormat);
}

void KGraphicD3D9::drawImageQuad(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX,
                                 bool flipY, bool blended) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer.device || !textures[0])
        return;
    applyTexturedStates(blended);
    loadIdentityModelIfChanged();
    float left = dx - 0.5f, top = dy - 0.5f;
    Vertex quad[4];
    fillQuadStrip(quad, left, left + (sx2 - sx1), -top, -(top + (sy2 - sy1)), flipX, flipY,
                  sx1 / textureWidths[0], sy1 / textureHeights[0], sx2 / textureWidths[0], sy2 / textureHeights[0],
                  tintColor(1.0f));
    sendVertices(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex), kVertexFormat);
}

void KGraphicD3D9::drawImageQuadTransformed(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                            float angle, float zoom, float alpha, bool flipX, bool flipY,
                                            float pivotX, float pivotY, bool blended) {
    if (!(zoom > 0.0f) || !(alpha > 0.0f))
        return;
    drawModelQuad(sx1, sy1, sx2, sy2, dx, dy, sx2 - sx1, sy2 - sy1, zoom, angle, alpha, flipX, flipY, pivotX, pivotY,
                  blended);
}

// A width x height quad whose top-left lies at (x, y), scaled and turned about its pivot (the offsets are
// from its centre) by the model transform, so that the pivot stays in place.
void KGraphicD3D9::drawModelQuad(float sx1, float sy1, float sx2, float sy2, float x, float y, float width,
                                 float height, float zoom, float angle, float alpha, bool flipX, bool flipY,
                                 float pivotX, float pivotY, bool blended) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer.device || !textures[0])
        return;
    float cx = width * 0.5f + pivotX, cy = height * 0.5f + pivotY;
    applyTexturedStates(blended);
    loadModelTransform(modelMatrix(zoom, angle, x + cx - 0.5f, 0.5f - (y + cy)));
    Vertex quad[4];
    fillQuadStrip(quad, -cx, width - cx, cy, cy - height, flipX, flipY, sx1 / textureWidths[0],
                  sy1 / textureHeights[0], sx2 / textureWidths[0], sy2 / textureHeights[0], tintColor(alpha));
    sendVertices(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex), kVertexFormat);
}

void KGraphicD3D9::drawImageRect(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy, bool flipX,
                                 bool flipY) {
    drawImageQuad(sx1, sy1, sx2, sy2, dx, dy, flipX, flipY, false);
}

void KGraphicD3D9::drawImageRectTransformed(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy,
                                            float angle, float zoom, bool flipX, bool flipY, float pivotX,
                                            float pivotY) {
    drawImageQuadTransformed(sx1, sy1, sx2, sy2, dx, dy, angle, zoom, 1.0f, flipX, flipY, pivotX, pivotY, false);
}

void KGraphicD3D9::drawImageRectBlended(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy,
                                        bool flipX, bool flipY) {
    drawImageQuad(sx1, sy1, sx2, sy2, dx, dy, flipX, flipY, true);
}

void KGraphicD3D9::drawImageRectBlendedTransformed(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy,
                                                   float angle, float zoom, float alpha, bool flipX, bool flipY,
                                                   float pivotX, float pivotY) {
    drawImageQuadTransformed(sx1, sy1, sx2, sy2, dx, dy, angle, zoom, alpha, flipX, flipY, pivotX, pivotY, true);
}

void KGraphicD3D9::drawImageRectF(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX,
                                  bool flipY) {
    drawImageQuad(sx1, sy1, sx2, sy2, dx, dy, flipX, flipY, false);
}

void KGraphicD3D9::drawImageRectTransformedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                             float angle, float zoom, bool flipX, bool flipY, float pivotX,
                                             float pivotY) {
    drawImageQuadTransformed(sx1, sy1, sx2, sy2, dx, dy, angle, zoom, 1.0f, flipX, flipY, pivotX, pivotY, false);
}

void KGraphicD3D9::drawImageRectBlendedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX,
                                         bool flipY) {
    drawImageQuad(sx1, sy1, sx2, sy2, dx, dy, flipX, flipY, true);
}

void KGraphicD3D9::drawImageRectBlendedTransformedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                                    float angle, float zoom, float alpha, bool flipX, bool flipY,
                                                    float pivotX, float pivotY) {
    drawImageQuadTransformed(sx1, sy1, sx2, sy2, dx, dy, angle, zoom, alpha, flipX, flipY, pivotX, pivotY, true);
}

void KGraphicD3D9::drawImageRectStretched(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1, float dx2,
                                          float dy2, float alpha, float angle, bool flipX, bool flipY, float pivotX,
                                          float pivotY) {
    // No zoom: the stretch comes from the destination rectangle; drawn whatever the alpha.
    drawModelQuad(sx1, sy1, sx2, sy2, dx1, dy1, dx2 - dx1, dy2 - dy1, 1.0f, angle, alpha, flipX, flipY, pivotX, pivotY,
                  true);
}

void KGraphicD3D9::drawImageToQuad(float su1, float sv1, float su2, float sv2, float su3, float sv3, float su4,
                                   float sv4, float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                                   float y4) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer.device)
        return;
    // An empty picture still sends its quad, untextured.
    applyTexturedStates(true);
    loadIdentityModelIfChanged();
    float tw = textures[0] ? textureWidths[0] : 1.0f, th = textures[0] ? textureHeights[0] : 1.0f;
    uint32_t color = tintColor(1.0f);
    auto corner = [&](float x, float y, float u, float v) { return Vertex{x - 0.5f, 0.5f - y, 0, color, u / tw, v / th}; };
    Vertex strip[4] = {corner(x1, y1, su1, sv1), corner(x2, y2, su2, sv2), corner(x4, y4, su4, sv4),
                       corner(x3, y3, su3, sv3)};
    sendVertices(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(Vertex), kVertexFormat);
}

void KGraphicD3D9::drawImageRectMasked(float sx1, float sy1, float sx2, float sy2, KGraphic *maskPicture, float mx1,
                                       float my1, float mx2, float my2, float dx1, float dy1, float dx2, float dy2,
                                       bool flipX, bool flipY) {
    KGraphicD3D9 *mask = dynamic_cast<KGraphicD3D9 *>(maskPicture);
    if (!mask)
        return;
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer.device || !textures[0] || !mask->textures[0])
        return;
    applyTexturedStates(true);
    loadIdentityModelIfChanged();
    IDirect3DDevice9 *device = renderer.device;
    device->SetTexture(1, mask->textures[0]);
    device->SetSamplerState(1, D3DSAMP_MAGFILTER, mask->filter);
    device->SetSamplerState(1, D3DSAMP_MINFILTER, mask->filter);
    device->SetSamplerState(1, D3DSAMP_ADDRESSU, mask->addressing);
    device->SetSamplerState(1, D3DSAMP_ADDRESSV, mask->addressing);
    // Stage 1 keeps stage 0's colour and multiplies its alpha by the mask's.
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_CURRENT);

    if (flipX)
        std::swap(dx1, dx2);
    if (flipY)
        std::swap(dy1, dy2);
    float left = dx1 - 0.5f, right = dx2 - 0.5f, top = 0.5f - dy1, bottom = 0.5f - dy2;
    float tw = textureWidths[0], th = textureHeights[0];
    float mw = mask->textureWidths[0], mh = mask->textureHeights[0];
    uint32_t color = tintColor(1.0f);
    MaskVertex strip[4] = {{left, top, 0, color, sx1 / tw, sy1 / th, mx1 / mw, my1 / mh},
                           {right, top, 0, color, sx2 / tw, sy1 / th, mx2 / mw, my1 / mh},
                           {left, bottom, 0, color, sx1 / tw, sy2 / th, mx1 / mw, my2 / mh},
                           {right, bottom, 0, color, sx2 / tw, sy2 / th, mx2 / mw, my2 / mh}};
    sendVertices(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(MaskVertex), kMaskVertexFormat);

    device->SetTexture(1, nullptr);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

void drawShadeRect(float x1, float y1, float x2, float y2, float alpha) {
    if (!(alpha > 0.0f))
        return;
    std::lock_guard<std::recursive_mutex> guard(KGraphicD3D9::rendererMutex());
    if (!renderer.device)
        return;
    setCachedTexture(nullptr, 1.0f, 1.0f);
    setCachedBlending(true);
    setCachedBlendFactors(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    loadIdentityModelIfChanged();
    uint32_t color = packColor(0, 0, 0, alpha);
    Vertex strip[4] = {{x1, -y1, 0, color, 0, 0},
                       {x2, -y1, 0, color, 0, 0},
                       {x1, -y2, 0, color, 0, 0},
                       {x2, -y2, 0, color, 0, 0}};
    sendVertices(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(Vertex), kVertexFormat);
}
