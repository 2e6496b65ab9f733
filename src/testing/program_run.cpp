#include "testing/program_run.h"

#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace courseeval::testing {

namespace {

#ifdef _WIN32
// A Windows console program ends its lines in CR LF; the tests compare lines.
std::string withLfLineEnds(std::string text) {
    for (std::size_t cr = text.find("\r\n"); cr != std::string::npos; cr = text.find("\r\n", cr)) {
        text.erase(cr, 1);
    }
    return text;
}
#endif

} // namespace

ProgramRun runProgram(const std::filesystem::path& workingFolder, const std::string& input) {
    const TempFolder scratch;
    writeBytes(scratch.file("in"), input);
    ProgramRun run;
#ifdef _WIN32
    const std::string command = "cd /d \"" + workingFolder.string() +
                                "\" && \"" COURSE_EVAL_EXECUTABLE "\" <\"" + scratch.file("in") + "\" >\"" +
                                scratch.file("out") + "\" 2>\"" + scratch.file("err") + "\"";
    run.status = std::system(command.c_str());
    run.out = withLfLineEnds(readBytes(scratch.file("out")));
    run.err = withLfLineEnds(readBytes(scratch.file("err")));
#else
    const std::string command = "cd '" + workingFolder.string() + "' && '" COURSE_EVAL_EXECUTABLE "' <'" +
                                scratch.file("in") + "' >'" + scratch.file("out") + "' 2>'" +
                                scratch.file("err") + "'";
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readBytes(scratch.file("out"));
    run.err = readBytes(scratch.file("err"));
#endif
    return run;
}

} // namespace courseeval::testing
