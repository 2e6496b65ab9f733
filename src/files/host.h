#pragma once
// The host's file functions, as the file layer asks for them, with one body per host (host_posix.cpp,
// host_windows.cpp). A body supplies facts and does what it is asked, always relative to a folder the layer
// holds open; it never follows a link, never waits, and decides nothing: what kind of file is opened, which
// links are followed, who may read a copy and what a replacement keeps are the layer's rules, the same on
// both hosts (file_rules.h, data_folder.h).
//
// Every call returns its value or the system's error code, and knows no file's name: the layer words the
// message. The codes compare equal to the portable conditions the layer asks about: a missing name is
// std::errc::no_such_file_or_directory, a taken one std::errc::file_exists, a file another program holds
// (Windows) std::errc::device_or_resource_busy, a lock held elsewhere
// std::errc::resource_unavailable_try_again, a call the file system cannot make std::errc::not_supported.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#endif

namespace courseeval {

// A value, or the error code of the call that failed to give it.
template <typename T>
class ErrorOr {
public:
    ErrorOr(T value) : value_(std::move(value)) {}
    ErrorOr(std::error_code error) : error_(error) {}

    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    const std::error_code& error() const { return error_; }

private:
    std::optional<T> value_;
    std::error_code error_;
};

// What a name of a folder stands for.
enum class FileKind { regular, directory, symbolicLink, fifo, socket, characterDevice, blockDevice, other };

// A file's size and time of last change.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0; // in the host's own units; only ever compared
    bool operator==(const FileStamp&) const = default;
};

// What the host tells of a file. A symbolic link is its own file (on Windows a junction or symbolic link;
// another reparse point, a cloud placeholder say, is the file it stands for).
struct FileStatus {
    FileKind kind = FileKind::other;
    FileStamp stamp;
    std::uint64_t links = 1;  // the names the file has (hard links)
    std::uint64_t device = 0; // with `identity`, which file this is, whatever its name
    std::uint64_t identity = 0;
    unsigned permissions = 0666; // POSIX permission bits, set-ID and sticky bits included; on Windows 0666,
                                 // 0444 for a read-only file, 0777 for a folder
    std::uint32_t owner = 0;     // POSIX user and group; on Windows the owner's account (see currentUser())
                                 // and group 0
    std::uint32_t group = 0;
    std::uint32_t attributes = 0; // Windows file attributes; 0 on POSIX

    bool sameFileAs(const FileStatus& other) const {
        return device == other.device && identity == other.identity;
    }
};

// An entry of a file's access list (ACL): whom it names and what it grants them, read 4, write 2,
// execute 1.
struct AccessEntry {
    enum class Tag { owner, user, owningGroup, group, mask, others };
    Tag tag = Tag::others;
    std::uint32_t id = 0; // of a named user or group
    unsigned permissions = 0;
    bool operator==(const AccessEntry&) const = default;
};

// Who may read and write a file: its owner and group, its permission bits and, where its access list holds
// more than the permission bits stand for, that whole list (otherwise no entries). On Windows the entries
// are the access list's entries for who may read and write, each named a group (every user, Authenticated
// Users and Users are everybody else; a denying entry keeps a user out), and the list itself goes with
// them in the host's own form, to be given as it is.
struct FileAccess {
    FileAccess() = default;
    FileAccess(std::uint32_t owner_, std::uint32_t group_, unsigned permissions_,
               std::vector<AccessEntry> entries_ = {}, std::string native_ = {})
        : owner(owner_), group(group_), permissions(permissions_), entries(std::move(entries_)),
          native(std::move(native_)) {}

    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    unsigned permissions = 0;
    std::vector<AccessEntry> entries;
    std::string native; // Windows: the security descriptor that holds the access list; empty on POSIX
};

// What is open of a file or folder of the host: a descriptor on POSIX, a handle on Windows. It is closed
// when it goes, ignoring what the host reports then; host::close() reports it.
class Handle {
public:
    using Native = std::intptr_t;
    static constexpr Native closed = -1;

    Handle() = default;
    explicit Handle(Native native) : native_(native) {}
    Handle(Handle&& other) noexcept : native_(std::exchange(other.native_, closed)) {}
    Handle& operator=(Handle&& other) noexcept {
        Handle gone(std::move(*this));
        native_ = std::exchange(other.native_, closed);
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle();

    bool isOpen() const { return native_ != closed; }
    Native native() const { return native_; }
    // Gives up what is open, to be closed by the caller.
    Native release() { return std::exchange(native_, closed); }

private:
    Native native_ = closed;
};

// How host::open() opens a name.
struct OpenRequest {
    enum class Access {
        name,    // only as a name: its status, a link's target; nothing read or written
        folder,  // a folder, to be listed, locked and synced where the user may, else only as a name
        reading, // a file to read
        writing, // a file to write
    };
    enum class Creation {
        existing,  // the name must stand for a file
        newOnly,   // the name must be free
        either,    // an existing file, or a new one
        temporary, // as newOnly, hidden on Windows, and removable there while it is open
    };
    Access access = Access::reading;
    Creation creation = Creation::existing;
    // A new file's permission bits, within the umask (POSIX).
    unsigned permissions = 0600;
    // With Access::name: so that the open fails busy while another program holds the file (Windows, where
    // a file held open cannot be replaced); on POSIX, where nothing holds a file so, as Access::name.
    bool exclusive = false;
};

// How host::rename() treats a file at the new name.
enum class RenameMode {
    exchange,  // the two names swap their files in one step
    noReplace, // std::errc::file_exists when the new name is taken
    replace, // a file at the new name is replaced (on Windows keeping its access rights, owner and the like)
};

// The protection a file system may give a file beyond its permission bits.
struct FileFlags {
    bool immutable = false;
    bool appendOnly = false;
};

namespace host {

// The folder text `folderPath` as the host file system knows it. The text keeps the backslashes the user
// typed (it is shown and logged that way). On Windows it is used as it stands: backslashes separate folders
// and drive letters work. On POSIX hosts every backslash becomes "/", so "h:\tarnholm_2\" names the
// relative folder "h:/tarnholm_2/".
std::string folderName(std::string_view folderPath);
// The characters that separate the names of a path, the first of them the host's own.
#ifdef _WIN32
inline constexpr std::string_view separators = "\\/";
#else
inline constexpr std::string_view separators = "/";
#endif

// Where the walk of the path `path` starts: the folder it starts from (the root it names, or the working
// folder), that folder's text in messages ("/" or "" for the working folder; "C:\" on Windows), and what
// of `path` is left to walk, a name at a time.
struct Start {
    Handle folder;
    std::string shown;
    std::string rest;
};
ErrorOr<Start> openStart(std::string_view path);
// Whether `path` names a file from a root rather than from the folder it is met in.
bool isAbsolute(std::string_view path);
// Whether a link's relative target is read as text after the path of the folder that holds the link, ".."
// taking away the name before it (Windows), rather than walked from that folder (POSIX).
#ifdef _WIN32
inline constexpr bool linksResolveAsText = true;
#else
inline constexpr bool linksResolveAsText = false;
#endif

// Opens the name `name` of the folder `folder` as `request` asks, never through a link (a link at the name
// opens as itself with Access::name; otherwise as itself or failing
// std::errc::too_many_symbolic_link_levels) and never waiting (a FIFO opens without a partner, or fails).
ErrorOr<Handle> open(const Handle& folder, std::string_view name, const OpenRequest& request);
ErrorOr<FileStatus> status(const Handle& file);
// The status of what stands at `name` of `folder`, a link as itself.
ErrorOr<FileStatus> statusAt(const Handle& folder, std::string_view name);
// The target of the link `link`, opened with Access::name.
ErrorOr<std::string> linkTarget(const Handle& link);
// Whether the user may write the file `name` of `folder` (the folder itself, to create files in it, as
// "."), where the host can tell beforehand: std::errc::permission_denied or
// std::errc::read_only_file_system when not.
std::error_code mayWrite(const Handle& folder, std::string_view name);

// Reads up to `size` bytes; 0 at the end of the file.
ErrorOr<std::size_t> read(const Handle& file, char* bytes, std::size_t size);
// Writes the `count` pieces one after the other, gathered into one call where the host has one.
inline constexpr std::size_t maxGatheredPieces = 64;
std::error_code write(const Handle& file, const std::string_view* pieces, std::size_t count);
std::error_code truncate(const Handle& file);
// Waits until what was written to the file (or the names of the folder) is on the disk.
std::error_code sync(const Handle& file);
// Closes the file, reporting what the host reports at that point (a delayed write error, say).
std::error_code close(Handle& file);

ErrorOr<FileAccess> access(const Handle& file, const FileStatus& status);
// Gives the file exactly `access`: its permission bits, set-ID bits included, and the entries given or none
// (Windows: the access list given in `native`, inheriting from the folder as far as the given one did).
std::error_code setAccess(const Handle& file, const FileAccess& access);
// Gives the file the permission bits `permissions` and the access list any new file of its folder has
// (POSIX: the list as it is; Windows: the folder's inherited entries alone).
std::error_code setPermissions(const Handle& file, unsigned permissions);
// Gives the file the owner `owner` (none: unchanged) and the group `group`.
std::error_code setOwner(const Handle& file, std::optional<std::uint32_t> owner, std::uint32_t group);
// Gives `to` what a replacement keeps of `from` beyond its access: the user attributes (user.*: a note, a
// tag) on POSIX, the creation time on Windows.
std::error_code keepAttributes(const Handle& from, const Handle& to);
// Gives the file `name` of `folder` the Windows attributes `attributes` (none: a plain file); nothing on
// POSIX.
std::error_code setAttributes(const Handle& folder, std::string_view name, std::uint32_t attributes);
ErrorOr<FileFlags> flags(const Handle& file);

std::error_code rename(const Handle& folder, std::string_view from, std::string_view to, RenameMode mode);
// Removes the file `name` of `folder`.
std::error_code remove(const Handle& folder, std::string_view name);
// The names of the folder's files, folders excepted where the host tells them apart cheaply.
ErrorOr<std::vector<std::string>> list(const Handle& folder);
// Takes the operating system's exclusive locks on the file or folder, without waiting: on POSIX a
// whole-file lock and, on a file open for writing, a record lock, which network file systems carry to the
// server. Closing it releases them.
std::error_code lock(const Handle& file);

// The user running the program, as file owners are given: the user id on POSIX; on Windows a number the
// program gives each account it meets, 0 for SYSTEM, the Administrators and TrustedInstaller (as root).
std::uint32_t currentUser();
// The name of the user `user` in messages: the number on POSIX, the account (or its SID) on Windows.
std::string userName(std::uint32_t user);
// The permission bits that the process takes away from a file it creates (the umask; 0 on Windows).
unsigned creationMask();
// The host's words for `error` on the file `path`: the system's message and, on Windows, what most likely
// stands behind it; "unknown error" for none.
std::string cause(std::string_view path, const std::error_code& error);

} // namespace host

#ifndef _WIN32
// The system calls at which a file can fail after others succeeded: a test puts a failing call in their
// place to see what a run does then, and puts them back with HostCalls().
struct HostCalls {
    int (*openat)(int, const char*, int, mode_t);
    int (*fstat)(int, struct stat*);
    ssize_t (*read)(int, void*, std::size_t);
    ssize_t (*write)(int, const void*, std::size_t);
    ssize_t (*writev)(int, const iovec*, int);
    int (*fsync)(int);
    int (*close)(int);
    int (*renameat2)(int, const char*, int, const char*, unsigned);
    int (*linkat)(int, const char*, int, const char*, int);
    int (*unlinkat)(int, const char*, int);
    int (*getFlags)(int, int*);            // the file's attribute flags (FS_IOC_GETFLAGS)
    int (*recordLock)(int, struct flock*); // fcntl(F_OFD_SETLK)
    int (*setAcl)(int, void*);             // acl_set_fd, the list an acl_t
    HostCalls();
};
#else
// The Windows calls at which a file can fail, or whose facts a test gives (Wine keeps no access list and
// makes no reparse point): a test puts its own in their place, and puts them back with HostCalls().
struct HostCalls {
    // NtCreateFile of `name` relative to `folder`, asked `access`, `share`, `disposition`, `options` and
    // `attributes`, with the security descriptor `security` for a new file (none: the folder's).
    ErrorOr<Handle> (*open)(const Handle& folder, std::wstring_view name, unsigned long access,
                            unsigned long share, unsigned long disposition, unsigned long options,
                            unsigned long attributes, const std::string& security);
    // The file's security descriptor with the parts `parts` (GetSecurityInfo), self-relative, as bytes.
    ErrorOr<std::string> (*security)(const Handle& file, unsigned long parts);
    // SetSecurityInfo of the parts `parts` of the self-relative descriptor `descriptor`.
    std::error_code (*setSecurity)(const Handle& file, unsigned long parts, const std::string& descriptor);
    // The file's reparse tag (FileAttributeTagInfo), 0 for no reparse point.
    ErrorOr<unsigned long> (*reparseTag)(const Handle& file);
    // The reparse point's data (FSCTL_GET_REPARSE_POINT).
    ErrorOr<std::string> (*reparseData)(const Handle& file);
    HostCalls();
};
#endif
extern HostCalls hostCalls;

} // namespace courseeval
