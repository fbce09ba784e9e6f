#include "platform/ShellApi.h"
#include "platform/WinBase.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

namespace {

std::string homeFolder() {
    const char *home = std::getenv("HOME");
    if (home && *home)
        return home;
    struct passwd record {};
    struct passwd *found = nullptr;
    char buffer[4096];
    if (getpwuid_r(geteuid(), &record, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

std::string withoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// An XDG variable when it holds an absolute path, else the fallback under the home folder.
std::string xdgFolder(const char *variable, const char *fallbackUnderHome) {
    const char *value = std::getenv(variable);
    if (value && value[0] == '/')
        return withoutTrailingSeparator(value);
    std::string home = homeFolder();
    if (home.empty())
        return {};
    return withoutTrailingSeparator(home) + "/" + fallbackUnderHome;
}

std::string createdOrEmpty(const std::string &folder, bool create) {
    if (folder.empty() || (create && !platformCreateFolderTree(folder.c_str())))
        return {};
    return folder;
}

// XDG_DOCUMENTS_DIR="$HOME/Documents" from the user-dirs file; empty when absent.
std::string documentsFromUserDirs() {
    std::ifstream file(xdgFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(file, line)) {
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        const std::string homePrefix = "$HOME";
        if (value.compare(0, homePrefix.size(), homePrefix) == 0)
            value = homeFolder() + value.substr(homePrefix.size());
        if (!value.empty() && value[0] == '/')
            return withoutTrailingSeparator(value);
    }
    return {};
}

bool looksLikeUrl(const std::string &target) {
    size_t colon = target.find("://");
    return (colon != std::string::npos && colon > 0) || target.compare(0, 7, "mailto:") == 0;
}

std::string fileUrl(const std::string &path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        bool plain = std::isalnum(c) || std::strchr("/-_.~", c) != nullptr;
        if (plain) {
            url.push_back(static_cast<char>(c));
        } else {
            url.push_back('%');
            url.push_back(hex[c >> 4]);
            url.push_back(hex[c & 15]);
        }
    }
    return url;
}

} // namespace

std::string platformGetAppDataFolder(bool create) {
    return createdOrEmpty(xdgFolder("XDG_DATA_HOME", ".local/share"), create);
}

std::string platformGetDocumentsFolder(bool create) {
    std::string folder = documentsFromUserDirs();
    if (folder.empty()) {
        std::string home = homeFolder();
        if (home.empty())
            return {};
        folder = withoutTrailingSeparator(home) + "/Documents";
    }
    return createdOrEmpty(folder, create);
}

std::string platformGetUserName() {
    struct passwd record {};
    struct passwd *found = nullptr;
    char buffer[4096];
    if (getpwuid_r(geteuid(), &record, buffer, sizeof buffer, &found) == 0 && found && found->pw_name)
        return found->pw_name;
    const char *user = std::getenv("USER");
    return user ? user : "";
}

std::shared_ptr<PlatformOpener> platformOpenDocument(const char *target) {
    if (!target || !*target)
        return PlatformOpener::refused("nothing to open");
    std::string argument = target;
    if (!looksLikeUrl(argument)) {
        std::string path = platformFindPathNoCase(argument);
        argument = fileUrl(path.empty() ? platformNormalizePath(argument) : path);
    }
    return PlatformOpener::start("xdg-open", argument);
}
