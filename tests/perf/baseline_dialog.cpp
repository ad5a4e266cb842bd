// The start-up and memory baseline: a Win32 program that shows one empty
// dialog, built with the same compiler and flags as Tavrimo.
#include <windows.h>

namespace {

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) {
        EndDialog(window, 0);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, DialogProc, 0);
    return 0;
}
