#pragma once
// A bitmap font: glyph records read from a ".ktext" description, up to 16 page pictures holding the
// glyph images, and the drawing state that every page picture shares. Glyphs are found through a map of
// 2048-code pages: for each page that the records use, a table of 2048 entries (record index + 1, 0 for
// no glyph). Every font draws through one text batch that the first loaded page creates.

#include <cstdint>

#include "engine/text/KTextFace.h"

class KBatch;
class KGraphic;

struct GlyphRecord {
    uint32_t code;     // Unicode code point; 0 ends the list
    int16_t srcLeft;   // glyph image in its page picture, edges inclusive
    int16_t srcTop;
    int16_t srcRight;
    int16_t srcBottom;
    int16_t advance;    // pen advance after the glyph
    int16_t lineHeight; // the first record's is the font's line height
    int32_t page;       // page picture (only while textGlyphPages is set)
    int32_t offsetX;    // pen shift before the glyph, never for a string's first character
    int32_t offsetY;    // added to the glyph's y
};

// Engine-wide text settings, written by the game at start.
extern int32_t defaultTextEncoding; // used where an operation receives the encoding -1
extern bool textGlyphPages;         // records' page and offsets count; else page 0 and no offsets
// The batch of 200 quads that all fonts draw through; the window deletes it (and clears this) when it
// releases its device, and the next page load makes a new one.
extern KBatch *textBatch;

constexpr int32_t kTextPageCount = 16;
constexpr int32_t kTextNameCapacity = 260;
constexpr int32_t kTextBatchQuads = 200;

// The layout modes of layoutText.
enum KTextLayoutMode : int32_t {
    kTextLayoutMeasureHeight = 0,
    kTextLayoutDraw = 1,
    kTextLayoutDrawClipped = 2,
    kTextLayoutCursorRect = 3,
    kTextLayoutHitTest = 4,
    kTextLayoutWidest = 5,
};

class KText : public KTextFace {
public:
    KText();
    ~KText() override;
    KText(const KText &) = delete;
    KText &operator=(const KText &) = delete;

    // Reads the description, then the page pictures: page 0 from `pageName`, each further page from
    // the next page name. False when the description or a page fails (the pages loaded so far stay).
    bool loadFont(const char *descriptionName, const char *pageName);
    // Replaces the number before the extension by the next one (page.png -> page2.png,
    // font_3_0.tga -> font_3_1.tga); the buffer holds kTextNameCapacity bytes. False, leaving the name
    // unchanged, when the result would not fit.
    static bool nextPageName(char *name);

    // Record index of the code's glyph, or -1.
    int32_t findGlyph(uint32_t code) const;
    const GlyphRecord *getRecords() const { return records; }
    KGraphic *getPage(int32_t page) const { return page >= 0 && page < kTextPageCount ? pages[page] : nullptr; }
    float getSpaceExtra() const { return spaceExtra; }
    void setPageAdvance(int32_t page, float advance);

    int32_t getEncoding() override;
    bool hasChar(uint32_t code) override;
    int32_t getFontMetric() override;
    float getStringWidth(const void *text, float spacing, float scale, int32_t encoding) override;
    float getStringWidthN(const void *text, int32_t count, float spacing, float scale) override;
    float getCharAdvance(uint32_t code, float spacing) override;
    float getCharOffset(uint32_t code) override;
    void setColor(float red, float green, float blue, float alpha) override;
    void setAlpha(float alpha) override;
    void setBlendMode(int32_t preset) override;

    void drawNumber(int32_t number, int32_t x, int32_t y, float spacing) override;
    void drawString(const void *text, int32_t x, int32_t y, float spacing, int32_t encoding) override;
    void drawNumberRight(int32_t number, int32_t right, int32_t y, float spacing) override;
    void drawStringRight(const void *text, int32_t right, int32_t y, float spacing) override;
    void drawNumberCentered(int32_t number, int32_t left, int32_t right, int32_t y, float spacing) override;
    void drawStringCentered(const void *text, int32_t left, int32_t right, int32_t y, float spacing) override;
    void drawStringClipped(const void *text, int32_t clipLeft, int32_t clipTop, int32_t clipRight,
                           int32_t clipBottom, int32_t offsetX, int32_t offsetY, float spacing, int32_t cursorIndex,
                           KTextCursorCallback callback, void *user, int32_t encoding) override;
    bool getCharExtent(const void *text, int32_t x, int32_t y, int32_t offsetX, float spacing, int32_t index,
                       int32_t *outLeft, int32_t *outRight, int32_t encoding) override;
    int32_t hitTestChar(const void *text, int32_t x, int32_t y, int32_t offsetX, float spacing, int32_t pointX,
                        bool clampToEnd, int32_t encoding) override;

    void drawNumber(int32_t number, float x, float y, float spacing, float scale) override;
    void drawString(const void *text, float x, float y, float spacing, float scale, int32_t encoding) override;
    void drawNumberRight(int32_t number, float right, float y, float spacing) override;
    void drawStringRight(const void *text, float right, float y, float spacing) override;
    void drawNumberCentered(int32_t number, float left, float right, float y, float spacing) override;
    void drawStringCentered(const void *text, float left, float right, float y, float spacing) override;
    void drawStringClipped(const void *text, float clipLeft, float clipTop, float clipRight, float clipBottom,
                           float offsetX, float offsetY, float spacing, int32_t cursorIndex,
                           KTextCursorCallback callback, void *user, int32_t encoding) override;
    bool getCharExtent(const void *text, float x, float y, float offsetX, float spacing, int32_t index,
                       float *outLeft, float *outRight, int32_t encoding) override;
    int32_t hitTestChar(const void *text, float x, float y, float offsetX, float spacing, float pointX,
                        bool clampToEnd, int32_t encoding) override;

    bool hasGlyph(uint32_t code) override;
    float getLineSpacing() override;
    void setLineSpacing(float lineSpacing) override;
    void setSpaceExtra(float extra) override;

    void drawTextInBox(const char *text, int32_t maxChars, int32_t left, int32_t right, int32_t top, int32_t style,
                       float spacing, float lineHeight) override;
    void drawTextInBox(const char *text, int32_t maxChars, float left, float right, float top, int32_t style,
                       float spacing, float lineHeight) override;
    int32_t measureTextInBox(const char *text, int32_t maxChars, int32_t left, int32_t right, int32_t top,
                             int32_t style, float spacing, float lineHeight) override;
    int32_t layoutTextHeight(const char *text, int32_t maxChars, int32_t left, int32_t right, int32_t top,
                             int32_t style, float spacing, float lineHeight) override;
    void drawTextInBoxClipped(const char *text, int32_t maxChars, float left, float top, float right, float bottom,
                              int32_t style, float offsetX, float offsetY, float spacing, int32_t cursorIndex,
                              KTextCursorCallback callback, void *user, float lineHeight) override;
    bool getCursorRect(const char *text, int32_t maxChars, float left, float top, float right, float bottom,
                       int32_t style, float offsetX, float offsetY, float spacing, int32_t cursorIndex,
                       int32_t *outLeft, int32_t *outTop, int32_t *outRight, int32_t *outBottom,
                       float lineHeight) override;
    int32_t hitTestTextInBox(const char *text, int32_t maxChars, float left, float top, float right, float bottom,
                             int32_t style, float offsetX, float offsetY, float spacing, float pointX, float pointY,
                             float lineHeight) override;

    // Text mapped onto the quadrilateral of corners 1 (top left), 2 (top right), 3 (bottom right) and
    // 4 (bottom left), optionally centred and wrapped at the line length.
    virtual void drawTextOnQuad(const char *text, float x1, float y1, float x2, float y2, float x3, float y3,
                                float x4, float y4, float spacing, int32_t encoding, bool fixedPitch, bool centred,
                                bool wrap);

protected:
    friend float layoutText(KText *font, int32_t encoding, const char *text, int32_t maxChars, float left, float top,
                            float right, float bottom, int32_t style, float offsetX, float offsetY, float spacing,
                            float lineHeight, float lineSpacing, int32_t mode, int32_t *cursor,
                            KTextCursorCallback callback, void *user, float *pointOrLeft, float *pointYOrTop,
                            float *outRight, float *outBottom, bool *outFound);

    bool readDescription(const char *name, int32_t *pageCount);
    bool parseDescription(const char *name, const char *bytes, uint32_t size, int32_t *pageCount);
    void freeRecords();
    void freeGlyphMap();
    void buildGlyphMap(GlyphRecord *list);
    bool loadPage(int32_t index, const char *name);
    // The record of a code that can be drawn (a known glyph on a page slot that exists), or null.
    const GlyphRecord *drawableGlyph(uint32_t code) const;
    int32_t glyphPage(const GlyphRecord &record) const { return textGlyphPages ? record.page : 0; }
    float glyphStep(const GlyphRecord &record, float spacing) const;
    // The pen shift before a glyph: its offsetX, except for a string's first character.
    float penOffset(const GlyphRecord &record, int32_t index) const;
    template <typename Visit>
    void forEachGlyph(const void *text, int32_t encoding, int32_t count, Visit visit) const;
    // One glyph to the text batch at (x, y); a scaled glyph grows from its top-left corner.
    void addGlyphQuad(const GlyphRecord &record, float x, float y, float scale, bool scaled) const;
    // Draws one text line through the batch at the float pen, as the unscaled and scaled draws share it.
    void drawLine(const void *text, float x, float y, float spacing, float scale, bool roundPen, int32_t encoding);
    void drawLineRight(const void *text, float right, float y, float spacing, bool roundPen);
    void drawClipped(const void *text, float clipLeft, float clipTop, float clipRight, float clipBottom,
                     float offsetX, float offsetY, float spacing, int32_t cursorIndex, KTextCursorCallback callback,
                     void *user, int32_t encoding);
    bool charExtent(const void *text, float x, float offsetX, float spacing, int32_t index, float *outLeft,
                    float *outRight, int32_t encoding);
    int32_t hitTest(const void *text, float x, float offsetX, float spacing, float pointX, bool clampToEnd,
                    int32_t encoding);
    float measure(const void *text, int32_t count, float spacing, int32_t encoding);
    float boxLineHeight(float lineHeight) { return lineHeight < 0 ? float(getFontMetric()) : lineHeight; }

    uint8_t ownsRecords = 0;
    GlyphRecord *records = nullptr;
    int32_t mapPageCount = 0;
    int32_t *mapPageNumbers = nullptr;
    int32_t **mapPageTables = nullptr;
    float alpha = 1.0f;
    int32_t blendMode = 1;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float spaceExtra = 0.0f;
    float lineSpacing = 0.0f;
    KGraphic *pages[kTextPageCount] = {};
    uint8_t ownsPage[kTextPageCount] = {};
    float pageOffsetY[kTextPageCount] = {};
    float pageAdvance[kTextPageCount] = {};
};

// The paragraph layout behind the box operations: wraps the text at the box width, aligns or justifies
// each line by style, and per mode measures, draws, draws clipped, finds the cursor rectangle or the
// character under a point. Returns the widest line (mode 5), 0 after a hit test, else the bottom of the
// last line.
float layoutText(KText *font, int32_t encoding, const char *text, int32_t maxChars, float left, float top,
                 float right, float bottom, int32_t style, float offsetX, float offsetY, float spacing,
                 float lineHeight, float lineSpacing, int32_t mode, int32_t *cursor, KTextCursorCallback callback,
                 void *user, float *pointOrLeft, float *pointYOrTop, float *outRight, float *outBottom,
                 bool *outFound);
