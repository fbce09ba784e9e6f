#pragma once
// Immediate drawing of the Direct3D pictures (KGraphicD3DCommon.h): untextured primitives, the image
// rectangles, quads and the masked draw, over the renderer's state cache shared with the batches. Positions
// are game pixels with y down; vertices carry y negated (the view has y up) and image draws shift by half a
// pixel so that one texel lands on one pixel centre. Template definitions, included by the one file of
// each renderer that instantiates it.

#include <algorithm>
#include <cmath>

#include "engine/graphics/KD3DArithmetic.h"
#include "engine/graphics/KGraphicD3DCommon.h"

namespace d3dpicture {

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

// Draws from memory when the device can draw; a lost device raises the window's flag instead.
template <class Api>
void sendVertices(KD3DRenderer<Api> &renderer, D3DPRIMITIVETYPE type, UINT primitives, const void *vertices,
                  UINT stride, DWORD format) {
    if (!renderer.deviceReadyForDrawing())
        return;
    Api::setVertexFormat(renderer.device, format);
    renderer.device->DrawPrimitiveUP(type, primitives, vertices, stride);
}

// A strip top-left, top-right, bottom-left, bottom-right in device coordinates, texture coordinates
// staying with the corners while flips swap the positions.
inline void fillQuadStrip(Vertex quad[4], float left, float right, float top, float bottom, bool flipX, bool flipY,
                          float u1, float v1, float u2, float v2, uint32_t color) {
    if (flipX)
        std::swap(left, right);
    if (flipY)
        std::swap(top, bottom);
    quad[0] = {left, top, 0, color, u1, v1};
    quad[1] = {right, top, 0, color, u2, v1};
    quad[2] = {left, bottom, 0, color, u1, v2};
    quad[3] = {right, bottom, 0, color, u2, v2};
}

} // namespace d3dpicture

template <class Api> void KGraphicD3DCommon<Api>::applyUntexturedState() {
    Renderer &state = renderer();
    state.setTexture(nullptr, 1.0f, 1.0f);
    state.setBlending(true);
    state.setBlendFactors(sourceBlend, destinationBlend);
    state.loadIdentityModelIfChanged();
}

template <class Api> void KGraphicD3DCommon<Api>::applyTextureState(bool blended) {
    Renderer &state = renderer();
    state.setTexture(textures[0], textureWidths[0], textureHeights[0]);
    state.setFilter(filter);
    state.setAddressing(addressing);
    state.setBlending(blended);
    if (blended)
        state.setBlendFactors(sourceBlend, destinationBlend);
}

template <class Api> uint32_t KGraphicD3DCommon<Api>::tintColor(float alphaFactor) const {
    return packColor(tint[0], tint[1], tint[2], tint[3] * alphaFactor);
}

template <class Api> void KGraphicD3DCommon<Api>::drawPoint(float x, float y, float r, float g, float b, float a) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer().device)
        return;
    applyUntexturedState();
    d3dpicture::Vertex point = {x, -y, 0, packColor(r, g, b, a), 0, 0};
    d3dpicture::sendVertices(renderer(), D3DPT_POINTLIST, 1, &point, sizeof point, d3dpicture::kVertexFormat);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawLine(float x1, float y1, float x2, float y2, float r, float g, float b, float a) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer().device)
        return;
    applyUntexturedState();
    uint32_t color = packColor(r, g, b, a);
    d3dpicture::Vertex line[2] = {{x1, -y1, 0, color, 0, 0}, {x2, -y2, 0, color, 0, 0}};
    d3dpicture::sendVertices(renderer(), D3DPT_LINELIST, 1, line, sizeof line[0], d3dpicture::kVertexFormat);
}

template <class Api>
void KGraphicD3DCommon<Api>::fillRect(float x1, float y1, float x2, float y2, float r, float g, float b, float a) {
    fillQuad(x1, y1, x2, y1, x2, y2, x1, y2, r, g, b, a);
}

template <class Api>
void KGraphicD3DCommon<Api>::fillQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                                      float r, float g, float b, float a) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer().device)
        return;
    applyUntexturedState();
    uint32_t color = packColor(r, g, b, a);
    // Points go around the quadrilateral; the strip takes them 1, 2, 4, 3.
    d3dpicture::Vertex strip[4] = {{x1, -y1, 0, color, 0, 0},
                                   {x2, -y2, 0, color, 0, 0},
                                   {x4, -y4, 0, color, 0, 0},
                                   {x3, -y3, 0, color, 0, 0}};
    d3dpicture::sendVertices(renderer(), D3DPT_TRIANGLESTRIP, 2, strip, sizeof strip[0], d3dpicture::kVertexFormat);
}

// The source rectangle at one texel per pixel with its top-left at (dx, dy).
template <class Api>
void KGraphicD3DCommon<Api>::emitTexturedQuad(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                              bool flipX, bool flipY, bool blended) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer().device || !textures[0])
        return;
    applyTextureState(blended);
    renderer().loadIdentityModelIfChanged();
    float left = dx - 0.5f, top = dy - 0.5f;
    d3dpicture::Vertex quad[4];
    d3dpicture::fillQuadStrip(quad, left, left + (sx2 - sx1), -top, -(top + (sy2 - sy1)), flipX, flipY,
                              sx1 / textureWidths[0], sy1 / textureHeights[0], sx2 / textureWidths[0],
                              sy2 / textureHeights[0], tintColor(1.0f));
    d3dpicture::sendVertices(renderer(), D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0], d3dpicture::kVertexFormat);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawImageQuadTransformed(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                                      float angle, float zoom, float alpha, bool flipX, bool flipY,
                                                      float pivotX, float pivotY, bool blended) {
    if (!(zoom > 0.0f) || !(alpha > 0.0f))
        return;
    emitTexturedQuadEdges(sx1, sy1, sx2, sy2, dx, dy, sx2 - sx1, sy2 - sy1, zoom, angle, alpha, flipX, flipY, pivotX,
                          pivotY, blended);
}

// A width x height quad whose top-left lies at (x, y), scaled and turned about its pivot (the offsets are
// from its centre) by the model transform, so that the pivot stays in place.
template <class Api>
void KGraphicD3DCommon<Api>::emitTexturedQuadEdges(float sx1, float sy1, float sx2, float sy2, float x, float y,
                                                   float width, float height, float zoom, float angle, float alpha,
                                                   bool flipX, bool flipY, float pivotX, float pivotY, bool blended) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer().device || !textures[0])
        return;
    float cx = width * 0.5f + pivotX, cy = height * 0.5f + pivotY;
    applyTextureState(blended);
    renderer().loadModelTransform(modelMatrix(zoom, angle, x + cx - 0.5f, 0.5f - (y + cy)));
    d3dpicture::Vertex quad[4];
    d3dpicture::fillQuadStrip(quad, -cx, width - cx, cy, cy - height, flipX, flipY, sx1 / textureWidths[0],
                              sy1 / textureHeights[0], sx2 / textureWidths[0], sy2 / textureHeights[0],
                              tintColor(alpha));
    d3dpicture::sendVertices(renderer(), D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0], d3dpicture::kVertexFormat);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawImageRect(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy,
                                           bool flipX, bool flipY) {
    emitTexturedQuad(sx1, sy1, sx2, sy2, dx, dy, flipX, flipY, false);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawImageRectTransformed(float sx1, float sy1, float sx2, float sy2, int16_t dx,
                                                      int16_t dy, float angle, float zoom, bool flipX, bool flipY,
                                                      float pivotX, float pivotY) {
    drawImageQuadTransformed(sx1, sy1, sx2, sy2, dx, dy, angle, zoom, 1.0f, flipX, flipY, pivotX, pivotY, false);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawImageRectBlended(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy,
                                                  bool flipX, bool flipY) {
    emitTexturedQuad(sx1, sy1, sx2, sy2, dx, dy, flipX, flipY, true);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawImageRectBlendedTransformed(float sx1, float sy1, float sx2, float sy2, int16_t dx,
                                                             int16_t dy, float angle, float zoom, float alpha,
                                                             bool flipX, bool flipY, float pivotX, float pivotY) {
    drawImageQuadTransformed(sx1, sy1, sx2, sy2, dx, dy, angle, zoom, alpha, flipX, flipY, pivotX, pivotY, true);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawImageRectF(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX,
                                            bool flipY) {
    emitTexturedQuad(sx1, sy1, sx2, sy2, dx, dy, flipX, flipY, false);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawImageRectTransformedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                                       float angle, float zoom, bool flipX, bool flipY, float pivotX,
                                                       float pivotY) {
    drawImageQuadTransformed(sx1, sy1, sx2, sy2, dx, dy, angle, zoom, 1.0f, flipX, flipY, pivotX, pivotY, false);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawImageRectBlendedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                                   bool flipX, bool flipY) {
    emitTexturedQuad(sx1, sy1, sx2, sy2, dx, dy, flipX, flipY, true);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawImageRectBlendedTransformedF(float sx1, float sy1, float sx2, float sy2, float dx,
                                                              float dy, float angle, float zoom, float alpha,
                                                              bool flipX, bool flipY, float pivotX, float pivotY) {
    drawImageQuadTransformed(sx1, sy1, sx2, sy2, dx, dy, angle, zoom, alpha, flipX, flipY, pivotX, pivotY, true);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawImageRectStretched(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1,
                                                    float dx2, float dy2, float alpha, float angle, bool flipX,
                                                    bool flipY, float pivotX, float pivotY) {
    // No zoom: the stretch comes from the destination rectangle; drawn whatever the alpha.
    emitTexturedQuadEdges(sx1, sy1, sx2, sy2, dx1, dy1, dx2 - dx1, dy2 - dy1, 1.0f, angle, alpha, flipX, flipY, pivotX,
                          pivotY, true);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawImageToQuad(float su1, float sv1, float su2, float sv2, float su3, float sv3,
                                             float su4, float sv4, float x1, float y1, float x2, float y2, float x3,
                                             float y3, float x4, float y4) {
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    if (!renderer().device)
        return;
    // An empty picture still sends its quad, untextured.
    applyBlendedTextureState();
    renderer().loadIdentityModelIfChanged();
    float tw = textures[0] ? textureWidths[0] : 1.0f, th = textures[0] ? textureHeights[0] : 1.0f;
    uint32_t color = tintColor(1.0f);
    auto corner = [&](float x, float y, float u, float v) {
        return d3dpicture::Vertex{x - 0.5f, 0.5f - y, 0, color, u / tw, v / th};
    };
    d3dpicture::Vertex strip[4] = {corner(x1, y1, su1, sv1), corner(x2, y2, su2, sv2), corner(x4, y4, su4, sv4),
                                   corner(x3, y3, su3, sv3)};
    d3dpicture::sendVertices(renderer(), D3DPT_TRIANGLESTRIP, 2, strip, sizeof strip[0], d3dpicture::kVertexFormat);
}

template <class Api>
void KGraphicD3DCommon<Api>::drawImageRectMasked(float sx1, float sy1, float sx2, float sy2, KGraphic *maskPicture,
                                                 float mx1, float my1, float mx2, float my2, float dx1, float dy1,
                                                 float dx2, float dy2, bool flipX, bool flipY) {
    auto *mask = dynamic_cast<KGraphicD3DCommon *>(maskPicture);
    if (!mask)
        return;
    std::lock_guard<std::recursive_mutex> guard(rendererMutex());
    Device *device = renderer().device;
    if (!device || !textures[0] || !mask->textures[0])
        return;
    applyBlendedTextureState();
    renderer().loadIdentityModelIfChanged();
    device->SetTexture(1, mask->textures[0]);
    Api::setSamplerState(device, 1, D3DSAMP_MAGFILTER, mask->filter);
    Api::setSamplerState(device, 1, D3DSAMP_MINFILTER, mask->filter);
    Api::setSamplerState(device, 1, D3DSAMP_ADDRESSU, mask->addressing);
    Api::setSamplerState(device, 1, D3DSAMP_ADDRESSV, mask->addressing);
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
    d3dpicture::MaskVertex strip[4] = {{left, top, 0, color, sx1 / tw, sy1 / th, mx1 / mw, my1 / mh},
                                       {right, top, 0, color, sx2 / tw, sy1 / th, mx2 / mw, my1 / mh},
                                       {left, bottom, 0, color, sx1 / tw, sy2 / th, mx1 / mw, my2 / mh},
                                       {right, bottom, 0, color, sx2 / tw, sy2 / th, mx2 / mw, my2 / mh}};
    d3dpicture::sendVertices(renderer(), D3DPT_TRIANGLESTRIP, 2, strip, sizeof strip[0],
                             d3dpicture::kMaskVertexFormat);

    device->SetTexture(1, nullptr);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}
