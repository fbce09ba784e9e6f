// The game window end to end on a real window: created, drawn through the device, flipped on the fixed
// clock, with the screenshot hook saving the frame. It runs on SDL's offscreen driver, and again in a
// child process on an X server (Xvfb) that the test starts when Xvfb is installed.

#include "tests/support/KWindowD3D9TestSupport.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "tests/support/TestSupport.h"
#include "tests/support/XServerTestSupport.h"

using namespace windowtest;
using lftest::ScopedEnvironment;
using lftest::XServer;

namespace {

std::string pixelOfFile(const std::filesystem::path &file, int x, int y) {
    std::string out;
    EXPECT_EQ(lftest::runProgram({"/usr/bin/convert", file.string(), "-format",
                                  "%[hex:p{" + std::to_string(x) + "," + std::to_string(y) + "}]", "info:"},
                                 &out),
              0);
    return out.substr(0, 6);
}

} // namespace

// Also the child's scenario on the X server: the screenshot folder comes from the parent then.
TEST(RealWindow, DrawsFlipsAndSavesAScreenshotOfTheFrame) {
    useHeadlessHooks("16");
    lftest::TempDir ownFolder;
    const char *given = getenv("LANTERNFALL_SCREENSHOT_DIR");
    std::string folder = given && *given ? given : ownFolder.str();
    ScopedEnvironment environment;
    environment.set("LANTERNFALL_SCREENSHOTS", "2");
    environment.set("LANTERNFALL_SCREENSHOT_DIR", folder);
    platformReloadWindowHooks();

    KWindowD3D9 window;
    ASSERT_TRUE(window.createGameWindow(160, 120, 32, true, "Lanternfall window test"));
    window.setMaxFrameRate(-1);
    window.resetFrameTiming();
    IDirect3DDevice9 *device = window.getDevice();
    for (int frame = 1; frame <= 2; ++frame) {
        window.setClearColor(0.0f, 0.0f, frame == 2 ? 1.0f : 0.0f, 1.0f);
        window.setViewTransform(0, 0, 0, 1.0f, true);
        Vertex marker[4] = {{9.5f, -9.5f, 0, kGreen, 0, 0},
                            {49.5f, -9.5f, 0, kGreen, 1, 0},
                            {9.5f, -39.5f, 0, kGreen, 0, 1},
                            {49.5f, -39.5f, 0, kGreen, 1, 1}};
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, marker, sizeof(Vertex)), D3D_OK);
        window.flipBackBuffer(true);
    }
    EXPECT_DOUBLE_EQ(window.getFrameTime(), 8.0); // deltas 0 and 16 on the fixed clock
    EXPECT_FALSE(window.isQuitRequested());

    std::filesystem::path shot = std::filesystem::path(folder) / "frame_00002.png";
    ASSERT_TRUE(std::filesystem::exists(shot));
    EXPECT_EQ(pixelOfFile(shot, 10, 10), "00FF00");
    EXPECT_EQ(pixelOfFile(shot, 49, 39), "00FF00");
    EXPECT_EQ(pixelOfFile(shot, 50, 40), "0000FF");
    EXPECT_EQ(pixelOfFile(shot, 159, 119), "0000FF");
}

TEST(RealWindow, UnderAnXServerTheSameFrameIsSaved) {
    if (!XServer::installed())
        GTEST_SKIP() << "Xvfb is not installed";
    XServer server;
    ASSERT_FALSE(server.display().empty()) << server.failure();
    lftest::TempDir folder;
    ScopedEnvironment environment;
    environment.set("DISPLAY", server.display());
    environment.set("SDL_VIDEODRIVER", "x11");
    environment.set("LANTERNFALL_FOREGROUND", "1");
    environment.set("LANTERNFALL_DIALOG_ANSWER", "0");
    environment.set("LANTERNFALL_SCREENSHOT_DIR", folder.str());
    environment.set("LSAN_OPTIONS", lftest::dbusLeakOptions(folder.path()));
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string output;
    int status = lftest::runProgram(
        {self, "--gtest_filter=RealWindow.DrawsFlipsAndSavesAScreenshotOfTheFrame", "--gtest_brief=1"}, &output);
    EXPECT_EQ(status, 0) << "display " << server.display() << "\n" << output;
    EXPECT_EQ(output.find("SKIPPED"), std::string::npos);
    std::filesystem::path shot = folder / "frame_00002.png";
    ASSERT_TRUE(std::filesystem::exists(shot)) << output;
    EXPECT_EQ(pixelOfFile(shot, 20, 20), "00FF00");
    EXPECT_EQ(pixelOfFile(shot, 100, 100), "0000FF");
}
