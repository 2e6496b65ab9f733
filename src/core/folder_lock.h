#pragma once

#include "core/host_folder.h"
#include "core/output_file.h"

#include <string>
#include <string_view>

namespace courseeval {

// Keeps other runs out of a data folder while a run writes it: the operating system's exclusive lock on
// the folder itself (where the host can lock a folder) and on the run's action log, taken without adding a
// file. The locks end with the process however it ends. They are advisory: they keep out other runs, not
// other programs, and anyone who may read the log or the folder can take them.
//
// A lock on the log holds only for as long as the log's name names the locked file, and on a file system
// whose clients lock only for themselves, a run elsewhere may not see it. A run checks right after locking
// that the log is the locked file, and before it is done that the log is still that file and holds exactly
// what the run wrote to it; a run that finds otherwise (its log removed or replaced, or written by another
// run) ends with an error rather than report as done a folder that another run may have written meanwhile.
class FolderLock {
public:
    // Locks `folder`, which must outlive the lock, and its action log `logFileName`, which is opened
    // (created when missing) and then emptied; errors name the log `path`, the log itself `logName`.
    // "another run is using <folder>" when another process holds either.
    FolderLock(HostFolder& folder, std::string_view logFileName, const std::string& path,
               std::string logName);
    FolderLock(FolderLock&&) noexcept = default;
    FolderLock& operator=(FolderLock&&) = delete;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock() = default;

    // The action log, empty, to be written while the lock is held. It is the locked file itself, which
    // release() closes.
    OutputFile& log() { return log_; }
    // Checks that the log is still the locked file and holds exactly `written`, all that the run wrote to
    // it, then closes it and lets other runs in.
    void release(std::string_view written);
    // The locked log, as the folder gave its status when it was locked.
    const FileStatus& logStatus() const { return logStatus_; }

private:
    // Takes the locks and opens the log: the locked file, emptied, whose status goes to logStatus_.
    HostFile lockLog(const std::string& path);
    [[noreturn]] void lost(std::string_view cause) const;

    HostFolder* folder_;
    std::string logFileName_;
    FileStatus logStatus_;
    OutputFile log_;
};

// Ends the run with "lost the lock on '<log>': the file was removed or replaced ..." unless the file
// `logFileName` of `folder` is still the log locked with status `locked`: a second run may be in the folder.
void requireLogStillLocked(const HostFolder& folder, std::string_view logFileName, const FileStatus& locked);

} // namespace courseeval
