#pragma once
// The user's special folders, the login name and opening a URL or document, as the shell offers them.
// Folders follow the XDG base-directory rules; paths are UTF-8 without a trailing separator.

#include <memory>
#include <string>

#include "platform/PlatformOpener.h"

// $XDG_DATA_HOME, else ~/.local/share; created when missing (unless `create` is false). Empty when it
// cannot be named or made.
std::string platformGetAppDataFolder(bool create = true);
// The XDG documents folder (XDG_DOCUMENTS_DIR of $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Documents);
// created when missing (unless `create` is false). Empty when it cannot be named or made.
std::string platformGetDocumentsFolder(bool create = true);
// The login name of the user running the program; empty when the system gives none.
std::string platformGetUserName();
// Opens a URL, or a file path as a file: URL, with the desktop's opener (xdg-open, started without a
// shell and not waited for): whether it took it is told later by the opener returned (failed at once when
// there is nothing to open or the opener cannot be started).
std::shared_ptr<PlatformOpener> platformOpenDocument(const char *target);
