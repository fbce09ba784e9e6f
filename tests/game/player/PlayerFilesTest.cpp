// Extras handed to the player by the scripts' commands, under a scratch home whose "user-dirs.dirs" names
// the documents folder, with a stand-in "xdg-open" that records what it was asked to open: wallpapers made
// by ImageMagick and soundtrack files encoded by libvorbisenc, copied out, and the hooks that hear of it.

#include <memory>
#include <numeric>

#include "game/HoGame.h"
#include "platform/FileHooks.h"
#include "tests/game/scene/SceneRuntimeSupport.h"
#include "tests/support/KGraphicTestSupport.h"
#include "tests/support/KSoundTestSupport.h"
#include "tests/support/UrlOpenerStandIn.h"
#include "tests/support/XServerTestSupport.h"

namespace {

namespace fs = std::filesystem;

constexpr char kScript[] = "fun on_wallpaper_saved %p {\n  print wallpaper %p\n}\n"
                           "fun on_soundtrack_saved %p {\n  print soundtrack %p\n}\n"
                           "on wall {\n  save_wallpapers #name #number #size\n}\n"
                           "on music {\n  save_soundtrack\n}\n"
                           "on link {\n  open_link #link\n}\n";

class PlayerFilesTest : public SceneRuntimeTest {
protected:
    void SetUp() override {
        SceneRuntimeTest::SetUp();
        environment.set("HOME", (temp / "home").string());
        environment.set("XDG_CONFIG_HOME", (temp / "config").string());
        lftest::writeText(temp / "config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
        fs::create_directories(documents());
        opener = std::make_unique<lftest::UrlOpenerStandIn>(temp.path());
        application = std::make_unique<HoGame>(lanternfallSettings());
        context().game = application.get();
        writeScene("extras", "O frame\n", kScript);
        extras = loadRunningScene("extras");
        started();
        startScenes();
    }
    void TearDown() override {
        context().game = nullptr;
        opener.reset();
        SceneRuntimeTest::TearDown();
    }

    fs::path documents() const { return temp / "home/Papers"; }
    void run(const char *event) {
        signal(extras, event);
        step();
    }
    void setText(const char *variable, const char *text) {
        variableSlot(extras, variable)->setPointer(kScriptText, world->names().internOrFind(text));
    }

    lftest::ScopedEnvironment environment;
    std::unique_ptr<lftest::UrlOpenerStandIn> opener;
    std::unique_ptr<HoGame> application;
    HoScene *extras = nullptr;
};

TEST_F(PlayerFilesTest, AWallpaperOfTheChosenSizeIsCopiedAndItsHookHearsWhere) {
    fs::create_directories(source() / "Velt/wallpapers");
    const char *sizes[] = {"800x600", "1024x768", "1280x800", "1280x960", "1366x768", "1920x1080"};
    for (const char *size : sizes) {
        const int w = std::stoi(size) / 100;
        ASSERT_TRUE(picturetest::writeImage(source() / ("Velt/wallpapers/lighthouse_wallpaper03_" + std::string(size) + ".jpg"),
                                            w, 6, std::vector<uint32_t>(size_t(w) * 6, 0xFF336699u)));
    }
    const fs::path folder = documents() / "Brightmoor_AmbercrestVelt";
    struct Case {
        const char *name; // null: a number instead of a text
        float number, size;
        const char *copied; // null: nothing copied and no hook
    };
    const Case cases[] = {
        {"lighthouse", 3, 2, "lighthouse_wallpaper03_1024x768.jpg"},
        {"lighthouse", 3.9f, 6.5f, "lighthouse_wallpaper03_1920x1080.jpg"},
        {"lighthouse", 0, 2, nullptr},
        {"lighthouse", 3, 0, nullptr},
        {"lighthouse", 3, 7, nullptr},
        {"lighthouse", 3, -1, nullptr},
        {"lighthouse", -1, 2, nullptr},
        {"lighthouse", 1e9f, 1, nullptr},
        {"harbour", 3, 2, nullptr},
        {nullptr, 3, 2, nullptr},
    };
    for (const Case &c : cases) {
        fs::remove_all(folder);
        if (c.name)
            setText("#name", c.name);
        else
            variableSlot(extras, "#name")->setNumber(5.0f);
        variableSlot(extras, "#number")->setNumber(c.number);
        variableSlot(extras, "#size")->setNumber(c.size);
        run("wall");
        const std::vector<std::string> trace = takeTrace();
        if (!c.copied) {
            EXPECT_TRUE(trace.empty()) << c.number << " " << c.size;
            EXPECT_TRUE(!fs::exists(folder) || fs::is_empty(folder)) << c.number << " " << c.size;
            continue;
        }
        const fs::path destination = folder / c.copied;
        EXPECT_EQ(lftest::readFileBytes(destination), lftest::readFileBytes(source() / "Velt/wallpapers" / c.copied));
        EXPECT_EQ(trace, std::vector<std::string>{"wallpaper " + destination.string()});
    }

    // A documents folder where the game's folder cannot be made: the copy fails and no hook runs.
    fs::remove_all(folder);
    lftest::writeFileText(folder, "in the way");
    setText("#name", "lighthouse");
    variableSlot(extras, "#number")->setNumber(3.0f);
    variableSlot(extras, "#size")->setNumber(2.0f);
    run("wall");
    EXPECT_TRUE(takeTrace().empty());
}

TEST_F(PlayerFilesTest, EveryFileOfTheSoundtrackIsCopiedPastSubFoldersAndFailedCopies) {
    const fs::path tracks = source() / "Velt/soundtrack";
    fs::create_directories(tracks);
    lftest::writeFileBytes(tracks / "a_harbour.ogg", lftest::oggTone(440.0, 0.2, 22050, 1));
    lftest::writeFileBytes(tracks / "b_storm.ogg", lftest::oggTone(220.0, 0.2, 22050, 2));
    lftest::writeFileBytes(tracks / "c_dawn.ogg", lftest::oggTone(330.0, 0.2, 22050, 1));
    lftest::writeText(tracks / "sketches/unused.ogg", "not copied");
    const fs::path target = documents() / "Brightmoor_Ambercrest/soundtrack";
    auto expectCopied = [&](const char *track) {
        EXPECT_EQ(lftest::readFileBytes(target / track), lftest::readFileBytes(tracks / track)) << track;
    };
    // A folder where one copy should go makes that copy fail; the others go on, but the soundtrack is not
    // all there: no hook hears of it, and the log names the copy that failed.
    fs::create_directories(target / "b_storm.ogg");
    lftest::writeFileText(target / "c_dawn.ogg", "an older copy");
    run("music");
    EXPECT_EQ(takeTrace(), std::vector<std::string>{});
    for (const char *track : {"a_harbour.ogg", "c_dawn.ogg"})
        expectCopied(track);
    EXPECT_TRUE(fs::is_directory(target / "b_storm.ogg"));
    EXPECT_NE(getLogContents().find("b_storm.ogg' to '" + (target / "b_storm.ogg").string() + "'"), std::string::npos);

    // Every file copied, twice: the second run overwrites the first and the hook hears of both.
    fs::remove(target / "b_storm.ogg");
    for (int round = 0; round < 2; ++round) {
        run("music");
        EXPECT_EQ(takeTrace(), std::vector<std::string>{"soundtrack " + target.string()}) << round;
        for (const char *track : {"a_harbour.ogg", "b_storm.ogg", "c_dawn.ogg"})
            expectCopied(track);
        EXPECT_FALSE(fs::exists(target / "sketches"));
    }
    // No soundtrack at all: the folders are made, but nothing was copied, and no hook says otherwise.
    fs::remove_all(tracks);
    fs::remove_all(documents() / "Brightmoor_Ambercrest");
    run("music");
    EXPECT_EQ(takeTrace(), std::vector<std::string>{});
    EXPECT_TRUE(fs::is_directory(target));
}

// Copies cut off by a disk that fills after the files before them (the writes stop at a byte, as on a full
// disk): the "not copied" hooks hear how many files were not copied and why, in the save notices' words.
TEST_F(PlayerFilesTest, CopiesNotMadeAreToldByHowManyAndWhy) {
    writeScene("told", "O frame\n",
               "fun on_wallpaper_not_copied %l {\n  print %l\n}\n"
               "fun on_soundtrack_not_copied %l {\n  print %l\n}\n"
               "on walls {\n  for %size 1 6 1 {\n    save_wallpapers ~lighthouse 1 %size\n  }\n}\n"
               "on music {\n  save_soundtrack\n}\n");
    HoScene *told = loadRunningScene("told");
    startScenes();
    const fs::path walls = source() / "Velt/wallpapers", tracks = source() / "Velt/soundtrack";
    std::vector<uintmax_t> wallBytes, trackBytes; // in the order of their copies
    fs::create_directories(walls);
    fs::create_directories(tracks);
    for (const char *size : {"800x600", "1024x768", "1280x800", "1280x960", "1366x768", "1920x1080"}) {
        const fs::path file = walls / ("lighthouse_wallpaper01_" + std::string(size) + ".jpg");
        const int w = std::stoi(size) / 100;
        ASSERT_TRUE(picturetest::writeImage(file, w, 6, std::vector<uint32_t>(size_t(w) * 6, 0xFF336699u)));
        wallBytes.push_back(fs::file_size(file));
    }
    for (const char *track : {"a_harbour.ogg", "b_storm.ogg", "c_dawn.ogg"}) {
        lftest::writeFileBytes(tracks / track, lftest::oggTone(440.0, 0.2, 22050, 1));
        trackBytes.push_back(fs::file_size(tracks / track));
    }
    auto bytesOfFirst = [](const std::vector<uintmax_t> &bytes, size_t count) {
        return int64_t(std::accumulate(bytes.begin(), bytes.begin() + ptrdiff_t(count), uintmax_t(0)));
    };
    // What the wallpapers' hook hears at each failure: how many failed so far, the last time all six (unless
    // copies made before are still in the documents).
    auto wallpapersNotCopied = [](int from, int to, bool madeBefore = false) {
        std::vector<std::string> lines;
        for (int n = from; n <= to; ++n)
            lines.push_back((n == 6 && !madeBefore ? std::string("The") : std::to_string(n) + " of the") +
                            " wallpapers could not be copied. There is no room left on the disk.");
        return lines;
    };
    struct Case {
        const char *event;
        int64_t stopAtByte; // 0: the disk never fills
        std::vector<std::string> heard;
        bool again = false; // the documents kept from the case before
    };
    const Case cases[] = {
        {"walls", bytesOfFirst(wallBytes, 3) + 1, wallpapersNotCopied(1, 3)},
        {"walls", 1, wallpapersNotCopied(1, 6, true), true},
        {"walls", 1, wallpapersNotCopied(1, 6)},
        {"walls", 0, {}},
        {"music", bytesOfFirst(trackBytes, 1) + 1,
         {"2 of the soundtrack’s files could not be copied. There is no room left on the disk."}},
        {"music", 1, {"The soundtrack could not be copied. There is no room left on the disk."}},
        {"music", 0, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.event) + " on a disk full at byte " + std::to_string(c.stopAtByte) + (c.again ? " again" : ""));
        if (!c.again) {
            fs::remove_all(documents());
            fs::create_directories(documents());
        }
        fileHooksReset();
        fileHooksStopWritesAt(c.stopAtByte);
        signal(told, c.event);
        step();
        ++world->tickCounter; // the world's next step
        fileHooksReset();
        EXPECT_EQ(takeTrace(), c.heard);
    }
    // A documents folder where the game's folder cannot be made: the copy is refused, not out of room.
    fs::remove_all(documents() / "Brightmoor_Ambercrest");
    lftest::writeFileText(documents() / "Brightmoor_Ambercrest", "in the way");
    signal(told, "music");
    step();
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"The soundtrack could not be copied. The disk refused its files."});
}

TEST_F(PlayerFilesTest, ALinkFileOpensItsFirstLineAndNothingElse) {
    lftest::writeText(source() / "data/links/lighthouse.txt", "https://example.org/lighthouse?a=1&b=2 \r\nsecond\n");
    lftest::writeText(source() / "data/links/long.txt", "https://example.org/" + std::string(1 << 20, 'x') + "\n");
    lftest::writeText(source() / "data/links/empty.txt", "");
    lftest::writeFileBytes(source() / "data/links/binary.txt", {0x7F, 'E', 'L', 'F', 0, 0, 1});
    for (const char *link : {"data/links/missing", "data/links/long", "data/links/empty", "data/links/binary",
                             "data/links/lighthouse"}) {
        setText("#link", link);
        run("link");
    }
    variableSlot(extras, "#link")->setNumber(7.0f);
    run("link");
    EXPECT_EQ(opener->opened(), "https://example.org/lighthouse?a=1&b=2|\n");
}

} // namespace
