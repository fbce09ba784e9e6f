// Paragraph layout in a box: text is cut into paragraphs at line feeds, each paragraph into lines that fit
// the box width (breaking at spaces and tabs, or anywhere in styles 4 to 6), and each line is aligned or
// justified and then measured, drawn, drawn clipped, searched for the cursor or hit-tested.
//
// Cursor positions count every decoded character of the text (control characters and line feeds
// included), so a text field can map them straight onto its string.

#include <algorithm>
#include <cmath>

#include "engine/system/KSystem.h"
#include "engine/text/KText.h"
#include "engine/text/KTextEncoding.h"

namespace {

constexpr int32_t kParagraphCapacity = 4094;
constexpr uint32_t kSpace = 0x20;
constexpr uint32_t kTab = 0x09;

uint32_t paragraph[kParagraphCapacity + 2];
uint32_t lineText[kParagraphCapacity + 2];

bool isBlank(uint32_t code) { return code == kSpace || code == kTab; }

bool breaksAnywhere(int32_t style) {
    return style == kTextStyleJustifiedChars || style == kTextStyleJustifiedCharsKeep ||
           style == kTextStyleCenteredAnywhere;
}

// Decodes one paragraph (up to a line feed or the end of the text) into the paragraph buffer, dropping
// control characters and byte-order marks. Returns the characters stored; `decoded` receives every
// character read, the line feed included.
int32_t readParagraph(TextEncoding encoding, const char *text, int32_t *at, int32_t *decoded, bool *textEnd) {
    int32_t count = 0;
    *decoded = 0;
    for (;;) {
        const uint32_t code = decodeChar(encoding, text, at, true);
        if (code == 0) {
            *textEnd = true;
            break;
        }
        (*decoded)++;
        if (code == '\n')
            break;
        if (code < kSpace || code == 0xFEFF)
            continue;
        if (count < kParagraphCapacity)
            paragraph[count++] = code;
    }
    paragraph[count] = 0;
    return count;
}

struct LineBreak {
    int32_t end;  // the line's characters are [start, end)
    int32_t next; // where the next line starts
};

// Where the line that starts at `start` ends (step a of the layout, with blanks trimmed and skipped).
LineBreak findBreak(KText *font, int32_t start, int32_t count, float boxWidth, float spacing, int32_t style) {
    const bool anywhere = breaksAnywhere(style);
    float width = start < count ? -font->getCharOffset(paragraph[start]) : 0.0f;
    int32_t candidate = -1;
    int32_t i = start;
    bool overflow = false;
    for (; i < count; i++) {
        if (width > boxWidth) {
            overflow = true;
            break;
        }
        if (anywhere || isBlank(paragraph[i]))
            candidate = i;
        width += font->getCharAdvance(paragraph[i], spacing);
    }
    if (i == count && width > boxWidth)
        overflow = true;

    int32_t breakAt = count;
    if (overflow) {
        if (candidate >= 0) {
            breakAt = candidate;
        } else {
            // A word wider than the box stands alone: it ends at the next blank.
            breakAt = i;
            while (breakAt < count && !isBlank(paragraph[breakAt]))
                breakAt++;
        }
    }
    LineBreak result{breakAt, breakAt};
    if (style != kTextStyleJustifiedCharsKeep) {
        while (result.end > start && isBlank(paragraph[result.end - 1]))
            result.end--;
        while (result.next < count && isBlank(paragraph[result.next]))
            result.next++;
    }
    // Every line takes at least one character, so the layout always ends.
    if (result.next <= start && start < count) {
        result.end = start + 1;
        result.next = start + 1;
    }
    return result;
}

float measureLine(KText *font, int32_t start, int32_t end, float spacing) {
    if (end <= start)
        return 0.0f;
    float width = -font->getCharOffset(paragraph[start]);
    for (int32_t i = start; i < end; i++)
        width += font->getCharAdvance(paragraph[i], spacing);
    return width;
}

// Copies paragraph characters into the NUL-terminated line buffer (32-bit units).
const uint32_t *lineOf(int32_t start, int32_t end) {
    const int32_t length = std::max(end - start, 0);
    std::copy(paragraph + start, paragraph + start + length, lineText);
    lineText[length] = 0;
    return lineText;
}

// spaceExtra is state of the font that every draw reads: the layout never leaves it set.
struct SpaceExtraReset {
    KText *font;
    ~SpaceExtraReset() { font->setSpaceExtra(0.0f); }
};

} // namespace

float layoutText(KText *font, int32_t encoding, const char *text, int32_t maxChars, float left, float top,
                 float right, float bottom, int32_t style, float offsetX, float offsetY, float spacing,
                 float lineHeight, float lineSpacing, int32_t mode, int32_t *cursor, KTextCursorCallback callback,
                 void *user, float *pointOrLeft, float *pointYOrTop, float *outRight, float *outBottom,
                 bool *outFound) {
    if (outFound)
        *outFound = false;
    if (mode == kTextLayoutHitTest && cursor)
        *cursor = -1;
    if (!font || !font->records || !text)
        return 0.0f;
    SpaceExtraReset reset{font};
    const TextEncoding enc = encoding == -1 ? defaultTextEncoding : encoding;
    const float boxWidth = right - left;
    float penY = top;
    float widest = 0.0f;
    int32_t at = 0;
    int32_t decodedBefore = 0;
    bool textEnd = false;

    while (!textEnd) {
        int32_t decoded = 0;
        const int32_t count = readParagraph(enc, text, &at, &decoded, &textEnd);
        int32_t start = 0;
        bool lastLine = false;
        do {
            const LineBreak line = findBreak(font, start, count, boxWidth, spacing, style);
            lastLine = line.next >= count;
            const float width = measureLine(font, start, line.end, spacing);
            widest = std::max(widest, width);

            float charExtra = 0.0f;
            font->setSpaceExtra(0.0f);
            if (!lastLine && style == kTextStyleJustified) {
                const int32_t spaces = int32_t(std::count(paragraph + start, paragraph + line.end, kSpace));
                if (spaces > 0)
                    font->setSpaceExtra((boxWidth - width) / float(spaces));
            } else if (!lastLine && (style == kTextStyleJustifiedChars || style == kTextStyleJustifiedCharsKeep)) {
                const int32_t characters = line.end - start;
                if (characters > 1)
                    charExtra = std::trunc((boxWidth - width) / float(characters - 1));
            }
            const float lineSpacingPx = spacing + charExtra;

            float x = left;
            if (style == kTextStyleRight)
                x = right - width;
            else if (style == kTextStyleCentered || style == kTextStyleCenteredAnywhere)
                x = (boxWidth - width) / 2 + left;

            // Text-field modes keep the blanks at the line's end so every cursor position has a place.
            const int32_t fieldEnd = lastLine ? count : line.next;
            const int32_t lineBase = decodedBefore + start;
            const bool cursorHere = cursor && *cursor >= lineBase &&
                                    (*cursor < decodedBefore + line.next || (lastLine && *cursor <= decodedBefore + count));
            const float lineTop = penY + offsetY;

            switch (mode) {
            case kTextLayoutDraw:
                if (maxChars < 0 || start < maxChars) {
                    const int32_t end = maxChars < 0 ? line.end : std::min(line.end, maxChars);
                    font->drawString(lineOf(start, end), x + offsetX, lineTop, lineSpacingPx, 1.0f,
                                     kTextEncodingUtf32);
                }
                break;
            case kTextLayoutDrawClipped:
                if (lineTop < bottom && lineTop + lineHeight > top) {
                    font->drawStringClipped(lineOf(start, fieldEnd), left, top, right, bottom, x - left + offsetX,
                                            penY - top + offsetY, lineSpacingPx, cursorHere ? *cursor - lineBase : -1,
                                            callback, user, kTextEncodingUtf32);
                }
                break;
            case kTextLayoutCursorRect:
                if (cursorHere) {
                    float cursorLeft = 0.0f, cursorRight = 0.0f;
                    font->getCharExtent(lineOf(start, fieldEnd), x, lineTop, offsetX, lineSpacingPx,
                                        *cursor - lineBase, &cursorLeft, &cursorRight, kTextEncodingUtf32);
                    if (pointOrLeft)
                        *pointOrLeft = cursorLeft;
                    if (outRight)
                        *outRight = cursorRight;
                    if (pointYOrTop)
                        *pointYOrTop = lineTop;
                    if (outBottom)
                        *outBottom = lineTop + lineHeight;
                    if (outFound)
                        *outFound = true;
                }
                break;
            case kTextLayoutHitTest:
                if (pointOrLeft && pointYOrTop && *pointYOrTop >= lineTop &&
                    *pointYOrTop < lineTop + lineHeight + lineSpacing) {
                    const int32_t index = font->hitTestChar(lineOf(start, fieldEnd), x, lineTop, offsetX,
                                                            lineSpacingPx, *pointOrLeft, true, kTextEncodingUtf32);
                    if (cursor)
                        *cursor = index < 0 ? -1 : index + lineBase;
                    return 0.0f;
                }
                break;
            default:
                break;
            }
            penY += lineHeight + lineSpacing;
            start = line.next;
        } while (!lastLine);

        decodedBefore += decoded;
        if (maxChars >= 0)
            maxChars = std::max(maxChars - count, 0);
    }
    return mode == kTextLayoutWidest ? widest : penY - lineSpacing;
}

void KText::drawTextInBox(const char *text, int32_t maxChars, int32_t left, int32_t right, int32_t top,
                          int32_t style, float spacing, float lineHeight) {
    drawTextInBox(text, maxChars, float(left), float(right), float(top), style, spacing, lineHeight);
}

void KText::drawTextInBox(const char *text, int32_t maxChars, float left, float right, float top, int32_t style,
                          float spacing, float lineHeight) {
    layoutText(this, -1, text, maxChars, left, top, right, top, style, 0.0f, 0.0f, spacing,
               boxLineHeight(lineHeight), lineSpacing, kTextLayoutDraw, nullptr, nullptr, nullptr, nullptr, nullptr,
               nullptr, nullptr, nullptr);
}

int32_t KText::measureTextInBox(const char *text, int32_t maxChars, int32_t left, int32_t right, int32_t top,
                                int32_t style, float spacing, float lineHeight) {
    return saturatedInt(layoutText(this, -1, text, maxChars, float(left), float(top), float(right), float(top),
                                   style, 0.0f, 0.0f, spacing, boxLineHeight(lineHeight), lineSpacing,
                                   kTextLayoutWidest, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr));
}

int32_t KText::layoutTextHeight(const char *text, int32_t maxChars, int32_t left, int32_t right, int32_t top,
                                int32_t style, float spacing, float lineHeight) {
    if (!records)
        return 0;
    const float bottom = layoutText(this, -1, text, maxChars, float(left), float(top), float(right), float(top),
                                    style, 0.0f, 0.0f, spacing, boxLineHeight(lineHeight), lineSpacing,
                                    kTextLayoutMeasureHeight, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr);
    return saturatedInt(double(bottom) - top);
}

void KText::drawTextInBoxClipped(const char *text, int32_t maxChars, float left, float top, float right,
                                 float bottom, int32_t style, float offsetX, float offsetY, float spacing,
                                 int32_t cursorIndex, KTextCursorCallback callback, void *user, float lineHeight) {
    layoutText(this, -1, text, maxChars, left, top, right, bottom, style, offsetX, offsetY, spacing,
               boxLineHeight(lineHeight), lineSpacing, kTextLayoutDrawClipped, &cursorIndex, callback, user, nullptr,
               nullptr, nullptr, nullptr, nullptr);
}

bool KText::getCursorRect(const char *text, int32_t maxChars, float left, float top, float right, float bottom,
                          int32_t style, float offsetX, float offsetY, float spacing, int32_t cursorIndex,
                          int32_t *outLeft, int32_t *outTop, int32_t *outRight, int32_t *outBottom,
                          float lineHeight) {
    float rect[4] = {};
    bool found = false;
    layoutText(this, -1, text, maxChars, left, top, right, bottom, style, offsetX, offsetY, spacing,
               boxLineHeight(lineHeight), lineSpacing, kTextLayoutCursorRect, &cursorIndex, nullptr, nullptr,
               &rect[0], &rect[1], &rect[2], &rect[3], &found);
    if (found) {
        *outLeft = saturatedInt(rect[0]);
        *outTop = saturatedInt(rect[1]);
        *outRight = saturatedInt(rect[2]);
        *outBottom = saturatedInt(rect[3]);
    }
    return found;
}

int32_t KText::hitTestTextInBox(const char *text, int32_t maxChars, float left, float top, float right,
                                float bottom, int32_t style, float offsetX, float offsetY, float spacing,
                                float pointX, float pointY, float lineHeight) {
    int32_t cursor = -1;
    layoutText(this, -1, text, maxChars, left, top, right, bottom, style, offsetX, offsetY, spacing,
               boxLineHeight(lineHeight), lineSpacing, kTextLayoutHitTest, &cursor, nullptr, nullptr, &pointX,
               &pointY, nullptr, nullptr, nullptr);
    return cursor;
}
