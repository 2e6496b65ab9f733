#pragma once

#include <streambuf>
#include <string>

namespace courseeval {

// Whether the standard handle `which` (STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, ...) is a console.
bool isConsole(unsigned long which);

// A stream buffer writing to the Windows console `console` (a HANDLE) in UTF-16, through WriteConsoleW: the
// program's text is shown as the characters it means, whatever the console's own code page. The text
// gathered is written at each flush; a failed write fails the stream.
class ConsoleOutputBuffer : public std::streambuf {
public:
    explicit ConsoleOutputBuffer(void* console) : console_(console) {}

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    void* console_;
    std::string pending_;
};

// A stream buffer handing the program's text on to `target` (a pipe or a file, say) in the bytes that
// storedBytes() gives, at each flush; a failed write fails the stream.
class StoredBytesBuffer : public std::streambuf {
public:
    explicit StoredBytesBuffer(std::streambuf* target) : target_(target) {}

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    std::streambuf* target_;
    std::string pending_;
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
