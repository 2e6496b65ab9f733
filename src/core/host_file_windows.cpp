// The Windows half of HostFile: a handle of the wide (UTF-16) API.
#include "core/host_file.h"
#include "core/run_error.h"
#include "core/windows_error.h"
#include "core/windows_status.h"

#include <utility>
#include <windows.h>

namespace courseeval {

namespace {

// The locked byte lies far beyond any real content, so the lock never gets in the way of writing the file.
constexpr DWORD lockedOffsetHigh = 0x7FFFFFFF;

OVERLAPPED lockedByte() {
    OVERLAPPED where{};
    where.OffsetHigh = lockedOffsetHigh;
    return where;
}

// Windows releases the locks of a closed file only in its own time; the next run must not wait for it.
// A lock belongs to the open file, which a duplicate shares: only the handle that took it releases it.
void unlock(std::intptr_t native, bool locked) {
    if (locked) {
        OVERLAPPED where = lockedByte();
        UnlockFileEx(handleOf(native), 0, 1, 0, &where);
    }
}

} // namespace

void HostFile::closeQuietly(std::intptr_t native, bool locked) noexcept {
    unlock(native, locked);
    CloseHandle(handleOf(native));
}

FileStatus HostFile::status() const {
    return statusOfHandle(handleOf(native_), path_);
}

std::size_t HostFile::readSome(char* bytes, std::size_t size) {
    DWORD count = 0;
    const DWORD wanted = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (ReadFile(handleOf(native_), bytes, wanted, &count, nullptr) == 0) {
        throw windowsFileError("cannot read", path_, GetLastError());
    }
    return count;
}

void HostFile::writeAll(const char* bytes, std::size_t size) {
    while (size > 0) {
        DWORD count = 0;
        const DWORD wanted = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        if (WriteFile(handleOf(native_), bytes, wanted, &count, nullptr) == 0) {
            throw windowsFileError("cannot write to", path_, GetLastError());
        }
        bytes += count;
        size -= count;
    }
}

void HostFile::writeAll(const std::string_view* pieces, std::size_t count) {
    // WriteFileGather takes only whole pages of a file opened unbuffered: each piece goes by itself.
    for (std::size_t piece = 0; piece < count; ++piece) {
        writeAll(pieces[piece].data(), pieces[piece].size());
    }
}

void HostFile::truncate() {
    LARGE_INTEGER start{};
    if (SetFilePointerEx(handleOf(native_), start, nullptr, FILE_BEGIN) == 0 ||
        SetEndOfFile(handleOf(native_)) == 0) {
        throw windowsFileError("cannot create", path_, GetLastError());
    }
}

void HostFile::setPermissions(unsigned /*permissions*/) {
    // Access on Windows is a matter of the folder's access rights, which a new file inherits.
}

FileAccess HostFile::access(const FileStatus& status) const {
    return {status.owner, status.group, status.permissions, {}};
}

bool HostFile::giveGroup(std::uint32_t /*group*/) {
    // Owners and groups are not compared on Windows.
    return true;
}

void HostFile::setAccess(const FileAccess& /*access*/) {
    // As setPermissions().
}

void HostFile::takeOwnershipFrom(const HostFile& /*old*/, const FileStatus& /*oldStatus*/) {
    // ReplaceFileW gives the new file the old one's access rights, owner and creation time, and the
    // attributes are set once it is in place.
}

void HostFile::sync() {
    if (FlushFileBuffers(handleOf(native_)) == 0) {
        throw windowsFileError("cannot write to", path_, GetLastError());
    }
}

void HostFile::close() {
    unlock(native_, std::exchange(locked_, false));
    const HANDLE handle = handleOf(std::exchange(native_, closedNative));
    if (CloseHandle(handle) == 0) {
        throw windowsFileError("cannot close", path_, GetLastError());
    }
}

HostFile HostFile::duplicate() const {
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (DuplicateHandle(GetCurrentProcess(), handleOf(native_), GetCurrentProcess(), &copy, 0, FALSE,
                        DUPLICATE_SAME_ACCESS) == 0) {
        throw windowsFileError("cannot open", path_, GetLastError());
    }
    return {path_, nativeOf(copy)};
}

HostFile::Lock HostFile::lock() {
    OVERLAPPED where = lockedByte();
    if (LockFileEx(handleOf(native_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where) !=
        0) {
        locked_ = true;
        return Lock::taken;
    }
    const DWORD error = GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_SHARING_VIOLATION ? Lock::heldElsewhere
                                                                             : Lock::unsupported;
}

} // namespace courseeval
