#include "game/scene/ElementPickInfo.h"

#include "game/HoGameSettings.h"

void ElementPickInfo::init(SceneElement *element) {
    *this = ElementPickInfo();
    display = element;
    coverScreen();
}

void ElementPickInfo::coverScreen() {
    const float scale = screenValues.artScale > 0.0f ? screenValues.artScale : 1.0f;
    left = top = 0.0f;
    right = screenValues.width / scale;
    bottom = screenValues.height / scale;
}
