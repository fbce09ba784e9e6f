// Parameter tokens turned into values once, and followed at run time: numbers, sigils and kind
// prefixes, scenes, expressions read from the token's end, arrays, and every resolution message.

#include <cmath>
#include <string>
#include <vector>

#include "tests/game/script/ScriptRuntimeSupport.h"

namespace {

class ScriptResolveTest : public ScriptRuntimeTest {
protected:
    ScriptResolveTest() {
        study = addScene("study");
        door = addElement(hall, "door");
        group.init(hall, names.internOrFind("grp"));
        hall->groups.append(&group);
    }

    ScriptValue resolve(char letter, const char *token, HoScene *scene = nullptr) {
        ScriptValue slot;
        slot.setPointer(kScriptToken, names.internOrFind(token));
        resolveParameter(&(scene ? scene : hall)->script, letter, token, &slot);
        return slot;
    }
    // What the token names at run time, for reading or for writing.
    ScriptValue *target(char letter, const char *token, bool wantVariable = false) {
        ScriptValue *slot = world.scriptPools.newValueSlot();
        resolveParameter(&hall->script, letter, token, slot);
        return resolveValue(&hall->script, slot, wantVariable);
    }
    ScriptValue *local(const char *name) {
        ScriptVariable *variable = findOrCreateVariable(&hall->script, name, nullptr);
        return variable ? variable->value : nullptr;
    }

    HoScene *study = nullptr;
    SceneElement *door = nullptr;
    SceneGroup group;
};

TEST_F(ScriptResolveTest, NumbersAreReadWhateverTheKind) {
    struct Case {
        char letter;
        const char *token;
        float number;
    };
    const Case cases[] = {
        {'*', "-2.5", -2.5f}, {'*', "1-", -1.0f}, {'*', "2t", 0.02f},  {'*', "5f", 0.5f},
        {'*', "12abc", 12.0f}, {'e', "7", 7.0f},  {'x', "~3", 3.0f},   {'*', "1e30", 130.0f},
        {'v', "0.25", 0.25f},  {'*', "-3-", 3.0f}, {'a', "!4t", 0.04f},
    };
    for (const Case &c : cases) {
        ScriptValue value = resolve(c.letter, c.token);
        ASSERT_EQ(value.type, kScriptNumber) << c.token;
        EXPECT_FLOAT_EQ(value.number, c.number) << c.token;
    }
    // A hundred digits give a huge number, not a crash.
    ScriptValue huge = resolve('*', std::string(100, '9').c_str());
    EXPECT_EQ(huge.type, kScriptNumber);
    EXPECT_TRUE(std::isinf(huge.number));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptResolveTest, PrefixesAndLettersChooseWhatATokenNames) {
    struct Case {
        char letter;
        const char *token;
        int32_t type;
        const void *payload;
    };
    const Case cases[] = {
        {'*', "~txt", kScriptText, names.internOrFind("txt")},
        {'x', "plain", kScriptText, names.internOrFind("plain")},
        {'*', "c'hall", kScriptScene, hall},
        {'*', "c'study", kScriptScene, study},
        {'c', "hall", kScriptScene, hall},
        {'c', "nowhere", kScriptScene, nullptr},
        {'e', "door", kScriptElement, door},
        {'*', "e'door", kScriptElement, door},
        {'e', "hall:door", kScriptElement, door},
        {'e', "study:door", kScriptElement, nullptr},
        {'e', "ghost", kScriptElement, nullptr},
        {'e', "nowhere:door", kScriptNone, nullptr},
        {'*', "$$grp", kScriptGroup, &group},
        {'g', "hall:grp", kScriptGroup, &group},
        {'a', "e", kScriptEvent, findOrCreateEvent("e", &hall->script)},
        {'*', "!e", kScriptEvent, findOrCreateEvent("e", &hall->script)},
        {'*', "!!e", kScriptEvent, findOrCreateEvent("e", &game->script)},
        {'*', "!study:e", kScriptEvent, findOrCreateEvent("e", &study->script)},
        {'*', "&f", kScriptFunction, findOrCreateFunction("f", &hall->script)},
        {'*', "&&f", kScriptFunction, findOrCreateFunction("f", &game->script)},
        {'f', "study:f", kScriptFunction, findOrCreateFunction("f", &study->script)},
        {'*', "@t", kScriptTask, findOrCreateTask("t", &hall->script)},
        {'t', "study:t", kScriptTask, findOrCreateTask("t", &study->script)},
        {'*', "^key", kScriptInventoryItem, nullptr}, // the world has no such item
        {'*', "s'", kScriptNone, nullptr},
        {'*', "?", kScriptNone, nullptr},
        {'e', "", kScriptNone, nullptr},
    };
    for (const Case &c : cases) {
        ScriptValue value = resolve(c.letter, c.token);
        EXPECT_EQ(value.type, c.type) << c.token;
        EXPECT_EQ(value.pointer, c.payload) << c.token;
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptResolveTest, VariablesOfTheSceneTheGlobalContextAndTheLocalBlock) {
    EXPECT_EQ(target('v', "$x"), local("$x"));
    EXPECT_EQ(target('*', "#x"), local("#x"));
    EXPECT_EQ(target('v', "$study:x"), findOrCreateVariable(&study->script, "$x", nullptr)->value);
    EXPECT_EQ(target('v', "##g"), findOrCreateVariable(&game->script, "##g", nullptr)->value);
    EXPECT_EQ(target('v', "#@"), world.currentTaskSlot);
    EXPECT_EQ(target('v', "#$"), world.currentElementSlot);
    EXPECT_EQ(target('v', "$door")->pointer, door);
    EXPECT_EQ(target('v', "#scene")->pointer, hall);

    ScriptBlock *block = world.scriptPools.newBlock(true);
    world.currentLocalBlock = block;
    ScriptValue *x = target('v', "%x");
    ASSERT_NE(x, nullptr);
    ASSERT_EQ(block->locals->count(), 1);
    EXPECT_EQ(block->locals->get(0)->value, x);
    world.currentLocalBlock = nullptr;
    EXPECT_EQ(resolve('v', "%x").type, kScriptNone);
    EXPECT_EQ(messages, (std::vector<std::string>{"Error: Local variable outside special block - %x"}));
}

TEST_F(ScriptResolveTest, ANameEndingInTwoDigitsIsAlsoAnEntryOfTheArrayOfItsBase) {
    ScriptVariable *third = findOrCreateVariable(&hall->script, "#slot_03", nullptr);
    ScriptValue *slot = local("#slot");
    ASSERT_EQ(slot->type, kScriptArray);
    auto *entries = static_cast<PtrArray<ScriptValue> *>(slot->pointer);
    ASSERT_EQ(entries->count(), 4);
    EXPECT_EQ(entries->get(0), nullptr);
    EXPECT_EQ(entries->get(2), nullptr);
    EXPECT_EQ(entries->get(3), third->value);
    findOrCreateVariable(&hall->script, "#slot_01", nullptr);
    EXPECT_EQ(entries->get(3), third->value);
    EXPECT_NE(entries->get(1), nullptr);
    // Too short, a single digit or no underscore: no array.
    for (const char *name : {"_07", "#a_7", "#b07"})
        findOrCreateVariable(&hall->script, name, nullptr);
    for (const char *base : {"", "#a", "#b0"})
        EXPECT_NE(local(base)->type, kScriptArray) << base;
    // A base name of any length is cut without a fixed buffer.
    std::string longName = "#" + std::string(300, 'n') + "_42";
    findOrCreateVariable(&hall->script, longName.c_str(), nullptr);
    EXPECT_EQ(local(longName.substr(0, longName.size() - 3).c_str())->type, kScriptArray);
}

TEST_F(ScriptResolveTest, IndexedEntriesAreMadeOnlyForWritingAndNeverBeyondTheLimit) {
    EXPECT_EQ(target('v', "#x[1,2]"), nullptr); // no array yet, nothing made for reading
    ScriptValue *entry = target('v', "#x[1,2]", true);
    ASSERT_NE(entry, nullptr);
    auto *entries = static_cast<PtrArray<ScriptValue> *>(local("#x")->pointer);
    ASSERT_EQ(entries->count(), 13);
    EXPECT_EQ(entries->get(12), entry);
    EXPECT_EQ(target('v', "#x[12]"), entry);
    EXPECT_EQ(target('v', "#x[1,2]", true), entry);
    EXPECT_EQ(target('v', "#x[-1]", true), nullptr);
    ScriptValue *lettered = target('v', "#x[1e30]", true); // letters are ignored: entry 130
    EXPECT_EQ(lettered, entries->get(130));

    local("#big")->setNumber(1e30f);
    local("#i")->setNumber(2.5f);
    EXPECT_EQ(target('v', "#x[#big]", true), nullptr);
    ScriptValue *last = target('v', "#x[99999]", true);
    EXPECT_EQ(last, entries->get(99999));
    EXPECT_EQ(target('v', "#x[100000]", true), nullptr);
    EXPECT_EQ(entries->count(), 100000);
    ScriptValue *rounded = target('v', "#x[#i]", true);
    EXPECT_EQ(rounded, entries->get(3)); // 2.5 rounds away from zero
    // A plain value as the base of a write becomes an array.
    local("#n")->setNumber(4.0f);
    EXPECT_NE(target('v', "#n[0]", true), nullptr);
    EXPECT_EQ(local("#n")->type, kScriptArray);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptResolveTest, PropertiesOfScenesFunctionsTasksAndEvents) {
    EXPECT_EQ(target('*', "c'hall.name")->text(), std::string("hall"));
    EXPECT_EQ(target('*', "c'hall.local_name")->text(), std::string("hall"));
    EXPECT_EQ(target('*', "&f.is_defined")->number, 0.0f);
    EXPECT_EQ(target('*', "&f.scene")->pointer, hall);
    EXPECT_EQ(target('*', "@t.is_completed")->number, 0.0f);
    EXPECT_EQ(target('*', "!e.active")->number, 1.0f);
    EXPECT_EQ(target('*', "!!e.scene")->pointer, game);
    // Any other name is a named value, made only for writing: a function is a record of fields.
    EXPECT_EQ(target('*', "&table.width"), nullptr);
    ScriptValue *width = target('v', "&table.width", true);
    ASSERT_NE(width, nullptr);
    width->setNumber(3.0f);
    EXPECT_EQ(target('*', "&table.width")->number, 3.0f);
    ScriptValue *mood = target('v', "c'hall.mood", true);
    EXPECT_EQ(target('*', "c'hall.mood"), mood);
    // ".5" is a property of nothing, not a number.
    ScriptValue half = resolve('*', ".5");
    ASSERT_EQ(half.type, kScriptPropertyRef);
    EXPECT_EQ(resolveValue(&hall->script, &half, false), nullptr);
    // A constant cannot be written.
    ScriptValue five = resolve('*', "5");
    EXPECT_EQ(resolveValue(&hall->script, &five, true), nullptr);
    EXPECT_EQ(resolveValue(&hall->script, &five, false)->number, 5.0f);
}

TEST_F(ScriptResolveTest, ElementPropertiesAndNamedValuesTouchTheElement) {
    EXPECT_EQ(door->scriptTouched, 0);
    EXPECT_EQ(target('*', "$door.x"), &door->x);
    EXPECT_EQ(door->scriptTouched, 1);
    EXPECT_EQ(target('*', "e'door.alpha"), &door->alpha);
    EXPECT_EQ(target('*', "e'door.name"), &door->nameSlot);
    ScriptValue *cut = target('*', "$door.x2");
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->number, 1.0f);
    EXPECT_EQ(target('*', "$door.x1"), cut - 1);
    // Any other name is a named value of the element, made only for writing.
    EXPECT_EQ(target('*', "$door.glow"), nullptr);
    ScriptValue *glow = target('v', "$door.glow", true);
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(door->findNamedValue("glow", false), glow);

    SceneElement *desk = addElement(study, "desk");
    EXPECT_EQ(target('e', "study:desk")->pointer, desk);
    EXPECT_EQ(desk->scriptTouched, 0);
    EXPECT_EQ(target('e', "study::desk")->pointer, desk);
    EXPECT_EQ(desk->scriptTouched, 1);
    EXPECT_EQ(target('*', "$hall:door.y"), &door->y);
    EXPECT_EQ(target('*', "$$grp")->pointer, &group);
    EXPECT_EQ(target('g', "hall:grp")->pointer, &group);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptResolveTest, CrossSceneReferencesNameObjectsOfTheOtherScene) {
    addElement(study, "desk");
    EXPECT_EQ(target('*', "study::$v", true), findOrCreateVariable(&study->script, "$v", nullptr)->value);
    EXPECT_EQ(target('v', "study::#v"), findOrCreateVariable(&study->script, "#v", nullptr)->value);
    EXPECT_EQ(target('*', "study::!ev")->pointer, findOrCreateEvent("ev", &study->script));
    EXPECT_EQ(target('*', "study::&fn")->pointer, findOrCreateFunction("fn", &study->script));
    EXPECT_EQ(target('*', "study::@tk")->pointer, findOrCreateTask("tk", &study->script));
    EXPECT_EQ(target('e', "study::desk")->pointer, study->findElement("desk"));
    EXPECT_EQ(target('*', "::$$grp")->pointer, &group);
    // The name may come from a local.
    ScriptBlock *block = world.scriptPools.newBlock(true);
    world.currentLocalBlock = block;
    ScriptValue *slot = world.scriptPools.newValueSlot();
    resolveParameter(&hall->script, '*', "study::$%which", slot);
    local("%which")->setPointer(kScriptText, names.internOrFind("desk"));
    EXPECT_EQ(resolveValue(&hall->script, slot, false)->pointer, study->findElement("desk"));
    world.currentLocalBlock = nullptr;
    EXPECT_EQ(target('*', "nowhere::$v"), nullptr);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptResolveTest, ConfigurationKeysGiveANumberATextOrNothing) {
    for (const char *token : {"#!door_count", "#?door_count"}) {
        ScriptValue count = resolve('v', token);
        ASSERT_EQ(count.type, kScriptNumber) << token;
        EXPECT_EQ(count.number, 3.0f);
    }
    EXPECT_EQ(resolve('*', "#!minus").number, -2.5f);
    ScriptValue greeting = resolve('v', "#!greeting");
    ASSERT_EQ(greeting.type, kScriptText);
    EXPECT_EQ(greeting.pointer, names.findInterned("hello"));
    EXPECT_EQ(resolve('v', "#!blank").type, kScriptNone);
    EXPECT_EQ(resolve('v', "#?missing").type, kScriptNone);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptResolveTest, BrokenTokensGiveTheirMessageAndNoValue) {
    const std::string longToken(1023, 'z');
    struct Case {
        char letter;
        const char *token;
        std::vector<std::string> messages;
        int32_t type;
    };
    const Case cases[] = {
        {'v', "x", {"Error: Variable reference must start with % or $ or # - x"}, kScriptNone},
        {'*', "foo", {"Error: Cannot resolve parameter of type *: foo"}, kScriptNone},
        {'b', "{x", {"Error: Cannot resolve parameter of type b: {x"}, kScriptNone},
        {'v', "#x1]", {"Error: Invalid indexing - missing ["}, kScriptVariableRef},
        {'*', "hall::y",
         {"Error: Invalid scene object type", "Error: Cannot resolve parameter of type *: hall::y"},
         kScriptNone},
        {'f', "set", {"Error: Command name used as name of function - hall:set"}, kScriptFunction},
        {'*', "&&print", {"Error: Command name used as name of function - hall:print"}, kScriptFunction},
        {'v', "#!a", {}, kScriptNone},             // no configuration entry
        {'v', "#!a.b", {}, kScriptPropertyRef},    // a key never holds a '.': a property of nothing
        {'*', "a.", {"Error: Cannot resolve parameter of type *: a"}, kScriptPropertyRef},
        {'v', longToken.c_str(), {}, kScriptNone},
    };
    for (const Case &c : cases) {
        messages.clear();
        ScriptValue value = resolve(c.letter, c.token);
        EXPECT_EQ(value.type, c.type) << c.token;
        if (c.token != longToken.c_str())
            EXPECT_EQ(messages, c.messages) << c.token;
        else
            EXPECT_EQ(messages.size(), 1u);
    }
}

} // namespace
