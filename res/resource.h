// Resource and control ids, shared by the resource script and the code.
// Macros, because the resource compiler reads this file too.
#pragma once

#define DLG_ABOUT 100
#define STR_ABOUT_ITEM 101
#define DLG_MAIN 102
#define ICON_APP 128

#define CMD_ABOUT 0x0010

#define EDIT_HEIGHT 1000
#define EDIT_LENGTH 1001
#define EDIT_DIAMETER 1002
#define BUTTON_CALCULATE 1003
#define BUTTON_EXIT 1004
