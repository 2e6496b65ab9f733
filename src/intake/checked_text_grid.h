#pragma once

#include "intake/checked_table.h"

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace courseeval {

// A CheckedGrid of texts. The texts stand end to end in one block of bytes and each cell is a slice of
// it, an offset and a length, so that a full table costs a few allocations rather than one per text, and
// cells never written cost nothing. A cell that was never set reads as empty text.
class CheckedTextGrid {
public:
    CheckedTextGrid(const char* name, const char* outerDimension, int lastOuter, const char* innerDimension,
                    int lastInner)
        : slices_(name, outerDimension, lastOuter, innerDimension, lastInner) {}

    std::string_view operator()(int outer, int inner) const {
        const Slice slice = slices_(outer, inner);
        return {text_.data() + slice.offset, slice.length};
    }

    // The cells from (outer, first) on, up to (outer, last), that were set to consecutive fields of one
    // stored text, each followed there by `separator`: the stored text they span, separators included
    // (the fields written one after the other, each with its separator), how many they are and how many
    // of them are not empty. No cell when the first is not such a field.
    struct StoredRun {
        std::string_view text;
        int cells = 0;
        int nonEmpty = 0;
    };
    StoredRun storedRun(int outer, int first, int last, char separator) const {
        const Slice* slice = slices_.cellsBetween(outer, first, last);
        StoredRun run;
        const std::size_t start = slice->offset;
        std::size_t end = start;
        for (int inner = first; inner <= last; ++inner, ++slice) {
            const std::size_t fieldEnd = slice->offset + slice->length;
            if (slice->offset != end || fieldEnd >= text_.size() || text_[fieldEnd] != separator) {
                break;
            }
            end = fieldEnd + 1;
            ++run.cells;
            run.nonEmpty += slice->length > 0 ? 1 : 0;
        }
        run.text = std::string_view(text_).substr(start, end - start);
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
            visit(std::string_view(text_.data() + slice->offset, slice->length));
        }
    }

    // Keeps a copy of `text` in the block, in no cell yet, and returns where the copy starts; cells are
    // then set to parts of it with assignStoredFields(). Storing a whole line once is cheaper than copying
    // its fields one by one.
    std::size_t store(std::string_view text) {
        const std::size_t offset = text_.size();
        text_.append(text);
        return offset;
    }

    // Sets the cells (outer, 1), (outer, 2), ... to the fields of the `length` bytes from `offset` of the
    // text kept by store(), each field ended by `separator`; bytes after the last separator are no field.
    // Returns the number of fields. A field past the last inner index throws its TableRangeError, the
    // cells before it set.
    int assignStoredFields(int outer, std::size_t offset, std::size_t length, char separator) {
        requireStored(offset, length);
        Slice* const row = slices_.rowToWrite(outer);
        const char* const text = text_.data();
        const std::size_t end = offset + length;
        int inner = 0;
        for (std::size_t start = offset; start < end;) {
            const void* found = std::memchr(text + start, separator, end - start);
            if (found == nullptr) {
                break;
            }
            if (++inner > slices_.lastInner()) {
                slices_(outer, inner); // throws the table's own error
            }
            const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - text);
            row[inner] = {start, at - start};
            start = at + 1;
        }
        return inner;
    }

    // Makes room for `bytes` of text at once, instead of growing the block step by step.
    void reserve(std::size_t bytes) { text_.reserve(bytes); }

    // Returns every cell to empty text, as in a new table, and gives the block of bytes back.
    void reset() {
        slices_.reset();
        std::string().swap(text_);
    }

private:
    void requireStored(std::size_t offset, std::size_t length) const {
        if (offset > text_.size() || length > text_.size() - offset) {
            throw std::out_of_range("a cell's text would lie past the text stored");
        }
    }

    struct Slice {
        std::size_t offset;
        std::size_t length;
    };

    CheckedGrid<Slice> slices_;
    std::string text_;
};

} // namespace courseeval
