#include "run/windows/dialog_box_dialogue.h"

#include "common/host_text.h"
#include "common/run_error.h"
#include "run/run_session.h"
#include "run/windows/prompt_dialog_ids.h"
#include "run/windows/typed_answer.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <shobjidl.h>
#include <windows.h>

namespace courseeval {

namespace {

// The system's icons by number (IDI_WARNING and the like name them in ANSI here).
const wchar_t* const warningIcon = MAKEINTRESOURCEW(32515);
const wchar_t* const informationIcon = MAKEINTRESOURCEW(32516);
const wchar_t* const errorIcon = MAKEINTRESOURCEW(32513);

struct PromptState {
    std::wstring prompt;
    AnswerKind kind;
    std::wstring answer;
};

struct NoticeState {
    std::wstring text;
    const wchar_t* icon;
};

// Where the child `id` of `dialog` stands, in the dialog's client coordinates.
RECT placeOf(HWND dialog, int id) {
    RECT bounds{};
    GetWindowRect(GetDlgItem(dialog, id), &bounds);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

// Moves the child `id` of `dialog` by (dx, dy) and makes it `wider` and `taller`.
void shiftControl(HWND dialog, int id, int dx, int dy, int wider, int taller) {
    const RECT bounds = placeOf(dialog, id);
    MoveWindow(GetDlgItem(dialog, id), bounds.left + dx, bounds.top + dy, bounds.right - bounds.left + wider,
               bounds.bottom - bounds.top + taller, FALSE);
}

// The work area (the screen less the taskbar) of the monitor that shows `window`.
RECT workAreaOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return monitor.rcWork;
}

// Makes `dialog` `wider` and `taller` than laid out, no larger than the work area, and centres it there.
void resizeAndCentre(HWND dialog, int wider, int taller) {
    RECT window{};
    GetWindowRect(dialog, &window);
    const RECT area = workAreaOf(dialog);
    const LONG width = std::min(window.right - window.left + wider, area.right - area.left);
    const LONG height = std::min(window.bottom - window.top + taller, area.bottom - area.top);
    SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, width, height, SWP_NOZORDER);
}

// The program's own icon on `dialog`, which the taskbar and Alt+Tab show, in both sizes the system asks for.
void giveProgramIcon(HWND dialog) {
    const auto load = [](int metricX, int metricY) {
        return LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                          GetSystemMetrics(metricX), GetSystemMetrics(metricY), LR_DEFAULTCOLOR | LR_SHARED);
    };
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(load(SM_CXICON, SM_CYICON)));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(load(SM_CXSMICON, SM_CYSMICON)));
}

void showIcon(HWND dialog, int id, const wchar_t* icon) {
    SendDlgItemMessageW(dialog, id, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, icon)), 0);
    ShowWindow(GetDlgItem(dialog, id), SW_SHOWNA);
}

// The height of a line of text in the font of the control `control`.
int lineHeightOf(HWND control) {
    HDC context = GetDC(control);
    const HGDIOBJ previousFont =
        SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(context, &metrics);
    SelectObject(context, previousFont);
    ReleaseDC(control, context);
    return metrics.tmHeight;
}

// Lays the prompt dialog out for its prompt: the warning icon beside a confirmation, the text sized to what
// it says, word-wrapped at the width the dialog was laid out for (wider only for a word longer than that),
// the entry and the buttons below it, Browse... at the folder prompt; then fits the dialog around them and
// centres it on the screen.
void fitPrompt(HWND dialog, const PromptState& state) {
    const RECT laidOut = placeOf(dialog, IDC_PROMPT_TEXT);
    int contentBottom = laidOut.top;
    if (state.kind == AnswerKind::plainText) {
        showIcon(dialog, IDC_PROMPT_ICON, warningIcon);
        // The icon stands at the margin, and the text a margin to its right.
        const RECT icon = placeOf(dialog, IDC_PROMPT_ICON);
        const int indent = icon.right;
        shiftControl(dialog, IDC_PROMPT_TEXT, indent, 0, -indent, 0);
        contentBottom = icon.bottom;
    } else {
        ShowWindow(GetDlgItem(dialog, IDC_BROWSE), SW_SHOWNA);
    }

    HWND text = GetDlgItem(dialog, IDC_PROMPT_TEXT);
    SetWindowTextW(text, state.prompt.c_str());
    RECT place = placeOf(dialog, IDC_PROMPT_TEXT);
    RECT needed{0, 0, place.right - place.left, 0};
    HDC context = GetDC(text);
    const HGDIOBJ previousFont =
        SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(text, WM_GETFONT, 0, 0)));
    DrawTextW(context, state.prompt.c_str(), -1, &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(context, previousFont);
    ReleaseDC(text, context);

    // The text may also need less height than laid out; the entry and buttons then move up.
    const int wider = std::max(0L, needed.right - (place.right - place.left));
    const int taller = needed.bottom - (place.bottom - place.top);
    contentBottom = std::max<int>(contentBottom, place.bottom + taller);
    const int down = contentBottom - laidOut.bottom;
    shiftControl(dialog, IDC_PROMPT_TEXT, 0, 0, wider, taller);
    shiftControl(dialog, IDC_ANSWER, 0, down, wider, 0);
    shiftControl(dialog, IDC_BROWSE, 0, down, 0, 0);
    shiftControl(dialog, IDOK, wider, down, 0, 0);
    shiftControl(dialog, IDCANCEL, wider, down, 0, 0);
    resizeAndCentre(dialog, wider, down);

    HWND entry = GetDlgItem(dialog, IDC_ANSWER);
    // A longer answer is cut one character past the limit, and so refused as too long, not taken short.
    SendMessageW(entry, EM_SETLIMITTEXT, maxAnswerBytes + 1, 0);
    if (state.kind == AnswerKind::folder) {
        // Grey, in the empty entry: the folder that Cancel or an empty answer keeps.
        const std::wstring defaultFolder = wideFromText(defaultFolderPath);
        SendMessageW(entry, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(defaultFolder.c_str()));
    }
}

// The text of the control `control`.
std::wstring textOf(HWND control) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    const int length = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(length, 0)));
    return text;
}

// Opens `picker` at `folder`, when that is a folder that exists.
void startPickerAt(IFileOpenDialog* picker, const std::wstring& folder) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return;
    }
    IShellItem* item = nullptr;
    if (SUCCEEDED(SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_PPV_ARGS(&item)))) {
        picker->SetFolder(item);
        item->Release();
    }
}

// The folder chosen in the system's folder picker, or nothing when the user cancels it. The picker opens at
// `start` (the folder in the entry, or the default folder), when it exists.
std::optional<std::wstring> pickFolder(HWND owner, const std::wstring& start) {
    IFileOpenDialog* picker = nullptr;
    if (FAILED(
            CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&picker)))) {
        return std::nullopt;
    }
    startPickerAt(picker, start);
    std::optional<std::wstring> chosen;
    DWORD options = 0;
    IShellItem* item = nullptr;
    wchar_t* path = nullptr;
    if (SUCCEEDED(picker->GetOptions(&options)) &&
        SUCCEEDED(picker->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM)) &&
        SUCCEEDED(picker->Show(owner)) && SUCCEEDED(picker->GetResult(&item)) &&
        SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        chosen = path;
    }
    CoTaskMemFree(path);
    if (item != nullptr) {
        item->Release();
    }
    picker->Release();
    return chosen;
}

INT_PTR CALLBACK promptProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        giveProgramIcon(dialog);
        fitPrompt(dialog, *reinterpret_cast<PromptState*>(lParam));
        SetFocus(GetDlgItem(dialog, IDC_ANSWER));
        // The focus has been set.
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrW(dialog, DWLP_USER));
            state->answer = textOf(GetDlgItem(dialog, IDC_ANSWER));
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            // Esc and the close box come here too.
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_BROWSE: {
            // The folder goes into the entry, where it can still be changed before OK.
            HWND entry = GetDlgItem(dialog, IDC_ANSWER);
            const std::wstring typed = textOf(entry);
            if (const std::optional<std::wstring> folder =
                    pickFolder(dialog, typed.empty() ? wideFromText(defaultFolderPath) : typed)) {
                SetWindowTextW(entry, folder->c_str());
                SetFocus(entry);
                SendMessageW(entry, EM_SETSEL, folder->size(), static_cast<LPARAM>(folder->size()));
            }
            return TRUE;
        }
        default:
            break;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

// Lays the notice dialog out for its text: as wide as its longest line, within three quarters of the work
// area's width, wrapped anywhere within a word that is longer than a line (a path, say), as tall as it
// needs but no taller than the work area allows, and scrolled beyond that; OK below it; the dialog centred
// on the screen.
void fitNotice(HWND dialog, const NoticeState& state) {
    showIcon(dialog, IDC_NOTICE_ICON, state.icon);
    HWND text = GetDlgItem(dialog, IDC_NOTICE_TEXT);
    const RECT place = placeOf(dialog, IDC_NOTICE_TEXT);
    const RECT icon = placeOf(dialog, IDC_NOTICE_ICON);
    RECT window{};
    GetWindowRect(dialog, &window);
    const RECT area = workAreaOf(dialog);

    // Lines longer than the laid-out width (the usage, say) widen the dialog, up to three quarters of the
    // screen's width; a longer line is wrapped.
    RECT longest{0, 0, 0, 0};
    HDC context = GetDC(text);
    const HGDIOBJ previousFont =
        SelectObject(context, reinterpret_cast<HGDIOBJ>(SendMessageW(text, WM_GETFONT, 0, 0)));
    DrawTextW(context, state.text.c_str(), -1, &longest, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(context, previousFont);
    ReleaseDC(text, context);
    const int scrollBar = GetSystemMetrics(SM_CXVSCROLL);
    const int wider =
        std::clamp<int>(longest.right + scrollBar - (place.right - place.left), 0,
                        std::max<int>(0, (area.right - area.left) * 3 / 4 - (window.right - window.left)));
    shiftControl(dialog, IDC_NOTICE_TEXT, 0, 0, wider, 0);
    SetWindowTextW(text, state.text.c_str());

    const int lineHeight = lineHeightOf(text);
    auto needed = static_cast<int>(SendMessageW(text, EM_GETLINECOUNT, 0, 0)) * lineHeight;
    const int around = (window.bottom - window.top) - (place.bottom - place.top);
    const int room = (area.bottom - area.top) - around;
    if (needed > room) {
        // The scroll bar takes width: the text is wrapped again, and scrolled within the room there is.
        SetWindowLongPtrW(text, GWL_STYLE, GetWindowLongPtrW(text, GWL_STYLE) | WS_VSCROLL);
        ShowScrollBar(text, SB_VERT, TRUE);
        needed = room / lineHeight * lineHeight;
    }
    const int height = std::max<int>(needed, icon.bottom - place.top);
    const int taller = height - (place.bottom - place.top);
    shiftControl(dialog, IDC_NOTICE_TEXT, 0, 0, 0, taller);
    shiftControl(dialog, IDOK, wider, taller, 0, 0);
    resizeAndCentre(dialog, wider, taller);
}

// Puts `text` on the clipboard as Unicode text; nothing happens when the clipboard is not to be had.
void copyToClipboard(HWND owner, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return;
    }
    if (void* const copy = GlobalLock(memory); copy != nullptr) {
        std::memcpy(copy, text.c_str(), bytes);
        GlobalUnlock(memory);
        if (OpenClipboard(owner) != 0) {
            EmptyClipboard();
            if (SetClipboardData(CF_UNICODETEXT, memory) != nullptr) {
                memory = nullptr; // the clipboard owns it now
            }
            CloseClipboard();
        }
    }
    if (memory != nullptr) {
        GlobalFree(memory);
    }
}

// The notice whose keys the message filter below watches; one notice is open at a time.
HWND openNotice = nullptr;

// Ctrl+C on a notice copies it whole, as a message box copies itself: title, text and button between
// dashed lines. Where the text has the focus and a selection, Ctrl+C copies the selection instead, as in
// any text, and Ctrl+A selects all of it.
LRESULT CALLBACK noticeKeys(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && openNotice != nullptr && message->message == WM_KEYDOWN &&
        GetKeyState(VK_CONTROL) < 0 && IsChild(openNotice, message->hwnd) != 0) {
        HWND text = GetDlgItem(openNotice, IDC_NOTICE_TEXT);
        const bool inText = message->hwnd == text;
        if (message->wParam == 'A' && inText) {
            SendMessageW(text, EM_SETSEL, 0, -1);
            return TRUE;
        }
        DWORD selectionStart = 0;
        DWORD selectionEnd = 0;
        SendMessageW(text, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart),
                     reinterpret_cast<LPARAM>(&selectionEnd));
        if (message->wParam == 'C' && !(inText && selectionStart != selectionEnd)) {
            const std::wstring rule = L"---------------------------\r\n";
            copyToClipboard(openNotice, rule + textOf(openNotice) + L"\r\n" + rule + textOf(text) + L"\r\n" +
                                            rule + L"OK   \r\n" + rule);
            return TRUE;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CALLBACK noticeProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        openNotice = dialog;
        giveProgramIcon(dialog);
        fitNotice(dialog, *reinterpret_cast<NoticeState*>(lParam));
        SetFocus(GetDlgItem(dialog, IDOK));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        openNotice = nullptr;
        break;
    default:
        break;
    }
    return FALSE;
}

// `text` as a multi-line edit control shows it: lines ended by CR LF, and no line end after the last.
std::wstring shownText(const std::string& text) {
    std::wstring shown;
    for (const wchar_t c : wideFromText(text)) {
        if (c == L'\n') {
            shown += L'\r';
        }
        shown += c;
    }
    while (!shown.empty() && (shown.back() == L'\n' || shown.back() == L'\r')) {
        shown.pop_back();
    }
    return shown;
}

void showNoticeDialog(const std::string& text, const wchar_t* icon, UINT sound) {
    NoticeState state{shownText(text), icon};
    MessageBeep(sound);
    // The dialog's own message loop hands every key to this filter first.
    HHOOK keys = SetWindowsHookExW(WH_MSGFILTER, noticeKeys, nullptr, GetCurrentThreadId());
    const INT_PTR pressed = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_NOTICE), nullptr,
                                            noticeProcedure, reinterpret_cast<LPARAM>(&state));
    if (keys != nullptr) {
        UnhookWindowsHookEx(keys);
    }
    if (pressed == -1 || pressed == 0) {
        throw RunError("cannot show the message \"" + text + "\": error " + std::to_string(GetLastError()));
    }
}

} // namespace

std::string DialogBoxDialogue::askText(const std::string& prompt, AnswerKind kind) {
    PromptState state{wideFromText(prompt), kind, {}};
    if (kind == AnswerKind::plainText) {
        MessageBeep(MB_ICONWARNING);
    }
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
    showNoticeDialog(message, informationIcon, MB_ICONINFORMATION);
}

void DialogBoxDialogue::showError(const std::string& message) {
    showNoticeDialog(message, errorIcon, MB_ICONERROR);
}

void DialogBoxDialogue::showWarnings(const std::vector<std::string>& warnings) {
    std::string text = "The evaluation file does not look like an evaluation export:";
    for (const std::string& warning : warnings) {
        text.append("\n\n").append(warning);
    }
    showNoticeDialog(text, warningIcon, MB_ICONWARNING);
}

} // namespace courseeval
