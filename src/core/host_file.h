#pragma once

#include "core/file_rules.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace courseeval {

// What the host tells of a file.
struct FileStatus {
    FileKind kind = FileKind::other;
    FileStamp stamp;
    std::uint64_t links = 1;  // the names the file has (hard links)
    std::uint64_t device = 0; // with `identity`, which file this is, whatever its name
    std::uint64_t identity = 0;
    unsigned permissions = 0666; // POSIX permission bits; on Windows 0666, or 0444 for a read-only file
    std::uint32_t owner = 0;     // POSIX user and group; 0 on Windows
    std::uint32_t group = 0;
    std::uint32_t attributes = 0; // Windows file attributes; 0 on POSIX

    bool sameFileAs(const FileStatus& other) const {
        return device == other.device && identity == other.identity;
    }
};

// A file of the host, open: a descriptor on POSIX, a handle on Windows, closed when destroyed. It keeps the
// host path it was opened under and names the file by it in every error, as "cannot write to '<path>':
// <cause>". The POSIX half is host_file_posix.cpp, the Windows half host_file_windows.cpp; nothing else of
// the program calls the host's file functions for a file of the data folder.
class HostFile {
public:
    HostFile() = default;
    HostFile(HostFile&& other) noexcept;
    HostFile& operator=(HostFile&& other) noexcept;
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;
    ~HostFile();

    // Opens the existing file at `path` to read it. A symbolic link is followed only where followsLink()
    // allows it; anything but a regular file is refused without waiting on it ("cannot read '<path>': is a
    // FIFO, not a regular file").
    static HostFile openToRead(const std::string& path);
    // Opens the file at `path` to write it, creating it with `permissions` (within the umask) when it is
    // missing; an existing file is not truncated. A symbolic link is never followed and nothing waits on a
    // FIFO: anything but a regular file of one name is refused, as "cannot create '<path>': is a symbolic
    // link, not a regular file" and the like.
    static HostFile openToWrite(const std::string& path, unsigned permissions);
    // Creates the new file `path` (hidden on Windows), named `shown` in errors; a closed HostFile when the
    // name is taken. Until forgetTemporary(), an interruption of the program (Ctrl+C, a termination signal)
    // removes it.
    static HostFile createTemporary(const std::string& path, const std::string& shown);
    // Opens the folder `path` so that it can be locked; a closed HostFile where the host cannot.
    static HostFile openFolder(const std::string& path);

    bool isOpen() const { return native_ != closedNative; }
    const std::string& path() const { return path_; }
    FileStatus status() const;
    // Reads up to `size` bytes; 0 at the end of the file.
    std::size_t readSome(char* bytes, std::size_t size);
    void writeAll(const char* bytes, std::size_t size);
    // Empties the file.
    void truncate();
    // Sets the permission bits; false when the user may not.
    bool setPermissions(unsigned permissions);
    // Gives the file the owner, group and permission bits of `old`, the file it is about to replace, as far
    // as the user may set them.
    void takeOwnershipFrom(const FileStatus& old);
    // Waits until everything written is on the disk.
    void sync();
    // Closes the file, reporting what the host reports at that point (a delayed write error, say).
    void close();
    // A second handle on the same open file.
    HostFile duplicate() const;

    enum class Lock { taken, heldElsewhere, unsupported };
    // Takes the operating system's exclusive lock on the file, without waiting. Closing a duplicate does not
    // release it; closing this handle does, once the duplicates are closed.
    Lock lock();

private:
    static constexpr std::intptr_t closedNative = -1;
    HostFile(std::string path, std::intptr_t native) : path_(std::move(path)), native_(native) {}
    // openToWrite() as far as it is the host's: the opening, with what stands at `path` named when that
    // fails.
    static HostFile openForWriting(const std::string& path, unsigned permissions);
    // Closes `native`, releasing its lock where it holds one, and ignoring what the host reports.
    static void closeQuietly(std::intptr_t native, bool locked) noexcept;

    std::string path_;
    std::intptr_t native_ = closedNative;
    bool locked_ = false;
};

namespace host {

// What stands at `path`, its last symbolic link not followed; nothing when no file has that name.
std::optional<FileStatus> statusOfName(const std::string& path);

// The file that `path` names once its symbolic links are followed where followsLink() allows it, and its
// status (nothing when it does not exist yet). `what` begins an error: "cannot replace".
struct NamedFile {
    std::string path;
    std::optional<FileStatus> status;
};
NamedFile followTrustedLinks(const std::string& path, std::string_view what);

// Ends the run with "cannot use the folder '<shown>': <cause>" when `folder` is missing, is not a folder or
// (where the host can tell) is not writable by the user: what the user named is the folder, not its files.
void requireUsableFolder(const std::string& folder, const std::string& shown);

// The user running the program, as file owners are given (0 on Windows, where owners are not compared).
std::uint32_t currentUser();

// Whether the user may not change the file `path` in place: no write permission, or the read-only
// attribute on Windows.
bool isReadOnly(const std::string& path, const FileStatus& status);

// Puts the complete file `temporary` in the place of `target` in one step and makes that durable. `old` is
// the status of the target when it exists. Errors name `shown`.
void replace(const std::string& temporary, const std::string& target, const std::optional<FileStatus>& old,
             const std::string& shown);
// The file created last by createTemporary() is no longer removed on an interruption.
void forgetTemporary();

// Removes the file `path`; the host's cause on failure, empty text on success.
std::string removeFile(const std::string& path);

// The names of the regular files in the folder `folder` that belong to the running user.
std::vector<std::string> ownRegularFilesIn(const std::string& folder);

} // namespace host

} // namespace courseeval
