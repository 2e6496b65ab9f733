#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace courseeval {

// The rules by which the files of a data folder, which others may write too, are opened. Each is a plain
// decision on facts the host has looked up; the host halves of HostFile look them up.

// Why a file is refused, in the words an error gives after the file's name ("is a FIFO, not a regular
// file"); nothing when it is not.
using Refusal = std::optional<std::string>;

// What a name of the folder stands for, as far as opening it goes.
enum class FileKind { regular, directory, symbolicLink, fifo, socket, characterDevice, blockDevice, other };

// Why a file of this kind is not opened as a data file: "is a FIFO, not a regular file" and the like;
// nothing for a regular file.
Refusal notARegularFile(FileKind kind);

// Whether a symbolic link may be followed: only one of the running user or of root. Anybody else's link,
// the folder owner's included, could lead the run to any file its user may read, show that file's content
// to them, or have 999 replace it.
bool followsLink(std::uint32_t linkOwner, std::uint32_t user);

// Why a file with `links` names (hard links) is not written: writing it would change the file under its
// other names too, which may stand anywhere on the file system. Nothing for a file of one name.
Refusal hasOtherNames(std::uint64_t links);

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

// A file's size and time of last change, as the host gives them when it is opened and when reading ends.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0; // in the host's own units; only ever compared
    bool operator==(const FileStamp&) const = default;
};

// Whether a file changed while it was read: fewer or more bytes read than it held when opened, or a size or
// time of change at the end that differs from the one at the start.
bool changedWhileRead(const FileStamp& atOpen, const FileStamp& atEnd, std::uint64_t bytesRead);

// Who may read and write a file: its owner and group, its permission bits and, on POSIX, its access list
// (ACL) where it holds entries beyond the permission bits, in the list's short text form with numeric ids
// ("u::rw-,u:2002:r--,g::r--,m::r--,o::---"; empty for none, and always on Windows).
struct FileAccess {
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    unsigned permissions = 0;
    std::string extendedEntries;
};

// How the readers of a file stand to the readers of the evaluation file, which `user` has just read.
enum class Readers {
    within,      // nobody may read the file who may not read the evaluation file
    ownerBeyond, // its owner, who may always give themselves access, may not read the evaluation file
    othersBeyond // its group, its access list or everybody grants reading to someone who may not
};

// The one decision on who may read what a run writes, from owner, group, bits and access list together:
// a derived file, new or existing, and the new evaluation file that 999 writes. A reader counts as a
// reader of the evaluation file only where that is certain from the two files alone (its owner, `user`,
// a named entry, its own group, or everybody); what cannot be told counts as beyond.
Readers readersOf(const FileAccess& file, const FileAccess& source, std::uint32_t user);

// The access a new file of group `group` is given to show what a file of access `source` shows: the
// source's own where the group is the source's, otherwise the same without access for the owning group.
FileAccess accessFor(const FileAccess& source, std::uint32_t group);

// The name of a new file that replaces `target` until it takes its place: a dot, the target's name, a dot
// and six letters or digits from `letters`, so ".sampleEvalData.txt.k3x9qa".
std::string temporaryNameOf(std::string_view target, std::string_view letters);
// Whether `name` has exactly that form for `target`, so that it can only be a replacement left behind.
bool isTemporaryNameOf(std::string_view name, std::string_view target);

} // namespace courseeval
