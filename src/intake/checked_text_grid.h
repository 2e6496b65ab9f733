#pragma once

#include "intake/checked_table.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace courseeval {

// A CheckedGrid of texts. The texts stand end to end in one block of bytes, and the cells of one outer
// index are consecutive fields of one text there, each ended by a separator: a cell is where its field
// ends, 32 bits, the next field starting after the separator. A full table so costs a few allocations
// rather than one per text, and cells never written cost nothing. A cell that was never set reads as empty
// text. The block holds at most 4 GiB less a byte.
class CheckedTextGrid {
public:
    CheckedTextGrid(const char* name, const char* outerDimension, int lastOuter, const char* innerDimension,
                    int lastInner)
        : ends_(name, outerDimension, lastOuter, innerDimension, lastInner),
          rows_(static_cast<std::size_t>(lastOuter) + 1) {
        // A row's empty cells are bits of one 64-bit word.
        assert(lastInner < 64);
    }

    std::string_view operator()(int outer, int inner) const {
        const std::uint32_t& end = ends_(outer, inner);
        const Row& row = rows_[static_cast<std::size_t>(outer)];
        if (inner < 1 || inner > row.cells) {
            return {};
        }
        const std::uint32_t start = inner == 1 ? row.start : (&end)[-1] + 1;
        return {text_.get() + start, end - start};
    }

    // The cells from (outer, 1) on, up to (outer, last), that the last assignStoredFields() of row `outer`
    // set: the stored text they span, the separator after each included (the fields written one after the
    // other, each with its separator), how many they are and how many of them are not empty. The cells
    // after them are empty.
    struct StoredRun {
        std::string_view text;
        int cells = 0;
        int nonEmpty = 0;
    };
    StoredRun storedRun(int outer, int last) const {
        const std::uint32_t* const ends = ends_.cellsBetween(outer, 1, last);
        const Row& row = rows_[static_cast<std::size_t>(outer)];
        StoredRun run;
        run.cells = std::min(last, row.cells);
        if (run.cells < 1) {
            return run;
        }
        // The bits of the cells up to run.cells in row.empty (whose bit 0 is never set).
        const std::uint64_t cells = ~std::uint64_t{0} >> (63 - run.cells);
        run.nonEmpty = run.cells - std::popcount(row.empty & cells);
        run.text = std::string_view(text_.get() + row.start, ends[run.cells - 1] + 1 - row.start);
        return run;
    }

    // Calls `visit` with the text of each cell from (outer, first) to (outer, last), in order.
    template <typename Visit>
    void forEachCell(int outer, int first, int last, Visit&& visit) const {
        if (first > last) {
            return;
        }
        const std::uint32_t* const ends = ends_.cellsBetween(outer, first, last) - first;
        const Row& row = rows_[static_cast<std::size_t>(outer)];
        // Cell 0 and the cells after those set are empty; each set one starts after the end of the one
        // before.
        int inner = first;
        for (; inner <= last && inner < 1; ++inner) {
            visit(std::string_view());
        }
        const int lastSet = std::min(last, row.cells);
        if (inner <= lastSet) {
            std::uint32_t start = inner == 1 ? row.start : ends[inner - 1] + 1;
            for (; inner <= lastSet; ++inner) {
                const std::uint32_t end = ends[inner];
                visit(std::string_view(text_.get() + start, end - start));
                start = end + 1;
            }
        }
        for (; inner <= last; ++inner) {
            visit(std::string_view());
        }
    }

    // All the text kept by store() and storeRead(), in order.
    std::string_view storedText() const { return {text_.get(), size_}; }

    // Keeps a copy of `text` in the block, in no cell yet, and returns where the copy starts; cells are
    // then set to parts of it with assignStoredFields(). Storing a whole line once is cheaper than copying
    // its fields one by one.
    std::size_t store(std::string_view text) {
        const std::size_t offset = size_;
        if (!text.empty()) {
            makeRoom(text.size());
            std::memcpy(text_.get() + offset, text.data(), text.size());
            size_ += text.size();
        }
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

    // Sets the cells (outer, 1), (outer, 2), ... to the fields of the `length` bytes from `offset` of the
    // text kept by store() or storeRead(), each field ended by `separator`; bytes after the last separator
    // are no field. Returns the number of fields. A field past the last inner index throws its
    // TableRangeError, the cells before it set.
    int assignStoredFields(int outer, std::size_t offset, std::size_t length, char separator) {
        requireStored(offset, length);
        std::uint32_t* const ends = ends_.rowToWrite(outer);
        Row& row = rows_[static_cast<std::size_t>(outer)];
        row = {static_cast<std::uint32_t>(offset), 0, 0};
        const char* const text = text_.get();
        const std::size_t end = offset + length;
        int inner = 0;
        for (std::size_t start = offset; start < end;) {
            const void* found = std::memchr(text + start, separator, end - start);
            if (found == nullptr) {
                break;
            }
            if (++inner > ends_.lastInner()) {
                row.cells = ends_.lastInner();
                ends_(outer, inner); // throws the table's own error
            }
            const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - text);
            ends[inner] = static_cast<std::uint32_t>(at);
            row.empty |= at == start ? std::uint64_t{1} << inner : 0;
            start = at + 1;
        }
        row.cells = inner;
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
        ends_.reset();
        std::fill(rows_.begin(), rows_.end(), Row{});
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

    // Where the first field of an outer index starts, how many cells its last assignStoredFields() set,
    // and which of them are empty (bit n for cell n).
    struct Row {
        std::uint32_t start = 0;
        int cells = 0;
        std::uint64_t empty = 0;
    };

    CheckedGrid<std::uint32_t> ends_;
    std::vector<Row> rows_;
    std::unique_ptr<char[]> text_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace courseeval
