#include "game/util/ReadWholeFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "engine/system/KSystem.h"
#include "tests/support/KResourceTestSupport.h"

namespace {

using lftest::ResourceLayerTest;

// Every test reads from a fresh data folder.
class ReadWholeFileTest : public ResourceLayerTest {
protected:
    void SetUp() override {
        ResourceLayerTest::SetUp();
        std::string folder = temp.str();
        ASSERT_LT(folder.size(), sizeof dataPath);
        std::strcpy(dataPath, folder.c_str());
    }
};

TEST_F(ReadWholeFileTest, ALooseFileArrivesWholeAndTerminated) {
    std::string text = lftest::sampleText(70000);
    lftest::writeText(temp / "data" / "game.cfg", text);
    WholeFile file;
    ASSERT_TRUE(readWholeFile("data/game.cfg", &file));
    ASSERT_EQ(file.size, text.size());
    EXPECT_EQ(std::memcmp(file.data.get(), text.data(), text.size()), 0);
    EXPECT_EQ(file.data[file.size], 0);
}

TEST_F(ReadWholeFileTest, AnEmptyFileIsAnEmptyText) {
    lftest::writeText(temp / "data" / "empty.cfg", "");
    WholeFile file;
    ASSERT_TRUE(readWholeFile("data/empty.cfg", &file));
    EXPECT_EQ(file.size, 0u);
    ASSERT_NE(file.data, nullptr);
    EXPECT_EQ(file.data[0], 0);
}

TEST_F(ReadWholeFileTest, AMissingFileIsFalseWithoutALogLine) {
    WholeFile file;
    EXPECT_FALSE(readWholeFile("data/absent.cfg", &file));
    EXPECT_EQ(file.data, nullptr);
    EXPECT_FALSE(readWholeFile(nullptr, &file));
    EXPECT_EQ(getLogContents(), "");
}

TEST_F(ReadWholeFileTest, AFileInAMountedArchiveIsFoundFirst) {
    lftest::writeText(temp / "pack" / "data" / "scenes.cfg", "hall\r\ngarden\r\n");
    ASSERT_TRUE(lftest::makeTar(temp / "pack", temp / "data.pak", {"data"}));
    ASSERT_EQ(KResource::addArchive((temp / "data.pak").c_str()), 0);
    WholeFile file;
    ASSERT_TRUE(readWholeFile("data/scenes.cfg", &file));
    EXPECT_STREQ(file.data.get(), "hall\r\ngarden\r\n");
}

// The archive is cut after it was mounted: the entry promises more bytes than arrive.
TEST_F(ReadWholeFileTest, AShortReadIsRefusedAndLoggedWithTheFileName) {
    lftest::writeText(temp / "pack" / "data" / "long.txt", lftest::sampleText(20000));
    ASSERT_TRUE(lftest::makeTar(temp / "pack", temp / "cut.tar", {"data"}));
    ASSERT_EQ(KResource::addArchive((temp / "cut.tar").c_str()), 0);
    std::filesystem::resize_file(temp / "cut.tar", 8192);
    WholeFile file;
    file.size = 99;
    EXPECT_FALSE(readWholeFile("data/long.txt", &file));
    EXPECT_EQ(file.size, 0u);
    EXPECT_EQ(file.data, nullptr);
    EXPECT_TRUE(logHas("'data/long.txt'")) << getLogContents();
}

TEST_F(ReadWholeFileTest, AFolderIsNoFile) {
    std::filesystem::create_directories(temp / "data" / "sounds");
    WholeFile file;
    EXPECT_FALSE(readWholeFile("data/sounds", &file));
    EXPECT_EQ(file.data, nullptr);
}

} // namespace
