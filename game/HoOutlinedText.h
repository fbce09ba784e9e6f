#pragma once
// The game draws all of its own text (HUD, tooltips, messages, element texts, text fields) through these
// operations over the engine's bitmap fonts. Each draws the text a few times in an outline colour at
// small offsets and then once in the text colour; a pass whose colour has no opacity is skipped.
//
// In the SD layout the text scale is below 1 and the art scale would shrink the fonts with the
// pictures. While such a text is drawn the view's zoom is divided by the text scale and every position
// is pulled towards the design centre by the text scale instead, so glyphs keep their pixel size while
// the text still stands where it would in HD.

#include <cstdint>

#include "engine/text/KTextFace.h"

class HoContext;
class KText;

struct TextColour {
    float red = 1.0f;
    float green = 1.0f;
    float blue = 1.0f;
    float alpha = 1.0f;
};

// Where drawOutlinedText places its line on x.
enum OutlinedTextKind : int32_t {
    kOutlinedTextAtPoint = 0,
    kOutlinedTextCentred = 2, // centred on x
};

// The box operations' outline thickness is clamped to this range: each pass costs a draw of the text.
constexpr int32_t kOutlineThicknessMin = 1;
constexpr int32_t kOutlineThicknessMax = 16;

// One line with four diagonal outline passes. Modes 0 and 2 draw at y, but a point kind in mode 2 at
// (y - 1) * 0.5; any other mode takes y as given, without the text-scale pull. Other kinds draw nothing.
void drawOutlinedText(KText *font, const char *text, HoContext *context, int32_t mode, int32_t kind, float x,
                      float y, const TextColour &outline, const TextColour &colour);
// Text laid out in the box from left to right below y, aligned by the layout style, with
// (2n + 1)^2 outline passes for the thickness n; only its first maxChars characters show (all for -1),
// spaced apart by the spacing.
void drawOutlinedTextBox(KText *font, const char *text, float left, float right, float y, int32_t alignment,
                         const TextColour &outline, const TextColour &colour, int32_t thickness,
                         int32_t maxChars = -1, float spacing = 0.0f);
// The same, centred vertically on y after measuring the text's height for the box.
void drawOutlinedTextBoxMeasured(KText *font, const char *text, float left, float right, float y, int32_t alignment,
                                 const TextColour &outline, const TextColour &colour, int32_t thickness,
                                 int32_t maxChars = -1, float spacing = 0.0f);
// Where a text stands, in design units.
struct TextExtent {
    float left = 0.0f, top = 0.0f, right = 0.0f, bottom = 0.0f;
};
// The extent of the lines that drawOutlinedTextBox (with measured: drawOutlinedTextBoxMeasured) lays out
// in the box, outline passes aside: the widest line as aligned, from the first line's top to the last's
// bottom. A word wider than the box shows as wider.
TextExtent measureOutlinedTextBox(KText *font, const char *text, float left, float right, float y,
                                  int32_t alignment, bool measured, int32_t maxChars = -1, float spacing = 0.0f);
// The extent of the line that drawOutlinedText draws in mode 0 at (x, y): its width, one line high.
TextExtent measureOutlinedText(KText *font, const char *text, int32_t kind, float x, float y);
// A length in a font's pixels as design units: text keeps its pixel size, so where the text scale is
// below 1 (SD) a font's pixel covers more of the design than in HD.
float textLengthInDesign(float fontPixels);

// Text mapped onto a quadrilateral (top-left, top-right, bottom-right, bottom-left corners, x and y each),
// drawn once in the font's current colour.
void drawOutlinedTextQuad(KText *font, const char *text, const float corners[8], float spacing, bool fixedPitch,
                          bool centred, bool wrap);
// A text field's line clipped to its rectangle and shifted by its offsets, drawn once in the font's
// current colour; the callback draws the caret at the cursor index (-1: none).
void drawOutlinedTextEdit(KText *font, const char *text, float left, float top, float right, float bottom,
                          float offsetX, float offsetY, float spacing, int32_t cursorIndex,
                          KTextCursorCallback callback, void *user);
