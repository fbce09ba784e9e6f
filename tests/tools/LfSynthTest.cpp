// lf-synth: the demo's sounds decoded again by vorbisfile: their format and length, sound in them, and
// loops whose end leads into their beginning; and the command lines it refuses.

#include <gtest/gtest.h>

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace lftest {
namespace {

namespace fs = std::filesystem;

struct Decoded {
    int channels = 0;
    long rate = 0;
    std::vector<float> samples; // the first channel
};

Decoded decode(const fs::path &file) {
    Decoded decoded;
    OggVorbis_File vorbis;
    if (ov_fopen(file.c_str(), &vorbis) != 0)
        return decoded;
    const vorbis_info *info = ov_info(&vorbis, -1);
    decoded.channels = info->channels;
    decoded.rate = info->rate;
    float **pcm = nullptr;
    int section = 0;
    for (long count; (count = ov_read_float(&vorbis, &pcm, 4096, &section)) > 0;)
        decoded.samples.insert(decoded.samples.end(), pcm[0], pcm[0] + count);
    ov_clear(&vorbis);
    return decoded;
}

float rms(const std::vector<float> &samples) {
    double sum = 0.0;
    for (float s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0.0f : float(std::sqrt(sum / double(samples.size())));
}

TEST(LfSynth, WritesTheDemosSoundsAndLoopsThatCloseOnThemselves) {
    TempDir temp;
    ASSERT_EQ(runProgram({toolPath("lf-synth"), "--out", temp.path().string()}), 0);
    const struct {
        const char *path;
        double seconds;
        bool loops;
    } sounds[] = {{"data/sounds/gulls.ogg", 4.0, true},
                  {"data/sounds/surf.ogg", 6.0, true},
                  {"data/sounds/door.ogg", 1.6, false},
                  {"data/music/evening.ogg", 8.0, true},
                  {"data/sounds/lens_wipe.ogg", 0.45, false},
                  {"data/sounds/lens_clean.ogg", 1.48, false},
                  {"data/sounds/mirror_shot.ogg", 0.25, false},
                  {"data/sounds/mirror_hit.ogg", 0.4, false},
                  {"data/sounds/mirrors_aligned.ogg", 1.92, false},
                  {"data/sounds/wick_flame.ogg", 3.0, true},
                  {"data/sounds/lever.ogg", 0.8, false},
                  {"data/music/beam.ogg", 6.5, false}};
    for (const auto &sound : sounds) {
        SCOPED_TRACE(sound.path);
        const fs::path file = temp.path() / sound.path;
        ASSERT_TRUE(fs::exists(file));
        EXPECT_LT(fs::file_size(file), 40u * 1024u) << "small files";
        const Decoded decoded = decode(file);
        EXPECT_EQ(decoded.channels, 1);
        EXPECT_EQ(decoded.rate, 22050);
        EXPECT_NEAR(double(decoded.samples.size()), sound.seconds * 22050, 1.0);
        EXPECT_GT(rms(decoded.samples), 0.02f) << "something to hear";
        if (sound.loops && decoded.samples.size() > 2) {
            // Across the seam the wave moves no more than it does from one sample to the next elsewhere.
            float largestStep = 0.0f;
            for (size_t i = 1; i < decoded.samples.size(); ++i)
                largestStep = std::max(largestStep, std::fabs(decoded.samples[i] - decoded.samples[i - 1]));
            EXPECT_LE(std::fabs(decoded.samples.front() - decoded.samples.back()), largestStep);
        }
    }
}

TEST(LfSynth, RefusesACommandLineWithoutItsFolder) {
    for (const std::vector<std::string> &arguments :
         {std::vector<std::string>{}, {"--out"}, {"--to", "x"}, {"--out", "x", "--more"}}) {
        std::vector<std::string> command{"sh", "-c", "\"$0\" \"$@\" 2>/dev/null", toolPath("lf-synth")};
        command.insert(command.end(), arguments.begin(), arguments.end());
        EXPECT_EQ(runProgram(command), 1) << arguments.size() << " arguments";
    }
}

} // namespace
} // namespace lftest
