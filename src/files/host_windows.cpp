// The Windows body of the host's file functions: handles of the wide (UTF-16) API, and every name opened
// relative to a folder handle (NtCreateFile with the folder as RootDirectory), a reparse point that stands
// for another name (a junction, a symbolic link) opened as itself. A folder is held without sharing
// deletion, so that neither it nor a folder above it can be renamed or removed while it is held.
#include "common/host_text.h"
#include "files/host.h"

#include <aclapi.h>
#include <algorithm>
#include <cstring>
#include <vector>
#include <windows.h>
#include <winternl.h>

namespace courseeval {

namespace {

// The locked byte lies far beyond any real content, so the lock never gets in the way of writing the file.
constexpr DWORD lockedOffsetHigh = 0x7FFFFFFF;
// The most one ReadFile or WriteFile call is given: a DWORD counts the bytes.
constexpr std::size_t mostPerCall = 0x40000000;
// The attributes a file can be given; the others belong to what a file is.
constexpr DWORD settableAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NORMAL |
                                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_TEMPORARY;
constexpr ULONG openOptions = FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT;

HANDLE handleOf(const Handle& handle) {
    return reinterpret_cast<HANDLE>(handle.native());
}

Handle handleFrom(HANDLE handle) {
    return Handle(handle == INVALID_HANDLE_VALUE ? Handle::closed : reinterpret_cast<Handle::Native>(handle));
}

std::error_code errorOf(DWORD error) {
    return {static_cast<int>(error), std::system_category()};
}

std::error_code lastError() {
    return errorOf(GetLastError());
}

DWORD countFor(std::size_t size) {
    return static_cast<DWORD>(std::min(size, mostPerCall));
}

OVERLAPPED lockedByte() {
    OVERLAPPED where{};
    where.OffsetHigh = lockedOffsetHigh;
    return where;
}

// The reparse tag of the open file `handle`; 0 for a file that is no reparse point. A tag of a name
// surrogate (a junction, a symbolic link) stands for another name; another (a cloud placeholder, a
// deduplicated file) for the file itself under a filter's care.
ULONG reparseTagOf(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) != 0 &&
                   (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
               ? tag.ReparseTag
               : 0;
}

// Opens `name` (none: the folder itself) relative to the folder `folder`, as NtCreateFile is asked.
ErrorOr<Handle> openRelative(HANDLE folder, std::wstring_view name, ACCESS_MASK access, ULONG share,
                             ULONG disposition, ULONG options, ULONG attributes = 0) {
    UNICODE_STRING object{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                          static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                          const_cast<wchar_t*>(name.data())};
    OBJECT_ATTRIBUTES where;
    InitializeObjectAttributes(&where, &object, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK done{};
    HANDLE opened = INVALID_HANDLE_VALUE;
    const NTSTATUS status = NtCreateFile(&opened, access | SYNCHRONIZE, &where, &done, nullptr, attributes,
                                         share, disposition, options | openOptions, nullptr, 0);
    if (status < 0) {
        return errorOf(RtlNtStatusToDosError(status));
    }
    return handleFrom(opened);
}

// Renames the file `from` of the folder `folder` to `to`, relative to the folder (which the Win32 calls
// cannot do), replacing a file there only when `replace`.
std::error_code renameRelative(HANDLE folder, std::string_view from, std::string_view to, bool replace) {
    const ErrorOr<Handle> file = openRelative(folder, wideFromText(from), DELETE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              FILE_OPEN, FILE_OPEN_REPARSE_POINT);
    if (!file) {
        return file.error();
    }
    const std::wstring name = wideFromText(to);
    std::vector<char> information(sizeof(FILE_RENAME_INFORMATION) + name.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(information.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, name.data(), rename->FileNameLength);
    IO_STATUS_BLOCK done{};
    const NTSTATUS status =
        NtSetInformationFile(reinterpret_cast<HANDLE>(file->native()), &done, rename,
                             static_cast<ULONG>(information.size()), FileRenameInformation);
    return status < 0 ? errorOf(RtlNtStatusToDosError(status)) : std::error_code();
}

// Gives the open file `to` the access rights (DACL) and creation time of the open file `from`.
void keepAccessRights(HANDLE from, HANDLE to) {
    PACL rights = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(from, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &rights, nullptr,
                        &descriptor) == ERROR_SUCCESS) {
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        const bool inheritsNothing = GetSecurityDescriptorControl(descriptor, &control, &revision) != 0 &&
                                     (control & SE_DACL_PROTECTED) != 0;
        SetSecurityInfo(to, SE_FILE_OBJECT,
                        DACL_SECURITY_INFORMATION | (inheritsNothing ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                     : UNPROTECTED_DACL_SECURITY_INFORMATION),
                        nullptr, nullptr, rights, nullptr);
        LocalFree(descriptor);
    }
    FILE_BASIC_INFO times{};
    if (GetFileInformationByHandleEx(from, FileBasicInfo, &times, sizeof times) != 0) {
        FILE_BASIC_INFO created{};
        created.CreationTime = times.CreationTime;
        SetFileInformationByHandle(to, FileBasicInfo, &created, sizeof created);
    }
}

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
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

// The full path of `path`, relative to the working folder where it is relative, in the extended-length
// form.
std::wstring fullPathOf(std::string_view path) {
    std::wstring converted = wideFromText(path.empty() ? "." : path);
    std::replace(converted.begin(), converted.end(), L'/', L'\\');
    if (converted.starts_with(L"\\\\?\\")) {
        return converted;
    }
    // A folder name alone, relative to the working folder, is joined to it as it stands.
    if (!(converted.size() >= 2 && converted[1] == L':') && !isSeparator(converted[0])) {
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
    return extendedLengthPath(full);
}

// A reparse point's data, as FSCTL_GET_REPARSE_POINT gives them for a junction or a symbolic link.
struct ReparseData {
    ULONG tag;
    USHORT dataLength;
    USHORT reserved;
    USHORT substituteOffset;
    USHORT substituteLength;
    USHORT printOffset;
    USHORT printLength;
    // A symbolic link's data hold its flags here; a junction's start with the names.
};
constexpr ULONG relativeLink = 1; // SYMLINK_FLAG_RELATIVE

} // namespace

Handle::~Handle() {
    if (isOpen()) {
        CloseHandle(handleOf(*this));
    }
}

namespace host {

std::string folderName(std::string_view folderPath) {
    return std::string(folderPath);
}

bool isAbsolute(std::string_view path) {
    return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
           (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/'));
}

ErrorOr<Start> openStart(std::string_view path) {
    const std::wstring full = fullPathOf(path);
    // The root: "\\?\C:\" or "\\?\UNC\server\share\".
    std::size_t rootLength = 7;
    if (full.starts_with(L"\\\\?\\UNC\\")) {
        const std::size_t share = full.find(L'\\', 8);
        rootLength = share == std::wstring::npos ? full.size() : full.find(L'\\', share + 1);
        rootLength = rootLength == std::wstring::npos ? full.size() : rootLength + 1;
    }
    rootLength = std::min(rootLength, full.size());
    std::wstring root = full.substr(0, rootLength);
    if (!root.ends_with(L'\\')) {
        root += L'\\';
    }
    Handle folder = handleFrom(CreateFileW(root.c_str(), FILE_READ_ATTRIBUTES | FILE_TRAVERSE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.isOpen()) {
        // A missing drive or share reads "File not found"; it is the path that is not found.
        const DWORD error = GetLastError();
        return errorOf(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
    }
    std::wstring shown = root.starts_with(L"\\\\?\\UNC\\") ? L"\\" + root.substr(7) : root.substr(4);
    return Start{std::move(folder), textFromWide(shown), textFromWide(full.substr(rootLength))};
}

ErrorOr<Handle> open(const Handle& folder, std::string_view name, const OpenRequest& request) {
    using Access = OpenRequest::Access;
    using Creation = OpenRequest::Creation;
    std::wstring wide = name == "." ? std::wstring() : wideFromText(name);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    constexpr ULONG shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const ULONG disposition = request.creation == Creation::existing ? FILE_OPEN
                              : request.creation == Creation::either ? FILE_OPEN_IF
                                                                     : FILE_CREATE;
    ACCESS_MASK access = FILE_READ_ATTRIBUTES;
    ULONG share = shareAll;
    ULONG options = FILE_OPEN_REPARSE_POINT;
    ULONG attributes = 0;
    switch (request.access) {
    case Access::name:
        if (request.exclusive) {
            // Granted only while nobody else holds the file open to read, write or remove it.
            access |= DELETE;
            share = 0;
        }
        break;
    case Access::folder:
        // Without sharing deletion: while the folder is held, nobody renames or removes it, or any folder
        // above it.
        access |= FILE_LIST_DIRECTORY | FILE_TRAVERSE;
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        options |= FILE_DIRECTORY_FILE;
        break;
    case Access::reading:
        access |= GENERIC_READ;
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    case Access::writing:
        access |= GENERIC_WRITE;
        options |= FILE_NON_DIRECTORY_FILE;
        // A temporary file may be removed while it is open, which an interruption does.
        share = request.creation == Creation::temporary ? FILE_SHARE_READ | FILE_SHARE_DELETE
                                                        : FILE_SHARE_READ | FILE_SHARE_WRITE;
        access |= request.creation == Creation::temporary ? DELETE : 0;
        attributes = request.creation == Creation::temporary ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL;
        break;
    }
    ErrorOr<Handle> opened =
        openRelative(handleOf(folder), wide, access, share, disposition, options, attributes);
    if (!opened) {
        // A missing folder is a path not found, as the system names it.
        if (request.access == Access::folder && opened.error().value() == ERROR_FILE_NOT_FOUND) {
            return errorOf(ERROR_PATH_NOT_FOUND);
        }
        return opened;
    }
    // A reparse point that is no link is the file it stands for, opened as the system opens it.
    if (const ULONG tag = reparseTagOf(handleOf(*opened)); tag != 0 && !IsReparseTagNameSurrogate(tag)) {
        *opened = Handle();
        return openRelative(handleOf(folder), wide, access, share, FILE_OPEN,
                            options & ~ULONG{FILE_OPEN_REPARSE_POINT});
    }
    return opened;
}

ErrorOr<FileStatus> status(const Handle& file) {
    const HANDLE handle = handleOf(file);
    FileStatus status;
    // A pipe or a device has no file information to tell.
    if (const DWORD type = GetFileType(handle); type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR) {
        status.kind = type == FILE_TYPE_PIPE ? FileKind::fifo : FileKind::characterDevice;
        return status;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information) == 0) {
        return lastError();
    }
    if (IsReparseTagNameSurrogate(reparseTagOf(handle))) {
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

ErrorOr<FileStatus> statusAt(const Handle& folder, std::string_view name) {
    const ErrorOr<Handle> opened = open(folder, name, {OpenRequest::Access::name});
    return opened ? status(*opened) : opened.error();
}

ErrorOr<std::string> linkTarget(const Handle& link) {
    std::vector<char> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD size = 0;
    if (DeviceIoControl(handleOf(link), FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                        static_cast<DWORD>(data.size()), &size, nullptr) == 0) {
        return lastError();
    }
    ReparseData header{};
    std::memcpy(&header, data.data(), sizeof header);
    const bool symbolicLink = header.tag == IO_REPARSE_TAG_SYMLINK;
    if (!symbolicLink && header.tag != IO_REPARSE_TAG_MOUNT_POINT) {
        return errorOf(ERROR_NOT_SUPPORTED);
    }
    ULONG flags = 0;
    std::size_t names = sizeof header;
    if (symbolicLink) {
        std::memcpy(&flags, data.data() + names, sizeof flags);
        names += sizeof flags;
    }
    if (names + header.substituteOffset + header.substituteLength > size) {
        return errorOf(ERROR_INVALID_DATA);
    }
    std::wstring target(header.substituteLength / sizeof(wchar_t), L'\0');
    std::memcpy(target.data(), data.data() + names + header.substituteOffset, header.substituteLength);
    // "\??\C:\data" names "C:\data", and "\??\UNC\server\share" "\\server\share".
    if ((flags & relativeLink) == 0 && target.starts_with(L"\\??\\")) {
        target.erase(0, 4);
        if (target.starts_with(L"UNC\\")) {
            target.replace(0, 3, L"\\");
        }
    }
    return textFromWide(target);
}

std::error_code mayWrite(const Handle& /*folder*/, std::string_view /*name*/) {
    // Whether a file or folder may be written is a matter of its access rights and attributes, which the
    // opening and the status tell.
    return {};
}

ErrorOr<std::size_t> read(const Handle& file, char* bytes, std::size_t size) {
    DWORD count = 0;
    if (ReadFile(handleOf(file), bytes, countFor(size), &count, nullptr) == 0) {
        return lastError();
    }
    return std::size_t{count};
}

std::error_code write(const Handle& file, const std::string_view* pieces, std::size_t count) {
    // WriteFileGather takes only whole pages of a file opened unbuffered: each piece goes by itself.
    for (std::size_t piece = 0; piece < count; ++piece) {
        const char* bytes = pieces[piece].data();
        for (std::size_t left = pieces[piece].size(); left > 0;) {
            DWORD written = 0;
            if (WriteFile(handleOf(file), bytes, countFor(left), &written, nullptr) == 0) {
                return lastError();
            }
            bytes += written;
            left -= written;
        }
    }
    return {};
}

std::error_code truncate(const Handle& file) {
    LARGE_INTEGER start{};
    if (SetFilePointerEx(handleOf(file), start, nullptr, FILE_BEGIN) == 0 ||
        SetEndOfFile(handleOf(file)) == 0) {
        return lastError();
    }
    return {};
}

std::error_code sync(const Handle& file) {
    // A folder's names are as durable as the file system makes them.
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handleOf(file), &information) != 0 &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {};
    }
    return FlushFileBuffers(handleOf(file)) != 0 ? std::error_code() : lastError();
}

std::error_code close(Handle& file) {
    // Windows releases the locks of a closed file only in its own time; the next run must not wait for it.
    OVERLAPPED where = lockedByte();
    UnlockFileEx(handleOf(file), 0, 1, 0, &where);
    const HANDLE handle = reinterpret_cast<HANDLE>(file.release());
    return CloseHandle(handle) != 0 ? std::error_code() : lastError();
}

ErrorOr<FileAccess> access(const Handle& /*file*/, const FileStatus& status) {
    return FileAccess{status.owner, status.group, status.permissions, {}};
}

std::error_code setAccess(const Handle& /*file*/, const FileAccess& /*access*/) {
    // Access on Windows is a matter of the folder's access rights, which a new file inherits.
    return {};
}

std::error_code setPermissions(const Handle& /*file*/, unsigned /*permissions*/) {
    return {};
}

std::error_code setOwner(const Handle& /*file*/, std::optional<std::uint32_t> /*owner*/,
                         std::uint32_t /*group*/) {
    // Owners and groups are not compared on Windows; the system's replacement keeps the owner.
    return {};
}

std::error_code copyUserAttributes(const Handle& /*from*/, const Handle& /*to*/) {
    return {};
}

std::error_code setAttributes(const Handle& folder, std::string_view name, std::uint32_t attributes) {
    const ErrorOr<Handle> file = openRelative(handleOf(folder), wideFromText(name), FILE_WRITE_ATTRIBUTES,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              FILE_OPEN, FILE_OPEN_REPARSE_POINT);
    if (!file) {
        return file.error();
    }
    FILE_BASIC_INFO basic{};
    attributes &= settableAttributes;
    basic.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    return SetFileInformationByHandle(handleOf(*file), FileBasicInfo, &basic, sizeof basic) != 0
               ? std::error_code()
               : lastError();
}

ErrorOr<FileFlags> flags(const Handle& /*file*/) {
    return FileFlags{};
}

std::error_code rename(const Handle& folder, std::string_view from, std::string_view to, RenameMode mode) {
    switch (mode) {
    case RenameMode::exchange:
        return std::make_error_code(std::errc::not_supported);
    case RenameMode::noReplace:
        return renameRelative(handleOf(folder), from, to, false);
    case RenameMode::replace:
        break;
    }
    // As the system's own replacement does, the new file keeps the old one's access rights (its DACL) and
    // creation time; the attributes are the layer's to give. What cannot be kept is left as the folder
    // gives it.
    constexpr ULONG shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    {
        // Both closed again before the rename, which a file held open would refuse.
        const ErrorOr<Handle> old = openRelative(handleOf(folder), wideFromText(to), READ_CONTROL, shareAll,
                                                 FILE_OPEN, FILE_OPEN_REPARSE_POINT);
        const ErrorOr<Handle> replacement =
            openRelative(handleOf(folder), wideFromText(from), WRITE_DAC | FILE_WRITE_ATTRIBUTES, shareAll,
                         FILE_OPEN, FILE_OPEN_REPARSE_POINT);
        if (old && replacement) {
            keepAccessRights(handleOf(*old), handleOf(*replacement));
        }
    }
    return renameRelative(handleOf(folder), from, to, true);
}

std::error_code remove(const Handle& folder, std::string_view name) {
    const ErrorOr<Handle> file = openRelative(handleOf(folder), wideFromText(name), DELETE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              FILE_OPEN, FILE_OPEN_REPARSE_POINT | FILE_NON_DIRECTORY_FILE);
    if (!file) {
        return file.error();
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(handleOf(*file), FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0
               ? std::error_code()
               : lastError();
}

ErrorOr<std::vector<std::string>> list(const Handle& folder) {
    // A handle of its own, which lists the folder as it is now from its start.
    const ErrorOr<Handle> listed =
        openRelative(handleOf(folder), {}, FILE_LIST_DIRECTORY,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN, FILE_DIRECTORY_FILE);
    if (!listed) {
        return listed.error();
    }
    std::vector<std::string> names;
    std::vector<char> buffer(64 * 1024);
    const auto isSurrogate = [](wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; };
    for (auto kind = FileFullDirectoryRestartInfo;; kind = FileFullDirectoryInfo) {
        if (GetFileInformationByHandleEx(handleOf(*listed), kind, buffer.data(),
                                         static_cast<DWORD>(buffer.size())) == 0) {
            if (GetLastError() == ERROR_NO_MORE_FILES) {
                return names;
            }
            return lastError();
        }
        for (std::size_t at = 0;;) {
            const auto* entry = reinterpret_cast<const FILE_FULL_DIR_INFO*>(buffer.data() + at);
            const std::wstring_view name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            // A name beyond the basic plane is no name of a run's, which are the evaluation file's with a
            // dot and six letters or digits.
            if ((entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                std::none_of(name.begin(), name.end(), isSurrogate)) {
                names.push_back(textFromWide(name));
            }
            if (entry->NextEntryOffset == 0) {
                break;
            }
            at += entry->NextEntryOffset;
        }
    }
}

std::error_code lock(const Handle& file) {
    // A folder cannot be locked on Windows; the handle held without sharing deletion keeps it in place, and
    // the log's lock keeps other runs out.
    OVERLAPPED where = lockedByte();
    if (LockFileEx(handleOf(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where) !=
        0) {
        return {};
    }
    const DWORD error = GetLastError();
    return std::make_error_code(error == ERROR_LOCK_VIOLATION || error == ERROR_SHARING_VIOLATION
                                    ? std::errc::resource_unavailable_try_again
                                    : std::errc::not_supported);
}

std::uint32_t currentUser() {
    return 0;
}

unsigned creationMask() {
    return 0;
}

namespace {

// What most likely stands behind `error` on the file `path`, in the user's terms; empty text when the
// system's message says all.
std::string likelyCause(std::string_view path, DWORD error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "the file is open in another program";
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_HOST_UNREACHABLE:
        return "the server cannot be reached";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        if (path.size() >= 2 && path[1] == ':') {
            const wchar_t root[] = {static_cast<wchar_t>(path[0]), L':', L'\\', L'\0'};
            if (GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR) {
                return "drive " + std::string(path.substr(0, 2)) + " is not connected";
            }
        }
        return "the folder does not exist";
    default:
        return {};
    }
}

// The system's own message for a Windows error code, without its final full stop.
std::string windowsErrorText(DWORD error) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    // System messages end in a full stop and CR LF.
    while (length > 0 &&
           (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L'.')) {
        --length;
    }
    std::string message;
    // A message beyond the basic plane, which no system message needs, is given by its number: so no lone
    // half of a surrogate pair reaches the conversion.
    const std::wstring_view wide(text == nullptr ? L"" : text, length);
    if (std::none_of(wide.begin(), wide.end(), [](wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; })) {
        message = textFromWide(wide);
    }
    LocalFree(text);
    return message.empty() ? "Windows error " + std::to_string(error) : message;
}

} // namespace

std::string cause(std::string_view path, const std::error_code& error) {
    if (!error) {
        return "unknown error";
    }
    if (error.category() != std::system_category()) {
        return error.message();
    }
    const auto code = static_cast<DWORD>(error.value());
    std::string words = windowsErrorText(code);
    if (const std::string likely = likelyCause(path, code); !likely.empty()) {
        words.append(" (").append(likely).append(")");
    }
    return words;
}

} // namespace host

} // namespace courseeval
