#pragma once
// What the POSIX file store leaves to the system under it: plain POSIX for the terminal build
// (posix/StoreSync.cpp), the browser's own storage for the page (web/StoreSync.cpp), where the
// file system is an in-memory copy per tab that knows no locks.

#include <string>

namespace numerion::posix {

// Around each use of a file under its lock, before it is opened and after it is closed: the
// browser takes a lock across its tabs there and fetches the stored file afresh.
void beginLockedUse();
void endLockedUse();

// A file was just renamed or linked into place under path: makes its name last as its content
// does (the directory synced; in the browser the file stored). False when it is not known to.
bool makeLasting(const std::string& path);

}  // namespace numerion::posix
