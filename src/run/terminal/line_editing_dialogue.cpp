#include "run/terminal/line_editing_dialogue.h"

#include "common/run_error.h"
#include "run/console_dialogue.h"
#include "run/terminal/folder_name_completion.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <histedit.h>
#include <string>
#include <string_view>

namespace courseeval {

namespace {

constexpr const char* completeCommand = "course-eval-complete";

// libedit's calls. The library, and the terminal libraries it needs, are loaded when a terminal asks for
// them: a piped or scripted run maps none of them, and spends nothing on their symbols at start.
struct LineEditor {
    decltype(&el_init) init;
    decltype(&el_end) end;
    decltype(&el_set) set;
    decltype(&el_get) get;
    decltype(&el_gets) gets;
    decltype(&el_line) line;
    decltype(&el_insertstr) insertstr;
};

RunError editorError(std::string_view cause) {
    return RunError(std::string("cannot start line editing on the terminal").append(cause));
}

template <typename Call>
void bind(void* library, Call& call, const char* name) {
    // POSIX guarantees that a function's address survives the trip through void*.
    call = reinterpret_cast<Call>(dlsym(library, name));
    if (call == nullptr) {
        throw editorError(std::string(": ") + COURSE_EVAL_LIBEDIT + " has no " + name);
    }
}

const LineEditor& lineEditor() {
    static const LineEditor editor = [] {
        // Kept loaded to the end: the terminal's settings are restored by it on a signal.
        void* const library = dlopen(COURSE_EVAL_LIBEDIT, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            const char* const why = dlerror();
            throw editorError(std::string(": ") + (why != nullptr ? why : COURSE_EVAL_LIBEDIT));
        }
        LineEditor calls{};
        bind(library, calls.init, "el_init");
        bind(library, calls.end, "el_end");
        bind(library, calls.set, "el_set");
        bind(library, calls.get, "el_get");
        bind(library, calls.gets, "el_gets");
        bind(library, calls.line, "el_line");
        bind(library, calls.insertstr, "el_insertstr");
        return calls;
    }();
    return editor;
}

LineEditingDialogue& dialogueOf(EditLine* editor) {
    void* dialogue = nullptr;
    lineEditor().get(editor, EL_CLIENTDATA, &dialogue);
    return *static_cast<LineEditingDialogue*>(dialogue);
}

EditLine* startEditor() {
    const LineEditor& editor = lineEditor();
    // The editor decodes keys and shows characters in the terminal's encoding, which the C library knows
    // only once the program adopts the user's character type; without it, every letter beyond ASCII is
    // refused. Only LC_CTYPE changes: messages, numbers and the bytes written to files stay as they are.
    std::setlocale(LC_CTYPE, "");
    return editor.init("course-eval", stdin, stdout, stderr);
}

} // namespace

LineEditingDialogue::LineEditingDialogue(std::ostream& out) : out_(out), editor_(startEditor()) {
    if (editor_ == nullptr) {
        throw editorError("");
    }
    const LineEditor& editor = lineEditor();
    editor.set(editor_, EL_EDITOR, "emacs");
    // The terminal is restored when a signal such as Ctrl-C ends the program during editing.
    editor.set(editor_, EL_SIGNAL, 1);
    editor.set(editor_, EL_CLIENTDATA, this);
    editor.set(editor_, EL_PROMPT, &LineEditingDialogue::promptOf);
    editor.set(editor_, EL_ADDFN, completeCommand, "Complete a folder name",
               &LineEditingDialogue::completeOnTab);
}

LineEditingDialogue::~LineEditingDialogue() {
    lineEditor().end(editor_);
}

std::string LineEditingDialogue::askText(const std::string& prompt, AnswerKind kind) {
    writeConsoleLine(out_, prompt);
    return readLine(prompt, "", kind == AnswerKind::folder);
}

void LineEditingDialogue::showNotice(const std::string& message) {
    writeConsoleLine(out_, message);
    readLine(message, "[Enter]", false);
}

std::string LineEditingDialogue::readLine(const std::string& shown, const char* hint,
                                          bool completeFolderNames) {
    hint_ = hint;
    listedFor_.clear();
    // Without completion, Tab is an ordinary character of the answer.
    lineEditor().set(editor_, EL_BIND, "^I", completeFolderNames ? completeCommand : "ed-insert", nullptr);
    int count = 0;
    const char* line = lineEditor().gets(editor_, &count);
    if (count < 0) {
        throw RunError(std::string("cannot read standard input: ") + std::strerror(errno));
    }
    if (line == nullptr || count == 0) {
        // Ctrl-D on an empty line: end of input, the same as Cancel. Move past the prompt's line.
        out_ << '\n' << std::flush;
        return {};
    }
    std::string answer(line, static_cast<std::size_t>(count));
    if (answer.ends_with('\n')) {
        answer.pop_back();
    }
    if (answer.size() > maxAnswerBytes) {
        throw answerTooLong(shown);
    }
    return answer;
}

char* LineEditingDialogue::promptOf(EditLine* editor) {
    return dialogueOf(editor).hint_.data();
}

unsigned char LineEditingDialogue::completeOnTab(EditLine* editor, int /*key*/) {
    const LineInfo* line = lineEditor().line(editor);
    const std::string_view typed(line->buffer, static_cast<std::size_t>(line->cursor - line->buffer));
    const FolderNameCompletion completion = completeFolderName(typed);
    if (!completion.insertion.empty()) {
        return lineEditor().insertstr(editor, completion.insertion.c_str()) == 0 ? CC_REFRESH
                                                                                 : CC_REFRESH_BEEP;
    }
    LineEditingDialogue& dialogue = dialogueOf(editor);
    // Several folders fit: list them once below the line, in columns as wide as the terminal, then show
    // the line again. Another Tab on the same text only beeps.
    if (completion.candidates.empty() || typed == dialogue.listedFor_) {
        return CC_REFRESH_BEEP;
    }
    dialogue.listedFor_ = typed;
    int width = 0;
    if (lineEditor().get(editor, EL_GETTC, "co", &width, nullptr) != 0 || width <= 0) {
        width = 80;
    }
    dialogue.out_ << '\n' << inColumns(completion.candidates, static_cast<std::size_t>(width)) << std::flush;
    return CC_REDISPLAY;
}

} // namespace courseeval
