#pragma once

#include <string>
#include <string_view>

namespace courseeval {

// The answer `typed` (UTF-16, from a dialog box or a console) to `shown` (a prompt or notice) as the
// program's text; an answer longer than maxAnswerBytes is a RunError, as on any console.
std::string answerFromTyped(std::wstring_view typed, const std::string& shown);

} // namespace courseeval
