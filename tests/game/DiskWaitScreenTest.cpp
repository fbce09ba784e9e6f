// test-labels: threaded
// While the main thread waits for the disk, the game shows within the wait that it waits: the last picture
// (the red hall) dimmed and a line of white text in the middle, presented at once in the frame under way,
// which counts no frame of its own. Under the fixed clock of scripted runs nothing is drawn.

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

    // The white pixels of the frame (the line's letters) in the rows from top to bottom.
    static int whiteIn(const lftest::BackBuffer &frame, int top, int bottom) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < frame.width; ++x)
                count += frame.at(x, y)[0] > 200 && frame.at(x, y)[1] > 200 && frame.at(x, y)[2] > 200;
        return count;
    }
};

TEST_F(DiskWaitScreenTest, AWaitOnTheDiskShowsWithinItThatTheGameWaits) {
    const lftest::BackBuffer hall = drawnFrame();
    ASSERT_TRUE(near(colourAt(hall, 100, 100), kRed));
    game->showWaitingForDisk();
    EXPECT_EQ(lftest::readBackBuffer(game->window).rgba, hall.rgba) << "nothing is drawn under the fixed clock";

    // On the machine's clock, a write whose temporary is a pipe nobody reads never ends: the main thread's wait
    // on the context's writer shows the screen.
    unsetenv("LANTERNFALL_FIXED_CLOCK_MS");
    platformReloadTestHooks();
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
    const int middle = waiting.height / 2, line = waiting.height / 20;
    EXPECT_GT(whiteIn(waiting, middle - line, middle + line), 500) << "the line's letters";
    EXPECT_EQ(whiteIn(waiting, 0, middle - line) + whiteIn(waiting, middle + line, waiting.height), 0);
    for (int x = 0; x < waiting.width; x += 7) {
        const uint8_t *pixel = waiting.at(x, middle);
        ASSERT_EQ(lftest::shownPixel(game->window->getWindowHandle(), x, middle), uint32_t(pixel[0]) << 16 | uint32_t(pixel[1]) << 8 | pixel[2])
            << "presented at " << x;
    }
    EXPECT_EQ(platformCompletedFrames(), frames) << "no frame of its own";

    std::ifstream(pipe).ignore(std::numeric_limits<std::streamsize>::max());
    writer.waitUntilIdle();
}

} // namespace
} // namespace worldtest
