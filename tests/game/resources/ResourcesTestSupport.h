#pragma once
// Shared by the resource suites: game content written as loose files under a folder that is the data
// path, or packed by Info-ZIP's `zip -P` into a mounted archive, and a game context over it.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/resource/KResource.h"
#include "engine/system/KSystemLog.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/resources/AtlasMap.h"
#include "game/resources/HoResourceManager.h"
#include "tests/engine/text/KTextTestSupport.h"
#include "tests/support/KGraphicTestSupport.h"
#include "tests/support/KResourceTestSupport.h"

namespace restest {

namespace fs = std::filesystem;

inline bool logHas(const std::string &text) {
    return getLogContents().find(text) != std::string::npos;
}

inline int logCount(const std::string &text) {
    const std::string log = getLogContents();
    int count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        ++count;
    return count;
}

// Content under source(), read as loose files until packAndMount puts it into "data.pak" and points the
// data path at a folder that holds only the archive. The context is made on first use and goes first.
class GameContent {
public:
    GameContent() : dataFolder_(source().string()) {
        fs::create_directories(source());
        fs::create_directories(packed());
        KResource::removeAllArchives();
        clearLogContents();
    }
    ~GameContent() {
        made_.reset();
        KResource::removeAllArchives();
    }

    fs::path source() const { return temp / "source"; }
    fs::path packed() const { return temp / "packed"; }

    void write(const std::string &name, const std::string &text) { lftest::writeText(source() / name, text); }
    void writeBytes(const std::string &name, const std::vector<unsigned char> &bytes) {
        fs::create_directories((source() / name).parent_path());
        lftest::writeFileBytes(source() / name, bytes);
    }

    // Packs everything under source()/data with the archive password and mounts it (again).
    bool packAndMount() {
        KResource::removeAllArchives();
        fs::remove(packed() / "data.pak");
        if (!lftest::makeZip(source(), packed() / "data.pak", {"data"}, kResourceArchivePassword))
            return false;
        std::snprintf(dataPath, sizeof dataPath, "%s", packed().c_str());
        return KResource::addArchive((packed() / "data.pak").c_str()) == 0;
    }

    HoContext &context() {
        if (!made_)
            made_ = std::make_unique<HoContext>(&game);
        return *made_;
    }
    HoResourceManager &resources() { return *context().resources; }
    // The context, initialised (its shared batch made) on first use.
    HoContext &started() {
        HoContext &ctx = context();
        if (!ctx.batch)
            ctx.init();
        return ctx;
    }
    void dropContext() { made_.reset(); }

    lftest::TempDir temp;
    HoGame game{lanternfallSettings()};

private:
    lftest::DataFolderScope dataFolder_;
    std::unique_ptr<HoContext> made_;
};

// Game content drawn on a software device: pictures written by ImageMagick, and a context whose shared
// batch is made on first use.
class DrawnContent : public picturetest::RendererTest, public GameContent {
protected:
    void SetUp() override {
        RendererTest::SetUp();
        clearLogContents();
    }
    void TearDown() override {
        dropContext();
        RendererTest::TearDown();
    }

    void writePicture(const std::string &name, int w, int h, const std::vector<uint32_t> &pixels) {
        fs::create_directories((source() / name).parent_path());
        ASSERT_TRUE(picturetest::writeImage(source() / name, w, h, pixels));
    }
};

} // namespace restest
