#include "game/HoDisplayLayout.h"

namespace {

struct QualityLayout {
    float width;
    float narrowWidth;
    float height;
};

constexpr QualityLayout kHdLayout{1800.0f, 1440.0f, 1080.0f};
constexpr QualityLayout kSdLayout{1280.0f, 1024.0f, 768.0f};
// How the narrow HD view is shifted; not derived from the widths (that would be -360).
constexpr float kHdNarrowViewOffset = -608.0f;

void setHalves(ScreenValues &screen) {
    screen.halfWidth = screen.width * 0.5f;
    screen.halfHeight = screen.height * 0.5f;
}

} // namespace

void applyQualityLayout(ScreenValues &screen, const GameSettings &settings, bool hd, bool wide) {
    const QualityLayout &layout = hd ? kHdLayout : kSdLayout;
    screen.width = layout.width;
    screen.height = layout.height;
    screen.artScale = screen.width / settings.wideWidth;
    // Only the narrow layout shifts the view; a switch that ends wide must not keep its offsets.
    screen.viewOffsetX = 0.0f;
    screen.wideMargin = 0.0f;
    if (!wide) {
        screen.width = settings.designWidth;
    } else {
        screen.narrowWidth = layout.narrowWidth;
        screen.wideWidth = layout.width;
    }
    setHalves(screen);
}

void applySmallLayout(ScreenValues &screen, const GameSettings &settings) {
    screen.width = 480.0f;
    screen.height = 360.0f;
    screen.artScale = screen.width / settings.designWidth;
    setHalves(screen);
}

bool desktopPrefersNarrow(const ScreenValues &screen, int32_t desktopWidth, int32_t desktopHeight) {
    if (desktopWidth <= 0 || desktopHeight <= 0 || screen.height <= 0.0f)
        return false;
    const float wideAspect = screen.width / screen.height;
    const float narrowAspect = screen.narrowWidth / screen.height;
    const float desktopAspect = float(desktopWidth) / float(desktopHeight);
    return desktopAspect < wideAspect && (desktopAspect - narrowAspect) < (wideAspect - desktopAspect);
}

void applyNarrowLayout(ScreenValues &screen, const GameSettings &settings, bool normalMode, bool hd) {
    screen.halfWidth = screen.narrowWidth * 0.5f;
    screen.wideMargin = (settings.wideWidth - settings.designWidth) * 0.5f;
    screen.width = screen.narrowWidth;
    if (normalMode) {
        screen.viewOffsetX = hd ? kHdNarrowViewOffset : -(screen.wideWidth - screen.narrowWidth);
    } else {
        screen.viewOffsetX = (screen.wideWidth - screen.narrowWidth) * 0.5f;
        screen.wideMargin = 0.0f;
    }
}
