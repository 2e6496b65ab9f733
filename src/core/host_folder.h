#pragma once

#include "core/host_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace courseeval {

// The folder text `folderPath` as the host file system knows it. The text keeps the backslashes the user
// typed (it is shown and logged that way). On Windows it is used as it stands: backslashes separate folders
// and drive letters work. On POSIX hosts every backslash becomes "/", so "h:\tarnholm_2\" names the
// relative folder "h:/tarnholm_2/".
std::string hostFolderName(std::string_view folderPath);

// What openFile() is asked to open, and how.
struct OpenRequest {
    enum class Access { reading, writing };
    enum class Creation {
        existing,  // the file must exist
        newOnly,   // the name must be free
        either,    // an existing file, or a new one
        temporary, // as newOnly, hidden on Windows and removable there while it is open
    };
    Access access = Access::reading;
    Creation creation = Creation::existing;
    // A new file's permission bits, within the umask (POSIX).
    unsigned permissions = sharedFilePermissions;
};

// A folder of the host, opened once and then held: a descriptor on POSIX, on Windows a handle that keeps
// the folder and the folders above it from being renamed or removed while it is held. Each file is named
// by its name inside the folder, relative to what was opened, never by a path looked up again: whatever
// is renamed or replaced on the way to the folder afterwards, a file of this folder stays one of it.
// Calls return what failed; the layer above names the file in its message.
//
// Nothing else of the program calls the host's file functions for a file of the data folder.
class HostFolder {
public:
    // Opens the folder with the host name `path` (empty for the working folder), following only links
    // that followsLink() allows. A refusal when what stands there is no folder.
    static HostResult<HostFolder> open(const std::string& path);

    HostFolder(HostFolder&& other) noexcept;
    HostFolder& operator=(HostFolder&&) = delete;
    HostFolder(const HostFolder&) = delete;
    HostFolder& operator=(const HostFolder&) = delete;
    ~HostFolder();

    // The host path of the file `name`, as errors name it.
    std::string pathOf(std::string_view name) const;
    bool sameFolderAs(const HostFolder& other) const;
    // Why the user may not create files here (EACCES, EROFS), where the host can tell beforehand.
    std::error_code whyNotWritable() const;

    // What stands at `name`, a symbolic link not followed; nothing when no file has that name.
    std::optional<FileStatus> statusOf(std::string_view name) const;

    // The file that `name` names once its symbolic links are followed where followsLink() allows it: the
    // walk from this folder, one name at a time, that reaches every file read through a link.
    struct Reached;
    HostResult<Reached> follow(std::string_view name) const;

    // A file openFile() opened, with its status at the opening.
    struct Opened {
        HostFile file; // closed when the name is missing and an existing file was asked for, or taken
                       // and a new one was
        FileStatus status;
    };
    // Opens the file `name` as `request` asks, a symbolic link never followed and nothing ever waited on:
    // anything but a regular file is refused as what it is ("is a FIFO, not a regular file"), and so is a
    // file to be written that has other names.
    HostResult<Opened> openFile(std::string_view name, const OpenRequest& request) const;

    // Removes the file `name`; a missing one is no failure.
    std::error_code remove(std::string_view name) const;
    // The names of the regular files of the folder that belong to the running user.
    std::vector<std::string> ownRegularFiles() const;
    // Why the user may not replace the file `name`, open as `file` (closed where it could not be read)
    // with status `status`: "the file is read-only", "the file is immutable" and the like; nothing when
    // they may.
    Refusal whyNotReplaceable(std::string_view name, const HostFile& file, const FileStatus& status) const;

    // Where a replacement stopped, when it did not end as asked.
    struct ReplaceFailure {
        enum class Step {
            creating,         // the new file could not take a free name
            replacing,        // nothing was replaced
            changedMeanwhile, // another program put a file at the name meanwhile; nothing was replaced
            inUse,            // another program holds the file; nothing was replaced
            puttingBack,      // replaced, and another program's file is left at the temporary name
            removingOld,      // replaced, and the old file is left at the temporary name
            syncing,          // replaced, and the folder could not be synced
            settingAttributes // replaced, and the new file could not be given the old one's attributes
        };
        Step step;
        std::error_code code;
    };
    // Puts the complete file `temporary` in the place of `target` in one step and makes that durable,
    // provided that `target` still names the file `old` (still names nothing, when `old` is nothing).
    std::optional<ReplaceFailure> replace(std::string_view temporary, std::string_view target,
                                          const std::optional<FileStatus>& old) const;

    // Takes the operating system's exclusive lock on the folder itself, without waiting, where the host can
    // lock a folder; it lasts until unlock() or until the folder is closed.
    HostFile::Lock lock();
    void unlock();

private:
    friend class TemporaryFile;
    HostFolder(std::string path, std::intptr_t native);
    // openFile() as far as it is the host's: the opening alone, without waiting, a closed HostFile when
    // the name is missing or taken as the request says.
    HostResult<HostFile> openHere(std::string_view name, const OpenRequest& request) const;

    std::string path_;
    std::intptr_t native_ = -1;
    bool locked_ = false;
    // Windows: the folder's full path in the extended-length form, final backslash included.
    std::wstring wide_;
};

struct HostFolder::Reached {
    const HostFolder* start = nullptr;
    std::optional<HostFolder> elsewhere; // the folder that holds the file, when it is not `start`
    std::string name;                    // its name there
    std::optional<FileStatus> status;    // nothing when it does not exist yet

    const HostFolder& folder() const { return elsewhere ? *elsewhere : *start; }
};

// A new file of a folder, readable and writable by the user alone (hidden on Windows), which an
// interruption of the program (Ctrl+C, a termination signal) removes until keep(), and which discard()
// or the end of the object removes: whatever stands at its name by then is removed only when it is this
// file.
class TemporaryFile {
public:
    // Creates the file `name` of `folder`, which must outlive it; `file` is closed when the name is taken.
    static HostResult<TemporaryFile> create(const HostFolder& folder, std::string name);

    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile();

    const std::string& name() const { return name_; }
    // The file is in its place: an interruption no longer removes it.
    void keep() noexcept;
    // Closes and removes the file; what failed where it could not be removed.
    std::error_code discard() noexcept;

    HostFile file;

private:
    TemporaryFile(const HostFolder& folder, std::string name, HostFile opened);
    // create() but for the registration, which is the host's: the file pending, when it was created.
    static HostResult<TemporaryFile> createUnregistered(const HostFolder& folder, std::string name);

    const HostFolder* folder_;
    std::string name_;
    FileStatus status_; // which file it is
    bool pending_ = false;
};

// The user running the program, as file owners are given (0 on Windows, where owners are not compared).
std::uint32_t currentUser();

// The permission bits that the process takes away from a file it creates (the umask; 0 on Windows).
unsigned fileCreationMask();

} // namespace courseeval
