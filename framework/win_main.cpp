// The process entry: everything after the run-time library's start-up belongs
// to the application object.
#include "framework/win_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return AfxWinMain(instance); }
