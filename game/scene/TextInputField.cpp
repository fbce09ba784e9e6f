#include "game/scene/TextInputField.h"

#include <cstring>
#include <string>

#include "engine/graphics/KGraphic.h"
#include "engine/text/KText.h"
#include "engine/text/KTextEncoding.h"
#include "engine/window/KInput.h"
#include "engine/window/KWindowEvent.h"
#include "game/HoContext.h"
#include "game/HoOutlinedText.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

namespace {

constexpr int32_t kEditFieldMaxLength = 12;
constexpr EngineKey kKeyLeft = 0;
constexpr EngineKey kKeyRight = 3;
constexpr EngineKey kKeyBack = 22;
constexpr EngineKey kKeyDelete = 95;
constexpr uint32_t kLineFeed = 10;
constexpr uint32_t kReturn = 13;
constexpr uint32_t kFirstPrintable = 32;
constexpr uint32_t kDeleteCharacter = 127;
constexpr uint32_t kPrivateUseFirst = 0xE000;
constexpr uint32_t kPrivateUseEnd = 0xF900;
constexpr int32_t kCaretPart = 2;
constexpr float kCaretWidth = 2.0f;
constexpr float kDefaultLineParameter = 10.0f;
constexpr int32_t kLastCountedEncoding = kTextEncodingUtf32;

int32_t unitBytes(TextEncoding encoding) {
    if (encoding == kTextEncodingUtf32)
        return 4;
    return encoding >= kTextEncodingUtf16 && encoding <= kTextEncodingUtf16Swapped ? 2 : 1;
}

bool isLetterOrDigit(uint32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace

TextInputField::TextInputField(SceneElement *owner) : element(owner) {
    maxLength = kEditFieldMaxLength;
    lettersAndDigitsOnly = 1;
    syncFromElement();
}

KText *TextInputField::font() const {
    HoContext *context = element && element->scene ? element->scene->world->context : nullptr;
    return context ? context->getFont(fontIndex) : nullptr;
}

void TextInputField::syncFromElement() {
    if (!element)
        return;
    const float w = element->w.asNumber(), h = element->h.asNumber();
    left = element->absX.asNumber() - w * 0.5f;
    top = element->absY.asNumber() - h * 0.5f;
    right = left + w;
    bottom = top + h;
    fontIndex = element->fontIndex;
    red = element->textRed;
    green = element->textGreen;
    blue = element->textBlue;
    outline = element->textSpacing;
}

void TextInputField::update() {
    syncFromElement();
    if (focus && element)
        element->highlight = 1.0f;
    if (++blink > kBlinkPeriod)
        blink = 0;
    if (!element)
        return;
    ScriptContext *script = &element->scene->script;
    if (changed) {
        callScriptFunction(findFunction(script, "text_changed"), false, nullptr);
        // The hook may have freed the scene's records: the variable is looked up afterwards.
        storeTextIn(script);
        changed = 0;
    }
    if (validated) {
        callScriptFunction(findFunction(script, "text_validated"), false, nullptr);
        validated = 0;
    }
}

void TextInputField::draw(float alpha) {
    KText *shown = enabled ? font() : nullptr;
    if (!shown)
        return;
    shown->setColor(red, green, blue, alpha);
    drawOutlinedTextEdit(shown, text, left, top, right, bottom, 0.0f, 0.0f, outline, focus ? caret : -1, drawCaret,
                         this);
    shown->setColor(1.0f, 1.0f, 1.0f, 1.0f);
}

void TextInputField::drawCaret(KTextFace *, void *user, int32_t part, float x1, float y1, float x2, float y2) {
    auto *field = static_cast<TextInputField *>(user);
    if (part != kCaretPart || !field || !field->element)
        return;
    HoWorld *world = field->element->scene->world;
    HoTexture *white = world->hud.white;
    if (!white || !white->picture)
        return;
    const float opacity = field->blink < kCaretShownFor ? 1.0f : 0.0f;
    if (world->context)
        world->context->flushBatch();
    white->picture->fillRect(x1, y1, x2 + kCaretWidth, y2, field->red, field->green, field->blue, opacity);
}

void TextInputField::setText(const char *newText) {
    const TextEncoding encoding = defaultTextEncoding;
    const int32_t unit = unitBytes(encoding);
    // Whole characters only, as many as leave room for the terminator within the buffer.
    int32_t end = 0, at = 0;
    if (newText) {
        for (;;) {
            int32_t next = at;
            if (decodeChar(encoding, newText, &next, true) == 0 || next * unit + unit > kTextBytes)
                break;
            at = next;
        }
        end = at * unit;
        std::memcpy(text, newText, size_t(end));
    }
    std::memset(text + end, 0, size_t(unit));
    caret = 0;
    countLength();
}

void TextInputField::setTextFromScript(const char *newText, ScriptContext *script) {
    setText(newText);
    changed = 1;
    blink = 0;
    storeTextIn(script);
}

void TextInputField::storeTextIn(ScriptContext *script) const {
    if (!element || !script)
        return;
    const std::string variable = std::string("#") + element->name;
    const char *interned = element->scene->world->names().internOrFind(text);
    findOrCreateVariable(script, variable.c_str(), nullptr)->value->setPointer(kScriptText, interned);
}

void TextInputField::countLength() {
    length = defaultTextEncoding <= kLastCountedEncoding ? countChars(defaultTextEncoding, text) : 0;
}

uint32_t TextInputField::filterChar(uint32_t c) const {
    if (!lettersAndDigitsOnly)
        return c;
    return c == kReturn || isLetterOrDigit(c) ? c : 0;
}

void TextInputField::placeCaretAt(float pointerX) {
    KText *shown = font();
    if (!shown)
        return;
    const ScriptValue &offset = element->textOffsetX;
    const float line = offset.type == kScriptNumber ? offset.number : kDefaultLineParameter;
    const int32_t index =
        shown->hitTestChar(text, 0.0f, line, 0.0f, outline, pointerX - left, true, defaultTextEncoding);
    if (index >= 0)
        caret = index < length ? index : length;
}

bool TextInputField::onKey(const KWindowEvent &event) {
    KText *shown = enabled ? font() : nullptr;
    if (!shown)
        return false;
    const TextEncoding encoding = defaultTextEncoding;
    switch (event.type) {
    case kEventCharacter: {
        uint32_t c = event.character;
        if (c == kLineFeed || c == kReturn || c >= kFirstPrintable) {
            if (c == kDeleteCharacter || (c >= kPrivateUseFirst && c < kPrivateUseEnd) ||
                (c >= kFirstPrintable && !shown->hasGlyph(c)))
                return true;
            c = filterChar(c);
            if (c == 0)
                return true;
        }
        if (c == kLineFeed || c == kReturn)
            validated = 1;
        if (c >= kFirstPrintable && length < maxLength) {
            insertChar(text, encoding, caret, c);
            const int32_t before = length;
            countLength();
            if (length > before) {
                ++caret;
                changed = 1;
            }
        }
        return true;
    }
    case kEventKeyDown:
        if (event.engineKey == kKeyLeft && caret > 0) {
            --caret;
        } else if (event.engineKey == kKeyRight && caret < length) {
            ++caret;
        } else if (event.engineKey == kKeyBack && caret > 0) {
            deleteChar(text, encoding, --caret);
            countLength();
            changed = 1;
        } else if (event.engineKey == kKeyDelete) {
            deleteChar(text, encoding, caret);
            countLength();
            changed = 1;
        }
        return true;
    case kEventButtonDown:
    case kEventPointer: {
        if (event.type == kEventButtonDown ? event.button != 1 : event.phase != 0)
            return true;
        const float pixelX = float(event.type == kEventButtonDown ? event.x : event.pointerX);
        const float pixelY = float(event.type == kEventButtonDown ? event.y : event.pointerY);
        syncFromElement();
        placeCaretAt(element->scene->screenToScene(ScreenPoint{pixelX, pixelY}).x);
        return true;
    }
    default:
        return false;
    }
}
