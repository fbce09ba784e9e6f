#pragma once
// The abstract text interface: measuring, drawing and laying out strings with one bitmap font.
// Strings are NUL-terminated in the encoding that an operation names (-1: the engine's default
// encoding). Spacing is an extra advance in pixels after every glyph. The integer operations take
// whole-pixel positions; their float twins take fractional ones.

#include <cstdint>

#include "engine/system/KObject.h"

class KTextFace;

// Called by the clipped drawing around the character under the text cursor: phase 0 before the glyph is
// drawn, 1 after it, 2 after the whole string; the rectangle is the character's cell, clipped.
typedef void (*KTextCursorCallback)(KTextFace *font, void *user, int32_t phase, float left, float top, float right,
                                    float bottom);

// Paragraph styles of the box layout.
enum KTextStyle : int32_t {
    kTextStyleLeft = 0,
    kTextStyleRight = 1,
    kTextStyleCentered = 2,
    kTextStyleJustified = 3,          // spaces widened on every line but a paragraph's last
    kTextStyleJustifiedChars = 4,     // every gap between characters widened; breaks anywhere
    kTextStyleJustifiedCharsKeep = 5, // as 4, spaces at line ends kept
    kTextStyleCenteredAnywhere = 6,   // centred; breaks anywhere
};

class KTextFace : public KObjectBase {
public:
    virtual ~KTextFace() = default;

    virtual int32_t getEncoding() = 0;
    virtual bool hasChar(uint32_t code) = 0;
    virtual int32_t getFontMetric() = 0;
    virtual float getStringWidth(const void *text, float spacing, float scale, int32_t encoding) = 0;
    virtual float getStringWidthN(const void *text, int32_t count, float spacing, float scale) = 0;
    virtual float getCharAdvance(uint32_t code, float spacing) = 0;
    virtual float getCharOffset(uint32_t code) = 0;
    virtual void setColor(float red, float green, float blue, float alpha) = 0;
    virtual void setAlpha(float alpha) = 0;
    virtual void setBlendMode(int32_t preset) = 0;

    // Whole-pixel drawing.
    virtual void drawNumber(int32_t number, int32_t x, int32_t y, float spacing) = 0;
    virtual void drawString(const void *text, int32_t x, int32_t y, float spacing, int32_t encoding) = 0;
    virtual void drawNumberRight(int32_t number, int32_t right, int32_t y, float spacing) = 0;
    virtual void drawStringRight(const void *text, int32_t right, int32_t y, float spacing) = 0;
    virtual void drawNumberCentered(int32_t number, int32_t left, int32_t right, int32_t y, float spacing) = 0;
    virtual void drawStringCentered(const void *text, int32_t left, int32_t right, int32_t y, float spacing) = 0;
    virtual void drawStringClipped(const void *text, int32_t clipLeft, int32_t clipTop, int32_t clipRight,
                                   int32_t clipBottom, int32_t offsetX, int32_t offsetY, float spacing,
                                   int32_t cursorIndex, KTextCursorCallback callback, void *user,
                                   int32_t encoding) = 0;
    virtual bool getCharExtent(const void *text, int32_t x, int32_t y, int32_t offsetX, float spacing, int32_t index,
                               int32_t *outLeft, int32_t *outRight, int32_t encoding) = 0;
    virtual int32_t hitTestChar(const void *text, int32_t x, int32_t y, int32_t offsetX, float spacing,
                                int32_t pointX, bool clampToEnd, int32_t encoding) = 0;

    // Fractional drawing.
    virtual void drawNumber(int32_t number, float x, float y, float spacing, float scale) = 0;
    virtual void drawString(const void *text, float x, float y, float spacing, float scale, int32_t encoding) = 0;
    virtual void drawNumberRight(int32_t number, float right, float y, float spacing) = 0;
    virtual void drawStringRight(const void *text, float right, float y, float spacing) = 0;
    virtual void drawNumberCentered(int32_t number, float left, float right, float y, float spacing) = 0;
    virtual void drawStringCentered(const void *text, float left, float right, float y, float spacing) = 0;
    virtual void drawStringClipped(const void *text, float clipLeft, float clipTop, float clipRight,
                                   float clipBottom, float offsetX, float offsetY, float spacing, int32_t cursorIndex,
                                   KTextCursorCallback callback, void *user, int32_t encoding) = 0;
    virtual bool getCharExtent(const void *text, float x, float y, float offsetX, float spacing, int32_t index,
                               float *outLeft, float *outRight, int32_t encoding) = 0;
    virtual int32_t hitTestChar(const void *text, float x, float y, float offsetX, float spacing, float pointX,
                                bool clampToEnd, int32_t encoding) = 0;

    virtual bool hasGlyph(uint32_t code) = 0;
    virtual float getLineSpacing() = 0;
    virtual void setLineSpacing(float lineSpacing) = 0;
    virtual void setSpaceExtra(float extra) = 0;

    // Paragraphs in a box (a negative lineHeight means the font's; maxChars below 0 the whole text).
    virtual void drawTextInBox(const char *text, int32_t maxChars, int32_t left, int32_t right, int32_t top,
                               int32_t style, float spacing, float lineHeight) = 0;
    virtual void drawTextInBox(const char *text, int32_t maxChars, float left, float right, float top,
                               int32_t style, float spacing, float lineHeight) = 0;
    virtual int32_t measureTextInBox(const char *text, int32_t maxChars, int32_t left, int32_t right, int32_t top,
                                     int32_t style, float spacing, float lineHeight) = 0;
    virtual int32_t layoutTextHeight(const char *text, int32_t maxChars, int32_t left, int32_t right, int32_t top,
                                     int32_t style, float spacing, float lineHeight) = 0;
    virtual void drawTextInBoxClipped(const char *text, int32_t maxChars, float left, float top, float right,
                                      float bottom, int32_t style, float offsetX, float offsetY, float spacing,
                                      int32_t cursorIndex, KTextCursorCallback callback, void *user,
                                      float lineHeight) = 0;
    virtual bool getCursorRect(const char *text, int32_t maxChars, float left, float top, float right, float bottom,
                               int32_t style, float offsetX, float offsetY, float spacing, int32_t cursorIndex,
                               int32_t *outLeft, int32_t *outTop, int32_t *outRight, int32_t *outBottom,
                               float lineHeight) = 0;
    virtual int32_t hitTestTextInBox(const char *text, int32_t maxChars, float left, float top, float right,
                                     float bottom, int32_t style, float offsetX, float offsetY, float spacing,
                                     float pointX, float pointY, float lineHeight) = 0;
};
