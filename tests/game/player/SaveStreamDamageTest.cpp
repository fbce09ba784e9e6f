// Save files that are not as our writer left them: cut anywhere, changed in any byte, hostile counts,
// lengths, nesting and type codes, huge files, versions from other times, files of builds with other
// transform constants; and the golden file that pins the format down.

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "game/script/ScriptArray.h"
#include "tests/game/player/SaveStreamSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

class SaveStreamDamageTest : public SaveStreamTest {
protected:
    // Raw blocks of several sizes (the empty block too); `offsets` gets where each begins.
    static constexpr uint32_t kSizes[] = {0, 1, 4, 17, 3, 300, 2};

    Bytes blockContent(size_t index) const { return Bytes(kSizes[index], static_cast<unsigned char>(0x41 + index * 7)); }

    // Reads the blocks in order until one fails: how many were read, each with its content, and whether
    // the one that failed left its destination as it was.
    size_t readBlocks(const std::string &name, bool *untouched) {
        size_t read = 0;
        *untouched = true;
        load(name, [&](SaveStream &stream) {
            for (; read < std::size(kSizes); ++read) {
                Bytes destination(kSizes[read], 0xEE);
                if (!stream.serializeBytes(kSizes[read], destination.data())) {
                    *untouched = destination == Bytes(kSizes[read], 0xEE);
                    return false;
                }
                if (destination != blockContent(read))
                    return false;
            }
            return true;
        });
        return read;
    }

    // The blocks each failing read must stop at, given the offset of the first byte that is missing or
    // changed; the header blocks keep the file from opening at all.
    size_t expectedBlocks(const std::vector<uint32_t> &offsets, size_t damagedAt) const {
        size_t blocks = 0;
        while (blocks < offsets.size() && offsets[blocks] + kSizes[blocks] + 1 <= damagedAt)
            ++blocks;
        return blocks;
    }
};

TEST_F(SaveStreamDamageTest, ACutOrChangedByteFailsTheBlockItLiesInAndLeavesItsDestination) {
    std::vector<uint32_t> offsets;
    ASSERT_TRUE(save("blocks.sav", [&](SaveStream &stream) {
        for (size_t i = 0; i < std::size(kSizes); ++i) {
            offsets.push_back(stream.offset());
            Bytes content = blockContent(i);
            if (!stream.serializeBytes(kSizes[i], content.data()))
                return false;
        }
        return true;
    }));
    const Bytes file = fileBytes("blocks.sav");
    bool untouched = false;
    ASSERT_EQ(readBlocks("blocks.sav", &untouched), std::size(kSizes));
    for (size_t at = 0; at < file.size(); ++at) {
        lftest::writeFileBytes(folder / "cut.sav", Bytes(file.begin(), file.begin() + long(at)));
        Bytes flipped = file;
        flipped[at] ^= 0xFF;
        lftest::writeFileBytes(folder / "flipped.sav", flipped);
        for (const char *name : {"cut.sav", "flipped.sav"}) {
            if (at < 15) {
                EXPECT_FALSE(load(name, [](SaveStream &) { return true; })) << name << " at " << at;
                continue;
            }
            EXPECT_EQ(readBlocks(name, &untouched), expectedBlocks(offsets, at)) << name << " at " << at;
            EXPECT_TRUE(untouched) << name << " at " << at;
        }
    }
    EXPECT_NE(getLogContents().find("flipped.sav is damaged at byte"), std::string::npos);
}

// A run of fields read at once stops where the same fields read one call at a time stop, with the same
// results and the same place in the file, whether the file is whole, cut or changed in any byte.
TEST_F(SaveStreamDamageTest, ARunOfFieldsReadsAsTheFieldsOneByOne) {
    struct Fields {
        uint8_t flag = 7;
        ScriptValue number, text, array;
        SceneElement *none = nullptr, *element = nullptr, *nameOnly = nullptr;
        HoSound *sound = nullptr;
        int32_t after = 99;
    };
    ASSERT_TRUE(save("run.sav", [&](SaveStream &stream) {
        Fields written;
        written.number.setNumber(2.5f);
        written.text.setPointer(kScriptText, "lamp");
        ScriptValue *entry = world.scriptPools.newValueSlot();
        entry->setNumber(1.0f);
        makeArrayValue(&written.array, world.scriptPools)->append(entry);
        written.element = door;
        written.sound = bell;
        const char *absent = nullptr, *name = "door";
        return stream.serializeByte(written.flag) && stream.serializeValue(written.number) &&
               stream.serializeValue(written.text) && stream.serializeValue(written.array) &&
               stream.serializeElementRef(written.none) && stream.serializeElementRef(written.element) &&
               stream.serializeString(absent) && stream.serializeString(name) &&
               stream.serializeSoundRef(written.sound) && stream.serializeInt(written.after);
    }));
    auto describe = [](const Fields &f, bool read, uint32_t offset) {
        const bool records[] = {f.none != nullptr, f.element != nullptr, f.nameOnly != nullptr, f.sound != nullptr};
        std::string text = std::to_string(read) + "@" + std::to_string(offset) + " " + std::to_string(f.flag) + " " +
                           std::to_string(f.number.type) + "," + std::to_string(f.number.asNumber()) + " " +
                           (f.text.type == kScriptText && f.text.text() ? f.text.text() : "-") + " " +
                           std::to_string(f.array.type) + " ";
        for (bool present : records)
            text += present ? "1" : "0";
        return text + " " + std::to_string(f.after);
    };
    auto readBothWays = [&](const std::string &name) {
        Fields once, oneByOne;
        std::string results[2];
        load(name, [&](SaveStream &stream) {
            const bool read = stream.serializeFields(once.flag, once.number, once.text, once.array, once.none,
                                                     once.element, once.nameOnly, once.sound, once.after);
            results[0] = describe(once, read, stream.offset());
            return true;
        });
        load(name, [&](SaveStream &stream) {
            Fields &f = oneByOne;
            const bool read = stream.serializeByte(f.flag) && stream.serializeValue(f.number) &&
                              stream.serializeValue(f.text) && stream.serializeValue(f.array) &&
                              stream.serializeElementRef(f.none) && stream.serializeElementRef(f.element) &&
                              stream.serializeElementRef(f.nameOnly) && stream.serializeSoundRef(f.sound) &&
                              stream.serializeInt(f.after);
            results[1] = describe(oneByOne, read, stream.offset());
            return true;
        });
        EXPECT_EQ(results[0], results[1]) << name;
        return results[0];
    };
    EXPECT_EQ(readBothWays("run.sav").substr(0, 2), "1@");
    const Bytes file = fileBytes("run.sav");
    for (size_t at = 15; at < file.size(); ++at) {
        lftest::writeFileBytes(folder / "cut.sav", Bytes(file.begin(), file.begin() + long(at)));
        Bytes flipped = file;
        flipped[at] ^= 0xFF;
        lftest::writeFileBytes(folder / "flipped.sav", flipped);
        EXPECT_EQ(readBothWays("cut.sav").substr(0, 1), "0") << at;
        EXPECT_EQ(readBothWays("flipped.sav").substr(0, 1), "0") << at;
    }
}

TEST_F(SaveStreamDamageTest, HostileCountsLengthsNestingAndTypesFailOrReadAsNone) {
    std::string longName(SaveStream::kMaxBlockBytes, 'n');
    struct Case {
        const char *what;
        Body write;
        bool reads;         // the value reads successfully
        const char *result; // its type afterwards
    };
    auto ints = [](std::vector<int32_t> values) {
        return [values](SaveStream &stream) mutable {
            for (int32_t &value : values) {
                if (!stream.serializeInt(value))
                    return false;
            }
            return true;
        };
    };
    auto nested = [](int depth) {
        return [depth](SaveStream &stream) {
            uint8_t present = 1;
            for (int i = 0; i < depth; ++i) {
                int32_t type = kScriptArray, count = 1;
                if (!stream.serializeInt(type) || !stream.serializeInt(count) || !stream.serializeByte(present))
                    return false;
            }
            int32_t none = kScriptNone;
            return stream.serializeInt(none);
        };
    };
    const Case cases[] = {
        {"negative array count", ints({kScriptArray, -1}), false, "0"},
        {"array count beyond the file", ints({kScriptArray, INT_MAX}), false, "0"},
        {"array count of one byte per entry", ints({kScriptArray, 20, 0, 0}), false, "0"},
        {"64 nested arrays", nested(64), true, "13"},
        {"65 nested arrays", nested(65), false, "0"},
        {"text length -2", ints({kScriptText, -2}), false, "0"},
        {"text length 65,536", ints({kScriptText, 65536}), false, "0"},
        {"text length beyond the file", ints({kScriptText, 60000, 0}), false, "0"},
        {"block type", ints({kScriptBlock}), true, "0"},
        {"variable reference type", ints({kScriptVariableRef}), true, "0"},
        {"unknown type 99", ints({99}), true, "0"},
        {"negative type", ints({-5}), true, "0"},
        {"names of 65,535 bytes",
         [&](SaveStream &stream) {
             int32_t type = kScriptElement;
             const char *name = longName.c_str();
             return stream.serializeInt(type) && stream.serializeString(name) && stream.serializeString(name);
         },
         true, "3"},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(save("hostile.sav", [&](SaveStream &stream) {
            ScriptValue after;
            after.setNumber(42.0f);
            return c.write(stream) && stream.serializeValue(after);
        })) << c.what;
        ScriptValue value, after;
        value.setNumber(1.0f);
        bool read = false;
        load("hostile.sav", [&](SaveStream &stream) {
            read = stream.serializeValue(value);
            return read && stream.serializeValue(after);
        });
        EXPECT_EQ(read, c.reads) << c.what;
        EXPECT_EQ(std::to_string(value.type), c.result) << c.what;
        if (c.reads) {
            EXPECT_EQ(after.type, kScriptNumber) << c.what << ": the next value still reads";
            EXPECT_EQ(value.type == kScriptElement ? value.pointer : nullptr, nullptr) << c.what;
        }
    }
}

TEST_F(SaveStreamDamageTest, AnArrayThatHoldsItselfFailsTheSaveInsteadOfRecursingForever) {
    ScriptValue array;
    PtrArray<ScriptValue> *entries = makeArrayValue(&array, world.scriptPools);
    ScriptValue *self = world.scriptPools.newValueSlot();
    *self = array;
    entries->append(self);
    EXPECT_FALSE(writeSaveFile(&world, pathOf("cycle.sav").c_str(), [&](SaveStream &stream) {
        return stream.serializeValue(array);
    }));
    EXPECT_FALSE(std::filesystem::exists(folder / "cycle.sav"));
    EXPECT_NE(getLogContents().find("cannot write save file " + pathOf("cycle.sav") + ", ERROR"), std::string::npos);
}

TEST_F(SaveStreamDamageTest, HugeFilesAreRefusedWithoutReadingThem) {
    lftest::writeFileBytes(folder / "huge.sav", {});
    std::filesystem::resize_file(folder / "huge.sav", 8ull << 30); // sparse
    EXPECT_FALSE(load("huge.sav", [](SaveStream &) { return true; }));
    EXPECT_NE(getLogContents().find("huge.sav is not a save file of this game"), std::string::npos);
}

TEST_F(SaveStreamDamageTest, VersionsOfOtherTimesOpenAndAboveTheCurrentReadAsIt) {
    for (int32_t version : {0, 9, 30, -1}) {
        ASSERT_TRUE(save("version.sav", [](SaveStream &) { return true; }, version));
        int32_t read = 1000;
        ASSERT_TRUE(load("version.sav", [&](SaveStream &stream) {
            read = stream.version;
            return true;
        }));
        EXPECT_EQ(read, version > SaveStream::kVersion ? SaveStream::kVersion : version);
    }
}

// Writers of other builds pick their own pair; such a file reads back when exactly one pair makes its
// header plausible, and is left unread otherwise.
TEST_F(SaveStreamDamageTest, FilesOfBuildsWithOtherConstantsReadBackUnlessAmbiguous) {
    const uint8_t pairs[][2] = {{0x01, 0x01}, {0x10, 0x03}, {0x7F, 0x81}, {0xFE, 0xFD}, {0x00, 0x35},
                                {0x5A, 0x0B}, {0x22, 0xC7}, {0x99, 0x6F}, {0xC3, 0x11}, {0x3B, 0x5B}};
    seedRandom(77);
    for (const auto &pair : pairs) {
        SaveStream stream(&world);
        stream.startOffset = pair[0];
        stream.stepMultiplier = pair[1];
        int32_t number = 4321;
        const char *text = "foreign";
        ASSERT_TRUE(stream.openWrite() && stream.serializeInt(number) && stream.serializeString(text) &&
                    stream.flushToFile(pathOf("foreign.sav").c_str()));
        number = 0;
        text = nullptr;
        EXPECT_TRUE(load("foreign.sav", [&](SaveStream &reader) {
            return reader.serializeInt(number) && reader.serializeString(text);
        })) << int(pair[0]) << "," << int(pair[1]);
        EXPECT_EQ(number, 4321);
        EXPECT_STREQ(text ? text : "", "foreign");
    }
    // With a step of 255 many pairs decode the header alike.
    SaveStream stream(&world);
    stream.startOffset = 118;
    stream.stepMultiplier = 255;
    ASSERT_TRUE(stream.openWrite() && stream.flushToFile(pathOf("ambiguous.sav").c_str()));
    EXPECT_FALSE(load("ambiguous.sav", [](SaveStream &) { return true; }));
    EXPECT_TRUE(std::filesystem::exists(folder / "ambiguous.sav")) << "the stream deletes nothing";
}

// The file's bytes for a fixed body and seed: a change of the constants or the layout, which would
// orphan every saved game, fails here.
TEST_F(SaveStreamDamageTest, AFixedBodyGivesTheBytesOfTheGoldenFile) {
    auto body = [this](SaveStream &stream) {
        int32_t number = -7;
        float fraction = 0.75f;
        uint8_t tag = kSaveTagElement;
        const char *texts[] = {"hall", "", nullptr};
        ScriptValue values[4];
        values[0].setPointer(kScriptElement, door);
        values[1].setPointer(kScriptTask, task(hall, "find_key"));
        values[2].setPointer(kScriptSound, static_cast<HoResource *>(bell));
        PtrArray<ScriptValue> *entries = makeArrayValue(&values[3], world.scriptPools);
        entries->append(&values[0]);
        entries->append(nullptr);
        bool ok = stream.serializeByte(tag) && stream.serializeInt(number) && stream.serializeFloat(fraction);
        for (const char *&text : texts)
            ok = ok && stream.serializeString(text);
        for (ScriptValue &value : values)
            ok = ok && stream.serializeValue(value);
        return ok;
    };
    seedRandom(2024);
    ASSERT_TRUE(save("golden.sav", body));
    const Bytes golden = lftest::readFileBytes(std::string(LF_SOURCE_DIR) + "/tests/data/save/golden.sav");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(fileBytes("golden.sav"), golden);
    EXPECT_TRUE(load("golden.sav", body));
    EXPECT_EQ(std::string(std::begin(kSaveSectionTags), std::end(kSaveSectionTags)), "VIMKSERTPAHOG")
        << "the record tags and their order in the table";
}

} // namespace
