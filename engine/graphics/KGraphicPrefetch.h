#pragma once
// Pictures made ahead. When the game knows which picture files it is about to load (those of a scene it is
// changing to), worker threads, as many as the processors the process may use, make the pictures
// meanwhile, and the load that follows takes the finished picture instead of reading, decoding and
// uploading the file itself on the drawing thread. The workers give way to the drawing of frames
// (platform/BackgroundWork.h). A picture is made exactly as loadImageFile(file, 0)
// makes it, by the renderer whose pictures may be made on any thread (Direct3D 9 and 8); the others make
// none. The workers keep quiet: a picture that does not load is dropped, and the load that follows goes
// the usual way and reports the failure once.

#include <functional>
#include <string>
#include <vector>

class KGraphic;

class KGraphicPrefetch {
public:
    // Makes a picture from a file on a worker thread; null when it does not load.
    using Maker = std::function<KGraphic *(const std::string &file)>;

    // Queues the files not queued or made yet, in their order, for the maker.
    static void request(const std::vector<std::string> &files, const Maker &maker);
    // The picture made from the file, owned by the caller from now on; waits while a worker makes it. Null
    // when the file was not asked for, did not load, or no worker has started on it yet (it is taken off
    // the queue: the caller loads it).
    static KGraphic *take(const char *file);
    // Deletes the pictures not taken and forgets the queue; a picture being made is deleted when done.
    static void discard();
    // The same for every file but those listed, which stay queued, in hand or made.
    static void discardExcept(const std::vector<std::string> &files);
    // Discards, waits for the pictures being made and ends the workers (before the device goes).
    static void stop();
    // Some picture asked for is queued or being made.
    static bool working();
    // For tests: files queued, being made or made and not taken; pictures made and not taken.
    static size_t pending();
    static size_t made();
};
