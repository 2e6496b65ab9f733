#include "core/folder_lock.h"

#include "core/file_error.h"
#include "core/file_open.h"

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace courseeval {

namespace {

RunError folderInUse(const std::string& folder) {
    return RunError("another run is using " + folder);
}

} // namespace

#ifdef _WIN32

namespace {

// The locked byte lies far beyond any real content, so the lock never gets in the way of writing the file.
constexpr DWORD lockedOffsetHigh = 0x7FFFFFFF;

OVERLAPPED lockedByte() {
    OVERLAPPED where{};
    where.Offset = 0;
    where.OffsetHigh = lockedOffsetHigh;
    return where;
}

} // namespace

FolderLock::FolderLock(const std::string& folder, const std::string& path) {
    requireNoNul("cannot create", path);
    // Opened through the C library, so that a failure reads as for every other file of the run.
    int descriptor = -1;
    if (_sopen_s(&descriptor, path.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                 _S_IREAD | _S_IWRITE) != 0) {
        throw fileError("cannot create", path, errno);
    }
    descriptor_ = descriptor;
    OVERLAPPED where = lockedByte();
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor_));
    if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where) == 0) {
        const DWORD error = GetLastError();
        _close(descriptor_);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_SHARING_VIOLATION) {
            throw folderInUse(folder);
        }
        throw windowsFileError("cannot lock", path, error);
    }
}

FolderLock::~FolderLock() {
    // Windows releases the locks of a closed file only in its own time; the next run must not wait for it.
    OVERLAPPED where = lockedByte();
    UnlockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor_)), 0, 1, 0, &where);
    _close(descriptor_);
}

#else

FolderLock::FolderLock(const std::string& folder, const std::string& path) {
    requireNoNul("cannot create", path);
    // The mode is that of any file the run creates; the umask applies.
    descriptor_ = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (descriptor_ < 0) {
        throw fileError("cannot create", path, errno);
    }
    if (flock(descriptor_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            close(descriptor_);
            throw folderInUse(folder);
        }
        // ENOLCK, EOPNOTSUPP, EINVAL: a file system without locks. Refusing every run there would leave its
        // users without the tool, so the run goes on as runs did before locking existed.
    }
}

FolderLock::~FolderLock() {
    close(descriptor_);
}

#endif

} // namespace courseeval
