// Fuzz target: any bytes as a course description. The parse must equal a plain one that finds the last
// occurrence of each keyword in a lower-cased copy and cuts the parts from there.
#include "fuzz/fuzz_check.h"
#include "intake/description_parser.h"

#include <cstdint>

namespace courseeval {
namespace {

ParsedDescription plainParse(std::string_view description) {
    std::string lower(description);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    ParsedDescription parsed;
    if (const std::size_t at = lower.rfind("section"); at != std::string::npos) {
        parsed.courseName = description.substr(0, at == 0 ? 0 : at - 1);
        if (at + 7 < description.size()) {
            parsed.sectionNumber = description.substr(at + 7, 2);
        }
    }
    if (const std::size_t at = lower.rfind("instructor:"); at != std::string::npos) {
        if (at + 12 < description.size()) {
            parsed.instructorName = description.substr(at + 12);
        }
    }
    return parsed;
}

} // namespace
} // namespace courseeval

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace courseeval;
    const std::string_view description(reinterpret_cast<const char*>(data), size);
    if (!(parseDescription(description) == plainParse(description))) {
        testing::fuzzFail("the parse differs from the plain parse");
    }
    return 0;
}
