#pragma once
// A clip of an Ogg file with a Theora video stream, over libogg and libtheora: it reads the stream
// headers and measures the length, then on the worker pulls pages from the data source 4096 bytes at
// a time, decodes one frame per call into the queue, starts again at the end when looping, and seeks
// by bisection over the file's pages. Only the first Theora stream is played; other streams (sound)
// are skipped, since no audio interface factory is installed.

#include <ogg/ogg.h>
#include <theora/theoradec.h>

#include <cstdint>

#include "video/TheoraVideoClip.h"

class TheoraVideoClip_Theora : public TheoraVideoClip {
public:
    TheoraVideoClip_Theora(TheoraDataSource *source, int outputMode, int numPrecachedFrames, bool usePower2Stride);
    ~TheoraVideoClip_Theora() override;

    void doSeek() override;
    bool _readData() override;
    void decodeAudio() override {}
    void load(TheoraDataSource *source) override;
    void restart() override;
    std::string getDecoderName() override { return "Theora"; }
    bool decodeNextFrame() override;
    void updateAudio() override {}

    // The granule position a seek to the start sets: 0 for streams of version 3.2.0, whose frame
    // numbers count from 0 in the granule, else 1.
    static int64_t startGranulePosition(const th_info &info);

private:
    void readHeaders();
    void readBeginningPages();
    void readRemainingHeaders();
    void checkStreamCanPlay();
    void scanDuration();
    // Reads up to `count` bytes from the source into the page reader; the number read.
    int readIntoSync(int count);
    // The next packet of the Theora stream, reading more data as needed; false at the end of the data.
    bool nextTheoraPacket(ogg_packet &packet);
    void convertDecodedFrame(TheoraVideoFrame &frame, float time, int64_t number);
    // The next page of the Theora stream that carries a granule position, reading more data as needed;
    // false at the end of the data.
    bool nextTheoraPageWithGranule(ogg_page &page);
    int64_t seekPage(int64_t targetFrame, bool returnKeyFrame);
    // Decodes forward from the seek position until the frame before the target; false when the data
    // ran out first.
    bool decodeToSeekFrame(int targetFrame, bool granuleSet);
    void setGranulePosition(int64_t granule);
    void makeDecoder();

    ogg_sync_state mOggSyncState{};
    ogg_page mOggPage{};
    ogg_stream_state mTheoraStreamState{};
    int mTheoraStreamSerial = 0;
    th_info mInfo{};
    th_comment mComment{};
    th_setup_info *mSetup = nullptr;
    th_dec_ctx *mDecoder = nullptr;
    int mTheoraHeaders = 0;
};
