#include "run/windows/dialog_box_dialogue.h"

#include "core/host_text.h"
#include "core/run_error.h"
#include "run/windows/prompt_dialog_ids.h"
#include "run/windows/typed_answer.h"

#include <algorithm>
#include <windows.h>

namespace courseeval {

namespace {

constexpr const wchar_t* title = L"course-eval";

struct PromptState {
    std::wstring prompt;
    std::wstring answer;
};

// Moves the child `id` of `dialog` by (dx, dy) and makes it `wider` and `taller`.
void shiftControl(HWND dialog, int id, int dx, int dy, int wider, int taller) {
    HWND control = GetDlgItem(dialog, id);
    RECT bounds{};
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&bounds), 2);
    MoveWindow(control, bounds.left + dx, bounds.top + dy, bounds.right - bounds.left + wider,
               bounds.bottom - bounds.top + taller, FALSE);
}

// Sizes the prompt text to what it says, word-wrapped at the width the dialog was laid out for (wider
// only for a word longer than that), moves the entry and the buttons below it, fits the dialog around
// them and centres it on the screen.
void fitPrompt(HWND dialog, const std::wstring& prompt) {
    HWND text = GetDlgItem(dialog, IDC_PROMPT_TEXT);
    SetWindowTextW(text, prompt.c_str());
    RECT laidOut{};
    GetClientRect(text, &laidOut);

    RECT needed = laidOut;
    HDC context = GetDC(text);
    const HGDIOBJ previousFont =
        SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(text, WM_GETFONT, 0, 0)));
    DrawTextW(context, prompt.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(context, previousFont);
    ReleaseDC(text, context);

    // The text may also need less height than laid out; the entry and buttons then move up.
    const int wider = std::max(0L, needed.right - laidOut.right);
    const int down = needed.bottom - laidOut.bottom;
    shiftControl(dialog, IDC_PROMPT_TEXT, 0, 0, wider, down);
    shiftControl(dialog, IDC_ANSWER, 0, down, wider, 0);
    shiftControl(dialog, IDOK, wider, down, 0, 0);
    shiftControl(dialog, IDCANCEL, wider, down, 0, 0);

    RECT window{};
    GetWindowRect(dialog, &window);
    const int width = window.right - window.left + wider;
    const int height = window.bottom - window.top + down;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    SetWindowPos(dialog, nullptr, area.left + std::max(0L, (area.right - area.left - width) / 2),
                 area.top + std::max(0L, (area.bottom - area.top - height) / 2), width, height, SWP_NOZORDER);
}

INT_PTR CALLBACK promptProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        fitPrompt(dialog, reinterpret_cast<PromptState*>(lParam)->prompt);
        SetFocus(GetDlgItem(dialog, IDC_ANSWER));
        // The focus has been set.
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrW(dialog, DWLP_USER));
            HWND answer = GetDlgItem(dialog, IDC_ANSWER);
            state->answer.assign(static_cast<std::size_t>(GetWindowTextLengthW(answer)) + 1, L'\0');
            const int length =
                GetWindowTextW(answer, state->answer.data(), static_cast<int>(state->answer.size()));
            state->answer.resize(static_cast<std::size_t>(std::max(length, 0)));
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            // Esc and the close box come here too.
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

void showMessageBox(const std::string& text, UINT style) {
    if (MessageBoxW(nullptr, wideFromText(text).c_str(), title, style | MB_OK | MB_SETFOREGROUND) == 0) {
        throw RunError("cannot show the message \"" + text + "\": error " + std::to_string(GetLastError()));
    }
}

} // namespace

std::string DialogBoxDialogue::askText(const std::string& prompt, AnswerKind /*kind*/) {
    PromptState state{wideFromText(prompt), {}};
    const INT_PTR pressed = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROMPT), nullptr,
                                            promptProcedure, reinterpret_cast<LPARAM>(&state));
    if (pressed == -1 || pressed == 0) {
        throw RunError("cannot show the prompt \"" + prompt + "\": error " + std::to_string(GetLastError()));
    }
    if (pressed != IDOK) {
        return {};
    }
    return answerFromTyped(state.answer, prompt);
}

void DialogBoxDialogue::showNotice(const std::string& message) {
    showMessageBox(message, 0);
}

void DialogBoxDialogue::showError(const std::string& message) {
    showMessageBox(message, MB_ICONERROR);
}

} // namespace courseeval
