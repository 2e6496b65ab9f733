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

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Whether `path` is a full path that needs no resolving: a drive and a backslash, or a UNC path, with no
// empty, "." or ".." folder in it. Only such a path is given as it stands; GetFullPathNameW would trim a
// final dot or blank from every name.
bool isPlainFullPath(const std::wstring& path) {
    std::size_t start = 0;
    if (path.size() >= 3 && path[1] == L':' && isSeparator(path[2])) {
        start = 3;
    } else if (path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1]) && !isSeparator(path[2])) {
        start = 2;
    } else {
        return false;
    }
    for (std::size_t at = start; at < path.size();) {
        const std::size_t end = std::min(path.find(L'\\', at), path.size());
        const std::wstring_view name(path.data() + at, end - at);
        if ((name.empty() && end != path.size()) || name == L"." || name == L"..") {
            return false;
        }
        at = end + 1;
    }
    return true;
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

std::wstring fullPathOf(std::string_view path) {
    std::wstring converted = wideFromText(path.empty() ? "." : path);
    std::replace(converted.begin(), converted.end(), L'/', L'\\');
    if (converted.starts_with(L"\\\\?\\")) {
        return converted;
    }
    // A folder name alone, relative to the working folder, is joined to it as it stands.
    if (!(converted.size() >= 2 && converted[1] == L':') && !isSeparator(converted[0])) {
        std::wstring working(GetCurrentDirectoryW(0, nullptr), L'\0');
        working.resize(GetCurrentDirectoryW(static_cast<DWORD>(working.size()), working.data()));
        if (!working.ends_with(L'\\')) {
            working += L'\\';
        }
        converted = working + converted;
    }
    std::wstring full = converted;
    if (!isPlainFullPath(converted)) {
        full.assign(GetFullPathNameW(converted.c_str(), 0, nullptr, nullptr), L'\0');
        full.resize(
            GetFullPathNameW(converted.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
    }
    return extendedLengthPath(full);
}

std::string windowsErrorText(unsigned long error) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    // System messages end in a full stop and CR LF.
    while (length > 0 &&
           (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L'.')) {
        --length;
    }
    std::string message;
    // A message beyond the basic plane, which no system message needs, is given by its number: so no lone
    // half of a surrogate pair reaches the conversion.
    const std::wstring_view wide(text == nullptr ? L"" : text, length);
    if (std::none_of(wide.begin(), wide.end(), [](wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; })) {
        message = textFromWide(wide);
    }
    LocalFree(text);
    return message.empty() ? "Windows error " + std::to_string(error) : message;
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
