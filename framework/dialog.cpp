#include "framework/dialog.h"

#include <algorithm>

#include "framework/text_fit.h"
#include "framework/win_app.h"

namespace {

// Messages whose result the dialog procedure returns itself rather than through DWLP_MSGRESULT.
constexpr UINT kDirectResults[] = {
    WM_CHARTOITEM,     WM_COMPAREITEM,     WM_CTLCOLORBTN,    WM_CTLCOLORDLG,
    WM_CTLCOLOREDIT,   WM_CTLCOLORLISTBOX, WM_CTLCOLORMSGBOX, WM_CTLCOLORSCROLLBAR,
    WM_CTLCOLORSTATIC, WM_QUERYDRAGICON,   WM_VKEYTOITEM,
};

bool ReturnsResultDirectly(UINT message) {
    return std::ranges::find(kDirectResults, message) != std::end(kDirectResults);
}

// Posted on a display-scale change, so that the texts are fitted again once the dialog
// manager has laid the controls out anew at the new scale.
constexpr UINT kFitTextsAgain = WM_APP + 1;

// Centres the window on its owner, or on the work area when it has none
// showing, and keeps it inside the work area.
void Center(HWND window, HWND owner) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    RECT area = work;
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &area);

    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// OK and Cancel arrive as commands, whether from buttons or from the dialog
// manager (Enter, Escape, the close box), and reach the virtual handlers.
const MessageEntry<CDialog> CDialog::messageMap[] = {
    {WM_COMMAND, BN_CLICKED, IDOK, &CDialog::OnOK},
    {WM_COMMAND, BN_CLICKED, IDCANCEL, &CDialog::OnCancel},
    {WM_PAINT, 0, 0, &CDialog::OnPaint},
};

CDialog::CDialog(UINT templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
    if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal() {
    CWinApp* app = AfxGetApp();
    CWnd* ownerWnd = parent_ != nullptr ? parent_ : (app != nullptr ? app->m_pMainWnd : nullptr);
    HWND owner = ownerWnd != nullptr && ownerWnd != this ? ownerWnd->m_hWnd : nullptr;

    ended_ = false;
    result_ = -1;
    HWND window = CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(templateId_), owner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (window == nullptr) return -1;

    bool ownerWasEnabled = owner != nullptr && !EnableWindow(owner, FALSE);
    if (!ended_) ShowWindow(window, SW_SHOW);

    MSG msg;
    while (!ended_) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // The quit message ends this loop and, posted again, every loop around it.
            int code = got == 0 ? static_cast<int>(msg.wParam) : 0;
            if (app != nullptr) app->m_exitCode = code;
            PostQuitMessage(code);
            break;
        }
        if (IsDialogMessageW(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    // Give the owner back its input before this window goes, so that it is activated again.
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (owner != nullptr && GetActiveWindow() == window) SetActiveWindow(owner);
    DestroyWindow(window);
    return result_;
}

void CDialog::EndDialog(int result) {
    ended_ = true;
    result_ = result;
    // The loop may be waiting for a message: a sent one (a click from another
    // process, say) does not wake it, so post one.
    if (m_hWnd != nullptr) PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

bool CDialog::RouteMessage(const Message& m, LRESULT& result) {
    if (RouteThrough<CDialog>(*this, messageMap, m, result)) return true;
    // Commands the dialog does not handle go on to the application object.
    CWinApp* app = AfxGetApp();
    return m.message == WM_COMMAND && app != nullptr && app->RouteMessage(m, result);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::OnPaint() { Default(); }

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_hWnd = window;
        FitStaticTexts(window);
        Center(window, GetWindow(window, GW_OWNER));
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) return FALSE;
    if (message == WM_DPICHANGED) PostMessageW(window, kFitTextsAgain, 0, 0);
    if (message == kFitTextsAgain) {
        FitStaticTexts(window);
        return TRUE;
    }
    if (message == WM_DESTROY) dialog->OnDestroy();
    if (message == WM_NCDESTROY) {
        dialog->m_hWnd = nullptr;
        return FALSE;
    }
    return dialog->HandleMessage(message, wParam, lParam);
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // A control's notification raised by UpdateData writing a field is not the user's doing.
    if (message == WM_COMMAND && lParam != 0 && IsUpdatingData()) return TRUE;

    LRESULT result = 0;
    TakeDefaultRequest();
    if (!RouteMessage({message, wParam, lParam}, result)) return FALSE;
    if (TakeDefaultRequest()) return FALSE;
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
