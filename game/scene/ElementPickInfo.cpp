#include "game/scene/ElementPickInfo.h"

#include "game/HoGameSettings.h"

void ElementPickInfo::init(SceneElement *element) {
    *this = ElementPickInfo();
    display = element;
    right = screenValues.width;
    bottom = screenValues.height;
}
