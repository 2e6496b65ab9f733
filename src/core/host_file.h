#pragma once

#include "core/file_rules.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <variant>

namespace courseeval {

// What a host call that failed reports: the system's error code (errno; on Windows GetLastError()) or,
// where the file rules refuse what stands there, the refusal ("is a FIFO, not a regular file") with, when
// it was met on the way rather than at the file itself, the path as walked where it was met. The layer
// above words the message: the host calls know no file's name.
struct HostFailure {
    explicit HostFailure(std::error_code error) : code(error) {}
    explicit HostFailure(std::string refused, std::string where = {})
        : refusal(std::move(refused)), at(std::move(where)) {}

    std::error_code code;
    std::string refusal;
    std::string at;
};

// The system's code of the host call that failed last.
std::error_code lastHostError();
// Whether `error` says that the file may not be opened so: the user may not (EACCES), or, on Windows,
// another program holds it.
bool isAccessRefused(const std::error_code& error);

// What a host call that gives a value returns: the value, or what failed.
template <typename T>
class HostResult {
public:
    HostResult(T value) : outcome_(std::move(value)) {}
    HostResult(HostFailure failure) : outcome_(std::move(failure)) {}

    explicit operator bool() const { return outcome_.index() == 0; }
    T& operator*() { return std::get<0>(outcome_); }
    const T& operator*() const { return std::get<0>(outcome_); }
    T* operator->() { return &std::get<0>(outcome_); }
    const T* operator->() const { return &std::get<0>(outcome_); }
    const HostFailure& failure() const { return std::get<1>(outcome_); }

private:
    std::variant<T, HostFailure> outcome_;
};

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

// A file of the host, open: a descriptor on POSIX, a handle on Windows, closed when destroyed. Each call
// returns what failed; the file's name is its holder's. Files of the data folder are opened by
// HostFolder::openFile(), and only there.
class HostFile {
public:
    HostFile() = default;
    HostFile(HostFile&& other) noexcept;
    HostFile& operator=(HostFile&& other) noexcept;
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;
    ~HostFile();

    bool isOpen() const { return native_ != closedNative; }
    HostResult<FileStatus> status() const;
    // Reads up to `size` bytes; 0 at the end of the file.
    HostResult<std::size_t> readSome(char* bytes, std::size_t size);
    std::error_code writeAll(const char* bytes, std::size_t size);
    // Writes the `count` pieces one after the other, gathered into one call where the host has one
    // (writev); `count` is at most maxGatheredPieces.
    std::error_code writeAll(const std::string_view* pieces, std::size_t count);
    static constexpr std::size_t maxGatheredPieces = 64;
    // Empties the file.
    std::error_code truncate();
    // Who may read and write the file, whose status is `status`.
    HostResult<FileAccess> access(const FileStatus& status) const;
    // Sets the permission bits.
    std::error_code setPermissions(unsigned permissions);
    // Gives the file exactly `access`: its permission bits and no access-list entries beyond those given.
    std::error_code setAccess(const FileAccess& access);
    // Gives the file the group `group` where the user may (a member of it may); whether it did.
    bool giveGroup(std::uint32_t group);
    // Gives the file the owner, group, access list, permission bits and user attributes of `old`, the open
    // file it is about to replace (closed where it could not be read), whose status is `oldStatus`, as
    // far as the user may set them.
    std::error_code takeOwnershipFrom(const HostFile& old, const FileStatus& oldStatus);
    // Waits until everything written is on the disk.
    std::error_code sync();
    // Closes the file, reporting what the host reports at that point (a delayed write error, say).
    std::error_code close();

    enum class Lock { taken, heldElsewhere, unsupported };
    // Takes the operating system's exclusive locks on the file, without waiting: on POSIX a whole-file lock
    // and a record lock of the open file, which network file systems carry to the server. Closing the file
    // releases them.
    Lock lock();

private:
    friend class HostFolder;
    friend class TemporaryFile;
    static constexpr std::intptr_t closedNative = -1;
    explicit HostFile(std::intptr_t native) : native_(native) {}
    // Closes `native`, releasing its lock where it holds one, and ignoring what the host reports.
    static void closeQuietly(std::intptr_t native, bool locked) noexcept;

    std::intptr_t native_ = closedNative;
    bool locked_ = false;
};

} // namespace courseeval
