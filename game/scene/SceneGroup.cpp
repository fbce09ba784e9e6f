#include "game/scene/SceneGroup.h"

void SceneGroup::init(HoScene *owner, const char *internedName) {
    scene = owner;
    name = internedName;
    value.setPointer(kScriptGroup, this);
    changed = 0;
}
