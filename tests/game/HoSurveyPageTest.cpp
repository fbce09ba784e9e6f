// The survey page opened through a stand-in "xdg-open" on the PATH that records what it was asked.

#include "game/HoSurveyPage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "engine/resource/KResource.h"
#include "tests/support/KResourceTestSupport.h"

namespace {

namespace fs = std::filesystem;

class SurveyPage : public lftest::ResourceLayerTest {
protected:
    std::string savedPath;
    int archives = 0;

    void SetUp() override {
        ResourceLayerTest::SetUp();
        savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        lftest::writeText(temp / "bin/xdg-open",
                          "#!/bin/sh\nprintf '%s|\\n' \"$@\" >> '" + (temp / "opened.txt").string() + "'\n");
        fs::permissions(temp / "bin/xdg-open", fs::perms::owner_all);
        setenv("PATH", ((temp / "bin").string() + ":" + savedPath).c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath.c_str(), 1);
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

    std::string opened(bool wait) {
        for (int i = 0; wait && i < 200 && !fs::exists(temp / "opened.txt"); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        std::this_thread::sleep_for(std::chrono::milliseconds(wait ? 100 : 0));
        const auto bytes = lftest::readFileBytes(temp / "opened.txt");
        return std::string(bytes.begin(), bytes.end());
    }
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
    EXPECT_EQ(opened(false), "");

    const std::string page = "https://example.org/survey?id=7 \t\r\nhttp://second.example.org/\r\n";
    openWith(&page);
    EXPECT_EQ(opened(true), "https://example.org/survey?id=7|\n");
}

} // namespace
