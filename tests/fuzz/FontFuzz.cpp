// Font descriptions (the ".ktext" glyph lists), then text measured and laid out with the glyphs read.

#include <cstring>

#include "engine/text/KText.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

namespace {

class DescribedFont : public KText {
public:
    using KText::parseDescription;
};

} // namespace

void fuzzSeeds(SeedFolder &seeds) {
    const std::string font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    const std::string tool = lftest::toolPath("lf-font");
    seeds.run({tool, "--font", font, "--size", "12", "--out", seeds.scratch("latin").string()});
    seeds.addFile("latin.ktext", seeds.scratch("latin.ktext"));
    seeds.run({tool, "--font", font, "--size", "9", "--ranges", "48-57,8364-8364", "--outline", "1", "--out",
               seeds.scratch("outlined").string()});
    seeds.addFile("outlined.ktext", seeds.scratch("outlined.ktext"));
    // Glyphs that shift the pen by almost the whole integer range each.
    seeds.add("far-offsets.ktext", std::string("%ktext 1 1 3\n32 0 0 2 9 3 10 0 2000000000 0\n"
                                               "65 0 0 5 9 6 10 0 2000000000 0\n66 6 0 9 9 4 10 0 2000000000 0\n"));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // As the resource layer hands it over: the file's bytes and a terminating 0.
    const std::string description = inputText(data, size);
    DescribedFont font;
    int32_t pages = -1;
    if (!font.parseDescription("fuzz.ktext", description.c_str(), uint32_t(size), &pages)) {
        FUZZ_CHECK(pages == -1 && font.getRecords() == nullptr);
        return 0;
    }
    // A code the map finds leads to a record of that code.
    const GlyphRecord *records = font.getRecords();
    for (int32_t i = 0; records && records[i].code != 0 && i < 64; i++) {
        const int32_t found = font.findGlyph(records[i].code);
        FUZZ_CHECK(found < 0 || records[found].code == records[i].code);
    }
    const char *text = "AB Wave 0123\n\tdone and done again, 42 \xE2\x82\xAC";
    font.getStringWidth(text, 1.0f, 1.0f, -1);
    font.measureTextInBox(text, -1, 0, 120, 0, 0, 0.0f, 0.0f);
    font.layoutTextHeight(text, -1, 0, 80, 10, 2, 1.0f, 0.0f);
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    font.getCursorRect(text, -1, 0, 0, 100, 100, 0, 0, 0, 0, 5, &left, &top, &right, &bottom, 0.0f);
    font.hitTestTextInBox(text, -1, 0, 0, 100, 100, 0, 0, 0, 0, 30, 5, 0.0f);
    font.getCharExtent(text, 0, 0, 0, 0.0f, 3, &left, &right, -1);
    return 0;
}
