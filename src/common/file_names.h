#pragma once

#include <string_view>

namespace courseeval {

// The fixed names of the files a run reads and writes, all in the data folder.
inline constexpr std::string_view evaluationFileName = "sampleEvalData.txt";
inline constexpr std::string_view actionLogFileName = "tracking_eval_program_actions.txt";
inline constexpr std::string_view fieldEchoFileName = "sampleEvalData_read.txt";
inline constexpr std::string_view fieldCountsFileName = "enumerateFields.txt";
inline constexpr std::string_view reconstructionFileName = "sampleEvalData_reconstructed.txt";
inline constexpr std::string_view instructorListingFileName = "sampleEvalData_instructors_courses.txt";
inline constexpr std::string_view groupedReportFileName = "sampleEvalData_sorted_by_unique_info.txt";
inline constexpr std::string_view crossCheckFileName = "checking_sampleEvalData_sorted_by_unique_info.txt";
inline constexpr std::string_view numbersOnlyFileName = "sampleEvalData_numbers_only.txt";

} // namespace courseeval
