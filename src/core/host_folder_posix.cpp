// The POSIX half of HostFolder: a folder descriptor, and every file opened, created, looked up, renamed
// and removed relative to it (openat, fstatat, renameat2, unlinkat), without following links and without
// waiting.
#include "core/host_folder.h"
#include "core/posix_status.h"
#include "core/run_error.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace courseeval {

namespace {

// A chain of links longer than this is taken for a loop, as the kernel does.
constexpr int maxLinksFollowed = 40;
constexpr unsigned writePermissions = 0222;
constexpr unsigned ownerReadWrite = 0600;

int descriptorOf(std::intptr_t native) {
    return static_cast<int>(native);
}

const char* orHere(const std::string& folder) {
    return folder.empty() ? "." : folder.c_str();
}

// The folder part of the host path `path`, its final separator included; empty for a name alone.
std::string folderPartOf(std::string_view path) {
    const std::size_t split = path.rfind('/');
    return std::string(path.substr(0, split == std::string_view::npos ? 0 : split + 1));
}

// Opens a folder: to be read where the user may (a listing, a lock, a sync need that), otherwise only to
// be a place for names (a folder the user may write but not list is still usable).
int openFolderAt(int at, const char* path) {
    const int descriptor = openat(at, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0 || errno != EACCES) {
        return descriptor;
    }
    return openat(at, path, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// Why a link of `owner` at `link` (reached from `path`) is not followed.
std::string untrustedLink(const std::string& path, const std::string& link, uid_t owner) {
    std::string cause = link == path ? "is" : "leads to '" + link + "', which is";
    return cause.append(" a symbolic link of user ")
        .append(std::to_string(owner))
        .append("; only links of your own or of root are followed");
}

RunError changedMeanwhile(const std::string& shown) {
    return fileError("cannot replace", shown,
                     "the file was changed by another program meanwhile, so nothing was replaced");
}

// The signals that end the program and its temporary file with it, and what handled them before.
constexpr int interruptions[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousActions[std::size(interruptions)];
// The temporary file that an interruption removes, kept where the signal handler can read it: its folder,
// its name there and the path that names it in a message.
struct PendingTemporary {
    int folder = -1;
    std::unique_ptr<char[]> name;
    std::unique_ptr<char[]> shown;
};
PendingTemporary temporary;
std::atomic<const PendingTemporary*> pendingTemporary{nullptr};

void writeToStandardError(const char* text) {
    const ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

extern "C" void removeTemporaryAndEnd(int signal) {
    // Only async-signal-safe calls here. The handler was reset to the default on entry (SA_RESETHAND):
    // raising the signal again ends the program as the signal would have, once the handler returns.
    const int savedErrno = errno;
    if (const PendingTemporary* pending = pendingTemporary.load();
        pending != nullptr && unlinkat(pending->folder, pending->name.get(), 0) != 0 && errno != ENOENT) {
        writeToStandardError("course-eval: cannot remove the unfinished file '");
        writeToStandardError(pending->shown.get());
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

std::unique_ptr<char[]> copyOf(std::string_view text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

void removeOnInterruption(int folder, std::string_view name, std::string_view shown) {
    temporary.folder = folder;
    temporary.name = copyOf(name);
    temporary.shown = copyOf(shown);
    pendingTemporary.store(&temporary);
    struct sigaction action {};
    action.sa_handler = removeTemporaryAndEnd;
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigemptyset(&action.sa_mask);
    for (std::size_t index = 0; index < std::size(interruptions); ++index) {
        sigaction(interruptions[index], &action, &previousActions[index]);
    }
}

} // namespace

HostFolder HostFolder::open(const std::string& path, const std::string& shown) {
    constexpr std::string_view what = "cannot use the folder";
    const int descriptor = openFolderAt(AT_FDCWD, orHere(path));
    if (descriptor < 0) {
        throw fileError(what, shown, errno);
    }
    HostFolder folder(path, descriptor);
    if (faccessat(descriptor, ".", W_OK | X_OK, AT_EACCESS) != 0 && (errno == EACCES || errno == EROFS)) {
        throw fileError(what, shown, errno);
    }
    return folder;
}

HostFolder::~HostFolder() {
    if (native_ >= 0) {
        ::close(descriptorOf(native_));
    }
}

HostFolder HostFolder::duplicate() const {
    const int copy = fcntl(descriptorOf(native_), F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        throw fileError("cannot open", path_, errno);
    }
    return {path_, copy};
}

bool HostFolder::sameFolderAs(const HostFolder& other) const {
    struct stat mine {};
    struct stat theirs {};
    return fstat(descriptorOf(native_), &mine) == 0 && fstat(descriptorOf(other.native_), &theirs) == 0 &&
           mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

std::optional<FileStatus> HostFolder::statusOf(std::string_view name) const {
    struct stat status {};
    if (fstatat(descriptorOf(native_), std::string(name).c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return statusFrom(status);
}

HostFolder::Reached HostFolder::follow(std::string_view name, std::string_view what) const {
    const std::string path = pathOf(name);
    HostFolder folder = duplicate();
    std::string reachedName(name);
    std::string reached = path;
    for (int hop = 0; hop <= maxLinksFollowed; ++hop) {
        // O_PATH opens the name itself, a link included, without opening the file for any use.
        const int node =
            openat(descriptorOf(folder.native_), reachedName.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (node < 0) {
            if (errno == ENOENT) {
                return {std::move(folder), reachedName, std::nullopt};
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
            return {std::move(folder), reachedName, statusFrom(status)};
        }
        if (!followsLink(status.st_uid, geteuid())) {
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
        // The folder the link leads to is opened from the folder of the link itself.
        if (const std::string part = folderPartOf(linked); !part.empty()) {
            const int next = openFolderAt(descriptorOf(folder.native_), part.c_str());
            if (next < 0) {
                throw fileError(what, path, errno);
            }
            folder = HostFolder(folderPartOf(reached), next);
        }
        // A link to a folder ("data/") names the folder itself, which is then refused as what it is.
        const std::string_view leaf = linked.substr(folderPartOf(linked).size());
        reachedName = std::string(leaf.empty() ? std::string_view(".") : leaf);
    }
    throw fileError(what, path, ELOOP);
}

HostFile HostFolder::openToRead(std::string_view name, const std::string& shown) const {
    // Not waiting is only a safeguard: a FIFO opened to be read without waiting is refused as what it is.
    HostFile file(shown, openat(descriptorOf(native_), std::string(name).c_str(),
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.isOpen()) {
        const int error = errno;
        refuseWhatStands(name, "cannot read", shown);
        throw fileError("cannot open", shown, error);
    }
    if (const Refusal kind = notARegularFile(file.status().kind)) {
        throw fileError("cannot read", shown, *kind);
    }
    return file;
}

HostFile HostFolder::openForWriting(std::string_view name, unsigned permissions, Creation creation) const {
    const int creating = creation == Creation::never     ? 0
                         : creation == Creation::onlyNew ? O_CREAT | O_EXCL
                                                         : O_CREAT;
    const std::string path = pathOf(name);
    // Without O_NONBLOCK, opening a FIFO would wait for a reader; with it, a FIFO nobody reads fails ENXIO.
    HostFile file(path, openat(descriptorOf(native_), std::string(name).c_str(),
                               O_WRONLY | creating | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, permissions));
    if (!file.isOpen()) {
        const int error = errno;
        if ((creation == Creation::onlyNew && error == EEXIST) ||
            (creation == Creation::never && error == ENOENT)) {
            return {};
        }
        refuseWhatStands(name, "cannot create", path);
        throw fileError("cannot create", path, error);
    }
    // Writing waits for the disk as usual; a FIFO that did open is refused before anything is written.
    const int flags = fcntl(descriptorOf(file.native_), F_GETFL);
    if (flags < 0 || fcntl(descriptorOf(file.native_), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        throw fileError("cannot create", path, errno);
    }
    return file;
}

HostFile HostFolder::createTemporary(std::string_view name, const std::string& shown) const {
    // Held back from the creation until the file is registered, an interruption cannot leave it behind.
    const InterruptionsHeld held;
    HostFile file = openForWriting(name, ownerReadWrite, Creation::onlyNew);
    if (file.isOpen()) {
        file.path_ = shown;
        removeOnInterruption(descriptorOf(native_), name, pathOf(name));
    }
    return file;
}

void HostFolder::forgetTemporary() {
    const InterruptionsHeld held;
    if (pendingTemporary.exchange(nullptr) != nullptr) {
        for (std::size_t index = 0; index < std::size(interruptions); ++index) {
            sigaction(interruptions[index], &previousActions[index], nullptr);
        }
    }
    temporary = PendingTemporary();
}

std::string HostFolder::remove(std::string_view name) const {
    if (unlinkat(descriptorOf(native_), std::string(name).c_str(), 0) != 0 && errno != ENOENT) {
        return std::strerror(errno);
    }
    return {};
}

std::vector<std::string> HostFolder::ownRegularFiles() const {
    std::vector<std::string> names;
    // A folder the user may not list has no names to give.
    const int descriptor = openat(descriptorOf(native_), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return names;
    }
    DIR* listing = fdopendir(descriptor);
    if (listing == nullptr) {
        ::close(descriptor);
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

Refusal HostFolder::whyNotReplaceable(std::string_view name, const HostFile& file,
                                      const FileStatus& status) const {
    // Root may write any file; a file without any write permission is read-only for root too.
    if ((status.permissions & writePermissions) == 0 ||
        (faccessat(descriptorOf(native_), std::string(name).c_str(), W_OK,
                   AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0 &&
         (errno == EACCES || errno == EROFS))) {
        return "the file is read-only";
    }
    if (int flags = 0; file.isOpen() && ioctl(descriptorOf(file.native_), FS_IOC_GETFLAGS, &flags) == 0) {
        if ((flags & FS_IMMUTABLE_FL) != 0) {
            return "the file is immutable (its attribute i is set; see lsattr)";
        }
        if ((flags & FS_APPEND_FL) != 0) {
            return "the file is append-only (its attribute a is set; see lsattr)";
        }
    }
    // In a sticky folder (such as /tmp) only the owner of a file, or of the folder, may rename over it.
    const uid_t user = geteuid();
    struct stat folder {};
    if (fstat(descriptorOf(native_), &folder) == 0 && (folder.st_mode & S_ISVTX) != 0 && user != 0 &&
        status.owner != user && folder.st_uid != user) {
        return "the folder is sticky and the file belongs to user " + std::to_string(status.owner);
    }
    return std::nullopt;
}

void HostFolder::replace(std::string_view temporaryName, std::string_view target,
                         const std::optional<FileStatus>& old, const std::string& shown) const {
    const int folder = descriptorOf(native_);
    const std::string from(temporaryName);
    const std::string to(target);
    // The one step is an exchange of the two names (or, with nothing to replace, a rename that replaces
    // nothing), so that a file another program put at the name meanwhile is found, put back and kept.
    const unsigned step = old ? RENAME_EXCHANGE : RENAME_NOREPLACE;
    if (renameat2(folder, from.c_str(), folder, to.c_str(), step) == 0) {
        if (old) {
            const std::optional<FileStatus> replaced = statusOf(from);
            if (!replaced || !replaced->sameFileAs(*old)) {
                if (renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_EXCHANGE) != 0) {
                    throw fileError("cannot replace", shown, errno);
                }
                throw changedMeanwhile(shown);
            }
            if (const std::string cause = remove(from); !cause.empty()) {
                throw fileError("cannot remove the old file, now", pathOf(from), cause);
            }
        }
    } else if (errno == EEXIST || errno == ENOENT) {
        throw changedMeanwhile(shown);
    } else if (errno == EINVAL || errno == ENOSYS) {
        // A file system that can neither exchange names nor refuse to replace: checked, then renamed.
        const std::optional<FileStatus> standing = statusOf(to);
        if (old ? !standing || !standing->sameFileAs(*old) : standing.has_value()) {
            throw changedMeanwhile(shown);
        }
        if (renameat(folder, from.c_str(), folder, to.c_str()) != 0) {
            throw fileError("cannot replace", shown, errno);
        }
    } else {
        throw fileError("cannot replace", shown, errno);
    }
    // The new name is made durable too; the file itself already is. A folder the user may not read cannot
    // be synced (EBADF: it is open only as a place for names), and some file systems cannot sync a folder
    // (EINVAL): the rename is then as durable as the file system makes it.
    if (fsync(folder) != 0 && errno != EBADF && errno != EINVAL) {
        throw fileError("cannot sync the folder of", shown, errno);
    }
}

HostFile::Lock HostFolder::lock() {
    if (flock(descriptorOf(native_), LOCK_EX | LOCK_NB) == 0) {
        locked_ = true;
        return HostFile::Lock::taken;
    }
    // EBADF for a folder open only as a place for names; ENOLCK, EOPNOTSUPP, EINVAL where the file system
    // cannot lock a folder.
    return errno == EWOULDBLOCK ? HostFile::Lock::heldElsewhere : HostFile::Lock::unsupported;
}

void HostFolder::unlock() {
    if (std::exchange(locked_, false)) {
        flock(descriptorOf(native_), LOCK_UN);
    }
}

std::uint32_t currentUser() {
    return geteuid();
}

unsigned fileCreationMask() {
    // The mask can only be read by setting it; the program runs on one thread.
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

} // namespace courseeval
