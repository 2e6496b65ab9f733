#include "intake/evaluation_line_reader.h"

#include <cstring>

namespace courseeval {

namespace {

constexpr std::size_t bufferSize = std::size_t{64} * 1024;
constexpr char cr = '\r';
constexpr char lf = '\n';

} // namespace

EvaluationLineReader::EvaluationLineReader(InputFile file)
    : file_(std::move(file)), buffer_(std::make_unique_for_overwrite<char[]>(bufferSize)) {}

bool EvaluationLineReader::readLine(std::string_view& line) {
    if (afterCr_) {
        afterCr_ = false;
        if (peekByte() == lf) {
            ++position_;
        }
    }
    if (peekByte() < 0) {
        return false;
    }
    const char* begin = buffer_.get() + position_;
    const char* stop = static_cast<const char*>(std::memchr(begin, cr, filled_ - position_));
    if (stop != nullptr) {
        // The common case: the whole line stands in the buffer and is handed out where it is.
        line = std::string_view(begin, static_cast<std::size_t>(stop - begin));
        position_ += line.size() + 1;
        afterCr_ = true;
        return true;
    }
    // The line runs past the buffer: gather it piece by piece.
    spill_.assign(begin, filled_ - position_);
    position_ = filled_;
    while (peekByte() >= 0) {
        begin = buffer_.get() + position_;
        stop = static_cast<const char*>(std::memchr(begin, cr, filled_ - position_));
        if (stop != nullptr) {
            spill_.append(begin, static_cast<std::size_t>(stop - begin));
            position_ += static_cast<std::size_t>(stop - begin) + 1;
            afterCr_ = true;
            break;
        }
        spill_.append(begin, filled_ - position_);
        position_ = filled_;
    }
    line = spill_;
    return true;
}

int EvaluationLineReader::peekByte() {
    if (position_ == filled_ && !fillBuffer()) {
        return -1;
    }
    return static_cast<unsigned char>(buffer_[position_]);
}

bool EvaluationLineReader::fillBuffer() {
    position_ = 0;
    filled_ = file_.read(buffer_.get(), bufferSize);
    return filled_ > 0;
}

} // namespace courseeval
