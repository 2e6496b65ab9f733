#pragma once

#include "core/run_error.h"

#include <cstddef>
#include <ostream>
#include <string>

namespace courseeval {

// The rules every dialogue follows, on a console, a terminal or in dialog boxes.

// The longest answer taken, in bytes; a longer one is an error rather than a guess at what was meant.
inline constexpr std::size_t maxAnswerBytes = std::size_t{64} * 1024;

// The error for an answer to `shown` (a prompt or notice) longer than `maxAnswerBytes`.
RunError answerTooLong(const std::string& shown);

// Writes `text` as a line of its own to the console `out`, at once; a failed write throws a RunError.
void writeConsoleLine(std::ostream& out, const std::string& text);

} // namespace courseeval
