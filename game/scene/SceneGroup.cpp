#include "game/scene/SceneGroup.h"

#include <cstring>

void SceneGroup::init(HoScene *owner, const char *internedName) {
    scene = owner;
    name = internedName;
    value.setPointer(kScriptGroup, this);
    changed = 0;
}

bool SceneGroup::isCrop() const {
    static constexpr char kCropPrefix[] = "crop_";
    return name && std::strncmp(name, kCropPrefix, sizeof kCropPrefix - 1) == 0;
}
