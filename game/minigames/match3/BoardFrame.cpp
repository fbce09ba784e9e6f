#include "game/minigames/match3/BoardFrame.h"

#include "game/scene/SceneElement.h"

BoardFrame::BoardFrame(SceneElement *boardElement)
    : element(boardElement), width(boardElement->baseWidth), height(boardElement->baseHeight),
      left(boardElement->x.asNumber() - width * 0.5f), top(boardElement->y.asNumber() - height * 0.5f),
      scaleX(boardElement->sx.asNumber()), scaleY(boardElement->sy.asNumber()),
      angle(boardElement->angle.asNumber()), originX(boardElement->x.asNumber()),
      originY(boardElement->y.asNumber()) {}
