#pragma once

#include "files/action_log.h"
#include "files/host.h"
#include "files/input_file.h"
#include "files/output_file.h"

#include <optional>
#include <string>
#include <string_view>

namespace courseeval {

// The data folder of a run, named by `folderPath` as the user gave it and opened once: every file of the
// run is a file of the folder so opened, whatever is renamed afterwards. Every file of the folder is
// opened here and nowhere else, by the same rules, because others may write the folder too:
// - a file the run writes is never written through a symbolic link, never waited on, and must be a
//   regular file of one name; a file derived from the evaluation file is no more readable than that file,
//   access list included, and is created readable by the user alone until it is given that access;
// - the folder and the evaluation file are reached one name at a time, a symbolic link followed only where
//   followsLink() allows it; the evaluation file is read only when it is a regular file within
//   evaluationFileSizeLimit, and a change while it is read is an error;
// - the evaluation file is only ever replaced whole (see ReplacementFile).
// A file is named `folderPath` followed by its name: so it appears in the action log, while errors name it
// by its host path (host::folderName() followed by the name).
class DataFolder {
public:
    // Opens the folder: "cannot use the folder '<folderPath>': <cause>" when it cannot be used.
    explicit DataFolder(std::string folderPath);

    const std::string& folderPath() const { return folderPath_; }
    // The host path of the file `fileName` of the folder, as errors name it.
    std::string pathOf(std::string_view fileName) const { return std::string(hostPath_).append(fileName); }

    // Locks the folder against other runs and empties the action log, the lock's own file, which lives as
    // long as the folder. From then on, a file is created or replaced only while the log is still the
    // locked file: a second run let in by a removed log changes nothing more.
    ActionLog& lock();
    // Opens the evaluation file to read it. The files created after it take its access.
    InputFile openEvaluationFile();
    // Creates the file `fileName` of the folder empty (an existing one is emptied) to write it.
    OutputFile create(std::string_view fileName) const;
    // Replaces the evaluation file whole with `content` (see ReplacementFile).
    void replaceEvaluationFile(std::string_view content) const;
    // Whether the file `fileName`, its links followed, is still the file of status `status`; errors
    // "cannot read".
    bool stillNames(std::string_view fileName, const FileStatus& status) const;

private:
    // A file opened, with its status at the opening.
    struct Opened {
        Handle file;
        FileStatus status;
    };
    // Opens the file `fileName` to write it, never through a link: a regular file of one name, or nothing
    // when the name is missing (`existing`) or taken (`newOnly`). Errors "cannot create".
    std::optional<Opened> openToWrite(std::string_view fileName, OpenRequest::Creation creation,
                                      unsigned permissions) const;
    // A derived file of the evaluation file's access: an existing one that would show the data to anyone
    // else is replaced by a new one.
    OutputFile createDerived(std::string_view fileName, const FileAccess& source) const;
    void requireLock() const;
    std::string logNameOf(std::string_view fileName) const {
        return std::string(folderPath_).append(fileName);
    }

    std::string folderPath_;
    std::string hostPath_;
    Handle folder_;
    unsigned creationMask_;
    // The evaluation file's access, once it has been opened.
    std::optional<FileAccess> evaluationAccess_;
    // The action log, once the folder is locked.
    std::optional<ActionLog> log_;
};

} // namespace courseeval
