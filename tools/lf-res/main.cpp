// lf-res: looks into a game archive as the engine sees it, mounted through the resource layer with
// the game's archive password.
//
//   lf-res ls ARCHIVE         every entry name, one a line, in archive order
//   lf-res cat ARCHIVE NAME   the entry's bytes on standard output
//
// Exit status 0 on success, 1 on any failure with the reason (and the errors the engine reported) on
// standard error. A tar archive with a damaged header is refused, though the game would serve the entries
// before the damage.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveTar.h"
#include "engine/system/KSystemLog.h"
#include "tools/ToolCommandLine.h"

namespace {

constexpr char kUsage[] = "usage: lf-res ls ARCHIVE\n       lf-res cat ARCHIVE NAME\n";

// The engine's errors explain what failed inside the archive; they are left out where they would mislead.
int fail(const std::string &reason, bool withLog = true) {
    if (withLog)
        std::fputs(tool::engineProblems(getLogContents()).c_str(), stderr);
    std::fprintf(stderr, "lf-res: %s\n", reason.c_str());
    KResource::cleanup();
    return 1;
}

// Mounts the archive as the game does; a file that is missing or is no archive is called so.
int mount(const char *archivePath) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(archivePath, error))
        return fail(std::string("no such file '") + archivePath + "'", false);
    if (KResource::addArchive(archivePath) != 0)
        return fail(std::string("'") + archivePath + "' is neither a zip nor a tar archive", false);
    const auto *archive = static_cast<KResourceArchive *>(KResource::archives().head);
    const auto *tar = dynamic_cast<const KResourceArchiveTar *>(archive);
    if (tar && !tar->damage().empty())
        return fail(std::string("'") + archivePath + "' is damaged: " + tar->damage(), false);
    return 0;
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

} // namespace

int main(int argc, char **argv) {
    if (tool::asksForHelp(argc, argv))
        return tool::printUsage(kUsage);
    const bool listing = argc >= 2 && std::strcmp(argv[1], "ls") == 0;
    const bool printing = argc >= 2 && std::strcmp(argv[1], "cat") == 0;
    if (!listing && !printing)
        return tool::usageError("lf-res", tool::unknownWord(argc, argv), kUsage);
    if (argc != (listing ? 3 : 4))
        return tool::usageError("lf-res", listing ? "ls takes ARCHIVE" : "cat takes ARCHIVE and NAME", kUsage);
    const char *archivePath = argv[2];
    if (mount(archivePath) != 0)
        return 1;
    auto *archive = static_cast<KResourceArchive *>(KResource::archives().head);
    int status = listing ? list(archive) : print(archive, archivePath, argv[3]);
    KResource::cleanup();
    return status;
}
