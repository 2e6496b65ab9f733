#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace courseeval {

// Throws "<what> '<path>': file name holds a NUL character" when `path` holds a NUL byte. Such a name
// cannot be handed to the system: it would stop at the NUL and name another file.
void requireNoNul(std::string_view what, const std::string& path);

// Creates (or truncates) the file at `path` and opens it for writing bytes. A failure throws a RunError
// "cannot create '<path>': <cause>".
std::FILE* createFile(const std::string& path);

// A regular file open for reading bytes, and its size in bytes when it was opened (0 when the system
// cannot tell; only a hint, as the file may change while it is read).
struct RegularFile {
    std::FILE* file;
    std::uint64_t size;
};

// Opens the file at `path` (links followed) for reading bytes. Only a regular file is read: a folder, a
// FIFO or a device is refused without waiting on it, with "cannot read '<path>': is a FIFO, not a regular
// file" and the like. A file that cannot be opened throws "cannot open '<path>': <cause>".
RegularFile openRegularFile(const std::string& path);

// What a file of the type in `mode` (a stat() st_mode) is, as "is a FIFO, not a regular file"; empty for a
// regular file.
std::string notARegularFile(unsigned mode);

} // namespace courseeval
