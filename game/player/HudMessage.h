#pragma once
// The HUD message box ("msg_back", "msg_text" and, for a message with a picture, "face_icon" of the
// "hud" scene): shown by HoWorld::showMessage, it fades in, holds and fades out over its duration. A new
// message continues from the alpha the box shows, so replacing a message never flashes.

class HoWorld;

// How long a message shows when its caller gives no time: "hud.msg.default_time", else 6 seconds.
float defaultMessageSeconds(const HoWorld *world);
// One step of the message: its time, its end, and the alpha of its elements.
void updateMessage(HoWorld *world);
// The alpha the message box shows now (0 when no message is shown).
float messageAlpha(const HoWorld *world);
