// The world's part in playing videos: every step advances the context's clips by the step's 10 ms.

#include "game/HoContext.h"
#include "game/world/HoWorld.h"
#include "video/TheoraVideoManager.h"

void HoWorld::advanceVideos() {
    if (context && context->videos)
        context->videos->update(0.01f);
}
