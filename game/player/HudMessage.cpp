#include "game/player/HudMessage.h"

#include "game/resources/HoConfiguration.h"
#include "game/scene/SceneElement.h"
#include "game/util/InternTable.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

constexpr float kDefaultMessageSeconds = 6.0f;

int32_t fadeTicks(const HoWorld *world) {
    return roundToInt(double(world->configurationNumber("hud.msg.fade_time", 0.5f)) * 100.0);
}

// The box's alpha at a point of its time; a fade of no ticks shows the whole message at full alpha.
float alphaAt(int32_t elapsed, int32_t duration, int32_t fade) {
    float alpha = 1.0f;
    if (fade <= 0)
        return alpha;
    if (elapsed < fade)
        alpha = float(elapsed) / float(fade);
    if (duration - elapsed < fade)
        alpha = float(duration - elapsed) / float(fade);
    return alpha;
}

// The elements draw with the message's alpha through their blend factor, which the scene update
// multiplies into the opacity it computes every step.
void setElementAlpha(SceneElement *element, float alpha) {
    if (element)
        element->blendFactor = alpha;
}

// The picture that msg_top may have given "face_icon" gives way to its own.
void restoreOwnPicture(SceneElement *face) {
    if (!face || !face->sharedImageSource)
        return;
    face->renderable = face->savedRenderable;
    face->savedRenderable = nullptr;
    face->sharedImageSource = nullptr;
}

} // namespace

float defaultMessageSeconds(const HoWorld *world) {
    const ConfigEntry *entry = world->configurationEntry("hud.msg.default_time");
    return entry ? entry->number : kDefaultMessageSeconds;
}

float messageAlpha(const HoWorld *world) {
    const HudMessage &message = world->message;
    return message.shown ? alphaAt(message.elapsed, message.duration, fadeTicks(world)) : 0.0f;
}

void HoWorld::showMessage(const char *text, int32_t duration, bool withPicture) {
    const int32_t fade = fadeTicks(this);
    const float alpha = messageAlpha(this);
    if (duration > fade) {
        message.duration = duration;
        message.elapsed = roundToInt(double(fade) * alpha);
        if (SceneElement *textElement = hud.messageText) {
            if (text)
                textElement->text.setPointer(kScriptText, names().internOrFind(text));
            else
                textElement->text.clear();
        }
    } else {
        // Too short to show: the box only fades out from where it is, keeping its text.
        message.duration = fade;
        message.elapsed = fade - roundToInt(double(fade) * alpha);
    }
    message.shown = 1;
    message.withPicture = withPicture ? 1 : 0;
}

void updateMessage(HoWorld *world) {
    HudMessage &message = world->message;
    if (message.shown && ++message.elapsed >= message.duration) {
        message.shown = 0;
        restoreOwnPicture(world->hud.faceIcon);
    }
    const float alpha = messageAlpha(world);
    for (SceneElement *element : {world->hud.messageBack, world->hud.faceIcon, world->hud.messageText})
        setElementAlpha(element, alpha);
}
