#include "video/TheoraVideoClip_Theora.h"

#include <algorithm>
#include <climits>

#include "video/TheoraColourConversion.h"
#include "video/TheoraDataSource.h"
#include "video/TheoraFrameQueue.h"
#include "video/TheoraGenericException.h"
#include "video/TheoraTimer.h"
#include "video/TheoraVideoFrame.h"
#include "video/TheoraVideoManager.h"

namespace {

constexpr int kReadSize = 4096;
constexpr int kDurationScanRounds = 50;
constexpr int kSeekRounds = 100;
// The largest frame side and area taken from a header: a hostile header must not size the frame queue.
// At this area neither the decoder's three bordered reference frames (about 150 MB at 4:4:4) nor one
// converted frame (64 MB) is an allocation beyond reason.
constexpr uint32_t kLargestFrameSide = 8192;
constexpr uint64_t kLargestFrameArea = uint64_t{1} << 24;

bool frameSizeIsPlayable(const th_info &info) {
    const uint32_t width = info.frame_width, height = info.frame_height;
    return width > 0 && height > 0 && width <= kLargestFrameSide && height <= kLargestFrameSide &&
           uint64_t{width} * height <= kLargestFrameArea && info.pic_width <= width && info.pic_height <= height;
}

void setChromaShifts(th_pixel_fmt format, YCbCrConversion &conversion) {
    conversion.chromaShiftX = format == TH_PF_444 ? 0 : 1;
    conversion.chromaShiftY = format == TH_PF_420 ? 1 : 0;
}

} // namespace

TheoraVideoClip_Theora::TheoraVideoClip_Theora(TheoraDataSource *source, int outputMode, int numPrecachedFrames,
                                               bool usePower2Stride)
    : TheoraVideoClip(source, outputMode, numPrecachedFrames, usePower2Stride) {
    ogg_sync_init(&mOggSyncState);
    th_info_init(&mInfo);
    th_comment_init(&mComment);
}

TheoraVideoClip_Theora::~TheoraVideoClip_Theora() {
    waitForWorker();
    if (mDecoder)
        th_decode_free(mDecoder);
    th_setup_free(mSetup);
    if (mTheoraHeaders > 0)
        ogg_stream_clear(&mTheoraStreamState);
    th_info_clear(&mInfo);
    th_comment_clear(&mComment);
    ogg_sync_clear(&mOggSyncState);
}

int64_t TheoraVideoClip_Theora::startGranulePosition(const th_info &info) {
    bool version320 = info.version_major == 3 && info.version_minor == 2 && info.version_subminor == 0;
    return version320 ? 0 : 1;
}

int TheoraVideoClip_Theora::readIntoSync(int count) {
    char *buffer = ogg_sync_buffer(&mOggSyncState, count);
    if (!buffer)
        return 0;
    int got = mStream->read(buffer, count);
    if (got <= 0)
        return 0;
    ogg_sync_wrote(&mOggSyncState, got);
    return got;
}

void TheoraVideoClip_Theora::load(TheoraDataSource *source) {
    mStream = source;
    readHeaders();
    checkStreamCanPlay();
    makeDecoder();
    if (!mDecoder)
        THEORA_THROW("invalid theora stream");

    mWidth = mOutputWidth = static_cast<int>(mInfo.frame_width);
    mHeight = mOutputHeight = static_cast<int>(mInfo.frame_height);
    mWidthMargin = static_cast<int>(mInfo.frame_width - mInfo.pic_width);
    mHeightMargin = static_cast<int>(mInfo.frame_height - mInfo.pic_height);
    mStride = getWidth();
    if (mUsePower2Stride) {
        int power = 1;
        while (power < mStride)
            power *= 2;
        mStride = power;
    }
    mFPS = static_cast<float>(mInfo.fps_numerator) / static_cast<float>(mInfo.fps_denominator);
    mFrameDuration = 1.0f / mFPS;

    mFrameQueue = new TheoraFrameQueue(this);
    mFrameQueue->setSize(mNumPrecachedFrames);
    scanDuration();

    // Decoding starts again from the first page, with no page of the header reading left queued.
    ogg_sync_reset(&mOggSyncState);
    ogg_stream_reset(&mTheoraStreamState);
    mStream->seek(0);
}

void TheoraVideoClip_Theora::readHeaders() {
    readBeginningPages();
    readRemainingHeaders();
}

void TheoraVideoClip_Theora::readBeginningPages() {
    for (;;) {
        if (readIntoSync(kReadSize) == 0)
            return;
        int result;
        while ((result = ogg_sync_pageout(&mOggSyncState, &mOggPage)) != 0) {
            if (result < 0)
                continue;
            if (!ogg_page_bos(&mOggPage)) {
                if (mTheoraHeaders > 0)
                    ogg_stream_pagein(&mTheoraStreamState, &mOggPage);
                return;
            }
            ogg_stream_state test;
            ogg_stream_init(&test, ogg_page_serialno(&mOggPage));
            ogg_stream_pagein(&test, &mOggPage);
            ogg_packet packet;
            if (mTheoraHeaders == 0 && ogg_stream_packetout(&test, &packet) > 0 &&
                th_decode_headerin(&mInfo, &mComment, &mSetup, &packet) >= 1) {
                mTheoraStreamState = test;
                mTheoraStreamSerial = ogg_page_serialno(&mOggPage);
                mTheoraHeaders = 1;
            } else {
                ogg_stream_clear(&test);
            }
        }
    }
}

void TheoraVideoClip_Theora::readRemainingHeaders() {
    auto needsHeaders = [this] { return mTheoraHeaders == 1 || mTheoraHeaders == 2; };
    while (needsHeaders()) {
        ogg_packet packet;
        int result;
        while (needsHeaders() && (result = ogg_stream_packetout(&mTheoraStreamState, &packet)) != 0) {
            if (result < 0)
                THEORA_THROW("Error parsing Theora stream headers.");
            // Any result below 1 is a header refused, errors included.
            if (th_decode_headerin(&mInfo, &mComment, &mSetup, &packet) < 1)
                THEORA_THROW("invalid theora stream");
            mTheoraHeaders++;
        }
        if (!needsHeaders())
            break;
        if (ogg_sync_pageout(&mOggSyncState, &mOggPage) > 0)
            ogg_stream_pagein(&mTheoraStreamState, &mOggPage);
        else if (readIntoSync(kReadSize) == 0)
            THEORA_THROW("End of file found prematurely");
    }
}

void TheoraVideoClip_Theora::checkStreamCanPlay() {
    // Without three headers there is no Theora stream to decode.
    if (mTheoraHeaders < 3)
        THEORA_THROW("invalid theora stream");
    if (mInfo.fps_numerator == 0 || mInfo.fps_denominator == 0)
        THEORA_THROW("invalid theora frame rate");
    if (!frameSizeIsPlayable(mInfo))
        THEORA_THROW("invalid theora frame size");
    if (mInfo.pixel_fmt != TH_PF_420 && mInfo.pixel_fmt != TH_PF_422 && mInfo.pixel_fmt != TH_PF_444)
        THEORA_THROW("unsupported theora pixel format");
}

void TheoraVideoClip_Theora::makeDecoder() {
    if (mDecoder)
        th_decode_free(mDecoder);
    mDecoder = th_decode_alloc(&mInfo, mSetup);
}

void TheoraVideoClip_Theora::scanDuration() {
    const int64_t size = mStream->size();
    for (int round = 1; round <= kDurationScanRounds; round++) {
        ogg_sync_reset(&mOggSyncState);
        const int64_t span = int64_t{round} * kReadSize;
        // A short file is read whole from its start.
        const int64_t start = std::max<int64_t>(0, size - span);
        mStream->seek(start);
        for (int64_t wanted = size - start; wanted > 0;) {
            int got = readIntoSync(static_cast<int>(wanted));
            if (got == 0)
                break;
            wanted -= got;
        }
        int result;
        while ((result = ogg_sync_pageout(&mOggSyncState, &mOggPage)) != 0) {
            if (result < 0 || ogg_page_serialno(&mOggPage) != mTheoraStreamSerial)
                continue;
            const int64_t granule = ogg_page_granulepos(&mOggPage);
            if (granule < 0) {
                if (mNumFrames > 0)
                    mNumFrames++;
                continue;
            }
            const int64_t frame = th_granule_frame(mDecoder, granule);
            if (frame >= 0 && frame < INT_MAX)
                mNumFrames = static_cast<int>(frame) + 1;
        }
        if (mNumFrames > 0 || start == 0)
            break;
    }
    if (mNumFrames < 0)
        TheoraVideoManager::logMessage("unable to determine file duration!");
    else
        mDuration = static_cast<float>(mNumFrames) / mFPS;
}

bool TheoraVideoClip_Theora::_readData() {
    if (readIntoSync(kReadSize) == 0) {
        if (!mAutoRestart)
            mEndOfFile = true;
        return false;
    }
    int result;
    while ((result = ogg_sync_pageout(&mOggSyncState, &mOggPage)) != 0) {
        if (result > 0 && ogg_page_serialno(&mOggPage) == mTheoraStreamSerial)
            ogg_stream_pagein(&mTheoraStreamState, &mOggPage);
    }
    return true;
}

bool TheoraVideoClip_Theora::nextTheoraPacket(ogg_packet &packet) {
    for (;;) {
        int result = ogg_stream_packetout(&mTheoraStreamState, &packet);
        if (result > 0)
            return true;
        // A gap (below 0) is passed over; an empty stream takes more data.
        if (result == 0 && !_readData())
            return false;
    }
}

bool TheoraVideoClip_Theora::decodeNextFrame() {
    if (mEndOfFile)
        return false;
    TheoraVideoFrame *frame = mFrameQueue->requestEmptyFrame();
    if (!frame)
        return false;
    ogg_packet packet;
    while (nextTheoraPacket(packet)) {
        ogg_int64_t granule = -1;
        if (th_decode_packetin(mDecoder, &packet, &granule) < 0)
            continue;
        const float time = static_cast<float>(th_granule_time(mDecoder, granule));
        const int64_t number = th_granule_frame(mDecoder, granule);
        // A frame already late is skipped unconverted, but every 16th is kept so the picture moves on.
        if (mTimer->getTime() > time && !mRestarted && static_cast<uint64_t>(number) % 16 != 0) {
            mNumDisplayedFrames++;
            mNumDroppedFrames++;
            continue;
        }
        convertDecodedFrame(*frame, time, number);
        return true;
    }
    // The end of the data: the frame goes back unfilled, and a looping clip starts again.
    frame->setInUse(false);
    if (mAutoRestart)
        restart();
    return true;
}

void TheoraVideoClip_Theora::convertDecodedFrame(TheoraVideoFrame &frame, float time, int64_t number) {
    frame.mTimeToDisplay = time - mFrameDuration;
    frame.mIteration = mIteration;
    frame.mFrameNumber = static_cast<int>(number);
    th_ycbcr_buffer planes;
    th_decode_ycbcr_out(mDecoder, planes);
    YCbCrConversion conversion;
    conversion.y = planes[0].data;
    conversion.yStride = planes[0].stride;
    conversion.cb = planes[1].data;
    conversion.cbStride = planes[1].stride;
    conversion.cr = planes[2].data;
    conversion.crStride = planes[2].stride;
    setChromaShifts(mInfo.pixel_fmt, conversion);
    frame.decode(conversion);
}

void TheoraVideoClip_Theora::restart() {
    const bool paused = mTimer->isPaused();
    if (!paused)
        mTimer->pause();
    makeDecoder();
    ogg_stream_reset(&mTheoraStreamState);
    ogg_sync_reset(&mOggSyncState);
    mStream->seek(0);
    mEndOfFile = false;
    mRestarted = true;
    if (!paused)
        mTimer->play();
}

void TheoraVideoClip_Theora::setGranulePosition(int64_t granule) {
    ogg_int64_t value = granule;
    th_decode_ctl(mDecoder, TH_DECCTL_SET_GRANPOS, &value, sizeof value);
}

void TheoraVideoClip_Theora::doSeek() {
    const int target = clampedSeekFrame(mSeekFrame);
    mTimer->seek(static_cast<float>(target) / mFPS);
    const bool paused = mTimer->isPaused();
    if (!paused)
        mTimer->pause();
    mEndOfFile = false;
    mRestarted = false;
    mFrameQueue->clear();
    ogg_stream_reset(&mTheoraStreamState);
    makeDecoder();

    const int64_t keyFrame = seekPage(target, true);
    seekPage(keyFrame - 1 >= 1 ? keyFrame - 1 : 0, false);
    bool granuleSet = false;
    if (keyFrame < 2) {
        setGranulePosition(startGranulePosition(mInfo));
        granuleSet = true;
    }
    const bool reached = target == 0 || decodeToSeekFrame(target, granuleSet);
    // The clock plays on as before, also when the seek has to be tried again.
    if (!paused)
        mTimer->play();
    if (!reached) {
        TheoraVideoManager::logMessage(mName + " [seek]: fineseeking failed, _readData failed!");
        return;
    }
    mSeekFrame = -1;
}

bool TheoraVideoClip_Theora::decodeToSeekFrame(int targetFrame, bool granuleSet) {
    ogg_packet packet;
    while (nextTheoraPacket(packet)) {
        if (!granuleSet) {
            if (packet.granulepos < 0)
                continue;
            setGranulePosition(packet.granulepos);
            granuleSet = true;
        }
        ogg_int64_t granule = -1;
        if (th_decode_packetin(mDecoder, &packet, &granule) >= 0 &&
            th_granule_frame(mDecoder, granule) >= targetFrame - 1)
            return true;
    }
    return false;
}

bool TheoraVideoClip_Theora::nextTheoraPageWithGranule(ogg_page &page) {
    for (;;) {
        int result = ogg_sync_pageout(&mOggSyncState, &page);
        if (result > 0) {
            if (ogg_page_serialno(&page) == mTheoraStreamSerial && ogg_page_granulepos(&page) >= 0)
                return true;
            continue;
        }
        if (result < 0)
            continue;
        if (readIntoSync(kReadSize) == 0)
            return false;
    }
}

int64_t TheoraVideoClip_Theora::seekPage(int64_t targetFrame, bool returnKeyFrame) {
    int64_t low = 0, high = mStream->size();
    int64_t granule = 0;
    if (targetFrame == 0) {
        mStream->seek(0);
    } else {
        for (int round = 0; round < kSeekRounds; round++) {
            ogg_sync_reset(&mOggSyncState);
            const int64_t middle = (low + high) / 2;
            mStream->seek(middle);
            ogg_page page;
            // No granule after the middle: what is sought lies before it.
            if (!nextTheoraPageWithGranule(page)) {
                high = middle;
                continue;
            }
            granule = ogg_page_granulepos(&page);
            const int64_t frame = th_granule_frame(mDecoder, granule);
            if (frame < targetFrame && targetFrame - frame < 10)
                break;
            if (frame < targetFrame - 1)
                low = middle;
            else
                high = middle;
        }
    }
    if (returnKeyFrame)
        return granule >> mInfo.keyframe_granule_shift;
    ogg_sync_reset(&mOggSyncState);
    if (targetFrame != 0)
        mStream->seek((low + high) / 2);
    return -1;
}
