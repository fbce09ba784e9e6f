// The game window end to end on a real window: created, drawn through the device, flipped on the fixed
// clock, with the screenshot hook saving the frame. It runs on SDL's offscreen driver, and again in a
// child process on an X server (Xvfb) that the test starts when Xvfb is installed.

#include "tests/support/KWindowD3D9TestSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include "tests/support/TestSupport.h"

extern char **environ;

using namespace windowtest;

namespace {

std::string pixelOfFile(const std::filesystem::path &file, int x, int y) {
    std::string out;
    EXPECT_EQ(lftest::runProgram({"/usr/bin/convert", file.string(), "-format",
                                  "%[hex:p{" + std::to_string(x) + "," + std::to_string(y) + "}]", "info:"},
                                 &out),
              0);
    return out.substr(0, 6);
}

// An X server of our own on a free display; stopped (by its process id) when the object goes.
std::string displayName(int number) {
    char name[16];
    std::snprintf(name, sizeof name, ":%d", number);
    return name;
}

class XServer {
public:
    XServer() {
        if (access("/usr/bin/Xvfb", X_OK) != 0)
            return;
        for (int number = 140 + getpid() % 40; number < 240 && display_.empty(); ++number) {
            std::string lock = "/tmp/.X" + std::to_string(number);
            lock += "-lock";
            if (access(lock.c_str(), F_OK) == 0)
                continue; // taken
            if (start(number))
                display_ = displayName(number);
        }
    }
    ~XServer() { stop(); }
    const std::string &display() const { return display_; }

private:
    // Starts Xvfb on the display and waits until its socket takes connections (a few seconds at most);
    // false when the server ends first or never answers.
    bool start(int number) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::string name = displayName(number);
        const char *argv[] = {"/usr/bin/Xvfb", name.c_str(), "-nolisten", "tcp", "-screen", "0", "1024x768x24",
                              nullptr};
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char **>(argv), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (pid_ <= 0)
            return false;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "/tmp/.X11-unix/X%d", number);
        for (int attempt = 0; attempt < 500; ++attempt) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1; // it ended: the display was taken after all
                return false;
            }
            int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            bool connected = fd >= 0 && connect(fd, (sockaddr *)&address, sizeof address) == 0;
            if (fd >= 0)
                close(fd);
            if (connected)
                return true;
            usleep(10000);
        }
        stop();
        return false;
    }

    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    pid_t pid_ = -1;
    std::string display_;
};

// Sets environment variables for the life of the object.
class ScopedEnvironment {
public:
    void set(const char *name, const std::string &value) {
        const char *old = getenv(name);
        saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

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
    XServer server;
    if (server.display().empty())
        GTEST_SKIP() << "Xvfb is not available";
    lftest::TempDir folder;
    ScopedEnvironment environment;
    environment.set("DISPLAY", server.display());
    environment.set("SDL_VIDEODRIVER", "x11");
    environment.set("LANTERNFALL_FOREGROUND", "1");
    environment.set("LANTERNFALL_DIALOG_ANSWER", "0");
    environment.set("LANTERNFALL_SCREENSHOT_DIR", folder.str());
    // On X, SDL's start-up goes through D-Bus, whose library keeps a buffer to the end of the process.
    std::filesystem::path suppressions = folder / "leaks.supp";
    lftest::writeFileText(suppressions, "leak:libdbus-1.so\n");
    environment.set("LSAN_OPTIONS", "suppressions=" + suppressions.string());
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
