#pragma once
// Reading a scene's content: its scene file (the wide-screen variant while the game runs wide, else
// the plain one; a template of that name when the scene's folder has neither) with the files it
// includes, the zoom-zone template that a zoom zone's background size selects, the parent-first
// update order, and the template root's offset.

class HoScene;

// Reads one scene file (folder/name) into the scene; false when neither it nor a template of its name could
// be read, which leaves the scene as it was.
bool loadSceneFile(HoScene *scene, const char *folder, const char *name);
// The whole load of the scene's content, before its properties are applied.
void loadSceneContent(HoScene *scene);
