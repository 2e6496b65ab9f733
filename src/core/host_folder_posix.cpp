// The POSIX half of HostFolder: a folder descriptor, and every file opened, created, looked up, renamed
// and removed relative to it (openat, fstatat, renameat2, unlinkat), without following links and without
// waiting.
#include "core/host_calls_posix.h"
#include "core/host_folder.h"
#include "core/posix_status.h"

#include <algorithm>
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
#include <variant>

namespace courseeval {

namespace {

// A chain of links longer than this is taken for a loop, as the kernel does.
constexpr int maxLinksFollowed = 40;
constexpr unsigned writePermissions = 0222;

// Opens a folder: to be read where the user may (a listing, a lock, a sync need that), otherwise only to
// be a place for names (a folder the user may write but not list is still usable).
int openFolderAt(int at, const char* path) {
    const int descriptor = openat(at, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0 || errno != EACCES) {
        return descriptor;
    }
    return openat(at, path, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// A descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int descriptor = -1) : descriptor_(descriptor) {}
    Descriptor(Descriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        std::swap(descriptor_, other.descriptor_);
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

// Where a walk ended: the folder that holds the last name, open only as a place for names, its path as
// walked (final "/" included), and the last name with what stands there, itself open only as a name.
struct WalkEnd {
    Descriptor folder;
    std::string folderPath;
    std::string name;
    std::optional<struct stat> status; // nothing when no file has the name
    Descriptor node;
};

// Why a walk stopped: the system's error, or (error 0) a link of `owner`, at `link` as walked, that is not
// followed.
struct WalkFailure {
    int error = 0;
    std::string link;
    uid_t owner = 0;
};

// The target of the link open as `node`, or the error: a target cut short by the buffer is ENAMETOOLONG.
std::variant<std::string, int> targetOf(int node) {
    std::string target(PATH_MAX, '\0');
    const ssize_t length = readlinkat(node, "", target.data(), target.size());
    if (length < 0) {
        return errno;
    }
    if (static_cast<std::size_t>(length) >= target.size()) {
        return ENAMETOOLONG;
    }
    if (length == 0) {
        return ENOENT;
    }
    target.resize(static_cast<std::size_t>(length));
    return target;
}

// Walks `path` from the folder `start`, whose path is `walked`, one name at a time: each name is opened
// only as a name, never following a link, and a symbolic link met on the way or at the last name is
// followed where followsLink() allows it, its target read from the very link whose owner was checked.
// Whatever is renamed meanwhile, no link of anyone else is ever followed on the way.
std::variant<WalkEnd, WalkFailure> walk(int start, std::string walked, std::string_view path) {
    const auto failed = [](int error) { return WalkFailure{error, {}, 0}; };
    WalkEnd end;
    end.folder = Descriptor(openat(start, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (end.folder.get() < 0) {
        return failed(errno);
    }
    std::string rest(path.empty() ? std::string_view(".") : path);
    for (int links = 0;;) {
        if (rest.starts_with('/')) {
            end.folder = Descriptor(openat(AT_FDCWD, "/", O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (end.folder.get() < 0) {
                return failed(errno);
            }
            // Assigned as one character, not as a literal, which g++ 12 at -O3 misreads (-Wrestrict).
            walked.assign(1, '/');
        }
        const std::size_t first = rest.find_first_not_of('/');
        const std::size_t slash = rest.find('/', first);
        std::string name = rest.substr(first == std::string::npos ? rest.size() : first, slash - first);
        const std::size_t next =
            slash == std::string::npos ? std::string::npos : rest.find_first_not_of('/', slash);
        rest.erase(0, next == std::string::npos ? rest.size() : next);
        const bool last = rest.empty();
        const bool folderNamed = slash != std::string::npos; // "data/" names a folder
        if (name.empty()) {
            name.assign(1, '.');
        }
        Descriptor node(openat(end.folder.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (node.get() < 0) {
            if (errno == ENOENT && last) {
                end.folderPath = walked;
                end.name = name;
                return end;
            }
            return failed(errno);
        }
        struct stat status {};
        if (fstat(node.get(), &status) != 0) {
            return failed(errno);
        }
        if (S_ISLNK(status.st_mode)) {
            if (!followsLink(status.st_uid, geteuid())) {
                return WalkFailure{0, walked + name, status.st_uid};
            }
            if (++links > maxLinksFollowed) {
                return failed(ELOOP);
            }
            std::variant<std::string, int> target = targetOf(node.get());
            if (const int* error = std::get_if<int>(&target)) {
                return failed(*error);
            }
            // The link's target takes its name's place in what is left to walk.
            std::string& linked = std::get<std::string>(target);
            if (!last) {
                linked.append("/").append(rest);
            } else if (folderNamed) {
                linked.append("/");
            }
            rest = std::move(linked);
            continue;
        }
        if (last && !(folderNamed && !S_ISDIR(status.st_mode))) {
            end.folderPath = walked;
            end.name = name;
            end.status = status;
            end.node = std::move(node);
            return end;
        }
        if (!S_ISDIR(status.st_mode)) {
            return failed(ENOTDIR);
        }
        end.folder = std::move(node);
        walked.append(name).append("/");
    }
}

// The signals that end the program and its temporary file with it, and what handled them before.
constexpr int interruptions[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousActions[std::size(interruptions)];
// The temporary file that an interruption removes, kept where the signal handler can read it: its folder,
// its name there, the path that names it in a message, and which file it is: whatever stands at the name
// by the time of the interruption is removed only when it is this file.
struct PendingTemporary {
    int folder = -1;
    std::unique_ptr<char[]> name;
    std::unique_ptr<char[]> shown;
    std::uint64_t device = 0;
    std::uint64_t identity = 0;
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
    struct stat standing {};
    if (const PendingTemporary* pending = pendingTemporary.load();
        pending != nullptr &&
        fstatat(pending->folder, pending->name.get(), &standing, AT_SYMLINK_NOFOLLOW) == 0 &&
        standing.st_dev == pending->device && standing.st_ino == pending->identity &&
        unlinkat(pending->folder, pending->name.get(), 0) != 0 && errno != ENOENT) {
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

// Why a walk stopped, as a failure: the system's error, or the refusal of a link not followed.
HostFailure failureOf(const WalkFailure& failure) {
    if (failure.error != 0) {
        return HostFailure(std::error_code(failure.error, std::system_category()));
    }
    return HostFailure("is a symbolic link of user " + std::to_string(failure.owner) +
                           "; only links of your own or of root are followed",
                       failure.link);
}

} // namespace

HostCalls hostCalls;

std::string hostFolderName(std::string_view folderPath) {
    std::string name(folderPath);
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

HostResult<HostFolder> HostFolder::open(const std::string& path) {
    std::variant<WalkEnd, WalkFailure> walked = walk(AT_FDCWD, {}, path);
    if (const WalkFailure* failure = std::get_if<WalkFailure>(&walked)) {
        return failureOf(*failure);
    }
    const WalkEnd& end = std::get<WalkEnd>(walked);
    if (!end.status || !S_ISDIR(end.status->st_mode)) {
        return HostFailure(std::error_code(end.status ? ENOTDIR : ENOENT, std::system_category()));
    }
    const int descriptor = openFolderAt(end.node.get(), ".");
    if (descriptor < 0) {
        return HostFailure(lastHostError());
    }
    return HostFolder(path, descriptor);
}

HostFolder::~HostFolder() {
    if (native_ >= 0) {
        ::close(descriptorOf(native_));
    }
}

std::error_code HostFolder::whyNotWritable() const {
    if (faccessat(descriptorOf(native_), ".", W_OK | X_OK, AT_EACCESS) != 0 &&
        (errno == EACCES || errno == EROFS)) {
        return lastHostError();
    }
    return {};
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

HostResult<HostFolder::Reached> HostFolder::follow(std::string_view name) const {
    std::variant<WalkEnd, WalkFailure> walked = walk(descriptorOf(native_), path_, name);
    if (const WalkFailure* failure = std::get_if<WalkFailure>(&walked)) {
        return failureOf(*failure);
    }
    const WalkEnd& end = std::get<WalkEnd>(walked);
    // Opened to be read where the user may, so that the folder can be synced.
    const int folder = openFolderAt(end.folder.get(), ".");
    if (folder < 0) {
        return HostFailure(lastHostError());
    }
    return Reached{this, HostFolder(end.folderPath, folder), end.name,
                   end.status ? std::optional<FileStatus>(statusFrom(*end.status)) : std::nullopt};
}

HostResult<HostFile> HostFolder::openHere(std::string_view name, const OpenRequest& request) const {
    using Creation = OpenRequest::Creation;
    const bool writing = request.access == OpenRequest::Access::writing;
    const bool onlyNew = request.creation == Creation::newOnly || request.creation == Creation::temporary;
    const int creating = request.creation == Creation::existing ? 0 : onlyNew ? O_CREAT | O_EXCL : O_CREAT;
    // Without O_NONBLOCK, opening a FIFO would wait for a writer or a reader; with it, a FIFO nobody reads
    // fails ENXIO, and one that opens is refused before anything is read or written.
    HostFile file(
        hostCalls.openat(descriptorOf(native_), std::string(name).c_str(),
                         (writing ? O_WRONLY : O_RDONLY) | creating | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                         static_cast<mode_t>(request.permissions)));
    if (!file.isOpen()) {
        const std::error_code error = lastHostError();
        if ((onlyNew && error.value() == EEXIST) ||
            (request.creation == Creation::existing && error.value() == ENOENT)) {
            return HostFile();
        }
        return HostFailure(error);
    }
    // Writing waits for the disk as usual (reading a regular file does all the same).
    if (writing) {
        const int flags = fcntl(descriptorOf(file.native_), F_GETFL);
        if (flags < 0 || fcntl(descriptorOf(file.native_), F_SETFL, flags & ~O_NONBLOCK) != 0) {
            return HostFailure(lastHostError());
        }
    }
    return file;
}

std::error_code HostFolder::remove(std::string_view name) const {
    if (hostCalls.unlinkat(descriptorOf(native_), std::string(name).c_str(), 0) != 0 && errno != ENOENT) {
        return lastHostError();
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
    if (int flags = 0; file.isOpen() && hostCalls.getFlags(descriptorOf(file.native_), &flags) == 0) {
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

std::optional<HostFolder::ReplaceFailure> HostFolder::replace(std::string_view temporaryName,
                                                              std::string_view target,
                                                              const std::optional<FileStatus>& old) const {
    using Step = ReplaceFailure::Step;
    const auto failed = [](Step step) { return ReplaceFailure{step, lastHostError()}; };
    const int folder = descriptorOf(native_);
    const std::string from(temporaryName);
    const std::string to(target);
    {
        // From the exchange until the new file is in place or put back, an interruption waits: meanwhile
        // the temporary name may hold a file that is not this run's.
        const InterruptionsHeld held;
        // The one step is an exchange of the two names (or, with nothing to replace, a rename that
        // replaces nothing), so that a file another program put at the name meanwhile is found, put back
        // and kept.
        const unsigned step = old ? RENAME_EXCHANGE : RENAME_NOREPLACE;
        if (hostCalls.renameat2(folder, from.c_str(), folder, to.c_str(), step) == 0) {
            if (const std::optional<FileStatus> replaced = old ? statusOf(from) : std::nullopt;
                old && (!replaced || !replaced->sameFileAs(*old))) {
                if (hostCalls.renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_EXCHANGE) != 0) {
                    return failed(Step::puttingBack);
                }
                return ReplaceFailure{Step::changedMeanwhile, {}};
            }
        } else if (errno == EEXIST || errno == ENOENT) {
            return ReplaceFailure{Step::changedMeanwhile, {}};
        } else if (errno == EINVAL || errno == ENOSYS) {
            // A file system that can neither exchange names nor refuse to replace: checked, then renamed.
            const std::optional<FileStatus> standing = statusOf(to);
            if (old ? !standing || !standing->sameFileAs(*old) : standing.has_value()) {
                return ReplaceFailure{Step::changedMeanwhile, {}};
            }
            if (renameat(folder, from.c_str(), folder, to.c_str()) != 0) {
                return failed(Step::replacing);
            }
        } else {
            return failed(Step::replacing);
        }
    }
    // The new file is in place; the old one, where it was exchanged, is at the temporary name.
    const bool oldLeft = old && hostCalls.unlinkat(folder, from.c_str(), 0) != 0 && errno != ENOENT;
    const std::error_code removeError = lastHostError();
    // The new name is made durable too; the file itself already is. A folder the user may not read cannot
    // be synced (EBADF: it is open only as a place for names), and some file systems cannot sync a folder
    // (EINVAL): the rename is then as durable as the file system makes it.
    if (hostCalls.fsync(folder) != 0 && errno != EBADF && errno != EINVAL && !oldLeft) {
        return failed(Step::syncing);
    }
    if (oldLeft) {
        return ReplaceFailure{Step::removingOld, removeError};
    }
    return std::nullopt;
}

HostResult<TemporaryFile> TemporaryFile::create(const HostFolder& folder, std::string name) {
    // Held back from the creation until the file is registered, an interruption cannot leave it behind.
    const InterruptionsHeld held;
    HostResult<TemporaryFile> created = createUnregistered(folder, std::move(name));
    if (!created || !created->pending_) {
        return created;
    }
    temporary.folder = descriptorOf(folder.native_);
    temporary.device = created->status_.device;
    temporary.identity = created->status_.identity;
    temporary.name = copyOf(created->name_);
    temporary.shown = copyOf(folder.pathOf(created->name_));
    pendingTemporary.store(&temporary);
    struct sigaction action {};
    action.sa_handler = removeTemporaryAndEnd;
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigemptyset(&action.sa_mask);
    for (std::size_t index = 0; index < std::size(interruptions); ++index) {
        sigaction(interruptions[index], &action, &previousActions[index]);
    }
    return created;
}

void TemporaryFile::keep() noexcept {
    if (!std::exchange(pending_, false)) {
        return;
    }
    const InterruptionsHeld held;
    if (pendingTemporary.exchange(nullptr) != nullptr) {
        for (std::size_t index = 0; index < std::size(interruptions); ++index) {
            sigaction(interruptions[index], &previousActions[index], nullptr);
        }
    }
    temporary = PendingTemporary();
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
