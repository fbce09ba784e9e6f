// lf-image: converts pictures through the engine's own codecs.
//   lf-image convert IN OUT
// IN is decoded by its extension (bmp, tga, png, jpg, gif, dds; DDS blocks are expanded to pixels) and
// OUT is encoded by its extension (png, jpg, bmp, tga). Exit status 0 on success, 1 with the reason on
// standard error otherwise.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <squish.h>

#include "engine/image/KImage.h"
#include "engine/system/KSystemLog.h"
#include "tools/ToolCommandLine.h"

namespace {

constexpr char kUsage[] = "usage: lf-image convert IN OUT\n";

int fail(const std::string &reason) {
    std::fprintf(stderr, "lf-image: %s\n", reason.c_str());
    std::string log = getLogContents();
    if (!log.empty())
        std::fprintf(stderr, "%s", log.c_str());
    return 1;
}

bool readWholeFile(const char *path, std::vector<uint8_t> &bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool writeWholeFile(const char *path, const uint8_t *bytes, size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes), std::streamsize(size));
    out.close();
    return bool(out);
}

// Expands DXT blocks into 0xAARRGGBB words, as the pixel decoders deliver them.
bool expandBlocks(ImageData &image) {
    const size_t count = size_t(image.width) * image.height;
    auto *words = static_cast<uint32_t *>(std::malloc(count * 4));
    if (!words)
        return false;
    int flags = image.format == kImageBlocksDxt1 ? squish::kDxt1 : squish::kDxt5;
    squish::DecompressImage(reinterpret_cast<squish::u8 *>(words), int(image.width), int(image.height),
                            image.pixels, flags);
    // The expanded bytes are red, green, blue, alpha; turn them into words.
    for (size_t i = 0; i < count; i++) {
        const auto *b = reinterpret_cast<const uint8_t *>(&words[i]);
        words[i] = (uint32_t(b[3]) << 24) | (uint32_t(b[0]) << 16) | (uint32_t(b[1]) << 8) | b[2];
    }
    freeImagePixels(&image);
    image.pixels = reinterpret_cast<uint8_t *>(words);
    image.format = kImagePixels32;
    image.isDecoded = 1;
    return true;
}

// Decoders give 0xAARRGGBB words (bytes blue, green, red, alpha); encoders read red, green, blue, alpha.
void swapRedAndBlue(ImageData &image) {
    uint8_t *p = image.pixels;
    for (size_t i = 0; i < size_t(image.width) * image.height; i++, p += 4)
        std::swap(p[0], p[2]);
}

int convert(const char *inPath, const char *outPath) {
    int inFormat = imageFormatFromFileName(inPath);
    if (inFormat < 0)
        return fail(std::string("cannot tell the format of ") + inPath);
    int outFormat = imageFormatFromFileName(outPath);
    if (outFormat != kImageFormatPng && outFormat != kImageFormatJpg && outFormat != kImageFormatBmp &&
        outFormat != kImageFormatTga)
        return fail(std::string("cannot write the format of ") + outPath + " (png, jpg, bmp or tga)");
    std::vector<uint8_t> bytes;
    if (!readWholeFile(inPath, bytes))
        return fail(std::string("cannot read ") + inPath);
    if (bytes.size() > 0xFFFFFFFFu)
        return fail(std::string("file is too large: ") + inPath);

    ImageData image;
    if (!decodeImage(inFormat, bytes.data(), uint32_t(bytes.size()), &image, inPath))
        return fail(std::string("cannot decode ") + inPath);
    if (!image.isDecoded && !expandBlocks(image)) {
        freeImagePixels(&image);
        return fail(std::string("out of memory expanding ") + inPath);
    }
    swapRedAndBlue(image);
    uint8_t *encoded = nullptr;
    uint32_t encodedSize = 0;
    bool ok = encodeImage(outFormat, &encoded, &encodedSize, &image);
    freeImagePixels(&image);
    if (!ok)
        return fail(std::string("cannot encode ") + outPath);
    ok = writeWholeFile(outPath, encoded, encodedSize);
    std::free(encoded);
    if (!ok)
        return fail(std::string("cannot write ") + outPath);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (tool::asksForHelp(argc, argv))
        return tool::printUsage(kUsage);
    if (argc < 2 || std::string(argv[1]) != "convert")
        return tool::usageError("lf-image", tool::unknownWord(argc, argv), kUsage);
    if (argc != 4)
        return tool::usageError("lf-image", "convert takes IN and OUT", kUsage);
    return convert(argv[2], argv[3]);
}
