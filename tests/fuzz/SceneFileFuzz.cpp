// Scene files through the loader into a location and into a zoom zone of it (both read the input), then
// every element's media set-up and generated scripts: whatever the bytes, every element stands once in
// the update order, no track holds more keys than it has room for, polygons stay in their announced
// bounds and are closed, and the world's pools take everything back.

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>

#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/scene/ElementMedia.h"
#include "game/scene/ElementTasks.h"
#include "game/scene/HoScene.h"
#include "game/scene/PointList.h"
#include "game/scene/SceneFileLoader.h"
#include "game/script/ScriptCommand.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

namespace {

constexpr char kFolder[] = "data/scenes/fuzz";

// The data folder of this process: the input becomes fuzz.scene beside a file that includes it and
// itself, an animation and a particle definition that element names can select, the template that a
// 100 x 100 background selects, and the includes of the generated scripts.
void writeDataFolder() {
    const std::filesystem::path root = processFolder();
    std::snprintf(dataPath, sizeof dataPath, "%s", root.c_str());
    if (!KResource::fileSystemArchive)
        KResource::fileSystemArchive = new KResourceArchiveDirect();
    for (const char *folder : {kFolder, "data/particles", "data/templates", "data/scripts"})
        std::filesystem::create_directories(root / folder);
    lftest::writeFileText(root / kFolder / "part.scene", "O part\nL fuzz\nL part\n");
    lftest::writeFileText(root / kFolder / "crab.anim", "Duration=1\ncrab_1.png=x2\n");
    lftest::writeFileText(root / "data/particles/sparks.particles", "L 2\n");
    lftest::writeFileText(root / "data/templates/zz_100_100.scene", "O BACKGROUND_ROOT\nX 1\nK 5\nO rim\n");
    for (const char *include : {"task_iz", "task_inventory", "task_portal", "task_ho", "task_zz", "task_mho",
                                "task_dialog"})
        lftest::writeFileText(root / "data/scripts" / (std::string(include) + ".script"), "on_click {\n}\n");
    initScriptCommandTable();
}

HoScene *addScene(HoWorld &world, const char *name, const char *identifier, const char *folder) {
    auto *scene = new HoScene(&world);
    scene->setNames(world.names().internOrFind(name), world.names().internOrFind(identifier));
    scene->folder = world.names().internOrFind(folder);
    world.scenes.append(scene);
    return scene;
}

void checkLoadedScene(const HoScene &scene) {
    const PtrArray<SceneElement> &elements = scene.allElements.members;
    FUZZ_CHECK(scene.updateOrder.count() == elements.count());
    std::unordered_set<const SceneElement *> ordered;
    for (int32_t i = 0; i < scene.updateOrder.count(); ++i)
        FUZZ_CHECK(ordered.insert(scene.updateOrder[i]).second);
    for (int32_t i = 0; i < elements.count(); ++i) {
        const SceneElement *element = elements[i];
        FUZZ_CHECK(ordered.count(element) == 1 && element->scene == &scene && element->name && element->mediaName);
        FUZZ_CHECK(element->parent != element);
        FUZZ_CHECK(element->polygonCount >= 0 && element->polygonCount <= 100);
        FUZZ_CHECK(element->polygonCount == 0 || element->polygons);
        for (int32_t p = 0; p < element->polygonCount; ++p)
            FUZZ_CHECK(element->polygons[p].pointCount >= 0 && element->polygons[p].pointCount <= 100);
    }
    for (int32_t t = 0; t < scene.tracks.count(); ++t) {
        const PointList *track = scene.tracks[t];
        FUZZ_CHECK(track->count >= 0 && track->count <= track->capacity && track->capacity <= PointList::kMaxKeys);
    }
}

// After the set-up every polygon with points is closed, and an element without points has no centre offset.
void checkPreparedElement(const SceneElement &element) {
    bool anyPoints = false;
    for (int32_t p = 0; p < element.polygonCount; ++p) {
        const ElementPolygon &polygon = element.polygons[p];
        if (!polygon.points || polygon.pointCount == 0)
            continue;
        anyPoints = true;
        const PolygonPoint &first = polygon.points[0], &closing = polygon.points[polygon.pointCount];
        FUZZ_CHECK(std::memcmp(&first, &closing, sizeof first) == 0);
    }
    if (!anyPoints)
        FUZZ_CHECK(element.centreOffsetX == 0.0f && element.centreOffsetY == 0.0f);
    FUZZ_CHECK(!element.emitter || element.particleSystem);
}

void prepareElements(HoScene *scene) {
    for (int32_t i = 0; i < scene->allElements.members.count(); ++i) {
        SceneElement *element = scene->allElements.members[i];
        setupElementMedia(element);
        generateElementTasks(element);
        checkPreparedElement(*element);
    }
}

} // namespace

// Scene files are written by hand: these are what authors write, every letter and the format's edges.
void fuzzSeeds(SeedFolder &seeds) {
    seeds.add("elements.scene", std::string("O door:door_open.png\nI door.png\nP frame\nW 200\nH 400\nU 0.25\nV 0.75\n"
                                            "p 0.5 1 0\nT 3 2.5 10 4 1.5 20\nF 101\nX 1\nK 5 2.0\nY 3\nK 0 10\n"
                                            "K 10 20\nK 20 30\nr 3\nK 0 255\nK 10 0\nK 20 255\nt door_text\n"
                                            "G 2 1 255 51 0 1 0 1.5 1 3\nm 2\nf 8\ns 1\nd 0.5\nw 0.25\nh 0.5\n"
                                            "q 2\nQ 6\nu 10\nv 5\nu -10\nv 5\nu 0\nv -5\nu 10\nv -5\nu -10\n"
                                            "v -5\nu 0\nv 5\nO frame\nC doors:3:4\nc door\nc frame\nL part\n"));
    seeds.add("zone.scene", std::string("O BACKGROUND\nW 100\nH 100\nO child\nP BACKGROUND\nO ping\nP pong\n"
                                        "O pong\nP ping\nO fx:sparks.particles\nO crab:crab.anim\nI crab.anim\n"));
    seeds.add("names.scene", std::string("O iz_key\nO coin_07:inventory\nO portal_attic:back\nO cup:ho_cup\n"
                                         "O zz_fuzz\nO mhouse\nO dialog_owl\nO mg_lock\nO ho_vase.png|ho_jar\n"
                                         "O picked_ho_vase\nO target_shelf\nO key_picked\nO _hud_bar\n"));
    seeds.add("hostile.scene", std::string("X 1\nK 5\n\tO tab\nO many\nq 1000000000\nQ -5\nQ 1000000000\n"
                                           "Y 1000000000\nK 1 2\nL fuzz\nC one:2\nO last"));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const bool ready = (writeDataFolder(), true);
    (void)ready;
    lftest::writeFileText(processFolder() / kFolder / "fuzz.scene", inputText(data, size));
    // A context and world of their own for every input, so names and records never pile up.
    auto context = std::make_unique<HoContext>(nullptr);
    auto world = std::make_unique<HoWorld>(context.get());
    world->globalScene = addScene(*world, "game", "game", "data");
    world->bindScriptGlobals();
    addScene(*world, "zz_100_100", "zz_100_100", "data/templates");
    HoScene *location = addScene(*world, "fuzz", "fuzz", kFolder);
    location->isGameplay = location->isTopLevel = 1;
    HoScene *zone = addScene(*world, "fuzz", "fuzz_zz_fuzz", kFolder);
    zone->setParent(location);
    zone->isGameplay = zone->isZoomZone = zone->isHo = 1;
    for (HoScene *scene : {location, zone}) {
        loadSceneContent(scene);
        checkLoadedScene(*scene);
    }
    for (HoScene *scene : {location, zone})
        prepareElements(scene);
    world.reset();
    return 0;
}
