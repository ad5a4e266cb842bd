#include <gtest/gtest.h>

#include "framework/dialog.h"

namespace {

// The test template's labels, measured as the dialog starts.
class LabelsDialog : public CDialog {
  public:
    LabelsDialog() : CDialog(1) {}

    RECT narrow{}, fits{}, fitsInTemplate{110, 25, 135, 33}, field{}, narrowAfterScaleChange{};
    SIZE narrowText{};

  protected:
    BOOL OnInitDialog() override {
        auto rect = [&](int id) {
            RECT r;
            GetWindowRect(GetDlgItem(m_hWnd, id), &r);
            MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
            return r;
        };
        narrow = rect(101), fits = rect(102), field = rect(100);
        MapDialogRect(m_hWnd, &fitsInTemplate);
        HWND label = GetDlgItem(m_hWnd, 101);
        HDC dc = GetDC(label);
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
        GetTextExtentPoint32W(dc, L"Needs more room", 15, &narrowText);
        WORD dpi = static_cast<WORD>(GetDeviceCaps(dc, LOGPIXELSY));
        ReleaseDC(label, dc);

        // A change of display scale (to the same scale, so the layout stays comparable) with
        // the label put back as the template made it: once the dialog manager has handled
        // the change, the label is fitted again.
        RECT narrowInTemplate{5, 25, 25, 33};
        MapDialogRect(m_hWnd, &narrowInTemplate);
        SetWindowPos(label, nullptr, narrowInTemplate.left, narrowInTemplate.top,
                     narrowInTemplate.right - narrowInTemplate.left,
                     narrowInTemplate.bottom - narrowInTemplate.top, SWP_NOZORDER | SWP_NOACTIVATE);
        RECT window;
        GetWindowRect(m_hWnd, &window);
        SendMessageW(m_hWnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&window));
        for (MSG m; PeekMessageW(&m, m_hWnd, 0, 0, PM_REMOVE);) DispatchMessageW(&m);
        narrowAfterScaleChange = rect(101);
        EndDialog(IDOK);
        return TRUE;
    }
};

TEST(StaticTexts, ALabelTooNarrowGrowsToItsWholeTextOverNothingAndOneThatFitsStays) {
    LabelsDialog dialog;
    dialog.DoModal();
    EXPECT_GE(dialog.narrow.right - dialog.narrow.left, dialog.narrowText.cx);
    RECT overlap;
    EXPECT_FALSE(IntersectRect(&overlap, &dialog.narrow, &dialog.fits));
    EXPECT_FALSE(IntersectRect(&overlap, &dialog.narrow, &dialog.field));
    EXPECT_TRUE(EqualRect(&dialog.fits, &dialog.fitsInTemplate));
    EXPECT_TRUE(EqualRect(&dialog.narrowAfterScaleChange, &dialog.narrow));
}

}  // namespace
