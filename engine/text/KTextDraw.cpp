// Single-line text: measuring, drawing (left, right, centred, clipped with a cursor), character extents
// and hit testing. All of them walk a pen along the string: a character without a glyph neither draws
// nor moves the pen; a glyph's offsetX moves the pen before every glyph but a string's first.

#include <cmath>
#include <cstdio>

#include "engine/graphics/KBatch.h"
#include "engine/graphics/KGraphic.h"
#include "engine/system/KSystem.h"
#include "engine/text/KText.h"
#include "engine/text/KTextEncoding.h"

namespace {

constexpr uint32_t kSpace = 0x20;

float roundHalfUp(float x) {
    const float whole = std::floor(x);
    return x - whole >= 0.5f ? whole + 1.0f : whole;
}

TextEncoding resolveEncoding(int32_t encoding) { return encoding == -1 ? defaultTextEncoding : encoding; }

// Starts the text batch with a page picture, flushing the previous one when the page changes.
class PageSwitch {
public:
    explicit PageSwitch(KGraphic *const *pages) : pages_(pages) {}
    ~PageSwitch() { finish(); }

    // True when the glyph can be drawn now.
    bool use(int32_t page) {
        if (!textBatch || !pages_[page])
            return false;
        if (page != current_) {
            finish();
            textBatch->startBatch(pages_[page]);
            current_ = page;
        }
        return true;
    }
    void finish() {
        if (current_ >= 0 && textBatch)
            textBatch->flushBatch();
        current_ = -1;
    }
    // Flushes around a callback, then restarts with the same page.
    void pause() {
        if (current_ >= 0 && textBatch)
            textBatch->flushBatch();
    }
    void resume() {
        if (current_ >= 0 && textBatch)
            textBatch->startBatch(pages_[current_]);
    }

private:
    KGraphic *const *pages_;
    int32_t current_ = -1;
};

struct NumberText {
    char text[16];
    explicit NumberText(int32_t number) { std::snprintf(text, sizeof text, "%d", number); }
};

} // namespace

const GlyphRecord *KText::drawableGlyph(uint32_t code) const {
    if (code == 0)
        return nullptr;
    const int32_t index = findGlyph(code);
    if (index < 0)
        return nullptr;
    const GlyphRecord &record = records[index];
    const int32_t page = glyphPage(record);
    // A page number outside the slots counts as no glyph.
    if (page < 0 || page >= kTextPageCount)
        return nullptr;
    return &record;
}

float KText::glyphStep(const GlyphRecord &record, float spacing) const {
    return float(record.advance) + pageAdvance[glyphPage(record)] + spacing;
}

float KText::getCharAdvance(uint32_t code, float spacing) {
    const GlyphRecord *record = drawableGlyph(code);
    if (!record)
        return 0.0f;
    return glyphStep(*record, spacing) + (textGlyphPages ? float(record->offsetX) : 0.0f);
}

float KText::getCharOffset(uint32_t code) {
    const GlyphRecord *record = drawableGlyph(code);
    return record && textGlyphPages ? float(record->offsetX) : 0.0f;
}

// Calls visit(record, index, code) for each decoded character that has a drawable glyph, the index
// counting every decoded character; stops at the end of the text or after `count` characters (all
// when negative).
template <typename Visit>
void KText::forEachGlyph(const void *text, int32_t encoding, int32_t count, Visit visit) const {
    int32_t at = 0;
    for (int32_t i = 0; count < 0 || i < count; i++) {
        const uint32_t code = decodeChar(encoding, text, &at, true);
        if (code == 0)
            break;
        if (const GlyphRecord *record = drawableGlyph(code))
            visit(*record, i, code);
    }
}

float KText::penOffset(const GlyphRecord &record, int32_t index) const {
    return textGlyphPages && index > 0 ? float(record.offsetX) : 0.0f;
}

float KText::measure(const void *text, int32_t count, float spacing, int32_t encoding) {
    if (!records || !text)
        return 0.0f;
    float pen = 0.0f;
    forEachGlyph(text, resolveEncoding(encoding), count, [&](const GlyphRecord &record, int32_t i, uint32_t) {
        pen += penOffset(record, i) + glyphStep(record, spacing);
    });
    return pen;
}

float KText::getStringWidth(const void *text, float spacing, float scale, int32_t encoding) {
    return measure(text, -1, spacing, encoding) * scale;
}

float KText::getStringWidthN(const void *text, int32_t count, float spacing, float scale) {
    return measure(text, count < 0 ? 0 : count, spacing, -1) * scale;
}

void KText::addGlyphQuad(const GlyphRecord &record, float x, float y, float scale, bool scaled) const {
    const float offsetY = (textGlyphPages ? float(record.offsetY) : 0.0f) + pageOffsetY[glyphPage(record)];
    const float width = float(record.srcRight + 1 - record.srcLeft);
    const float height = float(record.srcBottom + 1 - record.srcTop);
    if (!scaled) {
        textBatch->addImageRectScaled(record.srcLeft, record.srcTop, record.srcRight + 1, record.srcBottom + 1, x,
                                      y + offsetY, 1.0f, alpha, 0.0f, 0.0f);
    } else {
        textBatch->addImageRectScaled(record.srcLeft, record.srcTop, record.srcRight + 1, record.srcBottom + 1, x,
                                      y + offsetY * scale, scale, alpha, -width / 2, -height / 2);
    }
}

void KText::drawLine(const void *text, float x, float y, float spacing, float scale, bool roundPen,
                     int32_t encoding) {
    if (!records || !text)
        return;
    PageSwitch batch(pages);
    float pen = x;
    forEachGlyph(text, resolveEncoding(encoding), -1, [&](const GlyphRecord &record, int32_t i, uint32_t code) {
        pen += penOffset(record, i) * scale;
        if (batch.use(glyphPage(record)))
            addGlyphQuad(record, roundPen ? roundHalfUp(pen) : pen, y, scale, !roundPen);
        pen += glyphStep(record, spacing) * scale;
        if (code == kSpace)
            pen += spaceExtra * scale;
    });
}

void KText::drawLineRight(const void *text, float right, float y, float spacing, bool roundPen) {
    if (!records || !text)
        return;
    const TextEncoding enc = defaultTextEncoding;
    const int32_t count = countChars(enc, text);
    int32_t at = 0;
    while (decodeChar(enc, text, &at, true) != 0) {
    }
    PageSwitch batch(pages);
    float pen = right;
    for (int32_t i = 0; i < count && at > 0; i++) {
        const uint32_t code = decodeChar(enc, text, &at, false);
        const GlyphRecord *record = drawableGlyph(code);
        if (!record)
            continue;
        const int32_t page = glyphPage(*record);
        pen -= glyphStep(*record, spacing);
        if (batch.use(page))
            addGlyphQuad(*record, roundPen ? roundHalfUp(pen) : pen, y, 1.0f, false);
        if (textGlyphPages)
            pen -= float(record->offsetX);
    }
}

void KText::drawString(const void *text, int32_t x, int32_t y, float spacing, int32_t encoding) {
    drawLine(text, float(x), float(y), spacing, 1.0f, true, encoding);
}

void KText::drawString(const void *text, float x, float y, float spacing, float scale, int32_t encoding) {
    drawLine(text, x, y, spacing, scale, false, encoding);
}

void KText::drawStringRight(const void *text, int32_t right, int32_t y, float spacing) {
    drawLineRight(text, float(right), float(y), spacing, true);
}

void KText::drawStringRight(const void *text, float right, float y, float spacing) {
    drawLineRight(text, right, y, spacing, false);
}

void KText::drawStringCentered(const void *text, int32_t left, int32_t right, int32_t y, float spacing) {
    const int32_t width = saturatedInt(getStringWidth(text, spacing, 1.0f, -1));
    const int64_t shift = (int64_t(right) - left - width) / 2;
    drawString(text, saturatedInt(double(left + shift)), y, spacing, -1);
}

void KText::drawStringCentered(const void *text, float left, float right, float y, float spacing) {
    const float width = getStringWidth(text, spacing, 1.0f, -1);
    drawString(text, left + (right - left - width) * 0.5f, y, spacing, 1.0f, -1);
}

// Numbers are formatted from 32 bits, so the text always fits its 16-byte buffer.
void KText::drawNumber(int32_t number, int32_t x, int32_t y, float spacing) {
    drawString(NumberText(number).text, x, y, spacing, -1);
}

void KText::drawNumberRight(int32_t number, int32_t right, int32_t y, float spacing) {
    drawStringRight(NumberText(number).text, right, y, spacing);
}

void KText::drawNumberCentered(int32_t number, int32_t left, int32_t right, int32_t y, float spacing) {
    drawStringCentered(NumberText(number).text, left, right, y, spacing);
}

void KText::drawNumber(int32_t number, float x, float y, float spacing, float scale) {
    drawString(NumberText(number).text, x, y, spacing, scale, -1);
}

void KText::drawNumberRight(int32_t number, float right, float y, float spacing) {
    drawStringRight(NumberText(number).text, right, y, spacing);
}

void KText::drawNumberCentered(int32_t number, float left, float right, float y, float spacing) {
    drawStringCentered(NumberText(number).text, left, right, y, spacing);
}

void KText::drawClipped(const void *text, float clipLeft, float clipTop, float clipRight, float clipBottom,
                        float offsetX, float offsetY, float spacing, int32_t cursorIndex,
                        KTextCursorCallback callback, void *user, int32_t encoding) {
    if (!records || !text)
        return;
    if (clipRight < clipLeft)
        clipRight = clipLeft;
    if (clipBottom < clipTop)
        clipBottom = clipTop;
    const TextEncoding enc = resolveEncoding(encoding);
    const float rowTop = clipTop + offsetY;
    const float cellTop = std::fmax(rowTop, clipTop);
    const float cellBottom = std::fmin(rowTop + float(getFontMetric()), clipBottom);
    PageSwitch batch(pages);
    float cursorCell[2] = {0.0f, 0.0f};
    bool cursorReached = false;
    auto cursorCall = [&](int32_t phase) {
        batch.pause();
        callback(this, user, phase, cursorCell[0], cellTop, cursorCell[1], cellBottom);
        batch.resume();
    };
    auto setCursorCell = [&](float left, float width) {
        cursorCell[0] = std::fmax(std::fmin(left, clipRight), clipLeft);
        cursorCell[1] = std::fmax(std::fmin(left + width, clipRight), clipLeft);
    };

    float pen = clipLeft + offsetX;
    int32_t at = 0;
    int32_t i = 0;
    bool stopped = false;
    for (;; i++) {
        const uint32_t code = decodeChar(enc, text, &at, true);
        if (code == 0)
            break;
        const GlyphRecord *record = drawableGlyph(code);
        if (record)
            pen += penOffset(*record, i);
        const float left = roundHalfUp(pen);
        if (left >= clipRight) {
            stopped = true;
            break;
        }
        const float width = record ? float(record->srcRight + 1 - record->srcLeft) : 0.0f;
        const bool atCursor = i == cursorIndex && callback;
        if (atCursor) {
            cursorReached = true;
            setCursorCell(left, width);
            cursorCall(0);
        }
        if (record) {
            const int32_t page = glyphPage(*record);
            const float top = rowTop + (textGlyphPages ? float(record->offsetY) : 0.0f) + pageOffsetY[page];
            const float height = float(record->srcBottom + 1 - record->srcTop);
            const bool outside = left + width <= clipLeft || top + height <= clipTop || top >= clipBottom;
            if (!outside && batch.use(page)) {
                const float cutLeft = std::fmax(clipLeft - left, 0.0f);
                const float cutRight = std::fmax(left + width - clipRight, 0.0f);
                const float cutTop = std::fmax(clipTop - top, 0.0f);
                const float cutBottom = std::fmax(top + height - clipBottom, 0.0f);
                textBatch->addImageRectScaled(record->srcLeft + cutLeft, record->srcTop + cutTop,
                                              record->srcRight + 1 - cutRight, record->srcBottom + 1 - cutBottom,
                                              left + cutLeft, top + cutTop, 1.0f, alpha, 0.0f, 0.0f);
            }
            pen += glyphStep(*record, spacing);
            if (code == kSpace)
                pen += spaceExtra;
        }
        if (atCursor)
            cursorCall(1);
    }
    // The position behind the last character is a space's cell.
    if (!stopped && i == cursorIndex && callback) {
        const GlyphRecord *space = drawableGlyph(kSpace);
        const float left = roundHalfUp(pen);
        if (left < clipRight) {
            cursorReached = true;
            setCursorCell(left, space ? float(space->srcRight + 1 - space->srcLeft) : 0.0f);
            cursorCall(0);
            cursorCall(1);
        }
    }
    batch.finish();
    if (cursorReached)
        callback(this, user, 2, cursorCell[0], cellTop, cursorCell[1], cellBottom);
}

void KText::drawStringClipped(const void *text, int32_t clipLeft, int32_t clipTop, int32_t clipRight,
                              int32_t clipBottom, int32_t offsetX, int32_t offsetY, float spacing,
                              int32_t cursorIndex, KTextCursorCallback callback, void *user, int32_t encoding) {
    drawClipped(text, float(clipLeft), float(clipTop), float(clipRight), float(clipBottom), float(offsetX),
                float(offsetY), spacing, cursorIndex, callback, user, encoding);
}

void KText::drawStringClipped(const void *text, float clipLeft, float clipTop, float clipRight, float clipBottom,
                              float offsetX, float offsetY, float spacing, int32_t cursorIndex,
                              KTextCursorCallback callback, void *user, int32_t encoding) {
    drawClipped(text, clipLeft, clipTop, clipRight, clipBottom, offsetX, offsetY, spacing, cursorIndex, callback,
                user, encoding);
}

bool KText::charExtent(const void *text, float x, float offsetX, float spacing, int32_t index, float *outLeft,
                       float *outRight, int32_t encoding) {
    *outLeft = *outRight = x;
    if (!records || !text || index < 0)
        return false;
    const TextEncoding enc = resolveEncoding(encoding);
    float pen = x + offsetX;
    int32_t at = 0;
    for (int32_t i = 0;; i++) {
        uint32_t code = decodeChar(enc, text, &at, true);
        const bool pastEnd = code == 0;
        if (pastEnd) {
            if (i != index)
                return false;
            code = kSpace;
        }
        const GlyphRecord *record = drawableGlyph(code);
        if (record)
            pen += penOffset(*record, i);
        if (i == index) {
            *outLeft = roundHalfUp(pen);
            *outRight = *outLeft + (record ? glyphStep(*record, spacing) : 0.0f);
            return true;
        }
        if (record) {
            pen += glyphStep(*record, spacing);
            if (code == kSpace)
                pen += spaceExtra;
        }
    }
}

bool KText::getCharExtent(const void *text, int32_t x, int32_t, int32_t offsetX, float spacing, int32_t index,
                          int32_t *outLeft, int32_t *outRight, int32_t encoding) {
    float left = 0.0f, right = 0.0f;
    const bool found = charExtent(text, float(x), float(offsetX), spacing, index, &left, &right, encoding);
    *outLeft = saturatedInt(left);
    *outRight = saturatedInt(right);
    return found;
}

bool KText::getCharExtent(const void *text, float x, float, float offsetX, float spacing, int32_t index,
                          float *outLeft, float *outRight, int32_t encoding) {
    return charExtent(text, x, offsetX, spacing, index, outLeft, outRight, encoding);
}

int32_t KText::hitTest(const void *text, float x, float offsetX, float spacing, float pointX, bool clampToEnd,
                       int32_t encoding) {
    if (!records || !text)
        return clampToEnd ? 0 : -1;
    float pen = x + offsetX;
    if (clampToEnd && pointX < pen)
        return 0;
    const TextEncoding enc = resolveEncoding(encoding);
    int32_t at = 0;
    for (int32_t i = 0;; i++) {
        uint32_t code = decodeChar(enc, text, &at, true);
        const bool pastEnd = code == 0;
        if (pastEnd)
            code = kSpace;
        const GlyphRecord *record = drawableGlyph(code);
        if (record) {
            pen += penOffset(*record, i);
            float step = glyphStep(*record, spacing);
            if (code == kSpace && !pastEnd)
                step += spaceExtra;
            if (pointX >= pen && pointX < pen + step)
                return i;
            pen += step;
        }
        if (pastEnd)
            return clampToEnd ? i : -1;
    }
}

int32_t KText::hitTestChar(const void *text, int32_t x, int32_t, int32_t offsetX, float spacing, int32_t pointX,
                           bool clampToEnd, int32_t encoding) {
    return hitTest(text, float(x), float(offsetX), spacing, float(pointX), clampToEnd, encoding);
}

int32_t KText::hitTestChar(const void *text, float x, float, float offsetX, float spacing, float pointX,
                           bool clampToEnd, int32_t encoding) {
    return hitTest(text, x, offsetX, spacing, pointX, clampToEnd, encoding);
}
