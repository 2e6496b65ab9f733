#include "core/file_open.h"

#include "core/file_error.h"

#include <cerrno>
#include <sys/stat.h>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace courseeval {

namespace {

template <typename Status>
std::uint64_t sizeOf(const Status& status) {
    return status.st_size > 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

} // namespace

void requireNoNul(std::string_view what, const std::string& path) {
    if (path.find('\0') != std::string::npos) {
        throw fileError(what, path, "file name holds a NUL character");
    }
}

std::FILE* createFile(const std::string& path) {
    requireNoNul("cannot create", path);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw fileError("cannot create", path, errno);
    }
    return file;
}

std::string notARegularFile(unsigned mode) {
    const char* kind = nullptr;
    if (S_ISREG(mode)) {
        return {};
    }
    if (S_ISDIR(mode)) {
        kind = "a directory";
    } else if (S_ISFIFO(mode)) {
        kind = "a FIFO";
    } else if (S_ISCHR(mode)) {
        kind = "a character device";
#ifndef _WIN32
    } else if (S_ISBLK(mode)) {
        kind = "a block device";
    } else if (S_ISSOCK(mode)) {
        kind = "a socket";
#endif
    } else {
        return "is not a regular file";
    }
    return std::string("is ") + kind + ", not a regular file";
}

RegularFile openRegularFile(const std::string& path) {
    requireNoNul("cannot open", path);
#ifdef _WIN32
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        throw fileError("cannot open", path, errno);
    }
    struct _stat64 status {};
    if (_fstat64(_fileno(file), &status) != 0) {
        return {file, 0};
    }
    if (const std::string kind = notARegularFile(status.st_mode); !kind.empty()) {
        std::fclose(file);
        throw fileError("cannot read", path, kind);
    }
    return {file, sizeOf(status)};
#else
    // Without O_NONBLOCK, opening a FIFO would wait for a writer; the type is checked before any read.
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        throw fileError("cannot open", path, errno);
    }
    struct stat status {};
    if (fstat(descriptor, &status) != 0) {
        const int error = errno;
        close(descriptor);
        throw fileError("cannot read", path, error);
    }
    if (const std::string kind = notARegularFile(status.st_mode); !kind.empty()) {
        close(descriptor);
        throw fileError("cannot read", path, kind);
    }
    const int flags = fcntl(descriptor, F_GETFL);
    std::FILE* file = nullptr;
    if (flags >= 0 && fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == 0) {
        file = fdopen(descriptor, "rb");
    }
    if (file == nullptr) {
        const int error = errno;
        close(descriptor);
        throw fileError("cannot open", path, error);
    }
    return {file, sizeOf(status)};
#endif
}

} // namespace courseeval
