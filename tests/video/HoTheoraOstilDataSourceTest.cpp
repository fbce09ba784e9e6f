// The data source over the resource layer: the same counts from a loose file, a tar entry and a
// password-protected zip entry (whose reads past the end would zero-fill), and a clip played from each.

#include "tests/video/VideoTestSupport.h"

namespace lftest {
namespace {

class HoTheoraOstilDataSourceTest : public ResourceLayerTest {
protected:
    void SetUp() override {
        ResourceLayerTest::SetUp();
        auto content = temp / "content";
        std::filesystem::create_directories(content / "data");
        writeFileBytes(content / "data/bytes.bin", noiseBytes(1000));
        std::filesystem::copy_file(clipFolder() / barcodeClip(100, 8), content / "data/clip.ogv");
        ASSERT_TRUE(makeZip(content, temp / "game.pak", {"data"}, kResourceArchivePassword));
        ASSERT_TRUE(makeTar(content, temp / "game.tar", {"data"}));
        std::filesystem::rename(content, temp / "loose");
    }

    // Mounts the kind of storage asked for; the data path to use with it.
    std::string mount(const std::string &kind) {
        if (kind == "loose")
            return (temp / "loose").string();
        EXPECT_EQ(KResource::addArchive((temp / ("game." + kind)).c_str()), 0);
        return temp.str();
    }
};

TEST_F(HoTheoraOstilDataSourceTest, CountsOnlyRealBytesFromEveryKindOfFile) {
    const std::vector<unsigned char> expected = noiseBytes(1000);
    for (std::string kind : {"loose", "tar", "pak"}) {
        SCOPED_TRACE(kind);
        KResource::removeAllArchives();
        DataPathScope scope(mount(kind));
        HoTheoraOstilDataSource source("data/bytes.bin");
        ASSERT_EQ(source.open(), 0);
        EXPECT_EQ(source.repr(), "data/bytes.bin");
        EXPECT_EQ(source.size(), 1000);

        std::vector<unsigned char> buffer(4096, 0xAA);
        source.seek(900);
        EXPECT_EQ(source.read(buffer.data(), 4096), 100);
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 100, expected.begin() + 900));
        EXPECT_EQ(buffer[100], 0xAA) << "nothing written past the real bytes";
        EXPECT_EQ(source.read(buffer.data(), 4096), 0);
        EXPECT_EQ(source.tell(), 1000);

        // Positions the file layer cannot hold are refused, never wrapped.
        source.seek(10);
        source.seek(int64_t{1} << 32);
        source.seek(-5);
        EXPECT_EQ(source.tell(), 10);

        // A clip plays from it whole.
        auto clipSource = new HoTheoraOstilDataSource("data/clip.ogv");
        ASSERT_EQ(clipSource->open(), 0);
        TheoraVideoClip_Theora clip(clipSource, 1, 4, false);
        clip.load(clipSource);
        EXPECT_EQ(clip.getNumFrames(), 100);
    }
    HoTheoraOstilDataSource missing("data/missing.ogv");
    EXPECT_EQ(missing.open(), ERROR_RESOURCE_NOT_FOUND);
    EXPECT_EQ(missing.read(nullptr, 10), 0);
}

} // namespace
} // namespace lftest
