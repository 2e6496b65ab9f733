#include "files/file_rules.h"

#include <algorithm>
#include <vector>

namespace courseeval {

namespace {

constexpr std::string_view temporaryLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t temporarySuffixLength = 6;

constexpr unsigned readPermission = 4;
constexpr unsigned groupPermissions = 0070;
constexpr unsigned othersPermissions = 0007;
constexpr unsigned writePermissions = 0222;
constexpr unsigned stickyBit = 01000;

} // namespace

Refusal notARegularFile(FileKind kind) {
    switch (kind) {
    case FileKind::regular:
        return std::nullopt;
    case FileKind::directory:
        return "is a directory, not a regular file";
    case FileKind::symbolicLink:
        return "is a symbolic link, not a regular file";
    case FileKind::fifo:
        return "is a FIFO, not a regular file";
    case FileKind::socket:
        return "is a socket, not a regular file";
    case FileKind::characterDevice:
        return "is a character device, not a regular file";
    case FileKind::blockDevice:
        return "is a block device, not a regular file";
    case FileKind::other:
        break;
    }
    return "is not a regular file";
}

bool followsLink(std::uint32_t linkOwner, std::uint32_t user) {
    return linkOwner == user || linkOwner == 0;
}

std::string linkNotFollowed(std::string_view linkOwner) {
    return "is a symbolic link of user " + std::string(linkOwner) +
           "; only links of your own or of root are followed";
}

Refusal hasOtherNames(std::uint64_t links) {
    if (links <= 1) {
        return std::nullopt;
    }
    return "has " + std::to_string(links) + " hard links; a run writes no file that has other names";
}

Refusal notToBeWritten(const FileStatus& status) {
    Refusal refused = notARegularFile(status.kind);
    return refused ? refused : hasOtherNames(status.links);
}

Refusal tooLargeToRead(std::uint64_t size) {
    if (size <= evaluationFileSizeLimit) {
        return std::nullopt;
    }
    return "holds " + std::to_string(size) + " bytes, more than the 64 MiB (" +
           std::to_string(evaluationFileSizeLimit) + " bytes) an evaluation file may hold";
}

bool changedWhileRead(const FileStamp& atOpen, const FileStamp& atEnd, std::uint64_t bytesRead) {
    return bytesRead != atOpen.size || atEnd != atOpen;
}

namespace {

// Whom a file grants reading, within its access list's mask.
struct Grants {
    bool others = false;               // whoever no other entry names
    bool ownerGroup = false;           // the members of the owning group
    std::vector<std::uint32_t> users;  // named users
    std::vector<std::uint32_t> groups; // the members of named groups
    bool userKeptOut = false;          // a named user who may not read, whatever their groups grant
    bool groupKeptOut = false;         // a group entry that grants nothing: its members are no others
};

Grants grantsOf(const FileAccess& access) {
    using Tag = AccessEntry::Tag;
    Grants grants;
    if (access.entries.empty()) {
        grants.others = (access.permissions & readPermission) != 0;
        grants.ownerGroup = (access.permissions & (readPermission << 3)) != 0;
        grants.groupKeptOut = !grants.ownerGroup;
        return grants;
    }
    const auto mask = std::find_if(access.entries.begin(), access.entries.end(),
                                   [](const AccessEntry& entry) { return entry.tag == Tag::mask; });
    const bool maskReads = mask == access.entries.end() || (mask->permissions & readPermission) != 0;
    for (const AccessEntry& entry : access.entries) {
        const bool reads = (entry.permissions & readPermission) != 0;
        switch (entry.tag) {
        case Tag::others:
            grants.others = reads;
            break;
        case Tag::user:
        case Tag::owningGroup:
        case Tag::group:
            if (!(reads && maskReads)) {
                (entry.tag == Tag::user ? grants.userKeptOut : grants.groupKeptOut) = true;
            } else if (entry.tag == Tag::owningGroup) {
                grants.ownerGroup = true;
            } else {
                (entry.tag == Tag::user ? grants.users : grants.groups).push_back(entry.id);
            }
            break;
        case Tag::owner:
        case Tag::mask:
            break;
        }
    }
    return grants;
}

bool contains(const std::vector<std::uint32_t>& ids, std::uint32_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

} // namespace

Readers readersOf(const FileAccess& file, const FileAccess& source, std::uint32_t user) {
    const Grants sourceGrants = grantsOf(source);
    const bool everybody = sourceGrants.others && !sourceGrants.userKeptOut && !sourceGrants.groupKeptOut;
    // The owner of a file may read it, whatever its bits say: they may change them.
    const auto userReads = [&](std::uint32_t reader) {
        return everybody || reader == user || reader == source.owner || contains(sourceGrants.users, reader);
    };
    // A member of a group may still be kept out by an entry of their own.
    const auto groupReads = [&](std::uint32_t reader) {
        return everybody ||
               (!sourceGrants.userKeptOut && ((reader == source.group && sourceGrants.ownerGroup) ||
                                              contains(sourceGrants.groups, reader)));
    };
    if (!userReads(file.owner)) {
        return Readers::ownerBeyond;
    }
    const Grants fileGrants = grantsOf(file);
    if ((fileGrants.others && !everybody) || (fileGrants.ownerGroup && !groupReads(file.group)) ||
        !std::all_of(fileGrants.users.begin(), fileGrants.users.end(), userReads) ||
        !std::all_of(fileGrants.groups.begin(), fileGrants.groups.end(), groupReads)) {
        return Readers::othersBeyond;
    }
    return Readers::within;
}

FileAccess readersThrough(FileAccess file, const std::vector<FileStatus>& folders) {
    using Tag = AccessEntry::Tag;
    for (const FileStatus& folder : folders) {
        const bool othersPass = (folder.permissions & 0001) != 0;
        const bool groupPasses = (folder.permissions & 0010) != 0;
        // Whether the readers of class `tag` (of the id `id`) are let through this folder: its owner and
        // group by their own bits, everybody else by everybody else's.
        const auto passes = [&](Tag tag, std::uint32_t id) {
            switch (tag) {
            case Tag::owner:
            case Tag::mask:
                return true;
            case Tag::user:
                return othersPass || id == folder.owner;
            case Tag::owningGroup:
            case Tag::group:
                return id == folder.group ? groupPasses : othersPass;
            case Tag::others:
                break;
            }
            return othersPass;
        };
        for (AccessEntry& entry : file.entries) {
            const std::uint32_t id = entry.tag == Tag::owningGroup ? file.group : entry.id;
            entry.permissions = passes(entry.tag, id) ? entry.permissions : 0;
        }
        if (file.entries.empty()) {
            file.permissions &= (passes(Tag::owningGroup, file.group) ? ~0U : ~groupPermissions) &
                                (othersPass ? ~0U : ~othersPermissions);
        }
    }
    return file;
}

FileAccess accessToGive(const FileAccess& source, std::uint32_t group, std::optional<unsigned> creationMask) {
    using Tag = AccessEntry::Tag;
    FileAccess access = source;
    access.group = group;
    // Takes every access away from the entries of `tag`, or from the bits `bits` where there are none.
    const auto takeAway = [&access](Tag tag, unsigned bits) {
        access.permissions &= access.entries.empty() ? ~bits : ~0U;
        for (AccessEntry& entry : access.entries) {
            entry.permissions = entry.tag == tag ? 0 : entry.permissions;
        }
    };
    if (group != source.group) {
        // The owning group's entry grants nothing; the mask stays, so that named entries keep their access.
        takeAway(Tag::owningGroup, groupPermissions);
        // Where the source keeps its own group out of what everybody else may do, its members would be
        // everybody else here: everybody else gets nothing either.
        if (readersOf(access, source, source.owner) != Readers::within) {
            takeAway(Tag::others, othersPermissions);
        }
    }
    if (creationMask) {
        access.permissions &= access.entries.empty() ? sharedFilePermissions & ~*creationMask : 0777U;
    }
    return access;
}

RunError hostError(std::string_view what, std::string_view path, const std::error_code& error) {
    return fileError(what, path, host::cause(path, error));
}

bool refusesWriting(const std::error_code& mayWrite) {
    return mayWrite == std::errc::permission_denied || mayWrite == std::errc::read_only_file_system;
}

Refusal whyNotReplaceable(const FileStatus& file, const std::error_code& mayWrite, const FileFlags& flags,
                          const FileStatus& folder, std::uint32_t user) {
    // Root may write any file; a file without any write permission is read-only for root too.
    if ((file.permissions & writePermissions) == 0 || refusesWriting(mayWrite)) {
        return "the file is read-only";
    }
    if (flags.immutable) {
        return "the file is immutable (its attribute i is set; see lsattr)";
    }
    if (flags.appendOnly) {
        return "the file is append-only (its attribute a is set; see lsattr)";
    }
    // In a sticky folder (such as /tmp) only the owner of a file, or of the folder, may rename over it.
    if ((folder.permissions & stickyBit) != 0 && user != 0 && file.owner != user && folder.owner != user) {
        return "the folder is sticky and the file belongs to user " + std::to_string(file.owner);
    }
    return std::nullopt;
}

bool isNearMissOf(std::string_view name, std::string_view target) {
    const auto lower = [](std::string_view text) {
        std::string lowered(text);
        std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        return lowered;
    };
    const std::string stem = lower(target.substr(0, target.rfind('.')));
    const std::string named = lower(name);
    return name != target && !name.starts_with('.') && named.starts_with(stem) &&
           !named.substr(stem.size()).starts_with('_');
}

std::string temporaryNameOf(std::string_view target, std::uint64_t random) {
    std::string name(".");
    name.append(target).append(".");
    for (std::size_t letter = 0; letter < temporarySuffixLength; ++letter) {
        name += temporaryLetters[static_cast<std::size_t>(random % temporaryLetters.size())];
        random /= temporaryLetters.size();
    }
    return name;
}

bool isTemporaryNameOf(std::string_view name, std::string_view target) {
    const std::size_t prefixLength = target.size() + 2;
    if (name.size() != prefixLength + temporarySuffixLength || name[0] != '.' ||
        name.substr(1, target.size()) != target || name[prefixLength - 1] != '.') {
        return false;
    }
    const std::string_view suffix = name.substr(prefixLength);
    return std::all_of(suffix.begin(), suffix.end(),
                       [](char c) { return temporaryLetters.find(c) != std::string_view::npos; });
}

} // namespace courseeval
