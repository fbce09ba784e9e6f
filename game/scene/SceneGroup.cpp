#include "game/scene/SceneGroup.h"

#include "game/scene/ElementName.h"

void SceneGroup::init(HoScene *owner, const char *internedName) {
    scene = owner;
    name = internedName;
    value.setPointer(kScriptGroup, this);
    changed = 0;
}

bool SceneGroup::isCrop() const {
    return nameStartsWith(name, "crop_");
}
