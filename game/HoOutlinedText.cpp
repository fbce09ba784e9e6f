#include "game/HoOutlinedText.h"

#include <algorithm>

#include "engine/text/KText.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/util/NumericHelpers.h"

namespace {

constexpr float kNoSpacing = 0.0f;
constexpr float kFontLineHeight = -1.0f;
constexpr int32_t kDefaultEncoding = -1;

// While a text is drawn in a layout whose text scale is not 1: the view zoomed by 1 / text scale and
// positions pulled towards the design centre by the text scale. Restores the game's view when it ends.
class TextScaleCompensation {
public:
    explicit TextScaleCompensation(HoGame *game) : game_(game), scale_(screenValues.textScale) {
        if (!active())
            return;
        saved_ = game_->view;
        game_->setView(saved_.x + saved_.zoom * screenValues.viewOffsetX * scale_, saved_.y, saved_.zoom / scale_,
                       saved_.angle);
        reapplyClip();
    }
    ~TextScaleCompensation() {
        if (!active())
            return;
        game_->setView(saved_.x, saved_.y, saved_.zoom, saved_.angle);
        reapplyClip();
    }
    TextScaleCompensation(const TextScaleCompensation &) = delete;
    TextScaleCompensation &operator=(const TextScaleCompensation &) = delete;

    float x(float value) const {
        if (!active())
            return value;
        const float centre = game_->settings.wideWidth * 0.5f;
        return (value - centre) * scale_ + centre;
    }
    float y(float value) const {
        if (!active())
            return value;
        const float centre = game_->settings.designHeight * 0.5f;
        return (value - centre) * scale_ + centre;
    }
    float length(float value) const { return active() ? value * scale_ : value; }

private:
    bool active() const { return game_ && scale_ != 1.0f; }
    // Changing the view switches the window's clip rectangle off.
    void reapplyClip() const {
        const HoGame::ClipRect &clip = game_->clip;
        if (clip.enabled)
            game_->setClipRect(true, clip.x1, clip.y1, clip.x2, clip.y2);
    }

    HoGame *game_;
    float scale_;
    HoGame::View saved_;
};

bool shows(const TextColour &colour) {
    return colour.alpha > 0.0f;
}

void useColour(KText *font, const TextColour &colour) {
    font->setColor(colour.red, colour.green, colour.blue, colour.alpha);
}

// The line at (x, y), placed by its kind.
void drawLine(KText *font, const char *text, int32_t kind, float x, float y) {
    const int32_t px = roundToInt(x);
    const int32_t py = roundToInt(y);
    if (kind == kOutlinedTextAtPoint)
        font->drawString(text, px, py, kNoSpacing, kDefaultEncoding);
    else if (kind == kOutlinedTextCentred)
        font->drawStringCentered(text, px, px, py, kNoSpacing);
}

// The outline at every offset of the square of the thickness, its centre included, then the text.
template <typename DrawAt>
void drawWithSquareOutline(KText *font, int32_t thickness, const TextColour &outline, const TextColour &colour,
                           DrawAt drawAt) {
    const int32_t n = std::clamp(thickness, kOutlineThicknessMin, kOutlineThicknessMax);
    if (shows(outline)) {
        useColour(font, outline);
        for (int32_t dx = -n; dx <= n; dx++) {
            for (int32_t dy = -n; dy <= n; dy++)
                drawAt(float(dx), float(dy));
        }
    }
    if (shows(colour)) {
        useColour(font, colour);
        drawAt(0.0f, 0.0f);
    }
}

bool drawable(KText *font, const char *text) {
    return font && text;
}

// Quads queued on the context's shared batch are drawn first, so they lie under the text.
HoGame *prepareText(HoContext *context) {
    if (!context)
        context = currentContext;
    if (!context)
        return currentHoGame();
    context->flushBatch();
    return context->game ? context->game : currentHoGame();
}

} // namespace

void drawOutlinedText(KText *font, const char *text, HoContext *context, int32_t mode, int32_t kind, float x,
                      float y, const TextColour &outline, const TextColour &colour) {
    if (!drawable(font, text))
        return;
    TextScaleCompensation compensation(prepareText(context));
    x = compensation.x(x);
    if (mode == 0 || mode == 2)
        y = compensation.y(y);
    if (kind == kOutlinedTextAtPoint && mode == 2)
        y = (y - 1.0f) * 0.5f;
    if (shows(outline)) {
        useColour(font, outline);
        const float offsets[4][2] = {{-1.0f, -1.0f}, {-1.0f, 1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}};
        for (const auto &offset : offsets)
            drawLine(font, text, kind, x + offset[0], y + offset[1]);
    }
    if (shows(colour)) {
        useColour(font, colour);
        drawLine(font, text, kind, x, y);
    }
}

void drawOutlinedTextBox(KText *font, const char *text, float left, float right, float y, int32_t alignment,
                         const TextColour &outline, const TextColour &colour, int32_t thickness, int32_t maxChars,
                         float spacing) {
    if (!drawable(font, text))
        return;
    TextScaleCompensation compensation(prepareText(nullptr));
    const int32_t boxLeft = roundToInt(compensation.x(left));
    const int32_t boxRight = roundToInt(compensation.x(right));
    const int32_t top = roundToInt(compensation.y(y));
    drawWithSquareOutline(font, thickness, outline, colour, [&](float dx, float dy) {
        font->drawTextInBox(text, maxChars, boxLeft + int32_t(dx), boxRight + int32_t(dx), top + int32_t(dy),
                            alignment, spacing, kFontLineHeight);
    });
}

void drawOutlinedTextBoxMeasured(KText *font, const char *text, float left, float right, float y, int32_t alignment,
                                 const TextColour &outline, const TextColour &colour, int32_t thickness,
                                 int32_t maxChars, float spacing) {
    if (!drawable(font, text))
        return;
    TextScaleCompensation compensation(prepareText(nullptr));
    const float boxLeft = compensation.x(left);
    const float boxRight = compensation.x(right);
    const float centreY = compensation.y(y);
    const int32_t height = font->layoutTextHeight(text, maxChars, roundToInt(boxLeft), roundToInt(boxRight),
                                                  roundToInt(centreY), alignment, spacing, kFontLineHeight);
    const float top = centreY - float(height) * 0.5f;
    drawWithSquareOutline(font, thickness, outline, colour, [&](float dx, float dy) {
        font->drawTextInBox(text, maxChars, boxLeft + dx, boxRight + dx, top + dy, alignment, spacing,
                            kFontLineHeight);
    });
}

void drawOutlinedTextQuad(KText *font, const char *text, const float corners[8], float spacing, bool fixedPitch,
                          bool centred, bool wrap) {
    if (!drawable(font, text) || !corners)
        return;
    TextScaleCompensation compensation(prepareText(nullptr));
    float c[8];
    for (int i = 0; i < 8; i += 2) {
        c[i] = compensation.x(corners[i]);
        c[i + 1] = compensation.y(corners[i + 1]);
    }
    font->drawTextOnQuad(text, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], spacing, kDefaultEncoding, fixedPitch,
                         centred, wrap);
}

void drawOutlinedTextEdit(KText *font, const char *text, float left, float top, float right, float bottom,
                          float offsetX, float offsetY, float spacing, int32_t cursorIndex,
                          KTextCursorCallback callback, void *user) {
    if (!drawable(font, text))
        return;
    TextScaleCompensation compensation(prepareText(nullptr));
    font->drawStringClipped(text, compensation.x(left), compensation.y(top), compensation.x(right),
                            compensation.y(bottom), compensation.length(offsetX), compensation.length(offsetY),
                            spacing, cursorIndex, callback, user, kDefaultEncoding);
}
