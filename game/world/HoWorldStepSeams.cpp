// Text fields in the world step.

#include "game/scene/TextInputField.h"
#include "game/world/HoWorld.h"

// A click takes the focus from a text field of the top scene.
void HoWorld::dropTextFocus(SceneElement *field) {
    if (field && field->textInput)
        field->textInput->focus = 0;
}

