#pragma once
// The pools from which scenes take their records besides elements: groups, key-frame tracks with their
// key arrays, polygon tables with their points, pick records and the two-slot value blocks of the
// picture cuts. The world owns one set; nothing is returned one by one, everything goes with the world.

#include <cstdint>

#include "game/scene/ElementPickInfo.h"
#include "game/scene/ElementPolygons.h"
#include "game/scene/PointList.h"
#include "game/scene/SceneGroup.h"
#include "game/script/ScriptValue.h"
#include "game/util/HoObjectPool.h"

struct ScenePools {
    HoObjectPool<SceneGroup> groups;
    HoObjectPool<PointList> tracks;
    HoObjectPool<int32_t> trackFrames;
    HoObjectPool<float> trackValues;
    HoObjectPool<ElementPolygon> polygonTables;
    HoObjectPool<PolygonPoint> polygonPoints;
    HoObjectPool<ElementPickInfo> pickInfos;
    HoObjectPool<ScriptValue> valueBlocks;
};
