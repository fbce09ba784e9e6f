// test-labels: threaded
// Entries of one zip and one tar archive read from several threads at once: each archive keeps its
// shared reader (minizip's current entry, the tar stream) to one thread at a time.

#include "tests/support/KResourceTestSupport.h"

#include <atomic>
#include <thread>

#include "engine/resource/KResourceArchiveTar.h"
#include "engine/resource/KResourceArchiveZip.h"

namespace lftest {
namespace {

TEST_F(ResourceLayerTest, ThreadsReadTheSameArchivesTogether) {
    auto source = temp / "source";
    constexpr int kFiles = 6;
    for (int i = 0; i < kFiles; i++)
        writeText(source / ("data/file" + std::to_string(i) + ".txt"), sampleText(20000 + 1000 * i, i + 1));
    ASSERT_TRUE(makeZip(source, temp / "data.pak", {"data"}, kResourceArchivePassword));
    ASSERT_TRUE(makeTar(source, temp / "data.tar", {"data"}));
    KResourceArchiveZip zip;
    KResourceArchiveTar tar;
    ASSERT_EQ(zip.openArchive((temp / "data.pak").c_str(), 0, kResourceArchivePassword), 0);
    ASSERT_EQ(tar.openArchive((temp / "data.tar").c_str(), 0, nullptr), 0);

    std::atomic<int> mismatches{0};
    auto reader = [&](int seed) {
        for (int round = 0; round < 20; round++) {
            int index = (seed + round) % kFiles;
            std::string name = "data/file" + std::to_string(index) + ".txt";
            std::string expected = sampleText(20000 + 1000 * index, index + 1);
            unsigned char *data = nullptr;
            uint32_t size = 0;
            if (!zip.loadFile(name.c_str(), &data, &size) || asString(data, size) != expected)
                mismatches++;
            std::free(data);
            std::unique_ptr<KResourceFile> file(tar.openFile(name.c_str()));
            std::string text(expected.size(), '\0');
            // Small pieces, so that the threads' seeks interleave.
            for (size_t at = 0; file && at < text.size(); at += 1000) {
                if (file->read(&text[at], static_cast<uint32_t>(std::min<size_t>(1000, text.size() - at))) != 0)
                    mismatches++;
            }
            if (text != expected)
                mismatches++;
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; i++)
        threads.emplace_back(reader, i);
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

} // namespace
} // namespace lftest
