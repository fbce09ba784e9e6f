// The real program on an X server of its own (Xvfb) that ends under it: the game's log says that the
// display went away, the game finishes the saves asked for and ends itself, with a failure status (not
// through the X library's exit, which runs the program's destructors under its other threads).

#include "tests/e2e/LanternfallFixture.h"
#include "tests/support/XServerTestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace lfe2e;

TEST_F(LanternfallFixture, WhenTheDisplayGoesAwayTheLogSaysSoBeforeTheGameEnds) {
    if (!lftest::XServer::installed())
        GTEST_SKIP() << lftest::XServer::kNotInstalled;
    std::optional<lftest::XServer> server(std::in_place, "1280x1024x24");
    ASSERT_FALSE(server->display().empty()) << server->failure();
    const fs::path log = temp / "lost.log";
    std::vector<std::string> line = {"env",
                                     "DISPLAY=" + server->display(),
                                     "SDL_VIDEODRIVER=x11",
                                     "SDL_AUDIODRIVER=dummy",
                                     "LANTERNFALL_DIALOG_ANSWER=0",
                                     "LANTERNFALL_LOG=" + log.string(),
                                     "XDG_DATA_HOME=" + (temp / "xdg").string(),
                                     "HOME=" + (temp / "home").string(),
                                     "XDG_CONFIG_HOME=" + (temp / "config").string(),
                                     // The process ends inside the X library: what it holds then is no leak.
                                     lftest::asanOptionsWith("detect_leaks=0"),
                                     program.string()};
    std::vector<char *> argv;
    for (std::string &word : line)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawnp(&pid, "env", nullptr, nullptr, argv.data(), environ), 0);
    const bool windowMade =
        lftest::waitUntil([&] { return readText(log).find("game window successfully created") != std::string::npos; });
    server.reset();
    int status = 0;
    const bool ended = lftest::waitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    ASSERT_TRUE(windowMade) << readText(log);
    ASSERT_TRUE(ended) << "the game ends with its display";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
    const std::vector<std::string> errors = lftest::errorLines(readText(log));
    ASSERT_FALSE(errors.empty()) << readText(log);
    EXPECT_NE(errors.back().find("the display has gone away (the connection to the X server ended): the game exits"),
              std::string::npos)
        << readText(log);
    const std::string text = readText(log);
    const size_t lost = text.find("the display has gone away");
    EXPECT_NE(text.find("Game: the saves asked for are finished; the game ends", lost), std::string::npos) << text;
}

} // namespace
