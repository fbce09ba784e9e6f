// The OpenGL backend's process-wide state and its cache-checked state changes.
#include "engine/graphics/opengl/KGraphicGLState.h"

#include "engine/graphics/opengl/KGraphicGLWindow.h"

KGraphicGLRenderer &glRenderer() {
    static KGraphicGLRenderer renderer;
    return renderer;
}

KGraphicGLEntryPoints &glEntryPoints() {
    static KGraphicGLEntryPoints entryPoints;
    return entryPoints;
}

void resetGLStateCaches() {
    KGraphicGLRenderer &renderer = glRenderer();
    renderer.boundTexture = 0;
    renderer.boundTarget = 0;
    renderer.scaleU = renderer.scaleV = 1.0f;
    renderer.blending = -1;
    renderer.sourceBlend = renderer.destinationBlend = -1;
    renderer.colorKnown = false;
    // What the caches now say: nothing bound, texturing off.
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_RECTANGLE);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void pointArraysAtScratchQuad() {
    KGraphicGLRenderer &renderer = glRenderer();
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, renderer.scratchPositions);
    glTexCoordPointer(2, GL_FLOAT, 0, renderer.scratchTexCoords);
    renderer.lastBatch = nullptr;
}

void unbindGLTexture() {
    KGraphicGLRenderer &renderer = glRenderer();
    if (!renderer.boundTexture)
        return;
    glDisable(renderer.boundTarget);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    renderer.boundTexture = 0;
    renderer.boundTarget = 0;
    renderer.scaleU = renderer.scaleV = 1.0f;
}

void setGLBlending(bool on) {
    KGraphicGLRenderer &renderer = glRenderer();
    if (renderer.blending == (int32_t)on)
        return;
    if (on)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
    renderer.blending = on;
}

void setGLBlendFactors(GLenum source, GLenum destination) {
    KGraphicGLRenderer &renderer = glRenderer();
    if (renderer.sourceBlend == (int32_t)source && renderer.destinationBlend == (int32_t)destination)
        return;
    glBlendFunc(source, destination);
    renderer.sourceBlend = (int32_t)source;
    renderer.destinationBlend = (int32_t)destination;
}

void setGLColor(float red, float green, float blue, float alpha) {
    KGraphicGLRenderer &renderer = glRenderer();
    if (renderer.colorKnown && renderer.color[0] == red && renderer.color[1] == green && renderer.color[2] == blue &&
        renderer.color[3] == alpha)
        return;
    glColor4f(red, green, blue, alpha);
    renderer.color[0] = red;
    renderer.color[1] = green;
    renderer.color[2] = blue;
    renderer.color[3] = alpha;
    renderer.colorKnown = true;
}

float glViewHeight() {
    KGraphicGLWindow *window = glRenderer().window;
    return window ? (float)window->getViewHeight() : 0.0f;
}
