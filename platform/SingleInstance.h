#pragma once
// One running copy of the game per user: the first start holds a lock file in the given folder and
// listens on a local socket; a later start finds the lock taken and asks the first, through the socket,
// to restore and raise its window, then ends.

#include <string>

enum class SingleInstanceClaim {
    first,   // this process now holds the lock (or already held it)
    another, // another process holds it and has been asked to raise its window
    failed,  // the lock could not be made (the caller goes on as the only copy)
};

// `name` names the lock; it is kept to letters, digits, '_', '-' and '.' in the file name.
SingleInstanceClaim platformClaimSingleInstance(const std::string &folder, const std::string &name);

// For the first process, called from the window's message pump: true once for every later start that
// asked since the last call. Never blocks.
bool platformTakeRaiseRequest();

// Whether this process holds the lock now.
bool platformHoldsSingleInstance();

// Gives the lock and the socket up (the process's end does the same).
void platformReleaseSingleInstance();
