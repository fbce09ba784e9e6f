// lf-atlas: packs pictures into atlas pages for the game's atlas textures.
//   lf-atlas --name NAME --out DIR [--root DIR] [--format png|dds] [--scale S] [--page-size N] PICTURE...
// Each picture (decoded by the engine's codecs) is scaled by S (default 1), its transparent margins are
// cut away, and the rectangles that remain are packed on shelves into pages of at most N x N pixels
// (default 2048). The pages are written by the engine's encoders as DIR/NAME_01.png, DIR/NAME_02.png, ...
// (or .dds, DXT5), and DIR/NAME.map lists one region per picture, keyed by the picture's path below the
// root folder (default: the current folder), which is its data path in the game. Around each rectangle
// lies a border of the picture's own neighbouring pixels, so that filtered drawing at its edges samples
// what it would sample on the whole picture. Exit status 0 on success, 1 with the reason on standard error
// otherwise.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "engine/image/KImage.h"
#include "engine/image/KImageHandlerDDS.h"
#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "tools/ToolCommandLine.h"

namespace fs = std::filesystem;

namespace {

constexpr int kBorder = 2;        // pixels of neighbourhood kept around each rectangle
constexpr int kMaxPages = 999;    // page numbers are written with at least two digits
constexpr int kDdsQuality = 2;

const char kUsage[] = "usage: lf-atlas --name NAME --out DIR [--root DIR] [--format png|dds] [--scale S] "
                      "[--page-size N] PICTURE...\n";

struct Options {
    std::string name;
    fs::path out;
    fs::path root = fs::current_path();
    std::string format = "png";
    double scale = 1.0;
    int pageSize = 2048;
    std::vector<fs::path> pictures;
};

// One picture: its pixels (0xAARRGGBB), its key in the map and where its stored rectangle went.
struct Picture {
    std::string key;
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    int trimLeft = 0, trimTop = 0, trimRight = 0, trimBottom = 0;
    int page = 0, x = 0, y = 0; // x, y of the stored rectangle on its page

    int storedWidth() const { return width - trimLeft - trimRight; }
    int storedHeight() const { return height - trimTop - trimBottom; }
    uint32_t at(int px, int py) const {
        px = std::clamp(px, 0, width - 1);
        py = std::clamp(py, 0, height - 1);
        return pixels[size_t(py) * size_t(width) + size_t(px)];
    }
};

struct Page {
    int width = 0, height = 0;
};

using tool::fail;
using tool::usageFail;

bool parseNumber(const char *text, double *out) {
    char *end = nullptr;
    *out = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(*out);
}

Options parseOptions(int argc, char **argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--", 0) != 0) {
            options.pictures.emplace_back(argument);
            continue;
        }
        if (i + 1 >= argc)
            usageFail("option " + argument + " needs a value");
        const char *value = argv[++i];
        double number = 0;
        if (argument == "--name")
            options.name = value;
        else if (argument == "--out")
            options.out = value;
        else if (argument == "--root")
            options.root = value;
        else if (argument == "--format")
            options.format = value;
        else if (argument == "--scale") {
            if (!parseNumber(value, &number) || number <= 0)
                usageFail(std::string("--scale takes a number above 0, not ") + value);
            options.scale = number;
        } else if (argument == "--page-size") {
            if (!parseNumber(value, &number) || number != std::floor(number) || number < 8 || number > 16384)
                usageFail(std::string("--page-size takes a whole number from 8 to 16384, not ") + value);
            options.pageSize = int(number);
        } else
            usageFail("unknown option " + argument);
    }
    if (options.name.empty())
        usageFail("--name is missing");
    if (options.name.find_first_of("/\\=\r\n") != std::string::npos)
        usageFail("--name needs a name without '/', '\\' or '='");
    if (options.out.empty())
        usageFail("--out needs a folder");
    if (options.format != "png" && options.format != "dds")
        usageFail("--format is png or dds, not " + options.format);
    if (options.pictures.empty())
        usageFail("no picture given");
    return options;
}

// The picture's path below the root, with '/' separators: its name in the map.
std::string keyOf(const fs::path &picture, const fs::path &root) {
    const fs::path relative = fs::weakly_canonical(picture).lexically_relative(fs::weakly_canonical(root));
    const std::string key = relative.generic_string();
    if (relative.empty() || relative.is_absolute() || key == "." || key.rfind("..", 0) == 0)
        usageFail(picture.string() + " does not lie below the root " + root.string());
    // The map is read line by line and split at the first '='; these keys would read as something else.
    if (key.find_first_of("=\r\n") != std::string::npos || key == "pages" || key == "scale" || key == "format")
        fail("the map cannot hold the name " + key);
    return key;
}

Picture readPicture(const fs::path &path, const fs::path &root, double scale) {
    Picture picture;
    picture.key = keyOf(path, root);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail("cannot read " + path.string());
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int format = imageFormatFromFileName(path.c_str());
    if (format < 0)
        fail("cannot tell the format of " + path.string());
    ImageData image;
    if (bytes.size() > 0xFFFFFFFFu || !decodeImage(format, bytes.data(), uint32_t(bytes.size()), &image, path.c_str()))
        fail("cannot decode " + path.string());
    if (!image.isDecoded) {
        freeImagePixels(&image);
        fail(path.string() + " holds compressed blocks; give the picture uncompressed");
    }
    if (scale != 1.0) {
        const auto scaled = [scale](uint32_t size) { return uint32_t(std::max(1.0, std::round(size * scale))); };
        rescaleImage(&image, scaled(image.width), scaled(image.height));
    }
    picture.width = int(image.width);
    picture.height = int(image.height);
    const auto *words = reinterpret_cast<const uint32_t *>(image.pixels);
    picture.pixels.assign(words, words + size_t(image.width) * image.height);
    freeImagePixels(&image);
    return picture;
}

bool columnIsClear(const Picture &p, int x) {
    for (int y = 0; y < p.height; ++y)
        if (p.at(x, y) >> 24)
            return false;
    return true;
}

bool rowIsClear(const Picture &p, int y) {
    for (int x = 0; x < p.width; ++x)
        if (p.at(x, y) >> 24)
            return false;
    return true;
}

// Cuts the fully transparent margins; a picture with nothing visible keeps its top-left pixel.
void trimMargins(Picture &p) {
    while (p.trimLeft < p.width - 1 && columnIsClear(p, p.trimLeft))
        ++p.trimLeft;
    while (p.trimRight < p.width - 1 - p.trimLeft && columnIsClear(p, p.width - 1 - p.trimRight))
        ++p.trimRight;
    while (p.trimTop < p.height - 1 && rowIsClear(p, p.trimTop))
        ++p.trimTop;
    while (p.trimBottom < p.height - 1 - p.trimTop && rowIsClear(p, p.height - 1 - p.trimBottom))
        ++p.trimBottom;
    if (p.storedWidth() == 1 && p.storedHeight() == 1 && columnIsClear(p, p.trimLeft)) {
        p.trimRight += p.trimLeft;
        p.trimBottom += p.trimTop;
        p.trimLeft = p.trimTop = 0;
    }
}

// Shelf packing, tallest rectangles first; each rectangle takes its border with it.
std::vector<Page> pack(std::vector<Picture> &pictures, int pageSize) {
    std::vector<size_t> order(pictures.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return pictures[a].storedHeight() != pictures[b].storedHeight()
                   ? pictures[a].storedHeight() > pictures[b].storedHeight()
                   : pictures[a].storedWidth() > pictures[b].storedWidth();
    });
    std::vector<Page> pages(1);
    int x = 0, y = 0, shelfHeight = 0;
    for (size_t index : order) {
        Picture &p = pictures[index];
        const int w = p.storedWidth() + 2 * kBorder, h = p.storedHeight() + 2 * kBorder;
        if (w > pageSize || h > pageSize)
            fail(p.key + " (" + std::to_string(p.storedWidth()) + "x" + std::to_string(p.storedHeight()) +
                 " after trimming) does not fit a page of " + std::to_string(pageSize));
        if (x + w > pageSize) {
            x = 0;
            y += shelfHeight;
            shelfHeight = 0;
        }
        if (y + h > pageSize) {
            pages.emplace_back();
            x = y = shelfHeight = 0;
        }
        if (pages.size() > size_t(kMaxPages))
            fail("the pictures need more than " + std::to_string(kMaxPages) + " pages");
        p.page = int(pages.size());
        p.x = x + kBorder;
        p.y = y + kBorder;
        Page &page = pages.back();
        page.width = std::max(page.width, x + w);
        page.height = std::max(page.height, y + h);
        x += w;
        shelfHeight = std::max(shelfHeight, h);
    }
    // Whole 4 x 4 blocks, for the DXT pages.
    for (Page &page : pages) {
        page.width = (page.width + 3) / 4 * 4;
        page.height = (page.height + 3) / 4 * 4;
    }
    return pages;
}

// The page's pixels: each stored rectangle with its border of neighbouring pixels, edges repeated.
std::vector<uint32_t> composePage(const std::vector<Picture> &pictures, int pageNumber, const Page &page) {
    std::vector<uint32_t> pixels(size_t(page.width) * size_t(page.height), 0);
    for (const Picture &p : pictures) {
        if (p.page != pageNumber)
            continue;
        for (int dy = -kBorder; dy < p.storedHeight() + kBorder; ++dy)
            for (int dx = -kBorder; dx < p.storedWidth() + kBorder; ++dx)
                pixels[size_t(p.y + dy) * size_t(page.width) + size_t(p.x + dx)] =
                    p.at(p.trimLeft + dx, p.trimTop + dy);
    }
    return pixels;
}

std::string pageFileName(const Options &options, int pageNumber) {
    char number[16];
    std::snprintf(number, sizeof number, "%.2d", pageNumber);
    return options.name + "_" + number + "." + options.format;
}

void writeFile(const fs::path &path, const uint8_t *bytes, size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes), std::streamsize(size));
    out.close();
    if (!out)
        fail("cannot write " + path.string());
}

void writePng(const fs::path &path, std::vector<uint32_t> pixels, const Page &page) {
    // The encoders read bytes red, green, blue, alpha.
    for (uint32_t &word : pixels) {
        const auto *b = reinterpret_cast<const uint8_t *>(&word);
        word = uint32_t(b[2]) | uint32_t(b[1]) << 8 | uint32_t(b[0]) << 16 | uint32_t(b[3]) << 24;
    }
    ImageData image;
    image.width = uint32_t(page.width);
    image.height = uint32_t(page.height);
    image.hasAlpha = 1;
    image.pixels = reinterpret_cast<uint8_t *>(pixels.data());
    uint8_t *encoded = nullptr;
    uint32_t size = 0;
    if (!encodeImage(kImageFormatPng, &encoded, &size, &image))
        fail("cannot encode " + path.string());
    writeFile(path, encoded, size);
    std::free(encoded);
}

// The DDS writer puts its file at the data path of the name it is given: the output folder becomes
// the data path and the name is given relative to it.
void writeDds(const fs::path &outFolder, const std::string &fileName, std::vector<uint32_t> pixels, const Page &page) {
    const std::string folder = fs::absolute(outFolder).lexically_normal().string();
    if (folder.size() >= sizeof dataPath)
        fail("the output folder's path is too long: " + folder);
    std::snprintf(dataPath, sizeof dataPath, "%s", folder.c_str());
    ImageData image;
    image.width = uint32_t(page.width);
    image.height = uint32_t(page.height);
    image.hasAlpha = 1;
    image.pixels = reinterpret_cast<uint8_t *>(pixels.data());
    KImageHandlerDDS dds;
    if (!dds.compressToDds(&image, kDdsQuality, fileName.c_str()))
        fail("cannot write " + (outFolder / fileName).string());
}

std::string joinedNumbers(std::initializer_list<int> numbers) {
    std::string text;
    for (int number : numbers) {
        if (!text.empty())
            text += ',';
        text += std::to_string(number);
    }
    return text;
}

void writeMap(const Options &options, const std::vector<Picture> &pictures, size_t pageCount) {
    char header[96];
    std::snprintf(header, sizeof header, "pages=%zu\nscale=%g\nformat=%s\n", pageCount, options.scale,
                  options.format.c_str());
    std::string text = header;
    for (const Picture &p : pictures) {
        text += p.key;
        text += '=';
        text += joinedNumbers({p.x, p.y, p.storedWidth(), p.storedHeight(), p.page});
        if (p.trimLeft || p.trimTop || p.trimRight || p.trimBottom) {
            text += ':';
            text += joinedNumbers({p.trimLeft, p.trimTop, p.trimRight, p.trimBottom});
        }
        text += '\n';
    }
    writeFile(options.out / (options.name + ".map"), reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

int run(int argc, char **argv) {
    const Options options = parseOptions(argc, argv);
    std::vector<Picture> pictures;
    std::set<std::string> keys;
    for (const fs::path &path : options.pictures) {
        pictures.push_back(readPicture(path, options.root, options.scale));
        if (!keys.insert(pictures.back().key).second)
            usageFail("the picture " + pictures.back().key + " is given twice");
        trimMargins(pictures.back());
    }
    const std::vector<Page> pages = pack(pictures, options.pageSize);
    std::error_code error;
    fs::create_directories(options.out, error);
    if (!fs::is_directory(options.out))
        fail("cannot create the folder " + options.out.string());
    for (size_t i = 0; i < pages.size(); ++i) {
        const int number = int(i) + 1;
        const std::string fileName = pageFileName(options, number);
        std::vector<uint32_t> pixels = composePage(pictures, number, pages[i]);
        if (options.format == "dds")
            writeDds(options.out, fileName, std::move(pixels), pages[i]);
        else
            writePng(options.out / fileName, std::move(pixels), pages[i]);
    }
    writeMap(options, pictures, pages.size());
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    return tool::runTool(argc, argv, "lf-atlas", kUsage, run, [] { return tool::engineProblems(getLogContents()); });
}
