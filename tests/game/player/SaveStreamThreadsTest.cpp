// test-labels: threaded
// A save on the main thread while the game-load thread reads another file: each stream has its own
// buffers, so neither sees the other's bytes.

#include <string>
#include <thread>
#include <vector>

#include "tests/game/player/SaveStreamSupport.h"

namespace {

class SaveStreamThreadsTest : public SaveStreamTest {
protected:
    static constexpr int kValues = 200;
    static constexpr int kRounds = 20;

    // Texts, numbers and references to the hall's door, many blocks of each.
    static bool body(SaveStream &stream, std::vector<ScriptValue> &values) {
        for (ScriptValue &value : values) {
            if (!stream.serializeValue(value))
                return false;
        }
        return true;
    }
    std::vector<ScriptValue> sample(int seed) {
        std::vector<ScriptValue> values(kValues);
        for (int i = 0; i < kValues; ++i) {
            if (i % 3 == 0)
                values[size_t(i)].setNumber(float(seed + i));
            else if (i % 3 == 1)
                values[size_t(i)].setPointer(kScriptText, names.internOrFind(("text " + std::to_string(seed + i)).c_str()));
            else
                values[size_t(i)].setPointer(kScriptElement, door);
        }
        return values;
    }
};

TEST_F(SaveStreamThreadsTest, ASaveAndALoadOnTwoThreadsShareNoBuffer) {
    std::vector<ScriptValue> loaded = sample(1000);
    ASSERT_TRUE(save("loaded.sav", [&](SaveStream &stream) { return body(stream, loaded); }));
    // The load thread reads into a world of its own, as a load builds one.
    HoWorld other(&context);
    HoScene *otherHall = addSceneTo(other, "hall");
    SceneElement *otherDoor = other.elementPool.allocate();
    otherDoor->scene = otherHall;
    otherDoor->name = door->name;
    otherHall->allElements.members.append(otherDoor);

    int loadsRight = 0;
    std::thread loader([&] {
        for (int round = 0; round < kRounds; ++round) {
            std::vector<ScriptValue> read(kValues);
            bool right = load("loaded.sav", [&](SaveStream &stream) { return body(stream, read); }, &other);
            for (int i = 0; right && i < kValues; ++i) {
                const ScriptValue &expected = loaded[size_t(i)];
                right = read[size_t(i)].type == expected.type &&
                        (expected.type == kScriptElement ? read[size_t(i)].pointer == otherDoor
                                                         : read[size_t(i)].pointer == expected.pointer);
            }
            loadsRight += right ? 1 : 0;
        }
    });
    int savesRight = 0;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<ScriptValue> saved = sample(round);
        savesRight += writeSaveFile(&world, pathOf("saved.sav").c_str(), [&](SaveStream &stream) {
            return body(stream, saved);
        }) ? 1 : 0;
    }
    loader.join();
    EXPECT_EQ(savesRight, kRounds);
    EXPECT_EQ(loadsRight, kRounds);
}

} // namespace
