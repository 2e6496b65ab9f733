#include "files/data_folder.h"

#include "common/file_names.h"
#include "files/file_rules.h"
#include "files/replacement_file.h"

#include <algorithm>
#include <iterator>

namespace courseeval {

namespace {

using Access = OpenRequest::Access;
using Creation = OpenRequest::Creation;

// What a walk is asked: how to open the last name, and how its errors name the file.
struct Walk {
    std::string_view what;            // the verb of an error on the way: "cannot open"
    std::string_view whatRefused;     // and of a refusal of what stands at the last name: "cannot read"
    std::string_view shown;           // the path errors name
    OpenRequest request;              // for the last name
    bool missingAllowed = false;      // a missing last name is no error, but Reached::missing
    bool nameWhereUnreadable = false; // a file the user may not read is opened as a name (Access::name)
    bool linkFirst = false;           // a link not followed is named first: "'<link>' is a symbolic link ..."
};

// Where a walk ended: the folder that holds the last name and its path as walked (its separator
// included), the name there, and what stands at it, opened as asked.
struct Reached {
    const Handle* start = nullptr;
    Handle elsewhere; // the folder that holds the last name, where the walk left `start`
    std::string folderShown;
    std::string name;
    Handle file; // closed when `missing`
    FileStatus status;
    bool missing = false;
    bool readable = false;          // opened to be read, not only as a name
    std::vector<FileStatus> passed; // the folders passed on the way, which let through only some

    const Handle& folder() const { return elsewhere.isOpen() ? elsewhere : *start; }
};

// The error of a walk that met, at `link` as walked, a link of `owner` that it does not follow.
RunError linkRefused(const Walk& asked, const std::string& link, std::uint32_t owner) {
    const std::string why = linkNotFollowed(host::userName(owner));
    if (asked.linkFirst) {
        return fileError(asked.what, asked.shown, "'" + link + "' " + why);
    }
    return fileError(asked.what, asked.shown,
                     link == asked.shown ? why : "leads to '" + link + "', which " + why);
}

// Walks `path` from the folder `start`, whose path is `walked`, one name at a time: each name on the way
// is opened as a name, never through a link, and a symbolic link met on the way or at the last name is
// followed where followsLink() allows it, its target read from the very link whose owner was checked. The
// last name is opened as asked, by itself: so what is checked is what is read or written, whatever is
// renamed meanwhile.
Reached walkFrom(const Handle& start, std::string walked, std::string_view path, const Walk& asked) {
    const auto failed = [&](const std::error_code& error) {
        return hostError(asked.what, asked.shown, error);
    };
    const auto value = [&](auto&& result) {
        if (!result) {
            throw failed(result.error());
        }
        return std::move(*result);
    };
    const std::uint32_t user = host::currentUser();
    Reached reached;
    reached.start = &start;
    Handle here; // the folder reached so far, once it is not `start`
    std::string rest(path);
    for (int links = 0;;) {
        const Handle& folder = here.isOpen() ? here : start;
        const std::size_t first = rest.find_first_not_of(host::separators);
        const std::size_t end = rest.find_first_of(host::separators, first);
        std::string name = first == std::string::npos ? "." : rest.substr(first, end - first);
        const std::size_t next = rest.find_first_not_of(host::separators, end);
        rest.erase(0, next == std::string::npos ? rest.size() : next);
        const bool last = rest.empty();
        const bool folderNamed = end != std::string::npos; // "data/" names a folder
        const auto ending = [&](Handle file, const FileStatus& status) {
            reached.elsewhere = std::move(here);
            reached.folderShown = std::move(walked);
            reached.name = std::move(name);
            reached.file = std::move(file);
            reached.status = status;
            return std::move(reached);
        };

        Handle node;
        if (last) {
            ErrorOr<Handle> opened = host::open(folder, name, asked.request);
            reached.readable = asked.request.access == Access::reading;
            if (!opened && asked.nameWhereUnreadable &&
                (opened.error() == std::errc::permission_denied ||
                 opened.error() == std::errc::device_or_resource_busy)) {
                opened = host::open(folder, name, {Access::name});
                reached.readable = false;
            }
            if (!opened) {
                const std::error_code error = opened.error();
                if (error == std::errc::no_such_file_or_directory && asked.missingAllowed) {
                    reached.missing = true;
                    return ending(Handle(), {});
                }
                // A link (which an opening as a folder takes for no folder) is looked at as itself; anything
                // else that is no regular file is named, so that the error says what it is rather than how
                // an opening failed.
                const ErrorOr<FileStatus> standing = host::statusAt(folder, name);
                if (!standing || standing->kind != FileKind::symbolicLink) {
                    const Refusal kind = standing ? notARegularFile(standing->kind) : std::nullopt;
                    if (asked.request.access == Access::folder) {
                        // A file where a folder is asked is no folder, in the same words on every host.
                        throw failed(standing && !kind ? std::make_error_code(std::errc::not_a_directory)
                                                       : error);
                    }
                    if (kind) {
                        throw fileError(asked.whatRefused, asked.shown, *kind);
                    }
                    throw failed(error);
                }
                node = value(host::open(folder, name, {Access::name}));
            } else {
                node = std::move(*opened);
            }
        } else {
            node = value(host::open(folder, name, {Access::name}));
        }
        const FileStatus status = value(host::status(node));
        if (status.kind == FileKind::symbolicLink) {
            if (!followsLink(status.owner, user)) {
                throw linkRefused(asked, walked + name, status.owner);
            }
            if (++links > maxLinksFollowed) {
                throw failed(std::make_error_code(std::errc::too_many_symbolic_link_levels));
            }
            // The link's target takes its name's place in what is left to walk.
            std::string target = value(host::linkTarget(node));
            if (!last || folderNamed) {
                target.append(1, host::separators[0]).append(rest);
            }
            if (host::isAbsolute(target) || host::linksResolveAsText) {
                host::Start root =
                    value(host::openStart(host::isAbsolute(target) ? target : walked + target));
                here = std::move(root.folder);
                walked = std::move(root.shown);
                target = std::move(root.rest);
            }
            rest = std::move(target);
            continue;
        }
        if (last && !(folderNamed && status.kind != FileKind::directory)) {
            return ending(std::move(node), status);
        }
        if (status.kind != FileKind::directory) {
            throw failed(std::make_error_code(std::errc::not_a_directory));
        }
        reached.passed.push_back(status);
        here = std::move(node);
        walked.append(name).append(1, host::separators[0]);
    }
}

// The folder `folderPath`, whose host name is `hostPath`, opened.
Handle openFolder(const std::string& folderPath, const std::string& hostPath) {
    constexpr std::string_view what = "cannot use the folder";
    // The system would stop at the NUL and name another folder.
    if (hostPath.find('\0') != std::string::npos) {
        throw fileError("cannot create", hostPath + std::string(actionLogFileName),
                        "file name holds a NUL character");
    }
    ErrorOr<host::Start> start = host::openStart(hostPath);
    if (!start) {
        throw hostError(what, folderPath, start.error());
    }
    Reached reached = walkFrom(start->folder, start->shown, start->rest,
                               {what, what, folderPath, {Access::folder}, false, false, true});
    // What the user named is the folder, not its files: say what to do. The installed example data, in a
    // read-only folder, are where newcomers meet this.
    if (const std::error_code error = host::mayWrite(reached.file, "."); refusesWriting(error)) {
        throw fileError(what, folderPath,
                        host::cause(folderPath, error)
                            .append("; a run writes its files into the data folder, so it needs one you may "
                                    "write (copy the data into a folder of your own)"));
    }
    return std::move(reached.file);
}

RunError folderInUse(const std::string& folder) {
    return RunError("another run is using " + folder);
}

} // namespace

DataFolder::DataFolder(std::string folderPath)
    : folderPath_(std::move(folderPath)), hostPath_(host::folderName(folderPath_)),
      folder_(openFolder(folderPath_, hostPath_)), creationMask_(host::creationMask()) {}

ActionLog& DataFolder::lock() {
    const std::string path = pathOf(actionLogFileName);
    // The folder's own lock keeps a second run out even when the log is removed under the first. Where the
    // folder cannot be locked (a folder the user may not list, some network file systems) the log's lock
    // stands alone; a file system without locks at all leaves the run unlocked, rather than its users
    // without the tool.
    Handle folderLock =
        valueOf(host::open(folder_, ".", {Access::folder}), "cannot lock the folder", pathOf(""));
    if (const std::error_code locked = host::lock(folderLock)) {
        if (locked == std::errc::resource_unavailable_try_again) {
            throw folderInUse(pathOf(""));
        }
        folderLock = Handle();
    }
    std::optional<Opened> log = openToWrite(actionLogFileName, Creation::either, sharedFilePermissions);
    if (host::lock(log->file) == std::errc::resource_unavailable_try_again) {
        throw folderInUse(pathOf(""));
    }
    log_.reset();
    return log_.emplace(folder_, std::move(folderLock), actionLogFileName, std::move(log->file), log->status,
                        path, logNameOf(actionLogFileName));
}

void DataFolder::requireLock() const {
    if (log_) {
        log_->requireHeld();
    }
}

InputFile DataFolder::openEvaluationFile() {
    const std::string path = pathOf(evaluationFileName);
    Reached named = walkFrom(folder_, hostPath_, evaluationFileName,
                             {"cannot open", "cannot read", path, {Access::reading}, true});
    if (named.missing) {
        std::string cause = host::cause(path, std::make_error_code(std::errc::no_such_file_or_directory));
        // A file of another name is most likely what was meant: say which, so that it can be renamed.
        std::vector<std::string> nearMisses;
        if (const ErrorOr<std::vector<std::string>> names = host::list(folder_)) {
            std::copy_if(names->begin(), names->end(), std::back_inserter(nearMisses),
                         [&](const std::string& name) {
                             const ErrorOr<FileStatus> status = host::statusAt(folder_, name);
                             return isNearMissOf(name, evaluationFileName) && status &&
                                    status->kind == FileKind::regular;
                         });
        }
        std::sort(nearMisses.begin(), nearMisses.end());
        for (std::size_t at = 0; at < nearMisses.size(); ++at) {
            cause.append(at == 0                       ? "; the folder holds '"
                         : at + 1 == nearMisses.size() ? " and '"
                                                       : ", '")
                .append(nearMisses[at])
                .append("'");
        }
        if (!nearMisses.empty()) {
            cause.append(nearMisses.size() == 1 ? ": rename it " : ": rename the one that is the export ")
                .append(evaluationFileName);
        }
        throw fileError("cannot open", path, cause);
    }
    if (const Refusal kind = notARegularFile(named.status.kind)) {
        throw fileError("cannot read", path, *kind);
    }
    if (const Refusal tooLarge = tooLargeToRead(named.status.stamp.size)) {
        throw fileError("cannot read", path, *tooLarge);
    }
    // Whom the folders on the way keep out cannot read it either.
    evaluationAccess_ =
        readersThrough(valueOf(host::access(named.file, named.status), "cannot read", path), named.passed);
    return {std::move(named.file),         named.status, path,
            logNameOf(evaluationFileName), *this,        evaluationFileName};
}

bool DataFolder::stillNames(std::string_view fileName, const FileStatus& status) const {
    const std::string path = pathOf(fileName);
    const Reached named =
        walkFrom(folder_, hostPath_, fileName, {"cannot read", "cannot read", path, {Access::name}, true});
    return !named.missing && named.status.sameFileAs(status);
}

std::optional<DataFolder::Opened> DataFolder::openToWrite(std::string_view fileName, Creation creation,
                                                          unsigned permissions) const {
    const std::string path = pathOf(fileName);
    ErrorOr<Handle> opened = host::open(folder_, fileName, {Access::writing, creation, permissions});
    if (!opened) {
        const std::error_code error = opened.error();
        if ((error == std::errc::no_such_file_or_directory && creation == Creation::existing) ||
            (error == std::errc::file_exists && creation == Creation::newOnly)) {
            return std::nullopt;
        }
        // What stands there is named when it is no regular file (a link, a FIFO nobody reads, a folder), and
        // whose it is when it is another user's, who alone can remove it.
        if (const ErrorOr<FileStatus> standing = host::statusAt(folder_, fileName)) {
            if (const Refusal kind = notARegularFile(standing->kind)) {
                throw fileError("cannot create", path, *kind);
            }
            if (error == std::errc::permission_denied && standing->owner != host::currentUser()) {
                throw fileError("cannot create", path,
                                host::cause(path, error) + "; the file belongs to user " +
                                    host::userName(standing->owner));
            }
        }
        throw hostError("cannot create", path, error);
    }
    // Writing a file with other names would change it under those too, wherever they stand.
    const FileStatus status = valueOf(host::status(*opened), "cannot create", path);
    if (const Refusal refused = notToBeWritten(status)) {
        throw fileError("cannot create", path, *refused);
    }
    return Opened{std::move(*opened), status};
}

OutputFile DataFolder::create(std::string_view fileName) const {
    requireLock();
    if (evaluationAccess_) {
        return createDerived(fileName, *evaluationAccess_);
    }
    const std::string path = pathOf(fileName);
    std::optional<Opened> opened = openToWrite(fileName, Creation::either, sharedFilePermissions);
    require(host::truncate(opened->file), "cannot create", path);
    return {std::move(opened->file), path, logNameOf(fileName)};
}

OutputFile DataFolder::createDerived(std::string_view fileName, const FileAccess& source) const {
    const std::string path = pathOf(fileName);
    // A new file, the user's alone until then, gets the evaluation file's group where the user may give it
    // that, and the evaluation file's access for the group it has.
    const auto derived = [&](Opened created) -> OutputFile {
        require(giveAccess(created.file, created.status.group, source, creationMask_), "cannot create", path);
        return {std::move(created.file), path, logNameOf(fileName)};
    };
    std::optional<Opened> opened = openToWrite(fileName, Creation::existing, 0);
    if (!opened) {
        if ((opened = openToWrite(fileName, Creation::newOnly, privateFilePermissions))) {
            return derived(std::move(*opened));
        }
        // Another program put a file at the name meanwhile.
        opened = openToWrite(fileName, Creation::either, privateFilePermissions);
    }
    // A file created by an earlier run, or by someone else, may be more readable than this run's data.
    const std::uint32_t user = host::currentUser();
    switch (
        readersOf(valueOf(host::access(opened->file, opened->status), "cannot read", path), source, user)) {
    case Readers::within:
        require(host::truncate(opened->file), "cannot create", path);
        return {std::move(opened->file), path, logNameOf(fileName)};
    case Readers::ownerBeyond:
        throw fileError("cannot create", path,
                        "belongs to user " + host::userName(opened->status.owner) +
                            ", who may not read the evaluation file it would show");
    case Readers::othersBeyond:
        break;
    }
    // Narrowing it would not close it to those who hold it open already: a new file takes its place.
    if (opened->status.owner != user) {
        throw fileError("cannot create", path,
                        "may be read by users who may not read the evaluation file, and its permissions "
                        "cannot be narrowed");
    }
    opened.reset();
    require(host::remove(folder_, fileName), "cannot create", path);
    opened = openToWrite(fileName, Creation::newOnly, privateFilePermissions);
    if (!opened) {
        throw fileError("cannot create", path, "another program put a file at this name meanwhile");
    }
    return derived(std::move(*opened));
}

void DataFolder::replaceEvaluationFile(std::string_view content) const {
    requireLock();
    const std::string path = pathOf(evaluationFileName);
    constexpr std::string_view what = "cannot replace";
    // The file the name leads to is replaced, a link staying a link. A file the user may write but not
    // read is opened as a name: its permission bits are still kept.
    Reached target =
        walkFrom(folder_, hostPath_, evaluationFileName, {what, what, path, {Access::reading}, true, true});
    const Handle& folder = target.folder();
    const FileStatus folderStatus = valueOf(host::status(folder), what, path);
    std::optional<FileStatus> old;
    if (!target.missing) {
        const FileStatus& status = target.status;
        // Its other names would go on naming the old content.
        Refusal refused = notToBeWritten(status);
        if (!refused) {
            const ErrorOr<FileFlags> flags = host::flags(target.file);
            refused = whyNotReplaceable(status, host::mayWrite(folder, target.name),
                                        flags ? *flags : FileFlags{}, folderStatus, host::currentUser());
        }
        if (refused) {
            throw fileError(what, path, *refused);
        }
        old = status;
    }
    // The old file's access, as far as it can be read: a file the user may not read gives its bits.
    const FileAccess oldAccess = !old ? FileAccess{}
                                 : target.readable
                                     ? valueOf(host::access(target.file, *old), "cannot read", path)
                                     : FileAccess{old->owner, old->group, old->permissions, {}};
    // Leftovers are looked for only in the data folder itself, which this run has locked.
    const bool dataFolder = folderStatus.sameFileAs(valueOf(host::status(folder_), what, path));
    ReplacementFile replacement(folder, target.folderShown, target.name, path, dataFolder);
    replacement.commit(content, old, [&](const Handle& file, const FileStatus& created) {
        if (!old) {
            // Where nothing stood before, the complete file is the user's as any file they create.
            require(host::setPermissions(file, sharedFilePermissions & ~creationMask_), "cannot create",
                    path);
            return;
        }
        require(giveAccess(file, created.group, oldAccess, std::nullopt), "cannot create", path);
        if (target.readable) {
            require(host::keepAttributes(target.file, file), "cannot create", path);
        }
        // Nothing of the run may hold the old file open while it is replaced (Windows would refuse).
        target.file = Handle();
    });
}

} // namespace courseeval
