#include "framework/wnd.h"

#include <string>

std::wstring TextOf(HWND window) {
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    text.resize(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
    return text;
}

void DDX_Text(CDataExchange* dx, int id, CStringA& value) {
    HWND control = GetDlgItem(dx->m_pDlgWnd->m_hWnd, id);
    // The length may overstate the text in multibyte code pages; the copy says how much it got.
    std::string text(GetWindowTextLengthA(control) + 1, '\0');
    text.resize(GetWindowTextA(control, text.data(), static_cast<int>(text.size())));
    if (dx->m_bSaveAndValidate) {
        value = std::move(text);
    } else if (text != value.str()) {
        // Only a changed text is written: rewriting an equal one would move the caret.
        SetWindowTextA(control, value.c_str());
    }
}

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
    struct Restore {
        bool& flag;
        bool before;
        ~Restore() { flag = before; }
    } restore{updatingData_, updatingData_};
    updatingData_ = true;
    CDataExchange dx{saveAndValidate != FALSE, this};
    DoDataExchange(&dx);
    return TRUE;
}

LRESULT CWnd::Default() {
    defaultRequested_ = true;
    return 0;
}

bool CWnd::TakeDefaultRequest() {
    bool requested = defaultRequested_;
    defaultRequested_ = false;
    return requested;
}
