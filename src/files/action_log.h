#pragma once

#include "files/host.h"
#include "files/output_file.h"

#include <string>
#include <string_view>

namespace courseeval {

// How a file named in the log was opened.
enum class OpenedFor { input, output };

// The run's action log, and with it the run's lock on its data folder. One line per entry, in run order, no
// header, stamps or levels, each entry in the bytes storedBytes() gives and handed to the operating system
// as soon as it is written, so the log shows how far a run got even when the run ends in an error. An entry
// that says a file has been written is logged only after that file has been closed, so the log never
// claims what failed to reach the disk.
//
// The lock keeps other runs out of the folder while a run writes it: the operating system's exclusive lock
// on the folder itself (where the host can lock a folder) and on the log, taken without adding a file. The
// locks end with the process however it ends. They are advisory: they keep out other runs, not other
// programs, and anyone who may read the log or the folder can take them.
//
// A lock on the log holds only for as long as the log's name names the locked file, and on a file system
// whose clients lock only for themselves, a run elsewhere may not see it. So the log is checked right after
// it is locked, before each file is created or replaced (requireHeld()), and before the run is done, when it
// must also hold exactly what the run wrote to it: a run that finds otherwise (its log removed or replaced,
// or written by another run) ends with an error rather than report as done a folder that another run may
// have written meanwhile.
class ActionLog {
public:
    // Takes over the log `log`, the file `name` of `folder` (which must outlive it), open for writing, of
    // status `status` when it was opened, which it locks, checks and empties, and `folderLock`, the folder's
    // own lock where one was taken. Errors name the log `path`, and the log itself names it `logName`.
    // "another run is using <folder>" when another run holds it.
    ActionLog(const Handle& folder, Handle folderLock, std::string_view name, Handle log,
              const FileStatus& status, const std::string& path, std::string logName);

    void logAction(std::string_view text);
    // Logs that the file the log knows as `logName` was opened, as "<logName> opened For Output As
    // #<channel>" (or "For Input").
    void logOpened(std::string_view logName, OpenedFor mode, int channel);
    // Every byte written to the log, in order.
    const std::string& written() const { return written_; }

    // Ends the run with "lost the lock on '<log>': the file was removed or replaced ..." unless the log's
    // name still names the locked file: a second run may be in the folder.
    void requireHeld() const;
    // Checks that the log is still the locked file and holds exactly what was written to it, then closes
    // it and lets other runs in.
    void release();

private:
    [[noreturn]] void lost(std::string_view cause) const;

    const Handle* folder_;
    Handle folderLock_;
    std::string name_;
    FileStatus status_;
    OutputFile file_;
    std::string written_;
};

} // namespace courseeval
