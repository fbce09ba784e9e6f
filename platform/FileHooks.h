#pragma once
// Fault hooks of the file writer (platformReplaceFile, platformDeleteFile and platformRenameFileNoReplace,
// platform/WinBase.h), for tests that a save interrupted anywhere loses nothing saved before. Each
// file-system change the writer makes counts one, from 1: every open for writing, write, flush, sync,
// close, rename and delete; a change that fails fails as on a full disk. Set
// from the environment (read when first needed) or by the C++ setters, which override it; the game
// never sets them.
//
//   LANTERNFALL_FAIL_WRITE=N          the N-th change fails once, as on a full disk
//   LANTERNFALL_FAIL_WRITE=N+         the N-th change and every later one fail, as when the machine stops
//   LANTERNFALL_FAIL_WRITE_OF=NAME    LANTERNFALL_FAIL_WRITE counts only the changes made for the file whose
//                                     name is NAME (the file replaced, deleted or renamed): a test aims at one
//                                     file, whatever is written before it
//   LANTERNFALL_STOP_WRITES_AT=BYTES  the write that passes the BYTES-th byte written (counted from 1 over
//                                     every write) stores only the bytes before it; then it and every
//                                     later change fail: the disk holds what a crash at that byte leaves

#include <cstddef>
#include <cstdint>
#include <string>

// The change that fails (0: none); with andLater, every change after it fails too.
void fileHooksFailChange(int64_t change, bool andLater);
// The byte at which writing stops (0: never).
void fileHooksStopWritesAt(int64_t byte);
// Back to the environment's values, read again; the counts of changes and bytes start again at 0.
void fileHooksReset();
// Changes and bytes counted since the last reset.
int64_t fileHooksChangeCount();
int64_t fileHooksBytesWritten();

// For the writer: while it lives, the changes of the calling thread are made for the file at the path.
class FileHooksFile {
public:
    explicit FileHooksFile(const std::string &path);
    ~FileHooksFile();
    FileHooksFile(const FileHooksFile &) = delete;
    FileHooksFile &operator=(const FileHooksFile &) = delete;
};

// For the writer. Counts one change; true when it is to fail.
bool fileHooksTakeChange();
// Counts one write of `size` bytes: how many of them may be stored, and whether the write fails.
size_t fileHooksTakeWrite(size_t size, bool *fail);
