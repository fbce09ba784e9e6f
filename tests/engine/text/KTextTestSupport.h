#pragma once
// Shared by the text suites: fonts made by lf-font from DejaVu Sans, hand-written descriptions, an
// independent reader of ".ktext" files (so expectations do not come from the code under test), and a
// data folder pointed at the test's scratch folder.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "engine/text/KText.h"
#include "engine/text/KTextEncoding.h"
#include "tests/support/FontTestSupport.h"
#include "tests/support/TestSupport.h"

namespace lftest {

// One glyph line of a description, read with the stream library.
struct GlyphLine {
    long code, left, top, right, bottom, advance, lineHeight, page, offsetX, offsetY;
};

struct Description {
    long version = 0, pages = 0, glyphs = 0;
    std::vector<GlyphLine> lines;
    std::map<long, GlyphLine> byCode;
};

inline Description readDescriptionFile(const std::string &path) {
    Description d;
    std::ifstream in(path);
    std::string magic;
    in >> magic >> d.version >> d.pages >> d.glyphs;
    GlyphLine g;
    while (in >> g.code >> g.left >> g.top >> g.right >> g.bottom >> g.advance >> g.lineHeight >> g.page >>
           g.offsetX >> g.offsetY) {
        d.lines.push_back(g);
        d.byCode[g.code] = g;
    }
    return d;
}

// Points the data path at a folder for the length of a test, with the disk reachable.
class DataFolderScope {
public:
    explicit DataFolderScope(const std::string &path) {
        std::memcpy(saved_, dataPath, sizeof saved_);
        std::snprintf(dataPath, sizeof dataPath, "%s", path.c_str());
        if (!KResource::fileSystemArchive)
            KResource::fileSystemArchive = new KResourceArchiveDirect();
    }
    ~DataFolderScope() { std::memcpy(dataPath, saved_, sizeof saved_); }

private:
    char saved_[sizeof dataPath];
};

// Engine-wide text settings restored after each test.
class TextSettingsScope {
public:
    TextSettingsScope() : encoding_(defaultTextEncoding), pages_(textGlyphPages) {}
    ~TextSettingsScope() {
        defaultTextEncoding = encoding_;
        textGlyphPages = pages_;
    }

private:
    int32_t encoding_;
    bool pages_;
};

inline bool logHas(const std::string &text) { return getLogContents().find(text) != std::string::npos; }

} // namespace lftest
