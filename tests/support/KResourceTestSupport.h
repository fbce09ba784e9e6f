#pragma once
// Shared by the resource-layer suites: content folders packed by the real archivers (Info-ZIP zip and
// GNU tar), byte surgery on their output, and a clean layer for every test.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "tests/support/TestSupport.h"

namespace lftest {

// Runs a program in a folder; true when it exits with 0.
inline bool runIn(const std::filesystem::path &folder, std::vector<std::string> argv) {
    argv.insert(argv.begin(), {"env", "-C", folder.string()});
    return runProgram(argv) == 0;
}

// Packs the named files and folders of `folder` with Info-ZIP zip, recursing into folders; with a
// password the entries are encrypted. Files ending in .png are stored, others deflated.
inline bool makeZip(const std::filesystem::path &folder, const std::filesystem::path &archive,
                    const std::vector<std::string> &members, const std::string &password = "",
                    const std::vector<std::string> &options = {}) {
    std::vector<std::string> argv = {"zip", "-q", "-r", "-X", "-n", ".png"};
    if (!password.empty())
        argv.insert(argv.end(), {"-P", password});
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(std::filesystem::absolute(archive).string());
    argv.insert(argv.end(), members.begin(), members.end());
    return runIn(folder, argv);
}

// Packs with GNU tar in the given format ("gnu", "ustar", "pax", ...).
inline bool makeTar(const std::filesystem::path &folder, const std::filesystem::path &archive,
                    const std::vector<std::string> &members, const std::string &format = "gnu") {
    std::vector<std::string> argv = {"tar", "--format=" + format, "-cf", std::filesystem::absolute(archive).string()};
    argv.insert(argv.end(), members.begin(), members.end());
    return runIn(folder, argv);
}

inline void writeText(const std::filesystem::path &path, const std::string &text) {
    std::filesystem::create_directories(path.parent_path());
    writeFileText(path, text);
}

// Text that deflates well but is not all one byte.
inline std::string sampleText(size_t size, unsigned seed = 1) {
    std::string text;
    unsigned value = seed;
    while (text.size() < size) {
        value = value * 1103515245u + 12345u;
        text += "line " + std::to_string((value >> 16) % 1000) + " of the lantern keeper's notes\n";
    }
    text.resize(size);
    return text;
}

// Bytes that do not compress.
inline std::vector<unsigned char> noiseBytes(size_t size, unsigned seed = 7) {
    std::vector<unsigned char> bytes(size);
    unsigned value = seed;
    for (auto &b : bytes) {
        value = value * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(value >> 24);
    }
    return bytes;
}

inline std::string asString(const unsigned char *data, uint32_t size) {
    return std::string(reinterpret_cast<const char *>(data), size);
}

// loadResource as a string; "<missing>" when it fails.
inline std::string loadText(const std::string &name) {
    unsigned char *data = nullptr;
    uint32_t size = 0;
    if (!KResource::loadResource(name.c_str(), &data, &size))
        return "<missing>";
    std::string text = asString(data, size);
    EXPECT_EQ(data[size], 0) << "a loaded file ends in a 0 byte";
    std::free(data);
    return text;
}

// An entry loaded through an archive's own slot; "<missing>" when it fails.
inline std::string loadEntry(KResourceArchive &archive, const std::string &name) {
    unsigned char *data = nullptr;
    uint32_t size = 0;
    if (!archive.loadFile(name.c_str(), &data, &size))
        return "<missing>";
    std::string text = asString(data, size);
    EXPECT_EQ(data[size], 0) << "a loaded file ends in a 0 byte";
    std::free(data);
    return text;
}

// A folder-listing callback that appends "name " or "name(folder) " to the std::string it is given.
inline bool appendListing(const char *name, bool isFolder, void *user) {
    *static_cast<std::string *>(user) += std::string(name) + (isFolder ? "(folder) " : " ");
    return true;
}

// Points the data path at a test folder for the length of a test.
class DataPathScope {
public:
    explicit DataPathScope(const std::string &path) {
        std::memcpy(saved_, dataPath, sizeof saved_);
        std::snprintf(dataPath, sizeof dataPath, "%s", path.c_str());
    }
    ~DataPathScope() { std::memcpy(dataPath, saved_, sizeof saved_); }

private:
    char saved_[sizeof dataPath];
};

// Every test starts with no archive mounted, the disk reachable, and an empty log.
class ResourceLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        KResource::removeAllArchives();
        if (!KResource::fileSystemArchive)
            KResource::fileSystemArchive = new KResourceArchiveDirect();
        clearLogContents();
    }
    void TearDown() override { KResource::removeAllArchives(); }

    static bool logHas(const std::string &text) { return getLogContents().find(text) != std::string::npos; }

    // Mounts bytes, written to "copy.pak", through the layer; the mounted archive or null.
    KResourceArchive *mountBytes(const std::vector<unsigned char> &bytes) {
        writeFileBytes(copyPath(), bytes);
        if (KResource::addArchive(copyPath().c_str()) != 0)
            return nullptr;
        return static_cast<KResourceArchive *>(KResource::archives().tail);
    }
    std::string copyPath() const { return (temp / "copy.pak").string(); }

    TempDir temp;
};

} // namespace lftest
