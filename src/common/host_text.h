#pragma once

#include <string>
#include <string_view>

namespace courseeval {

// The program's own text (answers, folder paths, messages) is UTF-8 on Windows, so that a folder named in
// any script can be held; the system is spoken to in UTF-16. Where the text becomes bytes for others to
// read (the action log, output that is no console), a folder reads as it always has: in the ANSI code
// page's bytes wherever that holds every character. On other hosts text is the bytes typed, unchanged.

// The bytes that stand for `text` in the action log and in output that is no console: on Windows the ANSI
// code page's where it holds every character of `text`, UTF-8 where it does not; elsewhere `text`.
std::string storedBytes(std::string_view text);

// The text of an answer read as bytes from a pipe or a file. On Windows a leading byte-order mark is
// dropped, and the bytes are taken as UTF-8 where they are valid UTF-8 (PowerShell and most editors
// write it) and in the ANSI code page where they are not (as older scripts write); elsewhere `bytes`.
std::string textFromAnswerBytes(std::string_view bytes);

#ifdef _WIN32
// UTF-16 for the system, from the program's text.
std::wstring wideFromText(std::string_view text);
// The program's text from UTF-16; a lone surrogate half, which no character is, is a RunError.
std::string textFromWide(std::wstring_view wide);
// The extended-length form ("\\?\C:\...", "\\?\UNC\server\share\...") of the full path `fullPath`, which
// the file functions take beyond 260 characters; a path already in that form, or a device path, as it is.
std::wstring extendedLengthPath(std::wstring_view fullPath);
// The full path of the path `path`, joined to the working folder where it is relative, in the
// extended-length form: as it stands where it needs no resolving (so that no final dot or blank of a name
// is trimmed), otherwise as the system resolves it.
std::wstring fullPathOf(std::string_view path);
// The system's own message for the Windows error code `error`, without its final full stop.
std::string windowsErrorText(unsigned long error);
#endif

} // namespace courseeval
