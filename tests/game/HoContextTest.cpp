// The game context made over game content packed by Info-ZIP into password archives, in a real headless
// window: its settings, texts and fonts (made by lf-font, pages made TGA by lf-image), and its services.

#include "game/HoContext.h"

#include <gtest/gtest.h>

#include "engine/sound/KSound.h"
#include "engine/text/KText.h"
#include "engine/text/KTextEncoding.h"
#include "game/resources/HoFont.h"
#include "game/resources/HoResourceManager.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptParser.h"
#include "game/script/ScriptRecordPools.h"
#include "game/world/HoWorld.h"
#include "tests/support/FontTestSupport.h"
#include "tests/support/HoGameTestSupport.h"
#include "tests/support/KSoundTestSupport.h"
#include "tests/support/KWindowTestDouble.h"

namespace {

namespace fs = std::filesystem;

bool logHas(const std::string &text) {
    return getLogContents().find(text) != std::string::npos;
}

class Context : public lftest::HeadlessGameTest {
protected:
    HoFont *font(int32_t number) { return game->context->fonts[number]; }
};

TEST_F(Context, SettingsTextsAndFontsComeFromTheGameContent) {
    archives->write("data/game.cfg", "ho.color.normal_r=0\nho.color.complex_g=128\n"
                                     "hud.inventory.font=3\nhud.tooltip.font=2\n");
    archives->write("data/texts/Localization.cfg",
                    "characters1=\xC3\xA9\xC3\xA0\xC3\xBC\ncharacters2=\xE7\x81\xAF\xE5\xA1\x94\ncharacters4=xyz\n");
    archives->write("data/texts/Localization.xml",
                    "<Workbook><Worksheet><Table><Row><Cell><Data>TITLE</Data></Cell><Cell><Data>Lantern</Data>"
                    "</Cell></Row></Table></Worksheet></Workbook>");
    ASSERT_TRUE(lftest::makeGameFont(archives->content(), 1, 20, "32-126"));
    ASSERT_TRUE(lftest::makeGameFont(archives->content(), 2, 14, "32-126"));
    archives->write("data/texts/font_3.cfg", "mapped=2\n");
    // Font 4 is missing: font 5 lies beyond the end of the list.
    ASSERT_TRUE(lftest::makeGameFont(archives->content(), 5, 14, "65-70"));
    HoContext &context = startSmallGame();

    EXPECT_FLOAT_EQ(context.highlight[kHighlightNormal].red, 0.0f);
    EXPECT_FLOAT_EQ(context.highlight[kHighlightNormal].green, 1.0f);
    EXPECT_NEAR(context.highlight[kHighlightComplex].green, 128.0f / 255.0f, 1e-6);
    EXPECT_FLOAT_EQ(context.highlight[kHighlightSubzone].blue, 1.0f);
    EXPECT_STREQ(context.language, "English");

    EXPECT_TRUE(logHas("Number of characters #1: 3"));
    EXPECT_TRUE(logHas("Number of characters #2: 2"));
    EXPECT_FALSE(logHas("Number of characters #4"));
    EXPECT_EQ(defaultTextEncoding, kTextEncodingUtf8);
    EXPECT_TRUE(textGlyphPages);
    EXPECT_EQ(characterSet.count, 97 + 5);

    ASSERT_EQ(context.fonts.count(), 3);
    ASSERT_NE(context.getFont(1), nullptr);
    EXPECT_EQ(context.getFont(0), context.getFont(1));
    EXPECT_EQ(context.getFont(-1), nullptr);
    EXPECT_NE(context.getFont(2), context.getFont(1));
    EXPECT_EQ(context.getFont(3), context.getFont(2));
    EXPECT_EQ(context.getFont(4), nullptr);
    EXPECT_EQ(context.getFont(5), nullptr);
    // The HUD fonts are held once per key that names them, and loaded once.
    EXPECT_EQ(font(1)->useCount, 1);
    EXPECT_EQ(font(2)->useCount, 2);
    EXPECT_STREQ(font(2)->pagePicture, "data/texts/font_2_0.tga");

    EXPECT_STREQ(context.getLocalizedText("TITLE", kTextEncodingUtf8), "Lantern");
    EXPECT_EQ(context.getLocalizedText("MISSING", kTextEncodingUtf8), nullptr);
}

// A key that is also a word of the scripts ("scene", "sound", "alpha") is found like any other, in the
// game's settings and in the sound volumes alike, though both are read before the words are known.
TEST_F(Context, KeysThatAreAlsoScriptWordsAreFound) {
    archives->write("data/game.cfg", "scene=1\nalpha=0.5\nstartup=hall\n");
    archives->write("data/sounds/volumes.cfg", "sound=0.25\nmusic=0.75\n");
    HoContext &context = startSmallGame();
    const std::pair<HoConfiguration *, std::pair<const char *, const char *>> cases[] = {
        {context.gameConfig, {"scene", "1"}},
        {context.gameConfig, {"alpha", "0.5"}},
        {context.gameConfig, {"startup", "hall"}},
        {context.resources->volumeTable, {"sound", "0.25"}},
        {context.resources->volumeTable, {"music", "0.75"}},
    };
    for (const auto &[configuration, entry] : cases) {
        ASSERT_NE(configuration, nullptr);
        EXPECT_STREQ(configuration->getString(entry.first, "absent"), entry.second) << entry.first;
    }
    EXPECT_EQ(context.interned.findInterned("alpha"), kwAlpha) << "the scripts' words are the keywords";
}

TEST_F(Context, WithoutContentTheDefaultsServe) {
    HoContext &context = startSmallGame();
    for (const HighlightColour &colour : context.highlight) {
        EXPECT_FLOAT_EQ(colour.red, 1.0f);
        EXPECT_FLOAT_EQ(colour.blue, 1.0f);
    }
    ASSERT_EQ(context.characterSets.count(), 1);
    EXPECT_EQ(countChars(kTextEncodingUtf8, context.characterSets[0]), 95);
    EXPECT_EQ(characterSet.count, 97);
    EXPECT_EQ(context.getFont(0), nullptr);
    EXPECT_EQ(context.localisation.count(), 0);
}

TEST_F(Context, BrokenContentGivesNoFontsAndNoCrash) {
    archives->write("data/game.cfg", "ho.color.normal_r=99999\nhud.inventory.font=-7\nhud.tooltip.font=2000000000\n");
    archives->write("data/texts/Localization.cfg", std::string("characters1=\xFF\xFE\x80\xC3\n", 17));
    // Font 1: a broken description and page; 2 mapped to itself; 3: a description without its page, and
    // a negative mapping; 4: a number too large for any font.
    archives->write("data/texts/font_1.ktext", "%ktext 7 1 1\n65 0 0 3 3 4 4 0 0 0\n");
    archives->writeBytes("data/texts/font_1_0.tga", {0, 1, 2});
    archives->write("data/texts/font_2.cfg", "mapped=2\n");
    archives->write("data/texts/font_3.ktext", "%ktext 1 1 1\n65 0 0 3 3 4 4 0 0 0\n");
    archives->write("data/texts/font_3.cfg", "mapped=-12\n");
    archives->write("data/texts/font_4.cfg", "mapped=99999999999999999999\n");
    HoContext &context = startSmallGame();
    EXPECT_GT(context.highlight[kHighlightNormal].red, 1.0f);
    EXPECT_TRUE(logHas("Number of characters #1: "));
    EXPECT_TRUE(logHas("cannot load font data/texts/font_1.ktext")) << "the HUD's default font 1";
    for (int32_t number : {0, 1, 2, 3, 4, 5, 6, 2000000000, -2000000000})
        EXPECT_EQ(context.getFont(number), nullptr) << number;
}

// A window that refuses every switch of the display mode.
class RefusingWindow : public KWindowTestDouble {
public:
    bool refuse = true;
    int toggles = 0;
    bool toggleFullScreen(bool) override {
        toggles++;
        return !refuse;
    }
};

class GameOverRefusingWindow : public HoGame {
public:
    GameOverRefusingWindow() : HoGame(lftest::smallGameSettings()) {}
    RefusingWindow *refusing = nullptr;

protected:
    KWindow *makeWindow() override { return refusing = new RefusingWindow(); }
};

TEST_F(Context, ARefusedFullScreenSwitchTakesTheOptionBackAndVolumesFollowTheOptions) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    archives->writeBytes("data/sounds/chime.ogg", lftest::oggTone(440, 0.5, 22050, 1));
    ASSERT_TRUE(archives->packAndMount(false));
    GameOverRefusingWindow refusing;
    refusing.createWindow();
    ASSERT_NE(refusing.refusing, nullptr);
    HoContext context(&refusing);

    refusing.options.set(kOptionFullscreen, 1.0f);
    context.applySettings();
    EXPECT_EQ(refusing.refusing->toggles, 1);
    EXPECT_EQ(refusing.options.get(kOptionFullscreen), 0.0f);
    EXPECT_EQ(context.fullScreenApplied, 0);
    context.applySettings(); // the option now matches what is applied
    EXPECT_EQ(refusing.refusing->toggles, 1);

    refusing.refusing->refuse = false;
    refusing.options.set(kOptionFullscreen, 1.0f);
    context.applySettings();
    EXPECT_EQ(context.fullScreenApplied, 1);
    EXPECT_EQ(refusing.options.get(kOptionFullscreen), 1.0f);

    HoSound *chime = context.resources->getSound("data/sounds/chime.ogg", true);
    ASSERT_NE(chime->engineSound, nullptr);
    // The running world's options are the game's; its scene is fully open.
    HoWorld world(&context);
    world.change.fade = 1.0f;
    context.world = &world;
    chime->setVolume(1.0f, &world);
    const int32_t loud = chime->engineSound->volume;
    refusing.options.set(kOptionSfx, 0.25f);
    context.applySettings();
    context.world = nullptr;
    EXPECT_LT(chime->engineSound->volume, loud);
    EXPECT_EQ(chime->engineSound->volume, 25) << "sfx 0.25 of the full volume";
}

TEST_F(Context, AScriptErrorForTheContextIsLoggedOnceThroughItsHook) {
    HoContext &context = startSmallGame();
    clearLogContents();
    ScriptRecordPools pools;
    ScriptParser parser(context.interned, pools, context.messageHook);
    parser.parseScriptText("no_such_command 1 2\n", pools.newBlock(false), "hall", false);
    const std::string log = getLogContents();
    const size_t first = log.find("Game: Error in script hall, line 1: ");
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find("Error", first + 20), std::string::npos) << "logged once: " << log;
}

} // namespace
