#include "framework/text_fit.h"

#include <algorithm>
#include <string>

#include "framework/wnd.h"

namespace {

// Visible once the dialog shows: the dialog itself is not yet while it is set up.
bool Shown(HWND control) { return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

// Static controls that draw one line of text (not icons, bitmaps, frames or owner-drawn).
bool ShowsText(HWND control) {
    wchar_t kind[16] = {};
    GetClassNameW(control, kind, 16);
    if (_wcsicmp(kind, L"Static") != 0 || !Shown(control)) return false;
    LONG type = GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK;
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE ||
           type == SS_LEFTNOWORDWRAP;
}

// The width that the control's text takes on one line in the control's own font.
int TextWidth(HWND control) {
    std::wstring text = TextOf(control);
    if (text.empty()) return 0;
    UINT format = DT_CALCRECT | DT_SINGLELINE;
    if (GetWindowLongW(control, GWL_STYLE) & SS_NOPREFIX) format |= DT_NOPREFIX;
    HDC dc = GetDC(control);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT extent{};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent, format);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return extent.right - extent.left;
}

RECT RectInDialog(HWND control, HWND dialog) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void Fit(HWND control, HWND dialog) {
    RECT client;
    GetClientRect(control, &client);
    int shortfall = TextWidth(control) - client.right;
    if (shortfall <= 0) return;

    RECT rect = RectInDialog(control, dialog);
    RECT bounds;
    GetClientRect(dialog, &bounds);
    int leftLimit = bounds.left + 1, rightLimit = bounds.right - 1;
    for (HWND other = GetWindow(dialog, GW_CHILD); other; other = GetWindow(other, GW_HWNDNEXT)) {
        if (other == control || !Shown(other)) continue;
        RECT neighbour = RectInDialog(other, dialog);
        if (neighbour.bottom <= rect.top || neighbour.top >= rect.bottom) continue;  // other lines
        if (neighbour.left >= rect.right)
            rightLimit = std::min<int>(rightLimit, neighbour.left - 1);
        if (neighbour.right <= rect.left) leftLimit = std::max<int>(leftLimit, neighbour.right + 1);
    }
    // No room at all where a neighbour already touches it.
    int right = std::min<int>(shortfall, std::max<int>(0, rightLimit - rect.right));
    int left = std::min<int>(shortfall - right, std::max<int>(0, rect.left - leftLimit));
    SetWindowPos(control, nullptr, rect.left - left, rect.top,
                 rect.right - rect.left + left + right, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void FitStaticTexts(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ShowsText(child)) Fit(child, dialog);
}
