#include "core/output_file.h"

#include "core/run_error.h"

#include <cassert>
#include <charconv>

namespace courseeval {

std::string numberText(int value) {
    assert(value >= 0);
    // A blank and at most ten digits: short enough to be built in place, without a temporary text.
    char text[12] = {' '};
    const std::to_chars_result end = std::to_chars(text + 1, text + sizeof text, value);
    return {text, end.ptr};
}

OutputFile::OutputFile(HostFile file, std::string logName)
    : file_(std::move(file)), logName_(std::move(logName)),
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
        file_.writeAll(text.data(), text.size());
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
    const std::size_t count = takePieces();
    if (count == 1) {
        file_.writeAll(pieces_[0].data(), pieces_[0].size());
    } else if (count > 1) {
        file_.writeAll(pieces_.data(), count);
    }
}

void OutputFile::close() {
    flush();
    file_.close();
}

} // namespace courseeval
