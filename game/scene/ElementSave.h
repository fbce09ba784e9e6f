#pragma once
// The saved forms of an element and of its pick record, each one function for both directions: the
// stream's writing flag decides whether the fields are written or read back, and the stream's version
// leaves out the fields that writers added later. Any field that fails fails the whole call at once.

class SaveStream;
struct ElementPickInfo;
struct SceneElement;

// The element's state in a saved game (nothing before version 10): its frame animation, the changes
// asked of the next update, its flags and handler data, its particle emitter as the element whose
// particle system it shows, the element whose picture it shows, its sound and its text. Sets the
// element's script-touched flag first, in both directions. Reading restarts the emitter from the named
// element's particle system and takes up the named element's picture.
bool serializeElement(SceneElement *element, SaveStream &stream);
// Reading: starts fetching the parts of the element that its state is read into, so that a reader
// that knows which element comes next has them in the cache when it gets there.
void prefetchSavedElement(const SceneElement *element);

// The pick record in a saved game: found, disappearance and strike-through state and the screen
// rectangle; from version 13 the taken and was-listed flags.
bool serializeElementPickInfo(ElementPickInfo *pickInfo, SaveStream &stream);
