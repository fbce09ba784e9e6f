#include "engine/image/KImageHandlerGif.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/image/KImageSupport.h"
#include "engine/system/KSystem.h"

using namespace imagesupport;

namespace {

constexpr int kMaxCodes = 4096;
constexpr size_t kStackSize = 4096;

// Reads a colour table of 2^((flags & 7) + 1) entries over the palette's first entries. The table must
// be followed by at least 13 more bytes.
bool readColorTable(const uint8_t *&p, const uint8_t *end, uint8_t flags, uint32_t *palette) {
    uint32_t entries = 1u << ((flags & 7) + 1);
    if (!fitsIn(0, uint64_t(entries) * 3 + 13, uint64_t(end - p)))
        return false;
    for (uint32_t i = 0; i < entries; i++, p += 3)
        palette[i] = packArgb(255, p[0], p[1], p[2]);
    return true;
}

// Image rows in the order their pixels arrive: straight, or the four interlace passes.
void buildRowMap(uint32_t *rowMap, uint32_t height, bool interlaced) {
    if (!interlaced) {
        for (uint32_t i = 0; i < height; i++)
            rowMap[i] = i;
        return;
    }
    static const uint32_t kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    uint32_t n = 0;
    for (int pass = 0; pass < 4; pass++)
        for (uint32_t row = kStart[pass]; row < height; row += kStep[pass])
            rowMap[n++] = row;
}

// Skips data sub-blocks up to and including the zero-length terminator.
bool skipSubBlocks(const uint8_t *&p, const uint8_t *end) {
    while (p < end) {
        uint8_t length = *p++;
        if (length == 0)
            return true;
        if (end - p < length)
            return false;
        p += length;
    }
    return false;
}

struct ImageDescriptor {
    uint32_t left, top, width, height;
    bool interlaced;
};

} // namespace

uint8_t KImageHandlerGif::readDataByte() {
    if (blockBytesLeft == 0) {
        if (readPointer >= endPointer) {
            stopped = 1;
            return 0;
        }
        // A terminator met while codes are still needed is read as a full block.
        blockBytesLeft = *readPointer++;
        if (blockBytesLeft == 0)
            blockBytesLeft = 256;
    }
    if (readPointer >= endPointer) {
        stopped = 1;
        return 0;
    }
    blockBytesLeft--;
    return *readPointer++;
}

int KImageHandlerGif::readCode() {
    while (bitCount < codeSize) {
        uint8_t byte = readDataByte();
        if (stopped)
            return 0;
        bitBuffer |= uint32_t(byte) << bitCount;
        bitCount += 8;
    }
    int code = int(bitBuffer & uint32_t(codeMask));
    bitBuffer >>= codeSize;
    bitCount -= codeSize;
    return code;
}

// Writes the string's bytes as pixels, left to right, row by row through the row map; false once the
// image is full.
bool KImageHandlerGif::emitString(Target &target, const uint8_t *first, const uint8_t *last) {
    const uint64_t total = uint64_t(target.width) * target.height;
    for (const uint8_t *p = first; p < last; p++) {
        if (target.written >= total)
            return false;
        uint64_t row = target.rowMap[target.written / target.width];
        uint64_t column = target.written % target.width;
        target.canvas[(target.top + row) * target.canvasWidth + target.left + column] = target.palette[*p];
        target.written++;
    }
    return target.written < total;
}

void KImageHandlerGif::decodeLzw(int minimumCodeSize, Target &target) {
    if (minimumCodeSize < 1 || minimumCodeSize > 11) {
        logMessage("GIF: invalid LZW code");
        return;
    }
    clearCode = 1 << minimumCodeSize;
    const int endCode = clearCode + 1;
    initialCodeSize = minimumCodeSize + 1;
    codeSize = initialCodeSize;
    codeMask = (1 << codeSize) - 1;
    int nextFree = clearCode + 2;
    std::memset(prefix, 0, sizeof prefix);
    std::memset(suffix, 0, sizeof suffix);

    std::unique_ptr<uint8_t[]> stack(new uint8_t[kStackSize]);
    uint8_t *const stackEnd = stack.get() + kStackSize;
    const uint64_t total = uint64_t(target.width) * target.height;

    readCode(); // the stream's opening clear code
    bool firstAfterClear = true;
    int previous = 0;
    uint8_t previousFirst = 0;
    while (target.written < total) {
        int code = readCode();
        if (stopped || code == endCode)
            return;
        // A clear code is honoured even right after another one.
        if (code == clearCode) {
            codeSize = initialCodeSize;
            codeMask = (1 << codeSize) - 1;
            nextFree = clearCode + 2;
            firstAfterClear = true;
            continue;
        }
        if (firstAfterClear) {
            uint8_t index = uint8_t(code & 255);
            if (!emitString(target, &index, &index + 1))
                return;
            previous = code;
            previousFirst = index;
            firstAfterClear = false;
            continue;
        }
        if (code > nextFree) {
            logMessage("GIF: invalid LZW code");
            return;
        }
        // The string is built backwards from its last byte at the top of the stack.
        uint8_t *top = stackEnd;
        int walk = code;
        if (code == nextFree) {
            *--top = previousFirst;
            walk = previous;
        }
        while (walk >= clearCode) {
            if (top == stack.get()) {
                logMessage("GIF: stack overflow");
                return;
            }
            *--top = suffix[walk];
            walk = int(prefix[walk]);
        }
        if (top == stack.get()) {
            logMessage("GIF: stack overflow");
            return;
        }
        *--top = uint8_t(walk);
        const uint8_t first = *top;
        if (!emitString(target, top, stackEnd))
            return;
        if (nextFree < kMaxCodes) {
            prefix[nextFree] = uint32_t(previous);
            suffix[nextFree] = first;
            nextFree++;
            if (nextFree > codeMask && codeSize < 12) {
                codeSize++;
                codeMask = (1 << codeSize) - 1;
            }
        }
        previous = code;
        previousFirst = first;
    }
}

bool KImageHandlerGif::decode(const uint8_t *data, uint32_t size, ImageData *record) {
    if (!data || size < 13 || std::memcmp(data, "GIF", 3) != 0)
        return false;
    const uint8_t *p = data + 13;
    const uint8_t *end = data + size;
    uint32_t canvasWidth = readLE16(data + 6), canvasHeight = readLE16(data + 8);
    const uint8_t screenFlags = data[10], background = data[11];

    std::unique_ptr<uint32_t[]> palette(new uint32_t[256]);
    for (uint32_t i = 0; i < 256; i++)
        palette[i] = packArgb(255, i, i, i);
    if ((screenFlags & 0x80) && !readColorTable(p, end, screenFlags, palette.get()))
        return false;

    ImageDescriptor image{};
    for (;;) {
        if (p >= end)
            return false;
        uint8_t block = *p++;
        if (block == 0x21) {
            if (p >= end)
                return false;
            if (*p == 0xF9) {
                // Graphic control: its transparent index and delay are not used.
                if (end - p < 2 || end - (p - 1) < 4 + p[1])
                    return false;
                p = p - 1 + 4 + p[1];
            } else if (!skipSubBlocks(++p, end)) {
                return false;
            }
        } else if (block == 0x2C) {
            if (end - (p - 1) < 10)
                return false;
            image = {readLE16(p), readLE16(p + 2), readLE16(p + 4), readLE16(p + 6), (p[8] & 0x40) != 0};
            uint8_t flags = p[8];
            p += 9;
            if ((flags & 0x80) && !readColorTable(p, end, flags, palette.get()))
                return false;
            canvasWidth = std::max(canvasWidth, image.left + image.width);
            canvasHeight = std::max(canvasHeight, image.top + image.height);
            break;
        } else {
            // The trailer before any image, or a byte that starts no block: nothing to show.
            return false;
        }
    }
    if (p >= end)
        return false;
    const int minimumCodeSize = *p++;
    if (!checkImageSize("GIF", canvasWidth, canvasHeight))
        return false;

    uint32_t *canvas = allocatePixels("GIF", canvasWidth, canvasHeight);
    if (!canvas)
        return false;
    std::fill(canvas, canvas + size_t(canvasWidth) * canvasHeight, palette[background]);
    std::unique_ptr<uint32_t[]> rowMap(new uint32_t[std::max<uint32_t>(image.height, 1)]);
    buildRowMap(rowMap.get(), image.height, image.interlaced);

    readPointer = p;
    endPointer = end;
    stopped = 0;
    bitCount = 0;
    bitBuffer = 0;
    blockBytesLeft = 0;
    Target target{canvas, canvasWidth, image.left, image.top, image.width, image.height,
                  rowMap.get(), palette.get(), 0};
    if (image.width > 0 && image.height > 0)
        decodeLzw(minimumCodeSize, target);
    // What was decoded is kept, the rest shows the background: the file is damaged but still shown.
    if (stopped && target.written < uint64_t(image.width) * image.height)
        logMessage("GIF: %s: image data ends after %llu of %u x %u pixels", sourceNameForLog(),
                   static_cast<unsigned long long>(target.written), image.width, image.height);

    storeDecodedPixels(record, canvasWidth, canvasHeight, false, canvas);
    return true;
}

bool KImageHandlerGif::encode(uint8_t **, uint32_t *, const ImageData *, int32_t) {
    logMessage("GIF: encoding isn't supported");
    return false;
}
