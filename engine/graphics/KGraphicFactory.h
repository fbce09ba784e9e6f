#pragma once
// The process-wide renderer type and the two factories that make pictures and vertex batches of that
// renderer. Every part of the engine and the game creates them here, never by naming a backend class.

#include <cstdint>
#include <string>
#include <vector>

class KBatch;
class KGraphic;

// -1 until the game sets it: 0 Direct3D 8, 1 OpenGL, 3 Direct3D 9; any other value makes nothing.
int32_t getRendererType();
void setRendererType(int32_t type);

// A new object of the current renderer type, owned by the caller; null for any other type or when memory
// runs out.
KGraphic *createKGraphic();
KBatch *createKBatch();

// Pictures of the current renderer made ahead from files on worker threads (KGraphicPrefetch.h), when its
// pictures can be made off the drawing thread (Direct3D 9 and 8); nothing otherwise.
void prefetchKGraphics(const std::vector<std::string> &files);
// The picture made ahead from the file, owned by the caller, or null: the caller loads it then.
KGraphic *takePrefetchedKGraphic(const char *file);
// Deletes the pictures made ahead that nobody took.
void discardPrefetchedKGraphics();
// Pictures asked for ahead are still queued or being made.
bool prefetchingKGraphics();
// Pictures made ahead for these files only: those of other files are deleted, these are made unless they
// are made or being made already.
void retargetPrefetchedKGraphics(const std::vector<std::string> &files);
// The picture of a file, as loadImageFile(file, 0) loads it: the one made ahead when there is one, else
// one loaded now; null when it does not load.
KGraphic *loadKGraphic(const char *file);
