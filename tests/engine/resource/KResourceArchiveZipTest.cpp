// Zip archives made by Info-ZIP zip, with and without its password protection, read through the
// archive's own slots and through the resource layer.

#include "tests/support/KResourceTestSupport.h"

#include <ctime>
#include <map>
#include <memory>

#include "engine/resource/KResourceArchiveZip.h"
#include "engine/resource/KResourceFileZip.h"

namespace lftest {
namespace {

constexpr char kOtherPassword[] = "not the game's password";

class ZipArchiveTest : public ResourceLayerTest {
protected:
    void SetUp() override {
        ResourceLayerTest::SetUp();
        source = temp / "source";
        writeText(source / "data/game.cfg", "name = lantern\nvolume = 0.8\n");
        writeText(source / "data/empty.txt", "");
        writeText(source / "data/sounds/click.txt", "click");
        writeText(source / "data/big.txt", sampleText(300000));
        picture = noiseBytes(70000);
        writeFileBytes(source / "data/lamp.png", picture);
    }

    std::string pictureText() const { return asString(picture.data(), static_cast<uint32_t>(picture.size())); }

    std::filesystem::path source;
    std::vector<unsigned char> picture;
};

TEST_F(ZipArchiveTest, EncryptedEntriesReadWithTheGamesPassword) {
    ASSERT_TRUE(makeZip(source, temp / "data.pak", {"data"}, kResourceArchivePassword));
    KResourceArchiveZip archive;
    ASSERT_EQ(archive.openArchive((temp / "data.pak").c_str(), 0, kResourceArchivePassword), 0);
    EXPECT_EQ(loadEntry(archive, "data/game.cfg"), "name = lantern\nvolume = 0.8\n");
    EXPECT_EQ(loadEntry(archive, "data/big.txt"), sampleText(300000)) << "deflated across many chunks";
    EXPECT_EQ(loadEntry(archive, "data/lamp.png"), pictureText()) << "stored";
    EXPECT_EQ(loadEntry(archive, "data/empty.txt"), "");
    EXPECT_EQ(loadEntry(archive, "data/sounds/click.txt"), "click");
}

TEST_F(ZipArchiveTest, EntriesOfSeveralMegabytesReadWhole) {
    writeText(source / "large/text.txt", sampleText(2500000, 7));
    const std::vector<unsigned char> noise = noiseBytes(2200000, 9);
    writeFileBytes(source / "large/noise.png", noise);
    ASSERT_TRUE(makeZip(source, temp / "large.pak", {"large"}, kResourceArchivePassword));
    KResourceArchiveZip archive;
    ASSERT_EQ(archive.openArchive((temp / "large.pak").c_str(), 0, kResourceArchivePassword), 0);
    EXPECT_EQ(loadEntry(archive, "large/text.txt"), sampleText(2500000, 7)) << "inflated in slices";
    EXPECT_EQ(loadEntry(archive, "large/noise.png"), asString(noise.data(), static_cast<uint32_t>(noise.size())))
        << "read and decrypted in slices";
}

TEST_F(ZipArchiveTest, ArchiveStreamedByZipReadsToo) {
    std::string bytes;
    ASSERT_EQ(runProgram({"env", "-C", source.string(), "zip", "-q", "-r", "-P", kResourceArchivePassword, "-", "data"},
                         &bytes),
              0);
    writeFileText(temp / "streamed.pak", bytes);
    KResourceArchiveZip archive;
    ASSERT_EQ(archive.openArchive((temp / "streamed.pak").c_str(), 0, kResourceArchivePassword), 0);
    EXPECT_EQ(loadEntry(archive, "data/big.txt"), sampleText(300000));
    EXPECT_EQ(loadEntry(archive, "data/lamp.png"), pictureText());
}

TEST_F(ZipArchiveTest, PlainEntriesReadWithOrWithoutAPassword) {
    ASSERT_TRUE(makeZip(source, temp / "plain.zip", {"data"}));
    for (const char *password : {static_cast<const char *>(nullptr), kResourceArchivePassword}) {
        KResourceArchiveZip archive;
        ASSERT_EQ(archive.openArchive((temp / "plain.zip").c_str(), 0, password), 0);
        EXPECT_EQ(loadEntry(archive, "data/big.txt"), sampleText(300000));
        EXPECT_EQ(loadEntry(archive, "data/lamp.png"), pictureText());
        EXPECT_EQ(loadEntry(archive, "data/empty.txt"), "");
    }
}

TEST_F(ZipArchiveTest, AWrongPasswordNeverReturnsData) {
    ASSERT_TRUE(makeZip(source, temp / "other.pak", {"data"}, kOtherPassword));
    KResourceArchiveZip archive;
    ASSERT_EQ(archive.openArchive((temp / "other.pak").c_str(), 0, kResourceArchivePassword), 0);
    // The empty entry is left out: its one check byte lets one wrong password in 256 through, and its
    // empty data then passes the CRC, so it would fail this test by chance.
    for (const char *name : {"data/game.cfg", "data/big.txt", "data/lamp.png"}) {
        EXPECT_EQ(loadEntry(archive, name), "<missing>") << name;
        EXPECT_EQ(archive.openFile(name), nullptr) << name;
        EXPECT_TRUE(logHas(std::string("Resource: entry '") + name + "' of archive '" + (temp / "other.pak").string()))
            << name;
    }

    KResourceArchiveZip withoutPassword;
    ASSERT_EQ(withoutPassword.openArchive((temp / "other.pak").c_str(), 0, nullptr), 0);
    EXPECT_EQ(loadEntry(withoutPassword, "data/game.cfg"), "<missing>");
    EXPECT_TRUE(logHas("is encrypted and no password was given, ERROR"));

    KResourceArchiveZip rightPassword;
    ASSERT_EQ(rightPassword.openArchive((temp / "other.pak").c_str(), 0, kOtherPassword), 0);
    EXPECT_EQ(loadEntry(rightPassword, "data/lamp.png"), pictureText());
}

TEST_F(ZipArchiveTest, OnlyThe255FirstCharactersOfAPasswordCount) {
    std::string longest;
    for (size_t i = 0; i < 255; i++)
        longest += kResourceArchivePassword[i % 60];
    ASSERT_TRUE(makeZip(source, temp / "long.pak", {"data/game.cfg"}, longest));
    std::string longer = longest + "and whatever follows";
    KResourceArchiveZip archive;
    ASSERT_EQ(archive.openArchive((temp / "long.pak").c_str(), 0, longer.c_str()), 0);
    EXPECT_EQ(loadEntry(archive, "data/game.cfg"), "name = lantern\nvolume = 0.8\n");
    ASSERT_EQ(archive.openArchive((temp / "long.pak").c_str(), 0, longest.substr(0, 254).c_str()), 0);
    EXPECT_EQ(loadEntry(archive, "data/game.cfg"), "<missing>");
}

TEST_F(ZipArchiveTest, FoldersAreEntriesButNotFiles) {
    ASSERT_TRUE(makeZip(source, temp / "data.pak", {"data"}, kResourceArchivePassword));
    KResourceArchiveZip archive;
    ASSERT_EQ(archive.openArchive((temp / "data.pak").c_str(), 0, kResourceArchivePassword), 0);
    EXPECT_EQ(archive.openFile("data/sounds/"), nullptr);
    EXPECT_EQ(loadEntry(archive, "data/sounds/"), "<missing>");
    FileInfo info;
    info.isFolder = 7;
    ASSERT_TRUE(archive.getFileInfo("data/sounds/", &info));
    EXPECT_EQ(info.isFolder, 0) << "zip entries always report isFolder 0";
    EXPECT_EQ(info.inArchive, 1);
    ASSERT_TRUE(archive.getFileInfo("DATA/BIG.TXT", &info));
    EXPECT_EQ(info.size, 300000u);
}

TEST_F(ZipArchiveTest, NamesMatchInAnyCaseButOnlyAtTheSameLength) {
    ASSERT_TRUE(makeZip(source, temp / "data.pak", {"data"}, kResourceArchivePassword));
    KResourceArchiveZip archive;
    ASSERT_EQ(archive.openArchive((temp / "data.pak").c_str(), 0, kResourceArchivePassword), 0);
    EXPECT_EQ(loadEntry(archive, "DATA/GAME.CFG"), "name = lantern\nvolume = 0.8\n");
    EXPECT_EQ(loadEntry(archive, "data/game.cf"), "<missing>");
    EXPECT_EQ(loadEntry(archive, "data/game.cfg.bak"), "<missing>");
    FileInfo info;
    EXPECT_FALSE(archive.getFileInfo("data/game.cf", &info));
}

TEST_F(ZipArchiveTest, ReadsPastTheEndFillWithZeros) {
    writeText(source / "data/alphabet.txt", "abcdefghijklmnopqrst");
    ASSERT_TRUE(makeZip(source, temp / "data.pak", {"data/alphabet.txt"}, kResourceArchivePassword));
    KResourceArchiveZip archive;
    ASSERT_EQ(archive.openArchive((temp / "data.pak").c_str(), 0, kResourceArchivePassword), 0);
    KResourceFile *file = archive.openFile("data/alphabet.txt");
    ASSERT_NE(file, nullptr);
    char out[10];
    int32_t position = 0;
    ASSERT_EQ(file->seek(2, -4), 0);
    EXPECT_EQ(file->read(out, 10), 0) << "a read that starts inside the data succeeds";
    EXPECT_EQ(std::string(out, 10), std::string("qrst") + std::string(6, '\0'));
    EXPECT_EQ(file->read(out, 10), ERROR_IO);
    EXPECT_EQ(std::string(out, 10), std::string(10, '\0'));
    EXPECT_EQ(file->tell(&position), 0);
    EXPECT_EQ(position, 36);

    ASSERT_EQ(file->seek(0, -3), 0);
    EXPECT_EQ(file->read(out, 5), 0);
    EXPECT_EQ(std::string(out, 5), std::string(3, '\0') + "ab");
    ASSERT_EQ(file->seek(1, 1), 0);
    EXPECT_EQ(file->read(out, 1), 0);
    EXPECT_EQ(out[0], 'd');
    ASSERT_EQ(file->seek(0, 20), 0);
    EXPECT_EQ(file->read(out, 0), 0);
    delete file;
}

// Zeros before the start are counted like any other bytes: two reads of 10 from 20 bytes before the
// start give 20 zeros, as one read of 20 does.
TEST_F(ZipArchiveTest, ReadsFarBeforeTheStartMoveByTheWholeCount) {
    writeText(source / "data/alphabet.txt", "abcdefghijklmnopqrst");
    ASSERT_TRUE(makeZip(source, temp / "data.pak", {"data/alphabet.txt"}, kResourceArchivePassword));
    KResourceArchiveZip archive;
    ASSERT_EQ(archive.openArchive((temp / "data.pak").c_str(), 0, kResourceArchivePassword), 0);
    std::unique_ptr<KResourceFile> file(archive.openFile("data/alphabet.txt"));
    ASSERT_NE(file, nullptr);
    char out[15];
    int32_t position = 0;
    ASSERT_EQ(file->seek(0, -20), 0);
    EXPECT_EQ(file->read(out, 10), 0);
    EXPECT_EQ(std::string(out, 10), std::string(10, '\0'));
    EXPECT_EQ(file->tell(&position), 0);
    EXPECT_EQ(position, -10);
    EXPECT_EQ(file->read(out, 15), 0);
    EXPECT_EQ(std::string(out, 15), std::string(10, '\0') + "abcde");
}

TEST_F(ZipArchiveTest, AnOpenedEntryOutlivesItsArchive) {
    ASSERT_TRUE(makeZip(source, temp / "data.pak", {"data"}, kResourceArchivePassword));
    auto *archive = new KResourceArchiveZip();
    ASSERT_EQ(archive->openArchive((temp / "data.pak").c_str(), 0, kResourceArchivePassword), 0);
    KResourceFile *file = archive->openFile("data/sounds/click.txt");
    delete archive;
    ASSERT_NE(file, nullptr);
    char out[5];
    EXPECT_EQ(file->read(out, 5), 0);
    EXPECT_EQ(std::string(out, 5), "click");
    delete file;
}

TEST_F(ZipArchiveTest, ModificationTimeIsTheDosTimeReadAsLocalTime) {
    const char *savedZone = std::getenv("TZ");
    std::string saved = savedZone ? savedZone : "";
    setenv("TZ", "UTC", 1);
    tzset();
    // 2009-03-15 10:30:58 UTC.
    ASSERT_EQ(runProgram({"touch", "-d", "@1237113058", (source / "data/game.cfg").string()}), 0);
    ASSERT_TRUE(makeZip(source, temp / "data.pak", {"data/game.cfg"}, kResourceArchivePassword));
    KResourceArchiveZip archive;
    ASSERT_EQ(archive.openArchive((temp / "data.pak").c_str(), 0, kResourceArchivePassword), 0);
    FileInfo info;
    ASSERT_TRUE(archive.getFileInfo("data/game.cfg", &info));
    EXPECT_EQ(info.modificationTime, 1237113058);
    if (savedZone)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

// The listing rule: entries whose names start with the path, one level down.
TEST_F(ZipArchiveTest, FolderListingReportsDirectChildren) {
    ASSERT_TRUE(makeZip(source, temp / "data.pak", {"data"}, kResourceArchivePassword));
    KResourceArchiveZip archive;
    ASSERT_EQ(archive.openArchive((temp / "data.pak").c_str(), 0, kResourceArchivePassword), 0);
    std::string withSlash, withoutSlash;
    EXPECT_TRUE(archive.enumerateFolder("DATA/", appendListing, &withSlash));
    EXPECT_TRUE(archive.enumerateFolder("data", appendListing, &withoutSlash));
    for (const char *name : {"game.cfg ", "empty.txt ", "big.txt ", "lamp.png "}) {
        EXPECT_NE(withSlash.find(name), std::string::npos) << name;
        EXPECT_NE(withoutSlash.find(name), std::string::npos) << name;
    }
    EXPECT_NE(withSlash.find("sounds/(folder) "), std::string::npos);
    EXPECT_EQ(withoutSlash.find("sounds/"), std::string::npos) << "no subfolder behind a skipped separator";
    EXPECT_EQ(withSlash.find("click"), std::string::npos);
    auto stop = [](const char *, bool, void *) { return false; };
    EXPECT_FALSE(archive.enumerateFolder("data/", stop, nullptr));
}

TEST_F(ZipArchiveTest, EntryNamesLongerThanTheBufferAreSkippedWithAnError) {
    std::string deep = "data/" + std::string(200, 'd') + "/" + std::string(100, 'f') + ".txt";
    writeText(source / deep, "deep");
    ASSERT_TRUE(makeZip(source, temp / "data.pak", {"data"}, kResourceArchivePassword));
    KResourceArchiveZip archive;
    ASSERT_EQ(archive.openArchive((temp / "data.pak").c_str(), 0, kResourceArchivePassword), 0);
    EXPECT_TRUE(logHas("has a name longer than 259 characters, ERROR"));
    EXPECT_EQ(loadEntry(archive, deep.substr(0, 259).c_str()), "<missing>");
    EXPECT_EQ(loadEntry(archive, "data/game.cfg"), "name = lantern\nvolume = 0.8\n");
}

// ---- damaged archives ------------------------------------------------------------------------------

// Offsets of the records Info-ZIP wrote, found by their signatures.
size_t findSignature(const std::vector<unsigned char> &bytes, uint32_t signature, size_t from = 0) {
    for (size_t i = from; i + 4 <= bytes.size(); i++) {
        uint32_t value = bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 | static_cast<uint32_t>(bytes[i + 3]) << 24;
        if (value == signature)
            return i;
    }
    return std::string::npos;
}
constexpr uint32_t kCentralHeader = 0x02014b50;

void putLittle32(std::vector<unsigned char> &bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; i++)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

class DamagedZipTest : public ZipArchiveTest {
protected:
    void SetUp() override {
        ZipArchiveTest::SetUp();
        // Stored first, then deflated: the central directory lists them in this order.
        ASSERT_TRUE(makeZip(source, temp / "good.pak", {"data/lamp.png", "data/big.txt", "data/game.cfg"},
                            kResourceArchivePassword));
        good = readFileBytes(temp / "good.pak");
    }

    std::vector<unsigned char> good;
};

TEST_F(DamagedZipTest, FlippedDataBytesFailTheEntryNotTheArchive) {
    auto bytes = good;
    // Inside the stored picture's data and inside the deflated text's data.
    bytes[30 + std::strlen("data/lamp.png") + 40 + 1000] ^= 0x5a;
    size_t secondLocal = findSignature(bytes, 0x04034b50, 100);
    ASSERT_NE(secondLocal, std::string::npos);
    bytes[secondLocal + 30 + std::strlen("data/big.txt") + 100] ^= 0x01;
    KResourceArchive *archive = mountBytes(bytes);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(loadEntry(*archive, "data/lamp.png"), "<missing>");
    EXPECT_EQ(loadEntry(*archive, "data/big.txt"), "<missing>");
    EXPECT_EQ(loadEntry(*archive, "data/game.cfg"), "name = lantern\nvolume = 0.8\n");
    EXPECT_TRUE(logHas("Resource: entry 'data/lamp.png' of archive '" + copyPath() + "'"));
}

TEST_F(DamagedZipTest, SizesThatLieAreRefusedBeforeAnythingIsAllocated) {
    size_t first = findSignature(good, kCentralHeader);
    size_t second = findSignature(good, kCentralHeader, first + 4);
    size_t third = findSignature(good, kCentralHeader, second + 4);
    ASSERT_NE(third, std::string::npos);
    auto bytes = good;
    putLittle32(bytes, first + 24, 0xfffffff0u);  // uncompressed size of the stored picture
    putLittle32(bytes, second + 20, 0x7ffffff0u); // compressed size of the deflated text
    putLittle32(bytes, third + 24, 3);            // the short text claims 3 bytes
    KResourceArchive *archive = mountBytes(bytes);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(loadEntry(*archive, "data/lamp.png"), "<missing>");
    EXPECT_EQ(loadEntry(*archive, "data/big.txt"), "<missing>");
    EXPECT_EQ(loadEntry(*archive, "data/game.cfg"), "<missing>");
    EXPECT_TRUE(logHas("Resource: entry 'data/lamp.png' of archive '" + copyPath() +
                       "' has impossible sizes, ERROR"));
}

TEST_F(DamagedZipTest, PlainEntriesAreCheckedToo) {
    ASSERT_TRUE(makeZip(source, temp / "plain.zip", {"data/big.txt", "data/lamp.png"}));
    auto bytes = readFileBytes(temp / "plain.zip");
    bytes[30 + std::strlen("data/big.txt") + 28 + 500] ^= 0x20;
    size_t secondLocal = findSignature(bytes, 0x04034b50, 100);
    bytes[secondLocal + 30 + std::strlen("data/lamp.png") + 28 + 500] ^= 0x20;
    KResourceArchive *archive = mountBytes(bytes);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(loadEntry(*archive, "data/big.txt"), "<missing>");
    EXPECT_EQ(loadEntry(*archive, "data/lamp.png"), "<missing>");
    EXPECT_TRUE(logHas("Resource: entry 'data/lamp.png' of archive '" + copyPath() +
                       "' is damaged, ERROR"));
}

TEST_F(DamagedZipTest, TruncatedArchivesAreNotMounted) {
    for (size_t keep : {good.size() - 23, good.size() / 2, size_t{100}, size_t{3}}) {
        clearLogContents();
        std::vector<unsigned char> bytes(good.begin(), good.begin() + static_cast<long>(keep));
        EXPECT_EQ(mountBytes(bytes), nullptr) << keep;
        EXPECT_TRUE(logHas("Resource: missing archive")) << keep;
    }
}

// Any one damaged byte: an entry is either its true bytes or refused, and nothing crashes or hangs.
TEST_F(DamagedZipTest, EveryFlippedByteGivesTheTruthOrAFailure) {
    writeText(source / "small/a.txt", sampleText(700, 3));
    writeFileBytes(source / "small/b.png", noiseBytes(300, 5));
    writeText(source / "small/c.txt", "");
    ASSERT_TRUE(makeZip(source, temp / "small.pak", {"small"}, kResourceArchivePassword));
    auto original = readFileBytes(temp / "small.pak");
    const std::map<std::string, std::string> truth = {
        {"small/a.txt", sampleText(700, 3)},
        {"small/b.png", asString(noiseBytes(300, 5).data(), 300)},
        {"small/c.txt", ""}};
    int wrong = 0, refused = 0;
    for (size_t at = 0; at < original.size(); at++) {
        auto bytes = original;
        bytes[at] ^= 0xa5;
        KResourceArchive *archive = mountBytes(bytes);
        for (const auto &[name, text] : truth) {
            std::string got = archive ? loadEntry(*archive, name.c_str()) : "<missing>";
            if (got == "<missing>")
                refused++;
            else if (got != text)
                wrong++;
        }
        KResource::removeAllArchives();
        clearLogContents();
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(refused, 0);
}

} // namespace
} // namespace lftest
