#pragma once

#include "common/run_error.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace courseeval {

// An index outside a table's fixed range. The message names the table, the dimension and the index,
// e.g. "'dataArray' has no column 51". A stage that knows why the index was reached says so in an error of
// its own, in the user's terms.
class TableRangeError : public RunError {
public:
    TableRangeError(const char* table, const char* dimension, int index)
        : RunError(std::string("'")
                       .append(table)
                       .append("' has no ")
                       .append(dimension)
                       .append(" ")
                       .append(std::to_string(index))) {}
};

// Puts a cell back in its initial state, giving back any memory it holds.
template <typename T>
void resetCell(T& cell) {
    T fresh{};
    std::swap(cell, fresh);
}

// A one-dimensional table with indices 0 to `lastIndex`, allocated once at full size. Every access is
// tested against the range. The table remembers the highest index handed out for writing, so that a reset
// touches only what can have changed.
template <typename T>
class CheckedArray {
public:
    CheckedArray(const char* name, const char* dimension, int lastIndex)
        : name_(name), dimension_(dimension), cells_(static_cast<std::size_t>(lastIndex) + 1) {}

    const T& operator[](int index) const { return cells_[offset(index)]; }
    T& operator[](int index) {
        const std::size_t at = offset(index);
        written_ = std::max(written_, index);
        return cells_[at];
    }

    int lastIndex() const { return static_cast<int>(cells_.size()) - 1; }

    // Returns every cell to its initial value, as in a new table.
    void reset() {
        for (int index = 0; index <= written_; ++index) {
            resetCell(cells_[static_cast<std::size_t>(index)]);
        }
        written_ = -1;
    }

private:
    std::size_t offset(int index) const {
        // One unsigned comparison also refuses every negative index.
        if (static_cast<unsigned>(index) > static_cast<unsigned>(lastIndex())) {
            throw TableRangeError(name_, dimension_, index);
        }
        return static_cast<std::size_t>(index);
    }

    const char* name_;
    const char* dimension_;
    std::vector<T> cells_;
    int written_ = -1;
};

// A two-dimensional table with indices 0 to `lastOuter` by 0 to `lastInner`, allocated once at full size.
// Every access is tested against both ranges. The table remembers, row by row, the highest indices handed
// out for writing, so that a reset touches only what can have changed.
//
// The cells are plain values (numbers, or structs of them) whose all-zero bytes are their initial value.
// They are allocated zero-filled by the system, so that memory a run never writes is never touched. Where
// a table is filled only a few inner indices deep for each outer index, CellOrder::outerAdjacent keeps
// those few cells of every outer index together, instead of one page apart.
enum class CellOrder {
    innerAdjacent, // (outer, inner) and (outer, inner + 1) stand side by side
    outerAdjacent, // (outer, inner) and (outer + 1, inner) stand side by side
};

template <typename T, CellOrder order = CellOrder::innerAdjacent>
class CheckedGrid {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_default_constructible_v<T>,
                  "the cells of a CheckedGrid start as zero bytes");

public:
    CheckedGrid(const char* name, const char* outerDimension, int lastOuter, const char* innerDimension,
                int lastInner)
        : name_(name), outerDimension_(outerDimension), innerDimension_(innerDimension),
          lastOuter_(lastOuter), lastInner_(lastInner),
          cells_(
              zeroFilled(static_cast<std::size_t>(lastOuter + 1) * static_cast<std::size_t>(lastInner + 1))),
          writtenInner_(static_cast<std::size_t>(lastOuter + 1), -1) {}

    int lastOuter() const { return lastOuter_; }
    int lastInner() const { return lastInner_; }

    const T& operator()(int outer, int inner) const { return cells_[offset(outer, inner)]; }
    // The cells (outer, first) to (outer, last) side by side, both ends checked once, to be walked in order.
    const T* cellsBetween(int outer, int first, int last) const {
        static_assert(order == CellOrder::innerAdjacent, "the cells of one outer index stand side by side");
        offset(outer, last);
        return &cells_[offset(outer, first)];
    }
    T& operator()(int outer, int inner) {
        const std::size_t at = offset(outer, inner);
        int& written = writtenInner_[static_cast<std::size_t>(outer)];
        written = std::max(written, inner);
        writtenOuter_ = std::max(writtenOuter_, outer);
        return cells_[at];
    }
    // The cells (outer, 0) to (outer, lastInner()) side by side, to be written in order; the index is
    // checked once.
    T* rowToWrite(int outer) {
        static_assert(order == CellOrder::innerAdjacent, "the cells of one outer index stand side by side");
        // Marked written up to the last inner index, so that a reset clears the whole row.
        return &(*this)(outer, lastInner_) - lastInner_;
    }

    // Returns every cell to its initial value, as in a new table.
    void reset() {
        for (int outer = 0; outer <= writtenOuter_; ++outer) {
            int& written = writtenInner_[static_cast<std::size_t>(outer)];
            for (int inner = 0; inner <= written; ++inner) {
                cells_[offset(outer, inner)] = T{};
            }
            written = -1;
        }
        writtenOuter_ = -1;
    }

private:
    struct FreeCells {
        void operator()(T* cells) const { std::free(cells); }
    };
    using Cells = std::unique_ptr<T[], FreeCells>;

    static Cells zeroFilled(std::size_t count) {
        // calloc hands large blocks over as fresh pages from the system, zero until first written.
        Cells cells(static_cast<T*>(std::calloc(count, sizeof(T))));
        if (cells == nullptr) {
            throw std::bad_alloc();
        }
        return cells;
    }

    std::size_t offset(int outer, int inner) const {
        // One unsigned comparison per dimension also refuses every negative index.
        if (static_cast<unsigned>(outer) > static_cast<unsigned>(lastOuter_)) {
            throw TableRangeError(name_, outerDimension_, outer);
        }
        if (static_cast<unsigned>(inner) > static_cast<unsigned>(lastInner_)) {
            throw TableRangeError(name_, innerDimension_, inner);
        }
        if constexpr (order == CellOrder::innerAdjacent) {
            return static_cast<std::size_t>(outer) * static_cast<std::size_t>(lastInner_ + 1) +
                   static_cast<std::size_t>(inner);
        } else {
            return static_cast<std::size_t>(inner) * static_cast<std::size_t>(lastOuter_ + 1) +
                   static_cast<std::size_t>(outer);
        }
    }

    const char* name_;
    const char* outerDimension_;
    const char* innerDimension_;
    int lastOuter_;
    int lastInner_;
    Cells cells_;
    // The highest outer index handed out for writing, and for each outer index the highest inner one.
    int writtenOuter_ = -1;
    std::vector<int> writtenInner_;
};

} // namespace courseeval
