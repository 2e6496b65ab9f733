// The POSIX body of the host's file functions: descriptors, and every name opened, looked up, renamed and
// removed relative to a folder descriptor (openat, fstatat, renameat2, unlinkat), without following links
// and without waiting.
#include "files/host.h"

#include <acl/libacl.h>
#include <algorithm>
#include <array>
#include <attr/libattr.h>
#include <cassert>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace courseeval {

HostCalls::HostCalls()
    : openat(
          [](int at, const char* name, int flags, mode_t mode) { return ::openat(at, name, flags, mode); }),
      fstat(::fstat), read(::read), write(::write), writev(::writev), fsync(::fsync), close(::close),
      renameat2(::renameat2), linkat(::linkat), unlinkat(::unlinkat),
      getFlags([](int descriptor, int* flags) { return ::ioctl(descriptor, FS_IOC_GETFLAGS, flags); }),
      recordLock([](int descriptor, struct flock* lock) { return ::fcntl(descriptor, F_OFD_SETLK, lock); }),
      setAcl([](int descriptor, void* acl) { return acl_set_fd(descriptor, static_cast<acl_t>(acl)); }) {}

HostCalls hostCalls;

Handle::~Handle() {
    if (isOpen()) {
        ::close(static_cast<int>(native_));
    }
}

namespace host {

namespace {

int descriptorOf(const Handle& handle) {
    return static_cast<int>(handle.native());
}

std::error_code lastError() {
    return {errno, std::system_category()};
}

// The error of a call that returned `result`, none when it succeeded.
std::error_code errorOf(int result) {
    return result == 0 ? std::error_code() : lastError();
}

FileKind kindOf(mode_t mode) {
    switch (mode & S_IFMT) {
    case S_IFREG:
        return FileKind::regular;
    case S_IFDIR:
        return FileKind::directory;
    case S_IFLNK:
        return FileKind::symbolicLink;
    case S_IFIFO:
        return FileKind::fifo;
    case S_IFSOCK:
        return FileKind::socket;
    case S_IFCHR:
        return FileKind::characterDevice;
    case S_IFBLK:
        return FileKind::blockDevice;
    default:
        return FileKind::other;
    }
}

FileStatus statusFrom(const struct stat& status) {
    FileStatus result;
    result.kind = kindOf(status.st_mode);
    result.stamp.size = status.st_size > 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
    result.stamp.modified = std::int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec;
    result.links = status.st_nlink;
    result.device = status.st_dev;
    result.identity = status.st_ino;
    result.permissions = status.st_mode & 07777;
    result.owner = status.st_uid;
    result.group = status.st_gid;
    return result;
}

// An access list, freed when it goes.
struct AclFree {
    void operator()(void* acl) const { acl_free(acl); }
};
using Acl = std::unique_ptr<std::remove_pointer_t<acl_t>, AclFree>;

// Whether `error` says that the file system keeps no access lists.
bool noAccessLists(int error) {
    return error == ENOTSUP || error == ENOSYS;
}

constexpr std::pair<acl_tag_t, AccessEntry::Tag> aclTags[] = {
    {ACL_USER_OBJ, AccessEntry::Tag::owner},
    {ACL_USER, AccessEntry::Tag::user},
    {ACL_GROUP_OBJ, AccessEntry::Tag::owningGroup},
    {ACL_GROUP, AccessEntry::Tag::group},
    {ACL_MASK, AccessEntry::Tag::mask},
    {ACL_OTHER, AccessEntry::Tag::others},
};
constexpr std::pair<acl_perm_t, unsigned> aclPermissions[] = {
    {ACL_READ, 4}, {ACL_WRITE, 2}, {ACL_EXECUTE, 1}};

// The entries of the list `acl`.
ErrorOr<std::vector<AccessEntry>> entriesOf(acl_t acl) {
    std::vector<AccessEntry> entries;
    acl_entry_t found = nullptr;
    for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &found) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t tag = ACL_UNDEFINED_TAG;
        acl_permset_t permissions = nullptr;
        if (acl_get_tag_type(found, &tag) != 0 || acl_get_permset(found, &permissions) != 0) {
            return lastError();
        }
        AccessEntry entry;
        for (const auto& [aclTag, entryTag] : aclTags) {
            if (aclTag == tag) {
                entry.tag = entryTag;
            }
        }
        if (tag == ACL_USER || tag == ACL_GROUP) {
            const auto* id = static_cast<const id_t*>(acl_get_qualifier(found));
            if (id == nullptr) {
                return lastError();
            }
            entry.id = *id;
            acl_free(const_cast<id_t*>(id));
        }
        for (const auto& [aclPermission, bit] : aclPermissions) {
            if (acl_get_perm(permissions, aclPermission) == 1) {
                entry.permissions |= bit;
            }
        }
        entries.push_back(entry);
    }
    return entries;
}

// The list of `entries`.
ErrorOr<Acl> aclOf(const std::vector<AccessEntry>& entries) {
    Acl acl(acl_init(static_cast<int>(entries.size())));
    if (!acl) {
        return lastError();
    }
    for (const AccessEntry& entry : entries) {
        acl_t list = acl.get();
        acl_entry_t made = nullptr;
        if (acl_create_entry(&list, &made) != 0) {
            return lastError();
        }
        // The list may have moved to make room.
        (void)acl.release();
        acl.reset(list);
        acl_permset_t permissions = nullptr;
        const auto tag = std::find_if(std::begin(aclTags), std::end(aclTags),
                                      [&](const auto& pair) { return pair.second == entry.tag; });
        const id_t id = entry.id;
        if (acl_set_tag_type(made, tag->first) != 0 ||
            ((entry.tag == AccessEntry::Tag::user || entry.tag == AccessEntry::Tag::group) &&
             acl_set_qualifier(made, &id) != 0) ||
            acl_get_permset(made, &permissions) != 0 || acl_clear_perms(permissions) != 0) {
            return lastError();
        }
        for (const auto& [aclPermission, bit] : aclPermissions) {
            if ((entry.permissions & bit) != 0 && acl_add_perm(permissions, aclPermission) != 0) {
                return lastError();
            }
        }
    }
    return acl;
}

// Of the user attributes alone (user.*): the others belong to the system (security labels, capabilities)
// or are the access list.
extern "C" int isUserAttribute(const char* name, struct error_context* /*context*/) {
    return std::strncmp(name, "user.", 5) == 0 ? 1 : 0;
}

} // namespace

std::string folderName(std::string_view folderPath) {
    std::string name(folderPath);
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

bool isAbsolute(std::string_view path) {
    return path.starts_with('/');
}

ErrorOr<Start> openStart(std::string_view path) {
    const bool fromRoot = path.starts_with('/');
    const int folder = ::openat(AT_FDCWD, fromRoot ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        return lastError();
    }
    return Start{Handle(folder), fromRoot ? "/" : "", std::string(path.substr(fromRoot ? 1 : 0))};
}

ErrorOr<Handle> open(const Handle& folder, std::string_view name, const OpenRequest& request) {
    using Access = OpenRequest::Access;
    using Creation = OpenRequest::Creation;
    int flags = O_NOFOLLOW | O_CLOEXEC;
    switch (request.access) {
    case Access::name:
        flags |= O_PATH;
        break;
    case Access::folder:
        flags |= O_RDONLY | O_DIRECTORY;
        break;
    case Access::reading:
        // Without O_NONBLOCK, opening a FIFO would wait for a writer; with it, the FIFO opens (or fails
        // ENXIO), and is refused as what it is before anything is read.
        flags |= O_RDONLY | O_NONBLOCK;
        break;
    case Access::writing:
        flags |= O_WRONLY | O_NONBLOCK;
        break;
    }
    if (request.creation == Creation::either) {
        flags |= O_CREAT;
    } else if (request.creation != Creation::existing) {
        flags |= O_CREAT | O_EXCL;
    }
    const std::string named(name);
    int descriptor = hostCalls.openat(descriptorOf(folder), named.c_str(), flags,
                                      static_cast<mode_t>(request.permissions));
    // A folder the user may not list is still a place for names (one they may write but not list).
    if (descriptor < 0 && errno == EACCES && request.access == Access::folder) {
        descriptor = hostCalls.openat(descriptorOf(folder), named.c_str(),
                                      O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, 0);
    }
    if (descriptor < 0) {
        return lastError();
    }
    Handle opened(descriptor);
    // Writing waits for the disk as usual (reading a regular file does all the same).
    if (request.access == Access::writing) {
        const int status = fcntl(descriptor, F_GETFL);
        if (status < 0 || fcntl(descriptor, F_SETFL, status & ~O_NONBLOCK) != 0) {
            return lastError();
        }
    }
    return opened;
}

ErrorOr<FileStatus> status(const Handle& file) {
    struct stat status {};
    if (hostCalls.fstat(descriptorOf(file), &status) != 0) {
        return lastError();
    }
    return statusFrom(status);
}

ErrorOr<FileStatus> statusAt(const Handle& folder, std::string_view name) {
    struct stat status {};
    if (fstatat(descriptorOf(folder), std::string(name).c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return lastError();
    }
    return statusFrom(status);
}

ErrorOr<std::string> linkTarget(const Handle& link) {
    std::string target(PATH_MAX, '\0');
    const ssize_t length = readlinkat(descriptorOf(link), "", target.data(), target.size());
    if (length < 0) {
        return lastError();
    }
    // A target cut short by the buffer names another file.
    if (static_cast<std::size_t>(length) >= target.size()) {
        return std::make_error_code(std::errc::filename_too_long);
    }
    if (length == 0) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    target.resize(static_cast<std::size_t>(length));
    return target;
}

std::error_code mayWrite(const Handle& folder, std::string_view name) {
    const int mode = name == "." ? W_OK | X_OK : W_OK;
    return errorOf(
        faccessat(descriptorOf(folder), std::string(name).c_str(), mode, AT_EACCESS | AT_SYMLINK_NOFOLLOW));
}

ErrorOr<std::size_t> read(const Handle& file, char* bytes, std::size_t size) {
    for (;;) {
        const ssize_t count = hostCalls.read(descriptorOf(file), bytes, size);
        if (count >= 0) {
            return static_cast<std::size_t>(count);
        }
        if (errno != EINTR) {
            return lastError();
        }
    }
}

std::error_code write(const Handle& file, const std::string_view* pieces, std::size_t count) {
    assert(count <= maxGatheredPieces);
    std::array<iovec, maxGatheredPieces> vectors{};
    for (std::size_t piece = 0; piece < count; ++piece) {
        // writev only reads from the pieces.
        vectors[piece] = {const_cast<char*>(pieces[piece].data()), pieces[piece].size()};
    }
    iovec* next = vectors.data();
    iovec* const end = next + count;
    while (next != end) {
        const ssize_t written =
            next + 1 == end ? hostCalls.write(descriptorOf(file), next->iov_base, next->iov_len)
                            : hostCalls.writev(descriptorOf(file), next, static_cast<int>(end - next));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        // A short write leaves the rest of a piece and the pieces after it.
        auto left = static_cast<std::size_t>(written);
        while (next != end && left >= next->iov_len) {
            left -= next->iov_len;
            ++next;
        }
        if (left > 0) {
            next->iov_base = static_cast<char*>(next->iov_base) + left;
            next->iov_len -= left;
        }
    }
    return {};
}

std::error_code truncate(const Handle& file) {
    return errorOf(ftruncate(descriptorOf(file), 0));
}

std::error_code sync(const Handle& file) {
    return errorOf(hostCalls.fsync(descriptorOf(file)));
}

std::error_code close(Handle& file) {
    // After EINTR Linux has closed the descriptor all the same.
    if (hostCalls.close(static_cast<int>(file.release())) != 0 && errno != EINTR) {
        return lastError();
    }
    return {};
}

ErrorOr<FileAccess> access(const Handle& file, const FileStatus& status) {
    FileAccess result{status.owner, status.group, status.permissions, {}};
    const Acl acl(acl_get_fd(descriptorOf(file)));
    if (!acl) {
        if (!noAccessLists(errno)) {
            return lastError();
        }
        return result;
    }
    // A list of the three entries that the permission bits stand for holds nothing beyond them.
    if (acl_equiv_mode(acl.get(), nullptr) != 0) {
        ErrorOr<std::vector<AccessEntry>> entries = entriesOf(acl.get());
        if (!entries) {
            return entries.error();
        }
        result.entries = std::move(*entries);
    }
    return result;
}

std::error_code setAccess(const Handle& file, const FileAccess& access) {
    const int descriptor = descriptorOf(file);
    const auto permissions = static_cast<mode_t>(access.permissions);
    ErrorOr<Acl> acl =
        access.entries.empty() ? ErrorOr<Acl>(Acl(acl_from_mode(permissions))) : aclOf(access.entries);
    if (!acl || !*acl) {
        return acl ? lastError() : acl.error();
    }
    // A list sets the permission bits with it; where the file system keeps no access lists, the permission
    // bits are all there is.
    if (hostCalls.setAcl(descriptor, acl->get()) != 0) {
        if (!noAccessLists(errno) || !access.entries.empty()) {
            return lastError();
        }
        return errorOf(fchmod(descriptor, permissions));
    }
    // The set-user-ID, set-group-ID and sticky bits are no part of a list.
    return (permissions & 07000) == 0 ? std::error_code() : errorOf(fchmod(descriptor, permissions));
}

std::error_code setPermissions(const Handle& file, unsigned permissions) {
    return errorOf(fchmod(descriptorOf(file), static_cast<mode_t>(permissions)));
}

std::error_code setOwner(const Handle& file, std::optional<std::uint32_t> owner, std::uint32_t group) {
    return errorOf(fchown(descriptorOf(file), owner ? *owner : static_cast<uid_t>(-1), group));
}

std::error_code keepAttributes(const Handle& from, const Handle& to) {
    // The names only word the library's own messages, which are not asked for.
    return errorOf(attr_copy_fd("", descriptorOf(from), "", descriptorOf(to), isUserAttribute, nullptr));
}

std::error_code setAttributes(const Handle& /*folder*/, std::string_view /*name*/,
                              std::uint32_t /*attributes*/) {
    return {};
}

ErrorOr<FileFlags> flags(const Handle& file) {
    int flags = 0;
    if (hostCalls.getFlags(descriptorOf(file), &flags) != 0) {
        return lastError();
    }
    return FileFlags{(flags & FS_IMMUTABLE_FL) != 0, (flags & FS_APPEND_FL) != 0};
}

std::error_code rename(const Handle& folder, std::string_view from, std::string_view to, RenameMode mode) {
    const int at = descriptorOf(folder);
    const std::string source(from);
    const std::string target(to);
    const unsigned how = mode == RenameMode::exchange    ? RENAME_EXCHANGE
                         : mode == RenameMode::noReplace ? RENAME_NOREPLACE
                                                         : 0;
    if (hostCalls.renameat2(at, source.c_str(), at, target.c_str(), how) == 0) {
        return {};
    }
    if (how == 0 || (errno != EINVAL && errno != ENOSYS)) {
        return lastError();
    }
    // A file system that cannot exchange names or refuse to replace one (NFS, SMB): a hard link takes the
    // name only while it is free, and then the old name goes. Without hard links it cannot be done.
    if (mode == RenameMode::noReplace && hostCalls.linkat(at, source.c_str(), at, target.c_str(), 0) == 0) {
        if (hostCalls.unlinkat(at, source.c_str(), 0) == 0) {
            return {};
        }
        const std::error_code error = lastError();
        hostCalls.unlinkat(at, target.c_str(), 0);
        return error;
    }
    if (mode == RenameMode::noReplace && errno != EPERM && errno != EOPNOTSUPP) {
        return lastError();
    }
    return std::make_error_code(std::errc::not_supported);
}

std::error_code remove(const Handle& folder, std::string_view name) {
    return errorOf(hostCalls.unlinkat(descriptorOf(folder), std::string(name).c_str(), 0));
}

ErrorOr<std::vector<std::string>> list(const Handle& folder) {
    const int descriptor = ::openat(descriptorOf(folder), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return lastError();
    }
    DIR* listing = fdopendir(descriptor);
    if (listing == nullptr) {
        ::close(descriptor);
        return lastError();
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(listing)) {
        if (entry->d_type != DT_DIR) {
            names.emplace_back(entry->d_name);
        }
    }
    closedir(listing);
    return names;
}

std::error_code lock(const Handle& file) {
    const int descriptor = descriptorOf(file);
    // A flock belongs to the open file; it ends when the file is closed.
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        return lastError();
    }
    // Local to this machine on some network file systems, a flock is joined by a record lock of the open
    // file, which NFS and SMB carry to the server, so that a run on another client sees it too. A folder,
    // or a file system without record locks, has the flock alone.
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (hostCalls.recordLock(descriptor, &whole) != 0 && (errno == EAGAIN || errno == EACCES)) {
        return std::make_error_code(std::errc::resource_unavailable_try_again);
    }
    return {};
}

std::uint32_t currentUser() {
    return geteuid();
}

std::string userName(std::uint32_t user) {
    return std::to_string(user);
}

unsigned creationMask() {
    // The mask can only be read by setting it; the program runs on one thread.
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

std::string cause(std::string_view /*path*/, const std::error_code& error) {
    return error ? error.message() : "unknown error";
}

} // namespace host

} // namespace courseeval
