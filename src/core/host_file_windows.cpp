// The Windows half of HostFile: a handle of the wide (UTF-16) API.
#include "core/host_file.h"
#include "core/windows_status.h"

#include <utility>
#include <windows.h>

namespace courseeval {

namespace {

// The locked byte lies far beyond any real content, so the lock never gets in the way of writing the file.
constexpr DWORD lockedOffsetHigh = 0x7FFFFFFF;
// The most one ReadFile or WriteFile call is given: a DWORD counts the bytes.
constexpr std::size_t mostPerCall = 0x40000000;

DWORD countFor(std::size_t size) {
    return static_cast<DWORD>(size > mostPerCall ? mostPerCall : size);
}

OVERLAPPED lockedByte() {
    OVERLAPPED where{};
    where.OffsetHigh = lockedOffsetHigh;
    return where;
}

// Windows releases the locks of a closed file only in its own time; the next run must not wait for it.
void unlock(std::intptr_t native, bool locked) {
    if (locked) {
        OVERLAPPED where = lockedByte();
        UnlockFileEx(handleOf(native), 0, 1, 0, &where);
    }
}

} // namespace

std::error_code lastHostError() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

bool isAccessRefused(const std::error_code& error) {
    const auto code = static_cast<DWORD>(error.value());
    return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

void HostFile::closeQuietly(std::intptr_t native, bool locked) noexcept {
    unlock(native, locked);
    CloseHandle(handleOf(native));
}

HostResult<FileStatus> HostFile::status() const {
    return statusOfHandle(handleOf(native_));
}

HostResult<std::size_t> HostFile::readSome(char* bytes, std::size_t size) {
    DWORD count = 0;
    if (ReadFile(handleOf(native_), bytes, countFor(size), &count, nullptr) == 0) {
        return HostFailure(lastHostError());
    }
    return std::size_t{count};
}

std::error_code HostFile::writeAll(const char* bytes, std::size_t size) {
    while (size > 0) {
        DWORD count = 0;
        if (WriteFile(handleOf(native_), bytes, countFor(size), &count, nullptr) == 0) {
            return lastHostError();
        }
        bytes += count;
        size -= count;
    }
    return {};
}

std::error_code HostFile::writeAll(const std::string_view* pieces, std::size_t count) {
    // WriteFileGather takes only whole pages of a file opened unbuffered: each piece goes by itself.
    for (std::size_t piece = 0; piece < count; ++piece) {
        if (const std::error_code error = writeAll(pieces[piece].data(), pieces[piece].size())) {
            return error;
        }
    }
    return {};
}

std::error_code HostFile::truncate() {
    LARGE_INTEGER start{};
    if (SetFilePointerEx(handleOf(native_), start, nullptr, FILE_BEGIN) == 0 ||
        SetEndOfFile(handleOf(native_)) == 0) {
        return lastHostError();
    }
    return {};
}

HostResult<FileAccess> HostFile::access(const FileStatus& status) const {
    return FileAccess{status.owner, status.group, status.permissions, {}};
}

bool HostFile::giveGroup(std::uint32_t /*group*/) {
    // Owners and groups are not compared on Windows.
    return true;
}

std::error_code HostFile::setPermissions(unsigned /*permissions*/) {
    // Access on Windows is a matter of the folder's access rights, which a new file inherits.
    return {};
}

std::error_code HostFile::setAccess(const FileAccess& /*access*/) {
    // As setPermissions().
    return {};
}

std::error_code HostFile::takeOwnershipFrom(const HostFile& /*old*/, const FileStatus& /*oldStatus*/) {
    // ReplaceFileW gives the new file the old one's access rights, owner and creation time, and the
    // attributes are set once it is in place.
    return {};
}

std::error_code HostFile::sync() {
    return FlushFileBuffers(handleOf(native_)) != 0 ? std::error_code() : lastHostError();
}

std::error_code HostFile::close() {
    unlock(native_, std::exchange(locked_, false));
    const HANDLE handle = handleOf(std::exchange(native_, closedNative));
    return CloseHandle(handle) != 0 ? std::error_code() : lastHostError();
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
