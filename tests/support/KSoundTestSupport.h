#pragma once
// Shared by the sound suites: tones encoded by libvorbisenc, WAV files, reading back what the mixer
// played (the WAV capture hook) and measuring it: where sound starts and stops, its pitch and level.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/AudioMixer.h"
#include "platform/WinBase.h"
#include "tests/support/TestSupport.h"
#include "tools/OggVorbisEncoder.h"

namespace lftest {

constexpr double kTwoPi = 6.283185307179586;

// Interleaved float samples (-1..1) of `seconds` of audio made by `wave(time, channel)`.
inline std::vector<float> synthesize(int rate, int channels, double seconds,
                                     const std::function<double(double, int)> &wave) {
    size_t frames = static_cast<size_t>(std::llround(seconds * rate));
    std::vector<float> samples(frames * channels);
    for (size_t i = 0; i < frames; i++)
        for (int c = 0; c < channels; c++)
            samples[i * channels + c] = static_cast<float>(wave(static_cast<double>(i) / rate, c));
    return samples;
}

inline std::function<double(double, int)> sine(double frequency, double amplitude = 0.5) {
    return [=](double t, int) { return amplitude * std::sin(kTwoPi * frequency * t); };
}

// Encodes interleaved float samples to Ogg Vorbis with libvorbisenc (VBR, quality 0.5).
inline std::vector<unsigned char> encodeOggVorbis(const std::vector<float> &samples, int rate, int channels) {
    std::vector<unsigned char> out = tool::encodeOggVorbis(samples, rate, channels);
    EXPECT_FALSE(out.empty()) << "the encoder refused " << rate << " Hz, " << channels << " channels";
    return out;
}

inline std::vector<unsigned char> oggTone(double frequency, double seconds, int rate, int channels,
                                          double amplitude = 0.5) {
    return encodeOggVorbis(synthesize(rate, channels, seconds, sine(frequency, amplitude)), rate, channels);
}

// A malloc'd copy, as the sound takes ownership of its data.
inline unsigned char *mallocCopy(const std::vector<unsigned char> &bytes) {
    auto *copy = static_cast<unsigned char *>(std::malloc(bytes.size() + 1));
    std::memcpy(copy, bytes.data(), bytes.size());
    copy[bytes.size()] = 0;
    return copy;
}

inline void putLe(std::vector<unsigned char> &out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A RIFF WAVE file of 16-bit (or 8-bit) PCM from float samples.
inline std::vector<unsigned char> makeWav(const std::vector<float> &samples, int rate, int channels, int bits) {
    std::vector<unsigned char> pcm;
    for (float s : samples) {
        if (bits == 8)
            pcm.push_back(static_cast<unsigned char>(std::lround(128 + s * 127)));
        else
            putLe(pcm, static_cast<uint16_t>(static_cast<int16_t>(std::lround(s * 32767))), 2);
    }
    std::vector<unsigned char> out = {'R', 'I', 'F', 'F'};
    putLe(out, static_cast<uint32_t>(36 + pcm.size()), 4);
    for (char c : std::string("WAVEfmt "))
        out.push_back(static_cast<unsigned char>(c));
    putLe(out, 16, 4);
    putLe(out, 1, 2);
    putLe(out, channels, 2);
    putLe(out, rate, 4);
    putLe(out, rate * channels * bits / 8, 4);
    putLe(out, channels * bits / 8, 2);
    putLe(out, bits, 2);
    for (char c : std::string("data"))
        out.push_back(static_cast<unsigned char>(c));
    putLe(out, static_cast<uint32_t>(pcm.size()), 4);
    out.insert(out.end(), pcm.begin(), pcm.end());
    return out;
}

// What the capture hook wrote: 44100 Hz stereo, as left and right channels of floats.
struct CapturedAudio {
    int rate = 0;
    std::vector<float> left, right;

    size_t frames() const { return left.size(); }
    double seconds(size_t frames) const { return static_cast<double>(frames) / rate; }

    // First and one-past-last frame whose level exceeds `threshold` on either channel; {0, 0} if none.
    std::pair<size_t, size_t> soundingSpan(float threshold = 0.02f) const {
        size_t first = frames(), last = 0;
        for (size_t i = 0; i < frames(); i++) {
            if (std::fabs(left[i]) > threshold || std::fabs(right[i]) > threshold) {
                first = std::min(first, i);
                last = i + 1;
            }
        }
        return first < last ? std::make_pair(first, last) : std::make_pair(size_t{0}, size_t{0});
    }

    // Upward zero crossings per second of one channel over [from, to).
    double frequency(size_t from, size_t to, bool useLeft = true) const {
        const std::vector<float> &s = useLeft ? left : right;
        int crossings = 0;
        size_t firstCrossing = 0, lastCrossing = 0;
        for (size_t i = from + 1; i < to; i++) {
            if (s[i - 1] < 0 && s[i] >= 0) {
                if (crossings == 0)
                    firstCrossing = i;
                lastCrossing = i;
                crossings++;
            }
        }
        if (crossings < 2)
            return 0;
        return (crossings - 1) * static_cast<double>(rate) / static_cast<double>(lastCrossing - firstCrossing);
    }

    double rms(size_t from, size_t to, bool useLeft = true) const {
        const std::vector<float> &s = useLeft ? left : right;
        double sum = 0;
        for (size_t i = from; i < to; i++)
            sum += static_cast<double>(s[i]) * s[i];
        return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0;
    }

    // The longest run of frames in [from, to) where both channels stay below `threshold`.
    size_t longestSilence(size_t from, size_t to, float threshold = 0.02f) const {
        size_t longest = 0, run = 0;
        for (size_t i = from; i < to; i++) {
            if (std::fabs(left[i]) < threshold && std::fabs(right[i]) < threshold)
                longest = std::max(longest, ++run);
            else
                run = 0;
        }
        return longest;
    }
};

inline CapturedAudio readCapturedWav(const std::filesystem::path &path) {
    std::vector<unsigned char> bytes = readFileBytes(path);
    CapturedAudio audio;
    if (bytes.size() < 44 || std::memcmp(bytes.data(), "RIFF", 4) != 0)
        return audio;
    auto le16 = [&](size_t at) { return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8); };
    auto le32 = [&](size_t at) { return static_cast<uint32_t>(le16(at) | le16(at + 2) << 16); };
    audio.rate = static_cast<int>(le32(24));
    EXPECT_EQ(le16(22), 2);
    EXPECT_EQ(le16(34), 16);
    size_t dataBytes = std::min<size_t>(le32(40), bytes.size() - 44);
    for (size_t at = 44; at + 4 <= 44 + dataBytes; at += 4) {
        audio.left.push_back(static_cast<int16_t>(le16(at)) / 32768.0f);
        audio.right.push_back(static_cast<int16_t>(le16(at + 2)) / 32768.0f);
    }
    return audio;
}

// The file that captureWhile records into while it runs.
inline std::filesystem::path &captureFile() {
    static std::filesystem::path file;
    return file;
}

// Records the mixer's output for the duration of the scope of `play`, then reads it back.
inline CapturedAudio captureWhile(const std::function<void()> &play) {
    TempDir temp;
    captureFile() = temp / "captured.wav";
    EXPECT_TRUE(startAudioCapture(captureFile().string().c_str()));
    play();
    stopAudioCapture();
    return readCapturedWav(std::exchange(captureFile(), {}));
}

// Inside captureWhile: waits until the mixer has put out `seconds` more of audio (44100 Hz stereo, 16-bit),
// however late a busy machine runs its output (a bounded wait).
inline void captureSeconds(double seconds) {
    const auto captured = [] {
        std::error_code error;
        const auto bytes = std::filesystem::file_size(captureFile(), error);
        return error ? 0.0 : static_cast<double>(bytes) / (44100.0 * 4);
    };
    const double until = captured() + seconds;
    EXPECT_TRUE(waitUntil([&] { return captured() >= until; })) << "the mixer did not put out " << seconds << " s more";
}

} // namespace lftest
