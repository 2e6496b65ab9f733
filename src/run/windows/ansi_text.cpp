#include "run/windows/ansi_text.h"

#include "core/run_error.h"
#include "run/console_dialogue.h"

#include <climits>
#include <windows.h>

namespace courseeval {

namespace {

int lengthOf(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) {
        throw RunError("a text of " + std::to_string(size) + " characters is too long to convert");
    }
    return static_cast<int>(size);
}

// `typed` converted with `flags`; `lost` (unless null) tells whether a character had no match.
std::string convert(std::wstring_view typed, DWORD flags, BOOL* lost) {
    if (typed.empty()) {
        return {};
    }
    const int length = lengthOf(typed.size());
    const int size = WideCharToMultiByte(CP_ACP, flags, typed.data(), length, nullptr, 0, nullptr, lost);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (size == 0 ||
        WideCharToMultiByte(CP_ACP, flags, typed.data(), length, text.data(), size, nullptr, lost) != size) {
        return {};
    }
    return text;
}

} // namespace

std::string ansiFromTyped(std::wstring_view typed) {
    const UINT codePage = GetACP();
    BOOL lost = FALSE;
    std::string text;
    if (codePage == CP_UTF8) {
        // Every character has a match; only a lone surrogate fails.
        text = convert(typed, WC_ERR_INVALID_CHARS, nullptr);
        lost = !typed.empty() && text.empty();
    } else {
        text = convert(typed, WC_NO_BEST_FIT_CHARS, &lost);
    }
    if (lost || (text.empty() && !typed.empty())) {
        // Shown with the code page's default character, normally '?', where a character was lost.
        const std::string shown = convert(typed, codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS, nullptr);
        throw RunError("the answer \"" + shown + "\" holds a character that the ANSI code page (" +
                       std::to_string(codePage) + ") cannot hold");
    }
    return text;
}

std::string answerFromTyped(std::wstring_view typed, const std::string& shown) {
    std::string answer = ansiFromTyped(typed);
    if (answer.size() > maxAnswerBytes) {
        throw answerTooLong(shown);
    }
    return answer;
}

std::wstring wideFromAnsi(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = lengthOf(text.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    if (size == 0 || MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), size) != size) {
        throw RunError("cannot convert a text of " + std::to_string(text.size()) + " bytes to UTF-16");
    }
    return wide;
}

} // namespace courseeval
