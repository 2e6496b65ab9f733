#pragma once

#include "intake/checked_table.h"
#include "intake/checked_text_grid.h"

#include <string>

namespace courseeval {

// The working tables of one run, allocated once at their fixed sizes. Index 0 of every dimension exists
// but is never written. A text cell that was never set holds empty text, and an `occurrence` slot that
// was never set holds row 0: both read exactly as an unset cell does.
struct EvaluationTables {
    static constexpr int maxRows = 1000;
    static constexpr int maxColumns = 50;
    static constexpr int maxGroups = 100;
    static constexpr int maxSlots = 1000;
    // Every record has this many fields; the record lines written back always hold this many.
    static constexpr int recordColumns = 43;

    // dataArray(row, column): field `column` of data line `row`, both counted from 1.
    CheckedTextGrid dataArray{"dataArray", "row", maxRows, "column", maxColumns};
    // The number of data lines read; 0 until the first line has been read, and every stage reads 0 as
    // "no rows".
    int nLines = 0;

    // The parts of each row's description (column 2).
    CheckedArray<std::string> courseName{"courseName", "row", maxRows};
    CheckedArray<std::string> sectionNumber{"sectionNumber", "row", maxRows};
    CheckedArray<std::string> instructorName{"instructorName", "row", maxRows};

    // The distinct descriptions in order of first appearance, and occurrence(p, n): the row of the n-th
    // record of group p.
    CheckedArray<std::string> uniqueCourses{"uniqueCourses", "slot", maxRows};
    int nUnique = 0;
    // Groups hold few slots each: the first slots of all groups stand together.
    CheckedGrid<int, CellOrder::outerAdjacent> occurrence{"occurrence", "group", maxGroups, "slot", maxSlots};

    // Returns the tables to their state when new, clearing only the cells a run has written.
    void reset() {
        dataArray.reset();
        nLines = 0;
        courseName.reset();
        sectionNumber.reset();
        instructorName.reset();
        uniqueCourses.reset();
        nUnique = 0;
        occurrence.reset();
    }
};

} // namespace courseeval
