#include "game/scene/GeneratedTaskText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(GeneratedTaskText, EveryRuleWritesItsTextUnderItsScriptName) {
    struct Case {
        GeneratedTask task;
        const char *hoScene;
        std::string text;
        std::string scriptName;
    } cases[] = {
        {GeneratedTask::ZoomItem, "", "action iz_lamp $iz_lamp { include task_iz }", "inline task_iz"},
        {GeneratedTask::Inventory, "", "task iz_lamp $iz_lamp { include task_inventory }", "inline task_inventory"},
        {GeneratedTask::Portal, "", "action iz_lamp $iz_lamp { include task_portal }", "inline task_portal"},
        {GeneratedTask::HoEntry, "hall_iz_lamp",
         "task iz_lamp $iz_lamp { \n init { \n set #@.ho_scene c'hall_iz_lamp \n } \n include task_ho \n }",
         "inline task_ho"},
        {GeneratedTask::ZoomZone, "", "task iz_lamp $iz_lamp { include task_zz }", "inline task_zz"},
        {GeneratedTask::MultiHo, "hall_iz_lamp",
         "task iz_lamp $iz_lamp { \n init { \n set #@.ho_scene c'hall_iz_lamp \n } \n include task_mho \n }",
         "inline task_mho"},
        {GeneratedTask::Dialog, "", "task iz_lamp $iz_lamp { include task_dialog }", "inline task_dialog"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(generatedTaskText(c.task, "iz_lamp", c.hoScene), c.text);
        EXPECT_EQ(generatedTaskScriptName(c.task), c.scriptName);
    }
}

} // namespace
