// The archive tool: lists and prints entries of archives mounted as the game mounts them.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/resource/KResource.h"
#include "tests/support/TestSupport.h"

namespace lftest {
namespace {

class LfResTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto source = temp / "source";
        std::filesystem::create_directories(source / "data/sounds");
        writeFileText(source / "data/game.cfg", "volume = 0.5\n");
        writeFileText(source / "data/sounds/click.txt", "click");
        picture = std::string(5000, '\0');
        for (size_t i = 0; i < picture.size(); i++)
            picture[i] = static_cast<char>(i * 7919 >> 3);
        writeFileText(source / "data/lamp.png", picture);
        ASSERT_EQ(runProgram({"env", "-C", source.string(), "zip", "-q", "-r", "-P", kResourceArchivePassword,
                              (temp / "data.pak").string(), "data"}),
                  0);
        ASSERT_EQ(runProgram({"tar", "-C", source.string(), "-cf", (temp / "data.tar").string(), "data"}), 0);
    }

    static int lfRes(const std::vector<std::string> &arguments, std::string *output) {
        std::vector<std::string> argv = {toolPath("lf-res")};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return runProgram(argv, output);
    }

    TempDir temp;
    std::string picture;
};

TEST_F(LfResTest, ListsEveryEntryInArchiveOrder) {
    for (const char *archive : {"data.pak", "data.tar"}) {
        std::string output;
        ASSERT_EQ(lfRes({"ls", (temp / archive).string()}, &output), 0) << archive;
        for (const char *name : {"data/\n", "data/game.cfg\n", "data/sounds/\n", "data/sounds/click.txt\n", "data/lamp.png\n"})
            EXPECT_NE(output.find(name), std::string::npos) << archive << " " << name;
    }
}

TEST_F(LfResTest, PrintsOneEntryByteForByte) {
    std::string output;
    ASSERT_EQ(lfRes({"cat", (temp / "data.pak").string(), "data/lamp.png"}, &output), 0);
    EXPECT_EQ(output, picture);
    output.clear();
    ASSERT_EQ(lfRes({"cat", (temp / "data.tar").string(), "DATA\\GAME.CFG"}, &output), 0);
    EXPECT_EQ(output, "volume = 0.5\n");
}

TEST_F(LfResTest, FailsWithStatusOne) {
    std::string output;
    EXPECT_EQ(lfRes({"cat", (temp / "data.pak").string(), "data/nowhere.txt"}, &output), 1);
    EXPECT_EQ(output, "");
    EXPECT_EQ(lfRes({"cat", (temp / "data.pak").string(), "data/sounds/"}, &output), 1);
    EXPECT_EQ(lfRes({"ls", (temp / "absent.pak").string()}, &output), 1);
    EXPECT_EQ(lfRes({"ls", temp.str()}, &output), 1);
    EXPECT_EQ(lfRes({"list", (temp / "data.pak").string()}, &output), 1);
    EXPECT_EQ(lfRes({}, &output), 1);

    ASSERT_EQ(runProgram({"env", "-C", (temp / "source").string(), "zip", "-q", "-r", "-P", "another password",
                          (temp / "other.pak").string(), "data"}),
              0);
    EXPECT_EQ(lfRes({"cat", (temp / "other.pak").string(), "data/game.cfg"}, &output), 1);
    EXPECT_EQ(output, "");
}

} // namespace
} // namespace lftest
