// The resource family's two hot roads, one thread each:
// - batched atlas drawing: 100,000 quads from 200 atlas textures on 4 pages (half of them trimmed, whole
//   and partial sources) through HoContext::bindBatchTexture and HoAtlasTexture::drawBatched into a
//   16 x 16 window, against the same quads in page coordinates sent straight to KBatch::addImageToQuad;
// - acquiring 5,000 atlas textures ten times over (each finds its region and holds its page) with 20,000 regions in the
//   atlas maps, against the same with 2,000 regions (the regions of the same 2,000 of the names).
// Median of 9 runs each; the comparison lines are printed last.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/graphics/KBatch.h"
#include "engine/image/KImage.h"
#include "engine/system/KSystem.h"
#include "engine/window/KWindowD3D9.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/resources/AtlasMap.h"
#include "game/resources/HoResourceManager.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 9;
constexpr int kQuads = 100000;
constexpr int kTextures = 200;
constexpr int kPages = 4;
constexpr int kPageSide = 256;
constexpr int kCell = 32;     // regions on a grid of 32-pixel cells, 8 x 8 per page
constexpr int kStored = 24;   // stored size of a region
constexpr int kAcquired = 5000;

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void writeText(const fs::path &path, const std::string &text) {
    fs::create_directories(path.parent_path());
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

bool writePage(const fs::path &path, uint32_t seed) {
    std::vector<uint8_t> rgba(size_t(kPageSide) * kPageSide * 4);
    for (auto &byte : rgba) {
        seed = seed * 1664525u + 1013904223u;
        byte = uint8_t(seed >> 24);
    }
    ImageData image;
    image.width = image.height = kPageSide;
    image.hasAlpha = 1;
    image.pixels = rgba.data();
    uint8_t *encoded = nullptr;
    uint32_t size = 0;
    if (!encodeImage(kImageFormatPng, &encoded, &size, &image))
        return false;
    FILE *file = std::fopen(path.c_str(), "wb");
    bool written = file && std::fwrite(encoded, 1, size, file) == size;
    if (file)
        written = std::fclose(file) == 0 && written;
    std::free(encoded);
    return written;
}

// The batch comparison's content: 4 PNG pages and a map of 200 regions, half of them trimmed.
bool writeBatchContent(const fs::path &folder) {
    std::string map = "pages=" + std::to_string(kPages) + "\nscale=1\nformat=png\n";
    for (int t = 0; t < kTextures; ++t) {
        const int page = t / (kTextures / kPages), cell = t % (kTextures / kPages);
        map += "data/p" + std::to_string(t) + ".png=" + std::to_string(cell % 8 * kCell) + "," +
               std::to_string(cell / 8 * kCell) + "," + std::to_string(kStored) + "," + std::to_string(kStored) + "," +
               std::to_string(page + 1) + (t % 2 ? ":2,3,4,1" : "") + "\n";
    }
    writeText(folder / "data/atlas/common.map", map);
    writeText(folder / "data/game.cfg", "textures.use_atlas=1\n");
    for (int page = 1; page <= kPages; ++page) {
        if (!writePage(folder / ("data/atlas/common_0" + std::to_string(page) + ".png"), uint32_t(page)))
            return false;
    }
    return true;
}

struct BatchQuad {
    int texture;
    float source[8], destination[8];
};

std::vector<BatchQuad> makeQuads(const std::vector<HoAtlasTexture *> &textures) {
    std::vector<BatchQuad> quads(kQuads);
    for (int i = 0; i < kQuads; ++i) {
        BatchQuad &q = quads[size_t(i)];
        q.texture = i % kTextures;
        const float w = textures[size_t(q.texture)]->width, h = textures[size_t(q.texture)]->height;
        // Whole and partial sources by turns; a partial one cuts into the trimmed margins.
        const float x1 = i % 2 ? 0.0f : 1.0f, y1 = i % 2 ? 0.0f : 2.0f;
        const float x2 = i % 2 ? w : w - 3.0f, y2 = i % 2 ? h : h / 2;
        const float s[8] = {x1, y1, x2, y1, x2, y2, x1, y2};
        const float o = float(i % 5);
        const float d[8] = {o, o, o + 8, o, o + 8, o + 8, o, o + 8};
        std::copy(s, s + 8, q.source);
        std::copy(d, d + 8, q.destination);
    }
    return quads;
}

void drawThroughTextures(HoContext &context, const std::vector<HoAtlasTexture *> &textures,
                         const std::vector<BatchQuad> &quads) {
    for (const BatchQuad &q : quads) {
        HoAtlasTexture *texture = textures[size_t(q.texture)];
        context.bindBatchTexture(texture, 0);
        texture->drawBatched(q.source, q.destination);
    }
    context.flushBatch();
}

// The same quads with their sources moved to page coordinates beforehand, page by page on a batch.
void drawPageQuads(KBatch &batch, const std::vector<KGraphic *> &pictures, const std::vector<BatchQuad> &quads) {
    KGraphic *bound = nullptr;
    for (const BatchQuad &q : quads) {
        KGraphic *picture = pictures[size_t(q.texture)];
        if (picture != bound) {
            if (bound)
                batch.flushBatch();
            batch.startBatch(picture);
            bound = picture;
        }
        batch.addImageToQuad(q.source, q.destination);
    }
    batch.flushBatch();
}

bool benchBatch(const fs::path &folder, HoGame &game, double *oursMs, double *batchMs) {
    if (!writeBatchContent(folder))
        return false;
    std::snprintf(dataPath, sizeof dataPath, "%s", folder.c_str());
    HoContext context(&game);
    context.init();
    context.loadAtlases();
    std::vector<HoAtlasTexture *> textures;
    for (int t = 0; t < kTextures; ++t) {
        auto *texture = static_cast<HoAtlasTexture *>(context.getTexture(("data/p" + std::to_string(t) + ".png").c_str()));
        texture->acquire(context.resources);
        if (!texture->picture)
            return false;
        textures.push_back(texture);
    }
    const std::vector<BatchQuad> quads = makeQuads(textures);
    std::vector<BatchQuad> pageQuads = quads;
    std::vector<KGraphic *> pictures;
    for (BatchQuad &q : pageQuads) {
        for (int i = 0; i < 8; i += 2) {
            q.source[i] += textures[size_t(q.texture)]->pageX;
            q.source[i + 1] += textures[size_t(q.texture)]->pageY;
        }
    }
    for (HoAtlasTexture *texture : textures)
        pictures.push_back(texture->picture);
    std::unique_ptr<KBatch> batch(createKBatch());
    if (!batch || !batch->allocateQuads(HoContext::kBatchQuads))
        return false;

    std::vector<double> ours, plain;
    for (int run = 0; run < kRuns; ++run) {
        auto start = std::chrono::steady_clock::now();
        drawThroughTextures(context, textures, quads);
        ours.push_back(millisecondsSince(start));
        start = std::chrono::steady_clock::now();
        drawPageQuads(*batch, pictures, pageQuads);
        plain.push_back(millisecondsSince(start));
    }
    *oursMs = median(ours);
    *batchMs = median(plain);
    return true;
}

// Maps of `regions` regions in four files. Both sets hold the regions of the first 2,000 of the 5,000
// acquired names, so that both do the same work; the large one adds regions of other names. Every
// tenth name is written again in a later map, where the lookup must not find it.
constexpr int kNamedRegions = 2000;

void writeRegionMaps(const fs::path &folder, int regions) {
    const char *maps[] = {"common", "inventory", "hall", "garden"};
    for (int m = 0; m < 4; ++m) {
        std::string text = "pages=1\nformat=png\n";
        for (int i = m; i < regions; i += 4) {
            text += i < kNamedRegions ? "data/pics/p" : "data/pics/other";
            text += std::to_string(i);
            text += ".png=0,0,8,8,1:1,1,1,1\n";
        }
        for (int i = 0; m > 0 && i < kNamedRegions; i += 40)
            text += "data/pics/p" + std::to_string(i) + ".png=9,9,8,8,1\n";
        writeText(folder / ("data/atlas/" + std::string(maps[m]) + ".map"), text);
    }
}

struct AtlasSet {
    std::unique_ptr<HoContext> context;
    std::vector<HoAtlasTexture *> textures;
};

bool makeAtlasSet(const fs::path &folder, HoGame &game, int regions, AtlasSet *set) {
    writeRegionMaps(folder, regions);
    std::snprintf(dataPath, sizeof dataPath, "%s", folder.c_str());
    set->context = std::make_unique<HoContext>(&game);
    HoContext &context = *set->context;
    context.loadAtlases();
    context.loadAtlasMap("data/atlas/hall.map", "hall");
    context.loadAtlasMap("data/atlas/garden.map", "garden");
    for (int i = 0; i < kAcquired; ++i)
        set->textures.push_back(context.resources->getAtlasTexture(("data/pics/p" + std::to_string(i) + ".png").c_str()));
    // The first region of a name in list order is the one found.
    const AtlasRegion *first = context.findAtlasRegion("data/pics/p40.png");
    return context.atlases.count() == 4 && first && first->owner == context.atlases[0] && first->x == 0;
}

// One run: the 5,000 textures acquired (timed) and released again, ten rounds.
double acquireAll(AtlasSet &set) {
    HoResourceManager *manager = set.context->resources;
    double ms = 0;
    for (int round = 0; round < 10; ++round) {
        auto start = std::chrono::steady_clock::now();
        for (HoAtlasTexture *texture : set.textures)
            texture->acquire(manager);
        ms += millisecondsSince(start);
        for (HoAtlasTexture *texture : set.textures)
            texture->release(manager);
    }
    return ms;
}

bool benchAtlas(const fs::path &folder, HoGame &game, double *largeMs, double *smallMs) {
    AtlasSet large, small;
    if (!makeAtlasSet(folder / "large", game, 20000, &large) || !makeAtlasSet(folder / "small", game, 2000, &small))
        return false;
    std::vector<double> largeRuns, smallRuns;
    for (int run = 0; run < kRuns; ++run) {
        largeRuns.push_back(acquireAll(large));
        smallRuns.push_back(acquireAll(small));
    }
    *largeMs = median(largeRuns);
    *smallMs = median(smallRuns);
    return true;
}

} // namespace

int main() {
    benchsupport::useHeadlessSoftwareDevice();
    const fs::path folder = fs::temp_directory_path() / ("lf-bench-resources-" + std::to_string(getpid()));
    fs::create_directories(folder);

    double oursMs = 0, batchMs = 0, largeMs = 0, smallMs = 0;
    bool batchDone = false, atlasDone = false;
    {
        HoGame game(lanternfallSettings());
        auto window = std::make_unique<KWindowD3D9>();
        if (window->createGameWindow(16, 16, 32, true, "bench_resources"))
            batchDone = benchBatch(folder / "batch", game, &oursMs, &batchMs);
        atlasDone = benchAtlas(folder / "atlas", game, &largeMs, &smallMs);
    }
    fs::remove_all(folder);
    if (!batchDone || !atlasDone) {
        std::fprintf(stderr, "bench_resources: the %s comparison could not be set up\n", batchDone ? "atlas" : "batch");
        return 1;
    }
    std::printf("resources batch quads=%d ours_ms=%.2f batch_ms=%.2f ratio=%.2f\n", kQuads, oursMs, batchMs,
                oursMs / batchMs);
    std::printf("resources atlas regions=20000 ours_ms=%.2f small_ms=%.2f ratio=%.2f\n", largeMs, smallMs,
                largeMs / smallMs);
    return 0;
}
