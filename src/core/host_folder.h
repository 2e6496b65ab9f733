#pragma once

#include "core/host_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace courseeval {

// The folder text `folderPath` as the host file system knows it. The text keeps the backslashes the user
// typed (it is shown and logged that way). On Windows it is used as it stands: backslashes separate folders
// and drive letters work. On POSIX hosts every backslash becomes "/", so "h:\tarnholm_2\" names the
// relative folder "h:/tarnholm_2/".
std::string hostFolderName(std::string_view folderPath);

// A folder of the host, opened once and then held: a descriptor on POSIX, on Windows a handle that keeps
// the folder and the folders above it from being renamed or removed while it is held. Each file is named
// by its name inside the folder, relative to what was opened, never by a path looked up again: whatever
// is renamed or replaced on the way to the folder afterwards, a file of this folder stays one of it.
// Errors name a file by the folder's host name followed by the file's name.
//
// Nothing else of the program calls the host's file functions for a file of the data folder.
class HostFolder {
public:
    // Opens the folder with the host name `path` (empty for the working folder). Ends the run with "cannot
    // use the folder '<shown>': <cause>" when it is missing, is not a folder or (where the host can tell)
    // is not writable by the user: what the user named is the folder, not its files.
    static HostFolder open(const std::string& path, const std::string& shown);

    HostFolder(HostFolder&& other) noexcept;
    HostFolder& operator=(HostFolder&& other) noexcept;
    HostFolder(const HostFolder&) = delete;
    HostFolder& operator=(const HostFolder&) = delete;
    ~HostFolder();

    // The host path of the file `name`, as errors name it.
    std::string pathOf(std::string_view name) const;
    bool sameFolderAs(const HostFolder& other) const;

    // What stands at `name`, a symbolic link not followed; nothing when no file has that name.
    std::optional<FileStatus> statusOf(std::string_view name) const;

    // The file that `name` names once its symbolic links are followed where followsLink() allows it.
    struct Reached;
    // `what` begins an error: "cannot replace".
    Reached follow(std::string_view name, std::string_view what) const;

    // Opens the regular file `name` to read it; a symbolic link is not followed and anything but a regular
    // file is refused without waiting on it ("cannot read '<path>': is a FIFO, not a regular file").
    // Errors name `shown`.
    HostFile openToRead(std::string_view name, const std::string& shown) const;
    // Opens the file `name` to write it, creating it with `permissions` (within the umask) when it is
    // missing; an existing file is not truncated. A symbolic link is never followed and nothing waits on a
    // FIFO: anything but a regular file of one name is refused, as "cannot create '<path>': is a symbolic
    // link, not a regular file" and the like.
    HostFile openToWrite(std::string_view name, unsigned permissions) const;
    // openToWrite() of a file that exists; a closed HostFile when no file has that name.
    HostFile openExistingToWrite(std::string_view name) const;
    // Creates the file `name`, new, readable and writable by the user alone until it is given other
    // access; a closed HostFile when the name is taken.
    HostFile createNew(std::string_view name) const;
    // Creates the new file `name` (hidden on Windows), named `shown` in errors, readable and writable by
    // the user alone; a closed HostFile when the name is taken. Until forgetTemporary(), an interruption
    // of the program (Ctrl+C, a termination signal) removes it.
    HostFile createTemporary(std::string_view name, const std::string& shown) const;
    // The file created last by createTemporary() is no longer removed on an interruption.
    static void forgetTemporary();

    // Removes the file `name`; the host's cause on failure, empty text on success.
    std::string remove(std::string_view name) const;
    // The names of the regular files of the folder that belong to the running user.
    std::vector<std::string> ownRegularFiles() const;
    // Why the user may not replace the file `name`, open as `file` with status `status`: "the file is
    // read-only", "the file is immutable" and the like; nothing when they may.
    Refusal whyNotReplaceable(std::string_view name, const HostFile& file, const FileStatus& status) const;
    // Puts the complete file `temporary` in the place of `target` in one step and makes that durable,
    // provided that `target` still names the file `old` (still names nothing, when `old` is nothing):
    // otherwise another program put a file there meanwhile, and nothing is replaced. Errors name `shown`.
    void replace(std::string_view temporary, std::string_view target, const std::optional<FileStatus>& old,
                 const std::string& shown) const;

    // Takes the operating system's exclusive lock on the folder itself, without waiting, where the host can
    // lock a folder; it lasts until unlock() or until the folder is closed.
    HostFile::Lock lock();
    void unlock();

    // A second handle on the same folder, which shares its lock.
    HostFolder duplicate() const;

private:
    HostFolder(std::string path, std::intptr_t native);
    enum class Creation { allowed, onlyNew, never };
    // openToWrite(), openExistingToWrite() and createNew() as far as they are the host's: the opening, with
    // what stands at `name` named when that fails; a closed HostFile when the name is taken and `creation`
    // is onlyNew, or when it is missing and `creation` is never.
    HostFile openForWriting(std::string_view name, unsigned permissions, Creation creation) const;
    // After opening `name` failed: ends the run with "<what> '<path>': is a FIFO, not a regular file" and the
    // like when something other than a regular file stands there, so that the error says what it is.
    void refuseWhatStands(std::string_view name, std::string_view what, const std::string& path) const;
    // The file opened by openToWrite() or openExistingToWrite(), once it is checked to be a regular file of
    // one name.
    static HostFile writableRegularFile(HostFile file);

    std::string path_;
    std::intptr_t native_ = -1;
    bool locked_ = false;
    // Windows: the folder's full path in the extended-length form, final backslash included.
    std::wstring wide_;
};

struct HostFolder::Reached {
    HostFolder folder;                // the folder that holds the file
    std::string name;                 // its name there
    std::optional<FileStatus> status; // nothing when it does not exist yet
};

// The user running the program, as file owners are given (0 on Windows, where owners are not compared).
std::uint32_t currentUser();

// The permission bits that the process takes away from a file it creates (the umask; 0 on Windows).
unsigned fileCreationMask();

} // namespace courseeval
