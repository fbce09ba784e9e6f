#pragma once
// Shared by the video suites: clips made by ffmpeg's Theora encoder (once per test program, in one
// folder), clips opened through the resource layer, and reading a frame-number barcode back.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "tests/support/KResourceTestSupport.h"
#include "video/HoTheoraOstilDataSource.h"
#include "video/TheoraFrameQueue.h"
#include "video/TheoraTimer.h"
#include "video/TheoraVideoClip_Theora.h"
#include "video/TheoraVideoFrame.h"

namespace lftest {

// The folder of the program's clips; it lives as long as the program.
inline const std::filesystem::path &clipFolder() {
    static TempDir folder;
    return folder.path();
}

// Makes clipFolder()/name with ffmpeg from the given arguments (input and encoding), once.
inline std::filesystem::path makeClip(const std::string &name, const std::vector<std::string> &arguments) {
    std::filesystem::path path = clipFolder() / name;
    if (!std::filesystem::exists(path)) {
        std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        argv.push_back(path.string());
        EXPECT_EQ(runProgram(argv), 0) << "ffmpeg could not make " << name;
    }
    return path;
}

// testsrc2 pictures of a size and chroma layout, 25 frames a second.
inline std::filesystem::path makePictureClip(const std::string &name, const std::string &size,
                                             const std::string &pixelFormat, int frames = 25,
                                             const std::vector<std::string> &more = {}) {
    std::vector<std::string> arguments = {"-f", "lavfi", "-i", "testsrc2=size=" + size + ":rate=25"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    arguments.insert(arguments.end(), {"-frames:v", std::to_string(frames), "-pix_fmt", pixelFormat, "-c:v",
                                       "libtheora", "-q:v", "7"});
    return makeClip(name, arguments);
}

// An Ogg file with a Vorbis stream and no Theora stream, "vorbis_only.ogv".
inline std::filesystem::path soundOnlyClip() {
    return makeClip("vorbis_only.ogv", {"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a", "libvorbis"});
}

// The luma of a 128×32 frame whose 16-pixel columns show the frame number in binary (column b is bit b:
// white for 1).
inline const char kBarcodeLuma[] = "geq=lum='16+219*mod(floor(N/pow(2\\,floor(X/16)))\\,2)':cb=128:cr=128";

// Barcode frames, 25 frames a second, with a key frame every `keyInterval` frames.
inline std::string barcodeClip(int frames, int keyInterval) {
    std::string name = "barcode_" + std::to_string(frames) + "_g" + std::to_string(keyInterval) + ".ogv";
    makeClip(name, {"-f", "lavfi", "-i", "color=c=black:size=128x32:rate=25", "-vf", kBarcodeLuma, "-frames:v",
                    std::to_string(frames), "-pix_fmt", "yuv420p", "-c:v", "libtheora", "-q:v", "7", "-g",
                    std::to_string(keyInterval)});
    return name;
}

// The alpha layout of barcode frames: the barcode on the left, on the right a mask that is white over
// the picture's left half and black over its right half. Named "..._a.ogv".
inline std::string alphaBarcodeClip(int frames) {
    std::string name = "barcode_" + std::to_string(frames) + "_a.ogv";
    const std::string source = "color=c=black:size=128x32:rate=25,";
    makeClip(name, {"-filter_complex",
                    source + kBarcodeLuma + "[colour];" + source +
                        "geq=lum='if(lt(X\\,64)\\,235\\,16)':cb=128:cr=128[mask];[colour][mask]hstack",
                    "-frames:v", std::to_string(frames), "-pix_fmt", "yuv420p", "-c:v", "libtheora", "-q:v", "7"});
    return name;
}

// The number that barcode pixels (rows of 128) show.
inline int barcodeOf(const uint32_t *pixels) {
    int number = 0;
    for (int bit = 0; bit < 8; bit++) {
        uint32_t pixel = pixels[8 * 128 + 16 * bit + 8];
        if ((pixel >> 16 & 0xFF) > 128)
            number |= 1 << bit;
    }
    return number;
}

// The number a barcode frame shows (output mode 1).
inline int barcodeOf(TheoraVideoFrame *frame) {
    return barcodeOf(frame->getBuffer());
}

// The resource layer reads loose files from the clip folder, the data path for the test.
class VideoTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!KResource::fileSystemArchive)
            KResource::fileSystemArchive = new KResourceArchiveDirect();
        clearLogContents();
    }

    // An open source over a clip of the clip folder.
    static HoTheoraOstilDataSource *openSource(const std::string &name) {
        auto *source = new HoTheoraOstilDataSource(name.c_str());
        EXPECT_EQ(source->open(), 0) << name;
        return source;
    }

    // A clip made and loaded on the test thread, with no worker: the test decodes and keeps the clock.
    static std::unique_ptr<TheoraVideoClip_Theora> loadClip(const std::string &name, int outputMode = 1,
                                                            int precached = 4) {
        HoTheoraOstilDataSource *source = openSource(name);
        auto clip = std::make_unique<TheoraVideoClip_Theora>(source, outputMode, precached, false);
        clip->load(source);
        return clip;
    }

    // Decodes until a frame is ready at the front; that frame (null when the data ends first).
    static TheoraVideoFrame *decodeFront(TheoraVideoClip &clip) {
        for (int tries = 0; tries < 1000; tries++) {
            if (TheoraVideoFrame *frame = clip.getFrameQueue()->getFirstAvailableFrame())
                return frame;
            if (!clip.decodeNextFrame() && clip.isDone())
                return nullptr;
        }
        return nullptr;
    }

    static bool logHas(const std::string &text) { return getLogContents().find(text) != std::string::npos; }

    DataPathScope dataPathScope{clipFolder().string()};
};

} // namespace lftest
