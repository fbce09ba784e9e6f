// Tar archives made by GNU tar, read through the archive's slots and the resource layer, and the same
// archives damaged in their headers and sizes.

#include "tests/support/KResourceTestSupport.h"

#include <map>

#include "engine/resource/KResourceArchiveTar.h"

namespace lftest {
namespace {

constexpr size_t kBlock = 512;

// Writes a text field of a header, padded with NULs.
void putField(std::vector<unsigned char> &bytes, size_t header, size_t field, size_t width, const std::string &text) {
    std::fill(bytes.begin() + static_cast<long>(header + field), bytes.begin() + static_cast<long>(header + field + width), 0);
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<long>(header + field));
}

// Recomputes a header's checksum after surgery, as tar writes it.
void fixChecksum(std::vector<unsigned char> &bytes, size_t header) {
    std::fill(bytes.begin() + static_cast<long>(header + 148), bytes.begin() + static_cast<long>(header + 156), ' ');
    unsigned sum = 0;
    for (size_t i = 0; i < kBlock; i++)
        sum += bytes[header + i];
    char text[8];
    std::snprintf(text, sizeof text, "%06o", sum);
    std::copy(text, text + 7, bytes.begin() + static_cast<long>(header + 148));
}

// Header offsets of an archive, in order (zero blocks and data skipped).
std::vector<size_t> headerOffsets(const std::vector<unsigned char> &bytes) {
    std::vector<size_t> offsets;
    for (size_t at = 0; at + kBlock <= bytes.size();) {
        if (std::all_of(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + kBlock),
                        [](unsigned char b) { return b == 0; })) {
            at += kBlock;
            continue;
        }
        offsets.push_back(at);
        std::string size(bytes.begin() + static_cast<long>(at + 124), bytes.begin() + static_cast<long>(at + 136));
        at += kBlock + (std::strtoull(size.c_str(), nullptr, 8) + kBlock - 1) / kBlock * kBlock;
    }
    return offsets;
}

class TarArchiveTest : public ResourceLayerTest {
protected:
    void SetUp() override {
        ResourceLayerTest::SetUp();
        source = temp / "source";
        writeText(source / "data/a.txt", "alpha");
        writeText(source / "data/empty.txt", "");
        writeText(source / "data/sounds/click.txt", "click");
        writeText(source / "data/block.bin", std::string(512, 'x'));
        writeText(source / "data/blockplus.bin", std::string(513, 'y'));
        writeText(source / "data/z.txt", "zulu");
        ASSERT_EQ(runProgram({"touch", "-d", "@1237113058", (source / "data/a.txt").string()}), 0);
    }

    std::vector<unsigned char> packed(const std::vector<std::string> &members, const std::string &format = "gnu") {
        EXPECT_TRUE(makeTar(source, temp / "packed.tar", members, format));
        return readFileBytes(temp / "packed.tar");
    }

    std::filesystem::path source;
};

TEST_F(TarArchiveTest, GnuAndUstarArchivesHoldFilesFoldersAndEmptyFiles) {
    for (const char *format : {"gnu", "ustar"}) {
        SCOPED_TRACE(format);
        ASSERT_TRUE(makeTar(source, temp / "data.tar", {"data"}, format));
        KResourceArchiveTar archive;
        ASSERT_EQ(archive.openArchive((temp / "data.tar").c_str(), 0, nullptr), 0);
        EXPECT_TRUE(logHas("Resource: added archive '" + (temp / "data.tar").string() + "' with 8 entries"));
        EXPECT_EQ(loadEntry(archive, "data/a.txt"), "alpha");
        EXPECT_EQ(loadEntry(archive, "DATA/Sounds/CLICK.txt"), "click");
        EXPECT_EQ(loadEntry(archive, "data/empty.txt"), "");
        EXPECT_EQ(loadEntry(archive, "data/block.bin"), std::string(512, 'x'));
        EXPECT_EQ(loadEntry(archive, "data/blockplus.bin"), std::string(513, 'y'));
        EXPECT_EQ(loadEntry(archive, "data/z.txt"), "zulu") << "the walk steps past 512- and 513-byte files";

        FileInfo info;
        ASSERT_TRUE(archive.getFileInfo("data/a.txt", &info));
        EXPECT_EQ(info.modificationTime, 1237113058);
        EXPECT_EQ(info.size, 5u);
        EXPECT_EQ(info.inArchive, 1);
        ASSERT_TRUE(archive.getFileInfo("data/sounds/", &info));
        EXPECT_EQ(info.isFolder, 1);
        EXPECT_EQ(archive.openFile("data/sounds/"), nullptr);
        EXPECT_EQ(loadEntry(archive, "data/sounds/"), "<missing>");
        clearLogContents();
    }
}

TEST_F(TarArchiveTest, LongNamesComeFromGnuLongLinksAndUstarPrefixes) {
    std::string folder = "data/" + std::string(120, 'f');
    std::string file = folder + "/" + std::string(40, 'g') + ".txt";
    writeText(source / file, "far away");
    // Exactly as long as a name may be, spread over components that the file system accepts.
    std::string longest = "data/" + std::string(200, 'h') + "/" + std::string(259 - 206, 'i');
    writeText(source / longest, "longest");
    for (const char *format : {"gnu", "ustar"}) {
        SCOPED_TRACE(format);
        bool gnu = std::string(format) == "gnu";
        std::vector<std::string> members = {file, "data/a.txt"};
        if (gnu)
            members.insert(members.end(), {folder, longest});
        ASSERT_TRUE(makeTar(source, temp / "long.tar", members, format));
        KResourceArchiveTar archive;
        ASSERT_EQ(archive.openArchive((temp / "long.tar").c_str(), 0, nullptr), 0);
        EXPECT_EQ(loadEntry(archive, file), "far away");
        EXPECT_EQ(loadEntry(archive, "data/a.txt"), "alpha") << "a long name serves one header only";
        if (gnu) {
            FileInfo info;
            ASSERT_TRUE(archive.getFileInfo((folder + "/").c_str(), &info));
            EXPECT_EQ(info.isFolder, 1);
            EXPECT_EQ(loadEntry(archive, longest), "longest");
        }
    }
}

TEST_F(TarArchiveTest, AnEmptyLongNameLeavesTheNextHeaderItsOwnName) {
    std::string file = "data/" + std::string(120, 'e') + ".txt";
    writeText(source / file, "own name");
    auto bytes = packed({file, "data/a.txt"});
    ASSERT_EQ(std::string(reinterpret_cast<const char *>(bytes.data())), "././@LongLink");
    bytes[kBlock] = 0; // the long name's data now holds an empty text
    KResourceArchive *archive = mountBytes(bytes);
    ASSERT_NE(archive, nullptr);
    std::string names;
    EXPECT_TRUE(archive->enumerateEntries(appendListing, &names));
    EXPECT_EQ(names, file.substr(0, 99) + " data/a.txt ") << "no entry without a name";
    EXPECT_EQ(loadEntry(*archive, file.substr(0, 99)), "own name");
}

TEST_F(TarArchiveTest, NamesLongerThanTheBufferAreSkippedWithAnError) {
    std::string tooLong = "data/" + std::string(200, 'h') + "/" + std::string(100, 'i');
    writeText(source / tooLong, "too long");
    ASSERT_TRUE(makeTar(source, temp / "long.tar", {tooLong, "data/a.txt"}));
    KResourceArchiveTar archive;
    ASSERT_EQ(archive.openArchive((temp / "long.tar").c_str(), 0, nullptr), 0);
    EXPECT_TRUE(logHas("has a name longer than 259 characters, ERROR"));
    EXPECT_TRUE(logHas("with 1 entry"));
    EXPECT_EQ(loadEntry(archive, tooLong.substr(0, 259)), "<missing>");
    EXPECT_EQ(loadEntry(archive, "data/a.txt"), "alpha");
}

TEST_F(TarArchiveTest, UstarBlankMagicIgnoresThePrefix) {
    std::string file = "data/" + std::string(120, 'p') + "/short.txt";
    writeText(source / file, "prefixed");
    auto bytes = packed({file}, "ustar");
    putField(bytes, 0, 257, 8, std::string("ustar  "));
    fixChecksum(bytes, 0);
    KResourceArchive *archive = mountBytes(bytes);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(loadEntry(*archive, "short.txt"), "prefixed");
    EXPECT_EQ(loadEntry(*archive, file), "<missing>");
}

TEST_F(TarArchiveTest, OneZeroBlockIsSkippedTwoEndTheArchive) {
    auto first = packed({"data/a.txt"});
    auto second = packed({"data/z.txt"});
    // The first archive's header and data block, zero blocks, then the whole second archive.
    auto join = [&](size_t zeroBlocks) {
        std::vector<unsigned char> bytes((2 + zeroBlocks) * kBlock + second.size(), 0);
        std::copy_n(first.begin(), 2 * kBlock, bytes.begin());
        std::copy(second.begin(), second.end(), bytes.end() - static_cast<long>(second.size()));
        return bytes;
    };
    KResourceArchive *archive = mountBytes(join(1));
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(loadEntry(*archive, "data/z.txt"), "zulu");
    KResource::removeAllArchives();
    archive = mountBytes(join(2));
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(loadEntry(*archive, "data/a.txt"), "alpha");
    EXPECT_EQ(loadEntry(*archive, "data/z.txt"), "<missing>");
}

TEST_F(TarArchiveTest, LinksAndExtendedHeadersMakeNoEntries) {
    std::filesystem::create_symlink("a.txt", source / "data/link.txt");
    std::filesystem::create_hard_link(source / "data/z.txt", source / "data/hard.txt");
    for (const char *format : {"gnu", "pax"}) {
        SCOPED_TRACE(format);
        KResourceArchive *archive = mountBytes(packed({"data/a.txt", "data/link.txt", "data/z.txt", "data/hard.txt"}, format));
        ASSERT_NE(archive, nullptr);
        EXPECT_EQ(loadEntry(*archive, "data/a.txt"), "alpha");
        EXPECT_EQ(loadEntry(*archive, "data/z.txt"), "zulu");
        EXPECT_EQ(loadEntry(*archive, "data/link.txt"), "<missing>");
        EXPECT_EQ(loadEntry(*archive, "data/hard.txt"), "<missing>") << "the second name of a file is a hard link";
        KResource::removeAllArchives();
    }
}

TEST_F(TarArchiveTest, ANegativeSizeEndsTheWalkWithAWarning) {
    auto bytes = packed({"data/a.txt", "data/z.txt", "data/empty.txt"});
    size_t second = headerOffsets(bytes)[1];
    putField(bytes, second, 124, 12, "-0000001000");
    fixChecksum(bytes, second);
    KResourceArchive *archive = mountBytes(bytes);
    ASSERT_NE(archive, nullptr);
    EXPECT_TRUE(logHas("Resource: archive '" + copyPath() + "' seems to be invalid, WARNING"));
    EXPECT_EQ(loadEntry(*archive, "data/a.txt"), "alpha");
    EXPECT_EQ(loadEntry(*archive, "data/z.txt"), "<missing>");
    EXPECT_EQ(loadEntry(*archive, "data/empty.txt"), "<missing>");
}

TEST_F(TarArchiveTest, SizesPastTheEndOfTheFileEndTheWalk) {
    for (const char *size : {"77777777777", "00000100000", "37777777000"}) {
        SCOPED_TRACE(size);
        auto bytes = packed({"data/a.txt", "data/z.txt", "data/empty.txt"});
        size_t second = headerOffsets(bytes)[1];
        putField(bytes, second, 124, 12, size);
        fixChecksum(bytes, second);
        clearLogContents();
        KResourceArchive *archive = mountBytes(bytes);
        ASSERT_NE(archive, nullptr);
        EXPECT_TRUE(logHas("Resource: entry 'data/z.txt' of archive '" + copyPath() +
                           "' runs past the end of the file, ERROR"));
        EXPECT_EQ(loadEntry(*archive, "data/a.txt"), "alpha");
        EXPECT_EQ(loadEntry(*archive, "data/z.txt"), "<missing>");
        KResource::removeAllArchives();
    }
}

TEST_F(TarArchiveTest, ATruncatedArchiveKeepsTheEntriesBeforeTheCut) {
    auto bytes = packed({"data/a.txt", "data/blockplus.bin", "data/z.txt"});
    size_t second = headerOffsets(bytes)[1];
    bytes.resize(second + kBlock + 300);
    KResourceArchive *archive = mountBytes(bytes);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(loadEntry(*archive, "data/a.txt"), "alpha");
    EXPECT_EQ(loadEntry(*archive, "data/blockplus.bin"), "<missing>");
    EXPECT_TRUE(logHas("Resource: entry 'data/blockplus.bin' of archive"));
}

TEST_F(TarArchiveTest, ADamagedHeaderEndsTheWalkAndADamagedFirstHeaderIsNoTar) {
    auto bytes = packed({"data/a.txt", "data/z.txt"});
    size_t second = headerOffsets(bytes)[1];
    bytes[second + 3] ^= 0x40;
    KResourceArchive *archive = mountBytes(bytes);
    ASSERT_NE(archive, nullptr);
    EXPECT_TRUE(logHas("seems to be invalid, WARNING"));
    EXPECT_EQ(loadEntry(*archive, "data/a.txt"), "alpha");
    KResource::removeAllArchives();

    bytes[5] ^= 0x40;
    clearLogContents();
    EXPECT_EQ(mountBytes(bytes), nullptr);
    EXPECT_TRUE(logHas("Resource: '" + copyPath() + "' is not a tar archive, ERROR"));
    EXPECT_TRUE(logHas("Resource: missing archive '" + copyPath() + "'"));
}

// A damaged header byte leaves every entry either intact or absent, and nothing crashes or hangs.
TEST_F(TarArchiveTest, EveryFlippedHeaderByteGivesTheTruthOrNothing) {
    auto original = packed({"data/a.txt", "data/sounds", "data/blockplus.bin", "data/z.txt"});
    const std::map<std::string, std::string> truth = {{"data/a.txt", "alpha"},
                                                      {"data/sounds/click.txt", "click"},
                                                      {"data/blockplus.bin", std::string(513, 'y')},
                                                      {"data/z.txt", "zulu"}};
    int wrong = 0, found = 0;
    for (size_t header : headerOffsets(original)) {
        for (size_t at = header; at < header + kBlock; at++) {
            auto bytes = original;
            bytes[at] ^= 0xa5;
            KResourceArchive *archive = mountBytes(bytes);
            for (const auto &[name, text] : truth) {
                std::string got = archive ? loadEntry(*archive, name) : "<missing>";
                found += got == text;
                wrong += got != text && got != "<missing>";
            }
            KResource::removeAllArchives();
            clearLogContents();
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(found, 0);
}

// ---- reading an entry -------------------------------------------------------------------------------

class TarFileTest : public TarArchiveTest {
protected:
    void SetUp() override {
        TarArchiveTest::SetUp();
        writeText(source / "data/alphabet.txt", "abcdefghijklmnopqrst");
        ASSERT_TRUE(makeTar(source, temp / "data.tar", {"data"}));
        archive = std::make_unique<KResourceArchiveTar>();
        ASSERT_EQ(archive->openArchive((temp / "data.tar").c_str(), 0, nullptr), 0);
        file.reset(archive->openFile("data/alphabet.txt"));
        ASSERT_NE(file, nullptr);
    }
    void TearDown() override {
        file.reset();
        archive.reset();
        TarArchiveTest::TearDown();
    }

    std::unique_ptr<KResourceArchiveTar> archive;
    std::unique_ptr<KResourceFile> file;
};

TEST_F(TarFileTest, AShortReadNearTheEndReportsAnErrorAndMovesTheFullCount) {
    char out[10];
    int32_t position = 0;
    ASSERT_EQ(file->seek(2, -4), 0);
    EXPECT_EQ(file->read(out, 10), ERROR_IO);
    EXPECT_EQ(std::string(out, 4), "qrst");
    EXPECT_EQ(file->tell(&position), 0);
    EXPECT_EQ(position, 26);
    EXPECT_EQ(file->read(out, 3), ERROR_IO) << "nothing left past the end";
    EXPECT_EQ(file->read(out, 0), 0);
}

TEST_F(TarFileTest, BytesBeforeTheStartReadAsZerosAndReportAnError) {
    char out[6];
    ASSERT_EQ(file->seek(0, -2), 0);
    EXPECT_EQ(file->read(out, 6), ERROR_IO);
    EXPECT_EQ(std::string(out, 6), std::string(2, '\0') + "abcd");
    ASSERT_EQ(file->seek(1, 2), 0);
    EXPECT_EQ(file->read(out, 3), 0);
    EXPECT_EQ(std::string(out, 3), "ghi");
}

TEST_F(TarFileTest, SeveralFilesShareTheArchiveStream) {
    std::unique_ptr<KResourceFile> other(archive->openFile("data/a.txt"));
    ASSERT_NE(other, nullptr);
    char out[5];
    EXPECT_EQ(file->read(out, 3), 0);
    EXPECT_EQ(other->read(out, 5), 0);
    EXPECT_EQ(std::string(out, 5), "alpha");
    EXPECT_EQ(file->read(out, 3), 0);
    EXPECT_EQ(std::string(out, 3), "def");
}

TEST_F(TarFileTest, AFileLeftOpenAfterItsArchiveReportsNotOpen) {
    archive.reset();
    char out[3];
    EXPECT_EQ(file->read(out, 3), ERROR_NOT_OPEN);
}

TEST_F(TarFileTest, FolderListingReportsDirectChildren) {
    std::string names;
    EXPECT_TRUE(archive->enumerateFolder("data/", appendListing, &names));
    EXPECT_NE(names.find("alphabet.txt "), std::string::npos);
    EXPECT_NE(names.find("sounds/(folder) "), std::string::npos);
    EXPECT_EQ(names.find("click"), std::string::npos);
}

} // namespace
} // namespace lftest
