// The POSIX half of HostFile: an open descriptor.
#include "core/host_calls_posix.h"
#include "core/host_file.h"
#include "core/posix_status.h"
#include "core/run_error.h"

#include <acl/libacl.h>
#include <array>
#include <attr/libattr.h>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>

namespace courseeval {

namespace {

// An access list, freed when it goes.
struct AclFree {
    void operator()(void* acl) const { acl_free(acl); }
};
using Acl = std::unique_ptr<std::remove_pointer_t<acl_t>, AclFree>;

// Whether `error` says that the file system keeps no access lists.
bool noAccessLists(int error) {
    return error == ENOTSUP || error == ENOSYS;
}

// Of the user attributes alone (user.*): the others belong to the system (security labels, capabilities)
// or are copied as the access list.
extern "C" int isUserAttribute(const char* name, struct error_context* /*context*/) {
    return std::strncmp(name, "user.", 5) == 0 ? 1 : 0;
}

} // namespace

std::error_code lastHostError() {
    return {errno, std::system_category()};
}

std::string hostCause(std::string_view /*path*/, const std::error_code& error) {
    return std::strerror(error.value());
}

bool isAccessRefused(const std::error_code& error) {
    return error.value() == EACCES;
}

void HostFile::closeQuietly(std::intptr_t native, bool /*locked*/) noexcept {
    // Its locks end with the last descriptor of the open file.
    ::close(descriptorOf(native));
}

HostResult<FileStatus> HostFile::status() const {
    struct stat status {};
    if (fstat(descriptorOf(native_), &status) != 0) {
        return HostFailure(lastHostError());
    }
    return statusFrom(status);
}

HostResult<std::size_t> HostFile::readSome(char* bytes, std::size_t size) {
    for (;;) {
        const ssize_t count = hostCalls.read(descriptorOf(native_), bytes, size);
        if (count >= 0) {
            return static_cast<std::size_t>(count);
        }
        if (errno != EINTR) {
            return HostFailure(lastHostError());
        }
    }
}

std::error_code HostFile::writeAll(const char* bytes, std::size_t size) {
    const std::string_view whole(bytes, size);
    return writeAll(&whole, 1);
}

std::error_code HostFile::writeAll(const std::string_view* pieces, std::size_t count) {
    assert(count <= maxGatheredPieces);
    std::array<iovec, maxGatheredPieces> vectors{};
    for (std::size_t piece = 0; piece < count; ++piece) {
        // writev only reads from the pieces.
        vectors[piece] = {const_cast<char*>(pieces[piece].data()), pieces[piece].size()};
    }
    iovec* next = vectors.data();
    iovec* const end = next + count;
    while (next != end) {
        const ssize_t written =
            next + 1 == end ? hostCalls.write(descriptorOf(native_), next->iov_base, next->iov_len)
                            : hostCalls.writev(descriptorOf(native_), next, static_cast<int>(end - next));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastHostError();
        }
        // A short write leaves the rest of a piece and the pieces after it.
        auto left = static_cast<std::size_t>(written);
        while (next != end && left >= next->iov_len) {
            left -= next->iov_len;
            ++next;
        }
        if (left > 0) {
            next->iov_base = static_cast<char*>(next->iov_base) + left;
            next->iov_len -= left;
        }
    }
    return {};
}

std::error_code HostFile::truncate() {
    return ftruncate(descriptorOf(native_), 0) == 0 ? std::error_code() : lastHostError();
}

HostResult<FileAccess> HostFile::access(const FileStatus& status) const {
    FileAccess result{status.owner, status.group, status.permissions, {}};
    const Acl acl(acl_get_fd(descriptorOf(native_)));
    if (!acl) {
        if (!noAccessLists(errno)) {
            return HostFailure(lastHostError());
        }
        return result;
    }
    // A list of the three entries that the permission bits stand for holds nothing beyond them.
    if (acl_equiv_mode(acl.get(), nullptr) != 0) {
        const std::unique_ptr<char, AclFree> text(
            acl_to_any_text(acl.get(), nullptr, ',', TEXT_ABBREVIATE | TEXT_NUMERIC_IDS));
        if (!text) {
            return HostFailure(lastHostError());
        }
        result.extendedEntries = text.get();
    }
    return result;
}

std::error_code HostFile::setPermissions(unsigned permissions) {
    return fchmod(descriptorOf(native_), static_cast<mode_t>(permissions)) == 0 ? std::error_code()
                                                                                : lastHostError();
}

std::error_code HostFile::setAccess(const FileAccess& access) {
    const int descriptor = descriptorOf(native_);
    const auto permissions = static_cast<mode_t>(access.permissions);
    const Acl acl(access.extendedEntries.empty() ? acl_from_mode(permissions)
                                                 : acl_from_text(access.extendedEntries.c_str()));
    if (!acl) {
        return lastHostError();
    }
    // A list sets the permission bits with it; where the file system keeps no access lists, the
    // permission bits are all there is.
    if (acl_set_fd(descriptor, acl.get()) != 0) {
        return noAccessLists(errno) && access.extendedEntries.empty() ? setPermissions(access.permissions)
                                                                      : lastHostError();
    }
    return {};
}

std::error_code HostFile::takeOwnershipFrom(const HostFile& old, const FileStatus& oldStatus) {
    const int descriptor = descriptorOf(native_);
    // Owner and group first: changing them may clear the set-user-ID and set-group-ID bits. Only root may
    // give a file away; a member of the old file's group may still give it that group.
    if (fchown(descriptor, oldStatus.owner, oldStatus.group) != 0) {
        giveGroup(oldStatus.group);
    }
    // The access list with the permission bits, then the user attributes (a note, a tag). The names only
    // word the library's own messages, which are not asked for.
    if (old.isOpen() &&
        (perm_copy_fd("", descriptorOf(old.native_), "", descriptor, nullptr) != 0 ||
         attr_copy_fd("", descriptorOf(old.native_), "", descriptor, isUserAttribute, nullptr) != 0)) {
        return lastHostError();
    }
    // The set-user-ID, set-group-ID and sticky bits and, for a file that could not be opened to be read,
    // the permission bits alone.
    return fchmod(descriptor, static_cast<mode_t>(oldStatus.permissions)) == 0 ? std::error_code()
                                                                               : lastHostError();
}

bool HostFile::giveGroup(std::uint32_t group) {
    return fchown(descriptorOf(native_), static_cast<uid_t>(-1), group) == 0;
}

std::error_code HostFile::sync() {
    return hostCalls.fsync(descriptorOf(native_)) == 0 ? std::error_code() : lastHostError();
}

std::error_code HostFile::close() {
    const int descriptor = descriptorOf(std::exchange(native_, closedNative));
    // After EINTR Linux has closed the descriptor all the same.
    if (hostCalls.close(descriptor) != 0 && errno != EINTR) {
        return lastHostError();
    }
    return {};
}

HostFile::Lock HostFile::lock() {
    const int descriptor = descriptorOf(native_);
    // A flock belongs to the open file; it ends when the file is closed.
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        // ENOLCK, EOPNOTSUPP, EINVAL, EBADF: a file system without such locks.
        return errno == EWOULDBLOCK ? Lock::heldElsewhere : Lock::unsupported;
    }
    locked_ = true;
    // Local to this machine on some network file systems, a flock is joined by a record lock of the open
    // file, which NFS and SMB carry to the server, so that a run on another client sees it too.
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (fcntl(descriptor, F_OFD_SETLK, &whole) != 0 && (errno == EAGAIN || errno == EACCES)) {
        return Lock::heldElsewhere;
    }
    return Lock::taken;
}

} // namespace courseeval
