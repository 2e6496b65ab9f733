// The POSIX half of HostFile: descriptors, opened without following links and without waiting.
#include "core/file_error.h"
#include "core/host_file.h"
#include "core/host_path.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace courseeval {

namespace {

// A chain of links longer than this is taken for a loop, as the kernel does.
constexpr int maxLinksFollowed = 40;

int descriptorOf(std::intptr_t native) {
    return static_cast<int>(native);
}

FileKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return FileKind::regular;
    }
    if (S_ISDIR(mode)) {
        return FileKind::directory;
    }
    if (S_ISLNK(mode)) {
        return FileKind::symbolicLink;
    }
    if (S_ISFIFO(mode)) {
        return FileKind::fifo;
    }
    if (S_ISSOCK(mode)) {
        return FileKind::socket;
    }
    if (S_ISCHR(mode)) {
        return FileKind::characterDevice;
    }
    if (S_ISBLK(mode)) {
        return FileKind::blockDevice;
    }
    return FileKind::other;
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

const char* orHere(const std::string& folder) {
    return folder.empty() ? "." : folder.c_str();
}

// Why a link of `owner` at `link` (reached from `path`) is not followed.
std::string untrustedLink(const std::string& path, const std::string& link, uid_t owner) {
    std::string cause = link == path ? "is" : "leads to '" + link + "', which is";
    return cause.append(" a symbolic link of user ")
        .append(std::to_string(owner))
        .append("; only links of your own, of the folder's owner or of root are followed");
}

// The signals that end the program and its temporary file with it, and what handled them before.
constexpr int interruptions[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousActions[std::size(interruptions)];
// The temporary file that an interruption removes, kept where the signal handler can read it.
std::unique_ptr<char[]> temporaryName;
std::atomic<const char*> pendingTemporary{nullptr};

void writeToStandardError(const char* text) {
    const ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

extern "C" void removeTemporaryAndEnd(int signal) {
    // Only async-signal-safe calls here. The handler was reset to the default on entry (SA_RESETHAND):
    // raising the signal again ends the program as the signal would have, once the handler returns.
    const int savedErrno = errno;
    if (const char* name = pendingTemporary.load(); name != nullptr && unlink(name) != 0 && errno != ENOENT) {
        writeToStandardError("course-eval: cannot remove the unfinished file '");
        writeToStandardError(name);
        writeToStandardError("'\n");
    }
    raise(signal);
    errno = savedErrno;
}

sigset_t interruptionSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : interruptions) {
        sigaddset(&set, signal);
    }
    return set;
}

// Holds the interruptions back for as long as it lives.
class InterruptionsHeld {
public:
    InterruptionsHeld() {
        const sigset_t set = interruptionSet();
        sigprocmask(SIG_BLOCK, &set, &previous_);
    }
    InterruptionsHeld(const InterruptionsHeld&) = delete;
    InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;
    ~InterruptionsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_;
};

void removeOnInterruption(const std::string& path) {
    temporaryName = std::make_unique<char[]>(path.size() + 1);
    std::memcpy(temporaryName.get(), path.c_str(), path.size() + 1);
    pendingTemporary.store(temporaryName.get());
    struct sigaction action {};
    action.sa_handler = removeTemporaryAndEnd;
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigemptyset(&action.sa_mask);
    for (std::size_t index = 0; index < std::size(interruptions); ++index) {
        sigaction(interruptions[index], &action, &previousActions[index]);
    }
}

} // namespace

void HostFile::closeQuietly(std::intptr_t native, bool /*locked*/) noexcept {
    // A flock ends with the last descriptor of the open file.
    ::close(descriptorOf(native));
}

HostFile HostFile::openToRead(const std::string& path) {
    const host::NamedFile named = host::followTrustedLinks(path, "cannot open");
    if (!named.status) {
        throw fileError("cannot open", path, ENOENT);
    }
    if (const std::string kind = notARegularFile(named.status->kind); !kind.empty()) {
        throw fileError("cannot read", path, kind);
    }
    // Not waiting is only a safeguard here: the file was a regular one an instant ago.
    HostFile file(path, open(named.path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.isOpen()) {
        throw fileError("cannot open", path, errno);
    }
    const FileStatus opened = file.status();
    if (!opened.sameFileAs(*named.status)) {
        throw fileError("cannot open", path, "the file was replaced while it was opened");
    }
    return file;
}

HostFile HostFile::openForWriting(const std::string& path, unsigned permissions) {
    // Without O_NONBLOCK, opening a FIFO would wait for a reader; with it, a FIFO nobody reads fails ENXIO.
    HostFile file(path,
                  open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, permissions));
    if (!file.isOpen()) {
        const int error = errno;
        const std::optional<FileStatus> standing = host::statusOfName(path);
        if (standing && standing->kind != FileKind::regular) {
            throw fileError("cannot create", path, notARegularFile(standing->kind));
        }
        throw fileError("cannot create", path, error);
    }
    // Writing waits for the disk as usual; a FIFO that did open is refused before anything is written.
    const int flags = fcntl(descriptorOf(file.native_), F_GETFL);
    if (flags < 0 || fcntl(descriptorOf(file.native_), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        throw fileError("cannot create", path, errno);
    }
    return file;
}

HostFile HostFile::createTemporary(const std::string& path, const std::string& shown) {
    // Held back from the creation until the file is registered, an interruption cannot leave it behind.
    const InterruptionsHeld held;
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        if (errno == EEXIST) {
            return {};
        }
        throw fileError("cannot create", shown, errno);
    }
    removeOnInterruption(path);
    return {shown, descriptor};
}

HostFile HostFile::openFolder(const std::string& path) {
    return {path, open(orHere(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
}

FileStatus HostFile::status() const {
    struct stat status {};
    if (fstat(descriptorOf(native_), &status) != 0) {
        throw fileError("cannot read", path_, errno);
    }
    return statusFrom(status);
}

std::size_t HostFile::readSome(char* bytes, std::size_t size) {
    for (;;) {
        const ssize_t count = read(descriptorOf(native_), bytes, size);
        if (count >= 0) {
            return static_cast<std::size_t>(count);
        }
        if (errno != EINTR) {
            throw fileError("cannot read", path_, errno);
        }
    }
}

void HostFile::writeAll(const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t count = write(descriptorOf(native_), bytes, size);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw fileError("cannot write to", path_, errno);
        }
        bytes += count;
        size -= static_cast<std::size_t>(count);
    }
}

void HostFile::truncate() {
    if (ftruncate(descriptorOf(native_), 0) != 0) {
        throw fileError("cannot create", path_, errno);
    }
}

bool HostFile::setPermissions(unsigned permissions) {
    return fchmod(descriptorOf(native_), permissions) == 0;
}

void HostFile::takeOwnershipFrom(const FileStatus& old) {
    // Owner and group first: changing them may clear the set-user-ID and set-group-ID bits. Only root may
    // give a file away; a member of the old file's group may still give it that group.
    if (fchown(descriptorOf(native_), old.owner, old.group) != 0) {
        const int ignored = fchown(descriptorOf(native_), static_cast<uid_t>(-1), old.group);
        (void)ignored;
    }
    if (!setPermissions(old.permissions)) {
        throw fileError("cannot create", path_, errno);
    }
}

void HostFile::sync() {
    if (fsync(descriptorOf(native_)) != 0) {
        throw fileError("cannot write to", path_, errno);
    }
}

void HostFile::close() {
    const int descriptor = descriptorOf(std::exchange(native_, closedNative));
    // After EINTR Linux has closed the descriptor all the same.
    if (::close(descriptor) != 0 && errno != EINTR) {
        throw fileError("cannot close", path_, errno);
    }
}

HostFile HostFile::duplicate() const {
    HostFile copy(path_, fcntl(descriptorOf(native_), F_DUPFD_CLOEXEC, 0));
    if (!copy.isOpen()) {
        throw fileError("cannot open", path_, errno);
    }
    return copy;
}

HostFile::Lock HostFile::lock() {
    // A flock belongs to the open file, which duplicates share; it ends when the last of them is closed.
    if (flock(descriptorOf(native_), LOCK_EX | LOCK_NB) == 0) {
        locked_ = true;
        return Lock::taken;
    }
    // ENOLCK, EOPNOTSUPP, EINVAL, EBADF: a file system without such locks.
    return errno == EWOULDBLOCK ? Lock::heldElsewhere : Lock::unsupported;
}

namespace host {

void requireUsableFolder(const std::string& folder, const std::string& shown) {
    constexpr std::string_view what = "cannot use the folder";
    // O_PATH: a folder the user may write to but not list is still usable.
    const int descriptor = open(orHere(folder), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        throw fileError(what, shown, errno);
    }
    const int writable = faccessat(descriptor, ".", W_OK | X_OK, AT_EACCESS);
    const int error = errno;
    ::close(descriptor);
    if (writable != 0 && (error == EACCES || error == EROFS)) {
        throw fileError(what, shown, error);
    }
}

std::optional<FileStatus> statusOfName(const std::string& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return statusFrom(status);
}

NamedFile followTrustedLinks(const std::string& path, std::string_view what) {
    std::string reached = path;
    for (int hop = 0; hop <= maxLinksFollowed; ++hop) {
        // O_PATH opens the name itself, a link included, without opening the file for any use.
        const int node = open(reached.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (node < 0) {
            if (errno == ENOENT) {
                return {reached, std::nullopt};
            }
            throw fileError(what, path, errno);
        }
        struct stat status {};
        const bool known = fstat(node, &status) == 0;
        if (!known || !S_ISLNK(status.st_mode)) {
            const int error = errno;
            ::close(node);
            if (!known) {
                throw fileError(what, path, error);
            }
            return {reached, statusFrom(status)};
        }
        struct stat folder {};
        if (stat(orHere(folderPartOf(reached)), &folder) != 0) {
            const int error = errno;
            ::close(node);
            throw fileError(what, path, error);
        }
        if (!followsLink(status.st_uid, folder.st_uid, geteuid())) {
            ::close(node);
            throw fileError(what, path, untrustedLink(path, reached, status.st_uid));
        }
        // The target is read from the very link whose owner was checked, not looked up by name again.
        char target[PATH_MAX];
        const ssize_t length = readlinkat(node, "", target, sizeof target);
        const int error = errno;
        ::close(node);
        if (length < 0) {
            throw fileError(what, path, error);
        }
        const std::string_view linked(target, static_cast<std::size_t>(length));
        reached = linked.starts_with('/') ? std::string(linked) : folderPartOf(reached).append(linked);
    }
    throw fileError(what, path, ELOOP);
}

std::uint32_t currentUser() {
    return geteuid();
}

bool isReadOnly(const std::string& path, const FileStatus& status) {
    // Root may write any file; a file without any write permission is read-only for root too.
    if ((status.permissions & 0222) == 0) {
        return true;
    }
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && (errno == EACCES || errno == EROFS);
}

void replace(const std::string& temporary, const std::string& target,
             const std::optional<FileStatus>& /*old*/, const std::string& shown) {
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        throw fileError("cannot replace", shown, errno);
    }
    // The new name is made durable too; the file itself already is. A folder the user may not read cannot
    // be synced, and some file systems cannot sync a folder (EINVAL): the rename is then as durable as the
    // file system makes it.
    const int folder = open(orHere(folderPartOf(target)), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        if (errno != EACCES) {
            throw fileError("cannot sync the folder of", shown, errno);
        }
        return;
    }
    const bool synced = fsync(folder) == 0 || errno == EINVAL;
    const int error = errno;
    ::close(folder);
    if (!synced) {
        throw fileError("cannot sync the folder of", shown, error);
    }
}

void forgetTemporary() {
    const InterruptionsHeld held;
    if (pendingTemporary.exchange(nullptr) != nullptr) {
        for (std::size_t index = 0; index < std::size(interruptions); ++index) {
            sigaction(interruptions[index], &previousActions[index], nullptr);
        }
    }
    temporaryName.reset();
}

std::string removeFile(const std::string& path) {
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
        return std::strerror(errno);
    }
    return {};
}

std::vector<std::string> ownRegularFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* listing = opendir(orHere(folder));
    if (listing == nullptr) {
        return names;
    }
    const uid_t user = geteuid();
    while (const dirent* entry = readdir(listing)) {
        struct stat status {};
        if (fstatat(dirfd(listing), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode) && status.st_uid == user) {
            names.emplace_back(entry->d_name);
        }
    }
    closedir(listing);
    return names;
}

} // namespace host

} // namespace courseeval
