#include "game/scene/HoDrawableImage.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/graphics/KGraphic.h"
#include "engine/graphics/KGraphicFactory.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/resources/HoTexture.h"
#include "game/scene/SceneElement.h"

namespace {

// Engine blend factors: the copy takes the source's pixels as they are, alpha included.
constexpr int32_t kBlendFactorZero = 0;
constexpr int32_t kBlendFactorOne = 1;
// The render target is larger than the copy by this margin on the right and at the bottom.
constexpr int32_t kTargetMargin = 100;
constexpr float kFullStrength = 255.0f;

int32_t alphaOf(uint32_t pixel) {
    return int32_t(pixel >> 24);
}

// Calls visit(step, pixel) for each step start, start + 1, ... below end whose place offset + step falls
// on a pixel of 0 .. limit - 1, cut toward zero (so places above -1 still reach pixel 0). Only steps
// that meet a pixel are visited, however far the walk reaches.
template <typename Visit> void forEachStepOnPixels(double start, double end, double offset, int32_t limit, Visit visit) {
    const double base = offset + start;
    const double whole = std::floor(base);
    const double fraction = base - whole;
    for (double k = std::max(whole, -1.0); k < limit; k += 1.0) {
        const double place = k + fraction;
        if (!(place > -1.0))
            continue;
        const double step = place - offset;
        if (place >= limit || !(step < end))
            break;
        visit(step, int32_t(place));
    }
}

} // namespace

HoDrawableImage::~HoDrawableImage() {
    freePicture();
}

void HoDrawableImage::freePicture() {
    delete picture;
    picture = nullptr;
}

void HoDrawableImage::acquire() {
    if (!pixels)
        return;
    if (!picture)
        picture = createKGraphic();
    uploadPixels();
}

void HoDrawableImage::release() {
    freePicture();
}

void HoDrawableImage::uploadPixels() {
    if (picture && pixels)
        picture->createFromPixels(pixels.get(), pixelWidth, pixelHeight, true, true);
}

void HoDrawableImage::draw(const SceneElement &owner, float, const FrameRect &, const QuadCorners &) {
    if (!picture || !pixels)
        return;
    // The picture is drawn by itself, after whatever the shared batch holds.
    if (currentContext)
        currentContext->flushBatch();
    const float w = owner.w.asNumber(), h = owner.h.asNumber();
    const float left = owner.absX.asNumber() - w * 0.5f, top = owner.absY.asNumber() - h * 0.5f;
    picture->drawImageRectStretched(0.0f, 0.0f, float(pixelWidth), float(pixelHeight), left, top, left + w, top + h,
                                    1.0f, 0.0f, false, false, 0.0f, 0.0f);
}

void HoDrawableImage::collectTextures(PtrArray<const char> &names, bool) {
    if (path && !listHoldsName(names, path))
        names.append(path);
}

bool HoDrawableImage::init(SceneElement *owner) {
    if (!owner || !owner->renderable)
        return false;
    HoRenderable *shown = owner->renderable;
    element = owner;
    path = shown->path;
    freePicture();
    picture = createKGraphic();
    if (!picture)
        return false;
    if (pixels) {
        // Erasures made before are kept.
        uploadPixels();
        return true;
    }
    HoTexture *texture = shown->getTexture();
    bool copied = false;
    if (texture && texture->picture) {
        // An animated image shows whole textures; a still picture the frame of its sheet.
        const FrameRect rect = shown->kind == kRenderableAnimatedImage
                                   ? FrameRect::whole(texture->width, texture->height)
                                   : shown->update(roundToInt(owner->currentFrame));
        copied = copySource(texture, rect, shown->blendMode);
    }
    if (!copied)
        freePicture();
    return copied;
}

bool HoDrawableImage::copySource(HoTexture *texture, const FrameRect &rect, uint8_t sourceBlend) {
    const int32_t x = saturatedInt(rect.left), y = saturatedInt(rect.top);
    const int32_t w = saturatedInt(double(rect.right) - rect.left), h = saturatedInt(double(rect.bottom) - rect.top);
    if (x < 0 || y < 0 || w <= 0 || h <= 0 || int64_t(w) * h > kMaxPixels)
        return false;
    const int64_t targetWidth = int64_t(x) + w + kTargetMargin, targetHeight = int64_t(y) + h + kTargetMargin;
    if (targetWidth > INT32_MAX || targetHeight > INT32_MAX)
        return false;
    std::unique_ptr<uint32_t[]> copy(new (std::nothrow) uint32_t[size_t(w) * size_t(h)]);
    // A target that cannot be made would leave the read-back to the back buffer: never show that.
    if (!copy || !picture->createRenderTarget(int32_t(targetWidth), int32_t(targetHeight), true, true, false))
        return false;
    if (currentContext)
        currentContext->flushBatch();
    KGraphic *source = texture->picture;
    source->setTintColor(1.0f, 1.0f, 1.0f, 1.0f);
    source->setBlendFactors(kBlendFactorOne, kBlendFactorZero);
    picture->beginRenderToTarget();
    // Through the texture, so that a picture cut from an atlas page copies its own region of the page.
    texture->draw(float(x), float(y), float(x + w), float(y + h), 0.0f, 0.0f, float(w), float(h), 1.0f, 0.0f, false,
                  false, 0.0f, 0.0f);
    picture->endRenderToTarget();
    texture->setBlendMode(sourceBlend);
    if (!picture->readTargetPixels(0, 0, w, h, copy.get()))
        return false;
    pixels = std::move(copy);
    pixelWidth = w;
    pixelHeight = h;
    width = float(w);
    height = float(h);
    sumChannels();
    uploadPixels();
    return true;
}

void HoDrawableImage::sumChannels() {
    int64_t sums[4] = {};
    const size_t count = size_t(pixelWidth) * size_t(pixelHeight);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t pixel = pixels[i];
        sums[0] += pixel & 0xFF;
        sums[1] += (pixel >> 8) & 0xFF;
        sums[2] += (pixel >> 16) & 0xFF;
        sums[3] += pixel >> 24;
    }
    std::copy(sums, sums + 3, channelSums);
    alphaSum = sums[3];
}

void HoDrawableImage::erase(float x, float y, float radius, float strength, float hardness) {
    if (!(radius >= 0.0f))
        return;
    if (!(strength >= 0.0f && strength <= kFullStrength))
        strength = kFullStrength;
    if (!(hardness >= 0.0f && hardness <= 1.0f))
        hardness = 1.0f;
    if (!pixels || !element)
        return;
    const float drawnWidth = element->w.asNumber(), drawnHeight = element->h.asNumber();
    if (!(drawnWidth > 0.0f && drawnHeight > 0.0f))
        return;
    const double kx = double(pixelWidth) / drawnWidth, ky = double(pixelHeight) / drawnHeight;
    const float inner = radius * hardness;
    const bool fullInside = !(radius - inner > 0.0f);
    const double reachX = kx * radius, reachY = ky * radius;
    forEachStepOnPixels(-reachY, reachY, ky * y, pixelHeight, [&](double j, int32_t py) {
        uint32_t *row = pixels.get() + size_t(py) * size_t(pixelWidth);
        forEachStepOnPixels(-reachX, reachX, kx * x, pixelWidth, [&](double i, int32_t px) {
            const float d = squareRoot(float((i / kx) * (i / kx) + (j / ky) * (j / ky)));
            if (!(d <= radius))
                return;
            const float amount = d < inner || fullInside ? strength : strength / (radius - inner) * (radius - d);
            const int32_t taken = std::min(saturatedInt(amount), alphaOf(row[px]));
            if (taken <= 0)
                return;
            row[px] = (row[px] & 0x00FFFFFFu) | uint32_t(alphaOf(row[px]) - taken) << 24;
            alphaSum -= taken;
        });
    });
    uploadPixels();
}
