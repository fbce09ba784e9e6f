#pragma once
// The script texts that an element's name generates: a portal, an inventory pickup, a hidden-object
// entry and the like each become a task or action of the element that includes a script of the game's
// data (task_portal, task_inventory ...). Each text is parsed under its own script name, so that the
// parser's messages say which rule made it.

#include <string>

enum class GeneratedTask {
    ZoomItem,  // "iz_" elements
    Inventory, // ":inventory" pickups
    Portal,    // "portal_" elements
    HoEntry,   // "ho" and "ho_" elements of a location
    ZoomZone,  // "zz_" elements
    MultiHo,   // "mho" elements
    Dialog,    // "dialog_" elements
};

// The text for the element; hoScene (the hidden-object scene's name) fills the rules that set the
// task's "ho_scene" in its init block and is ignored by the others.
std::string generatedTaskText(GeneratedTask task, const char *elementName, const char *hoScene = "");
// "inline task_iz" and so on.
const char *generatedTaskScriptName(GeneratedTask task);
