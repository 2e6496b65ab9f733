#pragma once

#include "run/run_error.h"

#include <string>
#include <vector>

namespace courseeval {

// An index outside a table's fixed range. The message names the table, the dimension and the index,
// e.g. "'dataArray' has no column 51".
class TableRangeError : public RunError {
public:
    // `reason`, when given, says in terms of the input why the index was reached.
    TableRangeError(const char* table, const char* dimension, int index, const std::string& reason = {})
        : RunError("'" + std::string(table) + "' has no " + dimension + " " + std::to_string(index) +
                   (reason.empty() ? "" : " (" + reason + ")")) {}
};

// A one-dimensional table with indices 0 to `lastIndex`, allocated once at full size. Every access is
// tested against the range.
template <typename T>
class CheckedArray {
public:
    CheckedArray(const char* name, const char* dimension, int lastIndex)
        : name_(name), dimension_(dimension), cells_(static_cast<std::size_t>(lastIndex) + 1) {}

    const T& operator[](int index) const { return cells_[offset(index)]; }
    T& operator[](int index) { return cells_[offset(index)]; }

    int lastIndex() const { return static_cast<int>(cells_.size()) - 1; }

    bool operator==(const CheckedArray&) const = default;

private:
    std::size_t offset(int index) const {
        if (index < 0 || index > lastIndex()) {
            throw TableRangeError(name_, dimension_, index);
        }
        return static_cast<std::size_t>(index);
    }

    const char* name_;
    const char* dimension_;
    std::vector<T> cells_;
};

// A two-dimensional table with indices 0 to `lastOuter` by 0 to `lastInner`, allocated once at full size.
// Every access is tested against both ranges.
template <typename T>
class CheckedGrid {
public:
    CheckedGrid(const char* name, const char* outerDimension, int lastOuter, const char* innerDimension,
                int lastInner)
        : name_(name), outerDimension_(outerDimension), innerDimension_(innerDimension),
          lastOuter_(lastOuter), lastInner_(lastInner),
          cells_(static_cast<std::size_t>(lastOuter + 1) * static_cast<std::size_t>(lastInner + 1)) {}

    const T& operator()(int outer, int inner) const { return cells_[offset(outer, inner)]; }
    T& operator()(int outer, int inner) { return cells_[offset(outer, inner)]; }

    int lastOuter() const { return lastOuter_; }
    int lastInner() const { return lastInner_; }

    bool operator==(const CheckedGrid&) const = default;

private:
    std::size_t offset(int outer, int inner) const {
        if (outer < 0 || outer > lastOuter_) {
            throw TableRangeError(name_, outerDimension_, outer);
        }
        if (inner < 0 || inner > lastInner_) {
            throw TableRangeError(name_, innerDimension_, inner);
        }
        return static_cast<std::size_t>(outer) * static_cast<std::size_t>(lastInner_ + 1) +
               static_cast<std::size_t>(inner);
    }

    const char* name_;
    const char* outerDimension_;
    const char* innerDimension_;
    int lastOuter_;
    int lastInner_;
    std::vector<T> cells_;
};

} // namespace courseeval
