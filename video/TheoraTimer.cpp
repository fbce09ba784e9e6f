#include "video/TheoraTimer.h"

void TheoraTimer::update(float timeIncrease) {
    if (!mPaused)
        mTime = mTime.load() + timeIncrease * mSpeed.load();
}
