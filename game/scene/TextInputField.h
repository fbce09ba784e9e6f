#pragma once
// An editable one-line text field on a scene element ("KUIEdit_" elements): it takes its rectangle,
// font and colour from the element every update, edits its text from the character, key and pointer
// events that the game hands it while it has the focus, draws itself with a blinking caret, and tells
// the scene's script of changes through "text_changed", "text_validated" and the variable named "#"
// and the element's name.

#include <cstdint>

struct KWindowEvent;
class KText;
class KTextFace;
struct SceneElement;
struct ScriptContext;

class TextInputField {
public:
    static constexpr int32_t kTextBytes = 255;
    static constexpr int32_t kDefaultMaxLength = 255;
    static constexpr int32_t kBlinkPeriod = 100;
    static constexpr int32_t kCaretShownFor = 50;

    TextInputField() = default;
    // A field of a "KUIEdit_" element: twelve letters and digits at most.
    explicit TextInputField(SceneElement *owner);
    TextInputField(const TextInputField &) = delete;
    TextInputField &operator=(const TextInputField &) = delete;

    // Rectangle (the element's box about its absolute position), font, colour and outline from the element.
    void syncFromElement();
    // One update: the element follows, the focus keeps it highlighted, the caret blinks, and a change
    // or a validation made since the last update is told to the scene's script.
    void update();
    // The text in the rectangle, the caret at its place while focused.
    void draw(float alpha);
    // The text replaces the field's, cut to what the buffer holds without splitting a character; the
    // caret goes to the start.
    void setText(const char *newText);
    // The script's text replaces the field's, told as a change with the caret shown at once, and the
    // context's variable "#<element name>" holds the new text.
    void setTextFromScript(const char *newText, ScriptContext *script);
    // The context's variable "#<element name>" becomes the field's text.
    void storeTextIn(ScriptContext *script) const;
    // The character, or 0 when the field takes only letters and digits (and Enter) and it is none.
    uint32_t filterChar(uint32_t c) const;
    // Edits the field for a character (50), key-down (6), left button (3) or pointer (100) event; true
    // for every event the field looks at.
    bool onKey(const KWindowEvent &event);
    // The text-edit drawing's callback: after the text (part 2) the caret, shown for half of each blink.
    static void drawCaret(KTextFace *font, void *field, int32_t part, float x1, float y1, float x2, float y2);

    SceneElement *element = nullptr;
    uint8_t enabled = 1;
    char text[kTextBytes + 3] = {}; // room for a four-byte terminator after 254 bytes of UTF-32
    uint8_t focus = 0;
    int32_t length = 0;
    int32_t maxLength = kDefaultMaxLength;
    int32_t caret = 0;
    int32_t blink = 1;
    uint8_t lettersAndDigitsOnly = 0;
    uint8_t changed = 0;
    uint8_t validated = 0;
    float left = 0.0f;
    float right = 0.0f;
    float top = 0.0f;
    float bottom = 0.0f;
    int32_t fontIndex = 0;
    float red = 1.0f;
    float green = 1.0f;
    float blue = 1.0f;
    float outline = 0.0f;

private:
    KText *font() const;
    void countLength();
    void placeCaretAt(float pointerX);
};
