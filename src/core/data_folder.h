#pragma once

#include "core/folder_lock.h"
#include "core/host_file.h"
#include "core/input_file.h"
#include "core/output_file.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace courseeval {

// The data folder of a run, named by `folderPath` as the user gave it. Every file of the folder is opened
// here and nowhere else, by the same rules, because others may write the folder too:
// - a file the run writes is never written through a symbolic link, never waited on, and must be a
//   regular file of one name; a file derived from the evaluation file is no more readable than that file;
// - the evaluation file is read only when it is a regular file within evaluationFileSizeLimit, through a
//   symbolic link only where followsLink() allows it, and a change while it is read is an error;
// - the evaluation file is only ever replaced whole.
// A file is named `folderPath` followed by its name: so it appears in the action log, while errors name it
// by its host path (hostPath()).
class DataFolder {
public:
    explicit DataFolder(std::string folderPath);

    const std::string& folderPath() const { return folderPath_; }

    // Locks the folder against other runs and empties the action log, which the lock keeps open.
    FolderLock lock() const;
    // Opens the evaluation file to read it. The files created after it take its permissions.
    InputFile openEvaluationFile();
    // Creates the file `fileName` of the folder empty (an existing one is emptied) to write it.
    OutputFile create(std::string_view fileName) const;
    // Replaces the evaluation file whole with what `writeContent` writes (see replaceWhole()).
    void replaceEvaluationFile(const std::function<void(OutputFile&)>& writeContent) const;

private:
    // The host path of the file `fileName`; an error starting with `what` when it holds a NUL character.
    std::string hostPathOf(std::string_view fileName, std::string_view what) const;
    std::string logNameOf(std::string_view fileName) const;

    std::string folderPath_;
    // The evaluation file as it was opened, once it has been.
    std::optional<FileStatus> evaluationFile_;
};

} // namespace courseeval
