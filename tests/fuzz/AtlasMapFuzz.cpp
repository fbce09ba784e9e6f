// Atlas maps: a map that loads has a page count it can name pages for, and every region it lists is found
// by its name.

#include <memory>

#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/resources/AtlasMap.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    const std::filesystem::path pictures = seeds.scratch("pictures");
    std::filesystem::create_directories(pictures / "data" / "hud");
    seeds.run({"/usr/bin/convert", "-size", "20x12", "xc:none", "-fill", "red", "-draw", "rectangle 3,2 14,9",
               (pictures / "data" / "hud" / "lamp.png").string()});
    seeds.run({"/usr/bin/convert", "-size", "9x30", "gradient:blue-white", (pictures / "data" / "rope.png").string()});
    for (const char *scale : {"1", "0.5"}) {
        const std::string name = std::string("common_") + (scale[0] == '1' ? "whole" : "half");
        seeds.run({lftest::toolPath("lf-atlas"), "--name", name, "--out", seeds.scratch("atlas").string(), "--root",
                   pictures.string(), "--page-size", "40", "--scale", scale,
                   (pictures / "data" / "hud" / "lamp.png").string(), (pictures / "data" / "rope.png").string()});
        seeds.addFile(name + ".map", seeds.scratch("atlas") / (name + ".map"));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static HoGame *game = new HoGame(lanternfallSettings());
    const std::string path = inputFile(data, size, ".map");
    auto context = std::make_unique<HoContext>(game);
    AtlasMap map(context.get(), context->interned.internOrFind("fuzz"));
    if (!map.load(path.c_str()))
        return 0;
    FUZZ_CHECK(map.pageCount >= 1 && map.pageCount <= AtlasMap::kMaxPages);
    for (int32_t i = 0; i < map.regions.count(); ++i) {
        const AtlasRegion *region = map.regions[i];
        const AtlasRegion *found = map.findRegion(region->name);
        FUZZ_CHECK(found != nullptr && found->name == region->name);
        map.getPage(region->page);
    }
    return 0;
}
