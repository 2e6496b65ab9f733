#include "intake/description_parser.h"

#include <algorithm>

namespace courseeval {

namespace {

constexpr std::string_view sectionKeyword = "section";
constexpr std::string_view instructorKeyword = "instructor:";

// The byte lower-cased by the fixed rule A-Z to a-z, whatever the host's locale.
char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `keyword` (lower case) stands in `text` at index `at`, ignoring the case of A to Z.
bool keywordAt(std::string_view text, std::size_t at, std::string_view keyword) {
    if (text.size() - at < keyword.size()) {
        return false;
    }
    return std::equal(keyword.begin(), keyword.end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char k, char c) { return k == lowerAscii(c); });
}

// Up to `count` characters of `text` from index `from`; empty when `from` is past the end.
std::string_view charactersFrom(std::string_view text, std::size_t from,
                                std::size_t count = std::string_view::npos) {
    return from >= text.size() ? std::string_view{} : text.substr(from, count);
}

} // namespace

ParsedDescription parseDescription(std::string_view description) {
    // Only the last occurrence of each keyword counts: remember where it stands and copy the parts once.
    constexpr std::size_t none = std::string_view::npos;
    std::size_t lastSection = none;
    std::size_t lastInstructor = none;
    for (std::size_t at = 0; at < description.size(); ++at) {
        // The keywords start with different letters: at most one of them can stand here.
        const char first = lowerAscii(description[at]);
        if (first == sectionKeyword.front() && keywordAt(description, at, sectionKeyword)) {
            lastSection = at;
        } else if (first == instructorKeyword.front() && keywordAt(description, at, instructorKeyword)) {
            lastInstructor = at;
        }
    }
    ParsedDescription parsed;
    if (lastSection != none) {
        // The one character before the keyword (normally a blank) belongs to neither part. A keyword at the
        // very start leaves the course name empty.
        parsed.courseName = description.substr(0, lastSection == 0 ? 0 : lastSection - 1);
        parsed.sectionNumber = charactersFrom(description, lastSection + sectionKeyword.size(), 2);
    }
    if (lastInstructor != none) {
        // The one character after the colon (normally a blank) is skipped.
        parsed.instructorName = charactersFrom(description, lastInstructor + instructorKeyword.size() + 1);
    }
    return parsed;
}

void parseDescriptions(EvaluationTables& tables, ActionLog& actionLog) {
    for (int row = 1; row <= tables.nLines; ++row) {
        ParsedDescription parsed = parseDescription(tables.dataArray(row, 2));
        tables.courseName[row] = std::move(parsed.courseName);
        tables.sectionNumber[row] = std::move(parsed.sectionNumber);
        tables.instructorName[row] = std::move(parsed.instructorName);
    }
    actionLog.logAction("dataArray column 2 has been parsed to identify courseName and sectionNumber arrays");
}

} // namespace courseeval
