#include "intake/description_parser.h"

namespace courseeval {

namespace {

constexpr std::string_view sectionKeyword = "section";
constexpr std::string_view instructorKeyword = "instructor:";
constexpr int caseBit = 'a' - 'A';

// Whether `keyword` stands in `text` at index `at`, ignoring the case of A to Z: a letter of the keyword
// (always lower case) matches the byte that equals it once the bit that tells a-z from A-Z is set, which
// only the same letter in either case does; any other byte of the keyword matches only itself.
bool keywordAt(std::string_view text, std::size_t at, std::string_view keyword) {
    if (text.size() - at < keyword.size()) {
        return false;
    }
    for (std::size_t index = 0; index < keyword.size(); ++index) {
        const char wanted = keyword[index];
        const int found = static_cast<unsigned char>(text[at + index]);
        const int compared = wanted >= 'a' && wanted <= 'z' ? found | caseBit : found;
        if (compared != static_cast<unsigned char>(wanted)) {
            return false;
        }
    }
    return true;
}

// Up to `count` characters of `text` from index `from`; empty when `from` is past the end.
std::string_view charactersFrom(std::string_view text, std::size_t from,
                                std::size_t count = std::string_view::npos) {
    return from >= text.size() ? std::string_view{} : text.substr(from, count);
}

} // namespace

ParsedDescription parseDescription(std::string_view description) {
    // Only the last occurrence of each keyword counts: remember where it stands and cut the parts once.
    constexpr std::size_t none = std::string_view::npos;
    std::size_t lastSection = none;
    std::size_t lastInstructor = none;
    for (std::size_t at = 0; at < description.size(); ++at) {
        // The keywords start with different letters: at most one of them can stand here, and the case bit
        // set makes 's' of 's' and 'S' alone, 'i' of 'i' and 'I' alone.
        const int first = static_cast<unsigned char>(description[at]) | caseBit;
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

bool holdsKeyword(std::string_view description) {
    for (std::size_t at = 0; at < description.size(); ++at) {
        // As in parseDescription(): only where a keyword's first letter stands can it begin.
        const int first = static_cast<unsigned char>(description[at]) | caseBit;
        if ((first == sectionKeyword.front() && keywordAt(description, at, sectionKeyword)) ||
            (first == instructorKeyword.front() && keywordAt(description, at, instructorKeyword))) {
            return true;
        }
    }
    return false;
}

void parseDescriptions(EvaluationTables& tables, ActionLog& actionLog) {
    for (int row = 1; row <= tables.nLines; ++row) {
        const ParsedDescription parsed = parseDescription(tables.dataArray(row, 2));
        tables.courseName[row] = parsed.courseName;
        tables.sectionNumber[row] = parsed.sectionNumber;
        tables.instructorName[row] = parsed.instructorName;
    }
    actionLog.logAction("dataArray column 2 has been parsed to identify courseName and sectionNumber arrays");
}

} // namespace courseeval
