// The places in the step where the saved game, the video manager and the text fields do their part.
// Until those parts of the game exist there is nothing to do at the first two: no scene holds a video.
// A click takes the focus from the top scene's text field.

#include "game/scene/TextInputField.h"
#include "game/world/HoWorld.h"

// The step's start: the video clips advance by one step.
void HoWorld::advanceVideos() {}

// A click takes the focus from a text field of the top scene.
void HoWorld::dropTextFocus(SceneElement *field) {
    if (field && field->textInput)
        field->textInput->focus = 0;
}

