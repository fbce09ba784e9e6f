// The save stream: values of every kind written into a file and read back, references that resolve and
// references whose names have gone, the blocks' offsets and check bytes, long texts and files larger than
// one write, arrays read into arrays of another size.

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "game/script/ScriptArray.h"
#include "game/script/ScriptValueText.h"
#include "tests/game/player/SaveStreamSupport.h"

namespace {

// A value as text: its type and what the scripts show of it; arrays entry by entry, "_" for an empty
// slot; "null" for a record value without its record.
std::string describe(const ScriptValue &value) {
    std::string text = std::to_string(value.type) + ":";
    if (value.type == kScriptArray) {
        auto *entries = static_cast<PtrArray<ScriptValue> *>(value.pointer);
        text += "[";
        for (int32_t i = 0; entries && i < entries->count(); ++i)
            text += (i ? "," : "") + (entries->get(i) ? describe(*entries->get(i)) : std::string("_"));
        return text + "]";
    }
    if (value.type >= kScriptElement && value.type <= kScriptEvent && !value.pointer)
        return text + "null";
    if (value.type == kScriptInventoryItem)
        return text + static_cast<HoInventoryItem *>(value.pointer)->name;
    valueToText(value, text);
    return text;
}

class SaveStreamConformanceTest : public SaveStreamTest {
protected:
    // An array value of the given entries (null for an empty slot).
    ScriptValue arrayOf(std::vector<const ScriptValue *> entries) {
        ScriptValue array;
        PtrArray<ScriptValue> *list = makeArrayValue(&array, world.scriptPools);
        for (int32_t i = 0; i < int32_t(entries.size()); ++i) {
            ScriptValue *slot = nullptr;
            if (entries[size_t(i)]) {
                slot = world.scriptPools.newValueSlot();
                *slot = *entries[size_t(i)];
            }
            storeArrayEntry(list, i, slot);
        }
        return array;
    }
    static ScriptValue number(float n) {
        ScriptValue value;
        value.setNumber(n);
        return value;
    }
    static ScriptValue of(int32_t type, const void *record) {
        ScriptValue value;
        value.setPointer(type, record);
        return value;
    }

    // One value of every kind that has a saved form, and nested arrays with empty slots.
    std::vector<ScriptValue> everyKind() {
        ScriptValue none;
        ScriptValue text = of(kScriptText, "lantern oil");
        ScriptValue element = of(kScriptElement, door);
        ScriptValue inner = arrayOf({&text, nullptr, &element});
        ScriptValue one = number(1.0f);
        return {number(-2.5f),
                text,
                of(kScriptText, ""),
                element,
                of(kScriptGroup, &doorGroup),
                of(kScriptScene, hall),
                of(kScriptInventoryItem, lantern),
                of(kScriptSound, static_cast<HoResource *>(bell)),
                of(kScriptFunction, findOrCreateFunction("open_door", &hall->script)),
                of(kScriptTask, task(hall, "find_key")),
                of(kScriptEvent, event(game, "dawn")),
                none,
                arrayOf({&one, nullptr, &inner, &none}),
                arrayOf({})};
    }
    std::vector<std::string> describeAll(const std::vector<ScriptValue> &values) {
        std::vector<std::string> texts;
        for (const ScriptValue &value : values)
            texts.push_back(describe(value));
        return texts;
    }
    Body valuesBody(std::vector<ScriptValue> &values) {
        return [&values](SaveStream &stream) {
            for (ScriptValue &value : values) {
                if (!stream.serializeValue(value))
                    return false;
            }
            return true;
        };
    }
};

TEST_F(SaveStreamConformanceTest, NumbersAndTextsReadBackAsWritten) {
    std::string longest(SaveStream::kMaxBlockBytes, 'x');
    const char *texts[] = {nullptr, "", "h\xC3\xA9llo w\xC3\xB6rld", longest.c_str()};
    int32_t ints[] = {0, -1, INT_MIN, INT_MAX};
    float floats[] = {0.1f, -0.0f, INFINITY, -3.5e-38f};
    uint8_t bytes[] = {0, 255};
    auto body = [&](SaveStream &stream) {
        for (const char *&text : texts) {
            if (!stream.serializeString(text))
                return false;
        }
        for (int32_t &value : ints) {
            if (!stream.serializeInt(value))
                return false;
        }
        for (float &value : floats) {
            if (!stream.serializeFloat(value))
                return false;
        }
        return stream.serializeByte(bytes[0]) && stream.serializeByte(bytes[1]);
    };
    ASSERT_TRUE(save("values.sav", body));
    const char *writtenTexts[] = {texts[0], texts[1], texts[2], texts[3]};
    for (const char *&text : texts)
        text = "stale";
    std::fill(std::begin(ints), std::end(ints), 7);
    std::fill(std::begin(floats), std::end(floats), 7.0f);
    std::fill(std::begin(bytes), std::end(bytes), 7);
    ASSERT_TRUE(load("values.sav", body));
    EXPECT_EQ(texts[0], nullptr);
    for (int i = 1; i < 4; ++i) {
        ASSERT_NE(texts[i], nullptr);
        EXPECT_STREQ(texts[i], writtenTexts[i]);
        EXPECT_EQ(texts[i], names.findInterned(writtenTexts[i])) << "texts read back are interned";
    }
    EXPECT_EQ(std::vector<int32_t>(std::begin(ints), std::end(ints)), (std::vector<int32_t>{0, -1, INT_MIN, INT_MAX}));
    EXPECT_EQ(floats[0], 0.1f);
    EXPECT_TRUE(std::signbit(floats[1]));
    EXPECT_EQ(floats[2], INFINITY);
    EXPECT_EQ(floats[3], -3.5e-38f);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[1], 255);
}

TEST_F(SaveStreamConformanceTest, EveryValueKindAndNestedArraysReadBackAsWritten) {
    std::vector<ScriptValue> written = everyKind();
    ASSERT_TRUE(save("kinds.sav", valuesBody(written)));
    std::vector<ScriptValue> read(written.size());
    ASSERT_TRUE(load("kinds.sav", valuesBody(read)));
    EXPECT_EQ(describeAll(read), describeAll(written));
    for (size_t i = 3; i <= 10; ++i)
        EXPECT_EQ(read[i].pointer, written[i].pointer) << "reference " << i << " resolves to the same record";
}

// Reading over values that already hold something: what the file names replaces it, even when the names
// differ only in their last byte or in the scene, and an equal text or reference stays the same record.
TEST_F(SaveStreamConformanceTest, ValuesReadOverHeldOnesTakeWhatTheFileNames) {
    SceneElement *cellarDoor = addElement(addScene("cellar"), "door");
    const char *lamp = names.internOrFind("lamp");
    struct Case {
        ScriptValue written, held;
    };
    std::vector<Case> cases = {{of(kScriptText, lamp), of(kScriptText, "lamp post")},
                               {of(kScriptText, "lamp post"), of(kScriptText, lamp)},
                               {of(kScriptText, lamp), of(kScriptText, lamp)},
                               {of(kScriptText, lamp), of(kScriptElement, door)},
                               {of(kScriptElement, door), of(kScriptElement, cellarDoor)},
                               {of(kScriptElement, cellarDoor), of(kScriptElement, door)},
                               {of(kScriptElement, door), of(kScriptElement, door)},
                               {of(kScriptElement, nullptr), of(kScriptElement, door)}};
    std::vector<ScriptValue> written, read;
    for (const Case &c : cases) {
        written.push_back(c.written);
        read.push_back(c.held);
    }
    ASSERT_TRUE(save("held.sav", valuesBody(written)));
    ASSERT_TRUE(load("held.sav", valuesBody(read)));
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(read[i].type, written[i].type) << i;
        const bool text = written[i].type == kScriptText;
        EXPECT_EQ(read[i].pointer, text ? names.findInterned(written[i].text()) : written[i].pointer) << i;
    }
}

TEST_F(SaveStreamConformanceTest, ReferencesWhoseNamesAreGoneReadAsNull) {
    std::vector<ScriptValue> written = everyKind();
    written.push_back(of(kScriptScene, game));
    written.push_back(of(kScriptTask, task(game, "wake")));
    ASSERT_TRUE(save("kinds.sav", valuesBody(written)));
    // A world whose hall has no door, no group and no item, and which has no scene "game".
    HoWorld other(&context);
    HoScene *otherHall = addSceneTo(other, "hall");
    std::vector<ScriptValue> read(written.size());
    ASSERT_TRUE(load("kinds.sav", valuesBody(read), &other));
    for (size_t i : {3u, 4u, 6u, 14u, 15u})
        EXPECT_EQ(describe(read[i]), std::to_string(written[i].type) + ":null") << i;
    EXPECT_EQ(read[5].pointer, otherHall);
    auto *function = static_cast<ScriptFunction *>(read[8].pointer);
    ASSERT_NE(function, nullptr);
    EXPECT_EQ(function->context, &otherHall->script) << "functions, tasks and events are made in their scene";
    EXPECT_EQ(describe(read[9]), "9:@hall:find_key");
    EXPECT_EQ(describe(read[10]), "10:null") << "the event's scene \"game\" does not exist there";
    EXPECT_EQ(read[7].pointer, written[7].pointer) << "a sound is made on request";
}

// The vector paths of the whole-file pass that this machine can run.
std::vector<SaveStream::VectorPath> vectorPaths() {
    std::vector<SaveStream::VectorPath> paths;
    for (auto path : {SaveStream::VectorPath::kBytes, SaveStream::VectorPath::kAvx2, SaveStream::VectorPath::kAvx512}) {
        if (path <= SaveStream::widestVectorPath())
            paths.push_back(path);
    }
    return paths;
}

// The reader undoes the transform over whole runs at once; every byte must come out as the byte-by-byte
// transform gives it, across the places where the key's parts change and for other builds' pairs.
TEST(SaveStreamTransform, AWholeRunComesOutAsByteByByte) {
    struct Run {
        uint32_t offset, size;
        uint8_t a, b;
    };
    const Run runs[] = {{0, 200000, SaveStream::kStartOffset, SaveStream::kStepMultiplier},
                        {65536 - SaveStream::kStartOffset - 40, 100, SaveStream::kStartOffset, SaveStream::kStepMultiplier},
                        {3 * 65536 - 7, 1000, 0, 0},
                        {12345, 70000, 255, 255},
                        {1, 65, 7, 1},
                        {99, 0, 1, 3}};
    std::vector<uint8_t> stored(200000 + SaveStream::kImagePadding);
    for (size_t i = 0; i < stored.size(); ++i)
        stored[i] = uint8_t(i * 131 + (i >> 9));
    for (SaveStream::VectorPath path : vectorPaths()) {
        for (const Run &run : runs) {
            std::vector<uint8_t> whole(run.size), single(run.size), marks(run.size);
            SaveStream::undoRun(stored.data(), whole.data(), marks.data(), run.size, run.offset, run.a, run.b, path);
            SaveStream::unscramble(stored.data(), single.data(), run.size, run.offset, run.a, run.b);
            EXPECT_EQ(whole, single) << "at " << run.offset << " pair " << int(run.a) << "," << int(run.b)
                                     << " path " << int(path);
        }
    }
}

// The reader checks the blocks of one and of four bytes at every offset in the same pass; each mark must
// be what the block's own check gives, across runs that start anywhere and the places where the
// offset's bytes carry. A block longer than a word is checked with its last bytes taken as one word.
TEST(SaveStreamTransform, TheMarksOfShortBlocksAreTheirOwnChecks) {
    constexpr uint32_t kSize = 3000;
    std::vector<uint8_t> stored(kSize + SaveStream::kImagePadding);
    for (size_t i = 0; i < stored.size(); ++i)
        stored[i] = uint8_t(i * 167 + (i >> 7));
    // Every fourth byte makes a sound block of one byte, so that both marks occur often.
    for (uint32_t offset : {0u, 15u, 65536u - 77u, 0x00FFFFFFu - 1500u, 0x7FFFFF00u + 31u}) {
        std::vector<uint8_t> file = stored;
        for (uint32_t i = 0; i + 1 < kSize; i += 4)
            file[i + 1] = SaveStream::checksum(&file[i], 1, offset + i);
        for (SaveStream::VectorPath path : vectorPaths()) {
            std::vector<uint8_t> plain(kSize), marks(kSize);
            SaveStream::undoRun(file.data(), plain.data(), marks.data(), kSize, offset, SaveStream::kStartOffset,
                                SaveStream::kStepMultiplier, path);
            for (uint32_t i = 0; i + 5 <= kSize; ++i) {
                const int expected =
                    (SaveStream::checksum(&file[i], 1, offset + i) == file[i + 1] ? SaveStream::kSoundByteBlock : 0) |
                    (SaveStream::checksum(&file[i], 4, offset + i) == file[i + 4] ? SaveStream::kSoundWordBlock : 0);
                ASSERT_EQ(marks[i], expected) << "at " << offset + i << " path " << int(path);
            }
        }
        for (uint32_t n : {0u, 5u, 8u, 13u, 16u, 17u, 300u})
            EXPECT_EQ(SaveStream::paddedChecksum(&file[kSize - n], n, offset),
                      SaveStream::checksum(&file[kSize - n], n, offset)) << n << " bytes";
    }
}

TEST_F(SaveStreamConformanceTest, ABlockDependsOnItsOffsetAndFailsElsewhere) {
    int32_t values[] = {1234567, 1234567};
    ASSERT_TRUE(save("twice.sav", [&](SaveStream &stream) {
        return stream.serializeInt(values[0]) && stream.serializeInt(values[1]);
    }));
    std::vector<unsigned char> file = fileBytes("twice.sav");
    ASSERT_EQ(file.size(), 25u);
    EXPECT_NE(std::vector<unsigned char>(file.begin() + 15, file.begin() + 19),
              std::vector<unsigned char>(file.begin() + 20, file.begin() + 24));
    // The second block moved into the first one's place.
    std::copy(file.begin() + 20, file.end(), file.begin() + 15);
    lftest::writeFileBytes(folder / "moved.sav", file);
    int32_t read = 99;
    EXPECT_FALSE(load("moved.sav", [&](SaveStream &stream) { return stream.serializeInt(read); }));
    EXPECT_EQ(read, 0) << "a number that fails reads as 0";
}

TEST_F(SaveStreamConformanceTest, AHeaderThatIsShortOrWhoseCopiesDifferDoesNotOpen) {
    ASSERT_TRUE(save("good.sav", [](SaveStream &) { return true; }));
    std::vector<unsigned char> good = fileBytes("good.sav");
    ASSERT_EQ(good.size(), 15u);
    good.pop_back();
    lftest::writeFileBytes(folder / "short.sav", good);
    lftest::writeFileBytes(folder / "empty.sav", {});
    // Two different halved draws where K and its copy belong.
    SaveStream stream(&world);
    stream.writing = stream.memoryMode = true;
    int32_t header[] = {0x1234567, 0x1234568, SaveStream::kVersion};
    for (int32_t &value : header)
        ASSERT_TRUE(stream.serializeInt(value));
    ASSERT_TRUE(stream.flushToFile(pathOf("copies.sav").c_str()));
    for (const char *name : {"short.sav", "empty.sav", "copies.sav", "missing.sav"})
        EXPECT_FALSE(load(name, [](SaveStream &) { return true; })) << name;
    EXPECT_NE(getLogContents().find("copies.sav was written by another build"), std::string::npos);
    EXPECT_EQ(getLogContents().find("missing.sav"), std::string::npos) << "a missing file is no error";
}

TEST_F(SaveStreamConformanceTest, ATextOfTheBlockLimitFitsAndOneByteMoreFailsBeforeAnyBlock) {
    std::string longest(SaveStream::kMaxBlockBytes, 'a');
    std::string tooLong(SaveStream::kMaxBlockBytes + 1, 'b');
    SaveStream stream(&world);
    ASSERT_TRUE(stream.openWrite());
    const char *text = longest.c_str();
    ASSERT_TRUE(stream.serializeString(text));
    uint32_t before = stream.offset();
    EXPECT_EQ(before, 15u + 5u + SaveStream::kMaxBlockBytes + 1u);
    text = tooLong.c_str();
    EXPECT_FALSE(stream.serializeString(text));
    EXPECT_EQ(stream.offset(), before) << "nothing was written for it";
}

TEST_F(SaveStreamConformanceTest, AFileLargerThanOneWriteIsWrittenInTwoPiecesAndReadsBackWhole) {
    std::string chunk(SaveStream::kMaxBlockBytes, 'z');
    constexpr int kChunks = 80; // 5.2 MB
    ASSERT_TRUE(save("large.sav", [&](SaveStream &stream) {
        for (int i = 0; i < kChunks; ++i) {
            chunk[0] = char('A' + i % 26);
            const char *text = chunk.c_str();
            if (!stream.serializeString(text))
                return false;
        }
        return true;
    }));
    // open, two writes, flush, sync, close, rename, the folder's sync
    EXPECT_EQ(fileHooksChangeCount(), 8);
    EXPECT_EQ(uint64_t(fileHooksBytesWritten()), fileBytes("large.sav").size());
    EXPECT_GT(fileBytes("large.sav").size(), size_t(SaveStream::kGrowBytes));
    int chunksRead = 0;
    ASSERT_TRUE(load("large.sav", [&](SaveStream &stream) {
        for (; chunksRead < kChunks; ++chunksRead) {
            const char *text = nullptr;
            if (!stream.serializeString(text) || std::strlen(text) != chunk.size() || text[0] != char('A' + chunksRead % 26))
                return false;
        }
        return stream.atEnd();
    }));
    EXPECT_EQ(chunksRead, kChunks);
}

TEST_F(SaveStreamConformanceTest, AnArrayReadIntoAShorterOneHoldsExactlyTheStoredCount) {
    ScriptValue a = number(1), b = number(2), c = number(3);
    ScriptValue three = arrayOf({&a, nullptr, &c});
    ASSERT_TRUE(save("array.sav", [&](SaveStream &stream) { return stream.serializeValue(three); }));
    ScriptValue held = arrayOf({&b});
    PtrArray<ScriptValue> *list = static_cast<PtrArray<ScriptValue> *>(held.pointer);
    ScriptValue *first = list->get(0);
    ASSERT_TRUE(load("array.sav", [&](SaveStream &stream) { return stream.serializeValue(held); }));
    EXPECT_EQ(held.pointer, list) << "the array the value held is kept";
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->get(0), first) << "an existing entry is read in place";
    EXPECT_EQ(describe(held), "13:[1:1,_,1:3]");
}

} // namespace
