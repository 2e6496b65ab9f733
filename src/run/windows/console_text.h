#pragma once

#include <streambuf>
#include <string>

namespace courseeval {

// Whether the standard handle `which` (STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, ...) is a console.
bool isConsole(unsigned long which);

// A stream buffer writing to the Windows console `console` (a HANDLE) in UTF-16, through WriteConsoleW: the
// program's ANSI text is shown as the characters it means, whatever the console's own code page. The
// text gathered is written at each flush; a failed write fails the stream.
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

// The next line typed at the Windows console `console` (a HANDLE), read in UTF-16 through ReadConsoleW,
// so that it does not depend on the console's code page, and returned as ANSI text without its line end.
// Ctrl+Z at the start of the line, or the end of input, is Cancel (empty text). `shown` (the prompt or
// notice) names the answer in errors.
std::string readConsoleLine(void* console, const std::string& shown);

} // namespace courseeval
