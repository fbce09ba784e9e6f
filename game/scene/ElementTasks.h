#pragma once
// The behaviour that an element's name gives it without any script: a portal, a pickup, the entry to
// a hidden-object or zoom-zone scene, a dialog, a minigame entry, an item of a hidden-object search.
// Each rule that applies makes the element's links to the scenes it names, its named values, and the
// generated task or action text, parsed at the front of the scene's scripts.

struct SceneElement;

// Runs the rules in order for the element (several may apply), after its media are set up.
void generateElementTasks(SceneElement *element);
