#include "game/minigames/chainshooter/ChainBall.h"

#include "game/scene/SceneElement.h"

ChainBall::ChainBall(HoScene *owner, SceneElement *templateElement, int32_t type, int32_t ballKind)
    : DisplayNode(owner, nullptr, templateElement), ballType(type), kind(ballKind),
      baseAngle(templateElement ? templateElement->angle.asNumber() : 0.0f) {}

int32_t needBetween(const ChainBall &a, const ChainBall &b) {
    return truncToInt(a.radius() + b.radius());
}
