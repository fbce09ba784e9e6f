// The Direct3D 9 renderer's pictures: the shared Direct3D picture made for Direct3D 9, and the shaded
// rectangle of the window's flip.
#include "engine/graphics/KGraphicD3D9.h"

#include "engine/graphics/KBatchD3D9.h"
#include "engine/graphics/KGraphicD3D9State.h"
#include "engine/graphics/KGraphicD3DCommonDraw.h"
#include "engine/graphics/KGraphicD3DCommonLoad.h"
#include "engine/graphics/KGraphicD3DCommonTarget.h"

template class KGraphicD3DCommon<KD3D9Api>;

KGraphicD3D9Renderer &d3d9Renderer() { return KGraphicD3D9Renderer::instance(); }

void drawShadeRect(float x1, float y1, float x2, float y2, float alpha) {
    if (!(alpha > 0.0f))
        return;
    std::lock_guard<std::recursive_mutex> guard(KGraphicD3D9::rendererMutex());
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    if (!renderer.device)
        return;
    renderer.setTexture(nullptr, 1.0f, 1.0f);
    renderer.setBlending(true);
    renderer.setBlendFactors(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    renderer.loadIdentityModelIfChanged();
    uint32_t color = packColor(0, 0, 0, alpha);
    d3dpicture::Vertex strip[4] = {{x1, -y1, 0, color, 0, 0},
                                   {x2, -y1, 0, color, 0, 0},
                                   {x1, -y2, 0, color, 0, 0},
                                   {x2, -y2, 0, color, 0, 0}};
    d3dpicture::sendVertices(renderer, D3DPT_TRIANGLESTRIP, 2, strip, sizeof strip[0], d3dpicture::kVertexFormat);
}
