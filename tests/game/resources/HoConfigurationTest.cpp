// Configuration files read from a password-protected zip made by Info-ZIP: the line rules the shipped
// files were written for, lookups that intern nothing, reloads that keep earlier entries readable, and
// files that are not text at all.

#include "tests/game/resources/ResourcesTestSupport.h"

#include <chrono>

namespace restest {
namespace {

class Configurations : public ::testing::Test, public GameContent {
protected:
    HoConfiguration *game() { return context().gameConfig; }
    static std::vector<std::string> keysOf(const HoConfiguration &configuration) {
        std::vector<std::string> keys;
        for (int32_t i = 0; i < configuration.entries.count(); ++i)
            keys.push_back(configuration.entries[i]->key);
        return keys;
    }
};

TEST_F(Configurations, LinesReadAsTheShippedFilesExpect) {
    // Built by appending: GCC 12 warns falsely (-Wrestrict) about a literal concatenated with a temporary.
    std::string v31 = "7", v32 = "7";
    v31.append(30, ' ');
    v32.append(31, ' ');
    write("data/game.cfg", "textures.use_atlas=1\n"
                           "empty=\n"
                           "=no key\n"
                           "v31=" + v31 + "\n"
                           "v32=" + v32 + "\n"
                           "Hud.Font=3\n"
                           "a = 1\n"
                           ";comment=1\n"
                           " ;blank first=2\n"
                           "#hash=4\n"
                           "dup=first\n"
                           "dup=second\n"
                           "crlf=1\r\n"
                           "cr=2\r"
                           "lf=3\n"
                           "long=" + std::string(10000, 'x') + "\n"
                           "after=2.5\n"
                           "line without equals\n"
                           "last=-.5");
    ASSERT_TRUE(packAndMount());
    HoConfiguration &cfg = *game();

    const ConfigEntry *empty = cfg.find("empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty->text(), "");
    EXPECT_EQ(empty->number, 0.0f);
    EXPECT_EQ(empty->integer, 0);
    ASSERT_NE(cfg.find(""), nullptr) << "a line starting with '=' has the empty key";
    EXPECT_STREQ(cfg.find("")->text(), "no key");

    const ConfigEntry *inlineValue = cfg.find("v31"), *longValue = cfg.find("v32");
    ASSERT_TRUE(inlineValue && longValue);
    EXPECT_EQ(inlineValue->longText, nullptr);
    EXPECT_EQ(inlineValue->text(), v31);
    EXPECT_EQ(inlineValue->integer, 7);
    EXPECT_STREQ(longValue->inlineText, "");
    EXPECT_EQ(longValue->text(), v32);
    EXPECT_EQ(longValue->number, 0.0f) << "a value of 32 bytes or more scans as 0";
    EXPECT_EQ(longValue->integer, 0);

    EXPECT_EQ(cfg.find("hud.font"), nullptr) << "keys keep their letter case";
    EXPECT_EQ(cfg.find("a"), nullptr) << "nothing is trimmed";
    ASSERT_NE(cfg.find("a "), nullptr);
    EXPECT_STREQ(cfg.find("a ")->text(), " 1");
    EXPECT_EQ(cfg.find(";comment"), nullptr);
    EXPECT_NE(cfg.find(" ;blank first"), nullptr) << "';' is a comment only in the first column";
    EXPECT_NE(cfg.find("#hash"), nullptr) << "'#' is no comment";

    EXPECT_STREQ(cfg.getString("dup", "none"), "first");
    EXPECT_STREQ(cfg.getString("missing", "none"), "none");
    const std::vector<std::string> keys = keysOf(cfg);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), "dup"), 2) << "a list walk sees both";

    EXPECT_EQ(cfg.find("crlf")->integer, 1);
    EXPECT_EQ(cfg.find("cr")->integer, 2);
    EXPECT_EQ(cfg.find("lf")->integer, 3);
    EXPECT_EQ(std::string(cfg.find("long")->text()), std::string(8191 - 5, 'x')) << "a line keeps 8191 characters";
    EXPECT_EQ(cfg.find("after")->number, 2.5f);
    EXPECT_STREQ(cfg.find("")->text(), "no key") << "the first empty key wins over a line without '='";
    EXPECT_EQ(keys[keys.size() - 2], "");
    EXPECT_EQ(cfg.find("last")->number, -0.5f) << "the last line needs no line end";

    const int32_t interned = context().interned.count();
    EXPECT_EQ(cfg.find("never.seen.anywhere"), nullptr);
    EXPECT_EQ(context().interned.count(), interned) << "a lookup interns nothing";
}

TEST_F(Configurations, AReloadAddsNewEntriesAndKeepsEarlierOnesReadable) {
    write("data/game.cfg", "dup=first\nold=1\n");
    const auto then = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(source() / "data/game.cfg", then);
    ASSERT_TRUE(packAndMount());
    HoConfiguration &cfg = *game();
    const ConfigEntry *taken = cfg.find("dup");
    ASSERT_NE(taken, nullptr);

    // Zip times have a resolution of 2 s; the handle of a zip is opened at mount, so mount it again.
    write("data/game.cfg", "dup=changed\nnew=2\n");
    fs::last_write_time(source() / "data/game.cfg", then + std::chrono::seconds(4));
    ASSERT_TRUE(packAndMount());
    EXPECT_EQ(resources().getConfiguration("data/game.cfg"), &cfg) << "a request alone does not reload";
    EXPECT_EQ(cfg.find("new"), nullptr);
    resources().ensureLoaded(&cfg);
    EXPECT_STREQ(cfg.getString("dup", ""), "changed");
    EXPECT_EQ(cfg.find("new")->integer, 2);
    EXPECT_EQ(cfg.find("old"), nullptr);
    EXPECT_STREQ(taken->text(), "first") << "entries taken earlier live until the unload";
    resources().ensureLoaded(&cfg);
    EXPECT_EQ(cfg.entries.count(), 2) << "the same time reads nothing again";
}

TEST_F(Configurations, FilesThatAreNotTextGiveEntriesOrNothingButNeverCrash) {
    std::vector<unsigned char> junk = lftest::noiseBytes(5000);
    std::vector<unsigned char> withNul = {'a', '=', '1', '\n', 'b', '=', 0, '2', '\n', 'c', '=', '3'};
    const std::vector<std::pair<std::string, std::vector<unsigned char>>> files = {
        {"data/junk.cfg", junk},
        {"data/nul.cfg", withNul},
        {"data/huge.cfg", std::vector<unsigned char>(100000, '=')},
        {"data/empty.cfg", {}},
    };
    for (const auto &[name, bytes] : files)
        writeBytes(name, bytes);
    ASSERT_TRUE(packAndMount());
    for (const auto &[name, bytes] : files) {
        HoConfiguration *cfg = resources().getConfiguration(name.c_str());
        ASSERT_NE(cfg, nullptr) << name;
        EXPECT_EQ(cfg->useCount, 1) << name;
    }
    HoConfiguration *nul = resources().getConfiguration("data/nul.cfg");
    EXPECT_EQ(nul->find("a")->integer, 1);
    EXPECT_STREQ(nul->getString("b", "?"), "") << "the text ends at its first NUL byte";
    EXPECT_EQ(nul->find("c"), nullptr);
    HoConfiguration *missing = resources().getConfiguration("data/missing.cfg");
    EXPECT_EQ(missing->entries.count(), 0);
    EXPECT_STREQ(missing->getString("x", "default"), "default");
}

} // namespace
} // namespace restest
