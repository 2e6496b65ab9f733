// Interruptions on POSIX: the signals that end the program, a handler that removes the registered file
// first, and the signal mask that holds them back.
#include "files/interruptions.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace courseeval {

namespace {

// The signals that end the program and its new file with it, and what handled them before.
constexpr int interruptions[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousActions[std::size(interruptions)];

// The file that an interruption removes, kept where the signal handler can read it: its folder, its name
// there, the path that names it in a message, and which file it is.
struct PendingFile {
    int folder = -1;
    std::unique_ptr<char[]> name;
    std::unique_ptr<char[]> shown;
    std::uint64_t device = 0;
    std::uint64_t identity = 0;
};
PendingFile pending;
std::atomic<const PendingFile*> pendingFile{nullptr};

std::unique_ptr<char[]> copyOf(std::string_view text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

void writeToStandardError(const char* text) {
    const ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

extern "C" void removePendingAndEnd(int signal) {
    // Only async-signal-safe calls here. The handler was reset to the default on entry (SA_RESETHAND):
    // raising the signal again ends the program as the signal would have, once the handler returns.
    const int savedErrno = errno;
    struct stat standing {};
    if (const PendingFile* file = pendingFile.load();
        file != nullptr && fstatat(file->folder, file->name.get(), &standing, AT_SYMLINK_NOFOLLOW) == 0 &&
        standing.st_dev == file->device && standing.st_ino == file->identity &&
        unlinkat(file->folder, file->name.get(), 0) != 0 && errno != ENOENT) {
        writeToStandardError("course-eval: cannot remove the unfinished file '");
        writeToStandardError(file->shown.get());
        writeToStandardError("'\n");
    }
    raise(signal);
    errno = savedErrno;
}

int heldDepth = 0;
sigset_t maskBeforeHolding;

} // namespace

InterruptionsHeld::InterruptionsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : interruptions) {
        sigaddset(&set, signal);
    }
    sigset_t before;
    sigprocmask(SIG_BLOCK, &set, &before);
    if (heldDepth++ == 0) {
        maskBeforeHolding = before;
    }
}

InterruptionsHeld::~InterruptionsHeld() {
    if (--heldDepth == 0) {
        sigprocmask(SIG_SETMASK, &maskBeforeHolding, nullptr);
    }
}

void removeOnInterruption(const Handle& folder, std::string_view name, const FileStatus& status,
                          std::string_view shown) {
    const InterruptionsHeld held;
    pending.folder = static_cast<int>(folder.native());
    pending.device = status.device;
    pending.identity = status.identity;
    pending.name = copyOf(name);
    pending.shown = copyOf(shown);
    if (pendingFile.exchange(&pending) != nullptr) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = removePendingAndEnd;
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigemptyset(&action.sa_mask);
    for (std::size_t index = 0; index < std::size(interruptions); ++index) {
        sigaction(interruptions[index], &action, &previousActions[index]);
    }
}

void keepOnInterruption() noexcept {
    const InterruptionsHeld held;
    if (pendingFile.exchange(nullptr) != nullptr) {
        for (std::size_t index = 0; index < std::size(interruptions); ++index) {
            sigaction(interruptions[index], &previousActions[index], nullptr);
        }
    }
    pending = PendingFile();
}

} // namespace courseeval
