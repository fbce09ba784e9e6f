// The survey page opened through a stand-in "xdg-open" on the PATH that records what it was asked.

#include "game/HoSurveyPage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine/resource/KResource.h"
#include "tests/support/KResourceTestSupport.h"
#include "tests/support/UrlOpenerStandIn.h"

namespace {

namespace fs = std::filesystem;

class SurveyPage : public lftest::ResourceLayerTest {
protected:
    std::unique_ptr<lftest::UrlOpenerStandIn> opener;
    int archives = 0;

    void SetUp() override {
        ResourceLayerTest::SetUp();
        opener = std::make_unique<lftest::UrlOpenerStandIn>(temp.path());
    }
    void TearDown() override {
        opener.reset();
        ResourceLayerTest::TearDown();
    }

    // Opens the page with "Survey.txt" holding the bytes (none: no file).
    void openWith(const std::string *bytes) {
        KResource::removeAllArchives();
        if (bytes) {
            const fs::path folder = temp / ("content" + std::to_string(archives));
            lftest::writeText(folder / "Survey.txt", *bytes);
            const fs::path archive = temp / ("survey" + std::to_string(archives++) + ".pak");
            ASSERT_TRUE(lftest::makeZip(folder, archive, {"Survey.txt"}, kResourceArchivePassword));
            ASSERT_EQ(KResource::addArchive(archive.c_str()), 0);
        }
        openSurveyPage();
    }

    std::string opened() { return opener->opened(); }
};

TEST_F(SurveyPage, OnlyTheFirstLineTrimmedOfItsEndIsOpened) {
    openWith(nullptr);
    const std::string empty;
    openWith(&empty);
    const std::string option = "--help\n";
    openWith(&option);
    const std::string binary("\x7F" "ELF\x02\x01\x01\0\0\0", 10);
    openWith(&binary);
    const std::string control = "http://example.org/\x1b[2J\n";
    openWith(&control);
    EXPECT_TRUE(logHas("Survey.txt does not name a page to open, ERROR")) << getLogContents();
    EXPECT_EQ(opened(), "");

    const std::string page = "https://example.org/survey?id=7 \t\r\nhttp://second.example.org/\r\n";
    openWith(&page);
    EXPECT_EQ(opened(), "https://example.org/survey?id=7|\n");
}

} // namespace
