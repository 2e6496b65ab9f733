#include "intake/evaluation_findings.h"

#include "intake/description_parser.h"

#include <algorithm>

namespace courseeval {

namespace {

// Lines named in a finding, at most this many.
constexpr std::size_t linesNamed = 3;

// "line 7 holds", "lines 7 and 9 hold", "lines 7, 9 and 12 hold", "lines 7, 9, 12 and 57 more hold" for
// `total` lines of which `lines` are the first.
std::string linesHold(const std::vector<int>& lines, std::size_t total) {
    std::string text = total == 1 ? "line" : "lines";
    for (std::size_t at = 0; at < lines.size(); ++at) {
        text += at == 0 ? " " : at + 1 == total ? " and " : ", ";
        text += std::to_string(lines[at]);
    }
    if (total > lines.size()) {
        text += " and " + std::to_string(total - lines.size()) + " more";
    }
    return text + (total == 1 ? " holds" : " hold");
}

// The lines of the file `text`, as a run splits it at CR and CR LF, that hold an LF of their own.
struct LoneLineFeeds {
    std::vector<int> lines;
    std::size_t total = 0;
};

LoneLineFeeds loneLineFeedsOf(std::string_view text) {
    LoneLineFeeds found;
    // The lines are counted by their CRs only up to where an LF stands alone, which a file of CR LF line
    // ends never has: its bytes are searched, not walked.
    int line = 1;
    std::size_t counted = 0;
    int lastNamed = 0;
    for (std::size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1)) {
        if (at > 0 && text[at - 1] == '\r') {
            continue;
        }
        line += static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(counted),
                                            text.begin() + static_cast<std::ptrdiff_t>(at), '\r'));
        counted = at;
        if (line != lastNamed) {
            lastNamed = line;
            if (found.lines.size() < linesNamed) {
                found.lines.push_back(line);
            }
            ++found.total;
        }
    }
    return found;
}

} // namespace

std::vector<std::string> evaluationFindings(const EvaluationTables& tables, bool afterError) {
    std::vector<std::string> findings;
    const std::string_view text = tables.dataArray.storedText();
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
        text.find('\0') != std::string_view::npos) {
        findings.emplace_back(
            "the file is UTF-16 (\"Unicode\") text, or holds NUL bytes: a run reads 8-bit text; "
            "save it as \"Text (Tab delimited)\" in an 8-bit character set (ANSI or UTF-8)");
        return findings;
    }
    if (!text.empty() && text.find('\t') == std::string_view::npos) {
        findings.emplace_back("no line holds a TAB: the file looks comma- or semicolon-separated; save it as "
                              "\"Text (Tab delimited)\", every field ended by a TAB");
        return findings;
    }
    if (const LoneLineFeeds feeds = loneLineFeedsOf(text); feeds.total > 0) {
        findings.push_back(linesHold(feeds.lines, feeds.total) +
                           " an LF without a CR before it: lines end in LF alone, as files saved on "
                           "Linux or a Mac do, and a run ends a line only at CR or CR LF; save the file with "
                           "CR LF (Windows) line ends (unix2dos converts it)");
    }
    if (afterError) {
        return findings;
    }
    if (tables.nLines == 0) {
        findings.emplace_back("the file holds no records");
        return findings;
    }
    std::vector<int> otherCounts;
    std::size_t otherTotal = 0;
    bool allOneShort = true;
    std::vector<int> withoutKeyword;
    std::size_t withoutKeywordTotal = 0;
    for (int row = 1; row <= tables.nLines; ++row) {
        const int fields = tables.dataArray.storedRun(row, EvaluationTables::maxColumns).cells;
        if (fields != EvaluationTables::recordColumns) {
            allOneShort = allOneShort && fields == EvaluationTables::recordColumns - 1;
            if (otherCounts.size() < linesNamed) {
                otherCounts.push_back(row);
            }
            ++otherTotal;
        }
        if (!holdsKeyword(tables.dataArray(row, 2))) {
            if (withoutKeyword.size() < linesNamed) {
                withoutKeyword.push_back(row);
            }
            ++withoutKeywordTotal;
        }
    }
    if (otherTotal > 0) {
        findings.push_back(
            linesHold(otherCounts, otherTotal) +
            (allOneShort
                 ? " 42 fields, not 43: a spreadsheet that saves TAB-separated text leaves out the "
                   "TAB after the last field, so the last column is dropped; end every field, the last "
                   "one too, with a TAB"
                 : " other than 43 fields: check them for a missing or an extra TAB"));
    }
    if (withoutKeywordTotal > 0) {
        findings.push_back(linesHold(withoutKeyword, withoutKeywordTotal) +
                           " neither \"section\" nor \"instructor:\" in the description (column 2), so "
                           "course name, section and instructor are empty there");
    }
    return findings;
}

} // namespace courseeval
