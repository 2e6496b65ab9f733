#include "core/replacement_file.h"

#include "core/file_error.h"
#include "core/host_file.h"
#include "core/host_path.h"

#include <exception>
#include <new>
#include <optional>
#include <random>

namespace courseeval {

namespace {

constexpr int nameAttempts = 100;

std::string randomLetters() {
    static constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device entropy;
    std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
    std::string chosen;
    for (int letter = 0; letter < 6; ++letter) {
        chosen += letters[pick(entropy)];
    }
    return chosen;
}

// Removes what killed runs left behind in the folder of `target`: the user's own regular files of exactly
// the temporary name's form. The folder is locked, so none of them belongs to a run still going on.
void removeLeftovers(const std::string& target) {
    const std::string folder = folderPartOf(target);
    const std::string name = target.substr(folder.size());
    for (const std::string& candidate : host::ownRegularFilesIn(folder)) {
        if (isTemporaryNameOf(candidate, name)) {
            const std::string leftover = folder + candidate;
            if (const std::string cause = host::removeFile(leftover); !cause.empty()) {
                throw fileError("cannot remove the leftover of an interrupted run", leftover, cause);
            }
        }
    }
}

HostFile createBeside(const std::string& target, const std::string& shown, std::string& created) {
    const std::string folder = folderPartOf(target);
    const std::string name = target.substr(folder.size());
    for (int attempt = 0; attempt < nameAttempts; ++attempt) {
        created = folder + temporaryNameOf(name, randomLetters());
        if (HostFile file = HostFile::createTemporary(created, shown); file.isOpen()) {
            return file;
        }
    }
    throw fileError("cannot create", shown, "no free name for a new file beside it");
}

// The message of the error `error` that ended a replacement of `path`.
std::string messageOf(const std::exception_ptr& error, const std::string& path) {
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return "not enough memory to replace '" + path + "'";
    } catch (const std::exception& caught) {
        return caught.what();
    } catch (...) {
        return "cannot replace '" + path + "'";
    }
}

} // namespace

void replaceWhole(const std::string& path, const std::function<void(OutputFile&)>& writeContent) {
    const host::NamedFile target = host::followTrustedLinks(path, "cannot replace");
    if (target.status) {
        if (const std::string kind = notARegularFile(target.status->kind); !kind.empty()) {
            throw fileError("cannot replace", path, kind);
        }
        if (host::isReadOnly(target.path, *target.status)) {
            throw fileError("cannot replace", path, "the file is read-only");
        }
    }
    // Leftovers are looked for only in the data folder itself, which this run has locked.
    if (folderPartOf(target.path) == folderPartOf(path)) {
        removeLeftovers(target.path);
    }

    std::string temporary;
    std::optional<OutputFile> content;
    try {
        HostFile file = createBeside(target.path, path, temporary);
        if (target.status) {
            file.takeOwnershipFrom(*target.status);
        }
        content.emplace(std::move(file), std::string());
        writeContent(*content);
        content->sync();
        content->close();
        host::replace(temporary, target.path, target.status, path);
    } catch (...) {
        content.reset();
        const std::string cause = temporary.empty() ? std::string() : host::removeFile(temporary);
        host::forgetTemporary();
        if (cause.empty()) {
            throw;
        }
        throw RunError(messageOf(std::current_exception(), path) + "; the unfinished new file '" + temporary +
                       "' could not be removed: " + cause);
    }
    host::forgetTemporary();
}

} // namespace courseeval
