#pragma once
// Where a line about the saves can show: the HUD's message box over a location, or a menu's event (the scene
// hears it with the line in a global text), never under a scene change's black.

#include <string>

class HoScene;
class HoWorld;

// The HUD's message box shows only where the player can read it: over a location that shows the HUD, not
// while a scene change fades it.
bool showsMessages(const HoWorld *world);
// The scene the player looks at, when no scene change hides it.
HoScene *sceneInView(HoWorld *world);
// Sets the global text variable of the world's scripts.
void setGlobalText(HoWorld *world, const char *name, const char *text);
// Sets the global number variable of the world's scripts.
void setGlobalNumber(HoWorld *world, const char *name, float number);
// The line shows for a message's time in the HUD's box.
void showLineInHud(HoWorld *world, const std::string &line);
// Tells the line where the player looks: the scene in view hears the event with the line in the global text
// `textName`, or the HUD's message box shows it; false when nothing shows it yet.
bool tellLine(HoWorld *world, const char *event, const char *textName, const std::string &line);
