#include "testing/program_run.h"

#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <cstdlib>
#include <sys/wait.h>

namespace courseeval::testing {

ProgramRun runProgram(const std::filesystem::path& workingFolder, const std::string& input) {
    const TempFolder scratch;
    writeBytes(scratch.file("in"), input);
    const std::string command = "cd '" + workingFolder.string() + "' && '" COURSE_EVAL_EXECUTABLE "' <'" +
                                scratch.file("in") + "' >'" + scratch.file("out") + "' 2>'" +
                                scratch.file("err") + "'";
    const int raw = std::system(command.c_str());
    ProgramRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readBytes(scratch.file("out"));
    run.err = readBytes(scratch.file("err"));
    return run;
}

} // namespace courseeval::testing
