#include "game/SplashScreen.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/graphics/KGraphic.h"
#include "engine/graphics/KGraphicFactory.h"
#include "engine/system/KSystem.h"
#include "engine/window/KWindow.h"
#include "game/HoGame.h"
#include "game/HoInputLatches.h"

namespace {

constexpr const char *kSdPictures[SplashScreen::kPictureCount] = {
    "splash/splash.png", "data/splash/qvx.png", "data/splash/MorvaneLogoStatic.png"};
constexpr const char *kHdPictures[SplashScreen::kPictureCount] = {
    "splash/splash.png", "data/splash/qvx_hd.png", "data/splash/MorvaneLogoStatic.png"};

constexpr double kFadeMilliseconds = 1000.0;
constexpr double kHoldEndMilliseconds = 3000.0;
// A frame that took no measurable time still moves the sequence on.
constexpr double kShortestFrameMilliseconds = 0.01;

int currentPictureIndex = 0;
const char *const *currentPictureList = kSdPictures;

// Opacity of the picture: the veil over it is 1 - opacity.
float pictureOpacity(double elapsed) {
    double opacity = 1.0;
    if (elapsed < kFadeMilliseconds)
        opacity = elapsed * 0.001;
    else if (elapsed > kHoldEndMilliseconds)
        opacity = std::max(0.0, (SplashScreen::kPictureMilliseconds - elapsed) * 0.001);
    return float(opacity);
}

} // namespace

bool (*SplashScreen::primaryButtonReader)() = SplashScreen::readPrimaryButton;

bool SplashScreen::readPrimaryButton() {
    return isMouseButtonDown(kPrimaryButton);
}

const char *const *SplashScreen::pictureList() {
    return currentPictureList;
}

int SplashScreen::pictureIndex() {
    return currentPictureIndex;
}

SplashScreen::SplashScreen(HoGame *owner) : game(owner) {
    const bool hd = game && game->settings.normalMode && game->isHd();
    currentPictureList = hd ? kHdPictures : kSdPictures;
    currentPictureIndex = 0;
    // The later pictures are made while the first shows (what is left is dropped at the world's first
    // scene change).
    std::vector<std::string> later;
    for (int i = 1; i < kPictureCount; ++i)
        later.push_back(resolveDataPath(currentPictureList[i]));
    prefetchKGraphics(later);
    loadNextPicture();
}

SplashScreen::~SplashScreen() {
    delete picture;
    picture = nullptr;
}

// Loads the picture at the current index, skipping those that do not load.
void SplashScreen::loadNextPicture() {
    while (currentPictureIndex < kPictureCount) {
        KGraphic *candidate = loadKGraphic(resolveDataPath(currentPictureList[currentPictureIndex]).c_str());
        if (candidate) {
            candidate->setSmoothFiltering(true);
            candidate->setTextureAddressing(0);
            picture = candidate;
            return;
        }
        currentPictureIndex++;
    }
}

void SplashScreen::update() {
    KWindow *window = game ? game->window : nullptr;
    if (window) {
        window->setClearColor(0.0f, 53.0f / 255.0f, 101.0f / 255.0f, 1.0f);
        window->setViewTransform(0.0f, 0.0f, 0.0f, 1.0f, true);
    }
    const double frameTime = game ? game->frameTime : 0.0;
    elapsed += frameTime > 0.0 ? frameTime : kShortestFrameMilliseconds;
    if (elapsed > kFadeMilliseconds && elapsed < kHoldEndMilliseconds && primaryButtonReader && primaryButtonReader())
        elapsed = kHoldEndMilliseconds;
    if (!picture)
        return;
    drawPicture();
    if (elapsed >= kPictureMilliseconds && currentPictureIndex < kPictureCount) {
        delete picture;
        picture = nullptr;
        currentPictureIndex++;
        loadNextPicture();
        if (picture)
            elapsed = 0.0;
    }
}

// The picture fitted into the screen and centred, under a black veil while it fades.
void SplashScreen::drawPicture() {
    const float pictureWidth = picture->getImageWidth();
    const float pictureHeight = picture->getImageHeight();
    if (pictureWidth <= 0.0f || pictureHeight <= 0.0f)
        return;
    const float scale = std::min(screenValues.width / pictureWidth, screenValues.height / pictureHeight);
    const float width = pictureWidth * scale;
    const float height = pictureHeight * scale;
    const float x = (screenValues.width - width) * 0.5f;
    const float y = (screenValues.height - height) * 0.5f;
    picture->setTintColor(1.0f, 1.0f, 1.0f, 1.0f);
    picture->drawImageRectStretched(0.0f, 0.0f, pictureWidth, pictureHeight, x, y, x + width, y + height, 1.0f, 0.0f,
                                    false, false, 0.0f, 0.0f);
    const float opacity = pictureOpacity(elapsed);
    if (opacity < 1.0f)
        picture->fillRect(0.0f, 0.0f, screenValues.width, screenValues.height, 0.0f, 0.0f, 0.0f, 1.0f - opacity);
}
