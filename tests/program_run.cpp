#include "tests/program_run.h"

#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <cstdlib>

#ifndef _WIN32
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#endif

namespace courseeval::testing {

#ifdef _WIN32

namespace {

// A Windows console program ends its lines in CR LF; the tests compare lines.
std::string withLfLineEnds(std::string text) {
    for (std::size_t cr = text.find("\r\n"); cr != std::string::npos; cr = text.find("\r\n", cr)) {
        text.erase(cr, 1);
    }
    return text;
}

} // namespace

ProgramRun runProgram(const std::filesystem::path& workingFolder, const std::string& input) {
    return runProgram(workingFolder, input, {});
}

ProgramRun runProgram(const std::filesystem::path& workingFolder, const std::string& input,
                      const std::vector<std::string>& arguments) {
    const TempFolder scratch;
    writeBytes(scratch.file("in"), input);
    std::string quoted;
    for (const std::string& argument : arguments) {
        quoted += " \"" + argument + "\"";
    }
    const std::string command = "cd /d \"" + workingFolder.string() + "\" && \"" COURSE_EVAL_EXECUTABLE "\"" +
                                quoted + " <\"" + scratch.file("in") + "\" >\"" + scratch.file("out") +
                                "\" 2>\"" + scratch.file("err") + "\"";
    ProgramRun run;
    run.status = std::system(command.c_str());
    run.out = withLfLineEnds(readBytes(scratch.file("out")));
    run.err = withLfLineEnds(readBytes(scratch.file("err")));
    return run;
}

#else

namespace {

// In the child: `path` opened with `flags` as descriptor `target`.
void redirect(const std::string& path, int flags, int target) {
    const int descriptor = open(path.c_str(), flags, 0600);
    if (descriptor < 0 || dup2(descriptor, target) < 0) {
        _exit(126);
    }
    close(descriptor);
}

// In the child: the limits and the user of `conditions` taken on.
void takeOn(const ProgramConditions& conditions) {
    const auto limit = [](int resource, std::uint64_t bytes) {
        // rlim_t is 32 bits wide on i386; the limits the tests set are far below that.
        const rlimit value{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
        if (bytes != 0 && setrlimit(resource, &value) != 0) {
            _exit(126);
        }
    };
    limit(RLIMIT_FSIZE, conditions.fileSizeLimit);
    limit(RLIMIT_AS, conditions.memoryLimit);
    if (conditions.user != 0) {
        const std::vector<gid_t> groups(conditions.groups.begin(), conditions.groups.end());
        if (setgroups(groups.size(), groups.data()) != 0 ||
            setresgid(conditions.group, conditions.group, conditions.group) != 0 ||
            setresuid(conditions.user, conditions.user, conditions.user) != 0) {
            _exit(126);
        }
    }
}

int waitWithDeadline(pid_t child) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

ProgramRun runProgram(const std::filesystem::path& workingFolder, const std::string& input) {
    return runProgram(workingFolder, input, std::vector<std::string>{});
}

ProgramRun runProgram(const std::filesystem::path& workingFolder, const std::string& input,
                      const std::vector<std::string>& arguments) {
    const TempFolder scratch;
    writeBytes(scratch.file("in"), input);
    return runProgram(workingFolder, ProgramStreams{scratch.file("in"), false, arguments});
}

bool canRun(const std::filesystem::path& workingFolder, const ProgramConditions& conditions) {
    const pid_t child = fork();
    if (child == 0) {
        takeOn(conditions);
        _exit(access(COURSE_EVAL_EXECUTABLE, X_OK) == 0 && access(workingFolder.c_str(), X_OK) == 0 ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

ProgramRun runProgram(const std::filesystem::path& workingFolder, const std::string& input,
                      const ProgramConditions& conditions) {
    const TempFolder scratch;
    writeBytes(scratch.file("in"), input);
    return runProgram(workingFolder, ProgramStreams{scratch.file("in"), false, {}}, conditions);
}

ProgramRun runProgram(const std::filesystem::path& workingFolder, const ProgramStreams& streams,
                      const ProgramConditions& conditions) {
    const TempFolder scratch;
    std::vector<char*> argv{const_cast<char*>(COURSE_EVAL_EXECUTABLE)};
    for (const std::string& argument : streams.arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("cannot start the program");
    }
    if (child == 0) {
        // The program gets the default handling of SIGPIPE, whatever the test runner set.
        std::signal(SIGPIPE, SIG_DFL);
        redirect(streams.inputPath, O_RDONLY, STDIN_FILENO);
        if (streams.outputClosed) {
            int ends[2];
            if (pipe(ends) != 0 || dup2(ends[1], STDOUT_FILENO) < 0) {
                _exit(126);
            }
            close(ends[0]);
            close(ends[1]);
        } else {
            redirect(scratch.file("out"), O_WRONLY | O_CREAT | O_TRUNC, STDOUT_FILENO);
        }
        redirect(scratch.file("err"), O_WRONLY | O_CREAT | O_TRUNC, STDERR_FILENO);
        takeOn(conditions);
        if (chdir(workingFolder.c_str()) == 0) {
            execv(COURSE_EVAL_EXECUTABLE, argv.data());
        }
        _exit(127);
    }
    ProgramRun run;
    run.status = waitWithDeadline(child);
    if (!streams.outputClosed) {
        run.out = readBytes(scratch.file("out"));
    }
    run.err = readBytes(scratch.file("err"));
    return run;
}

#endif

} // namespace courseeval::testing
