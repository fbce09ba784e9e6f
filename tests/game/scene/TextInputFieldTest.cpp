// The text field of a "KUIEdit_" element fed by scripted input that travels the road of real input (SDL
// events, window messages, the game's window-event callback to the top scene's focused field), its
// script functions and variable, the caret placed by a click and drawn blinking, read back.

#include <cstdlib>

#include "game/resources/HoTexture.h"
#include "game/scene/TextInputField.h"
#include "tests/game/scene/SceneDrawSupport.h"
#include "tests/support/FontTestSupport.h"

namespace {

constexpr uint32_t kOrange = 0xFF8000;

class TextInputFieldTest : public scenedraw::SceneDrawTest {
protected:
    void SetUp() override {
        SceneDrawTest::SetUp();
        ASSERT_TRUE(lftest::makeGameFont(source(), 1, 40, "32-126"));
        writeSolid("data/system/white.png", 4, 4, 0xFFFFFFFF);
    }
    void TearDown() override {
        unsetenv("LANTERNFALL_INPUT_SCRIPT");
        platformReloadWindowHooks();
        context().world = ownWorld;
        game.context = nullptr;
        SceneDrawTest::TearDown();
    }
    // The profiles scene with its name field, 400 by 100 about the middle of the screen, in orange text; the
    // game's window events reach it as the top scene of the context's world.
    void startProfiles(const std::string &camera = "", const std::string &script = "") {
        const std::string field = "O KUIEdit_name\nW 400\nH 100\nX 1\nK 1280\nY 1\nK 768\nR 1\nK 1\nS 1\nK 1\n"
                                  "G 0 0 255 128 0 0 0 0 0 0\n";
        profiles = startedScene("profiles", field + camera,
                                "fun text_changed {\n print changed #KUIEdit_name\n}\n"
                                "fun text_validated {\n print validated #KUIEdit_name\n}\n" + script);
        field_ = profiles->findElement("KUIEdit_name");
        ASSERT_NE(field_, nullptr);
        ASSERT_NE(field_->textInput, nullptr);
        world->topScene = world->activeScene = profiles;
        ownWorld = context().world;
        context().world = world.get();
        game.context = &context();
        white = context().getTexture("data/system/white.png");
        resources().ensureLoaded(white);
        world->hud.white = white;
    }
    void useScript(const std::string &text) {
        lftest::writeFileText(temp.path() / "input.txt", text);
        setenv("LANTERNFALL_INPUT_SCRIPT", (temp.path() / "input.txt").c_str(), 1);
        platformReloadWindowHooks();
    }
    // A click on the field gives it the focus at the next update.
    void focusField() {
        world->hoveredElement = world->clickedElement = field_;
        profiles->update();
        world->hoveredElement = world->clickedElement = nullptr;
    }
    // One frame whose flip delivers that frame's input, then the scene's update.
    void frame() {
        game.window->flipBackBuffer(false);
        profiles->update();
    }
    TextInputField &field() { return *field_->textInput; }
    const char *variable() {
        const ScriptValue *value = profiles->variableValue("#KUIEdit_name");
        return value && value->type == kScriptText ? value->text() : "";
    }

    // The next scene starts in a fresh world.
    void TearDownWorld() {
        context().world = ownWorld;
        newEmptyWorld();
    }

    HoScene *profiles = nullptr;
    SceneElement *field_ = nullptr;
    HoWorld *ownWorld = nullptr;
    HoTexture *white = nullptr;
};

TEST_F(TextInputFieldTest, TypedTextIsFilteredCappedEditedByKeysAndToldToTheScript) {
    startProfiles();
    EXPECT_EQ(field().maxLength, 12);
    focusField();
    ASSERT_EQ(profiles->findFocusedTextInput(), field_);
    // Each frame's edits are told once, at the update, before the variable holds the new text.
    const struct {
        const char *input; // the frame's line after its number
        const char *text;
        int32_t caret;
        const char *told; // null: nothing
    } cases[] = {
        {"text Ab", "Ab", 2, "changed"},
        {"text 1 -\xee\x80\x80\xc3\xa9", "Ab1", 3, "changed Ab"}, // blank, '-', U+E000, a letter outside the font
        {"text abcdefghijklmnop", "Ab1abcdefghi", 12, "changed Ab1"},
        {"keydown Left", "Ab1abcdefghi", 11, nullptr},
        {"keydown Backspace", "Ab1abcdefgi", 10, "changed Ab1abcdefghi"},
        {"keydown Delete", "Ab1abcdefg", 10, "changed Ab1abcdefgi"},
        {"keydown Delete", "Ab1abcdefg", 10, "changed Ab1abcdefg"}, // nothing at the end, still a change
        {"keydown Home", "Ab1abcdefg", 10, nullptr},
        {"keydown Return", "Ab1abcdefg", 10, "validated Ab1abcdefg"},
    };
    std::string script;
    for (size_t i = 0; i < std::size(cases); ++i)
        script += std::to_string(i + 1) + " " + cases[i].input + "\n";
    useScript(script);
    for (const auto &c : cases) {
        frame();
        SCOPED_TRACE(c.input);
        EXPECT_STREQ(field().text, c.text);
        EXPECT_EQ(field().caret, c.caret);
        EXPECT_EQ(field().length, int32_t(std::strlen(c.text)));
        EXPECT_STREQ(variable(), c.text);
        const std::vector<std::string> trace = takeTrace();
        ASSERT_EQ(trace.size(), c.told ? 1u : 0u);
        if (c.told) {
            EXPECT_EQ(trace[0].substr(0, std::strlen(c.told)), c.told);
        }
    }
    // Back at the start nothing is deleted.
    field().caret = 0;
    useScript("1 keydown Backspace\n");
    frame();
    EXPECT_STREQ(field().text, "Ab1abcdefg");
    EXPECT_TRUE(takeTrace().empty());
}

TEST_F(TextInputFieldTest, SetTextCutsOnACharacterAndTheCaretBlinksForHalfOfEachPeriod) {
    startProfiles();
    std::string longText(250, 'a');
    longText += "\xc3\xa9\xc3\xa9\xc3\xa9"; // 256 bytes, the last characters two bytes each
    field().setText(longText.c_str());
    EXPECT_EQ(std::strlen(field().text), 254u);
    EXPECT_EQ(field().length, 252);
    EXPECT_EQ(field().caret, 0);
    field().setText(std::string(10000, 'x').c_str());
    EXPECT_EQ(field().length, 254);
    field().setText(nullptr);
    EXPECT_EQ(field().length, 0);

    // An empty focused field shows only its caret: an orange bar at its left edge while the blink is below 50.
    focusField();
    field().blink = 10;
    lftest::BackBuffer shown = drawn(profiles);
    const ScreenPoint caret = middleOf(shown, kOrange);
    EXPECT_NEAR(caret.x / kScale, 1080.0f, 12.0f);
    EXPECT_NEAR(caret.y / kScale, 768.0f, 40.0f);
    field().blink = 60;
    lftest::BackBuffer hidden = drawn(profiles);
    EXPECT_EQ(colourAt(hidden, caret.x / kScale, caret.y / kScale), 0u);
    int shownFrames = 0;
    for (int i = 0; i < 101; ++i) {
        field().update();
        shownFrames += field().blink < TextInputField::kCaretShownFor ? 1 : 0;
    }
    EXPECT_EQ(shownFrames, 50);
}

// The field's text takes the opacity the scene is drawn with; the element's own alpha does not dim it.
TEST_F(TextInputFieldTest, TheFieldTakesTheScenesOpacityNotTheElements) {
    startProfiles();
    field().setText("WWWW");
    struct Case {
        float sceneAlpha, elementAlpha;
        bool fullOrange;
    };
    for (const Case c : {Case{1.0f, 0.5f, true}, Case{0.5f, 1.0f, false}}) {
        field_->alpha.setNumber(c.elementAlpha);
        const lftest::BackBuffer frame = drawn(profiles, c.sceneAlpha);
        int orange = 0;
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                const uint8_t *p = frame.at(x, y);
                orange += (uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]) == kOrange ? 1 : 0;
            }
        }
        EXPECT_EQ(orange > 0, c.fullOrange) << c.sceneAlpha << " " << c.elementAlpha;
    }
}

// The script's text replaces the field's whole (cut on a character within the buffer), is told as a
// change at the next update (the variable already holding it), the caret's blink restarted.
TEST_F(TextInputFieldTest, SetInputTextReplacesTheTextAndTellsTheScript) {
    const std::string word(40, 'w');
    std::string eight;
    for (int i = 0; i < 8; ++i)
        eight += " " + word;
    const struct {
        const char *words;
        std::string text;
    } cases[] = {{"Mira 7", "Mira7"}, {eight.c_str(), std::string(254, 'w')}};
    for (const auto &c : cases) {
        startProfiles("", std::string("on fill {\n set_input_text $KUIEdit_name ") + c.words + "\n}\n");
        field().blink = 70;
        signal(profiles, "fill");
        step();
        SCOPED_TRACE(c.words);
        EXPECT_EQ(std::string(field().text), c.text);
        EXPECT_EQ(std::string(variable()), c.text);
        EXPECT_EQ(field().blink, 1); // restarted, then one update
        EXPECT_EQ(takeTrace(), std::vector<std::string>{"changed " + c.text});
        TearDownWorld();
    }
}

// Also in a scene whose camera turns the view half round: the click lands on the letter where it is shown.
TEST_F(TextInputFieldTest, AClickPutsTheCaretUnderThePointer) {
    for (const bool turned : {false, true}) {
        startProfiles(turned ? "O CAMERA\nW 10\nH 10\nX 1\nK 1280\nY 1\nK 768\nA 1\nK 180\nR 1\nK 1\nS 1\nK 1\n" : "");
        field().setText("WWWWWW");
        // Where the six letters are shown, in window pixels.
        lftest::BackBuffer shown = drawn(profiles);
        int first = shown.width, last = -1, row = 0;
        for (int py = 0; py < shown.height; ++py) {
            for (int px = 0; px < shown.width; ++px) {
                const uint8_t *p = shown.at(px, py);
                if (p[0] > 200 && p[1] > 90 && p[1] < 170 && p[2] < 60) {
                    first = std::min(first, px);
                    last = std::max(last, px);
                    row = py;
                }
            }
        }
        ASSERT_GT(last, first);
        // The middle of the fourth letter: from the right on a turned screen.
        const float along = float(last - first) * 3.5f / 6.0f;
        const float x = turned ? float(last) - along : float(first) + along;
        focusField();
        useScript("1 move " + std::to_string(int(x)) + " " + std::to_string(row) + "\n1 press left\n");
        frame();
        EXPECT_EQ(field().caret, 3) << (turned ? "turned" : "");
        TearDownWorld();
    }
}

} // namespace
