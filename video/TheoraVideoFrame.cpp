#include "video/TheoraVideoFrame.h"

#include <new>

#include "platform/PixelAllocator.h"
#include "video/TheoraColourConversion.h"
#include "video/TheoraVideoClip.h"

TheoraVideoFrame::TheoraVideoFrame(TheoraVideoClip *parent) : mParent(parent) {
    // Sized for the mode the clip is switching to, so that a frame never holds less than its
    // converter writes. 64-bit arithmetic: the clip has checked the frame size.
    size_t width = static_cast<size_t>(parent->getOutputWidth());
    if (parent->getRequestedOutputMode() == 2)
        width /= 2;
    size_t pixels = width * static_cast<size_t>(parent->getOutputHeight());
    mBufferSize = pixels > 0 ? pixels : 1;
    mBuffer = allocatePixelWords(mBufferSize);
}

TheoraVideoFrame::~TheoraVideoFrame() {
    freePixelWords(mBuffer, mBufferSize);
    delete[] mPackedBuffer;
}

void TheoraVideoFrame::clear() {
    setReady(false);
    setInUse(false);
}

void TheoraVideoFrame::decode(YCbCrConversion &conversion) {
    if (mIsSubFrame) {
        conversion.pixelOutput = mBuffer;
        conversion.width = mParent->getOutputWidth();
        conversion.height = mParent->getOutputHeight();
        conversion.xOffset = mParent->getWidthMargin() / 2;
        switch (mParent->getOutputMode()) {
        case 1:
            convertYCbCrToARGB(conversion);
            break;
        case 2:
            convertYCbCrToARGBWithAlpha(conversion);
            break;
        default:
            break;
        }
    }
    setReady(true);
}
