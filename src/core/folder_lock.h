#pragma once

#include <string>

namespace courseeval {

// Keeps other runs out of a data folder for as long as it lives: an exclusive lock on one file of the
// folder (the run's action log), taken without changing that file and without adding one. The lock is
// the operating system's (flock on POSIX, a byte-range lock on Windows), so it ends with the process
// however the process ends.
class FolderLock {
public:
    // Locks the folder `folder` through its file `path`, which is created empty when missing and never
    // truncated. Throws a RunError "another run is using <folder>" when another process holds the lock,
    // and "cannot create '<path>': <cause>" when the file cannot be opened. Where the file system has no
    // locks at all, the run goes on unlocked.
    FolderLock(const std::string& folder, const std::string& path);
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock();

private:
    int descriptor_;
};

} // namespace courseeval
