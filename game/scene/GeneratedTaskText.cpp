#include "game/scene/GeneratedTaskText.h"

#include <cstdio>

namespace {

struct TaskTextRule {
    const char *format; // the element's name twice, then the hidden-object scene where the rule has one
    const char *scriptName;
};

const TaskTextRule &ruleOf(GeneratedTask task) {
    static const TaskTextRule rules[] = {
        {"action %s $%s { include task_iz }", "inline task_iz"},
        {"task %s $%s { include task_inventory }", "inline task_inventory"},
        {"action %s $%s { include task_portal }", "inline task_portal"},
        {"task %s $%s { \n init { \n set #@.ho_scene c'%s \n } \n include task_ho \n }", "inline task_ho"},
        {"task %s $%s { include task_zz }", "inline task_zz"},
        {"task %s $%s { \n init { \n set #@.ho_scene c'%s \n } \n include task_mho \n }", "inline task_mho"},
        {"task %s $%s { include task_dialog }", "inline task_dialog"},
    };
    return rules[int(task)];
}

} // namespace

std::string generatedTaskText(GeneratedTask task, const char *elementName, const char *hoScene) {
    const char *format = ruleOf(task).format;
    const char *name = elementName ? elementName : "";
    const char *scene = hoScene ? hoScene : "";
    int length = std::snprintf(nullptr, 0, format, name, name, scene);
    std::string text(size_t(length > 0 ? length : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, format, name, name, scene);
    return text;
}

const char *generatedTaskScriptName(GeneratedTask task) {
    return ruleOf(task).scriptName;
}
