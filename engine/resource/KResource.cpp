#include "engine/resource/KResource.h"

#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "engine/resource/KResourceArchiveTar.h"
#include "engine/resource/KResourceArchiveZip.h"
#include "engine/resource/KResourceProblems.h"
#include "engine/system/KSystem.h"
#include "platform/WinBase.h"

const char kResourceArchivePassword[] = "Hd8KqW2mZr5TfN7xLc3VbP9sYj4GuE6aRo1MwQ0tXk8nJi5zUe2DyB7pCv3F";

KResourceArchive *KResource::fileSystemArchive = nullptr;
bool KResource::logOpens = false;

namespace {

KObjectList archiveList;
// Reads on other threads (pictures made ahead) walk the list while the main thread may mount or unmount.
std::shared_mutex archiveListLock;

// Unmounts what is left at process exit, after the game's own shutdown has usually done it already.
struct CleanupAtExit {
    ~CleanupAtExit() { KResource::cleanup(); }
} cleanupAtExit;

enum class Answer { none, archive, fileSystem };

char foldName(char c) {
    if (c == '\\')
        return '/';
    if (c >= 'A' && c <= 'Z')
        return static_cast<char>(c + ('a' - 'A'));
    return c;
}

// The name without a leading data path (in any letter case and with either separator), and without
// one separator after it.
const char *withoutDataPath(const char *name) {
    size_t length = std::strlen(dataPath);
    for (size_t i = 0; i < length; i++) {
        if (name[i] == 0 || foldName(name[i]) != foldName(dataPath[i]))
            return name;
    }
    const char *rest = name + length;
    if (*rest == '/' || *rest == '\\' || *rest == ':')
        rest++;
    return rest;
}

// Copies a name with '/' separators; a name that does not fit is refused, never cut.
bool copyName(const char *name, char (&buffer)[kResourceNameMax + 1]) {
    size_t length = std::strlen(name);
    if (length > kResourceNameMax) {
        logMessage("Resource: name '%s' is longer than %d characters, ERROR", name,
                   static_cast<int>(kResourceNameMax));
        return false;
    }
    for (size_t i = 0; i < length; i++)
        buffer[i] = name[i] == '\\' ? '/' : name[i];
    buffer[length] = 0;
    return true;
}

// Asks every mounted archive, head first, then the disk; `ask` returns true when an archive answered.
template <typename Ask> Answer search(const char *name, Ask ask) {
    if (!name)
        return Answer::none;
    std::shared_lock<std::shared_mutex> reading(archiveListLock);
    char buffer[kResourceNameMax + 1];
    if (archiveList.head) {
        if (!copyName(withoutDataPath(name), buffer))
            return Answer::none;
        for (KObjectListable *node = archiveList.head; node; node = node->next) {
            if (ask(static_cast<KResourceArchive *>(node), buffer))
                return Answer::archive;
        }
    }
    if (!KResource::fileSystemArchive || !copyName(name, buffer))
        return Answer::none;
    return ask(KResource::fileSystemArchive, buffer) ? Answer::fileSystem : Answer::none;
}

void logOpen(const char *name, Answer answer) {
    if (!KResource::logOpens)
        return;
    if (answer == Answer::archive)
        logMessage("Resource: opened '%s' (archive)", name);
    else if (answer == Answer::fileSystem)
        logMessage("Resource: opened '%s' (filesystem)", name);
    else
        logMessage("Resource: failed to open '%s'", name ? name : "");
}

template <typename Archive> bool mount(const char *path) {
    auto *archive = new Archive();
    if (archive->openArchive(path, 0, kResourceArchivePassword) != 0) {
        delete archive;
        return false;
    }
    KResource::linkArchive(archive);
    return true;
}

} // namespace

int32_t KResource::addArchive(const char *path) {
    if (!path)
        path = "";
    if (mount<KResourceArchiveZip>(path) || mount<KResourceArchiveTar>(path))
        return 0;
    logMessage("Resource: missing archive '%s'", path);
    // The log says missing either way; the player is told whether the file is there at all.
    PlatformFileAttributes attributes;
    const bool present = platformGetFileAttributes(path, &attributes) && !attributes.isFolder;
    const char *problem = present ? "' is damaged: it cannot be read as a zip or tar archive" : "' is missing";
    noteResourceProblem(path, "the archive '" + std::string(path) + problem);
    return ERROR_ARCHIVE_MISSING;
}

void KResource::linkArchive(KResourceArchive *archive) {
    std::lock_guard<std::shared_mutex> changing(archiveListLock);
    archiveList.append(archive);
}

const KObjectList &KResource::archives() {
    return archiveList;
}

void KResource::removeAllArchives() {
    std::lock_guard<std::shared_mutex> changing(archiveListLock);
    while (KObjectListable *head = archiveList.head) {
        archiveList.unlink(head);
        delete static_cast<KResourceArchive *>(head);
    }
}

void KResource::cleanup() {
    removeAllArchives();
    std::lock_guard<std::shared_mutex> changing(archiveListLock);
    delete fileSystemArchive;
    fileSystemArchive = nullptr;
}

int32_t KResource::openResource(KResourceFile **file, const char *name) {
    if (!file)
        return ERROR_RESOURCE_NOT_FOUND;
    delete *file;
    *file = nullptr;
    KResourceFile *opened = nullptr;
    Answer answer = search(name, [&opened](KResourceArchive *archive, const char *entry) {
        opened = archive->openFile(entry);
        return opened != nullptr;
    });
    logOpen(name, answer);
    *file = opened;
    return opened ? 0 : ERROR_RESOURCE_NOT_FOUND;
}

bool KResource::loadResource(const char *name, unsigned char **buffer, uint32_t *size) {
    if (!buffer || !size)
        return false;
    *buffer = nullptr;
    *size = 0;
    Answer answer = search(name, [buffer, size](KResourceArchive *archive, const char *entry) {
        return archive->loadFile(entry, buffer, size);
    });
    logOpen(name, answer);
    return answer != Answer::none;
}

bool KResource::getFileInfo(const char *name, FileInfo *info) {
    if (!info)
        return false;
    return search(name, [info](KResourceArchive *archive, const char *entry) {
               return archive->getFileInfo(entry, info);
           }) != Answer::none;
}
