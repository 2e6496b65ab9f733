// course-evalw.exe: the run in dialog boxes, without a console window, for users who start the program
// from Explorer. course-eval.exe stays the console program for cmd and scripts.
#include "run/command_line.h"
#include "run/host_process.h"
#include "run/run_session.h"
#include "run/windows/dialog_box_dialogue.h"

#include <objbase.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
    using namespace courseeval;
    // The arguments follow the console program's rules (a folder dropped on the icon is refused as an
    // argument, say), and what it would print is shown in a box before anything is asked or written.
    const CommandLineOutcome commandLine = commandLineOutcome(programArguments(0, nullptr));
    if (!commandLine.run) {
        DialogBoxDialogue dialogue;
        try {
            if (commandLine.exitStatus == 0) {
                dialogue.showNotice(commandLine.text);
            } else {
                dialogue.showError(commandLine.text);
            }
        } catch (const std::exception&) {
            // No window can be shown: the exit status still tells.
        }
        return commandLine.exitStatus;
    }
    // The folder picker behind Browse... is a COM object of the shell.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    DialogBoxDialogue dialogue;
    const int status = runSession(dialogue,
                                  {[&dialogue](const std::string& message) {
                                       try {
                                           dialogue.showError(message);
                                       } catch (const std::exception&) {
                                           // No window can be shown: the exit status still tells.
                                       }
                                   },
                                   [&dialogue](const std::vector<std::string>& warnings) {
                                       try {
                                           dialogue.showWarnings(warnings);
                                       } catch (const std::exception&) {
                                           // The run goes on: the warnings tell nothing it needs.
                                       }
                                   }},
                                  secondsSinceMidnight);
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return status;
}
