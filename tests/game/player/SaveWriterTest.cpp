// test-labels: threaded
// The save writer, on its thread and in the caller's: jobs done in the order they were asked for; a
// failure logged and handed back with why, with the first write after it and the announced ones; under
// the fixed clock an outcome that arrives a fixed number of frames after its job; an end that waits for
// the last job; waits that end on a disk that never answers, and a write given up that never lands late.

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>
#include <vector>

#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "game/player/SaveWriter.h"
#include "platform/FileHooks.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class SaveWriterTest : public ::testing::Test {
protected:
    SaveWriterTest() { fileHooksReset(); }
    ~SaveWriterTest() override {
        fileHooksFailChange(0, false);
        fileHooksReset();
    }

    static FileImage imageOf(const std::string &text) {
        FileImage image(static_cast<uint8_t *>(std::malloc(text.size() + 1)), std::free);
        std::memcpy(image.get(), text.data(), text.size());
        return image;
    }
    bool write(SaveWriter &writer, const std::string &name, const std::string &text, const char *announcement = nullptr) {
        return writer.write(path(name), imageOf(text), text.size(), announcement);
    }
    std::string path(const std::string &name) const { return (folder / name).string(); }
    std::string text(const std::string &name) const {
        const std::vector<unsigned char> bytes = lftest::readFileBytes(folder / name);
        return std::string(bytes.begin(), bytes.end());
    }
    // The outcomes as "name error announcement" lines.
    std::vector<std::string> described(const std::vector<SaveWriter::Outcome> &outcomes) const {
        std::vector<std::string> lines;
        for (const SaveWriter::Outcome &outcome : outcomes)
            lines.push_back(fs::path(outcome.path).filename().string() + " " + describeFileError(outcome.error) +
                            (outcome.announcement ? std::string(" ") + outcome.announcement : ""));
        return lines;
    }

    // The body with a writer on its thread, then with one that works in the caller's.
    template <typename Body>
    void inBothModes(Body body) {
        for (bool threaded : {false, true}) {
            SCOPED_TRACE(threaded ? "on its thread" : "in the caller's");
            SaveWriter writer;
            if (threaded)
                writer.startThread();
            body(writer, threaded);
        }
    }

    lftest::TempDir folder;
};

TEST_F(SaveWriterTest, JobsAreDoneInTheOrderTheyWereAskedFor) {
    inBothModes([&](SaveWriter &writer, bool) {
        for (int i = 0; i < 200; ++i) {
            EXPECT_TRUE(write(writer, "game.sav", std::to_string(i)));
            if (i % 7 == 2)
                writer.remove(path("game.sav"));
            if (i % 5 == 0) {
                EXPECT_TRUE(write(writer, "list.sav", std::to_string(i)));
            }
        }
        writer.remove(path("gone.sav"));
        write(writer, "gone.sav", "back");
        writer.remove(path("gone.sav"));
        writer.waitUntilIdle();
        EXPECT_EQ(text("game.sav"), "199");
        EXPECT_EQ(text("list.sav"), "195");
        EXPECT_FALSE(fs::exists(folder / "gone.sav"));
        EXPECT_TRUE(writer.takeOutcomes(false).empty()) << "nothing to act on";
    });
}

TEST_F(SaveWriterTest, AFailureIsLoggedAndHandedBackWithWhyAndSoAreTheFirstWriteAfterItAndTheAnnouncedOnes) {
    inBothModes([&](SaveWriter &writer, bool threaded) {
        clearLogContents();
        EXPECT_TRUE(write(writer, "kept.sav", "before"));
        writer.waitUntilIdle();
        fileHooksFailChange(1, true);
        EXPECT_EQ(write(writer, "game.sav", "lost", "game_saved"), threaded) << "the thread tells later";
        EXPECT_EQ(write(writer, "list.sav", "lost"), threaded);
        writer.reportUnmade(path("unmade.sav"));
        writer.waitUntilIdle();
        fileHooksReset();
        EXPECT_TRUE(write(writer, "list.sav", "written"));
        EXPECT_TRUE(write(writer, "game.sav", "written", "game_saved"));
        EXPECT_TRUE(write(writer, "kept.sav", "after"));
        writer.waitUntilIdle();
        EXPECT_EQ(described(writer.takeOutcomes(false)),
                  (std::vector<std::string>{"game.sav no room left on the disk game_saved",
                                            "list.sav no room left on the disk", "unmade.sav the system refused the write",
                                            "list.sav written", "game.sav written game_saved"}));
        EXPECT_TRUE(writer.takeOutcomes(false).empty()) << "each outcome is taken once";
        const std::string log = getLogContents();
        EXPECT_NE(log.find("cannot write save file " + path("game.sav") + ": no room left on the disk, ERROR"),
                  std::string::npos)
            << log;
        EXPECT_EQ(text("kept.sav"), "after");
    });
}

TEST_F(SaveWriterTest, UnderTheFixedClockAnOutcomeArrivesAFixedNumberOfFramesAfterItsJob) {
    SaveWriter writer;
    writer.startThread();
    fileHooksFailChange(1, true);
    constexpr uint64_t kLater = 3;
    std::vector<uint64_t> arrivals;
    for (uint64_t frame = 0; frame < SaveWriter::kFixedClockOutcomeFrames + kLater + 1; ++frame) {
        if (frame == 0 || frame == kLater)
            write(writer, "game.sav", "lost");
        if (frame == 0)
            writer.waitUntilIdle();
        for (size_t i = 0, n = writer.takeOutcomes(true).size(); i < n; ++i)
            arrivals.push_back(frame);
    }
    EXPECT_EQ(arrivals, (std::vector<uint64_t>{SaveWriter::kFixedClockOutcomeFrames,
                                               SaveWriter::kFixedClockOutcomeFrames + kLater}))
        << "done at once or not, on the same frame";
}

TEST_F(SaveWriterTest, TheEndWaitsForTheLastJob) {
    {
        SaveWriter writer;
        writer.startThread();
        for (int i = 0; i < 50; ++i)
            write(writer, "slot_" + std::to_string(i) + ".sav", std::string(size_t(1000 + i), 'x'));
    }
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(text("slot_" + std::to_string(i) + ".sav").size(), size_t(1000 + i)) << i;
}

} // namespace

namespace {

// Holds the writer's thread inside a job until let go: the jobs asked for meanwhile wait in its queue.
class HeldWriter {
public:
    explicit HeldWriter(SaveWriter &writer) {
        writer.keepCopy("", {}, [this](const std::string &) { let_.get_future().wait(); });
    }
    ~HeldWriter() { letGo(); }
    void letGo() {
        if (!gone_.exchange(true))
            let_.set_value();
    }

private:
    std::promise<void> let_;
    std::atomic<bool> gone_{false};
};

} // namespace

TEST_F(SaveWriterTest, WaitingWritesOfOneFileFoldIntoTheLastAndTheQueueIsBounded) {
    SaveWriter writer;
    writer.startThread();
    int64_t changes = fileHooksChangeCount();
    write(writer, "first.sav", "x");
    writer.waitUntilIdle();
    const int64_t changesOfAWrite = fileHooksChangeCount() - changes;
    HeldWriter held(writer);
    for (int i = 0; i < 5; ++i)
        write(writer, "game.sav", "game " + std::to_string(i), i == 1 ? "game_saved" : nullptr);
    write(writer, "list.sav", "list 0");
    write(writer, "list.sav", "list 1");
    // Distinct files fill the queue to its bound; the next asks for room and waits for it.
    const size_t waiting = 2; // game.sav and list.sav (the held job is at work)
    for (size_t i = waiting; i < SaveWriter::kMostWaitingJobs; ++i)
        write(writer, "file" + std::to_string(i), "x");
    std::atomic<bool> handedOver{false};
    std::atomic<pid_t> lateThread{0};
    std::thread late([&] {
        lateThread = pid_t(GetCurrentThreadId());
        write(writer, "late.sav", "late");
        handedOver = true;
    });
    // The late caller hands its write over, or falls asleep waiting for room.
    EXPECT_TRUE(lftest::waitUntil([&] { return handedOver || (lateThread && lftest::threadIsAsleep(lateThread)); }));
    EXPECT_FALSE(handedOver.load()) << "a full queue makes room first";
    changes = fileHooksChangeCount();
    held.letGo();
    late.join();
    writer.waitUntilIdle();
    EXPECT_TRUE(handedOver.load());
    EXPECT_EQ(text("game.sav"), "game 4");
    EXPECT_EQ(text("list.sav"), "list 1");
    EXPECT_EQ(text("late.sav"), "late");
    EXPECT_EQ(described(writer.takeOutcomes(false)), std::vector<std::string>{"game.sav written game_saved"})
        << "the folded write is announced as either asked";
    // One write of each file: game.sav, list.sav, the queue's files and the late one.
    EXPECT_EQ(fileHooksChangeCount() - changes, changesOfAWrite * int64_t(SaveWriter::kMostWaitingJobs - waiting + 3));
}

TEST_F(SaveWriterTest, ADamagedFileIsSetAsideInItsTurnAndOneThatCannotBeIsNeverWrittenOver) {
    // Files are set aside by their resolved paths: a folder of the user's, as the game's saves are (the
    // application-data folder, here a temporary one).
    const lftest::ScopedDataHome home(folder.str());
    const fs::path own = fs::path(getAppDataFolder()) / "save-writer";
    auto at = [&](const std::string &name) { return (own / name).string(); };
    auto textAt = [&](const std::string &name) {
        const std::vector<unsigned char> bytes = lftest::readFileBytes(own / name);
        return std::string(bytes.begin(), bytes.end());
    };
    inBothModes([&](SaveWriter &writer, bool) {
        fs::remove_all(own);
        fs::create_directories(own);
        lftest::writeFileText(own / "game.sav", "damaged");
        std::string asideName = "(not yet)";
        writer.setAside(at("game.sav"), [&](const std::string &aside) { asideName = aside; });
        writer.write(at("game.sav"), imageOf("new"), 3);
        writer.waitUntilIdle();
        EXPECT_EQ(asideName, at("game.sav") + ".damaged");
        EXPECT_EQ(textAt("game.sav.damaged"), "damaged");
        EXPECT_EQ(textAt("game.sav"), "new");

        // Folders in the way of every name aside: the file stays, and no save writes over it.
        lftest::writeFileText(own / "list.sav", "damaged");
        for (int number = 1; number <= 999; ++number)
            fs::create_directories(own / ("list.sav.damaged" + (number > 1 ? "." + std::to_string(number) : "")));
        writer.setAside(at("list.sav"), [&](const std::string &aside) { asideName = aside; });
        clearLogContents();
        writer.write(at("list.sav"), imageOf("new"), 3);
        writer.waitUntilIdle();
        EXPECT_EQ(asideName, "");
        EXPECT_EQ(textAt("list.sav"), "damaged");
        EXPECT_EQ(described(writer.takeOutcomes(false)), std::vector<std::string>{"list.sav the system refused the write"});
        EXPECT_NE(getLogContents().find("it is damaged and could not be set aside"), std::string::npos);
    });
}

// The temporary of game.sav is a pipe nobody reads, as a write to a hung network disk: the write never
// ends until the test reads it.
TEST_F(SaveWriterTest, AWriteThatNeverEndsBoundsEveryWaitIsNamedAndOnceGivenUpNeverLandsOverALaterWrite) {
    ASSERT_EQ(mkfifo(path("game.sav.tmp").c_str(), 0600), 0);
    SaveWriter writer;
    writer.startThread();
    const int64_t changes = fileHooksChangeCount();
    write(writer, "game.sav", "old", "game_saved");
    ASSERT_TRUE(lftest::waitUntil([&] { return fileHooksChangeCount() > changes; })) << "the write is at work";
    write(writer, "list.sav", "list");
    writer.remove(path("gone.sav"));

    EXPECT_FALSE(writer.waitUntilIdleFor(std::chrono::milliseconds(1)));
    EXPECT_FALSE(writer.waitUntilIdleFor(std::chrono::hours(1))) << "the job at work outlasted a wait: none again";
    EXPECT_FALSE(writer.lastWriteFailed(path("game.sav")));
    const auto whatOf = [](const std::vector<SaveWriter::Unfinished> &jobs) {
        std::vector<std::string> lines;
        for (const SaveWriter::Unfinished &job : jobs)
            lines.push_back(job.what + " | " + fs::path(job.savePath).filename().string());
        return lines;
    };
    const std::vector<std::string> left = {"the save of " + path("game.sav") + " | game.sav",
                                           "the save of " + path("list.sav") + " | list.sav",
                                           "the removal of " + path("gone.sav") + " | "};
    EXPECT_EQ(whatOf(writer.unfinished()), left);
    EXPECT_TRUE(writer.lastWriteFailed(path("game.sav"))) << "not finished when a wait gave up";

    // A full queue behind it: the next save fails rather than waiting.
    for (size_t i = 2; i < SaveWriter::kMostWaitingJobs; ++i)
        writer.remove(path("file" + std::to_string(i)));
    clearLogContents();
    EXPECT_FALSE(write(writer, "late.sav", "late"));
    EXPECT_NE(getLogContents().find("the save of " + path("late.sav") +
                                    " is given up: the disk has not finished the jobs before it, ERROR"),
              std::string::npos)
        << getLogContents();

    // The end gives the jobs up; the writer goes on in the caller's thread, and writes anything but the
    // file the stuck write may still land on.
    EXPECT_EQ(whatOf(writer.finish()).size(), SaveWriter::kMostWaitingJobs + 1);
    EXPECT_TRUE(write(writer, "list.sav", "new list"));
    EXPECT_FALSE(write(writer, "game.sav", "new"));
    EXPECT_NE(getLogContents().find("an earlier write of it that was given up on has not ended"), std::string::npos);
    EXPECT_EQ(described(writer.takeOutcomes(false)),
              (std::vector<std::string>{"late.sav the disk did not finish in time", "list.sav written",
                                        "game.sav the disk did not finish in time"}));

    // The stuck write ends (its pipe is read; a pipe cannot be synced, so it fails); then the file is
    // written again, and nothing older lands over it.
    {
        std::ifstream pipe(path("game.sav.tmp"));
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(pipe), {}), "old");
    }
    EXPECT_TRUE(lftest::waitUntil([&] { return write(writer, "game.sav", "new"); }));
    EXPECT_EQ(text("game.sav"), "new");
    EXPECT_EQ(text("list.sav"), "new list");
}
