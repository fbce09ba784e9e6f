// Textures, atlases and fonts drawn on the software device and read back: pictures made by ImageMagick,
// archives by Info-ZIP, atlases by lf-atlas, fonts by lf-font with pages made TGA by lf-image.

#include "tests/game/resources/ResourcesTestSupport.h"

#include <chrono>

#include "engine/graphics/KBatch.h"
#include "engine/text/KText.h"
#include "tests/support/KGraphicTestSupport.h"

namespace restest {
namespace {

using picturetest::channelDistance;

// A picture with a transparent margin of (left, top, right, bottom) pixels around a pattern.
std::vector<uint32_t> framedPixels(int w, int h, int left, int top, int right, int bottom, uint32_t seed) {
    std::vector<uint32_t> pixels = picturetest::patternPixels(w, h, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t &p = pixels[size_t(y) * w + x];
            p ^= seed & 0x00FFFFFF;
            if (x < left || y < top || x >= w - right || y >= h - bottom)
                p &= 0x00FFFFFF;
        }
    return pixels;
}

// The quad of a source rectangle drawn 1:1 with its top-left at (dx, dy).
struct Quad {
    float source[8], destination[8];
};
Quad quadOf(float sx1, float sy1, float sx2, float sy2, float dx, float dy) {
    const float w = sx2 - sx1, h = sy2 - sy1;
    return {{sx1, sy1, sx2, sy1, sx2, sy2, sx1, sy2}, {dx, dy, dx + w, dy, dx + w, dy + h, dx, dy + h}};
}

// The quad with its destination corners taken `steps` places on: a quarter turn each.
Quad turned(Quad quad, int steps) {
    Quad out = quad;
    for (int corner = 0; corner < 4; ++corner) {
        const int from = (corner + steps) % 4;
        out.destination[corner * 2] = quad.destination[from * 2];
        out.destination[corner * 2 + 1] = quad.destination[from * 2 + 1];
    }
    return out;
}

// The quad's destination stretched from its top-left corner.
Quad stretched(Quad quad, float factor) {
    for (int i = 2; i < 8; ++i)
        quad.destination[i] = quad.destination[i % 2] + (quad.destination[i] - quad.destination[i % 2]) * factor;
    return quad;
}

class Textures : public DrawnContent {
protected:
    static constexpr uint32_t kBackground = 0xFF204060u;

    void TearDown() override {
        dropContext();
        delete textBatch;
        textBatch = nullptr;
        DrawnContent::TearDown();
    }

    std::vector<uint32_t> drawBatched(HoTexture *texture, const Quad &quad, int32_t blend = 0) {
        host.clear(kBackground);
        HoContext &ctx = started();
        ctx.bindBatchTexture(texture, blend);
        texture->drawBatched(quad.source, quad.destination);
        ctx.flushBatch();
        return frame();
    }
    // The same quad drawn from a picture of the given pixels through a batch of its own.
    std::vector<uint32_t> drawReference(const std::vector<uint32_t> &pixels, int w, int h, const Quad &quad) {
        host.clear(kBackground);
        std::unique_ptr<KGraphicD3D9> picture(pictureFrom(pixels, w, h, true));
        picture->setSmoothFiltering(true);
        picture->setTextureAddressing(0);
        auto batch = picturetest::makeBatch();
        EXPECT_TRUE(batch->allocateQuads(4));
        batch->startBatch(picture.get());
        batch->addImageToQuad(quad.source, quad.destination);
        batch->flushBatch();
        return frame();
    }
    static int differingPixels(const std::vector<uint32_t> &a, const std::vector<uint32_t> &b, int tolerance) {
        int differing = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
            differing += channelDistance(a[i], b[i]) > tolerance;
        return differing + int(a.size() != b.size());
    }
    static std::vector<std::string> pictureFiles() {
        std::vector<std::string> names;
        for (KObjectListable *n = KGraphicD3D9::pictures().head; n; n = n->next)
            names.push_back(fs::path(static_cast<KGraphicD3D9 *>(n)->getFileName()).filename().string());
        return names;
    }
};

TEST_F(Textures, APictureFromTheArchiveDrawsAsItIs) {
    const std::vector<uint32_t> pixels = picturetest::patternPixels(16, 12, false);
    writePicture("data/pictures/door.png", 16, 12, pixels);
    ASSERT_TRUE(packAndMount());
    HoTexture *door = started().getTexture("data/pictures/door.png");
    EXPECT_EQ(door->type, kResourceTexture) << "atlases are off without the setting";
    door->acquire(&resources());
    ASSERT_NE(door->picture, nullptr);
    EXPECT_EQ(door->width, 16.0f);
    EXPECT_EQ(door->height, 12.0f);
    const Quad quad = quadOf(0, 0, 16, 12, 30, 20);
    EXPECT_EQ(differingPixels(drawBatched(door, quad), drawReference(pixels, 16, 12, quad), 1), 0);
    door->release(&resources());
    EXPECT_EQ(door->picture, nullptr);
    EXPECT_EQ(door->width, 0.0f);
}

TEST_F(Textures, ACorruptPictureLeavesTheTextureEmptyUntilALaterRequest) {
    write("data/broken.png", "\x89PNG\r\n\x1a\nnot really");
    HoTexture *broken = started().getTexture("data/broken.png");
    broken->acquire(&resources());
    EXPECT_EQ(broken->picture, nullptr);
    EXPECT_EQ(broken->fileTime, 0);
    EXPECT_TRUE(logHas("Game: cannot load picture data/broken.png, ERROR"));
    started().bindBatchTexture(broken, 0);
    EXPECT_EQ(started().boundPicture, nullptr);
    broken->release(&resources());

    writePicture("data/broken.png", 4, 4, picturetest::patternPixels(4, 4));
    broken->acquire(&resources());
    EXPECT_NE(broken->picture, nullptr);
}

TEST_F(Textures, TheThreeBlendModes) {
    std::vector<uint32_t> pixels(16, 0x80C0A060u);
    writePicture("data/glass.png", 4, 4, pixels);
    HoTexture *glass = started().getTexture("data/glass.png");
    glass->acquire(&resources());
    const Quad quad = quadOf(0, 0, 4, 4, 8, 8);
    const double a = 128 / 255.0;
    auto expect = [&](int32_t blend, double r, double g, double b) {
        const uint32_t got = drawBatched(glass, quad, blend)[size_t(9) * kWidth + 9];
        const uint32_t want = 0xFF000000u | uint32_t(r + 0.5) << 16 | uint32_t(g + 0.5) << 8 | uint32_t(b + 0.5);
        EXPECT_LE(channelDistance(got, want), 2) << "blend " << blend << std::hex << " got " << got << " want " << want;
    };
    expect(0, 0xC0 * a + 0x20 * (1 - a), 0xA0 * a + 0x40 * (1 - a), 0x60 * a + 0x60 * (1 - a));
    expect(1, 0x20 * (1 - a), 0x40 * (1 - a), 0x60 * (1 - a));
    expect(2, std::min(255.0, 0xC0 * a + 0x20), std::min(255.0, 0xA0 * a + 0x40), std::min(255.0, 0x60 * a + 0x60));
}

TEST_F(Textures, TheHallMapReadsAsItsExampleSays) {
    write("data/atlas/hall.map", "pages=2\nscale=0.5\nformat=png,dds\ndoor=10,20,100,50,2:1,2,3,4\nlamp=1,2,3,4,1\n");
    HoContext &ctx = started();
    const int32_t before = resources().resourceCount();
    ctx.loadAtlasMap("data/atlas/hall.map", "hall");
    ASSERT_EQ(ctx.atlases.count(), 1);
    AtlasMap &hall = *ctx.atlases[0];
    EXPECT_EQ(hall.scale, 0.5f);
    ASSERT_EQ(hall.pages.count(), 2);
    EXPECT_STREQ(hall.pages[0]->name, "data/atlas/hall_01.png");
    EXPECT_STREQ(hall.pages[1]->name, "data/atlas/hall_02.dds");
    EXPECT_EQ(resources().resourceCount(), before + 2);
    const AtlasRegion *door = ctx.findAtlasRegion("door");
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->owner, &hall);
    EXPECT_EQ(std::vector<int32_t>({door->x, door->y, door->width, door->height, door->page}),
              std::vector<int32_t>({10, 20, 104, 56, 2}));
    EXPECT_EQ(std::vector<int32_t>({door->trimLeft, door->trimTop, door->trimRight, door->trimBottom}),
              std::vector<int32_t>({1, 2, 3, 4}));
    EXPECT_FALSE(ctx.findAtlasRegion("lamp")->hasTrims());
    EXPECT_EQ(ctx.findAtlasRegion("Door"), nullptr);
}

// The pictures a context shows first, named before it exists: the pages of the common atlas and of the
// start scene's (the one a script set, else data/game.cfg's), as the maps name them; none without atlases.
TEST_F(Textures, TheFirstPicturesAreTheCommonAndStartSceneAtlasPages) {
    write("data/atlas/common.map", "pages=2\nformat=png,dds\na=1,2,3,4,1\n");
    write("data/atlas/hall.map", "pages=1\nformat=png\n");
    write("data/atlas/shore.map", "pages=0\n");
    write("data/game.cfg", "textures.use_atlas=1\nstartup=hall\n");
    started();
    auto files = [] {
        std::vector<std::string> names;
        for (const std::string &file : startPictureFiles())
            names.push_back(file.substr(file.find("data/atlas/")));
        return names;
    };
    EXPECT_EQ(files(), (std::vector<std::string>{"data/atlas/common_01.png", "data/atlas/common_02.dds",
                                                 "data/atlas/hall_01.png"}));
    setStartSceneName("shore");
    EXPECT_EQ(files(), (std::vector<std::string>{"data/atlas/common_01.png", "data/atlas/common_02.dds"}))
        << "a map without pages names none";
    setStartSceneName("");
    write("data/game.cfg", "textures.use_atlas=0\nstartup=hall\n");
    EXPECT_EQ(files(), std::vector<std::string>{});
}

TEST_F(Textures, MapLinesThatSetFormatsAndScales) {
    struct Case {
        const char *text;
        std::vector<std::string> pages;
        float scale;
        const char *logged;
    };
    const Case cases[] = {
        {"pages=3\nformat=png\n", {"m_01.png", "m_02.png", "m_03.png"}, 1.0f, nullptr},
        {"format=png\npages=2\n", {"m_01.dds", "m_02.dds"}, 1.0f, nullptr},
        {"pages=2\nformat=pvr,bmp\n", {"m_01.pvr", "m_02.dds"}, 1.0f, "unknown page format 'bmp'"},
        {"pages=1\nscale=0\n", {"m_01.dds"}, 1.0f, "scale 0; 1 is used"},
        {"pages=1\nscale=-2\n", {"m_01.dds"}, 1.0f, "scale -2; 1 is used"},
    };
    for (const Case &c : cases) {
        clearLogContents();
        write("data/atlas/m.map", c.text);
        HoContext &ctx = started();
        ctx.atlases.deleteAll();
        ctx.loadAtlasMap("data/atlas/m.map", "m");
        ASSERT_EQ(ctx.atlases.count(), 1) << c.text;
        std::vector<std::string> pages;
        for (int32_t i = 0; i < ctx.atlases[0]->pages.count(); ++i)
            pages.push_back(fs::path(ctx.atlases[0]->pages[i]->name).filename().string());
        EXPECT_EQ(pages, c.pages) << c.text;
        EXPECT_EQ(ctx.atlases[0]->scale, c.scale) << c.text;
        if (c.logged) {
            EXPECT_TRUE(logHas(c.logged)) << c.text;
        }
    }
}

TEST_F(Textures, MapsWithoutAUsablePageCountAreDiscarded) {
    const char *maps[] = {"pages=0\na=1,1,1,1,1\n", "pages=-3\n", "pages=1000\nformat=png\n",
                          "pages=2147483647\n",     "a=1,1,1,1,1\n", "\x01\x02garbage\n=\n"};
    HoContext &ctx = started();
    const int32_t resourcesBefore = resources().resourceCount();
    for (const char *text : maps) {
        clearLogContents();
        write("data/atlas/bad.map", text);
        ctx.loadAtlasMap("data/atlas/bad.map", "bad");
        EXPECT_EQ(ctx.atlases.count(), 0) << text;
        EXPECT_TRUE(logHas("Game: atlas map data/atlas/bad.map has")) << text;
    }
    clearLogContents();
    ctx.loadAtlasMap("data/atlas/none.map", "none");
    EXPECT_EQ(ctx.atlases.count(), 0);
    EXPECT_EQ(getLogContents(), "") << "a map that does not exist is no error";
    EXPECT_EQ(resources().resourceCount(), resourcesBefore) << "no page of a discarded map is requested";
}

TEST_F(Textures, RegionsThatCannotBeDrawnLeaveTheirTexturesEmpty) {
    write("data/game.cfg", "textures.use_atlas=1\n");
    write("data/atlas/common.map", "pages=2\nformat=png,pvr\n"
                                   "beyond=0,0,4,4,3\nbelow=0,0,4,4,0\nnegative=0,0,-4,4,1\n"
                                   "trimmed=0,0,4,4,1:-1,0,0,0\nshort=1,2\npvr=0,0,4,4,2\nbroken=0,0,4,4,1\n");
    write("data/atlas/common_01.png", "not a picture");
    write("data/atlas/common_02.pvr", "PVR!");
    // The world's start-up loads the atlases.
    HoContext &ctx = started();
    ASSERT_EQ(ctx.atlases.count(), 1);
    EXPECT_TRUE(logHas("region negative has a negative size or trim"));
    EXPECT_TRUE(logHas("region trimmed has a negative size or trim"));
    for (const char *name : {"beyond", "below", "negative", "trimmed", "short", "pvr", "broken", "unknown"}) {
        HoTexture *texture = ctx.getTexture(name);
        EXPECT_EQ(texture->type, kResourceAtlasTexture) << name;
        texture->acquire(&resources());
        EXPECT_EQ(texture->picture, nullptr) << name;
        const Quad quad = quadOf(0, 0, 4, 4, 0, 0);
        texture->drawBatched(quad.source, quad.destination);
        texture->draw(0, 0, 4, 4, 0, 0, 4, 4, 1, 0, false, false, 0, 0);
        texture->release(&resources());
    }
    EXPECT_EQ(logCount("No AtlasInfo for texture: beyond"), 1);
    EXPECT_EQ(logCount("No AtlasInfo for texture: below"), 1);
    EXPECT_TRUE(logHas("Game: cannot load picture data/atlas/common_02.pvr, ERROR"));
    EXPECT_TRUE(logHas("Game: cannot load picture data/atlas/common_01.png, ERROR"));
    EXPECT_EQ(ctx.atlases[0]->pages[0]->useCount, 0) << "every page taken is given back";
    EXPECT_EQ(ctx.atlases[0]->pages[1]->useCount, 0);
}

TEST_F(Textures, TheAtlasOrPlainChoice) {
    write("data/game.cfg", "textures.use_atlas=1\n");
    write("data/textures.cfg", "data/kept/out.png=1\n");
    HoContext &ctx = started();
    EXPECT_EQ(ctx.getTexture("data/scenes/door.png")->type, kResourceAtlasTexture);
    EXPECT_EQ(ctx.getTexture("data/system/pointers/hand.png")->type, kResourceTexture);
    EXPECT_EQ(ctx.getTexture("data/kept/out.png")->type, kResourceTexture);
    write("data/game.cfg", "textures.use_atlas=2\n");
    fs::last_write_time(source() / "data/game.cfg", fs::last_write_time(source() / "data/game.cfg") + std::chrono::seconds(2));
    resources().ensureLoaded(ctx.gameConfig);
    EXPECT_EQ(ctx.getTexture("data/scenes/window.png")->type, kResourceTexture) << "on only when exactly 1";
}

// Pictures packed by lf-atlas draw through their atlas textures, whole and in parts that cut into the
// trimmed margins, as the source pictures do.
TEST_F(Textures, AnAtlasFromTheToolDrawsEveryPictureAsTheSourcePicture) {
    struct Source {
        std::string name;
        int w, h, left, top, right, bottom;
        std::vector<uint32_t> pixels;
    };
    std::vector<Source> sources = {{"data/scenes/hall/door.png", 20, 14, 3, 2, 4, 1, {}},
                                   {"data/scenes/hall/lamp.png", 9, 17, 0, 5, 2, 0, {}},
                                   {"data/scenes/hall/rug.png", 12, 8, 0, 0, 0, 0, {}},
                                   {"data/common/key.png", 15, 15, 6, 6, 6, 6, {}}};
    std::vector<std::string> argv = {lftest::toolPath("lf-atlas"), "--name", "common", "--out",
                                     (source() / "data/atlas").string(), "--root", source().string(),
                                     "--page-size", "24"};
    for (size_t i = 0; i < sources.size(); ++i) {
        Source &s = sources[i];
        s.pixels = framedPixels(s.w, s.h, s.left, s.top, s.right, s.bottom, uint32_t(i) * 0x352917u);
        writePicture(s.name, s.w, s.h, s.pixels);
        argv.push_back((source() / s.name).string());
    }
    ASSERT_EQ(lftest::runProgram(argv), 0);
    write("data/game.cfg", "textures.use_atlas=1\n");
    ASSERT_TRUE(packAndMount());
    HoContext &ctx = started();
    ASSERT_EQ(ctx.atlases.count(), 1);
    EXPECT_GE(ctx.atlases[0]->pageCount, 2) << "pages of 24 pixels hold only some of the pictures";

    for (const Source &s : sources) {
        HoTexture *texture = ctx.getTexture(s.name.c_str());
        ASSERT_EQ(texture->type, kResourceAtlasTexture) << s.name;
        texture->acquire(&resources());
        ASSERT_NE(texture->picture, nullptr) << s.name;
        EXPECT_EQ(texture->width, float(s.w)) << s.name;
        // Whole-pixel sources: a source edge inside a texel samples across the trimmed edge differently.
        const float w = float(s.w), h = float(s.h), halfW = float(s.w / 2), halfH = float(s.h / 2);
        // Whole pictures also turned and stretched, where the filter reads across the trimmed edge otherwise
        // than the source picture's margin: at most a pixel ring's worth differs (the margins cut away in
        // the screen's directions instead of the picture's make whole bands differ).
        const auto ring = [](const Quad &q) {
            return int(2.0f * (std::fabs(q.destination[4] - q.destination[0]) + std::fabs(q.destination[5] - q.destination[1])));
        };
        const Quad quarter = turned(quadOf(0, 0, w, h, 40, 30), 1), half = turned(quadOf(0, 0, w, h, 40, 30), 2);
        const Quad wide = stretched(quadOf(0, 0, w, h, 20, 20), 2.5f);
        const struct {
            Quad quad;
            int allowed;
        } quads[] = {{quadOf(0, 0, w, h, 7, 9), 0},       {quadOf(0, 0, halfW, h, 40, 30), 0},
                     {quadOf(halfW, 1, w, h, 40, 30), 0}, {quadOf(1, halfH, w - 1, h, 3, 60), 0},
                     {quadOf(0, 0, 2, 2, 50, 50), 0},     {quadOf(2, 1, w - 3, h - 1, 90, 10), 0},
                     {quarter, ring(quarter)},            {half, ring(half)},
                     {wide, ring(wide)}};
        for (const auto &[quad, allowed] : quads) {
            EXPECT_LE(differingPixels(drawBatched(texture, quad), drawReference(s.pixels, s.w, s.h, quad), 2), allowed)
                << s.name << " source " << quad.source[0] << "," << quad.source[1] << " - " << quad.source[4] << ","
                << quad.source[5] << " onto " << quad.destination[0] << "," << quad.destination[1] << " - "
                << quad.destination[4] << "," << quad.destination[5];
        }
        // The direct draw too.
        host.clear(kBackground);
        texture->draw(1, 1, w - 2, h, 20, 20, 20 + w - 3, 20 + h - 1, 1, 0, false, false, 0, 0);
        const std::vector<uint32_t> direct = frame();
        host.clear(kBackground);
        std::unique_ptr<KGraphicD3D9> reference(pictureFrom(s.pixels, s.w, s.h, true));
        reference->setSmoothFiltering(true);
        reference->drawImageRectStretched(1, 1, w - 2, h, 20, 20, 20 + w - 3, 20 + h - 1, 1, 0, false, false, 0, 0);
        EXPECT_EQ(differingPixels(direct, frame(), 2), 0) << s.name << " drawn directly";
    }
}

TEST_F(Textures, GraphicsUnloadAndReloadInClassOrderWithPagesBalanced) {
    for (const char *name : {"data/one.png", "data/two.png", "data/a.png", "data/b.png"})
        writePicture(name, 6, 6, picturetest::patternPixels(6, 6));
    std::vector<std::string> argv = {lftest::toolPath("lf-atlas"), "--name", "common", "--out",
                                     (source() / "data/atlas").string(), "--root", source().string(),
                                     "--page-size", "12", (source() / "data/a.png").string(),
                                     (source() / "data/b.png").string()};
    ASSERT_EQ(lftest::runProgram(argv), 0);
    fs::create_directories(source() / "data/texts");
    ASSERT_TRUE(lftest::makeFont((source() / "data/texts/font_1").string(), 12, "65-70"));
    ASSERT_EQ(lftest::runProgram({lftest::toolPath("lf-image"), "convert", (source() / "data/texts/font_1_0.png").string(),
                                  (source() / "data/texts/font_1_0.tga").string()}),
              0);
    write("data/game.cfg", "textures.use_atlas=1\n");
    HoContext &ctx = started();
    HoResourceManager &rm = resources();
    // Created in an order that mixes the classes.
    HoTexture *b = ctx.getTexture("data/b.png");
    HoFont *font = rm.getFont("data/texts/font_1.ktext");
    font->pagePicture = ctx.interned.internOrFind("data/texts/font_1_0.tga");
    HoTexture *two = rm.getTexture("data/two.png");
    HoTexture *a = ctx.getTexture("data/a.png");
    HoTexture *one = rm.getTexture("data/one.png");
    HoTexture *unheld = rm.getTexture("data/unheld.png");
    for (HoResource *held : std::initializer_list<HoResource *>{b, font, two, a, one})
        held->acquire(&rm);
    ASSERT_NE(font->text, nullptr);
    EXPECT_NE(font->text->findGlyph('A'), -1);
    const int32_t pageCount = ctx.atlases[0]->pageCount;
    ASSERT_EQ(pageCount, 2);
    EXPECT_EQ(ctx.atlases[0]->pages[0]->useCount + ctx.atlases[0]->pages[1]->useCount, 2);

    rm.unloadGraphics();
    EXPECT_EQ(KGraphicD3D9::pictures().count, 0) << "every picture is gone";
    EXPECT_EQ(font->text, nullptr);
    EXPECT_EQ(ctx.atlases[0]->pages[0]->useCount, 0);
    ctx.atlases.deleteAll();
    ctx.loadAtlases();
    rm.reloadGraphics();

    // Textures in creation order, then the atlas textures' pages, then the font's page.
    const std::string pageOfB = fs::path(ctx.atlases[0]->getPage(ctx.findAtlasRegion("data/b.png")->page)->name)
                                    .filename()
                                    .string();
    const std::string pageOfA = pageOfB == "common_01.png" ? "common_02.png" : "common_01.png";
    EXPECT_EQ(pictureFiles(), std::vector<std::string>({"two.png", "one.png", pageOfB, pageOfA, "font_1_0.tga"}));
    EXPECT_EQ(ctx.atlases[0]->pages[0]->useCount, 1);
    EXPECT_EQ(ctx.atlases[0]->pages[1]->useCount, 1);
    KGraphic *pageOfAPicture = a->picture;
    rm.ensureLoaded(a);
    EXPECT_EQ(a->picture, pageOfAPicture) << "loading again keeps the page loaded";
    EXPECT_EQ(ctx.atlases[0]->pages[0]->useCount + ctx.atlases[0]->pages[1]->useCount, 2);
    EXPECT_EQ(unheld->picture, nullptr);
    EXPECT_NE(a->picture, nullptr);
    EXPECT_NE(font->text, nullptr);

    dropContext();
    EXPECT_EQ(KGraphicD3D9::pictures().count, 0) << "the context's end deletes every picture";
}

// Over a scene change's hold, pictures whose last holder lets go stay loaded: an atlas page that the new
// scene's pictures stand on too is not read again, and the end of the hold unloads what nobody took.
TEST_F(Textures, PicturesLetGoDuringAHoldStayForTheirNextHolders) {
    for (const char *name : {"data/one.png", "data/a.png", "data/b.png"})
        writePicture(name, 6, 6, picturetest::patternPixels(6, 6));
    ASSERT_EQ(lftest::runProgram({lftest::toolPath("lf-atlas"), "--name", "common", "--out",
                                  (source() / "data/atlas").string(), "--root", source().string(), "--page-size", "32",
                                  (source() / "data/a.png").string(), (source() / "data/b.png").string()}),
              0);
    write("data/game.cfg", "textures.use_atlas=1\n");
    HoContext &ctx = started();
    HoResourceManager &rm = resources();
    HoTexture *a = ctx.getTexture("data/a.png"), *b = ctx.getTexture("data/b.png");
    HoTexture *one = rm.getTexture("data/one.png");
    a->acquire(&rm);
    one->acquire(&rm);
    HoTexture *page = ctx.atlases[0]->getPage(1);
    KGraphic *pagePicture = page->picture;
    ASSERT_NE(pagePicture, nullptr);

    rm.holdReleasedPictures();
    a->release(&rm);
    one->release(&rm);
    EXPECT_NE(a->picture, nullptr);
    EXPECT_NE(one->picture, nullptr);
    b->acquire(&rm);
    one->acquire(&rm);
    rm.endPictureHold();
    EXPECT_EQ(page->picture, pagePicture) << "the page both scenes use is not read again";
    EXPECT_EQ(page->useCount, 1);
    EXPECT_EQ(a->picture, nullptr) << "nobody took it again";
    EXPECT_NE(one->picture, nullptr);

    b->release(&rm);
    EXPECT_EQ(page->picture, nullptr) << "outside a hold, letting go unloads";
    one->release(&rm);
    EXPECT_EQ(one->picture, nullptr);
}

TEST_F(Textures, AFontWhosePageIsMissingLoadsWhatItCan) {
    fs::create_directories(source() / "data/texts");
    ASSERT_TRUE(lftest::makeFont((source() / "data/texts/font_2").string(), 12, "65-70"));
    HoFont *font = resources().getFont("data/texts/font_2.ktext");
    font->pagePicture = context().interned.internOrFind("data/texts/font_2_0.tga");
    font->acquire(&resources());
    ASSERT_NE(font->text, nullptr);
    EXPECT_TRUE(logHas("Game: cannot load font data/texts/font_2.ktext with page data/texts/font_2_0.tga, ERROR"));
    font->text->drawString("ABC", 5.0f, 5.0f, 0.0f, 1.0f, 1);
    font->release(&resources());
    EXPECT_EQ(font->text, nullptr);
    HoFont *nameless = resources().getFont("data/texts/font_9.ktext");
    resources().ensureLoaded(nameless);
    EXPECT_EQ(nameless->text, nullptr) << "no description: never loaded";
}

} // namespace
} // namespace restest
