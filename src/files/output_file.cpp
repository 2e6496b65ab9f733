#include "files/output_file.h"

#include "files/file_rules.h"

#include <cassert>
#include <cstring>

namespace courseeval {

void OutputFile::writeStoredLine(std::span<const std::string_view> pieces) {
    assert(!pieces.empty());
    // The pieces, a TAB between each, and CR LF.
    std::size_t length = pieces.size() + 1;
    for (const std::string_view piece : pieces) {
        length += piece.size();
    }
    if (length <= filledLineMost) {
        writeFilled(length, [pieces](char* const start) {
            char* at = start;
            for (const std::string_view piece : pieces) {
                if (!piece.empty()) {
                    std::memcpy(at, piece.data(), piece.size());
                    at += piece.size();
                }
                *at++ = '\t';
            }
            // The last piece has a line end instead of its TAB.
            --at;
            *at++ = '\r';
            *at++ = '\n';
            return static_cast<std::size_t>(at - start);
        });
        return;
    }
    writeStored(pieces.front());
    for (const std::string_view piece : pieces.subspan(1)) {
        writePiece("\t");
        writeStored(piece);
    }
    writeLine("");
}

OutputFile::OutputFile(Handle file, std::string path, std::string logName)
    : file_(std::move(file)), path_(std::move(path)), logName_(std::move(logName)),
      buffer_(std::make_unique_for_overwrite<char[]>(bufferCapacity)) {}

OutputFile::~OutputFile() {
    if (file_.isOpen() && buffer_ != nullptr) {
        try {
            flush();
        } catch (const RunError&) {
            // The run is ending in an error already; the file keeps what reached it.
        }
    }
}

void OutputFile::writeThrough(std::string_view text) {
    assert(file_.isOpen());
    // Fill the buffer up and hand it on; a piece longer than a whole buffer goes on by itself.
    const std::size_t head = bufferCapacity - used_;
    std::copy_n(text.begin(), head, buffer_.get() + used_);
    used_ = bufferCapacity;
    flush();
    text.remove_prefix(head);
    if (text.size() >= bufferCapacity) {
        const std::string_view whole = text;
        require(host::write(file_, &whole, 1), "cannot write to", path_);
    } else {
        std::copy(text.begin(), text.end(), buffer_.get());
        used_ = text.size();
    }
}

void OutputFile::queueStored(std::string_view text) {
    // Room for the buffer's part before the piece and for the one after it at the next flush.
    if (pieceCount_ + 3 > pieces_.size()) {
        flush();
    }
    if (used_ > queuedUpTo_) {
        pieces_[pieceCount_++] = std::string_view(buffer_.get() + queuedUpTo_, used_ - queuedUpTo_);
        queuedUpTo_ = used_;
    }
    pieces_[pieceCount_++] = text;
}

std::size_t OutputFile::takePieces() {
    if (used_ > queuedUpTo_) {
        pieces_[pieceCount_++] = std::string_view(buffer_.get() + queuedUpTo_, used_ - queuedUpTo_);
    }
    const std::size_t count = pieceCount_;
    pieceCount_ = 0;
    queuedUpTo_ = 0;
    used_ = 0;
    return count;
}

void OutputFile::flush() {
    assert(file_.isOpen());
    require(host::write(file_, pieces_.data(), takePieces()), "cannot write to", path_);
}

void OutputFile::close() {
    flush();
    require(host::close(file_), "cannot close", path_);
}

} // namespace courseeval
