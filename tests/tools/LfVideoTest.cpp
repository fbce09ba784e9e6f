// lf-video: videos drawn and encoded by the tool, decoded again by libtheora's example decoder
// (theora_dump_video), whose planes the checks read; and the arguments it refuses.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace lftest {
namespace {

namespace fs = std::filesystem;

// A decoded video: its header's size and rate and each frame's planes (Y, then Cb and Cr, 4:2:0).
struct DecodedVideo {
    int width = 0, height = 0;
    std::string rate;
    std::vector<std::string> frames;

    int luma(int frame, int x, int y) const { return static_cast<unsigned char>(frames[frame][size_t(y) * width + x]); }
    int chroma(int frame, int plane, int x, int y) const {
        const size_t at = size_t(width) * height + size_t(plane) * (width / 2) * (height / 2) +
                          size_t(y / 2) * (width / 2) + x / 2;
        return static_cast<unsigned char>(frames[frame][at]);
    }
    // The sum of the luma differences of two frames.
    long lumaDistance(int a, int b) const {
        long sum = 0;
        for (size_t i = 0; i < size_t(width) * height; ++i)
            sum += std::labs(long(static_cast<unsigned char>(frames[a][i])) - static_cast<unsigned char>(frames[b][i]));
        return sum;
    }
};

DecodedVideo decode(const fs::path &file) {
    std::string y4m;
    EXPECT_EQ(runProgram({"sh", "-c", "theora_dump_video \"$0\" 2>/dev/null", file.string()}, &y4m), 0);
    DecodedVideo video;
    const size_t headerEnd = y4m.find('\n');
    std::istringstream header(y4m.substr(0, headerEnd));
    for (std::string token; header >> token;) {
        if (token[0] == 'W')
            video.width = std::atoi(token.c_str() + 1);
        else if (token[0] == 'H')
            video.height = std::atoi(token.c_str() + 1);
        else if (token[0] == 'F')
            video.rate = token.substr(1);
    }
    const size_t frameSize = size_t(video.width) * video.height * 3 / 2;
    const std::string marker = "FRAME\n";
    for (size_t at = headerEnd + 1; frameSize > 0 && y4m.compare(at, marker.size(), marker) == 0;
         at += marker.size() + frameSize)
        video.frames.push_back(y4m.substr(at + marker.size(), frameSize));
    return video;
}

class LfVideo : public ::testing::Test {
protected:
    // The tool's exit status; its standard error in `errors` when given.
    int video(std::vector<std::string> arguments, std::string *errors = nullptr) {
        arguments.insert(arguments.begin(), toolPath("lf-video"));
        std::vector<std::string> shell = {"sh", "-c", "\"$0\" \"$@\" 2>" + (temp / "errors.txt").string()};
        shell.insert(shell.end(), arguments.begin(), arguments.end());
        const int status = runProgram(shell);
        if (errors) {
            const auto bytes = readFileBytes(temp / "errors.txt");
            errors->assign(bytes.begin(), bytes.end());
        }
        return status;
    }

    TempDir temp;
};

TEST_F(LfVideo, TheCandleWithAlphaHasTheColourOnTheLeftAndItsMaskOnTheRight) {
    const fs::path out = temp / "candle_a.ogv";
    ASSERT_EQ(video({"--scene", "candle", "--out", out.string(), "--size", "48x96", "--fps", "25", "--seconds", "2",
                     "--alpha"}),
              0);
    EXPECT_FALSE(fs::exists(out.string() + ".part"));
    const DecodedVideo decoded = decode(out);
    EXPECT_EQ(decoded.width, 96);
    EXPECT_EQ(decoded.height, 96);
    EXPECT_EQ(decoded.rate, "25:1");
    ASSERT_EQ(decoded.frames.size(), 50u);
    for (int frame : {0, 25, 49}) {
        SCOPED_TRACE(frame);
        // The flame's body, low in the picture: bright colour, white mask; the corners: black mask.
        EXPECT_GT(decoded.luma(frame, 24, 66), 180);
        EXPECT_GT(decoded.luma(frame, 48 + 24, 66), 225);
        EXPECT_LT(decoded.luma(frame, 48 + 2, 2), 24);
        EXPECT_LT(decoded.luma(frame, 48 + 45, 92), 24);
        // The mask is grey: no colour.
        EXPECT_NEAR(decoded.chroma(frame, 0, 48 + 24, 66), 128, 3);
        EXPECT_NEAR(decoded.chroma(frame, 1, 48 + 24, 66), 128, 3);
        // Warm: more red than blue.
        EXPECT_GT(decoded.chroma(frame, 1, 24, 66), decoded.chroma(frame, 0, 24, 66));
    }
    // The flame moves, and its last frame leads back into its first as every frame leads into the next.
    long largestStep = 0;
    for (int frame = 0; frame + 1 < 50; ++frame)
        largestStep = std::max(largestStep, decoded.lumaDistance(frame, frame + 1));
    EXPECT_GT(decoded.lumaDistance(0, 6), largestStep);
    EXPECT_LE(decoded.lumaDistance(49, 0), largestStep * 3 / 2);
}

TEST_F(LfVideo, WithoutAlphaTheCandleBurnsOnBlack) {
    const fs::path out = temp / "candle.ogv";
    ASSERT_EQ(video({"--scene", "candle", "--out", out.string(), "--size", "64x64", "--fps", "10", "--seconds", "0.5",
                     "--quality", "20"}),
              0);
    const DecodedVideo decoded = decode(out);
    EXPECT_EQ(decoded.width, 64);
    EXPECT_EQ(decoded.rate, "10:1");
    ASSERT_EQ(decoded.frames.size(), 5u);
    EXPECT_LT(decoded.luma(0, 2, 2), 24);
    EXPECT_GT(decoded.luma(0, 32, 44), 150);
}

TEST_F(LfVideo, TheBeamSweepsOnceFromLeftToRightAndTheBoatsAnswerOneByOne) {
    const fs::path out = temp / "beam.ogv";
    ASSERT_EQ(video({"--scene", "beam", "--out", out.string(), "--size", "480x288", "--fps", "10", "--seconds", "2"}),
              0);
    const DecodedVideo decoded = decode(out);
    EXPECT_EQ(decoded.width, 480);
    ASSERT_EQ(decoded.frames.size(), 20u);
    // The brightest point of a row of sea across the picture, low under the horizon.
    const int row = 230;
    auto brightestColumn = [&](int frame) {
        int best = 0;
        for (int x = 1; x < decoded.width; ++x)
            best = decoded.luma(frame, x, row) > decoded.luma(frame, best, row) ? x : best;
        return best;
    };
    EXPECT_LT(decoded.luma(0, brightestColumn(0), row), 60) << "the lamp is not lit at the first frame";
    // Once lit, the beam's light on the sea moves from the left half to the right, never back.
    int previous = 0;
    for (int frame = 2; frame < 18; ++frame) {
        SCOPED_TRACE(frame);
        const int column = brightestColumn(frame);
        EXPECT_GT(decoded.luma(frame, column, row), 120);
        EXPECT_GE(column, previous);
        previous = column;
    }
    EXPECT_LT(brightestColumn(2), 200);
    EXPECT_GT(brightestColumn(17), 280);
    // Each boat's masthead light, left to right, comes on later than the one before and stays on: none at
    // the first frame, all at the last.
    const int lamps[4][2] = {{86, 111}, {158, 120}, {317, 114}, {403, 125}};
    int previousAnswer = -1;
    for (const auto &[x, y] : lamps) {
        SCOPED_TRACE(x);
        int answer = 0;
        while (answer < 20 && decoded.luma(answer, x, y) < 150)
            ++answer;
        EXPECT_GT(answer, previousAnswer);
        EXPECT_GT(decoded.luma(19, x, y), 150);
        previousAnswer = answer;
    }
}

TEST_F(LfVideo, BadArgumentsAreRefusedWithTheirReason) {
    const std::string out = (temp / "video.ogv").string();
    const std::vector<std::string> good = {"--scene", "candle", "--out", out, "--size", "48x96", "--fps", "25",
                                           "--seconds", "1"};
    // Each case replaces or adds one argument pair of the good call.
    struct Case {
        std::vector<std::string> change;
        std::string reason;
    };
    const Case cases[] = {
        {{"--scene", "sea"}, "unknown scene sea"},
        {{"--size", "50x96"}, "must be a multiple of 16"},
        {{"--size", "48"}, "--size takes WxH, not 48"},
        {{"--size", "0x96"}, "--size takes a whole number from 1 to 4096"},
        {{"--fps", "0"}, "--fps takes a whole number from 1 to 100, not 0"},
        {{"--seconds", "-1"}, "--seconds takes a number above 0"},
        {{"--quality", "64"}, "--quality takes a whole number from 0 to 63, not 64"},
        {{"--colour", "red"}, "unknown option --colour"},
        {{"--out", (temp / "no/such/folder/video.ogv").string()}, "cannot write"},
        {{"--size", "36x96", "--alpha"}, "the width doubled by --alpha is 72"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.reason);
        std::vector<std::string> arguments = good;
        auto named = std::find(arguments.begin(), arguments.end(), c.change[0]);
        if (named != arguments.end())
            *(named + 1) = c.change[1];
        else
            arguments.insert(arguments.end(), c.change.begin(), c.change.begin() + 2);
        arguments.insert(arguments.end(), c.change.begin() + std::min<size_t>(2, c.change.size()), c.change.end());
        std::string errors;
        EXPECT_EQ(video(arguments, &errors), 1);
        EXPECT_EQ(errors.rfind("lf-video: ", 0), 0u) << errors;
        EXPECT_NE(errors.find(c.reason), std::string::npos) << errors;
        EXPECT_FALSE(fs::exists(out));
    }
    std::string errors;
    EXPECT_EQ(video({"--out", out}, &errors), 1);
    EXPECT_NE(errors.find("--scene needs a scene name"), std::string::npos) << errors;

    std::string usage;
    EXPECT_EQ(runProgram({toolPath("lf-video"), "--help"}, &usage), 0);
    EXPECT_EQ(usage.rfind("usage: lf-video --scene NAME --out FILE --size WxH --fps N --seconds S", 0), 0u) << usage;
}

} // namespace
} // namespace lftest
