#pragma once

#include "core/host_file.h"
#include "core/output_file.h"

#include <string>

namespace courseeval {

// Keeps other runs out of a data folder while a run writes it: the operating system's exclusive lock on
// the folder itself (where the host can lock a folder) and on the run's action log, taken without adding a
// file. The locks end with the process however it ends. They are advisory: they keep out other runs, not
// other programs, and anyone who may read the log or the folder can take them.
//
// A lock on the log holds only for as long as the log's name names the locked file. A run checks that
// right after locking and again before it is done, and a run that finds its log removed or replaced
// (someone took it for a stale lock file, say) ends with an error rather than report as done a folder that
// another run may have written meanwhile.
class FolderLock {
public:
    // Locks the folder at the host path `folder` and its action log at `logPath`, which is opened (created
    // when missing) and then emptied. "another run is using <folder>" when another process holds either.
    FolderLock(const std::string& folder, const std::string& logPath, std::string logName);
    FolderLock(FolderLock&&) noexcept = default;
    FolderLock& operator=(FolderLock&&) = delete;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock() = default;

    // The action log, empty, to be written while the lock is held.
    OutputFile openLog() const;
    // Checks that the log is still the locked file, then lets other runs in.
    void release();

private:
    void requireLogStillLocked() const;

    HostFile folder_;
    HostFile log_;
    FileStatus logStatus_;
    std::string logName_;
};

} // namespace courseeval
