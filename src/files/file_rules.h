#pragma once

#include "common/run_error.h"
#include "files/host.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace courseeval {

// The rules by which the files of a data folder, which others may write too, are opened, written and
// replaced: each a plain decision on facts the host has looked up, the same for every host.

// Why a file is refused, in the words an error gives after the file's name ("is a FIFO, not a regular
// file"); nothing when it is not.
using Refusal = std::optional<std::string>;

// Why a file of this kind is not opened as a data file: "is a FIFO, not a regular file" and the like;
// nothing for a regular file.
Refusal notARegularFile(FileKind kind);

// Whether a symbolic link may be followed: only one of the running user or of root. Anybody else's link,
// the folder owner's included, could lead the run to any file its user may read, show that file's content
// to them, or have 999 replace it.
bool followsLink(std::uint32_t linkOwner, std::uint32_t user);
// Why the link of the user named `linkOwner` is not followed.
std::string linkNotFollowed(std::string_view linkOwner);
// A chain of links longer than this is taken for a loop, as the kernel does.
inline constexpr int maxLinksFollowed = 40;

// Why a file with `links` names (hard links) is not written: writing it would change the file under its
// other names too, which may stand anywhere on the file system. Nothing for a file of one name.
Refusal hasOtherNames(std::uint64_t links);
// Why the file of status `status` is not written: anything but a regular file, or one of other names.
Refusal notToBeWritten(const FileStatus& status);

// The permission bits of a new file, within the umask: one that shows nothing of the data may be read and
// written by all; one that does is the user's alone until it is given the evaluation file's access.
inline constexpr unsigned sharedFilePermissions = 0666;
inline constexpr unsigned privateFilePermissions = 0600;

// The most an evaluation file may hold. A real export (1000 records of 43 fields) is well under 1 MB; the
// limit keeps the memory of a run bounded whatever file stands in the folder.
inline constexpr std::uint64_t evaluationFileSizeLimit = std::uint64_t{64} * 1024 * 1024;

// Why a file of `size` bytes is not read as evaluation file, naming the limit; nothing when it is within
// it.
Refusal tooLargeToRead(std::uint64_t size);

// Whether a file changed while it was read: fewer or more bytes read than it held when opened, or a size or
// time of change at the end that differs from the one at the start.
bool changedWhileRead(const FileStamp& atOpen, const FileStamp& atEnd, std::uint64_t bytesRead);

// How the readers of a file stand to the readers of the evaluation file, which `user` has just read.
enum class Readers {
    within,      // nobody may read the file who may not read the evaluation file
    ownerBeyond, // its owner, who may always give themselves access, may not read the evaluation file
    othersBeyond // its group, its access list or everybody grants reading to someone who may not
};

// The one decision on who may read what a run writes, from owner, group, bits and access-list entries
// together: a derived file, new or existing, and the new evaluation file that 999 writes. A reader counts
// as a reader of the evaluation file only where that is certain from the two files alone (its owner,
// `user`, a named entry, its own group, or everybody); what cannot be told counts as beyond.
Readers readersOf(const FileAccess& file, const FileAccess& source, std::uint32_t user);

// Who may read a file of access `file` as far as the folders `folders` on the way to it let them through,
// by each folder's owner, group and search permission: whom a folder keeps out loses the file's access, as
// a file readable by all in a folder of its owner's alone is readable by them alone. (A folder's access list
// is not weighed: where it lets more through, fewer read the copies.)
FileAccess readersThrough(FileAccess file, const std::vector<FileStatus>& folders);

// The access a file that shows what a file of access `source` shows is given, once it has the group
// `group`: the source's own where the group is the source's, otherwise the same without access for the
// owning group. A derived file (`creationMask`, the umask, given) holds no set-ID bits, and without
// access-list entries only the source's read and write bits within the umask; 999's new file keeps the
// source's bits whole.
FileAccess accessToGive(const FileAccess& source, std::uint32_t group, std::optional<unsigned> creationMask);

// Why the user may not replace the file of status `file` in the folder of status `folder`, which holds
// it: "the file is read-only" (no write permission, or `mayWrite`, the host's answer, says so), "the file
// is immutable", "the folder is sticky and the file belongs to user 2002" and the like; nothing when they
// may.
Refusal whyNotReplaceable(const FileStatus& file, const std::error_code& mayWrite, const FileFlags& flags,
                          const FileStatus& folder, std::uint32_t user);

// Whether the host's answer `mayWrite` says that the user may not write.
bool refusesWriting(const std::error_code& mayWrite);

// Whether the file `name` is most likely the file `target` under a name that someone gave it by mistake or
// a program made up: the same name in another letter case, or another name that starts with the target's
// but for its extension ("SampleEvalData.txt", "sampleEvalData.txt.txt", "sampleEvalData (1).txt",
// "sampleEvalData.csv"), but no hidden file and none of the run's own ("sampleEvalData_read.txt").
bool isNearMissOf(std::string_view name, std::string_view target);

// The name of a new file that replaces `target` until it takes its place: a dot, the target's name, a dot
// and six letters or digits picked by `random`, so ".sampleEvalData.txt.k3x9qa".
std::string temporaryNameOf(std::string_view target, std::uint64_t random);
// Whether `name` has exactly that form for `target`, so that it can only be a replacement left behind.
bool isTemporaryNameOf(std::string_view name, std::string_view target);

// How a failed host call ends the run: "<what> '<path>': <the host's words for error>".
RunError hostError(std::string_view what, std::string_view path, const std::error_code& error);
inline void require(const std::error_code& error, std::string_view what, std::string_view path) {
    if (error) {
        throw hostError(what, path, error);
    }
}
template <typename T>
T valueOf(ErrorOr<T>&& result, std::string_view what, std::string_view path) {
    if (!result) {
        throw hostError(what, path, result.error());
    }
    return std::move(*result);
}

} // namespace courseeval
