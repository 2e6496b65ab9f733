// The Windows half of HostFile: handles of the wide (UTF-16) API, opened without following a link where
// the run writes, and without sharing deletion, so that no file the run holds can be removed under it.
#include "core/file_error.h"
#include "core/host_file.h"
#include "core/host_text.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>
#include <windows.h>

namespace courseeval {

namespace {

// Paths from this length on (the longest folder name the ordinary form takes, 260 less 12) are given in
// the extended-length form.
constexpr std::size_t longPathLength = MAX_PATH - 12;
// The locked byte lies far beyond any real content, so the lock never gets in the way of writing the file.
constexpr DWORD lockedOffsetHigh = 0x7FFFFFFF;
// Another program (an antivirus scanner, an indexer, a sync client) may hold a file for a moment.
constexpr int replaceAttempts = 20;
constexpr DWORD replaceRetryMilliseconds = 100;
// The attributes a file can be given; the others belong to what a file is.
constexpr DWORD settableAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NORMAL |
                                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_TEMPORARY;

HANDLE handleOf(std::intptr_t native) {
    return reinterpret_cast<HANDLE>(native);
}

std::intptr_t nativeOf(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(handle);
}

// The path the system is given for the file `path`: UTF-16, every separator a backslash (not every
// function takes a slash for one), and when its full form is beyond the ordinary length, that full form
// in the extended-length form.
std::wstring wide(const std::string& path) {
    std::wstring converted = wideFromText(path);
    std::replace(converted.begin(), converted.end(), L'/', L'\\');
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(converted.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(converted.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length < longPathLength || length >= full.size()) {
        return converted;
    }
    full.resize(length);
    return extendedLengthPath(full);
}

FileStatus statusOf(HANDLE handle, const std::string& path) {
    FileStatus status;
    // A pipe or a device has no file information to tell.
    if (const DWORD type = GetFileType(handle); type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR) {
        status.kind = type == FILE_TYPE_PIPE ? FileKind::fifo : FileKind::characterDevice;
        return status;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information) == 0) {
        throw windowsFileError("cannot read", path, GetLastError());
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        status.kind = FileKind::symbolicLink;
    } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        status.kind = FileKind::directory;
    } else {
        status.kind = FileKind::regular;
    }
    status.stamp.size = (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
    status.stamp.modified =
        static_cast<std::int64_t>((std::uint64_t{information.ftLastWriteTime.dwHighDateTime} << 32) |
                                  information.ftLastWriteTime.dwLowDateTime);
    status.links = information.nNumberOfLinks;
    status.device = information.dwVolumeSerialNumber;
    status.identity = (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    status.attributes = information.dwFileAttributes;
    status.permissions = (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    return status;
}

// The status of what stands at `path`; `flags` say whether a link is followed.
std::optional<FileStatus> statusAt(const std::string& path, DWORD flags) {
    const HANDLE handle =
        CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<FileStatus> status;
    try {
        status = statusOf(handle, path);
    } catch (const RunError&) {
    }
    CloseHandle(handle);
    return status;
}

bool inUseByAnotherProgram(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

void setAttributes(const std::string& path, DWORD attributes, const std::string& shown) {
    attributes &= settableAttributes;
    if (SetFileAttributesW(wide(path).c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) == 0) {
        throw windowsFileError("cannot set the attributes of", shown, GetLastError());
    }
}

// The temporary file that Ctrl+C or the closing of the console removes.
std::unique_ptr<wchar_t[]> temporaryName;
std::atomic<const wchar_t*> pendingTemporary{nullptr};

BOOL WINAPI removeTemporaryOnInterruption(DWORD /*event*/) {
    // The file was opened sharing deletion: it goes as soon as the process has ended.
    if (const wchar_t* name = pendingTemporary.load(); name != nullptr) {
        DeleteFileW(name);
    }
    return FALSE; // and the default handling ends the program
}

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

HostFile HostFile::openToRead(const std::string& path) {
    // Backup semantics open a folder too, so that it is refused as what it is.
    HostFile file(path,
                  nativeOf(CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
    if (!file.isOpen()) {
        throw windowsFileError("cannot open", path, GetLastError());
    }
    if (const std::string kind = notARegularFile(file.status().kind); !kind.empty()) {
        throw fileError("cannot read", path, kind);
    }
    return file;
}

HostFile HostFile::openForWriting(const std::string& path, unsigned /*permissions*/) {
    // A link (or junction) is opened as itself, and refused as what it is.
    HostFile file(path, nativeOf(CreateFileW(wide(path).c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
    if (!file.isOpen()) {
        const DWORD error = GetLastError();
        if (const std::optional<FileStatus> standing = statusAt(path, FILE_FLAG_OPEN_REPARSE_POINT);
            standing && standing->kind != FileKind::regular) {
            throw fileError("cannot create", path, notARegularFile(standing->kind));
        }
        throw windowsFileError("cannot create", path, error);
    }
    return file;
}

HostFile HostFile::createTemporary(const std::string& path, const std::string& shown) {
    std::wstring name = wide(path);
    HostFile file(shown,
                  nativeOf(CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                       nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr)));
    if (!file.isOpen()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            return {};
        }
        throw windowsFileError("cannot create", shown, error);
    }
    temporaryName = std::make_unique<wchar_t[]>(name.size() + 1);
    std::copy(name.c_str(), name.c_str() + name.size() + 1, temporaryName.get());
    pendingTemporary.store(temporaryName.get());
    SetConsoleCtrlHandler(removeTemporaryOnInterruption, TRUE);
    return file;
}

HostFile HostFile::openFolder(const std::string& /*path*/) {
    // The log, held without sharing deletion, cannot be removed while a run holds it: its lock suffices.
    return {};
}

FileStatus HostFile::status() const {
    return statusOf(handleOf(native_), path_);
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

void HostFile::truncate() {
    LARGE_INTEGER start{};
    if (SetFilePointerEx(handleOf(native_), start, nullptr, FILE_BEGIN) == 0 ||
        SetEndOfFile(handleOf(native_)) == 0) {
        throw windowsFileError("cannot create", path_, GetLastError());
    }
}

bool HostFile::setPermissions(unsigned /*permissions*/) {
    // Access on Windows is a matter of the folder's access rights, which a new file inherits.
    return true;
}

void HostFile::takeOwnershipFrom(const FileStatus& /*old*/) {
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

namespace host {

void requireUsableFolder(const std::string& folder, const std::string& shown) {
    constexpr std::string_view what = "cannot use the folder";
    // Whether a folder is writable is a matter of its access rights, which the log's creation tells.
    const DWORD attributes = GetFileAttributesW(wide(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        // With its final separator, a file's name is no path at all: say what stands there instead.
        std::string named = folder;
        while (named.size() > 1 && (named.back() == '\\' || named.back() == '/')) {
            named.pop_back();
        }
        const DWORD file = GetFileAttributesW(wide(named).c_str());
        if (file != INVALID_FILE_ATTRIBUTES && (file & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            throw fileError(what, shown, "is a file, not a folder");
        }
        // A missing last folder reads "File not found"; it is the folder that is not found.
        throw windowsFileError(what, shown, error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        throw fileError(what, shown, "is a file, not a folder");
    }
}

std::optional<FileStatus> statusOfName(const std::string& path) {
    return statusAt(path, FILE_FLAG_OPEN_REPARSE_POINT);
}

NamedFile followTrustedLinks(const std::string& path, std::string_view what) {
    // Links on Windows need a privilege to be made; they are followed as the system follows them.
    const HANDLE handle =
        CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            return {path, std::nullopt};
        }
        throw windowsFileError(what, path, error);
    }
    NamedFile named{path, std::nullopt};
    try {
        named.status = statusOf(handle, path);
    } catch (const RunError&) {
        CloseHandle(handle);
        throw;
    }
    CloseHandle(handle);
    return named;
}

std::uint32_t currentUser() {
    return 0;
}

bool isReadOnly(const std::string& /*path*/, const FileStatus& status) {
    return (status.attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void replace(const std::string& temporary, const std::string& target, const std::optional<FileStatus>& old,
             const std::string& shown) {
    const std::wstring from = wide(temporary);
    const std::wstring to = wide(target);
    if (!old) {
        // Nothing to replace: the new file takes the name, and is no longer hidden.
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) == 0) {
            throw windowsFileError("cannot create", shown, GetLastError());
        }
        setAttributes(target, FILE_ATTRIBUTE_NORMAL, shown);
        return;
    }
    // ReplaceFileW keeps the old file's access rights, owner, creation time and streams.
    for (int attempt = 1;; ++attempt) {
        if (ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                         nullptr) != 0) {
            break;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            // The old file may be gone already: the new one must take its place, never be removed.
            if (GetFileAttributesW(to.c_str()) == INVALID_FILE_ATTRIBUTES &&
                MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0) {
                break;
            }
            throw windowsFileError("cannot replace", shown, error);
        }
        if (!inUseByAnotherProgram(error)) {
            throw windowsFileError("cannot replace", shown, error);
        }
        if (attempt == replaceAttempts) {
            throw fileError("cannot replace", shown, "the file is in use by another program");
        }
        Sleep(replaceRetryMilliseconds);
    }
    setAttributes(target, old->attributes, shown);
}

void forgetTemporary() {
    SetConsoleCtrlHandler(removeTemporaryOnInterruption, FALSE);
    pendingTemporary.store(nullptr);
}

std::string removeFile(const std::string& path) {
    if (DeleteFileW(wide(path).c_str()) == 0) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) {
            return windowsErrorText(error);
        }
    }
    return {};
}

std::vector<std::string> ownRegularFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(wide(folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0) {
            try {
                names.push_back(textFromWide(found.cFileName));
            } catch (const RunError&) {
                // A name that is no text (half a surrogate pair) is no leftover of a run.
            }
        }
    } while (FindNextFileW(search, &found) != 0);
    FindClose(search);
    return names;
}

} // namespace host

} // namespace courseeval
