// A save interrupted anywhere loses nothing saved before: a new save over an older one, with a failure
// moved over every change the writer makes (once, as a full disk; and from there on, as a machine that
// stops) and the stop moved over every byte, leaves the old file or the new one and nothing else.

#include <filesystem>
#include <string>
#include <vector>

#include "tests/game/player/SaveStreamSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

class SaveFileCrashTest : public SaveStreamTest {
protected:
    static constexpr const char *kName = "profile_anna.sav";

    // A body of a few blocks; the generator is seeded so that the same body gives the same bytes.
    bool saveNumbers(int32_t first) {
        seedRandom(uint32_t(first));
        return writeSaveFile(&world, pathOf(kName).c_str(), [first](SaveStream &stream) {
            const char *text = "scene hall";
            for (int32_t i = 0; i < 12; ++i) {
                int32_t number = first + i;
                if (!stream.serializeInt(number))
                    return false;
            }
            return stream.serializeString(text);
        });
    }
    // Puts the old file back in place, as a test step of its own (not through the writer).
    void restoreOld() { lftest::writeFileBytes(folder / kName, oldFile); }

    // One interrupted save: the target must be the old file or the new one, a failure must say so and
    // name the file, and a success must leave the new file.
    void interruptedSave(const std::string &what, bool mustFail) {
        restoreOld();
        clearLogContents();
        bool saved = saveNumbers(500);
        fileHooksReset();
        Bytes target = fileBytes(kName);
        EXPECT_TRUE(target == oldFile || target == newFile) << what;
        if (saved) {
            EXPECT_EQ(target, newFile) << what;
        } else {
            EXPECT_NE(getLogContents().find("Game: cannot write save file " + pathOf(kName) +
                                            ": no room left on the disk, ERROR"),
                      std::string::npos)
                << what << ": a failing change fails as on a full disk";
        }
        EXPECT_FALSE(mustFail && saved) << what << " reported success";
    }

    void SetUp() override {
        ASSERT_TRUE(saveNumbers(100));
        oldFile = fileBytes(kName);
        fileHooksReset();
        ASSERT_TRUE(saveNumbers(500));
        newFile = fileBytes(kName);
        changes = fileHooksChangeCount();
        fileHooksReset();
        ASSERT_NE(oldFile, newFile);
    }

    Bytes oldFile;
    Bytes newFile;
    int64_t changes = 0;
};

TEST_F(SaveFileCrashTest, AFailureAtAnyChangeLeavesTheOldFileOrTheNewOne) {
    EXPECT_EQ(changes, 7) << "open, write, flush, sync, close, rename, the folder's sync";
    for (bool andLater : {false, true}) {
        for (int64_t change = 1; change <= changes + 1; ++change) {
            fileHooksFailChange(change, andLater);
            interruptedSave("change " + std::to_string(change) + (andLater ? "+" : ""), change <= changes);
        }
    }
}

TEST_F(SaveFileCrashTest, AStopAtAnyByteLeavesTheOldFileOrTheNewOne) {
    for (size_t byte = 1; byte <= newFile.size() + 1; ++byte) {
        fileHooksStopWritesAt(int64_t(byte));
        interruptedSave("stop at byte " + std::to_string(byte), byte <= newFile.size());
    }
}

TEST_F(SaveFileCrashTest, ALeftoverTemporaryIsNeverReadAndTheNextSaveReplacesIt) {
    restoreOld();
    fileHooksStopWritesAt(20);
    EXPECT_FALSE(saveNumbers(500));
    fileHooksReset();
    const std::filesystem::path temporary = folder / (std::string(kName) + ".tmp");
    ASSERT_EQ(lftest::readFileBytes(temporary).size(), 19u) << "what the crash left";
    int32_t first = 0;
    ASSERT_TRUE(load(kName, [&](SaveStream &stream) { return stream.serializeInt(first); }));
    EXPECT_EQ(first, 100) << "the old save is read";
    std::filesystem::remove(folder / kName);
    EXPECT_FALSE(load(kName, [](SaveStream &) { return true; })) << "the temporary stands for nothing";
    ASSERT_TRUE(saveNumbers(500));
    EXPECT_EQ(fileBytes(kName), newFile);
    EXPECT_FALSE(std::filesystem::exists(temporary));
}

TEST_F(SaveFileCrashTest, ABodyThatFailsWritesNothingAndKeepsThePreviousFile) {
    restoreOld();
    EXPECT_FALSE(writeSaveFile(&world, pathOf(kName).c_str(), [](SaveStream &stream) {
        int32_t number = 1;
        return stream.serializeInt(number) && false;
    }));
    EXPECT_EQ(fileBytes(kName), oldFile);
    EXPECT_EQ(fileHooksChangeCount(), 0) << "nothing was written";
    EXPECT_NE(getLogContents().find("cannot write save file " + pathOf(kName)), std::string::npos);
}

} // namespace
