#include "engine/image/KImagePngCgbi.h"

#include <cstring>

#include <zlib.h>

#include "engine/image/KImageSupport.h"
#include "engine/system/KSystem.h"

namespace {

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t readBE32(const uint8_t *p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void appendBE32(std::vector<uint8_t> &out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

void appendChunk(std::vector<uint8_t> &out, const char *type, const uint8_t *payload, size_t length) {
    appendBE32(out, uint32_t(length));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), payload, payload + length);
    uLong crc = crc32(0, out.data() + start, uInt(4 + length));
    appendBE32(out, uint32_t(crc));
}

struct Chunk {
    uint32_t length;
    const uint8_t *type;
    const uint8_t *payload;
};

// Splits the stream after the signature into chunks, checking that each lies inside the data.
bool splitChunks(const uint8_t *data, uint32_t size, std::vector<Chunk> &chunks) {
    uint64_t position = 8;
    while (position < size) {
        if (!imagesupport::fitsIn(position, 8, size))
            return false;
        uint32_t length = readBE32(data + position);
        if (length > 0x7FFFFFFFu || !imagesupport::fitsIn(position + 8, uint64_t(length) + 4, size))
            return false;
        chunks.push_back({length, data + position + 4, data + position + 8});
        position += 12 + uint64_t(length);
        if (std::memcmp(chunks.back().type, "IEND", 4) == 0)
            break;
    }
    return true;
}

// Upper bound of the inflated image data of an IHDR, rows with their filter byte, all passes.
uint64_t inflatedLimit(const Chunk &header) {
    uint64_t width = readBE32(header.payload), height = readBE32(header.payload + 4);
    uint64_t bitsPerPixel = uint64_t(header.payload[8]) * 4; // at most four samples a pixel
    return (height + 8) * ((width * bitsPerPixel + 7) / 8 + 8) * 2 + 65536;
}

// Inflates the raw deflate stream to validate it and take its Adler-32; `consumed` is the length of the
// stream within `compressed`.
bool inflateRaw(const std::vector<uint8_t> &compressed, uint64_t limit, uint32_t &adler, size_t &consumed) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    std::vector<uint8_t> scratch(65536);
    stream.next_in = const_cast<Bytef *>(compressed.data());
    stream.avail_in = uInt(compressed.size());
    uLong checksum = adler32(0, nullptr, 0);
    uint64_t produced = 0;
    int status = Z_OK;
    while (status == Z_OK && produced <= limit) {
        stream.next_out = scratch.data();
        stream.avail_out = uInt(scratch.size());
        status = inflate(&stream, Z_NO_FLUSH);
        size_t got = scratch.size() - stream.avail_out;
        checksum = adler32(checksum, scratch.data(), uInt(got));
        produced += got;
        if (status == Z_OK && got == 0 && stream.avail_in == 0)
            break;
    }
    consumed = compressed.size() - stream.avail_in;
    inflateEnd(&stream);
    adler = uint32_t(checksum);
    return status == Z_STREAM_END;
}

} // namespace

bool isCgbiPng(const uint8_t *data, uint32_t size) {
    return data && size >= 16 && std::memcmp(data, kSignature, 8) == 0 && std::memcmp(data + 12, "CgBI", 4) == 0;
}

bool rebuildCgbiPng(const uint8_t *data, uint32_t size, std::vector<uint8_t> &out) {
    std::vector<Chunk> chunks;
    if (!splitChunks(data, size, chunks)) {
        logMessage("PNG: broken chunk structure in a CgBI file");
        return false;
    }
    const Chunk *header = nullptr;
    std::vector<uint8_t> compressed;
    for (const Chunk &chunk : chunks) {
        if (std::memcmp(chunk.type, "IHDR", 4) == 0 && chunk.length == 13)
            header = &chunk;
        else if (std::memcmp(chunk.type, "IDAT", 4) == 0)
            compressed.insert(compressed.end(), chunk.payload, chunk.payload + chunk.length);
    }
    if (!header || compressed.empty()) {
        logMessage("PNG: CgBI file without image header or image data");
        return false;
    }
    if (!imagesupport::checkImageSize("PNG", readBE32(header->payload), readBE32(header->payload + 4)))
        return false;
    uint32_t adler = 0;
    size_t consumed = 0;
    if (!inflateRaw(compressed, inflatedLimit(*header), adler, consumed)) {
        logMessage("PNG: corrupt deflate data in a CgBI file");
        return false;
    }
    // A zlib stream: header for deflate with a 32K window, the raw data, the Adler-32 of the result.
    std::vector<uint8_t> wrapped = {0x78, 0x01};
    wrapped.insert(wrapped.end(), compressed.begin(), compressed.begin() + consumed);
    appendBE32(wrapped, adler);

    out.assign(kSignature, kSignature + 8);
    bool imageDataWritten = false;
    for (const Chunk &chunk : chunks) {
        if (std::memcmp(chunk.type, "CgBI", 4) == 0)
            continue;
        if (std::memcmp(chunk.type, "IDAT", 4) == 0) {
            if (!imageDataWritten)
                appendChunk(out, "IDAT", wrapped.data(), wrapped.size());
            imageDataWritten = true;
            continue;
        }
        appendChunk(out, reinterpret_cast<const char *>(chunk.type), chunk.payload, chunk.length);
    }
    return true;
}
