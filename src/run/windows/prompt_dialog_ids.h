// The identifiers of the prompt dialog, shared by its resource script and its code.
#pragma once

#define IDD_PROMPT 100
#define IDC_PROMPT_TEXT 101
#define IDC_ANSWER 102
