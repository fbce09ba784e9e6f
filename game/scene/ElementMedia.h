#pragma once
// What an element shows beyond its picture, set up from its name and its scene-file data once the
// scene is loaded, and the loading and releasing of everything it shows. Loading and unloading are
// balanced: each takes or drops exactly one use of every texture, particle system, video and font.

struct SceneElement;

// Orders and closes the hit polygons and finds their centre; sets the kind flags that the name says
// (HUD, hidden-object HUD, journal, text from the UI table); takes the particle system and an emitter
// of a ".particles" element and the video of a ".ogv" element.
void setupElementMedia(SceneElement *element);

void loadElementImages(SceneElement *element);
void unloadElementImages(SceneElement *element);
// Reads the ".hit" file beside a still or sprite-sheet picture; an element without one, or whose file
// is refused, has no mask and is hit-tested by its rectangle.
void loadHitMask(SceneElement *element);
