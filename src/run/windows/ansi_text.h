#pragma once

#include <string>
#include <string_view>

namespace courseeval {

// On Windows the program's 8-bit text is the ANSI code page: the file functions take folder names in it,
// and the output files and the action log hold them in it. What the user types arrives as UTF-16, from a
// dialog box or a console.

// `typed` as ANSI text. A character the ANSI code page cannot hold is a RunError naming the answer (with a
// '?' for each such character): a near match would quietly name another folder.
std::string ansiFromTyped(std::wstring_view typed);

// The answer `typed` to `shown` (a prompt or notice) as ANSI text, through ansiFromTyped; an answer longer
// than maxAnswerBytes is a RunError, as on any console.
std::string answerFromTyped(std::wstring_view typed, const std::string& shown);

// ANSI text as UTF-16, to be shown in a window or written to a console.
std::wstring wideFromAnsi(std::string_view text);

} // namespace courseeval
