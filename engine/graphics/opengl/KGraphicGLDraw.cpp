// Immediate drawing of the OpenGL pictures: binding through the shared caches, the untextured primitives,
// the image rectangles, quads and the masked draw. Every draw writes the scratch quad and issues one
// glDrawArrays; positions are game pixels with y flipped against the view height.
#include <algorithm>

#include "engine/graphics/opengl/KBatchGL.h"
#include "engine/graphics/opengl/KGraphicGL.h"
#include "engine/graphics/opengl/KGraphicGLState.h"
#include "engine/graphics/opengl/KGraphicGLWindow.h"

namespace {

// A batch pointed the arrays at its own: back to the scratch quad.
void takeArraysBack() {
    if (glRenderer().lastBatch)
        pointArraysAtScratchQuad();
}

void setScratchPositions(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) {
    float *p = glRenderer().scratchPositions;
    p[0] = x1, p[1] = y1, p[2] = x2, p[3] = y2, p[4] = x3, p[5] = y3, p[6] = x4, p[7] = y4;
}

} // namespace

void KGraphicGL::bindTexture() {
    KGraphicGLRenderer &renderer = glRenderer();
    SubTexture &texture = subTextures[0];
    if (!texture.id) {
        unbindGLTexture();
        return;
    }
    if (renderer.boundTexture != texture.id) {
        if (!renderer.boundTexture)
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        if (renderer.boundTarget != texture.target) {
            if (renderer.boundTarget)
                glDisable(renderer.boundTarget);
            glEnable(texture.target);
        }
        glBindTexture(texture.target, texture.id);
        renderer.boundTexture = texture.id;
        renderer.boundTarget = texture.target;
        renderer.scaleU = texture.target == GL_TEXTURE_2D ? texture.width : 1.0f;
        renderer.scaleV = texture.target == GL_TEXTURE_2D ? texture.height : 1.0f;
    }
    if (texture.filterDirty) {
        glTexParameteri(texture.target, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(texture.target, GL_TEXTURE_MAG_FILTER, filter);
        texture.filterDirty = 0;
    }
    if (texture.wrapDirty) {
        // Rectangle textures only clamp.
        GLint mode = texture.target == GL_TEXTURE_RECTANGLE ? GL_CLAMP_TO_EDGE : wrap;
        glTexParameteri(texture.target, GL_TEXTURE_WRAP_S, mode);
        glTexParameteri(texture.target, GL_TEXTURE_WRAP_T, mode);
        texture.wrapDirty = 0;
    }
}

void KGraphicGL::bindForPlainDraw() {
    bindTexture();
    setGLBlending(false);
    setGLColor(tint[0], tint[1], tint[2], tint[3]);
}

void KGraphicGL::bindForAlphaDraw(float alphaFactor) {
    bindTexture();
    setGLBlending(true);
    setGLBlendFactors(sourceBlend, destinationBlend);
    setGLColor(tint[0], tint[1], tint[2], tint[3] * alphaFactor);
}

void KGraphicGL::setScratchTexCoords(float sx1, float sy1, float sx2, float sy2) {
    KGraphicGLRenderer &renderer = glRenderer();
    float u1 = sx1 / renderer.scaleU, u2 = sx2 / renderer.scaleU;
    float v1 = sy1 / renderer.scaleV, v2 = sy2 / renderer.scaleV;
    float *t = renderer.scratchTexCoords;
    // Strip order: top-left, top-right, bottom-left, bottom-right.
    t[0] = u1, t[1] = v1, t[2] = u2, t[3] = v1, t[4] = u1, t[5] = v2, t[6] = u2, t[7] = v2;
}

void KGraphicGL::drawUntextured(GLenum mode, const float *positions, int count, float r, float g, float b,
                                float a) {
    if (!glRenderer().window || !(a > 0.0f))
        return;
    takeArraysBack();
    unbindGLTexture();
    setGLBlending(true);
    setGLBlendFactors(sourceBlend, destinationBlend);
    setGLColor(r, g, b, a);
    std::copy(positions, positions + count * 2, glRenderer().scratchPositions);
    glDrawArrays(mode, 0, count);
}

// Points and lines go through pixel centres, which lie half a pixel in on this renderer.
void KGraphicGL::drawPoint(float x, float y, float r, float g, float b, float a) {
    float height = glViewHeight();
    const float point[2] = {x + 0.5f, height - y - 0.5f};
    drawUntextured(GL_POINTS, point, 1, r, g, b, a);
}

void KGraphicGL::drawLine(float x1, float y1, float x2, float y2, float r, float g, float b, float a) {
    float height = glViewHeight();
    const float line[4] = {x1 + 0.5f, height - y1 - 0.5f, x2 + 0.5f, height - y2 - 0.5f};
    drawUntextured(GL_LINES, line, 2, r, g, b, a);
}

void KGraphicGL::fillRect(float x1, float y1, float x2, float y2, float r, float g, float b, float a) {
    fillQuad(x1, y1, x2, y1, x2, y2, x1, y2, r, g, b, a);
}

void KGraphicGL::fillQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, float r,
                          float g, float b, float a) {
    float h = glViewHeight();
    // The points go around the quad; the strip takes the fourth third.
    const float strip[8] = {x1, h - y1, x2, h - y2, x4, h - y4, x3, h - y3};
    drawUntextured(GL_TRIANGLE_STRIP, strip, 4, r, g, b, a);
}

void KGraphicGL::drawQuad(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX, bool flipY,
                          bool blended) {
    if (!glRenderer().window || !subTextures[0].id)
        return;
    takeArraysBack();
    if (blended)
        bindForAlphaDraw(1.0f);
    else
        bindForPlainDraw();
    float h = glViewHeight();
    float left = dx, right = dx + (sx2 - sx1), top = h - dy, bottom = h - (dy + (sy2 - sy1));
    if (flipX)
        std::swap(left, right);
    if (flipY)
        std::swap(top, bottom);
    setScratchPositions(left, top, right, top, left, bottom, right, bottom);
    setScratchTexCoords(sx1, sy1, sx2, sy2);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

// A width x height quad whose top-left lies at (x, y), scaled and turned about its pivot (offsets from its
// centre) by the modelview matrix, so that the pivot stays in place.
void KGraphicGL::drawTurnedQuad(float sx1, float sy1, float sx2, float sy2, float x, float y, float width,
                                float height, float zoom, float angle, float alphaFactor, bool flipX, bool flipY,
                                float pivotX, float pivotY, bool blended) {
    if (!glRenderer().window || !subTextures[0].id)
        return;
    takeArraysBack();
    if (blended)
        bindForAlphaDraw(alphaFactor);
    else
        bindForPlainDraw();
    float cx = width * 0.5f + pivotX, cy = height * 0.5f + pivotY;
    float left = -cx, right = width - cx, top = cy, bottom = cy - height;
    if (flipX)
        std::swap(left, right);
    if (flipY)
        std::swap(top, bottom);
    setScratchPositions(left, top, right, top, left, bottom, right, bottom);
    setScratchTexCoords(sx1, sy1, sx2, sy2);
    glPushMatrix();
    glTranslatef(x + cx, glViewHeight() - (y + cy), 0.0f);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    if (zoom != 1.0f)
        glScalef(zoom, zoom, 1.0f);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glPopMatrix();
}

void KGraphicGL::drawImageRect(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy, bool flipX,
                               bool flipY) {
    drawQuad(sx1, sy1, sx2, sy2, dx, dy, flipX, flipY, false);
}

void KGraphicGL::drawImageRectTransformed(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy,
                                          float angle, float zoom, bool flipX, bool flipY, float pivotX,
                                          float pivotY) {
    drawImageRectTransformedF(sx1, sy1, sx2, sy2, dx, dy, angle, zoom, flipX, flipY, pivotX, pivotY);
}

void KGraphicGL::drawImageRectBlended(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy,
                                      bool flipX, bool flipY) {
    drawQuad(sx1, sy1, sx2, sy2, dx, dy, flipX, flipY, true);
}

void KGraphicGL::drawImageRectBlendedTransformed(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy,
                                                 float angle, float zoom, float alphaFactor, bool flipX, bool flipY,
                                                 float pivotX, float pivotY) {
    drawImageRectBlendedTransformedF(sx1, sy1, sx2, sy2, dx, dy, angle, zoom, alphaFactor, flipX, flipY, pivotX,
                                     pivotY);
}

void KGraphicGL::drawImageRectF(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX,
                                bool flipY) {
    drawQuad(sx1, sy1, sx2, sy2, dx, dy, flipX, flipY, false);
}

void KGraphicGL::drawImageRectTransformedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                           float angle, float zoom, bool flipX, bool flipY, float pivotX,
                                           float pivotY) {
    drawRectTransformed(sx1, sy1, sx2, sy2, dx, dy, angle, zoom, 1.0f, flipX, flipY, pivotX, pivotY, false);
}

// Nothing is drawn unless the zoom and the alpha are above 0.
void KGraphicGL::drawRectTransformed(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float angle,
                                     float zoom, float alphaFactor, bool flipX, bool flipY, float pivotX, float pivotY,
                                     bool blended) {
    if (!(zoom > 0.0f) || !(alphaFactor > 0.0f))
        return;
    drawTurnedQuad(sx1, sy1, sx2, sy2, dx, dy, sx2 - sx1, sy2 - sy1, zoom, angle, alphaFactor, flipX, flipY, pivotX,
                   pivotY, blended);
}

void KGraphicGL::drawImageRectBlendedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX,
                                       bool flipY) {
    drawQuad(sx1, sy1, sx2, sy2, dx, dy, flipX, flipY, true);
}

void KGraphicGL::drawImageRectBlendedTransformedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                                  float angle, float zoom, float alphaFactor, bool flipX, bool flipY,
                                                  float pivotX, float pivotY) {
    drawRectTransformed(sx1, sy1, sx2, sy2, dx, dy, angle, zoom, alphaFactor, flipX, flipY, pivotX, pivotY, true);
}

void KGraphicGL::drawImageRectStretched(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1, float dx2,
                                        float dy2, float alphaFactor, float angle, bool flipX, bool flipY,
                                        float pivotX, float pivotY) {
    // No zoom: the stretch comes from the destination rectangle.
    if (!(alphaFactor > 0.0f))
        return;
    drawTurnedQuad(sx1, sy1, sx2, sy2, dx1, dy1, dx2 - dx1, dy2 - dy1, 1.0f, angle, alphaFactor, flipX, flipY, pivotX,
                   pivotY, true);
}

void KGraphicGL::drawImageToQuad(float su1, float sv1, float su2, float sv2, float su3, float sv3, float su4,
                                 float sv4, float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                                 float y4) {
    KGraphicGLRenderer &renderer = glRenderer();
    if (!renderer.window)
        return;
    takeArraysBack();
    // An empty picture still draws its quad, untextured.
    bindForAlphaDraw(1.0f);
    float h = glViewHeight();
    setScratchPositions(x1, h - y1, x2, h - y2, x4, h - y4, x3, h - y3);
    float u = renderer.scaleU, v = renderer.scaleV;
    float *t = renderer.scratchTexCoords;
    t[0] = su1 / u, t[1] = sv1 / v, t[2] = su2 / u, t[3] = sv2 / v;
    t[4] = su4 / u, t[5] = sv4 / v, t[6] = su3 / u, t[7] = sv3 / v;
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

// Unit 0 holds this picture, unit 1 the mask: the colour comes from unit 0, its alpha is multiplied by the
// mask's.
void KGraphicGL::drawImageRectMasked(float sx1, float sy1, float sx2, float sy2, KGraphic *maskPicture, float mx1,
                                     float my1, float mx2, float my2, float dx1, float dy1, float dx2, float dy2,
                                     bool flipX, bool flipY) {
    KGraphicGL *mask = dynamic_cast<KGraphicGL *>(maskPicture);
    KGraphicGLRenderer &renderer = glRenderer();
    const KGraphicGLEntryPoints &gl = glEntryPoints();
    if (!mask || !renderer.window || !subTextures[0].id || !mask->subTextures[0].id || !gl.hasMultitexture())
        return;
    takeArraysBack();
    bindForAlphaDraw(1.0f);
    float h = glViewHeight();
    if (flipX)
        std::swap(dx1, dx2);
    if (flipY)
        std::swap(dy1, dy2);
    setScratchPositions(dx1, h - dy1, dx2, h - dy1, dx1, h - dy2, dx2, h - dy2);
    setScratchTexCoords(sx1, sy1, sx2, sy2);

    const SubTexture &maskTexture = mask->subTextures[0];
    float mu = maskTexture.target == GL_TEXTURE_2D ? maskTexture.width : 1.0f;
    float mv = maskTexture.target == GL_TEXTURE_2D ? maskTexture.height : 1.0f;
    float *m = renderer.maskTexCoords;
    m[0] = mx1 / mu, m[1] = my1 / mv, m[2] = mx2 / mu, m[3] = my1 / mv;
    m[4] = mx1 / mu, m[5] = my2 / mv, m[6] = mx2 / mu, m[7] = my2 / mv;

    gl.activeTexture(GL_TEXTURE1);
    glEnable(maskTexture.target);
    glBindTexture(maskTexture.target, maskTexture.id);
    GLint maskWrap = maskTexture.target == GL_TEXTURE_RECTANGLE ? GL_CLAMP_TO_EDGE : mask->wrap;
    glTexParameteri(maskTexture.target, GL_TEXTURE_MIN_FILTER, mask->filter);
    glTexParameteri(maskTexture.target, GL_TEXTURE_MAG_FILTER, mask->filter);
    glTexParameteri(maskTexture.target, GL_TEXTURE_WRAP_S, maskWrap);
    glTexParameteri(maskTexture.target, GL_TEXTURE_WRAP_T, maskWrap);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PREVIOUS);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_PREVIOUS);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_ALPHA, GL_TEXTURE);
    gl.clientActiveTexture(GL_TEXTURE1);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, m);

    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);

    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    gl.clientActiveTexture(GL_TEXTURE0);
    glDisable(maskTexture.target);
    gl.activeTexture(GL_TEXTURE0);
    // Unit 1's parameters were set behind the mask picture's own flags.
    mask->markParametersDirty();
}
