#pragma once

#include "intake/checked_table.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace courseeval {

// A CheckedGrid of texts. The texts stand end to end in one block of bytes and each cell is a slice of
// it, an offset and a length of 32 bits each, so that a full table costs a few allocations rather than one
// per text, and cells never written cost nothing. A cell that was never set reads as empty text. The block
// holds at most 4 GiB less a byte.
class CheckedTextGrid {
public:
    CheckedTextGrid(const char* name, const char* outerDimension, int lastOuter, const char* innerDimension,
                    int lastInner)
        : slices_(name, outerDimension, lastOuter, innerDimension, lastInner),
          storedCells_(static_cast<std::size_t>(lastOuter) + 1, 0) {}

    std::string_view operator()(int outer, int inner) const {
        const Slice slice = slices_(outer, inner);
        return {text_.get() + slice.offset, slice.length};
    }

    // The cells from (outer, first) on, up to (outer, last), that the last assignStoredFields() of row
    // `outer` set: the stored text they span, the separator after each included (the fields written one
    // after the other, each with its separator), how many they are and how many of them are not empty. No
    // cell when the first is not such a field.
    struct StoredRun {
        std::string_view text;
        int cells = 0;
        int nonEmpty = 0;
    };
    StoredRun storedRun(int outer, int first, int last) const {
        const Slice* const slice = slices_.cellsBetween(outer, first, last);
        StoredRun run;
        const int end = std::min(last, storedCells_[static_cast<std::size_t>(outer)]);
        if (first < 1 || first > end) {
            return run;
        }
        run.cells = end - first + 1;
        for (int cell = 0; cell < run.cells; ++cell) {
            run.nonEmpty += slice[cell].length > 0 ? 1 : 0;
        }
        const Slice& lastCell = slice[run.cells - 1];
        run.text = std::string_view(text_.get() + slice->offset,
                                    std::size_t{lastCell.offset} + lastCell.length + 1 - slice->offset);
        return run;
    }

    // Calls `visit` with the text of each cell from (outer, first) to (outer, last), in order.
    template <typename Visit>
    void forEachCell(int outer, int first, int last, Visit&& visit) const {
        if (first > last) {
            return;
        }
        const Slice* slice = slices_.cellsBetween(outer, first, last);
        for (int inner = first; inner <= last; ++inner, ++slice) {
            visit(std::string_view(text_.get() + slice->offset, slice->length));
        }
    }

    // Keeps a copy of `text` in the block, in no cell yet, and returns where the copy starts; cells are
    // then set to parts of it with assignStoredFields(). Storing a whole line once is cheaper than copying
    // its fields one by one.
    std::size_t store(std::string_view text) {
        const std::size_t offset = size_;
        makeRoom(text.size());
        std::memcpy(text_.get() + offset, text.data(), text.size());
        size_ += text.size();
        return offset;
    }

    // Keeps in the block, in no cell yet, what `read(bytes, room)` puts there, called until it returns 0
    // with at most `most` bytes of room in all: the bytes of a file, read where the cells will find them.
    // Returns where they start and what they are.
    struct Stored {
        std::size_t offset = 0;
        std::string_view text;
    };
    template <typename Read>
    Stored storeRead(std::size_t most, Read&& read) {
        const std::size_t offset = size_;
        makeRoom(most);
        for (std::size_t room = most; room > 0;) {
            const std::size_t count = read(text_.get() + size_, room);
            if (count == 0) {
                break;
            }
            size_ += count;
            room -= count;
        }
        return {offset, std::string_view(text_.get() + offset, size_ - offset)};
    }

    // The `length` bytes from `offset` of the text kept by store() or storeRead().
    std::string_view stored(std::size_t offset, std::size_t length) const {
        requireStored(offset, length);
        return {text_.get() + offset, length};
    }

    // Sets the cells (outer, 1), (outer, 2), ... to the fields of the `length` bytes from `offset` of the
    // text kept by store(), each field ended by `separator`; bytes after the last separator are no field.
    // Returns the number of fields. A field past the last inner index throws its TableRangeError, the
    // cells before it set.
    int assignStoredFields(int outer, std::size_t offset, std::size_t length, char separator) {
        requireStored(offset, length);
        Slice* const row = slices_.rowToWrite(outer);
        const char* const text = text_.get();
        const std::size_t end = offset + length;
        int& stored = storedCells_[static_cast<std::size_t>(outer)];
        int inner = 0;
        for (std::size_t start = offset; start < end;) {
            const void* found = std::memchr(text + start, separator, end - start);
            if (found == nullptr) {
                break;
            }
            if (++inner > slices_.lastInner()) {
                stored = slices_.lastInner();
                slices_(outer, inner); // throws the table's own error
            }
            const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - text);
            row[inner] = {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(at - start)};
            start = at + 1;
        }
        stored = inner;
        return inner;
    }

    // Makes room for `bytes` of text at once, instead of growing the block step by step.
    void reserve(std::size_t bytes) {
        if (bytes > capacity_) {
            resize(bytes);
        }
    }

    // Returns every cell to empty text, as in a new table, and gives the block of bytes back.
    void reset() {
        slices_.reset();
        std::fill(storedCells_.begin(), storedCells_.end(), 0);
        text_.reset();
        size_ = 0;
        capacity_ = 0;
    }

private:
    static constexpr std::size_t maxBytes = std::numeric_limits<std::uint32_t>::max();

    void requireStored(std::size_t offset, std::size_t length) const {
        if (offset > size_ || length > size_ - offset) {
            throw std::out_of_range("a cell's text would lie past the text stored");
        }
    }

    // Room for `bytes` more after the text stored: the block doubles when it grows, so that storing text
    // after text copies each byte a bounded number of times.
    void makeRoom(std::size_t bytes) {
        if (bytes > maxBytes - size_) {
            throw std::length_error("the text of a table would pass 4 GiB");
        }
        if (bytes > capacity_ - size_) {
            resize(std::max(size_ + bytes, std::min(maxBytes, capacity_ * 2)));
        }
    }

    void resize(std::size_t capacity) {
        // Never initialised: only the bytes up to size_ are read, each written first.
        auto block = std::make_unique_for_overwrite<char[]>(capacity);
        if (size_ > 0) {
            std::memcpy(block.get(), text_.get(), size_);
        }
        text_ = std::move(block);
        capacity_ = capacity;
    }

    struct Slice {
        std::uint32_t offset;
        std::uint32_t length;
    };

    CheckedGrid<Slice> slices_;
    // For each outer index, how many cells from 1 on its last assignStoredFields() set.
    std::vector<int> storedCells_;
    std::unique_ptr<char[]> text_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace courseeval
