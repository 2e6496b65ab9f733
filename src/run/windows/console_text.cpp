#include "run/windows/console_text.h"

#include "common/host_text.h"
#include "common/run_error.h"
#include "common/user_dialogue.h"
#include "run/windows/typed_answer.h"

#include <algorithm>
#include <iterator>
#include <windows.h>

namespace courseeval {

bool isConsole(unsigned long which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

GatheringBuffer::int_type GatheringBuffer::overflow(int_type c) {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        pending_.push_back(traits_type::to_char_type(c));
    }
    return traits_type::not_eof(c);
}

std::streamsize GatheringBuffer::xsputn(const char* text, std::streamsize count) {
    pending_.append(text, static_cast<std::size_t>(count));
    return count;
}

int GatheringBuffer::sync() {
    const std::string text = std::move(pending_);
    pending_.clear();
    return handOn(text) ? 0 : -1;
}

bool ConsoleOutputBuffer::handOn(const std::string& text) {
    const std::wstring wide = wideFromText(text);
    std::size_t written = 0;
    while (written < wide.size()) {
        DWORD done = 0;
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(wide.size() - written, 16 * 1024));
        if (WriteConsoleW(console_, wide.data() + written, piece, &done, nullptr) == 0 || done == 0) {
            return false;
        }
        written += done;
    }
    return true;
}

bool StoredBytesBuffer::handOn(const std::string& text) {
    const std::string bytes = storedBytes(text);
    const auto size = static_cast<std::streamsize>(bytes.size());
    return target_->sputn(bytes.data(), size) == size && target_->pubsync() == 0;
}

std::string readConsoleLine(void* console, const std::string& shown) {
    constexpr wchar_t ctrlZ = L'\x1a';
    std::wstring line;
    for (;;) {
        wchar_t piece[512];
        DWORD read = 0;
        if (ReadConsoleW(console, piece, static_cast<DWORD>(std::size(piece)), &read, nullptr) == 0) {
            throw RunError("cannot read standard input: error " + std::to_string(GetLastError()));
        }
        if (read == 0) {
            throw RunError("cannot read standard input: the answer was interrupted (Ctrl+C)");
        }
        line.append(piece, read);
        if (line.back() == L'\n') {
            line.pop_back();
            break;
        }
        // Each UTF-16 unit is at least one byte of text.
        if (line.size() > maxAnswerBytes + 1) {
            throw answerTooLong(shown);
        }
    }
    if (!line.empty() && line.back() == L'\r') {
        line.pop_back();
    }
    if (!line.empty() && line.front() == ctrlZ) {
        return {};
    }
    return answerFromTyped(line, shown);
}

bool consoleIsThisProcessAlone() {
    DWORD processes[2] = {};
    return GetConsoleProcessList(processes, 2) == 1;
}

} // namespace courseeval
