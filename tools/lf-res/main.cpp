// lf-res: looks into a game archive as the engine sees it, mounted through the resource layer with
// the game's archive password.
//
//   lf-res ls ARCHIVE         every entry name, one a line, in archive order
//   lf-res cat ARCHIVE NAME   the entry's bytes on standard output
//
// Exit status 0 on success, 1 on any failure with the reason (and the engine's log) on standard error.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/resource/KResource.h"
#include "engine/system/KSystemLog.h"

namespace {

int fail(const std::string &reason) {
    std::string log = getLogContents();
    std::fputs(log.c_str(), stderr);
    std::fprintf(stderr, "lf-res: %s\n", reason.c_str());
    KResource::cleanup();
    return 1;
}

bool printName(const char *name, bool, void *) {
    return std::printf("%s\n", name) >= 0;
}

int list(KResourceArchive *archive) {
    if (!archive->enumerateEntries(printName, nullptr) || std::fflush(stdout) != 0)
        return fail("cannot write the listing");
    return 0;
}

int print(KResourceArchive *archive, const char *archivePath, std::string name) {
    for (char &c : name) {
        if (c == '\\')
            c = '/';
    }
    unsigned char *data = nullptr;
    uint32_t size = 0;
    if (name.size() > kResourceNameMax || !archive->loadFile(name.c_str(), &data, &size))
        return fail("cannot read '" + name + "' from '" + archivePath + "'");
    bool written = std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
    std::free(data);
    if (!written)
        return fail("cannot write '" + name + "' to standard output");
    return 0;
}

int usage() {
    std::fputs("usage: lf-res ls ARCHIVE\n       lf-res cat ARCHIVE NAME\n", stderr);
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    bool listing = argc == 3 && std::strcmp(argv[1], "ls") == 0;
    bool printing = argc == 4 && std::strcmp(argv[1], "cat") == 0;
    if (!listing && !printing)
        return usage();
    const char *archivePath = argv[2];
    if (KResource::addArchive(archivePath) != 0)
        return fail(std::string("cannot open '") + archivePath + "' as an archive");
    auto *archive = static_cast<KResourceArchive *>(KResource::archives().head);
    int status = listing ? list(archive) : print(archive, archivePath, argv[3]);
    KResource::cleanup();
    return status;
}
