// What every content tool does with its command line: "--help" and "-h" print the usage on standard output
// and succeed, an unknown option is named, a file that is not an archive is called so, and no engine log
// lines reach the terminal unless they are asked for.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace lftest {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string out, err;
};

ToolRun runTool(const std::string &tool, const std::vector<std::string> &arguments) {
    TempDir temp;
    std::vector<std::string> argv = {"bash", "-c", "exec \"$0\" \"$@\" 2>\"" + (temp / "err").string() + "\"",
                                     toolPath(tool)};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ToolRun run;
    run.status = runProgram(argv, &run.out);
    const std::vector<unsigned char> err = readFileBytes(temp / "err");
    run.err.assign(err.begin(), err.end());
    return run;
}

const char *const kTools[] = {"lf-font", "lf-image", "lf-res", "lf-demo-art", "lf-atlas", "lf-video"};

TEST(ToolCommandLine, HelpPrintsTheUsageAndSucceeds) {
    for (const char *tool : kTools) {
        for (const char *help : {"--help", "-h"}) {
            SCOPED_TRACE(std::string(tool) + " " + help);
            const ToolRun run = runTool(tool, {help});
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_NE(run.out.find(std::string("usage: ") + tool), std::string::npos) << run.out;
            EXPECT_EQ(run.err, "");
        }
    }
}

TEST(ToolCommandLine, AnUnknownOptionIsNamedAndNoEngineLogIsShown) {
    const std::vector<std::vector<std::string>> calls = {
        {"lf-font", "--frobnicate", "1"}, {"lf-image", "--frobnicate"}, {"lf-res", "--frobnicate"},
        {"lf-demo-art", "splash", "--frobnicate", "1"}, {"lf-demo-art", "world", "--frobnicate", "1"},
        {"lf-demo-art", "--frobnicate"},
        {"lf-atlas", "--frobnicate", "1"}, {"lf-video", "--frobnicate"}};
    for (const auto &call : calls) {
        SCOPED_TRACE(call[0]);
        const ToolRun run = runTool(call[0], std::vector<std::string>(call.begin() + 1, call.end()));
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("--frobnicate"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("usage: " + call[0]), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("System: "), std::string::npos) << "engine log lines: " << run.err;
    }
}

TEST(ToolCommandLine, ListingAFileThatIsNoArchiveSaysSo) {
    TempDir temp;
    writeFileText(temp / "notes.txt", "not an archive at all\n");
    const ToolRun run = runTool("lf-res", {"ls", (temp / "notes.txt").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("is neither a zip nor a tar archive"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("missing archive"), std::string::npos) << run.err;
    const ToolRun missing = runTool("lf-res", {"ls", (temp / "absent.pak").string()});
    EXPECT_NE(missing.err.find("no such file"), std::string::npos) << missing.err;
}

// A file the tool cannot read or write is named without the usage and without the engine's timed log
// lines; a tar archive whose header fails its checksum is refused; a command line that lacks an option
// says which.
TEST(ToolCommandLine, FileErrorsAreNamedAloneAndADamagedTarIsRefused) {
    TempDir temp;
    fs::create_directories(temp / "data/particles");
    writeFileText(temp / "data/particles/found.particles", "sparks\n");
    writeFileText(temp / "data/particles/dust.particles", "dust\n");
    ASSERT_EQ(runProgram({"tar", "-C", temp.str(), "-cf", (temp / "good.tar").string(), "data"}), 0);
    // The third header's name, "data/particles/found.particles" or the other, gets one byte changed.
    std::vector<unsigned char> bytes = readFileBytes(temp / "good.tar");
    ASSERT_GT(bytes.size(), 1040u);
    bytes[1024 + 16] ^= 0x5A;
    writeFileBytes(temp / "bad.tar", bytes);
    const std::string good = (temp / "good.tar").string(), bad = (temp / "bad.tar").string();
    struct Case {
        std::vector<std::string> call;
        const char *said;
        bool usage;
    } cases[] = {
        {{"lf-res", "ls", bad}, "is damaged: the header at byte 1024 fails its checksum", false},
        {{"lf-res", "cat", bad, "data/particles/dust.particles"}, "is damaged", false},
        {{"lf-res", "cat", good, "data/particles/none"}, "cannot read 'data/particles/none'", false},
        {{"lf-video", "--scene", "candle", "--out", (temp / "no/such/folder/x.ogv").string(), "--size", "16x16", "--fps",
          "1", "--seconds", "1"},
         "cannot write", false},
        {{"lf-atlas", "--name", "a", "--out", (temp / "out").string(), "--root", temp.str(),
          (temp / "data/none.png").string()},
         "cannot read", false},
        {{"lf-atlas"}, "--name is missing", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.call[0] + ": " + c.said);
        const ToolRun run = runTool(c.call[0], std::vector<std::string>(c.call.begin() + 1, c.call.end()));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.call[0] + ": "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("usage: ") != std::string::npos, c.usage) << run.err;
        std::istringstream lines(run.err);
        for (std::string line; std::getline(lines, line);)
            EXPECT_FALSE(line.size() >= 9 && line[2] == ':' && line[5] == ':' && line[8] == ':') << line;
    }
}

} // namespace
} // namespace lftest
