#pragma once
// What a Windows handle tells of its file, for the Windows halves of HostFile and HostFolder.

#include "core/host_file.h"

#include <windows.h>

namespace courseeval {

inline HANDLE handleOf(std::intptr_t native) {
    return reinterpret_cast<HANDLE>(native);
}

inline std::intptr_t nativeOf(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(handle);
}

inline HostResult<FileStatus> statusOfHandle(HANDLE handle) {
    FileStatus status;
    // A pipe or a device has no file information to tell.
    if (const DWORD type = GetFileType(handle); type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR) {
        status.kind = type == FILE_TYPE_PIPE ? FileKind::fifo : FileKind::characterDevice;
        return status;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information) == 0) {
        return HostFailure(lastHostError());
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

} // namespace courseeval
