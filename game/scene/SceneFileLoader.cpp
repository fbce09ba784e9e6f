#include "game/scene/SceneFileLoader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/system/KSystem.h"
#include "game/scene/ElementName.h"
#include "game/scene/HoAnimatedImage.h"
#include "game/scene/HoScene.h"
#include "game/scene/HoSceneImage.h"
#include "game/scene/PointList.h"
#include "game/scene/SceneElement.h"
#include "game/scene/ScenePools.h"
#include "game/scene/SceneRecordReader.h"
#include "game/scene/SceneScripts.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/util/NumberParse.h"
#include "game/util/NumberedName.h"
#include "game/util/NumericHelpers.h"
#include "game/util/ReadWholeFile.h"
#include "game/util/TokenReader.h"
#include "game/world/HoWorld.h"

namespace {

constexpr int32_t kMaxIncludeDepth = 32;
constexpr int32_t kMaxPolygons = 100;
constexpr int32_t kMaxPolygonPoints = 100;
constexpr float kTintScale = 0.003921569f; // 1 / 255
constexpr char kTemplateFolder[] = "data/templates";

// The files being read, outermost first, by their lower-cased paths: an include of one of them would
// never end, and is passed over like a missing file.
using IncludeStack = std::vector<std::string>;

bool fileHasBytes(const std::string &path) {
    uint32_t size = 0;
    return dataFileExists(path.c_str(), &size) && size > 0;
}

// "prefix/name_wide.scene" while the game runs wide and that file has bytes; else "prefix/name.scene".
std::string chooseSceneFile(const std::string &prefix, const char *name, bool wide) {
    std::string base = prefix + "/" + name;
    if (wide && fileHasBytes(base + "_wide.scene"))
        return base + "_wide.scene";
    return base + ".scene";
}

std::string folded(std::string path) {
    std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return path;
}

bool nextFlag(TokenReader &tokens) {
    return tokens.readInt(0) != 0;
}

// A slot that holds a number is moved by the amount; any other slot is left alone.
void addToNumber(ScriptValue &slot, float amount) {
    if (slot.type == kScriptNumber)
        slot.setNumber(slot.number + amount);
}

// One scene file being read: the records' effects on the scene, and the loader's state, which every
// file (an included one too) starts afresh.
class SceneFileReader {
public:
    SceneFileReader(HoScene *scene, const char *folder, IncludeStack &includes)
        : scene_(scene), world_(scene->world), pools_(world_->scenePools), folder_(folder), includes_(includes) {}

    void read(const char *bytes, size_t size) {
        SceneRecordReader records(bytes, size);
        while (records.next())
            carryOut(records.letter(), records.value());
    }

private:
    void carryOut(char letter, const char *value) {
        switch (letter) {
        case 'O': return newElement(value);
        case 'C': return newGroup(value);
        case 'c': return addToGroup(value);
        case 'L': return include(value);
        default: break;
        }
        if (!element_)
            return;
        switch (letter) {
        case 'P': element_->parentName = intern(value); break;
        case 'I': setPicture(value); break;
        case 'm': setBlendMode(parseInt(value)); break;
        case 'f': case 's': case 'd': case 'w': case 'h': setSheet(letter, value); break;
        case 'W': element_->baseWidth = parseFloat(value); break;
        case 'H': element_->baseHeight = parseFloat(value); break;
        case 'U': element_->pivotX.setNumber(parseFloat(value)); break;
        case 'V': element_->pivotY.setNumber(parseFloat(value)); break;
        case 'p': setParallax(value); break;
        case 'T': setWave(value); break;
        case 'F': setTransformFlags(value); break;
        case 'X': select(element_->x, 1.0f, value); break;
        case 'Y': select(element_->y, 1.0f, value); break;
        case 'Z': select(element_->z, 1.0f, value); break;
        case 'R': select(element_->sx, 1.0f, value); break;
        case 'S': select(element_->sy, 1.0f, value); break;
        case 'A': select(element_->angle, 1.0f, value); break;
        case 'B': select(element_->baseOpacity, 1.0f, value); break;
        case 'E': select(element_->mediaSwitch, 1.0f, value); break;
        case 'r': select(element_->red, kTintScale, value); break;
        case 'g': select(element_->green, kTintScale, value); break;
        case 'b': select(element_->blue, kTintScale, value); break;
        case 'K': addKey(value); break;
        case 'q': newPolygonTable(parseInt(value)); break;
        case 'Q': openPolygon(parseInt(value)); break;
        case 'u': setPointX(parseFloat(value)); break;
        case 'v': setPointY(parseFloat(value)); break;
        case 't': element_->textKey.setPointer(kScriptText, intern(value)); break;
        case 'G': setTextStyle(value); break;
        default: break; // every other letter and byte is read and passed over
        }
    }

    const char *intern(const char *text) { return world_->names().internOrFind(text); }

    void newElement(const char *value) {
        element_ = world_->elementPool.allocate();
        scene_->allElements.members.append(element_);
        element_->init(value, scene_);
        std::string variable = std::string("$") + element_->name;
        if (ScriptVariable *named = findOrCreateVariable(&scene_->script, variable.c_str(), nullptr))
            named->value->setPointer(kScriptElement, element_);
        if (int32_t number = numberedSuffix(element_->name); number >= 0)
            element_->index.setNumber(float(number));
        picture_ = nullptr;
        selected_ = nullptr;
        scale_ = 1.0f;
        track_ = nullptr;
    }

    // An element whose media part names a ".anim" file shows that animation (read from the folder);
    // any other shows the picture of the value, in the folder unless the value holds a '/'.
    void setPicture(const char *value) {
        RenderRecordPools &render = world_->renderPools;
        if (nameEndsWith(element_->mediaName, ".anim")) {
            HoAnimatedImage *animation = render.newAnimatedImage();
            animation->load(element_->mediaName, folder_);
            element_->renderable = animation;
            return;
        }
        std::string path = std::strchr(value, '/') ? std::string(value) : std::string(folder_) + "/" + value;
        picture_ = render.newSceneImage();
        picture_->load(path.c_str());
        element_->renderable = picture_;
    }

    // 1 and 2 are the two special modes; every other value is normal blending.
    void setBlendMode(int32_t mode) {
        if (!element_->renderable)
            return;
        uint8_t low = uint8_t(mode);
        element_->renderable->blendMode = low == kBlendErase || low == kBlendAdditive ? low : uint8_t(kBlendNormal);
    }

    void setSheet(char letter, const char *value) {
        if (!picture_)
            return;
        SpriteSheet &sheet = picture_->sheet;
        switch (letter) {
        case 'f': sheet.framesPerSecond = parseFloat(value); break;
        case 's': sheet.setFirstFrame(parseInt(value)); break;
        case 'd': sheet.setHoldSeconds(parseFloat(value)); break;
        case 'w': sheet.setFrameWidth(parseFloat(value)); break;
        case 'h': sheet.setFrameHeight(parseFloat(value)); break;
        default: break;
        }
    }

    void setParallax(const char *value) {
        TokenReader tokens(' ');
        tokens.attach(value);
        element_->parallax = tokens.readFloat(0.0f);
        element_->parallaxX = tokens.readInt(0);
        element_->parallaxY = tokens.readInt(0);
    }

    void setWave(const char *value) {
        TokenReader tokens(' ');
        tokens.attach(value);
        element_->waveStrips1 = tokens.readInt(element_->waveStrips1);
        element_->waveSpeed1 = tokens.readFloat(element_->waveSpeed1);
        element_->waveAmplitude1 = tokens.readFloat(element_->waveAmplitude1);
        element_->waveStrips2 = tokens.readInt(element_->waveStrips2);
        element_->waveSpeed2 = tokens.readFloat(element_->waveSpeed2);
        element_->waveAmplitude2 = tokens.readFloat(element_->waveAmplitude2);
    }

    void setTransformFlags(const char *value) {
        for (int32_t i = 0; i < SceneElement::kOptionFlagCount && value[i]; ++i)
            element_->optionFlags[i] = value[i] == '1' ? 1 : 0;
    }

    void setTextStyle(const char *value) {
        TokenReader tokens(' ');
        tokens.attach(value);
        element_->fontIndex = tokens.readInt(0);
        element_->measuredBox = nextFlag(tokens);
        element_->textRed = tokens.readFloat(255.0f) * kTintScale;
        element_->textGreen = tokens.readFloat(255.0f) * kTintScale;
        element_->textBlue = tokens.readFloat(255.0f) * kTintScale;
        element_->textOnQuad = nextFlag(tokens);
        element_->quadFlagA = nextFlag(tokens);
        element_->textSpacing = tokens.readFloat(0.0f);
        element_->quadFlagB = nextFlag(tokens);
        element_->outlineThickness = tokens.readInt(0);
    }

    // A selecting letter: the slot takes the first key's value; two keys or more also make a track.
    void select(ScriptValue &slot, float scale, const char *value) {
        selected_ = &slot;
        scale_ = scale;
        track_ = nullptr;
        int32_t keys = parseInt(value);
        if (keys < 2)
            return;
        track_ = pools_.tracks.allocate();
        track_->init(element_, &slot, keys, pools_.trackFrames, pools_.trackValues);
        scene_->tracks.append(track_);
    }

    // "frame value", or a value alone for frame 0.
    void addKey(const char *value) {
        const char *blank = std::strchr(value, ' ');
        int32_t frame = blank ? parseInt(value) : 0;
        float key = parseFloat(blank ? blank + 1 : value) * scale_;
        element_->frameCount = std::max(element_->frameCount, frame);
        if (selected_) {
            selected_->setNumber(key);
            selected_ = nullptr;
        }
        if (track_)
            track_->addKey(frame, key);
    }

    void newPolygonTable(int32_t count) {
        count = std::clamp(count, 0, kMaxPolygons);
        element_->polygons = pools_.polygonTables.allocateArray(count);
        element_->polygonCount = element_->polygons ? count : 0;
        polygonCursor_ = 0;
    }

    void openPolygon(int32_t count) {
        if (polygonCursor_ >= element_->polygonCount)
            return;
        count = std::clamp(count, 0, kMaxPolygonPoints);
        open_ = &element_->polygons[polygonCursor_++];
        open_->points = pools_.polygonPoints.allocateArray(count + 1);
        open_->pointCount = count;
        pointCursor_ = 0;
    }

    void setPointX(float x) {
        if (open_ && pointCursor_ < open_->pointCount)
            open_->points[pointCursor_].x = x;
    }

    // Points are written with y pointing down; the file gives it pointing up.
    void setPointY(float y) {
        if (open_ && pointCursor_ < open_->pointCount)
            open_->points[pointCursor_++].y = -y;
    }

    // "name:a:b", or a name alone.
    void newGroup(const char *value) {
        const char *colon = std::strchr(value, ':');
        std::string name = colon ? std::string(value, colon) : std::string(value);
        group_ = pools_.groups.allocate();
        group_->init(scene_, intern(name.c_str()));
        if (colon) {
            const char *second = std::strchr(colon + 1, ':');
            group_->first = parseInt((second ? std::string(colon + 1, second) : std::string(colon + 1)).c_str());
            group_->second = second ? parseInt(second + 1) : 0;
        }
        scene_->groups.append(group_);
    }

    void addToGroup(const char *value) {
        if (!group_)
            return;
        if (SceneElement *member = scene_->findElement(value))
            group_->members.append(member);
    }

    void include(const char *value);

    HoScene *scene_;
    HoWorld *world_;
    ScenePools &pools_;
    const char *folder_;
    IncludeStack &includes_;

    SceneElement *element_ = nullptr;
    HoSceneImage *picture_ = nullptr; // the still or sprite-sheet picture of the current element
    ScriptValue *selected_ = nullptr;
    float scale_ = 1.0f;
    PointList *track_ = nullptr;
    SceneGroup *group_ = nullptr;
    int32_t polygonCursor_ = 0;
    ElementPolygon *open_ = nullptr;
    int32_t pointCursor_ = 0;
};

// Reads folder/name (or the template of that name) into the scene unless it is being read already; false
// when neither could be read.
bool readSceneFile(HoScene *scene, const char *folder, const char *name, IncludeStack &includes) {
    if (!name)
        return false;
    bool wide = scene->world && scene->world->runsWide();
    std::string path = chooseSceneFile(folder ? folder : "", name, wide);
    WholeFile file;
    if (!readWholeFile(path.c_str(), &file)) {
        path = chooseSceneFile(kTemplateFolder, name, wide);
        if (!readWholeFile(path.c_str(), &file))
            return false;
    }
    std::string key = folded(path);
    if (std::find(includes.begin(), includes.end(), key) != includes.end())
        return true;
    if (int32_t(includes.size()) >= kMaxIncludeDepth) {
        logMessage("Game: Scene file %s is included more than %d files deep and is skipped, WARNING", path.c_str(),
                   kMaxIncludeDepth);
        return true;
    }
    includes.push_back(key);
    SceneFileReader(scene, folder, includes).read(file.data.get(), file.size);
    includes.pop_back();
    return true;
}

void SceneFileReader::include(const char *value) {
    readSceneFile(scene_, folder_, value, includes_);
}

// Elements without a parent first, in list order; then, pass after pass, those whose parent is placed;
// last those in a parent cycle, in list order.
void orderParentsFirst(HoScene *scene) {
    PtrArray<SceneElement> &elements = scene->allElements.members;
    scene->updateOrder.clear();
    for (int32_t i = 0; i < elements.count(); ++i) {
        SceneElement *element = elements[i];
        SceneElement *parent = element->parentName ? scene->findElement(element->parentName) : nullptr;
        element->parent = parent != element ? parent : nullptr;
    }
    std::unordered_set<const SceneElement *> placed;
    auto place = [&](SceneElement *element) {
        scene->updateOrder.append(element);
        placed.insert(element);
    };
    for (int32_t i = 0; i < elements.count(); ++i) {
        if (!elements[i]->parent)
            place(elements[i]);
    }
    for (bool placedAny = true; placedAny;) {
        placedAny = false;
        for (int32_t i = 0; i < elements.count(); ++i) {
            SceneElement *element = elements[i];
            if (!placed.count(element) && placed.count(element->parent)) {
                place(element);
                placedAny = true;
            }
        }
    }
    for (int32_t i = 0; i < elements.count(); ++i) {
        if (!placed.count(elements[i]))
            place(elements[i]);
    }
}

// The template's root moves the scene's own elements (the first ones in the list) and tracks.
void offsetByTemplateRoot(HoScene *scene, const SceneElement &root, int32_t ownElements, int32_t ownTracks) {
    float rootX = root.x.asNumber(), rootY = root.y.asNumber(), rootZ = root.z.asNumber();
    for (int32_t i = 0; i < ownElements; ++i) {
        SceneElement *element = scene->allElements.members[i];
        if (!element->parent) {
            addToNumber(element->x, rootX);
            addToNumber(element->y, rootY);
        }
        addToNumber(element->z, rootZ);
    }
    for (int32_t t = 0; t < ownTracks; ++t) {
        PointList *track = scene->tracks[t];
        const SceneElement *owner = track->element;
        if (owner->parent)
            continue;
        float amount = track->target == &owner->x ? rootX
                       : track->target == &owner->y ? rootY
                       : track->target == &owner->z ? rootZ
                                                    : 0.0f;
        for (int32_t k = 0; amount != 0.0f && k < track->count; ++k)
            track->values[k] += amount;
    }
}

// A zoom zone without a backdrop takes the template named after its background's size: its scene file
// and its script. True when a template was loaded.
bool loadZoomZoneTemplate(HoScene *scene) {
    if (!scene->isZoomZone || scene->findElement(kwBackdrop))
        return false;
    SceneElement *background = scene->findElement(kwBackground);
    if (!background)
        return false;
    std::string name = "zz_" + std::to_string(roundToInt(background->baseWidth)) + "_" +
                       std::to_string(roundToInt(background->baseHeight));
    HoScene *zone = scene->world->findScene(name.c_str());
    if (!zone)
        return false;
    loadSceneFile(scene, zone->folder, zone->name);
    parseSceneScriptFile(&scene->script, zone->folder, zone->name);
    return true;
}

} // namespace

bool loadSceneFile(HoScene *scene, const char *folder, const char *name) {
    if (!scene)
        return false;
    IncludeStack includes;
    return readSceneFile(scene, folder, name, includes);
}

void loadSceneContent(HoScene *scene) {
    if (!scene)
        return;
    scene->fileRead = loadSceneFile(scene, scene->folder, scene->name) ? 1 : 0;
    int32_t ownElements = scene->allElements.members.count();
    int32_t ownTracks = scene->tracks.count();
    bool templateLoaded = loadZoomZoneTemplate(scene);
    orderParentsFirst(scene);
    SceneElement *root = templateLoaded ? scene->findElement(kwBackgroundRoot) : nullptr;
    if (root)
        offsetByTemplateRoot(scene, *root, ownElements, ownTracks);
}
