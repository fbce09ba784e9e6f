#pragma once
// The byte source a video clip reads from. The clip that is made over a source owns it and deletes it
// with itself. Positions and sizes are 64-bit; the count of one read is an int.

#include <cstdint>
#include <string>

class TheoraDataSource {
public:
    virtual ~TheoraDataSource() = default;
    // Copies up to n bytes from the current position; the number delivered, 0 at the end of the data.
    virtual int read(void *buffer, int n) = 0;
    // A name for the log.
    virtual std::string repr() = 0;
    // From the start. A position the source cannot reach is refused: the position stays where it was.
    virtual void seek(int64_t position) = 0;
    virtual int64_t size() = 0;
    virtual int64_t tell() = 0;
};
