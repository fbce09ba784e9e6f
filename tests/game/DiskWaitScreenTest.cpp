// test-labels: threaded
// While the main thread waits for the disk, the game shows within the wait that it waits: the last picture
// (the red hall) dimmed and a line of white text in the middle of the screen in every layout, presented at
// once in the frame under way, which counts no frame of its own. Under the fixed clock of scripted runs
// nothing is drawn.

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "game/player/SaveWriter.h"
#include "platform/FileHooks.h"
#include "platform/TestHooks.h"
#include "platform/WindowHooks.h"
#include "tests/game/world/WorldDrawSupport.h"
#include "tests/support/FontTestSupport.h"
#include "tests/support/ShownFrame.h"

namespace worldtest {
namespace {

class DiskWaitScreenTest : public WorldDrawTest {
protected:
    void SetUp() override {
        WorldDrawTest::SetUp();
        ASSERT_TRUE(lftest::makeGameFont(archives->content(), 1, 36));
        startWorld();
    }

    static void useMachineClock() {
        unsetenv("LANTERNFALL_FIXED_CLOCK_MS");
        platformReloadTestHooks();
    }

    static bool white(const uint8_t *pixel) { return pixel[0] > 200 && pixel[1] > 200 && pixel[2] > 200; }

    // The smallest rectangle holding the white pixels (the line's letters); empty when there are none.
    static lftest::BackBuffer::Box lettersOf(const lftest::BackBuffer &frame) {
        lftest::BackBuffer::Box box{frame.width, frame.height, -1, -1};
        for (int y = 0; y < frame.height; y++)
            for (int x = 0; x < frame.width; x++) {
                if (!white(frame.at(x, y)))
                    continue;
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
        return box;
    }
};

TEST_F(DiskWaitScreenTest, TheLineStandsInTheMiddleOfTheScreenInEveryLayout) {
    struct Layout {
        const char *what;
        int desktopWidth, desktopHeight; // 0: the HD desktop the game started on
    };
    const Layout layouts[] = {{"HD, wide", 0, 0}, {"SD, narrow", 1024, 768}};
    useMachineClock();
    for (const Layout &layout : layouts) {
        SCOPED_TRACE(layout.what);
        if (layout.desktopWidth) {
            platformSetVirtualDesktop(layout.desktopWidth, layout.desktopHeight);
            ASSERT_TRUE(game->switchQuality(false));
        }
        // A pass of its own: the screen is shown once a pass.
        game->runPass();
        drawnFrame();
        game->showWaitingForDisk();
        const lftest::BackBuffer waiting = lftest::readBackBuffer(game->window);
        const lftest::BackBuffer::Box letters = lettersOf(waiting);
        ASSERT_FALSE(letters.empty());
        EXPECT_GT(letters.width(), waiting.width / 5) << "a line of letters";
        EXPECT_NEAR(letters.left + letters.width() / 2.0, waiting.width / 2.0, waiting.width / 40.0);
        EXPECT_NEAR(letters.top + letters.height() / 2.0, waiting.height / 2.0, waiting.height / 20.0);
        EXPECT_LT(letters.height(), waiting.height / 10);
        EXPECT_TRUE(near(colourAt(waiting, 1280, 100), scaled(kRed, 0.5f), 4))
            << std::hex << colourAt(waiting, 1280, 100) << ": the hall dimmed";
    }
}

TEST_F(DiskWaitScreenTest, AWaitOnTheDiskShowsWithinItThatTheGameWaits) {
    const lftest::BackBuffer hall = drawnFrame();
    ASSERT_TRUE(near(colourAt(hall, 100, 100), kRed));
    game->showWaitingForDisk();
    EXPECT_EQ(lftest::readBackBuffer(game->window).rgba, hall.rgba) << "nothing is drawn under the fixed clock";

    // On the machine's clock, a write whose temporary is a pipe nobody reads never ends: the main thread's wait
    // on the context's writer shows the screen.
    useMachineClock();
    const std::string file = (temp.path() / "stuck.sav").string(), pipe = file + ".tmp";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    SaveWriter &writer = game->context->saveWriter;
    writer.startThread();
    fileHooksReset();
    FileImage bytes(static_cast<uint8_t *>(std::malloc(4)), std::free);
    writer.write(file, std::move(bytes), 4);
    ASSERT_TRUE(lftest::waitUntil([] { return fileHooksChangeCount() > 0; })) << "the write is at work";
    const int frames = platformCompletedFrames();
    EXPECT_FALSE(writer.waitUntilIdleFor(std::chrono::seconds(1)));

    const lftest::BackBuffer waiting = lftest::readBackBuffer(game->window);
    EXPECT_TRUE(near(colourAt(waiting, 100, 100), scaled(kRed, 0.5f), 4)) << std::hex << colourAt(waiting, 100, 100);
    const lftest::BackBuffer::Box letters = lettersOf(waiting);
    EXPECT_GT(letters.width(), waiting.width / 5) << "the line's letters";
    for (int x = 0; x < waiting.width; x += 7) {
        const int y = letters.top + letters.height() / 2;
        const uint8_t *pixel = waiting.at(x, y);
        ASSERT_EQ(lftest::shownPixel(game->window->getWindowHandle(), x, y),
                  uint32_t(pixel[0]) << 16 | uint32_t(pixel[1]) << 8 | pixel[2])
            << "presented at " << x << "," << y;
    }
    EXPECT_EQ(platformCompletedFrames(), frames) << "no frame of its own";

    std::ifstream(pipe).ignore(std::numeric_limits<std::streamsize>::max());
    writer.waitUntilIdle();
}

} // namespace
} // namespace worldtest
