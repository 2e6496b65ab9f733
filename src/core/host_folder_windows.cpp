// The Windows half of HostFolder: a handle on the folder, held without sharing deletion, so that neither
// the folder nor any folder above it can be renamed or removed while a run holds it, and its full path,
// computed once, in the extended-length form, so that no name is trimmed (a folder name ending in a dot or
// a blank, as Linux and Mac clients make them on shares) and no length limit applies. Files are opened
// without following a link where the run writes, and without sharing deletion.
#include "core/host_folder.h"
#include "core/host_text.h"
#include "core/windows_status.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>
#include <windows.h>

namespace courseeval {

namespace {

// Another program (an antivirus scanner, an indexer, a sync client) may hold a file for a moment.
constexpr int freeFileAttempts = 20;
constexpr DWORD freeFileRetryMilliseconds = 100;
// The attributes a file can be given; the others belong to what a file is.
constexpr DWORD settableAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NORMAL |
                                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_TEMPORARY;

bool isSeparator(wchar_t c) {
    return c == L'\\';
}

// Whether `path` is a full path that needs no resolving: a drive and a backslash, or a UNC path, with no
// empty, "." or ".." folder in it. Only such a path is given as it stands; GetFullPathNameW would trim a
// final dot or blank from every name.
bool isPlainFullPath(const std::wstring& path) {
    std::size_t start = 0;
    if (path.size() >= 3 && path[1] == L':' && isSeparator(path[2])) {
        start = 3;
    } else if (path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1]) && !isSeparator(path[2])) {
        start = 2;
    } else {
        return false;
    }
    for (std::size_t at = start; at < path.size();) {
        const std::size_t end = std::min(path.find(L'\\', at), path.size());
        const std::wstring_view name(path.data() + at, end - at);
        if ((name.empty() && end != path.size()) || name == L"." || name == L"..") {
            return false;
        }
        at = end + 1;
    }
    return true;
}

// The full path of the folder `path` in the extended-length form, final backslash included.
std::wstring fullFolderPath(const std::string& path) {
    std::wstring converted = wideFromText(path.empty() ? "." : path);
    std::replace(converted.begin(), converted.end(), L'/', L'\\');
    if (converted.starts_with(L"\\\\?\\")) {
        return converted.ends_with(L'\\') ? converted : converted + L'\\';
    }
    // A folder name alone, relative to the working folder, is joined to it as it stands.
    const bool relative = !(converted.size() >= 2 && converted[1] == L':') && !isSeparator(converted[0]);
    if (relative) {
        std::wstring working(GetCurrentDirectoryW(0, nullptr), L'\0');
        working.resize(GetCurrentDirectoryW(static_cast<DWORD>(working.size()), working.data()));
        if (!working.ends_with(L'\\')) {
            working += L'\\';
        }
        converted = working + converted;
    }
    std::wstring full = converted;
    if (!isPlainFullPath(converted)) {
        full.assign(GetFullPathNameW(converted.c_str(), 0, nullptr, nullptr), L'\0');
        full.resize(
            GetFullPathNameW(converted.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
    }
    if (!full.ends_with(L'\\')) {
        full += L'\\';
    }
    return extendedLengthPath(full);
}

// Gives the file that has just taken the name `path` its attributes.
bool setAttributes(const std::wstring& path, DWORD attributes) {
    attributes &= settableAttributes;
    return SetFileAttributesW(path.c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) != 0;
}

bool inUseByAnotherProgram(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

using Step = HostFolder::ReplaceFailure::Step;

// Waits until no other program holds the file `path`, which must still be the file `old`: opened without
// sharing, it is held by nobody else. Where it stopped when the file did not come free as itself.
std::optional<HostFolder::ReplaceFailure> awaitFreeFile(const std::wstring& path, const FileStatus& old) {
    for (int attempt = 1;; ++attempt) {
        const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            const HostResult<FileStatus> status = statusOfHandle(handle);
            CloseHandle(handle);
            if (!status || !status->sameFileAs(old)) {
                return HostFolder::ReplaceFailure{Step::changedMeanwhile, {}};
            }
            return std::nullopt;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            return HostFolder::ReplaceFailure{Step::changedMeanwhile, {}};
        }
        if (!inUseByAnotherProgram(error)) {
            return HostFolder::ReplaceFailure{Step::replacing, lastHostError()};
        }
        if (attempt == freeFileAttempts) {
            return HostFolder::ReplaceFailure{Step::inUse, {}};
        }
        Sleep(freeFileRetryMilliseconds);
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

} // namespace

std::string hostFolderName(std::string_view folderPath) {
    return std::string(folderPath);
}

HostResult<HostFolder> HostFolder::open(const std::string& path) {
    const std::wstring full = fullFolderPath(path);
    // Without FILE_SHARE_DELETE: while the run holds the folder, nobody renames or removes it, or any
    // folder above it.
    const HANDLE handle = CreateFileW(full.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const HostFailure notAFolder("is a file, not a folder");
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // With its final separator, a file's name is no path at all: say what stands there instead.
        const DWORD attributes = GetFileAttributesW(full.substr(0, full.size() - 1).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return notAFolder;
        }
        // A missing last folder reads "File not found"; it is the folder that is not found.
        return HostFailure(
            std::error_code(static_cast<int>(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error),
                            std::system_category()));
    }
    HostFolder folder(path, nativeOf(handle));
    folder.wide_ = full;
    const HostResult<FileStatus> status = statusOfHandle(handle);
    if (!status) {
        return status.failure();
    }
    if (status->kind != FileKind::directory) {
        return notAFolder;
    }
    return folder;
}

HostFolder::~HostFolder() {
    if (native_ != -1) {
        CloseHandle(handleOf(native_));
    }
}

std::error_code HostFolder::whyNotWritable() const {
    // Whether a folder is writable is a matter of its access rights, which the log's creation tells.
    return {};
}

bool HostFolder::sameFolderAs(const HostFolder& other) const {
    const HostResult<FileStatus> mine = statusOfHandle(handleOf(native_));
    const HostResult<FileStatus> theirs = statusOfHandle(handleOf(other.native_));
    return mine && theirs && mine->sameFileAs(*theirs);
}

std::optional<FileStatus> HostFolder::statusOf(std::string_view name) const {
    const HANDLE handle = CreateFileW(
        (wide_ + wideFromText(name)).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const HostResult<FileStatus> status = statusOfHandle(handle);
    CloseHandle(handle);
    return status ? std::optional<FileStatus>(*status) : std::nullopt;
}

HostResult<HostFolder::Reached> HostFolder::follow(std::string_view name) const {
    // Links on Windows need a privilege to be made; they are followed as the system follows them.
    const HANDLE handle = CreateFileW((wide_ + wideFromText(name)).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) {
            return Reached{this, std::nullopt, std::string(name), std::nullopt};
        }
        return HostFailure(lastHostError());
    }
    const HostResult<FileStatus> status = statusOfHandle(handle);
    CloseHandle(handle);
    if (!status) {
        return status.failure();
    }
    return Reached{this, std::nullopt, std::string(name), *status};
}

HostResult<HostFile> HostFolder::openHere(std::string_view name, const OpenRequest& request) const {
    using Creation = OpenRequest::Creation;
    const bool writing = request.access == OpenRequest::Access::writing;
    const bool temporary = request.creation == Creation::temporary;
    const bool onlyNew = request.creation == Creation::newOnly || temporary;
    const DWORD disposition = request.creation == Creation::existing ? OPEN_EXISTING
                              : onlyNew                              ? CREATE_NEW
                                                                     : OPEN_ALWAYS;
    // Where the run writes, a link (or junction) is opened as itself, and refused as what it is; where it
    // reads, links are followed as the system follows them (making one needs a privilege), and backup
    // semantics open a folder too, so that it is refused as what it is. A temporary file may be removed
    // while it is open, which an interruption does.
    const DWORD flags = !writing    ? FILE_FLAG_BACKUP_SEMANTICS
                        : temporary ? FILE_ATTRIBUTE_HIDDEN
                                    : FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    HostFile file(nativeOf(CreateFileW((wide_ + wideFromText(name)).c_str(),
                                       writing ? GENERIC_WRITE | FILE_READ_ATTRIBUTES : GENERIC_READ,
                                       FILE_SHARE_READ | (temporary ? FILE_SHARE_DELETE : FILE_SHARE_WRITE),
                                       nullptr, disposition, flags, nullptr)));
    if (!file.isOpen()) {
        const DWORD error = GetLastError();
        if ((onlyNew && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)) ||
            (request.creation == Creation::existing && error == ERROR_FILE_NOT_FOUND)) {
            return HostFile();
        }
        return HostFailure(std::error_code(static_cast<int>(error), std::system_category()));
    }
    return file;
}

HostResult<TemporaryFile> TemporaryFile::create(const HostFolder& folder, std::string name) {
    HostResult<TemporaryFile> created = createUnregistered(folder, std::move(name));
    if (!created || !created->pending_) {
        return created;
    }
    const std::wstring full = folder.wide_ + wideFromText(created->name_);
    temporaryName = std::make_unique<wchar_t[]>(full.size() + 1);
    std::copy(full.c_str(), full.c_str() + full.size() + 1, temporaryName.get());
    pendingTemporary.store(temporaryName.get());
    SetConsoleCtrlHandler(removeTemporaryOnInterruption, TRUE);
    return created;
}

void TemporaryFile::keep() noexcept {
    if (std::exchange(pending_, false)) {
        SetConsoleCtrlHandler(removeTemporaryOnInterruption, FALSE);
        pendingTemporary.store(nullptr);
    }
}

std::error_code HostFolder::remove(std::string_view name) const {
    if (DeleteFileW((wide_ + wideFromText(name)).c_str()) == 0 && GetLastError() != ERROR_FILE_NOT_FOUND) {
        return lastHostError();
    }
    return {};
}

std::vector<std::string> HostFolder::ownRegularFiles() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((wide_ + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    const auto isSurrogate = [](wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; };
    do {
        const std::wstring_view name(found.cFileName);
        // A name beyond the basic plane (or half of a character) is no leftover of a run, whose names are
        // the evaluation file's with a dot and six letters or digits.
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
            std::none_of(name.begin(), name.end(), isSurrogate)) {
            names.push_back(textFromWide(name));
        }
    } while (FindNextFileW(search, &found) != 0);
    FindClose(search);
    return names;
}

Refusal HostFolder::whyNotReplaceable(std::string_view /*name*/, const HostFile& /*file*/,
                                      const FileStatus& status) const {
    if ((status.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return "the file is read-only";
    }
    return std::nullopt;
}

std::optional<HostFolder::ReplaceFailure> HostFolder::replace(std::string_view temporaryName,
                                                              std::string_view target,
                                                              const std::optional<FileStatus>& old) const {
    const std::wstring from = wide_ + wideFromText(temporaryName);
    const std::wstring to = wide_ + wideFromText(target);
    const auto failed = [](Step step) { return ReplaceFailure{step, lastHostError()}; };
    if (!old) {
        // Nothing to replace: the new file takes the name, unless another program took it meanwhile, and
        // is no longer hidden.
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) == 0) {
            const DWORD error = GetLastError();
            if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
                return ReplaceFailure{Step::changedMeanwhile, {}};
            }
            return failed(Step::creating);
        }
        return setAttributes(to, FILE_ATTRIBUTE_NORMAL) ? std::nullopt
                                                        : std::optional(failed(Step::settingAttributes));
    }
    // ReplaceFileW is called once, when the file is free: each failed call may leave a file of its own
    // beside the data.
    if (std::optional<ReplaceFailure> busy = awaitFreeFile(to, *old)) {
        return busy;
    }
    // ReplaceFileW keeps the old file's access rights, owner, creation time and streams.
    if (ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) ==
        0) {
        const DWORD error = GetLastError();
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            // The old file may be gone already: the new one must take its place, never be removed.
            if (GetFileAttributesW(to.c_str()) == INVALID_FILE_ATTRIBUTES &&
                MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0) {
                return setAttributes(to, old->attributes) ? std::nullopt
                                                          : std::optional(failed(Step::settingAttributes));
            }
            return ReplaceFailure{Step::replacing,
                                  std::error_code(static_cast<int>(error), std::system_category())};
        }
        if (inUseByAnotherProgram(error)) {
            return ReplaceFailure{Step::inUse, {}};
        }
        return ReplaceFailure{Step::replacing,
                              std::error_code(static_cast<int>(error), std::system_category())};
    }
    return setAttributes(to, old->attributes) ? std::nullopt : std::optional(failed(Step::settingAttributes));
}

HostFile::Lock HostFolder::lock() {
    // A folder cannot be locked on Windows; the handle held without sharing deletion keeps it in place,
    // and the log's lock keeps other runs out.
    return HostFile::Lock::unsupported;
}

void HostFolder::unlock() {}

std::uint32_t currentUser() {
    return 0;
}

unsigned fileCreationMask() {
    return 0;
}

} // namespace courseeval
