#include "core/file_rules.h"

#include <algorithm>

namespace courseeval {

namespace {

constexpr unsigned readPermissions = 0444;
constexpr unsigned groupAndOthersRead = 0044;
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

unsigned readPermissionsBeyond(unsigned derived, unsigned source) {
    return derived & readPermissions & ~source;
}

bool moreReadableThan(const FileAccess& derived, const FileAccess& source) {
    return readPermissionsBeyond(derived.permissions, source.permissions) != 0 ||
           (!derived.extendedEntries.empty() && derived.extendedEntries != source.extendedEntries);
}

bool mayHoldDerivedData(std::uint32_t owner, std::uint32_t user, unsigned source) {
    return owner == user || (source & groupAndOthersRead) != 0;
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
