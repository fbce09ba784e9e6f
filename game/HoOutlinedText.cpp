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

// The text scale's pull of positions towards the design centre, and its inverse: font pixels of a text
// drawn in a layout whose text scale is not 1 back to design units.
class TextScaleMapping {
public:
    explicit TextScaleMapping(const HoGame *game) : scale_(game ? screenValues.textScale : 1.0f) {
        if (game) {
            centreX_ = game->settings.wideWidth * 0.5f;
            centreY_ = game->settings.designHeight * 0.5f;
        }
    }
    bool active() const { return scale_ != 1.0f && scale_ > 0.0f; }
    float scale() const { return scale_; }
    float x(float value) const { return active() ? (value - centreX_) * scale_ + centreX_ : value; }
    float y(float value) const { return active() ? (value - centreY_) * scale_ + centreY_ : value; }
    float length(float value) const { return active() ? value * scale_ : value; }
    float designX(float value) const { return active() ? (value - centreX_) / scale_ + centreX_ : value; }
    float designY(float value) const { return active() ? (value - centreY_) / scale_ + centreY_ : value; }
    float designLength(float value) const { return active() ? value / scale_ : value; }

private:
    float scale_;
    float centreX_ = 0.0f, centreY_ = 0.0f;
};

// While a text is drawn in a layout whose text scale is not 1: the view zoomed by 1 / text scale and
// positions pulled towards the design centre by the text scale. Restores the game's view when it ends.
class TextScaleCompensation : public TextScaleMapping {
public:
    explicit TextScaleCompensation(HoGame *game) : TextScaleMapping(game), game_(game) {
        if (!active())
            return;
        saved_ = game_->view;
        game_->setView(saved_.x + saved_.zoom * screenValues.viewOffsetX * scale(), saved_.y, saved_.zoom / scale(),
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

private:
    // Changing the view switches the window's clip rectangle off.
    void reapplyClip() const {
        const HoGame::ClipRect &clip = game_->clip;
        if (clip.enabled)
            game_->setClipRect(true, clip.x1, clip.y1, clip.x2, clip.y2);
    }

    HoGame *game_;
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

// The game whose layout the text is drawn in.
HoGame *gameOfText() {
    return currentContext && currentContext->game ? currentContext->game : currentHoGame();
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

namespace {

// Where a box operation lays its text, in font pixels: the box's sides and the first line's top. The plain
// box takes whole pixels; the measured one is centred on y after measuring the text's height for the box.
struct TextBoxPlace {
    float left, right, top;
};

TextBoxPlace placeTextBox(const TextScaleMapping &scale, KText *font, const char *text, float left, float right,
                          float y, int32_t alignment, bool measured, int32_t maxChars, float spacing) {
    if (!measured)
        return {float(roundToInt(scale.x(left))), float(roundToInt(scale.x(right))), float(roundToInt(scale.y(y)))};
    const float boxLeft = scale.x(left), boxRight = scale.x(right), centreY = scale.y(y);
    const int32_t height = font->layoutTextHeight(text, maxChars, roundToInt(boxLeft), roundToInt(boxRight),
                                                  roundToInt(centreY), alignment, spacing, kFontLineHeight);
    return {boxLeft, boxRight, centreY - float(height) * 0.5f};
}

void drawTextBox(KText *font, const char *text, float left, float right, float y, int32_t alignment,
                 const TextColour &outline, const TextColour &colour, int32_t thickness, int32_t maxChars,
                 float spacing, bool measured) {
    if (!drawable(font, text))
        return;
    TextScaleCompensation compensation(prepareText(nullptr));
    const TextBoxPlace box = placeTextBox(compensation, font, text, left, right, y, alignment, measured, maxChars, spacing);
    drawWithSquareOutline(font, thickness, outline, colour, [&](float dx, float dy) {
        if (measured) {
            font->drawTextInBox(text, maxChars, box.left + dx, box.right + dx, box.top + dy, alignment, spacing,
                                kFontLineHeight);
        } else {
            // The plain box is laid out at whole pixels.
            font->drawTextInBox(text, maxChars, roundToInt(box.left + dx), roundToInt(box.right + dx),
                                roundToInt(box.top + dy), alignment, spacing, kFontLineHeight);
        }
    });
}

} // namespace

void drawOutlinedTextBox(KText *font, const char *text, float left, float right, float y, int32_t alignment,
                         const TextColour &outline, const TextColour &colour, int32_t thickness, int32_t maxChars,
                         float spacing) {
    drawTextBox(font, text, left, right, y, alignment, outline, colour, thickness, maxChars, spacing, false);
}

void drawOutlinedTextBoxMeasured(KText *font, const char *text, float left, float right, float y, int32_t alignment,
                                 const TextColour &outline, const TextColour &colour, int32_t thickness,
                                 int32_t maxChars, float spacing) {
    drawTextBox(font, text, left, right, y, alignment, outline, colour, thickness, maxChars, spacing, true);
}

TextExtent measureOutlinedTextBox(KText *font, const char *text, float left, float right, float y,
                                  int32_t alignment, bool measured, int32_t maxChars, float spacing) {
    if (!drawable(font, text))
        return {};
    const TextScaleMapping scale(gameOfText());
    const TextBoxPlace box = placeTextBox(scale, font, text, left, right, y, alignment, measured, maxChars, spacing);
    const int32_t boxLeft = roundToInt(box.left), boxRight = roundToInt(box.right), top = roundToInt(box.top);
    const float widest = float(font->measureTextInBox(text, maxChars, boxLeft, boxRight, top, alignment, spacing,
                                                      kFontLineHeight));
    const float height = float(font->layoutTextHeight(text, maxChars, boxLeft, boxRight, top, alignment, spacing,
                                                      kFontLineHeight));
    float x = box.left;
    if (alignment == kTextStyleRight)
        x = box.right - widest;
    else if (alignment == kTextStyleCentered || alignment == kTextStyleCenteredAnywhere)
        x = (box.right - box.left - widest) / 2 + box.left;
    return {scale.designX(x), scale.designY(box.top), scale.designX(x + widest), scale.designY(box.top + height)};
}

TextExtent measureOutlinedText(KText *font, const char *text, int32_t kind, float x, float y) {
    if (!drawable(font, text))
        return {};
    const float width = textLengthInDesign(font->getStringWidth(text, kNoSpacing, 1.0f, kDefaultEncoding));
    const float left = kind == kOutlinedTextCentred ? x - width * 0.5f : x;
    return {left, y, left + width, y + textLengthInDesign(float(font->getFontMetric()))};
}

float textLengthInDesign(float fontPixels) {
    return TextScaleMapping(gameOfText())
        .designLength(fontPixels);
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
