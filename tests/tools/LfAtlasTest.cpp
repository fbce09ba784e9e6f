// lf-atlas: atlas pages and maps from pictures made by ImageMagick. The map is read with the stream
// library and the pages with ImageMagick, so the checks do not depend on the engine's own readers.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace lftest {
namespace {

namespace fs = std::filesystem;

class LfAtlas : public ::testing::Test {
protected:
    // A picture of w x h with an opaque w - l - r by h - t - b block inside a transparent margin.
    void picture(const std::string &name, int w, int h, int l, int t, int r, int b) {
        fs::create_directories((temp / name).parent_path());
        const std::string draw = "rectangle " + std::to_string(l) + "," + std::to_string(t) + " " +
                                 std::to_string(w - r - 1) + "," + std::to_string(h - b - 1);
        ASSERT_EQ(runProgram({"/usr/bin/convert", "-size", std::to_string(w) + "x" + std::to_string(h), "xc:none",
                              "-fill", "#3080c0", "-draw", draw, (temp / name).string()}),
                  0);
    }
    int atlas(std::vector<std::string> arguments, std::string *errors = nullptr) {
        arguments.insert(arguments.begin(), toolPath("lf-atlas"));
        if (!errors)
            return runProgram(arguments);
        // Standard error into a file, read back.
        std::vector<std::string> shell = {"sh", "-c", "\"$0\" \"$@\" 2>" + (temp / "errors.txt").string()};
        shell.insert(shell.end(), arguments.begin(), arguments.end());
        int status = runProgram(shell);
        auto bytes = readFileBytes(temp / "errors.txt");
        errors->assign(bytes.begin(), bytes.end());
        return status;
    }
    std::map<std::string, std::string> readMap(const fs::path &path) {
        std::map<std::string, std::string> lines;
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line))
            lines[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        return lines;
    }
    std::string identify(const fs::path &path) {
        std::string size;
        runProgram({"/usr/bin/identify", "-format", "%w %h", path.string()}, &size);
        return size;
    }

    TempDir temp;
};

TEST_F(LfAtlas, PicturesAreTrimmedPackedAndKeyedByTheirDataPath) {
    picture("content/data/scenes/door.png", 30, 20, 4, 3, 5, 2);
    picture("content/data/items/key.png", 10, 10, 0, 0, 0, 0);
    ASSERT_EQ(atlas({"--name", "hall", "--out", (temp / "out").string(), "--root", (temp / "content").string(),
                     (temp / "content/data/scenes/door.png").string(), (temp / "content/data/items/key.png").string()}),
              0);
    std::map<std::string, std::string> map = readMap(temp / "out/hall.map");
    EXPECT_EQ(map["pages"], "1");
    EXPECT_EQ(map["scale"], "1");
    EXPECT_EQ(map["format"], "png");
    ASSERT_EQ(map.count("data/scenes/door.png"), 1u);
    // What follows x and y: the stored size, the page and the trims.
    auto afterPosition = [](const std::string &value) { return value.substr(value.find(',', value.find(',') + 1)); };
    EXPECT_EQ(afterPosition(map["data/scenes/door.png"]), ",21,15,1:4,3,5,2");
    EXPECT_EQ(afterPosition(map["data/items/key.png"]), ",10,10,1") << "no trims";
    EXPECT_TRUE(fs::exists(temp / "out/hall_01.png"));
    EXPECT_FALSE(fs::exists(temp / "out/hall_02.png"));

    // Half the size: the scale line says so and the trims shrink with the picture.
    ASSERT_EQ(atlas({"--name", "half", "--out", (temp / "out").string(), "--root", (temp / "content").string(),
                     "--scale", "0.5", (temp / "content/data/scenes/door.png").string()}),
              0);
    map = readMap(temp / "out/half.map");
    EXPECT_EQ(map["scale"], "0.5");
    EXPECT_NE(map["data/scenes/door.png"].find(":2,"), std::string::npos) << map["data/scenes/door.png"];
}

TEST_F(LfAtlas, SmallPagesMakeSeveralAndDdsPagesGoToTheOutputFolder) {
    std::vector<std::string> arguments = {"--name", "many", "--out", (temp / "dds").string(), "--root",
                                          (temp / "content").string(), "--format", "dds", "--page-size", "16"};
    for (int i = 0; i < 5; ++i) {
        const std::string name = "content/data/p" + std::to_string(i) + ".png";
        picture(name, 12, 12, 1, 1, 1, 1);
        arguments.push_back((temp / name).string());
    }
    ASSERT_EQ(atlas(arguments), 0);
    std::map<std::string, std::string> map = readMap(temp / "dds/many.map");
    EXPECT_EQ(map["pages"], "5");
    EXPECT_EQ(map["format"], "dds");
    for (int page = 1; page <= 5; ++page) {
        const fs::path file = temp / ("dds/many_0" + std::to_string(page) + ".dds");
        ASSERT_TRUE(fs::exists(file)) << file;
        const std::vector<unsigned char> bytes = readFileBytes(file);
        ASSERT_GE(bytes.size(), 128u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "DDS ");
        EXPECT_EQ(std::string(bytes.begin() + 84, bytes.begin() + 88), "DXT5");
    }
    EXPECT_EQ(identify(temp / "dds/many_01.dds"), "16 16");
}

TEST_F(LfAtlas, FailuresExitWithTheReason) {
    picture("content/data/big.png", 40, 40, 0, 0, 0, 0);
    picture("outside.png", 4, 4, 0, 0, 0, 0);
    const std::string out = (temp / "out").string(), root = (temp / "content").string();
    const std::string big = (temp / "content/data/big.png").string();
    struct Case {
        std::vector<std::string> arguments;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {{"--name", "a", "--out", out, "--root", root, "--page-size", "32", big}, "does not fit a page of 32"},
        {{"--name", "a", "--out", out, "--root", root, (temp / "outside.png").string()}, "does not lie below the root"},
        {{"--name", "a", "--out", out, "--root", root, (temp / "content/data/none.png").string()}, "cannot read"},
        {{"--name", "a", "--out", out, "--format", "tga", big}, "--format is png or dds"},
        {{"--name", "a", "--out", out, "--scale", "0", big}, "--scale takes a number above 0"},
        {{"--name", "a", "--out", out, "--root", root, big, big}, "is given twice"},
        {{"--out", out, big}, "--name is missing"},
        {{"--name", "a/b", "--out", out, big}, "--name needs a name without"},
        {{"--name", "a", big}, "--out needs a folder"},
        {{"--name", "a", "--out", out}, "no picture given"},
    };
    for (const Case &c : cases) {
        std::string errors;
        EXPECT_EQ(atlas(c.arguments, &errors), 1) << c.reason;
        EXPECT_NE(errors.find("lf-atlas: "), std::string::npos) << errors;
        EXPECT_NE(errors.find(c.reason), std::string::npos) << errors;
    }
    EXPECT_FALSE(fs::exists(temp / "out/a.map"));
}

} // namespace
} // namespace lftest
