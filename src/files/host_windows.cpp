// The Windows body of the host's file functions: handles of the wide (UTF-16) API, and every name opened
// relative to a folder handle (NtCreateFile with the folder as RootDirectory), a reparse point that stands
// for another name (a junction, a symbolic link) opened as itself. A folder is held without sharing
// deletion, so that neither it nor a folder above it can be renamed or removed while it is held.
#include "common/host_text.h"
#include "files/host.h"

#include <aclapi.h>
#include <algorithm>
#include <cstring>
#include <sddl.h>
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

// The calls a test may put its own in place of (HostCalls), as the system makes them.
ErrorOr<Handle> systemOpen(const Handle& folder, std::wstring_view name, unsigned long access,
                           unsigned long share, unsigned long disposition, unsigned long options,
                           unsigned long attributes, const std::string& security) {
    UNICODE_STRING object{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                          static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                          const_cast<wchar_t*>(name.data())};
    OBJECT_ATTRIBUTES where;
    InitializeObjectAttributes(&where, &object, OBJ_CASE_INSENSITIVE, handleOf(folder),
                               security.empty() ? nullptr : const_cast<char*>(security.data()));
    IO_STATUS_BLOCK done{};
    HANDLE opened = INVALID_HANDLE_VALUE;
    const NTSTATUS status = NtCreateFile(&opened, access | SYNCHRONIZE, &where, &done, nullptr, attributes,
                                         share, disposition, options | openOptions, nullptr, 0);
    if (status < 0) {
        return errorOf(RtlNtStatusToDosError(status));
    }
    return handleFrom(opened);
}

ErrorOr<std::string> systemSecurity(const Handle& file, unsigned long parts) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (const DWORD error = GetSecurityInfo(handleOf(file), SE_FILE_OBJECT, parts, nullptr, nullptr, nullptr,
                                            nullptr, &descriptor);
        error != ERROR_SUCCESS) {
        return errorOf(error);
    }
    std::string bytes(static_cast<const char*>(descriptor), GetSecurityDescriptorLength(descriptor));
    LocalFree(descriptor);
    return bytes;
}

std::error_code systemSetSecurity(const Handle& file, unsigned long parts, const std::string& descriptor) {
    const auto security = const_cast<char*>(descriptor.data());
    PACL list = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PSID owner = nullptr;
    if (GetSecurityDescriptorDacl(security, &present, &list, &defaulted) == 0 ||
        GetSecurityDescriptorOwner(security, &owner, &defaulted) == 0) {
        return lastError();
    }
    const DWORD error = SetSecurityInfo(handleOf(file), SE_FILE_OBJECT, parts, owner, nullptr, list, nullptr);
    return error == ERROR_SUCCESS ? std::error_code() : errorOf(error);
}

ErrorOr<unsigned long> systemReparseTag(const Handle& file) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (GetFileInformationByHandleEx(handleOf(file), FileAttributeTagInfo, &tag, sizeof tag) == 0) {
        return lastError();
    }
    return (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? tag.ReparseTag : 0UL;
}

ErrorOr<std::string> systemReparseData(const Handle& file) {
    std::string data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE, '\0');
    DWORD size = 0;
    if (DeviceIoControl(handleOf(file), FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                        static_cast<DWORD>(data.size()), &size, nullptr) == 0) {
        return lastError();
    }
    data.resize(size);
    return data;
}

// The reparse tag of the open file; 0 for a file that is no reparse point. A tag of a name surrogate (a
// junction, a symbolic link) stands for another name; another (a cloud placeholder, a deduplicated file)
// for the file itself under a filter's care.
ULONG reparseTagOf(const Handle& file) {
    const ErrorOr<unsigned long> tag = hostCalls.reparseTag(file);
    return tag ? *tag : 0;
}

constexpr ULONG shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens `name` (none: the folder itself) relative to the folder `folder`, as NtCreateFile is asked.
ErrorOr<Handle> openRelative(const Handle& folder, std::wstring_view name, ACCESS_MASK access, ULONG share,
                             ULONG disposition, ULONG options, ULONG attributes = 0,
                             const std::string& security = {}) {
    return hostCalls.open(folder, name, access, share, disposition, options, attributes, security);
}

// Renames the file `from` of the folder `folder` to `to`, relative to the folder (which the Win32 calls
// cannot do), replacing a file there only when `replace`.
std::error_code renameRelative(const Handle& folder, std::string_view from, std::string_view to,
                               bool replace) {
    const ErrorOr<Handle> file =
        openRelative(folder, wideFromText(from), DELETE, shareAll, FILE_OPEN, FILE_OPEN_REPARSE_POINT);
    if (!file) {
        return file.error();
    }
    const std::wstring name = wideFromText(to);
    std::vector<char> information(sizeof(FILE_RENAME_INFORMATION) + name.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(information.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = handleOf(folder);
    rename->FileNameLength = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, name.data(), rename->FileNameLength);
    IO_STATUS_BLOCK done{};
    const NTSTATUS status = NtSetInformationFile(
        handleOf(*file), &done, rename, static_cast<ULONG>(information.size()), FileRenameInformation);
    return status < 0 ? errorOf(RtlNtStatusToDosError(status)) : std::error_code();
}

// The self-relative security descriptor of the SDDL text `text`.
std::string descriptorOf(const wchar_t* text) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ULONG size = 0;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor, &size) ==
        0) {
        return {};
    }
    std::string bytes(static_cast<const char*>(descriptor), size);
    LocalFree(descriptor);
    return bytes;
}

// The text of the SID `sid` ("S-1-5-21-..."); empty for none.
std::wstring textOf(PSID sid) {
    wchar_t* text = nullptr;
    if (sid == nullptr || IsValidSid(sid) == 0 || ConvertSidToStringSidW(sid, &text) == 0) {
        return {};
    }
    std::wstring shown(text);
    LocalFree(text);
    return shown;
}

// The SID of the user running the program.
const std::wstring& userSid() {
    static const std::wstring sid = [] {
        std::wstring shown;
        HANDLE token = nullptr;
        std::vector<char> buffer(256);
        DWORD size = 0;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) != 0) {
            if (GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()),
                                    &size) != 0) {
                shown = textOf(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid);
            }
            CloseHandle(token);
        }
        return shown;
    }();
    return sid;
}

// A new file that only the user may open, whatever the folder would give it.
const std::string& usersAlone() {
    static const std::string descriptor = descriptorOf((L"D:P(A;;FA;;;" + userSid() + L")").c_str());
    return descriptor;
}

// The accounts met, each by its SID, numbered from firstAccount on in the order met; 0 is SYSTEM, the
// Administrators and TrustedInstaller, who stand where root stands on POSIX.
constexpr std::uint32_t firstAccount = 1000;
constexpr std::uint32_t unknownAccount = 0xFFFFFFFF;
std::vector<std::wstring> accounts;

std::uint32_t accountOf(const std::wstring& sid) {
    if (sid.empty()) {
        return unknownAccount;
    }
    if (sid == L"S-1-5-18" || sid == L"S-1-5-32-544" ||
        sid == L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464") {
        return 0;
    }
    auto known = std::find(accounts.begin(), accounts.end(), sid);
    if (known == accounts.end()) {
        known = accounts.insert(known, sid);
    }
    return firstAccount + static_cast<std::uint32_t>(known - accounts.begin());
}

std::uint32_t accountOf(PSID sid) {
    return accountOf(textOf(sid));
}

// Whether the SID `sid` stands for everybody: every user, Authenticated Users or Users.
bool isEverybody(PSID sid) {
    return IsWellKnownSid(sid, WinWorldSid) != 0 || IsWellKnownSid(sid, WinAuthenticatedUserSid) != 0 ||
           IsWellKnownSid(sid, WinBuiltinUsersSid) != 0;
}

// The entries of the access list of the security descriptor `descriptor`, whose owner is `owner`.
std::vector<AccessEntry> entriesOf(const std::string& descriptor) {
    using Tag = AccessEntry::Tag;
    const auto security = const_cast<char*>(descriptor.data());
    PACL list = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PSID owner = nullptr;
    GetSecurityDescriptorOwner(security, &owner, &defaulted);
    if (GetSecurityDescriptorDacl(security, &present, &list, &defaulted) == 0 || present == 0 ||
        list == nullptr) {
        // No list at all lets everybody do everything.
        return {{Tag::others, 0, 6}};
    }
    // An empty list lets nobody in; it stays an entry, so that the permission bits do not speak for it.
    std::vector<AccessEntry> entries{{Tag::owner, 0, 0}};
    for (DWORD index = 0; index < list->AceCount; ++index) {
        void* found = nullptr;
        if (GetAce(list, index, &found) == 0) {
            continue;
        }
        const auto* header = static_cast<const ACE_HEADER*>(found);
        const bool allows = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
        // Entries that only folders pass on to what they hold do not apply to the file itself.
        if ((!allows && header->AceType != ACCESS_DENIED_ACE_TYPE) ||
            (header->AceFlags & INHERIT_ONLY_ACE) != 0) {
            continue;
        }
        // An allowing and a denying entry lay out their mask and SID alike.
        const auto* entry = static_cast<const ACCESS_ALLOWED_ACE*>(found);
        const ACCESS_MASK mask = entry->Mask;
        PSID sid = const_cast<DWORD*>(&entry->SidStart);
        AccessEntry made;
        made.permissions = ((mask & (FILE_READ_DATA | GENERIC_READ | GENERIC_ALL)) != 0 ? 4U : 0U) |
                           ((mask & (FILE_WRITE_DATA | GENERIC_WRITE | GENERIC_ALL)) != 0 ? 2U : 0U);
        if (!allows) {
            // Denied what it names, whatever the groups it is in allow.
            made = {Tag::user, accountOf(sid), 0};
        } else if (isEverybody(sid)) {
            made.tag = Tag::others;
        } else if (owner != nullptr && EqualSid(sid, owner) != 0) {
            made.tag = Tag::owner;
        } else {
            made.tag = Tag::group;
            made.id = accountOf(sid);
        }
        entries.push_back(made);
    }
    return entries;
}

// Whether the access list of the security descriptor `descriptor` is its own alone, inheriting nothing.
bool inheritsNothing(const std::string& descriptor) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    return GetSecurityDescriptorControl(const_cast<char*>(descriptor.data()), &control, &revision) != 0 &&
           (control & SE_DACL_PROTECTED) != 0;
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

HostCalls::HostCalls()
    : open(systemOpen), security(systemSecurity), setSecurity(systemSetSecurity),
      reparseTag(systemReparseTag), reparseData(systemReparseData) {}

HostCalls hostCalls;

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
    const bool created = request.creation == Creation::newOnly || request.creation == Creation::temporary;
    const ULONG disposition = request.creation == Creation::existing ? FILE_OPEN
                              : request.creation == Creation::either ? FILE_OPEN_IF
                                                                     : FILE_CREATE;
    // Its owner, which the status tells, is read with the file's security.
    ACCESS_MASK access = FILE_READ_ATTRIBUTES | READ_CONTROL;
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
        // A new file is given its access by its owner. A temporary one is shared with nobody while it is
        // written, and may be removed while it is open, which an interruption does.
        access |= created ? WRITE_DAC : 0;
        access |= request.creation == Creation::temporary ? DELETE : 0;
        share =
            request.creation == Creation::temporary ? FILE_SHARE_DELETE : FILE_SHARE_READ | FILE_SHARE_WRITE;
        attributes = request.creation == Creation::temporary ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL;
        break;
    }
    // A new file with the permission bits of the user's alone has an access list of its owner alone,
    // whatever the folder would pass on.
    const std::string& security = created && request.permissions == 0600 ? usersAlone() : std::string();
    ErrorOr<Handle> opened =
        openRelative(folder, wide, access, share, disposition, options, attributes, security);
    // A file whose security the user may not read is still opened, without: its owner is then unknown.
    if (!opened && opened.error() == std::errc::permission_denied && !created) {
        opened = openRelative(folder, wide, access & ~ACCESS_MASK{READ_CONTROL}, share, disposition, options,
                              attributes);
    }
    if (!opened) {
        // A missing folder is a path not found, as the system names it.
        if (request.access == Access::folder && opened.error().value() == ERROR_FILE_NOT_FOUND) {
            return errorOf(ERROR_PATH_NOT_FOUND);
        }
        return opened;
    }
    // A reparse point that is no link is the file it stands for, opened as the system opens it.
    if (const ULONG tag = reparseTagOf(*opened); tag != 0 && !IsReparseTagNameSurrogate(tag)) {
        *opened = Handle();
        return openRelative(folder, wide, access, share, FILE_OPEN,
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
    if (IsReparseTagNameSurrogate(reparseTagOf(file))) {
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
    // A folder lets everybody through to its files (their own lists say who may open them).
    status.permissions = status.kind == FileKind::directory                              ? 0777
                         : (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444
                                                                                         : 0666;
    // An owner that cannot be read (the user may not read the file's security) is nobody the user knows.
    const ErrorOr<std::string> security = hostCalls.security(file, OWNER_SECURITY_INFORMATION);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    status.owner =
        security && GetSecurityDescriptorOwner(const_cast<char*>(security->data()), &owner, &defaulted) != 0
            ? accountOf(owner)
            : unknownAccount;
    return status;
}

ErrorOr<FileStatus> statusAt(const Handle& folder, std::string_view name) {
    const ErrorOr<Handle> opened = open(folder, name, {OpenRequest::Access::name});
    return opened ? status(*opened) : opened.error();
}

ErrorOr<std::string> linkTarget(const Handle& link) {
    const ErrorOr<std::string> read = hostCalls.reparseData(link);
    if (!read) {
        return read.error();
    }
    const std::string& data = *read;
    const std::size_t size = data.size();
    ReparseData header{};
    if (size < sizeof header) {
        return errorOf(ERROR_INVALID_DATA);
    }
    std::memcpy(&header, data.data(), sizeof header);
    const bool symbolicLink = header.tag == IO_REPARSE_TAG_SYMLINK;
    if (!symbolicLink && header.tag != IO_REPARSE_TAG_MOUNT_POINT) {
        return errorOf(ERROR_NOT_SUPPORTED);
    }
    ULONG flags = 0;
    std::size_t names = sizeof header;
    if (symbolicLink && size >= names + sizeof flags) {
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

ErrorOr<FileAccess> access(const Handle& file, const FileStatus& status) {
    ErrorOr<std::string> security =
        hostCalls.security(file, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
    if (!security) {
        return security.error();
    }
    std::vector<AccessEntry> entries = entriesOf(*security);
    return FileAccess{status.owner, status.group, status.permissions, std::move(entries),
                      std::move(*security)};
}

std::error_code setAccess(const Handle& file, const FileAccess& access) {
    // Without a list of its own (one that could not be read), the file keeps what it has: its owner's alone.
    if (access.native.empty()) {
        return {};
    }
    return hostCalls.setSecurity(file,
                                 DACL_SECURITY_INFORMATION |
                                     (inheritsNothing(access.native) ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                     : UNPROTECTED_DACL_SECURITY_INFORMATION),
                                 access.native);
}

std::error_code setPermissions(const Handle& file, unsigned /*permissions*/) {
    // An empty list of its own, open to what the folder passes on: what any new file of the folder gets.
    static const std::string inherited = descriptorOf(L"D:");
    return hostCalls.setSecurity(file, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                                 inherited);
}

std::error_code setOwner(const Handle& /*file*/, std::optional<std::uint32_t> /*owner*/,
                         std::uint32_t /*group*/) {
    // Giving a file to another account needs a privilege that users lack; a new file is its writer's.
    return std::make_error_code(std::errc::not_supported);
}

std::error_code keepAttributes(const Handle& from, const Handle& to) {
    FILE_BASIC_INFO times{};
    if (GetFileInformationByHandleEx(handleOf(from), FileBasicInfo, &times, sizeof times) == 0) {
        return lastError();
    }
    // Only the creation time; the times left 0 stay as they are.
    FILE_BASIC_INFO created{};
    created.CreationTime = times.CreationTime;
    return SetFileInformationByHandle(handleOf(to), FileBasicInfo, &created, sizeof created) != 0
               ? std::error_code()
               : lastError();
}

std::error_code setAttributes(const Handle& folder, std::string_view name, std::uint32_t attributes) {
    const ErrorOr<Handle> file = openRelative(folder, wideFromText(name), FILE_WRITE_ATTRIBUTES,
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
        return renameRelative(folder, from, to, false);
    case RenameMode::replace:
        break;
    }
    return renameRelative(folder, from, to, true);
}

std::error_code remove(const Handle& folder, std::string_view name) {
    const ErrorOr<Handle> file = openRelative(folder, wideFromText(name), DELETE,
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
        openRelative(folder, {}, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     FILE_OPEN, FILE_DIRECTORY_FILE);
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
    return accountOf(userSid());
}

std::string userName(std::uint32_t user) {
    if (user == 0) {
        return "SYSTEM";
    }
    if (user < firstAccount || user - firstAccount >= accounts.size()) {
        return "unknown";
    }
    const std::wstring& sidText = accounts[user - firstAccount];
    PSID sid = nullptr;
    std::wstring shown = sidText;
    wchar_t name[256];
    wchar_t domain[256];
    DWORD nameSize = 256;
    DWORD domainSize = 256;
    SID_NAME_USE use{};
    if (ConvertStringSidToSidW(sidText.c_str(), &sid) != 0) {
        if (LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use) != 0) {
            shown = std::wstring(domain) + L"\\" + name;
        }
        LocalFree(sid);
    }
    return textFromWide(shown);
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
