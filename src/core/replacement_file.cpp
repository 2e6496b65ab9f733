#include "core/replacement_file.h"

#include "core/file_error.h"
#include "core/file_open.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

namespace courseeval {

namespace {

// The length of the folder part of `path`, final separator included.
std::size_t folderLength(const std::string& path) {
#ifdef _WIN32
    const std::size_t split = path.find_last_of("/\\:");
#else
    const std::size_t split = path.rfind('/');
#endif
    return split == std::string::npos ? 0 : split + 1;
}

#ifndef _WIN32
// `path` with its symbolic links followed to the file they name, which need not exist.
std::string followLinks(const std::string& path) {
    std::string target = path;
    for (int hop = 0; hop < 40; ++hop) {
        char link[PATH_MAX];
        const ssize_t length = readlink(target.c_str(), link, sizeof link);
        if (length < 0) {
            return target; // not a link (or nothing there): this is the file to replace
        }
        const std::string_view linked(link, static_cast<std::size_t>(length));
        target = linked.starts_with('/') ? std::string(linked)
                                         : target.substr(0, folderLength(target)).append(linked);
    }
    throw fileError("cannot replace", path, ELOOP);
}
#endif

// Creates a new, empty file with an unused name beside `target`: a dot, the target's name, a dot and six
// random letters. The name is tried until one is free.
int createBeside(const std::string& path, const std::string& target, std::string& created) {
    static constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device entropy;
    std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
    const std::size_t split = folderLength(target);
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        created = target.substr(0, split) + "." + target.substr(split) + ".";
        for (int letter = 0; letter < 6; ++letter) {
            created += letters[pick(entropy)];
        }
#ifdef _WIN32
        const int descriptor =
            _open(created.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
        const int descriptor = open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
        if (descriptor >= 0) {
            return descriptor;
        }
        error = errno;
    }
    throw fileError("cannot create", path, error);
}

} // namespace

ReplacementFile::ReplacementFile(std::string path) : path_(std::move(path)) {
    requireNoNul("cannot create", path_);
#ifdef _WIN32
    target_ = path_;
#else
    target_ = followLinks(path_);
#endif
    struct stat old {};
    const bool replacing = stat(target_.c_str(), &old) == 0;
    if (const std::string kind = replacing ? notARegularFile(old.st_mode) : ""; !kind.empty()) {
        throw fileError("cannot replace", path_, kind);
    }

    const int descriptor = createBeside(path_, target_, temporary_);
#ifdef _WIN32
    std::FILE* file = _fdopen(descriptor, "wb");
#else
    if (replacing) {
        // Owner and group first: changing them may clear the set-user-ID and set-group-ID bits. A process
        // that may not give the file away keeps it as its own; that is no error.
        if (fchown(descriptor, old.st_uid, old.st_gid) != 0) {
            errno = 0;
        }
        fchmod(descriptor, old.st_mode & 07777);
    }
    std::FILE* file = fdopen(descriptor, "wb");
#endif
    if (file == nullptr) {
        const int error = errno;
        close(descriptor);
        std::remove(temporary_.c_str());
        throw fileError("cannot create", path_, error);
    }
    output_.emplace(file, path_);
}

ReplacementFile::~ReplacementFile() {
    if (!committed_) {
        output_.reset();
        std::remove(temporary_.c_str());
    }
}

void ReplacementFile::commit() {
    output_->sync();
    output_->close();
#ifdef _WIN32
    if (MoveFileExA(temporary_.c_str(), target_.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        throw windowsFileError("cannot replace", path_, GetLastError());
    }
#else
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        throw fileError("cannot replace", path_, errno);
    }
    // The new name is made durable too; the file itself already is.
    const std::string folder = target_.substr(0, folderLength(target_));
    const int folderDescriptor = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC);
    if (folderDescriptor >= 0) {
        fsync(folderDescriptor);
        close(folderDescriptor);
    }
#endif
    committed_ = true;
}

} // namespace courseeval
