#pragma once
// Shared by the game's suites: a HoGame in a real headless window on the fixed clock, its per-user
// folder under the test's scratch folder, and the window's back buffer read back.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/image/KImage.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "engine/text/KText.h"
#include "engine/window/KWindowD3D9.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "platform/DeviceHooks.h"
#include "platform/TestHooks.h"
#include "platform/WinUser.h"
#include "platform/WindowHooks.h"
#include "tests/support/TestSupport.h"

namespace lftest {

// Headless window and sound, the fixed clock, and the per-user folder in `temp`.
inline void useHeadlessGame(const TempDir &temp, const char *clockStepMs = "100") {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("XDG_DATA_HOME", temp.path().c_str(), 1);
    setenv("LANTERNFALL_FIXED_CLOCK_MS", clockStepMs, 1);
    platformReloadTestHooks();
    platformReloadWindowHooks();
    deviceHooksReset();
    deviceHooksSetThreadCount(1);
    initSystem();
    clearLogContents();
}

inline void endHeadlessGame() {
    unsetenv("LANTERNFALL_FIXED_CLOCK_MS");
    platformReloadTestHooks();
}

// The game's settings in the small mode: a 480 x 360 window keeps the software device quick.
inline GameSettings smallGameSettings() {
    GameSettings settings = lanternfallSettings();
    settings.normalMode = 0;
    settings.smallMode = 1;
    return settings;
}

// The game's settings in windowed mode, HD or SD, with its window made.
inline std::unique_ptr<HoGame> startWindowedGame(bool hd, GameSettings settings = lanternfallSettings()) {
    auto game = std::make_unique<HoGame>(settings);
    EXPECT_TRUE(game->initStateFolder());
    game->options.set(kOptionFullscreen, 0.0f);
    game->options.set(kOptionHdGraphics, hd ? 1.0f : 0.0f);
    game->createWindow();
    EXPECT_NE(game->window, nullptr);
    return game;
}

// The game's archives: content written under a folder per archive ("data.pak", "data_hd.pak",
// "data_sd.pak"), packed by Info-ZIP with the archive password into one folder that is the data path
// while this object lives, as the game's own folder is.
class GameArchives {
public:
    explicit GameArchives(const TempDir &temp) : root_(temp.path()) {
        std::memcpy(savedDataPath_, dataPath, sizeof savedDataPath_);
        std::filesystem::create_directories(folder());
        std::snprintf(dataPath, sizeof dataPath, "%s", folder().c_str());
        if (!KResource::fileSystemArchive)
            KResource::fileSystemArchive = new KResourceArchiveDirect();
    }
    ~GameArchives() {
        KResource::removeAllArchives();
        std::memcpy(dataPath, savedDataPath_, sizeof savedDataPath_);
    }
    GameArchives(const GameArchives &) = delete;
    GameArchives &operator=(const GameArchives &) = delete;

    // The folder the archives are packed into: the data path.
    std::filesystem::path folder() const { return root_ / "game"; }
    std::filesystem::path content(const std::string &archive = "data.pak") const {
        return root_ / ("content-" + archive);
    }
    void write(const std::string &name, const std::string &text, const std::string &archive = "data.pak") {
        std::filesystem::create_directories((content(archive) / name).parent_path());
        writeFileText(content(archive) / name, text);
    }
    void writeBytes(const std::string &name, const std::vector<unsigned char> &bytes,
                    const std::string &archive = "data.pak") {
        std::filesystem::create_directories((content(archive) / name).parent_path());
        writeFileBytes(content(archive) / name, bytes);
    }
    // Packs every archive that has content; true when zip succeeded for each.
    bool pack() {
        for (const char *archive : {"data.pak", "data_hd.pak", "data_sd.pak"}) {
            if (!std::filesystem::exists(content(archive)))
                continue;
            std::filesystem::remove(folder() / archive);
            if (runProgram({"env", "-C", content(archive).string(), "zip", "-q", "-r", "-X", "-P",
                            kResourceArchivePassword, (folder() / archive).string(), "."}) != 0)
                return false;
        }
        return true;
    }
    // Packs, then mounts the main archive and the quality archive of the game's choice.
    bool packAndMount(bool hd) {
        if (!pack())
            return false;
        KResource::removeAllArchives();
        for (const char *archive : {"data.pak", hd ? "data_hd.pak" : "data_sd.pak"}) {
            if (std::filesystem::exists(folder() / archive) && KResource::addArchive((folder() / archive).c_str()) != 0)
                return false;
        }
        return true;
    }

private:
    std::filesystem::path root_;
    char savedDataPath_[sizeof dataPath];
};

// A test with a headless game: its content in `archives`, its game made by the test. The engine-wide
// text settings that a game context sets are restored afterwards.
class HeadlessGameTest : public ::testing::Test {
protected:
    TempDir temp;
    std::unique_ptr<GameArchives> archives;
    std::unique_ptr<HoGame> game;

    void SetUp() override {
        useHeadlessGame(temp);
        archives = std::make_unique<GameArchives>(temp);
    }
    // Packs the content, opens the small windowed game and makes its context, whose init starts the world.
    HoContext &startSmallGame() {
        EXPECT_TRUE(archives->packAndMount(false));
        game = startWindowedGame(false, smallGameSettings());
        game->createContext();
        return *game->context;
    }
    void TearDown() override {
        game.reset();
        archives.reset();
        defaultTextEncoding = savedEncoding_;
        textGlyphPages = savedGlyphPages_;
        endHeadlessGame();
    }

private:
    int32_t savedEncoding_ = defaultTextEncoding;
    bool savedGlyphPages_ = textGlyphPages;
};

// The back buffer's pixels, red, green, blue and alpha bytes.
struct BackBuffer {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;

    const uint8_t *at(int x, int y) const { return rgba.data() + (size_t(y) * width + x) * 4; }

    // The smallest rectangle holding every pixel whose red exceeds the threshold; empty when none does.
    struct Box {
        int left = 0, top = 0, right = -1, bottom = -1; // inclusive
        bool empty() const { return right < left; }
        int width() const { return right - left + 1; }
        int height() const { return bottom - top + 1; }
    };
    Box litBox(int threshold = 8) const {
        Box box{width, height, -1, -1};
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                if (at(x, y)[0] <= threshold)
                    continue;
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
        }
        return box.empty() ? Box{} : box;
    }
};

inline BackBuffer readBackBuffer(KWindow *window) {
    BackBuffer buffer;
    auto *d3d = static_cast<KWindowD3D9 *>(window);
    ImageData image;
    const int width = d3d->getGameAreaWidth(), height = d3d->getGameAreaHeight();
    if (!d3d->getBackBufferAsImage(width, height, &image) || !image.pixels)
        return buffer;
    buffer.width = int(image.width);
    buffer.height = int(image.height);
    buffer.rgba.assign(image.pixels, image.pixels + size_t(image.width) * image.height * 4);
    freeImagePixels(&image);
    return buffer;
}

} // namespace lftest
