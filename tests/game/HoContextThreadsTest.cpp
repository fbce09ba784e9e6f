// test-labels: threaded
// The game context's end joins the game-load thread before anything of the context goes.

#include "game/HoContext.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/HoGameTestSupport.h"

namespace {

class ContextThreads : public lftest::HeadlessGameTest {};

TEST_F(ContextThreads, TheEndWaitsForTheGameLoadThread) {
    game = std::make_unique<HoGame>(lftest::smallGameSettings());
    auto *context = new HoContext(game.get());
    static std::atomic<bool> finished;
    finished = false;
    context->loadThread = startThread(new ThreadRecord(), [](void *, void *) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        // What the thread touches of the context is still there.
        finished = currentContext != nullptr && currentContext->resources != nullptr;
    }, nullptr);
    ASSERT_NE(context->loadThread, nullptr);
    delete context;
    EXPECT_TRUE(finished);
    EXPECT_EQ(currentContext, nullptr);
}

} // namespace
