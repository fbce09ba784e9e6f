// The board drawn on the software device and read back: figures of solid-colour pictures written by
// libpng stand at their cells, on a board turned a quarter and under a camera scale; the selection
// overlay; a sprite sheet's frame chosen by world time; a picture cut from an atlas page.

#include "tests/game/minigames/match3/Match3TestSupport.h"

#include "engine/graphics/KGraphicFactory.h"
#include "game/resources/AtlasMap.h"
#include "game/resources/HoAtlasTexture.h"
#include "tests/engine/text/KTextTestSupport.h"
#include "tests/support/KGraphicTestSupport.h"

namespace match3test {
namespace {

constexpr int kWidth = 128, kHeight = 96;
constexpr uint32_t kBlack = 0xFF000000u;
const std::vector<std::string> kSmallLayout = {"RGBY", "GBYR", "BYRG"};

uint32_t colourOf(char letter) {
    switch (letter) {
    case 'R': return 0xFFFF0000u;
    case 'G': return 0xFF00FF00u;
    case 'B': return 0xFF0000FFu;
    case 'Y': return 0xFFFFFF00u;
    case 'P': return 0xFFFF00FFu;
    default: return 0xFF808080u;
    }
}

class Match3Drawing : public Match3Test {
protected:
    void SetUp() override {
        picturetest::useSoftwareDevice();
        ASSERT_TRUE(host.create());
        screenValues.width = float(kWidth);
        screenValues.height = float(kHeight);
        screenValues.artScale = 1.0f;
        for (size_t k = 0; k < kinds().size(); ++k)
            writePicture(k, kind(k) == 's' ? selectionFrame() : std::vector<uint32_t>(16 * 16, colourOf(kind(k))));
    }
    void TearDown() override {
        for (HoSceneImage *image : acquired_)
            image->release();
        host.destroy();
        deviceHooksReset();
    }

    static char kind(size_t index) { return kinds()[index].letter; }
    // White two pixels deep around a transparent middle.
    // 32 x 16: a red left half beside a blue right half.
    static std::vector<uint32_t> redBesideBlue() {
        std::vector<uint32_t> pixels(32 * 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x)
                pixels[size_t(y) * 32 + x] = x < 16 ? 0xFFFF0000u : 0xFF0000FFu;
        return pixels;
    }
    static std::vector<uint32_t> selectionFrame() {
        std::vector<uint32_t> pixels(16 * 16, 0x00000000u);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (x < 2 || y < 2 || x >= 14 || y >= 14)
                    pixels[size_t(y) * 16 + x] = 0xFFFFFFFFu;
        return pixels;
    }
    void writePicture(size_t index, const std::vector<uint32_t> &pixels, int width = 16) {
        ASSERT_TRUE(writePng(temp / ("data/pictures/kind" + std::to_string(index) + ".png"), width, 16, pixels));
    }
    void acquirePictures() {
        for (SceneElement *picture : pictures) {
            auto *image = static_cast<HoSceneImage *>(picture->renderable);
            image->acquire();
            acquired_.push_back(image);
        }
    }
    // A 4 x 3 board of 16-unit cells around the window's centre, read and stepped once.
    void buildSmall(std::vector<std::string> extra = {}) {
        BoardPlan plan{kSmallLayout, {}, std::move(extra)};
        plan.cellSize = 16.0f;
        plan.boardX = 64.0f;
        plan.boardY = 48.0f;
        build(plan);
        acquirePictures();
        tick(2);
    }
    std::vector<uint32_t> drawn() {
        host.clear(kBlack);
        board->draw(1.0f);
        return host.readSurface(nullptr);
    }
    static uint32_t at(const std::vector<uint32_t> &pixels, float x, float y) {
        return pixels[size_t(int(y)) * kWidth + size_t(int(x))];
    }
    // The centre of a cell in design units.
    static ScreenPoint centreOf(int column, int row) {
        return {32.0f + 8.0f + 16.0f * float(column), 24.0f + 8.0f + 16.0f * float(row)};
    }

    picturetest::TestRenderWindow host{kWidth, kHeight};
    lftest::TempDir temp;
    lftest::DataFolderScope data{temp.str()};

private:
    std::vector<HoSceneImage *> acquired_;
};

TEST_F(Match3Drawing, FiguresStandAtTheirCellsTurnedAndScaledWithTheBoard) {
    buildSmall();
    const struct {
        const char *what;
        float angle;
        float cameraScale;
    } cases[] = {{"plain", 0.0f, 1.0f}, {"turned a quarter", 90.0f, 1.0f}, {"camera scale 1.5", 0.0f, 1.5f}};
    for (const auto &c : cases) {
        boardElement->angle.setNumber(c.angle);
        board->cameraScale = c.cameraScale;
        const std::vector<uint32_t> pixels = drawn();
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 4; ++column) {
                ScreenPoint place = centreOf(column, row);
                float dx = place.x - 64.0f, dy = place.y - 48.0f;
                if (c.angle != 0.0f) { // a quarter turn takes (dx, dy) to (dy, -dx)
                    const float turned = dy;
                    dy = -dx;
                    dx = turned;
                }
                const float x = 64.0f + dx * c.cameraScale, y = 48.0f + dy * c.cameraScale;
                EXPECT_EQ(at(pixels, x, y), colourOf(kSmallLayout[size_t(row)][size_t(column)]))
                    << c.what << ": cell " << column << "," << row;
                EXPECT_EQ(at(pixels, x + 6.0f * c.cameraScale, y - 6.0f * c.cameraScale),
                          colourOf(kSmallLayout[size_t(row)][size_t(column)]))
                    << c.what << ": near a corner of cell " << column << "," << row;
            }
        }
        EXPECT_EQ(at(pixels, 2, 2), kBlack) << c.what;
    }
}

TEST_F(Match3Drawing, TheSelectedFigureWearsTheSelectionOverlay) {
    buildSmall({"set #mg_match3Properties.effectSelection 12"});
    const ScreenPoint centre = centreOf(1, 1);
    world.pointerX = centre.x;
    world.pointerY = centre.y;
    buttonDown(true);
    tick();
    world.pointerX = world.pointerY = -1000.0f;
    buttonDown(false);
    tick();
    // The hover goes by the step before's pointer, which was over the figure: one more step lets it go.
    tick();
    ASSERT_EQ(board->selectedFigure, figureAt(1, 1));
    std::vector<uint32_t> pixels = drawn();
    EXPECT_EQ(at(pixels, centre.x, centre.y), colourOf('B')) << "the overlay's middle is clear";
    EXPECT_EQ(at(pixels, centre.x - 7.0f, centre.y), 0xFFFFFFFFu) << "its frame is white";
    EXPECT_EQ(at(pixels, centre.x + 16.0f - 7.0f, centre.y), colourOf('Y')) << "the neighbour has none";

    click(1, 1); // selected again: the selection goes
    pixels = drawn();
    EXPECT_EQ(at(pixels, centre.x - 7.0f, centre.y), colourOf('B'));
}

TEST_F(Match3Drawing, AnOverlayWithALifetimeShowsUntilItIsPast) {
    buildSmall();
    Match3Figure *figure = figureAt(2, 0);
    figure->overlay.setFromTemplate(board, board->templates[size_t(kindIndex('s'))], FigureLayer::kBackground);
    figure->overlay.lifetime = 3.0f;
    const ScreenPoint centre = centreOf(2, 0);
    for (int draw = 1; draw <= 3; ++draw)
        EXPECT_EQ(at(drawn(), centre.x - 7.0f, centre.y), 0xFFFFFFFFu) << "draw " << draw;
    EXPECT_EQ(at(drawn(), centre.x - 7.0f, centre.y), colourOf('B')) << "past its lifetime";
    EXPECT_FALSE(figure->overlay.active);
}

TEST_F(Match3Drawing, ASheetLayerShowsTheFrameOfTheWorldTime) {
    // A red frame beside a blue one, shown as the foreground of the red kind at ten frames a second.
    ASSERT_TRUE(writePng(temp / "data/pictures/sheet.png", 32, 16, redBesideBlue()));
    SceneElement *sheetElement = addElement(board, "sheet");
    HoSceneImage *image = world.renderPools.newSceneImage();
    image->load("data/pictures/sheet.png");
    image->sheet.columns = 2;
    image->sheet.rows = 1;
    image->sheet.framesPerSecond = 10.0f;
    sheetElement->renderable = image;
    sheetElement->baseWidth = sheetElement->baseHeight = 16.0f;
    sheetElement->sx.setNumber(1.0f);
    sheetElement->sy.setNumber(1.0f);
    image->acquire();
    buildSmall({"set &kind0{s}.foreground $sheet"});
    const ScreenPoint centre = centreOf(0, 0);
    const FigureLayer &layer = figureAt(0, 0)->foreground;
    ASSERT_TRUE(layer.active);
    ASSERT_TRUE(layer.animated);
    const double start = layer.lastFrameTime;
    ASSERT_GT(start, 0.0);
    const struct {
        double after;
        uint32_t colour;
    } frames[] = {{50.0, 0xFFFF0000u}, {100.0, 0xFF0000FFu}, {150.0, 0xFF0000FFu}, {200.0, 0xFFFF0000u}};
    for (const auto &f : frames) {
        world.runningTime = start + f.after;
        EXPECT_EQ(at(drawn(), centre.x, centre.y), f.colour) << f.after << " ms on";
    }
    image->release();
}

TEST_F(Match3Drawing, AFigureOfAnAtlasPictureShowsItsRegionOfThePage) {
    // A page with a red picture on its left and a blue one on its right; the red kind shows the blue one.
    ASSERT_TRUE(writePng(temp / "data/pictures/page.png", 32, 16, redBesideBlue()));
    HoSceneImage *pageImage = world.renderPools.newSceneImage();
    pageImage->load("data/pictures/page.png");
    pageImage->acquire();
    ASSERT_NE(pageImage->texture->picture, nullptr);
    AtlasRegion region;
    region.x = 16;
    region.width = region.height = 16;
    region.page = 1;
    HoAtlasTexture blue;
    blue.picture = pageImage->texture->picture;
    blue.width = blue.height = 16.0f;
    blue.region = &region;
    blue.pageX = 16.0f;
    buildSmall();
    FigureLayer &layer = figureAt(0, 0)->picture;
    ASSERT_EQ(kSmallLayout[0][0], 'R');
    layer.picture = &blue;
    const ScreenPoint centre = centreOf(0, 0);
    EXPECT_EQ(at(drawn(), centre.x, centre.y), 0xFF0000FFu) << "the region's pixels, not the page's corner";
    layer.picture = nullptr;
    blue.picture = nullptr;
    blue.region = nullptr;
    pageImage->release();
}

} // namespace
} // namespace match3test
