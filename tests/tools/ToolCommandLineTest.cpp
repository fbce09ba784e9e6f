// What every content tool does with its command line: "--help" and "-h" print the usage on standard output
// and succeed, an unknown option is named, a file that is not an archive is called so, and no engine log
// lines reach the terminal unless they are asked for.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace lftest {
namespace {

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

} // namespace
} // namespace lftest
