// The identifiers of the prompt and notice dialogs, shared by their resource script and their code.
#pragma once

// The program's icon, the first of its resources (version.rc).
#define IDI_PROGRAM 1

#define IDD_PROMPT 100
#define IDC_PROMPT_TEXT 101
#define IDC_ANSWER 102
#define IDC_PROMPT_ICON 103
#define IDC_BROWSE 104

#define IDD_NOTICE 110
#define IDC_NOTICE_TEXT 111
#define IDC_NOTICE_ICON 112
