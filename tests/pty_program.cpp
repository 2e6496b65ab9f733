#include "tests/pty_program.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace courseeval::testing {

PtyProgram::PtyProgram(const std::filesystem::path& workingFolder, unsigned cleared) {
    // A new terminal's settings, less the modes cleared.
    termios settings{};
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0 || tcgetattr(slave, &settings) != 0) {
        throw std::runtime_error("openpty failed");
    }
    close(master);
    close(slave);
    settings.c_lflag &= ~static_cast<tcflag_t>(cleared);
    startingLocalModes_ = settings.c_lflag;
    child_ = forkpty(&terminal_, nullptr, &settings, nullptr);
    if (child_ < 0) {
        throw std::runtime_error("forkpty failed");
    }
    if (child_ == 0) {
        // A known terminal: xterm's description, UTF-8 text.
        setenv("TERM", "xterm", 1);
        setenv("LC_ALL", "C.UTF-8", 1);
        if (chdir(workingFolder.c_str()) == 0) {
            execl(COURSE_EVAL_EXECUTABLE, COURSE_EVAL_EXECUTABLE, static_cast<char*>(nullptr));
        }
        _exit(127);
    }
}

PtyProgram::~PtyProgram() {
    if (child_ > 0) {
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
    }
    if (terminal_ >= 0) {
        close(terminal_);
    }
}

bool PtyProgram::waitFor(std::string_view text, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const std::size_t found = screen_.find(text, searchFrom_);
        if (found != std::string::npos) {
            searchFrom_ = found + text.size();
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd readable{terminal_, POLLIN, 0};
        const int ready = poll(&readable, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t got = read(terminal_, buffer, sizeof buffer);
        if (got <= 0) {
            return false; // the program has ended and closed the terminal
        }
        screen_.append(buffer, static_cast<std::size_t>(got));
    }
}

void PtyProgram::type(std::string_view keys) {
    if (write(terminal_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) {
        throw std::runtime_error("cannot type on the terminal");
    }
}

bool PtyProgram::waitForLineEditor(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    termios settings{};
    // The master side reports the terminal's settings as the program last set them.
    while (tcgetattr(terminal_, &settings) == 0 && (settings.c_lflag & ICANON) != 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool PtyProgram::inLineMode() const {
    termios settings{};
    constexpr tcflag_t lineMode = ICANON | ECHO;
    return tcgetattr(terminal_, &settings) == 0 && (settings.c_lflag & lineMode) == lineMode;
}

unsigned PtyProgram::localModes() const {
    termios settings{};
    return tcgetattr(terminal_, &settings) == 0 ? settings.c_lflag : 0;
}

bool PtyProgram::running() {
    int status = 0;
    return child_ > 0 && waitpid(child_, &status, WNOHANG) == 0;
}

int PtyProgram::waitForExit() {
    // Drain the terminal so the program never blocks on a full one.
    while (waitFor("\x01never shown\x01", std::chrono::seconds(20))) {
    }
    int status = 0;
    const pid_t ended = waitpid(child_, &status, 0);
    child_ = -1;
    return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace courseeval::testing
