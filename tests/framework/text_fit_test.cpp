#include <gtest/gtest.h>

#include "framework/dialog.h"

namespace {

// The test template's labels, measured as the dialog starts.
class LabelsDialog : public CDialog {
  public:
    LabelsDialog() : CDialog(1) {}

    RECT narrow{}, fits{}, fitsInTemplate{110, 25, 135, 33}, field{};
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
        ReleaseDC(label, dc);
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
}

}  // namespace
