#pragma once

#include <windows.h>

// Makes every static text of `dialog` show its whole text on its one line. A static
// whose text is wider than the control grows into the free space beside it, first to
// the right, then to the left, and stops a pixel short of the nearest visible control
// on the same lines and of the dialog's edge, so that nothing is covered. A static whose
// text fits is left exactly where the template put it.
void FitStaticTexts(HWND dialog);
