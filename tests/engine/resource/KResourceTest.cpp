// The resource layer's search: mounted archives in mounting order, then the disk; names without regard
// to case or separator; the layer's error numbers.

#include "tests/support/KResourceTestSupport.h"

#include <cctype>
#include <cstring>

#include "engine/resource/KResourceArchiveTar.h"
#include "engine/resource/KResourceArchiveZip.h"

namespace lftest {
namespace {

// A data folder with two archives (a password-protected zip and a tar) and loose files, some names in
// more than one place.
class ResourceSearchTest : public ResourceLayerTest {
protected:
    void SetUp() override {
        ResourceLayerTest::SetUp();
        auto zipSource = temp / "zipsource", tarSource = temp / "tarsource";
        writeText(zipSource / "data/same.txt", "from the zip");
        writeText(zipSource / "data/Scenes.cfg", "scenes of the zip");
        writeText(tarSource / "data/same.txt", "from the tar");
        writeText(tarSource / "data/second.txt", "second from the tar");
        writeText(temp / "game/data/second.txt", "second from the disk");
        writeText(temp / "game/data/Loose File.TXT", "loose");
        writeText(temp / "game/data/empty.txt", "");
        ASSERT_TRUE(makeZip(zipSource, temp / "game/data.pak", {"data"}, kResourceArchivePassword));
        ASSERT_TRUE(makeTar(tarSource, temp / "game/data_hd.pak", {"data"}));
        gameFolder = (temp / "game").string();
    }

    void mountBoth() {
        ASSERT_EQ(KResource::addArchive((gameFolder + "/data.pak").c_str()), 0);
        ASSERT_EQ(KResource::addArchive((gameFolder + "/data_hd.pak").c_str()), 0);
    }

    std::string gameFolder;
};

TEST_F(ResourceSearchTest, FirstMountedArchiveWinsThenLaterArchivesThenTheDisk) {
    DataPathScope scope(gameFolder);
    mountBoth();
    EXPECT_EQ(KResource::archives().count, 2);
    EXPECT_TRUE(logHas("Resource: added archive '" + gameFolder + "/data.pak' with 3 entries"));
    EXPECT_EQ(loadText(gameFolder + "/data/same.txt"), "from the zip");
    EXPECT_EQ(loadText(gameFolder + "/data/second.txt"), "second from the tar");
    EXPECT_EQ(loadText(gameFolder + "/data/empty.txt"), "");
    EXPECT_EQ(loadText(gameFolder + "/data/nowhere.txt"), "<missing>");

    KResource::removeAllArchives();
    EXPECT_EQ(KResource::archives().count, 0);
    EXPECT_EQ(loadText(gameFolder + "/data/second.txt"), "second from the disk");
    EXPECT_EQ(loadText(gameFolder + "/data/same.txt"), "<missing>");
}

TEST_F(ResourceSearchTest, NamesIgnoreLetterCaseAndSeparatorsEverywhere) {
    DataPathScope scope(gameFolder);
    mountBoth();
    std::string shouted = gameFolder;
    for (char &c : shouted)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // The data path is dropped whatever its case, so the archive still answers.
    EXPECT_EQ(loadText(shouted + "\\DATA\\SCENES.CFG"), "scenes of the zip");
    EXPECT_EQ(loadText(gameFolder + "\\data\\Same.Txt"), "from the zip");
    // On disk the platform finds the file whatever the case asked for.
    EXPECT_EQ(loadText(gameFolder + "/DATA/loose file.txt"), "loose");
    EXPECT_EQ(loadText(gameFolder + "\\data\\LOOSE FILE.txt"), "loose");
    // Archive files themselves are found the same way.
    KResource::removeAllArchives();
    EXPECT_EQ(KResource::addArchive((gameFolder + "/DATA.PAK").c_str()), 0);
    EXPECT_EQ(KResource::addArchive((gameFolder + "/Data_HD.pak").c_str()), 0);
}

TEST_F(ResourceSearchTest, FileInfoTellsArchiveFromDisk) {
    DataPathScope scope(gameFolder);
    mountBoth();
    FileInfo info;
    ASSERT_TRUE(KResource::getFileInfo((gameFolder + "/data/second.txt").c_str(), &info));
    EXPECT_EQ(info.inArchive, 1);
    EXPECT_EQ(info.size, std::strlen("second from the tar"));
    ASSERT_TRUE(KResource::getFileInfo((gameFolder + "/data/loose file.txt").c_str(), &info));
    EXPECT_EQ(info.inArchive, 0);
    EXPECT_EQ(info.isFolder, 0);
    EXPECT_EQ(info.size, 5u);
    EXPECT_GT(info.modificationTime, 1600000000);
    ASSERT_TRUE(KResource::getFileInfo((gameFolder + "/DATA").c_str(), &info));
    EXPECT_EQ(info.isFolder, 1);
    EXPECT_FALSE(KResource::getFileInfo((gameFolder + "/data/nowhere").c_str(), &info));
}

// Counts its deletions, to see that openResource lets go of the caller's previous file.
struct CountedFile : KResourceFile {
    explicit CountedFile(int *deletions) : deletions_(deletions) {}
    ~CountedFile() override { ++*deletions_; }
    int32_t seek(int32_t, int32_t) override { return 0; }
    int32_t tell(int32_t *) override { return 0; }
    int32_t read(void *, uint32_t) override { return 0; }
    int *deletions_;
};

TEST_F(ResourceSearchTest, OpenResourceReplacesTheCallersFileAndReportsNotFound) {
    DataPathScope scope(gameFolder);
    mountBoth();
    int deletions = 0;
    KResourceFile *file = new CountedFile(&deletions);
    EXPECT_EQ(KResource::openResource(&file, (gameFolder + "/data/nowhere.txt").c_str()), ERROR_RESOURCE_NOT_FOUND);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(deletions, 1);

    ASSERT_EQ(KResource::openResource(&file, (gameFolder + "/data/same.txt").c_str()), 0);
    char text[12] = {};
    EXPECT_EQ(file->read(text, 12), 0);
    EXPECT_EQ(std::string(text, 12), "from the zip");
    ASSERT_EQ(KResource::openResource(&file, (gameFolder + "/data/loose file.txt").c_str()), 0);
    EXPECT_EQ(file->read(text, 5), 0);
    EXPECT_EQ(std::string(text, 5), "loose");
    delete file;
    EXPECT_TRUE(getLogContents().find("Resource: opened") == std::string::npos) << "opens are silent";
}

TEST_F(ResourceSearchTest, OpenLoggingNamesTheAnsweringPlaceWhenSwitchedOn) {
    DataPathScope scope(gameFolder);
    mountBoth();
    KResource::logOpens = true;
    loadText(gameFolder + "/data/same.txt");
    loadText(gameFolder + "/data/loose file.txt");
    loadText(gameFolder + "/data/nowhere.txt");
    KResource::logOpens = false;
    EXPECT_TRUE(logHas("Resource: opened '" + gameFolder + "/data/same.txt' (archive)"));
    EXPECT_TRUE(logHas("Resource: opened '" + gameFolder + "/data/loose file.txt' (filesystem)"));
    EXPECT_TRUE(logHas("Resource: failed to open '" + gameFolder + "/data/nowhere.txt'"));
}

TEST_F(ResourceLayerTest, AddArchiveRefusesWhatIsNoArchive) {
    auto folder = temp / "folder.pak";
    std::filesystem::create_directories(folder);
    writeFileBytes(temp / "noise.pak", noiseBytes(3000));
    writeFileBytes(temp / "empty.pak", {});
    for (const auto &path : {temp / "absent.pak", folder, temp / "noise.pak", temp / "empty.pak"}) {
        clearLogContents();
        EXPECT_EQ(KResource::addArchive(path.c_str()), ERROR_ARCHIVE_MISSING) << path;
        EXPECT_TRUE(logHas("Resource: missing archive '" + path.string() + "'")) << path;
    }
    EXPECT_EQ(KResource::archives().count, 0);
    // The variants' own answers, behind the layer's one.
    EXPECT_EQ(KResourceArchiveZip().openArchive((temp / "noise.pak").c_str(), 0, nullptr), ERROR_ARCHIVE_MISSING);
    EXPECT_EQ(KResourceArchiveTar().openArchive((temp / "absent.pak").c_str(), 0, nullptr), ERROR_RESOURCE_NOT_FOUND);
    EXPECT_EQ(KResourceArchiveTar().openArchive(folder.c_str(), 0, nullptr), ERROR_RESOURCE_NOT_FOUND);
}

TEST_F(ResourceLayerTest, LooseFilesLoadWholeAndFoldersDoNot) {
    writeText(temp / "empty.txt", "");
    std::filesystem::create_directories(temp / "folder");
    unsigned char *data = nullptr;
    uint32_t size = 99;
    ASSERT_TRUE(KResource::loadResource((temp / "empty.txt").c_str(), &data, &size));
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(data[0], 0);
    std::free(data);
    EXPECT_FALSE(KResource::loadResource((temp / "folder").c_str(), &data, &size));
    EXPECT_EQ(data, nullptr);
    KResourceFile *file = nullptr;
    EXPECT_EQ(KResource::openResource(&file, (temp / "folder").c_str()), ERROR_RESOURCE_NOT_FOUND);
}

TEST_F(ResourceLayerTest, LooseFileSeeksLikeTheCRuntime) {
    writeText(temp / "digits.txt", "0123456789");
    KResourceFile *file = nullptr;
    ASSERT_EQ(KResource::openResource(&file, (temp / "digits.txt").c_str()), 0);
    char byte = 0;
    int32_t position = -1;
    EXPECT_EQ(file->seek(2, -3), 0);
    EXPECT_EQ(file->read(&byte, 1), 0);
    EXPECT_EQ(byte, '7');
    EXPECT_EQ(file->seek(1, -5), 0);
    EXPECT_EQ(file->tell(&position), 0);
    EXPECT_EQ(position, 3);
    EXPECT_EQ(file->seek(0, -1), ERROR_IO);
    EXPECT_EQ(file->seek(7, 0), ERROR_IO);
    char rest[20];
    EXPECT_EQ(file->seek(0, 8), 0);
    EXPECT_EQ(file->read(rest, 5), ERROR_IO) << "a short read";
    EXPECT_EQ(file->read(rest, 0), 0);
    delete file;
}

TEST_F(ResourceLayerTest, NamesLongerThanTheBufferAreRefusedNotCut) {
    std::string longName = (temp / std::string(300, 'n')).string();
    unsigned char *data = nullptr;
    uint32_t size = 0;
    EXPECT_FALSE(KResource::loadResource(longName.c_str(), &data, &size));
    EXPECT_TRUE(logHas("is longer than 259 characters, ERROR"));
    FileInfo info;
    EXPECT_FALSE(KResource::getFileInfo(longName.c_str(), &info));
}

TEST_F(ResourceLayerTest, CleanupRemovesTheDiskAndCanRunTwice) {
    writeText(temp / "a.txt", "a");
    ASSERT_TRUE(makeTar(temp.path(), temp / "a.tar", {"a.txt"}));
    ASSERT_EQ(KResource::addArchive((temp / "a.tar").c_str()), 0);
    KResource::cleanup();
    EXPECT_EQ(KResource::archives().count, 0);
    EXPECT_EQ(KResource::fileSystemArchive, nullptr);
    EXPECT_EQ(loadText((temp / "a.txt").string()), "<missing>");
    KResource::cleanup();
}

TEST_F(ResourceLayerTest, TheDiskArchiveHasNothingToOpenOrList) {
    KResourceArchiveDirect disk;
    EXPECT_EQ(disk.openArchive("anything", 0, nullptr), ERROR_NOT_OPEN);
    auto neverCalled = [](const char *, bool, void *) {
        ADD_FAILURE();
        return true;
    };
    EXPECT_TRUE(disk.enumerateFolder("", neverCalled, nullptr));
}

} // namespace
} // namespace lftest
