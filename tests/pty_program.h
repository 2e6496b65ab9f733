#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace courseeval::testing {

// The built course-eval running on a pseudo-terminal, as a person at a terminal would run it: what it
// writes can be awaited, and keys can be typed (Enter is "\r", Ctrl-D is "\x04"). The terminal is an
// xterm with UTF-8 text.
class PtyProgram {
public:
    // `cleared` are local modes (termios c_lflag) the terminal starts without, as `stty -echoctl` leaves it.
    explicit PtyProgram(const std::filesystem::path& workingFolder, unsigned cleared = 0);
    PtyProgram(const PtyProgram&) = delete;
    PtyProgram& operator=(const PtyProgram&) = delete;
    ~PtyProgram();

    // Reads the terminal until `text` appears after what earlier calls found; false when `limit` passes or
    // the program's output ends first.
    bool waitFor(std::string_view text, std::chrono::milliseconds limit = std::chrono::seconds(20));
    void type(std::string_view keys);
    // Waits until a line editor has taken the terminal out of line-by-line mode, as it does while it reads
    // an answer; false when `limit` passes first.
    bool waitForLineEditor(std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Whether the terminal reads line by line and echoes what is typed, as a shell expects to find it.
    bool inLineMode() const;
    // The terminal's local modes now, and as it started.
    unsigned localModes() const;
    unsigned startingLocalModes() const { return startingLocalModes_; }
    // Whether the program is still running.
    bool running();
    // Waits for the program to end; its exit status, or -1 when it did not exit normally.
    int waitForExit();

    // Everything the terminal showed so far.
    const std::string& screen() const { return screen_; }

private:
    int terminal_ = -1;
    pid_t child_ = -1;
    std::string screen_;
    std::size_t searchFrom_ = 0;
    unsigned startingLocalModes_ = 0;
};

} // namespace courseeval::testing
