// The start-up, keystroke and memory baseline: Tavrimo's own main dialog and resources,
// shown after the one call that Tavrimo's start-up makes first, with no code behind the
// dialog. What Tavrimo costs beyond it is the program's own doing.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "res/resource.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    DialogBoxParamW(instance, MAKEINTRESOURCEW(DLG_MAIN), nullptr, DialogProc, 0);
    return 0;
}
