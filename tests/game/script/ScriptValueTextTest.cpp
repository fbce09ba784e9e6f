// The text forms of script values: numbers whole or with two decimals whatever the locale, and the
// named forms of objects, which resolve back to the objects.

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/game/script/ScriptRuntimeSupport.h"

namespace {

class ScriptValueTextTest : public ScriptRuntimeTest {
protected:
    static std::string textOf(const ScriptValue &value) {
        std::string text = "<";
        valueToText(value, text);
        return text;
    }
    static std::string numberText(float number) {
        ScriptValue value;
        value.setNumber(number);
        return textOf(value);
    }
};

TEST_F(ScriptValueTextTest, NumbersAreWholeWhenTheirHundredfoldRoundsToAMultipleOfAHundred) {
    const std::pair<float, const char *> cases[] = {
        {3.0f, "<3"},     {3.25f, "<3.25"}, {-2.5f, "<-2.50"}, {2.999f, "<3"},      {-0.004f, "<0"},
        {0.5f, "<0.50"}, {-7.0f, "<-7"},   {1e30f, "<1000000015047466219876688855040.00"},
    };
    for (const auto &[number, text] : cases)
        EXPECT_EQ(numberText(number), text) << number;
}

TEST_F(ScriptValueTextTest, ObjectsShowNamedFormsAndVariablesTheirValues) {
    SceneElement *door = addElement(hall, "door");
    HoScene *desk = addScene("zz_desk", hall);
    SceneGroup group;
    group.init(hall, names.internOrFind("keys"));
    ScriptValue value;
    auto formOf = [&](int32_t type, const void *payload) {
        value.setPointer(type, payload);
        return textOf(value);
    };
    EXPECT_EQ(formOf(kScriptElement, door), "<$hall:door");
    EXPECT_EQ(formOf(kScriptGroup, &group), "<$$keys");
    EXPECT_EQ(formOf(kScriptScene, desk), "<c'hall_zz_desk");
    EXPECT_EQ(formOf(kScriptFunction, findOrCreateFunction("open", &hall->script)), "<&hall:open");
    EXPECT_EQ(formOf(kScriptTask, findOrCreateTask("find_key", &desk->script)), "<@hall_zz_desk:find_key");
    EXPECT_EQ(formOf(kScriptEvent, findOrCreateEvent("always", &game->script)), "<!game:always");
    EXPECT_EQ(formOf(kScriptText, names.internOrFind("words")), "<words");
    EXPECT_EQ(formOf(kScriptText, nullptr), "<");
    for (int32_t type : {kScriptNone, kScriptBlock, kScriptArray, kScriptIndexedRef, kScriptPropertyRef,
                         kScriptCrossSceneRef, kScriptToken})
        EXPECT_EQ(formOf(type, nullptr), "<?") << type;
    ScriptVariable *count = variable(hall, "#count");
    count->value->setNumber(4.0f);
    EXPECT_EQ(formOf(kScriptVariableRef, count), "<4");

    // The named form of an element finds the element again.
    ScriptValue slot;
    resolveParameter(&game->script, 'v', "$hall:door", &slot);
    EXPECT_EQ(resolveValue(&game->script, &slot, false)->pointer, door);
}

TEST_F(ScriptValueTextTest, ANumericLocaleWithADecimalCommaChangesNothing) {
    // A locale whose decimal point is a comma, compiled into a private folder when the system can.
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "lf_script_locale";
    std::filesystem::create_directories(folder);
    std::string command = "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 && !std::filesystem::exists(folder / "de_DE.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma can be made here";
    setenv("LOCPATH", folder.c_str(), 1);
    const char *applied = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    unsetenv("LOCPATH");
    if (!applied)
        GTEST_SKIP() << "the locale with a decimal comma cannot be set";
    ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
    std::string shown = numberText(3.25f) + numberText(-2.5f) + numberText(3.0f);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(shown, "<3.25<-2.50<3");
}

} // namespace
