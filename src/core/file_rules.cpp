#include "core/file_rules.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace courseeval {

namespace {

constexpr std::size_t temporarySuffixLength = 6;

bool isTemporaryLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

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

Refusal hasOtherNames(std::uint64_t links) {
    if (links <= 1) {
        return std::nullopt;
    }
    return "has " + std::to_string(links) + " hard links; a run writes no file that has other names";
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

constexpr unsigned groupRead = 0040;
constexpr unsigned othersRead = 0004;
constexpr unsigned groupPermissions = 0070;

// One entry of an access list in its short text form: "u:2002:r--".
struct AclEntry {
    std::string_view tag;       // "u", "g", "m" or "o" (or written out: "user" and so on)
    std::string_view qualifier; // the numeric id of a named user or group; empty for the others
    std::string_view permissions;
};

std::vector<AclEntry> entriesOf(std::string_view text) {
    std::vector<AclEntry> entries;
    while (!text.empty()) {
        const std::string_view entry = text.substr(0, text.find(','));
        text.remove_prefix(std::min(text.size(), entry.size() + 1));
        const std::size_t first = entry.find(':');
        const std::size_t second = entry.find(':', first == std::string_view::npos ? first : first + 1);
        if (second == std::string_view::npos) {
            continue;
        }
        entries.push_back(
            {entry.substr(0, first), entry.substr(first + 1, second - first - 1), entry.substr(second + 1)});
    }
    return entries;
}

bool isTag(std::string_view tag, std::string_view word) {
    return tag == word.substr(0, 1) || tag == word;
}

std::optional<std::uint32_t> idOf(std::string_view qualifier) {
    std::uint32_t id = 0;
    const auto [end, error] = std::from_chars(qualifier.data(), qualifier.data() + qualifier.size(), id);
    if (error != std::errc() || end != qualifier.data() + qualifier.size() || qualifier.empty()) {
        return std::nullopt;
    }
    return id;
}

// Whom a file grants reading, within its access list's mask.
struct Grants {
    bool others = false;               // whoever no other entry names
    bool ownerGroup = false;           // the members of the owning group
    std::vector<std::uint32_t> users;  // named users
    std::vector<std::uint32_t> groups; // the members of named groups
    bool unknownReader = false;        // a named entry whose id cannot be read
    bool userKeptOut = false;          // a named user who may not read, whatever their groups grant
    bool groupKeptOut = false;         // a group entry that grants nothing: its members are no others
};

Grants grantsOf(const FileAccess& access) {
    Grants grants;
    if (access.extendedEntries.empty()) {
        grants.others = (access.permissions & othersRead) != 0;
        grants.ownerGroup = (access.permissions & groupRead) != 0;
        grants.groupKeptOut = !grants.ownerGroup;
        return grants;
    }
    const std::vector<AclEntry> entries = entriesOf(access.extendedEntries);
    bool maskReads = true;
    for (const AclEntry& entry : entries) {
        if (isTag(entry.tag, "mask")) {
            maskReads = entry.permissions.starts_with('r');
        }
    }
    for (const AclEntry& entry : entries) {
        const bool reads = entry.permissions.starts_with('r');
        const bool named = !entry.qualifier.empty();
        const bool user = isTag(entry.tag, "user");
        if (isTag(entry.tag, "other")) {
            grants.others = reads;
        } else if ((user && named) || isTag(entry.tag, "group")) {
            const std::optional<std::uint32_t> id = idOf(entry.qualifier);
            if (!(reads && maskReads)) {
                (user ? grants.userKeptOut : grants.groupKeptOut) = true;
            } else if (!named) {
                grants.ownerGroup = true;
            } else if (!id) {
                grants.unknownReader = true;
            } else {
                (user ? grants.users : grants.groups).push_back(*id);
            }
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
    if ((fileGrants.others && !everybody) || fileGrants.unknownReader ||
        (fileGrants.ownerGroup && !groupReads(file.group)) ||
        !std::all_of(fileGrants.users.begin(), fileGrants.users.end(), userReads) ||
        !std::all_of(fileGrants.groups.begin(), fileGrants.groups.end(), groupReads)) {
        return Readers::othersBeyond;
    }
    return Readers::within;
}

FileAccess accessFor(const FileAccess& source, std::uint32_t group) {
    FileAccess access = source;
    access.group = group;
    if (group == source.group) {
        return access;
    }
    if (source.extendedEntries.empty()) {
        access.permissions &= ~groupPermissions;
        return access;
    }
    // The owning group's entry grants nothing; the mask stays, so that named entries keep their access.
    std::string entries;
    for (const AclEntry& entry : entriesOf(source.extendedEntries)) {
        entries.append(entries.empty() ? "" : ",").append(entry.tag).append(":").append(entry.qualifier);
        entries.append(":").append(isTag(entry.tag, "group") && entry.qualifier.empty() ? "---"
                                                                                        : entry.permissions);
    }
    access.extendedEntries = entries;
    return access;
}

std::string temporaryNameOf(std::string_view target, std::string_view letters) {
    std::string name(".");
    name.append(target).append(".").append(letters.substr(0, temporarySuffixLength));
    return name;
}

bool isTemporaryNameOf(std::string_view name, std::string_view target) {
    const std::size_t prefixLength = target.size() + 2;
    if (name.size() != prefixLength + temporarySuffixLength || name[0] != '.' ||
        name.substr(1, target.size()) != target || name[prefixLength - 1] != '.') {
        return false;
    }
    const std::string_view suffix = name.substr(prefixLength);
    return std::all_of(suffix.begin(), suffix.end(), isTemporaryLetter);
}

} // namespace courseeval
