// A scene emptied so that its files can build it again (the script command goto_clean).

#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/PendingBlock.h"

void HoScene::dropContent() {
    unloadElementImages();
    PtrArray<SceneElement> &elements = allElements.members;
    for (int32_t i = 0; i < elements.count(); ++i)
        elements[i]->release();
    destroyScriptContext(&script.afterQueue);
    destroyScriptContext(&script.waitQueue);
    for (int32_t i = 0; i < hoItems.count(); ++i)
        droppedHoItems.append(hoItems[i]);
    hoItems.clear();
    elements.clear();
    elementIndex_.reset();
    groups.clear();
    tracks.clear();
    updateOrder.clear();
    namedValues.clear();
    cameraElement = nullptr;
    hoState = 0;
}
