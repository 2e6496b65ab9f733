#include "common/host_text.h"

#include "common/run_error.h"

#include <algorithm>

#ifdef _WIN32
#include <climits>
#include <windows.h>
#endif

namespace courseeval {

#ifndef _WIN32

std::string storedBytes(std::string_view text) {
    return std::string(text);
}

std::string textFromAnswerBytes(std::string_view bytes) {
    return std::string(bytes);
}

#else

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

int lengthOf(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) {
        throw RunError("a text of " + std::to_string(size) + " characters is too long to convert");
    }
    return static_cast<int>(size);
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// `bytes` of the code page `codePage` as UTF-16; empty text when they are not valid in it and `flags`
// asks for MB_ERR_INVALID_CHARS.
std::wstring wideFrom(UINT codePage, DWORD flags, std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int length = lengthOf(bytes.size());
    const int size = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    if (size == 0 || MultiByteToWideChar(codePage, flags, bytes.data(), length, wide.data(), size) != size) {
        return {};
    }
    return wide;
}

} // namespace

std::wstring wideFromText(std::string_view text) {
    return wideFrom(CP_UTF8, 0, text);
}

std::string textFromWide(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int length = lengthOf(wide.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (size == 0 || WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), length, text.data(),
                                         size, nullptr, nullptr) != size) {
        throw RunError("a text holds half a UTF-16 surrogate pair, which is no character");
    }
    return text;
}

std::string storedBytes(std::string_view text) {
    if (isAscii(text) || GetACP() == CP_UTF8) {
        return std::string(text);
    }
    const std::wstring wide = wideFromText(text);
    const int length = lengthOf(wide.size());
    BOOL lost = FALSE;
    const int size =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr, &lost);
    std::string ansi(static_cast<std::size_t>(size), '\0');
    if (lost || size == 0 ||
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, ansi.data(), size, nullptr,
                            nullptr) != size) {
        return std::string(text);
    }
    return ansi;
}

std::string textFromAnswerBytes(std::string_view bytes) {
    if (bytes.starts_with(byteOrderMark)) {
        bytes.remove_prefix(byteOrderMark.size());
    }
    if (isAscii(bytes) || !wideFrom(CP_UTF8, MB_ERR_INVALID_CHARS, bytes).empty()) {
        return std::string(bytes);
    }
    return textFromWide(wideFrom(CP_ACP, 0, bytes));
}

std::wstring extendedLengthPath(std::wstring_view fullPath) {
    if (fullPath.starts_with(L"\\\\?\\") || fullPath.starts_with(L"\\\\.\\")) {
        return std::wstring(fullPath);
    }
    if (fullPath.starts_with(L"\\\\")) {
        return std::wstring(L"\\\\?\\UNC\\").append(fullPath.substr(2));
    }
    return std::wstring(L"\\\\?\\").append(fullPath);
}

#endif

} // namespace courseeval
