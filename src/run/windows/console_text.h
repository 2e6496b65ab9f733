#pragma once

#include <streambuf>
#include <string>

namespace courseeval {

// Whether the standard handle `which` (STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, ...) is a console.
bool isConsole(unsigned long which);

// A stream buffer that gathers the program's text and hands it on, as a whole, at each flush; a failed
// hand-on fails the stream.
class GatheringBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;
    // Hands `text` on; false when that fails.
    virtual bool handOn(const std::string& text) = 0;

private:
    std::string pending_;
};

// Writes to the Windows console `console` (a HANDLE) in UTF-16, through WriteConsoleW: the program's text is
// shown as the characters it means, whatever the console's own code page.
class ConsoleOutputBuffer : public GatheringBuffer {
public:
    explicit ConsoleOutputBuffer(void* console) : console_(console) {}

protected:
    bool handOn(const std::string& text) override;

private:
    void* console_;
};

// Hands the program's text on to `target` (a pipe or a file, say) in the bytes that storedBytes() gives.
class StoredBytesBuffer : public GatheringBuffer {
public:
    explicit StoredBytesBuffer(std::streambuf* target) : target_(target) {}

protected:
    bool handOn(const std::string& text) override;

private:
    std::streambuf* target_;
};

// The next line typed at the Windows console `console` (a HANDLE), read in UTF-16 through ReadConsoleW,
// so that it does not depend on the console's code page, and returned as the program's text without its
// line end. Ctrl+Z at the start of the line is Cancel (empty text). Ctrl+C, which can end the read with no
// character at all, is an error, never Cancel: that would go on with the default folder. `shown` (the
// prompt or notice) names the answer in errors.
std::string readConsoleLine(void* console, const std::string& shown);

// Whether this process alone uses its console: it was started on its own (double-clicked), and its
// window closes with it, so that a message shown last would go unread.
bool consoleIsThisProcessAlone();

} // namespace courseeval
