#pragma once

#include "common/number_text.h"
#include "files/host.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace courseeval {

// A text file of the data folder, open to be written byte for byte from its start. Lines end in CR LF.
// Pieces are gathered in a buffer of its own and handed on in large blocks, as the stages write field by
// field. Every write, flush and close is checked and a failure throws a RunError naming the file.
//
// A file still open when it is destroyed (because an error is ending the run) is flushed and closed
// then, so that it keeps everything written to it before the error; failures at that point are
// ignored, as the run is already reporting an error.
class OutputFile {
public:
    // Takes over `file`, open for writing, whose host path `path` errors name; `logName` names it in the
    // action log.
    OutputFile(Handle file, std::string path, std::string logName);
    OutputFile(OutputFile&&) noexcept = default;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Writes `text` with no line end after it.
    void writePiece(std::string_view text) {
        if (text.size() <= bufferCapacity - used_) {
            // The common case, a field or a separator: copied into the buffer and nothing else.
            std::copy(text.begin(), text.end(), buffer_.get() + used_);
            used_ += text.size();
        } else {
            writeThrough(text);
        }
    }
    // Writes `text`, which stays where it is, unchanged, until the file is flushed or closed (a field of
    // the evaluation table, say): a long piece goes to the system from there, without being copied first.
    void writeStored(std::string_view text) {
        if (text.size() < storedPieceMinimum) {
            writePiece(text);
        } else {
            queueStored(text);
        }
    }
    // Writes what `fill(at)` puts at `at` and returns the count of: at most `most` bytes, which must be no
    // more than a buffer holds (bufferCapacity). For a line put together byte by byte, where a piece at a
    // time would cost more than the bytes.
    template <typename Fill>
    void writeFilled(std::size_t most, Fill&& fill) {
        assert(most <= bufferCapacity);
        if (most > bufferCapacity - used_) {
            flush();
        }
        const std::size_t filled = fill(buffer_.get() + used_);
        assert(filled <= most);
        used_ += filled;
    }
    // Writes `pieces` with a TAB between each and a line end after the last: a line of fields. Each piece
    // stays where it is, unchanged, until the file is flushed or closed, as for writeStored().
    void writeStoredLine(std::span<const std::string_view> pieces);
    // Writes the number text of `value` (see NumberText).
    void writeNumber(int value) { writePiece(NumberText(value).view()); }
    // Writes `text` followed by CR LF.
    void writeLine(std::string_view text) {
        writePiece(text);
        writePiece("\r\n");
    }
    // Hands everything written so far to the operating system.
    void flush();
    // Flushes and closes the file; further writes are a programming error.
    void close();

    // The host path, which errors name, and the name the action log gives the file.
    const std::string& path() const { return path_; }
    const std::string& logName() const { return logName_; }

    static constexpr std::size_t bufferCapacity = std::size_t{64} * 1024;
    // Below this size a stored piece is copied: another slice of a gathered write would cost more.
    static constexpr std::size_t storedPieceMinimum = 1024;
    // A line of up to this many bytes is put together in the buffer: copying its pieces costs less than
    // handing them on one by one.
    static constexpr std::size_t filledLineMost = std::size_t{4} * 1024;

private:
    // Writes a piece that does not fit in what is left of the buffer.
    void writeThrough(std::string_view text);
    // Puts a long stored piece in line after what the buffer holds so far.
    void queueStored(std::string_view text);
    // Everything written so far, in order, as pieces: the queued ones, and the buffer's part after them.
    std::size_t takePieces();

    Handle file_;
    std::string path_;
    std::string logName_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    // The pieces waiting for the next flush, before the buffer's bytes from queuedUpTo_ on: slices of the
    // buffer and stored pieces, in the order written.
    std::array<std::string_view, host::maxGatheredPieces> pieces_;
    std::size_t pieceCount_ = 0;
    std::size_t queuedUpTo_ = 0;
};

} // namespace courseeval
