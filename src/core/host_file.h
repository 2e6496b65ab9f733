#pragma once

#include "core/file_rules.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace courseeval {

class HostFolder;

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
// <cause>". Files of the data folder are opened by HostFolder, and only there.
class HostFile {
public:
    HostFile() = default;
    HostFile(HostFile&& other) noexcept;
    HostFile& operator=(HostFile&& other) noexcept;
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;
    ~HostFile();

    bool isOpen() const { return native_ != closedNative; }
    const std::string& path() const { return path_; }
    FileStatus status() const;
    // Reads up to `size` bytes; 0 at the end of the file.
    std::size_t readSome(char* bytes, std::size_t size);
    void writeAll(const char* bytes, std::size_t size);
    // Writes the `count` pieces one after the other, gathered into one call where the host has one
    // (writev); `count` is at most maxGatheredPieces.
    void writeAll(const std::string_view* pieces, std::size_t count);
    static constexpr std::size_t maxGatheredPieces = 64;
    // Empties the file.
    void truncate();
    // Who may read and write the file, whose status is `status`.
    FileAccess access(const FileStatus& status) const;
    // Sets the permission bits.
    void setPermissions(unsigned permissions);
    // Gives the file exactly `access`: its permission bits and no access-list entries beyond those given.
    void setAccess(const FileAccess& access);
    // Gives the file the group `group` where the user may (a member of it may); whether it did.
    bool giveGroup(std::uint32_t group);
    // Gives the file the owner, group, access list, permission bits and user attributes of `old`, the open
    // file it is about to replace, whose status is `oldStatus`, as far as the user may set them.
    void takeOwnershipFrom(const HostFile& old, const FileStatus& oldStatus);
    // Waits until everything written is on the disk.
    void sync();
    // Closes the file, reporting what the host reports at that point (a delayed write error, say).
    void close();
    // A second handle on the same open file.
    HostFile duplicate() const;

    enum class Lock { taken, heldElsewhere, unsupported };
    // Takes the operating system's exclusive locks on the file, without waiting: on POSIX a whole-file lock
    // and a record lock of the open file, which network file systems carry to the server. Closing a
    // duplicate does not release them; closing this handle does, once the duplicates are closed.
    Lock lock();

private:
    friend class HostFolder;
    static constexpr std::intptr_t closedNative = -1;
    HostFile(std::string path, std::intptr_t native) : path_(std::move(path)), native_(native) {}
    // Closes `native`, releasing its lock where it holds one, and ignoring what the host reports.
    static void closeQuietly(std::intptr_t native, bool locked) noexcept;

    std::string path_;
    std::intptr_t native_ = closedNative;
    bool locked_ = false;
};

} // namespace courseeval
