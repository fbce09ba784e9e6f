#include "game/resources/HoAtlasTexture.h"

#include <algorithm>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/resources/AtlasMap.h"
#include "game/resources/HoResourceManager.h"

namespace {

// Corner indices into eight floats: top-left, top-right, bottom-right, bottom-left, x then y.
constexpr int kTopLeftX = 0, kTopLeftY = 1, kTopRightX = 2, kTopRightY = 3;
constexpr int kBottomRightX = 4, kBottomRightY = 5, kBottomLeftX = 6, kBottomLeftY = 7;

// One axis of a source span clipped to [low, high]: the coordinates at its near and far edges (the far
// one may be the smaller when the source is flipped) and where they lie as fractions of the span.
struct ClippedSpan {
    float nearValue, farValue;
    float nearFraction, farFraction;
};

// False when nothing of the span lies inside.
bool clipSpan(float nearEdge, float farEdge, float low, float high, ClippedSpan *out) {
    const float from = std::max(std::min(nearEdge, farEdge), low);
    const float to = std::min(std::max(nearEdge, farEdge), high);
    if (!(from < to))
        return false;
    const bool forward = nearEdge <= farEdge;
    out->nearValue = forward ? from : to;
    out->farValue = forward ? to : from;
    const float span = farEdge - nearEdge;
    out->nearFraction = (out->nearValue - nearEdge) / span;
    out->farFraction = (out->farValue - nearEdge) / span;
    return true;
}

// The stored rectangle of a region in its full-size coordinates.
struct StoredRect {
    float left, top, right, bottom;
};

StoredRect storedRect(const AtlasRegion &region) {
    const float left = float(std::max(region.trimLeft, 0)), top = float(std::max(region.trimTop, 0));
    return {left, top, float(region.width - std::max(region.trimRight, 0)),
            float(region.height - std::max(region.trimBottom, 0))};
}

// The point at fractions (u, v) of a destination quad, bilinearly.
void quadPoint(const float quad[8], float u, float v, float *x, float *y) {
    const float topX = quad[kTopLeftX] + (quad[kTopRightX] - quad[kTopLeftX]) * u;
    const float topY = quad[kTopLeftY] + (quad[kTopRightY] - quad[kTopLeftY]) * u;
    const float bottomX = quad[kBottomLeftX] + (quad[kBottomRightX] - quad[kBottomLeftX]) * u;
    const float bottomY = quad[kBottomLeftY] + (quad[kBottomRightY] - quad[kBottomLeftY]) * u;
    *x = topX + (bottomX - topX) * v;
    *y = topY + (bottomY - topY) * v;
}

void moveSource(float source[8], float dx, float dy) {
    for (int i = 0; i < 8; i += 2) {
        source[i] += dx;
        source[i + 1] += dy;
    }
}

} // namespace

void HoAtlasTexture::load(HoResourceManager *manager) {
    AtlasRegion *found = manager->context->findInternedAtlasRegion(name);
    HoTexture *page = found ? found->owner->getPage(found->page) : nullptr;
    if (found && !page)
        logMessage("No AtlasInfo for texture: %s", name);
    // The new page is taken before the one held is let go (a load while loaded keeps the page's use
    // count balanced), so a page that both stand on stays loaded.
    if (page)
        page->acquire(manager);
    unload(manager);
    if (!page)
        return;
    region = found;
    picture = page->picture;
    pageX = float(found->x);
    pageY = float(found->y);
    width = float(found->width);
    height = float(found->height);
}

void HoAtlasTexture::unload(HoResourceManager *manager) {
    if (region) {
        if (HoTexture *page = region->owner->getPage(region->page))
            page->release(manager);
        else
            logMessage("No AtlasInfo for texture: %s", name);
        region = nullptr;
    }
    picture = nullptr;
    pageX = pageY = 0.0f;
    width = height = 0.0f;
}

void HoAtlasTexture::drawBatched(const float source[8], const float destination[8]) {
    if (!picture || !region)
        return;
    float s[8], d[8];
    std::copy(source, source + 8, s);
    std::copy(destination, destination + 8, d);
    if (!region->hasTrims()) {
        moveSource(s, pageX, pageY);
        addToBatch(s, d);
        return;
    }
    drawTrimmedBatched(s, d);
}

void HoAtlasTexture::drawTrimmedBatched(float s[8], float d[8]) {
    const StoredRect stored = storedRect(*region);
    // Nothing to draw when the source lies wholly in a trimmed margin.
    if ((s[kTopRightX] < stored.left && s[kBottomRightX] < stored.left) ||
        (s[kTopLeftX] > stored.right && s[kBottomLeftX] > stored.right) ||
        (s[kBottomRightY] < stored.top && s[kBottomLeftY] < stored.top) ||
        (s[kTopLeftY] > stored.bottom && s[kTopRightY] > stored.bottom))
        return;

    // The source clipped to the stored rectangle, the destination's corners moved to the same fractions of
    // its edges, so that a turned or stretched destination keeps its shape; the whole picture is no
    // different.
    ClippedSpan across, down;
    if (!clipSpan(s[kTopLeftX], s[kTopRightX], stored.left, stored.right, &across) ||
        !clipSpan(s[kTopLeftY], s[kBottomLeftY], stored.top, stored.bottom, &down))
        return;
    float clipped[8];
    quadPoint(d, across.nearFraction, down.nearFraction, &clipped[kTopLeftX], &clipped[kTopLeftY]);
    quadPoint(d, across.farFraction, down.nearFraction, &clipped[kTopRightX], &clipped[kTopRightY]);
    quadPoint(d, across.farFraction, down.farFraction, &clipped[kBottomRightX], &clipped[kBottomRightY]);
    quadPoint(d, across.nearFraction, down.farFraction, &clipped[kBottomLeftX], &clipped[kBottomLeftY]);
    std::copy(clipped, clipped + 8, d);
    s[kTopLeftX] = s[kBottomLeftX] = across.nearValue - stored.left;
    s[kTopRightX] = s[kBottomRightX] = across.farValue - stored.left;
    s[kTopLeftY] = s[kTopRightY] = down.nearValue - stored.top;
    s[kBottomLeftY] = s[kBottomRightY] = down.farValue - stored.top;
    moveSource(s, pageX, pageY);
    addToBatch(s, d);
}

void HoAtlasTexture::draw(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1, float dx2, float dy2,
                          float alpha, float angle, bool flipX, bool flipY, float pivotX, float pivotY) {
    if (!picture || !region)
        return;
    if (!region->hasTrims()) {
        HoTexture::draw(sx1 + pageX, sy1 + pageY, sx2 + pageX, sy2 + pageY, dx1, dy1, dx2, dy2, alpha, angle, flipX,
                        flipY, pivotX, pivotY);
        return;
    }
    // A trimmed region: the source is clipped to the stored rectangle and the destination rectangle moved
    // in proportion (mirrored for a flipped axis), keeping the point the picture turns about.
    const StoredRect stored = storedRect(*region);
    ClippedSpan across, down;
    if (!clipSpan(sx1, sx2, stored.left, stored.right, &across) ||
        !clipSpan(sy1, sy2, stored.top, stored.bottom, &down))
        return;
    const float spanX = dx2 - dx1, spanY = dy2 - dy1;
    const float fromX = flipX ? 1.0f - across.farFraction : across.nearFraction;
    const float toX = flipX ? 1.0f - across.nearFraction : across.farFraction;
    const float fromY = flipY ? 1.0f - down.farFraction : down.nearFraction;
    const float toY = flipY ? 1.0f - down.nearFraction : down.farFraction;
    const float newX1 = dx1 + fromX * spanX, newX2 = dx1 + toX * spanX;
    const float newY1 = dy1 + fromY * spanY, newY2 = dy1 + toY * spanY;
    const float turnX = dx1 + spanX * 0.5f + pivotX, turnY = dy1 + spanY * 0.5f + pivotY;
    HoTexture::draw(across.nearValue - stored.left + pageX, down.nearValue - stored.top + pageY,
                    across.farValue - stored.left + pageX, down.farValue - stored.top + pageY, newX1, newY1, newX2,
                    newY2, alpha, angle, flipX, flipY, turnX - (newX1 + newX2) * 0.5f, turnY - (newY1 + newY2) * 0.5f);
}
