// test-labels: threaded
// Broken and hostile files: each is refused by `load` with its message (logged with the file's name)
// or plays; none crashes, hangs or leaks, and none keeps the manager's work lock.

#include "tests/video/VideoTestSupport.h"

#include <ogg/ogg.h>

#include <set>

#include "video/TheoraGenericException.h"
#include "video/TheoraVideoManager.h"

namespace lftest {
namespace {

// The packets of a file's first stream with their granule positions, and where its headers end.
struct OggPackets {
    int serial = 0;
    std::vector<std::vector<unsigned char>> packets;
    std::vector<int64_t> granules;
    std::vector<size_t> pageEnds;
};

OggPackets readPackets(const std::vector<unsigned char> &file) {
    OggPackets result;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char *buffer = ogg_sync_buffer(&sync, long(file.size()));
    std::copy(file.begin(), file.end(), buffer);
    ogg_sync_wrote(&sync, long(file.size()));
    ogg_stream_state stream;
    bool started = false;
    ogg_page page;
    size_t offset = 0;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        offset += size_t(page.header_len + page.body_len);
        result.pageEnds.push_back(offset);
        if (!started) {
            result.serial = ogg_page_serialno(&page);
            ogg_stream_init(&stream, result.serial);
            started = true;
        }
        ogg_stream_pagein(&stream, &page);
        ogg_packet packet;
        while (ogg_stream_packetout(&stream, &packet) == 1) {
            result.packets.emplace_back(packet.packet, packet.packet + packet.bytes);
            result.granules.push_back(packet.granulepos);
        }
    }
    if (started)
        ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
    return result;
}

// Pages the packets again with libogg (so every page's checksum holds): the first header alone on the
// first page, the other two headers on the next.
std::vector<unsigned char> writePackets(const OggPackets &source) {
    std::vector<unsigned char> file;
    ogg_stream_state stream;
    ogg_stream_init(&stream, source.serial);
    ogg_page page;
    auto take = [&](int (*next)(ogg_stream_state *, ogg_page *)) {
        while (next(&stream, &page))
            for (auto part : {std::pair{page.header, page.header_len}, std::pair{page.body, page.body_len}})
                file.insert(file.end(), part.first, part.first + part.second);
    };
    for (size_t i = 0; i < source.packets.size(); i++) {
        std::vector<unsigned char> bytes = source.packets[i];
        ogg_packet packet{bytes.data(), long(bytes.size()), i == 0, i + 1 == source.packets.size(),
                          source.granules[i], ogg_int64_t(i)};
        ogg_stream_packetin(&stream, &packet);
        take(i == 0 || i == 2 ? ogg_stream_flush : ogg_stream_pageout);
    }
    take(ogg_stream_flush);
    ogg_stream_clear(&stream);
    return file;
}

void putBigEndian(std::vector<unsigned char> &bytes, size_t at, int count, uint32_t value) {
    for (int i = 0; i < count; i++)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * (count - 1 - i)));
}

class TheoraBadInputTest : public VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        manager = std::make_unique<TheoraVideoManager>(1);
    }
    void TearDown() override { manager.reset(); }

    std::string writeClip(const std::string &name, const std::vector<unsigned char> &bytes) {
        writeFileBytes(clipFolder() / name, bytes);
        return name;
    }

    // The message `load` threw, logged with the file's name; "" when the clip was accepted. A good clip
    // can be made afterwards.
    std::string refusal(const std::string &name) {
        std::string message;
        try {
            manager->destroyVideoClip(manager->createVideoClip(openSource(name)));
        } catch (_TheoraGenericException &error) {
            message = error.getErrorText();
            EXPECT_TRUE(logHas("Unable to create video from data source: " + name + ": TheoraGenericException: " +
                               message))
                << getLogContents();
        }
        TheoraVideoClip *good = manager->createVideoClip(openSource(barcodeClip(100, 8)));
        EXPECT_NE(good, nullptr);
        manager->destroyVideoClip(good);
        return message;
    }

    // Decodes the clip on this thread to its end; the number of frames it gave.
    int framesPlayed(const std::string &name) {
        auto clip = loadClip(name);
        int frames = 0;
        while (decodeFront(*clip)) {
            frames++;
            clip->popFrame();
        }
        EXPECT_TRUE(clip->isDone());
        return frames;
    }

    std::unique_ptr<TheoraVideoManager> manager;
};

TEST_F(TheoraBadInputTest, CutClipsAreRefusedInTheirHeadersAndPlayWhatTheyHoldAfter) {
    const std::vector<unsigned char> whole = readFileBytes(clipFolder() / barcodeClip(100, 64));
    OggPackets packets = readPackets(whole);
    ASSERT_GE(packets.pageEnds.size(), 4u);
    const std::set<std::string> headerMessages = {"invalid theora stream", "End of file found prematurely",
                                                  "Error parsing Theora stream headers."};
    std::vector<size_t> cuts = {0, 1, 100, 4096, whole.size() / 2, whole.size() - 1};
    cuts.insert(cuts.end(), packets.pageEnds.begin(), packets.pageEnds.begin() + 3);
    for (size_t cut : cuts) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        std::string name = writeClip("cut.ogv", {whole.begin(), whole.begin() + cut});
        std::string message = refusal(name);
        // The headers end with the page that holds the third packet.
        bool inHeaders = readPackets({whole.begin(), whole.begin() + cut}).packets.size() < 3;
        if (inHeaders) {
            EXPECT_EQ(headerMessages.count(message), 1u) << message;
        } else {
            EXPECT_EQ(message, "");
            // Headers alone play no frame; all but the last byte play all but the last page.
            int frames = framesPlayed(name);
            EXPECT_LE(frames, 100);
            EXPECT_TRUE(cut != whole.size() - 1 || frames > 0);
        }
    }
}

TEST_F(TheoraBadInputTest, FilesWithoutAPlayableTheoraStreamAreRefused) {
    writeClip("noise.ogv", noiseBytes(65536));
    OggPackets packets = readPackets(readFileBytes(clipFolder() / barcodeClip(100, 64)));
    OggPackets brokenSetup = packets;
    brokenSetup.packets[2].resize(10);
    OggPackets zeroRate = packets;
    putBigEndian(zeroRate.packets[0], 22, 4, 0);
    OggPackets zeroScale = packets;
    putBigEndian(zeroScale.packets[0], 26, 4, 0);
    OggPackets huge = packets; // 16384 × 16384 in 1024 × 1024 macroblocks
    putBigEndian(huge.packets[0], 10, 2, 1024);
    putBigEndian(huge.packets[0], 12, 2, 1024);
    putBigEndian(huge.packets[0], 14, 3, 16384);
    putBigEndian(huge.packets[0], 17, 3, 16384);
    // 8192 × 8192: each side allowed, but the decoder alone would ask for 300 MB at once.
    OggPackets vast = packets;
    for (size_t at : {10, 12})
        putBigEndian(vast.packets[0], at, 2, 512);
    for (size_t at : {14, 17})
        putBigEndian(vast.packets[0], at, 3, 8192);
    struct Case {
        std::string name;
        std::set<std::string> messages;
    };
    const Case cases[] = {
        {"noise.ogv", {"invalid theora stream"}},
        {soundOnlyClip().filename().string(), {"invalid theora stream"}},
        {writeClip("setup.ogv", writePackets(brokenSetup)), {"invalid theora stream"}},
        {writeClip("rate.ogv", writePackets(zeroRate)), {"invalid theora stream", "invalid theora frame rate"}},
        {writeClip("scale.ogv", writePackets(zeroScale)), {"invalid theora stream", "invalid theora frame rate"}},
        {writeClip("huge.ogv", writePackets(huge)), {"invalid theora frame size"}},
        {writeClip("vast.ogv", writePackets(vast)), {"invalid theora frame size"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string message = refusal(c.name);
        EXPECT_EQ(c.messages.count(message), 1u) << message;
    }
}

TEST_F(TheoraBadInputTest, StrangeButReadableClipsPlay) {
    OggPackets packets = readPackets(readFileBytes(clipFolder() / barcodeClip(100, 64)));
    // A serial number with its top bit set is a stream like any other.
    packets.serial = static_cast<int>(0xB316297Fu);
    EXPECT_EQ(framesPlayed(writeClip("repaged.ogv", writePackets(packets))), 100);
    // A key-frame granule shift of 31 makes every frame number enormous: played, never trusted.
    OggPackets shifted = packets;
    shifted.packets[0][40] |= 0x03;
    shifted.packets[0][41] |= 0xE0;
    EXPECT_EQ(refusal(writeClip("shift.ogv", writePackets(shifted))), "");
    EXPECT_GT(framesPlayed("shift.ogv"), 0);

    makePictureClip("one_frame.ogv", "64x48", "yuv420p", 1);
    EXPECT_EQ(framesPlayed("one_frame.ogv"), 1);
    // A sound track beside the picture, before it or after it, is skipped.
    for (const char *order : {"0:v", "1:a"}) {
        std::string name = std::string("with_sound_") + order[2] + ".ogv";
        makeClip(name, {"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=25", "-f", "lavfi", "-i",
                        "sine=frequency=440:duration=1", "-map", order, "-map", order[2] == 'v' ? "1:a" : "0:v",
                        "-frames:v", "25", "-c:v", "libtheora", "-c:a", "libvorbis", "-pix_fmt", "yuv420p"});
        EXPECT_EQ(refusal(name), "");
        EXPECT_EQ(framesPlayed(name), 25) << name;
    }
}

} // namespace
} // namespace lftest
