// Text mapped onto a quadrilateral (a sign, a label on a slanted surface). A glyph's cell runs along the
// line from the pen to the pen plus its width; that span is carried proportionally onto the top edge
// (corner 1 to 2) for the glyph's top corners and onto the bottom edge (corner 4 to 3) for its bottom
// corners, so the text follows the quad's perspective. Wrapped lines move down along the left edge.

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/graphics/KBatch.h"
#include "engine/graphics/KGraphic.h"
#include "engine/text/KText.h"
#include "engine/text/KTextEncoding.h"

namespace {

struct Vec {
    float x, y;
};

Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator*(Vec a, float s) { return {a.x * s, a.y * s}; }
float length(Vec a) { return std::sqrt(a.x * a.x + a.y * a.y); }
// The unit direction, or no direction for an edge of no length.
Vec unit(Vec a) {
    const float l = length(a);
    return l > 0.0f ? a * (1.0f / l) : Vec{0.0f, 0.0f};
}

bool isBreakCandidate(uint32_t code) { return code == ' ' || code == '\t' || code == '\n'; }

} // namespace

void KText::drawTextOnQuad(const char *text, float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                           float y4, float spacing, int32_t encoding, bool fixedPitch, bool centred, bool wrap) {
    if (!records || !text || !textBatch)
        return;
    const Vec p1{x1, y1}, p2{x2, y2}, p3{x3, y3}, p4{x4, y4};
    const float lineLength = length((p2 + p3) * 0.5f - (p1 + p4) * 0.5f);
    // Corners that coincide leave no line to write on.
    if (!(lineLength > 0.0f) || !std::isfinite(lineLength))
        return;
    const Vec topDirection = unit(p2 - p1), bottomDirection = unit(p3 - p4), leftDirection = unit(p4 - p1);
    const float topScale = length(p2 - p1) / lineLength;
    const float bottomScale = length(p3 - p4) / lineLength;
    const TextEncoding enc = encoding == -1 ? defaultTextEncoding : encoding;

    std::vector<uint32_t> codes;
    for (int32_t at = 0;;) {
        const uint32_t code = decodeChar(enc, text, &at, true);
        if (code == 0)
            break;
        codes.push_back(code);
    }

    float start = 0.0f;
    if (centred) {
        const float width = fixedPitch ? float(getFontMetric()) * float(std::strlen(text))
                                       : getStringWidth(text, 0.0f, 1.0f, -1);
        start = (lineLength - width) / 2;
    }

    // Break positions: a line ends at its last blank or line feed, or (one long word) at the character
    // that no longer fits.
    std::vector<size_t> breaks;
    if (wrap) {
        float width = 0.0f;
        size_t lineStart = 0;
        long candidate = -1;
        for (size_t i = 0; i < codes.size(); i++) {
            if (isBreakCandidate(codes[i]))
                candidate = long(i);
            width += getCharAdvance(codes[i], spacing);
            if ((width > lineLength && i > lineStart) || codes[i] == '\n') {
                const size_t at = candidate >= long(lineStart) ? size_t(candidate) : i;
                breaks.push_back(at);
                lineStart = isBreakCandidate(codes[at]) ? at + 1 : at;
                candidate = -1;
                width = 0.0f;
                for (size_t k = lineStart; k <= i; k++)
                    width += getCharAdvance(codes[k], spacing);
            }
        }
    }

    float pen = start;
    float depth = 0.0f;
    size_t nextBreak = 0;
    int32_t currentPage = -1;
    for (size_t i = 0; i < codes.size(); i++) {
        const uint32_t code = codes[i];
        if (nextBreak < breaks.size() && breaks[nextBreak] == i) {
            nextBreak++;
            pen = start;
            depth += float(getFontMetric());
            if (isBreakCandidate(code))
                continue;
        }
        const GlyphRecord *record = drawableGlyph(code);
        if (!record)
            continue;
        const int32_t page = glyphPage(*record);
        if (textGlyphPages && i > 0 && !fixedPitch)
            pen += float(record->offsetX);
        if (pages[page]) {
            if (page != currentPage) {
                if (currentPage >= 0)
                    textBatch->flushBatch();
                pages[page]->setTintColor(colour[0], colour[1], colour[2], colour[3]);
                textBatch->startBatch(pages[page]);
                currentPage = page;
            }
            const float cellEnd = pen + float(record->srcRight + 1 - record->srcLeft);
            const Vec down = leftDirection * depth;
            const Vec topLeft = p1 + topDirection * (pen * topScale) + down;
            const Vec topRight = p1 + topDirection * (cellEnd * topScale) + down;
            const Vec bottomRight = p4 + bottomDirection * (cellEnd * bottomScale) + down;
            const Vec bottomLeft = p4 + bottomDirection * (pen * bottomScale) + down;
            const float l = record->srcLeft, t = record->srcTop;
            const float r = float(record->srcRight + 1), b = float(record->srcBottom + 1);
            const float source[8] = {l, t, r, t, r, b, l, b};
            const float destination[8] = {topLeft.x,     topLeft.y,     topRight.x,   topRight.y,
                                          bottomRight.x, bottomRight.y, bottomLeft.x, bottomLeft.y};
            textBatch->addImageToQuad(source, destination);
        }
        pen += float(fixedPitch ? record->lineHeight : record->advance) + pageAdvance[page] + spacing;
        if (code == ' ')
            pen += spaceExtra;
    }
    if (currentPage >= 0)
        textBatch->flushBatch();
}
