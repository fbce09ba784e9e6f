// The font object: the ".ktext" description, the glyph map, the page pictures and the shared drawing state.

#include "engine/text/KText.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/graphics/KBatch.h"
#include "engine/graphics/KGraphic.h"
#include "engine/graphics/KGraphicFactory.h"
#include "engine/resource/KResource.h"
#include "engine/system/KSystem.h"
#include "engine/text/KTextEncoding.h"

int32_t defaultTextEncoding = kTextEncodingUtf8;
bool textGlyphPages = false;
KBatch *textBatch = nullptr;

namespace {

constexpr char kMagic[] = "%ktext ";
constexpr size_t kMagicLength = 7;
constexpr int32_t kMapTableSize = 2048;
constexpr int32_t kLineCapacity = 256;
// The shortest glyph line: ten one-digit numbers and their blanks.
constexpr uint32_t kShortestGlyphLine = 19;

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// Reads one line of at most 255 characters into `line` and moves past the rest of it and past every
// CR and LF that follows.
const char *readLine(const char *at, const char *end, char *line) {
    int32_t length = 0;
    while (at < end && !isLineEnd(*at) && *at != '\0') {
        if (length < kLineCapacity - 1)
            line[length++] = *at;
        at++;
    }
    line[length] = '\0';
    while (at < end && isLineEnd(*at))
        at++;
    return at;
}

// Line ends between two places of a text: CR LF counts once.
int32_t countLineEnds(const char *from, const char *to) {
    int32_t count = 0;
    for (const char *at = from; at < to; at++) {
        if (*at == '\n' || (*at == '\r' && (at + 1 >= to || at[1] != '\n')))
            count++;
    }
    return count;
}

int16_t low16(long value) { return int16_t(uint16_t(uint64_t(value) & 0xFFFF)); }
int32_t low32(long value) { return int32_t(uint32_t(uint64_t(value) & 0xFFFFFFFFu)); }

void parseGlyphLine(const char *line, GlyphRecord *record) {
    long v[10] = {};
    std::sscanf(line, "%ld %ld %ld %ld %ld %ld %ld %ld %ld %ld", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                &v[7], &v[8], &v[9]);
    record->code = uint32_t(low32(v[0]));
    record->srcLeft = low16(v[1]);
    record->srcTop = low16(v[2]);
    record->srcRight = low16(v[3]);
    record->srcBottom = low16(v[4]);
    record->advance = low16(v[5]);
    record->lineHeight = low16(v[6]);
    record->page = low32(v[7]);
    record->offsetX = low32(v[8]);
    record->offsetY = low32(v[9]);
}

int32_t pageNumberOf(uint32_t code) { return int32_t(code) >> 11; }

} // namespace

KText::KText() = default;

KText::~KText() {
    for (int32_t i = 0; i < kTextPageCount; i++) {
        if (ownsPage[i])
            delete pages[i];
        pages[i] = nullptr;
    }
    freeRecords();
}

void KText::freeGlyphMap() {
    for (int32_t i = 0; i < mapPageCount; i++)
        std::free(mapPageTables[i]);
    std::free(mapPageTables);
    std::free(mapPageNumbers);
    mapPageTables = nullptr;
    mapPageNumbers = nullptr;
    mapPageCount = 0;
}

// Records and map go together: a font never keeps a map into records it has freed.
void KText::freeRecords() {
    if (ownsRecords)
        std::free(records);
    records = nullptr;
    ownsRecords = 0;
    freeGlyphMap();
}

void KText::buildGlyphMap(GlyphRecord *list) {
    freeGlyphMap();
    records = list;
    if (!list)
        return;
    int32_t count = 0;
    int32_t entries = 0;
    for (; list[count].code != 0; count++) {
        if (count == 0 || pageNumberOf(list[count].code) != pageNumberOf(list[count - 1].code))
            entries++;
    }
    if (entries == 0)
        return;
    mapPageNumbers = static_cast<int32_t *>(std::calloc(size_t(entries), sizeof(int32_t)));
    mapPageTables = static_cast<int32_t **>(std::calloc(size_t(entries), sizeof(int32_t *)));
    if (!mapPageNumbers || !mapPageTables) {
        std::free(mapPageNumbers);
        std::free(mapPageTables);
        mapPageNumbers = nullptr;
        mapPageTables = nullptr;
        return;
    }
    mapPageCount = entries;
    int32_t entry = -1;
    for (int32_t i = 0; i < count; i++) {
        const int32_t pageNumber = pageNumberOf(list[i].code);
        if (i == 0 || pageNumber != pageNumberOf(list[i - 1].code)) {
            entry++;
            mapPageNumbers[entry] = pageNumber;
            mapPageTables[entry] = static_cast<int32_t *>(std::calloc(kMapTableSize, sizeof(int32_t)));
        }
        if (mapPageTables[entry])
            mapPageTables[entry][list[i].code & 0x7FF] = i + 1;
    }
}

int32_t KText::findGlyph(uint32_t code) const {
    if (!records)
        return -1;
    const int32_t pageNumber = pageNumberOf(code);
    for (int32_t i = 0; i < mapPageCount; i++) {
        if (mapPageNumbers[i] == pageNumber)
            return mapPageTables[i] ? mapPageTables[i][code & 0x7FF] - 1 : -1;
    }
    return -1;
}

bool KText::parseDescription(const char *name, const char *bytes, uint32_t size, int32_t *pageCount) {
    if (size < kMagicLength + 1 || std::memcmp(bytes, kMagic, kMagicLength) != 0) {
        logMessage("KText: %s is not a font description", name);
        return false;
    }
    long version = 0, pages = 0, glyphCount = 0;
    if (std::sscanf(bytes + kMagicLength, "%ld %ld %ld", &version, &pages, &glyphCount) != 3 || version != 1) {
        logMessage("KText: font description %s has an unknown version", name);
        return false;
    }
    if (glyphCount < 0) {
        logMessage("KText: font description %s announces %ld glyphs", name, glyphCount);
        return false;
    }
    // The header's count is only an upper bound: no file holds more lines than its bytes allow.
    const long capacity = std::min<long>(glyphCount, long(size / kShortestGlyphLine) + 1);
    auto *list = static_cast<GlyphRecord *>(std::calloc(size_t(capacity) + 1, sizeof(GlyphRecord)));
    if (!list) {
        logMessage("KText: no memory for the glyphs of %s", name);
        return false;
    }
    const char *end = bytes + size;
    const char *at = bytes + kMagicLength;
    while (at < end && !isLineEnd(*at) && *at != '\0')
        at++;
    while (at < end && isLineEnd(*at))
        at++;
    static char line[kLineCapacity];
    long parsed = 0;
    int32_t lineNumber = 1 + countLineEnds(bytes, at);
    while (parsed < capacity && at < end && *at != '\0') {
        const char *next = readLine(at, end, line);
        parseGlyphLine(line, &list[parsed]);
        // Code 0 ends the glyph list: a line that gives it is worth a word in the log.
        if (list[parsed].code == 0)
            logMessage("KText: font description %s, line %d is not a glyph (\"%.40s\"); the glyph list ends there",
                       name, lineNumber, line);
        parsed++;
        lineNumber += countLineEnds(at, next);
        at = next;
    }
    list[parsed].code = 0;
    if (parsed < glyphCount)
        logMessage("KText: font description %s holds %ld of its %ld glyphs", name, parsed, glyphCount);
    buildGlyphMap(list);
    ownsRecords = 1;
    *pageCount = int32_t(std::clamp<long>(pages, INT32_MIN, INT32_MAX));
    return true;
}

bool KText::readDescription(const char *name, int32_t *pageCount) {
    freeRecords();
    unsigned char *buffer = nullptr;
    uint32_t size = 0;
    if (!KResource::loadResource(name, &buffer, &size)) {
        logMessage("KText: cannot read font description %s", name);
        return false;
    }
    const bool ok = parseDescription(name, reinterpret_cast<const char *>(buffer), size, pageCount);
    std::free(buffer);
    return ok;
}

bool KText::nextPageName(char *name) {
    const size_t length = std::strlen(name);
    const char *dot = std::strrchr(name, '.');
    const size_t extension = dot ? size_t(dot - name) : length;
    size_t digits = extension;
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
        digits--;
    long number = 1;
    if (digits < extension) {
        number = 0;
        for (size_t i = digits; i < extension; i++)
            number = std::min(number * 10 + (name[i] - '0'), long(INT32_MAX) - 1);
    }
    char numberText[24];
    const int numberLength = std::snprintf(numberText, sizeof numberText, "%ld", number + 1);
    const size_t tailLength = length - extension;
    const size_t newLength = digits + size_t(numberLength) + tailLength;
    if (newLength >= size_t(kTextNameCapacity))
        return false;
    std::memmove(name + digits + numberLength, name + extension, tailLength + 1);
    std::memcpy(name + digits, numberText, size_t(numberLength));
    return true;
}

bool KText::loadPage(int32_t index, const char *name) {
    if (index < 0 || index >= kTextPageCount) {
        logMessage("KText: font page %d of %s is beyond the %d page slots", index, name, kTextPageCount);
        return false;
    }
    if (pages[index] && ownsPage[index])
        delete pages[index];
    pages[index] = nullptr;
    ownsPage[index] = 0;

    // A page made ahead (while the start-up pictures show) is taken as it is.
    KGraphic *picture = takePrefetchedKGraphic(name);
    const bool prefetched = picture != nullptr;
    if (!picture)
        picture = createKGraphic();
    if (!picture) {
        logMessage("KText: no picture for font page %s", name);
        return false;
    }
    picture->setSmoothFiltering(true);
    const bool loaded = prefetched || picture->loadImageFile(name, 0);
    picture->setTintColor(colour[0], colour[1], colour[2], colour[3]);
    picture->setBlendPreset(blendMode);
    pages[index] = picture;
    ownsPage[index] = 1;

    if (!textBatch) {
        textBatch = createKBatch();
        if (textBatch)
            textBatch->allocateQuads(kTextBatchQuads);
    }
    if (!loaded)
        logMessage("KText: cannot load font page %s", name);
    return loaded;
}

bool KText::loadFont(const char *descriptionName, const char *pageName) {
    if (!descriptionName || !pageName)
        return false;
    int32_t pageCount = 0;
    if (!readDescription(descriptionName, &pageCount))
        return false;
    if (std::strlen(pageName) >= size_t(kTextNameCapacity)) {
        logMessage("KText: font page name %s is too long", pageName);
        return false;
    }
    static char name[kTextNameCapacity];
    std::strcpy(name, pageName);
    for (int32_t i = 0; i < pageCount; i++) {
        if (i > 0 && !nextPageName(name)) {
            logMessage("KText: the name of font page %d after %s is too long", i, name);
            return false;
        }
        if (!loadPage(i, name))
            return false;
    }
    return true;
}

void KText::setPageAdvance(int32_t page, float advance) {
    if (page >= 0 && page < kTextPageCount)
        pageAdvance[page] = advance;
}

int32_t KText::getEncoding() { return defaultTextEncoding; }

bool KText::hasChar(uint32_t code) {
    if (!records)
        return false;
    for (const GlyphRecord *record = records; record->code != 0; record++) {
        if (record->code == code)
            return true;
    }
    return false;
}

int32_t KText::getFontMetric() { return records ? records[0].lineHeight : 0; }

bool KText::hasGlyph(uint32_t code) { return findGlyph(code) >= 0; }

void KText::setColor(float red, float green, float blue, float alpha_) {
    colour[0] = red;
    colour[1] = green;
    colour[2] = blue;
    colour[3] = alpha_;
    for (KGraphic *page : pages) {
        if (page)
            page->setTintColor(red, green, blue, alpha_);
    }
}

void KText::setAlpha(float value) { alpha = value; }

void KText::setBlendMode(int32_t preset) {
    blendMode = preset;
    for (KGraphic *page : pages) {
        if (page)
            page->setBlendPreset(preset);
    }
}

float KText::getLineSpacing() { return lineSpacing; }
void KText::setLineSpacing(float value) { lineSpacing = value; }
void KText::setSpaceExtra(float extra) { spaceExtra = extra; }
