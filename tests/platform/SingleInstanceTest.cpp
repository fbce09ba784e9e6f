#include "platform/SingleInstance.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

TEST(SingleInstance, TheHolderClaimsAgainWithoutFindingItself) {
    lftest::TempDir dir;
    const lftest::SingleInstanceRelease release;
    EXPECT_EQ(platformClaimSingleInstance(dir.str() + "/state", "game one"), SingleInstanceClaim::first);
    EXPECT_TRUE(fs::exists(dir / "state/game_one.lock")) << "the folder is made and the name kept safe";
    EXPECT_EQ(platformClaimSingleInstance(dir.str() + "/state", "game one"), SingleInstanceClaim::first);
    EXPECT_FALSE(platformTakeRaiseRequest()) << "nobody asked";
    platformReleaseSingleInstance();
    EXPECT_FALSE(platformTakeRaiseRequest());
}

TEST(SingleInstance, AnotherProcessIsRefusedAndItsRequestArrives) {
    lftest::TempDir dir;
    const lftest::SingleInstanceRelease release;
    ASSERT_EQ(platformClaimSingleInstance(dir.str(), "game"), SingleInstanceClaim::first);
    pid_t second = fork();
    ASSERT_GE(second, 0);
    if (second == 0) {
        // The child starts as a fresh copy would: it forgets the parent's claim (the parent keeps it).
        platformReleaseSingleInstance();
        SingleInstanceClaim claim = platformClaimSingleInstance(dir.str(), "game");
        _exit(claim == SingleInstanceClaim::another ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(second, &status, 0), second);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the second process found the first";
    EXPECT_TRUE(platformTakeRaiseRequest());
    EXPECT_FALSE(platformTakeRaiseRequest()) << "one request is taken once";
}

TEST(SingleInstance, AFolderThatCannotBeMadeFailsWithoutHoldingAnything) {
    lftest::TempDir dir;
    lftest::writeFileText(dir / "file", "x");
    EXPECT_EQ(platformClaimSingleInstance(dir.str() + "/file/state", "game"), SingleInstanceClaim::failed);
    EXPECT_EQ(platformClaimSingleInstance("", "game"), SingleInstanceClaim::failed);
    EXPECT_FALSE(platformTakeRaiseRequest());
}

} // namespace
