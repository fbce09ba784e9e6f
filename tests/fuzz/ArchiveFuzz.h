#pragma once
// Shared by the archive fuzz targets: an archive opened on the input, and its contract checked for every
// entry it lists: the size its information gives is the size loading gives and the size reading the
// opened file gives, and a loaded buffer ends in 0.

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/resource/KResourceArchive.h"
#include "engine/resource/KResourceFile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace fuzz {

inline void checkEntry(KResourceArchive &archive, const std::string &name) {
    FileInfo info;
    FUZZ_CHECK(archive.getFileInfo(name.c_str(), &info));
    unsigned char *buffer = nullptr;
    uint32_t size = 0;
    const bool loaded = archive.loadFile(name.c_str(), &buffer, &size);
    if (loaded) {
        FUZZ_CHECK(buffer != nullptr && size == info.size && buffer[size] == 0);
        std::free(buffer);
    }
    KResourceFile *file = archive.openFile(name.c_str());
    if (!file)
        return;
    // Read in pieces, the file gives its whole size and not a byte more.
    std::vector<unsigned char> piece(4096);
    uint64_t left = info.size;
    while (left > 0) {
        const uint32_t count = uint32_t(std::min<uint64_t>(left, piece.size()));
        if (file->read(piece.data(), count) != 0)
            break;
        left -= count;
    }
    if (left == 0)
        FUZZ_CHECK(file->read(piece.data(), 1) != 0);
    if (loaded)
        FUZZ_CHECK(left == 0);
    file->seek(0, 0);
    int32_t position = -1;
    if (file->tell(&position) == 0)
        FUZZ_CHECK(position == 0);
    delete file;
}

// Opens the input as an archive with the password (may be null) and reads every file it lists.
template <typename Archive> int readArchiveInput(const uint8_t *data, size_t size, const char *password) {
    const std::string path = inputFile(data, size, ".pak");
    Archive archive;
    if (archive.openArchive(path.c_str(), 0, password) != 0)
        return 0;
    std::vector<std::pair<std::string, bool>> entries;
    archive.enumerateEntries(
        [](const char *name, bool isFolder, void *user) {
            static_cast<decltype(entries) *>(user)->emplace_back(name, isFolder);
            return true;
        },
        &entries);
    for (const auto &[name, isFolder] : entries) {
        if (!isFolder && name.size() <= kResourceNameMax)
            checkEntry(archive, name);
    }
    archive.enumerateFolder("", [](const char *, bool, void *) { return true; }, nullptr);
    return 0;
}

// Files for the archive seeds, written in `folder`: text, a compressible picture-like run and random-looking
// bytes, in a sub-folder too.
inline void writeArchiveContent(const std::filesystem::path &folder) {
    std::filesystem::create_directories(folder / "data" / "scenes");
    lftest::writeFileText(folder / "data" / "scenes.cfg", "scene intro\nscene hall\n");
    lftest::writeFileText(folder / "data" / "scenes" / "hall.scene", std::string(3000, 'a') + "\nend\n");
    std::vector<unsigned char> noise(700);
    uint32_t state = 7;
    for (unsigned char &byte : noise) {
        state = state * 1103515245u + 12345u;
        byte = uint8_t(state >> 16);
    }
    lftest::writeFileBytes(folder / "data" / "noise.bin", noise);
}

// Zip seeds of that content, stored and deflated, made by Info-ZIP (with the password when given).
inline void addZipSeeds(SeedFolder &seeds, const std::string &prefix, const char *password) {
    const std::filesystem::path content = seeds.scratch("content");
    writeArchiveContent(content);
    for (const char *level : {"-0", "-6"}) {
        const std::string name = prefix + level + ".zip";
        std::vector<std::string> command = {"/usr/bin/env", "-C", content.string(), "zip", "-q", "-X", level, "-r"};
        if (password)
            command.insert(command.end(), {"-P", password});
        command.insert(command.end(), {seeds.scratch(name).string(), "data"});
        seeds.run(command);
        seeds.addFile(name, seeds.scratch(name));
    }
}

} // namespace fuzz
