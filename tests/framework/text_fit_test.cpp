#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/dialog.h"

namespace {

// Where the dialog manager puts a control of the template: it maps the position and the
// size each on its own. (MapDialogRect maps both edges, a pixel off whenever the
// horizontal base unit is odd.)
RECT Placed(HWND dialog, int x, int y, int cx, int cy) {
    RECT r{x, y, cx, cy};
    MapDialogRect(dialog, &r);
    return {r.left, r.top, r.left + r.right, r.top + r.bottom};
}

// The test template's labels, measured as the dialog starts.
class LabelsDialog : public CDialog {
  public:
    LabelsDialog() : CDialog(1) {}

    RECT narrow{}, fits{}, fitsInTemplate{}, field{}, narrowAfterScaleChange{};
    SIZE narrowText{};
    int dpi = 0;

  protected:
    BOOL OnInitDialog() override {
        auto rect = [&](int id) {
            RECT r;
            GetWindowRect(GetDlgItem(m_hWnd, id), &r);
            MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
            return r;
        };
        narrow = rect(101), fits = rect(102), field = rect(100);
        fitsInTemplate = Placed(m_hWnd, 110, 25, 25, 8);
        HWND label = GetDlgItem(m_hWnd, 101);
        HDC dc = GetDC(label);
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
        GetTextExtentPoint32W(dc, L"Needs more room", 15, &narrowText);
        dpi = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(label, dc);

        // A change of display scale (to the same scale, so the layout stays comparable) with
        // the label put back as the template made it: once the dialog manager has handled
        // the change, the label is fitted again.
        RECT narrowInTemplate = Placed(m_hWnd, 5, 25, 20, 8);
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
    // Run at a scale that the environment names, the scale must have been taken.
    if (const char* expected = std::getenv("TAVRIMO_EXPECT_DPI")) {
        EXPECT_EQ(dialog.dpi, std::atoi(expected));
    }
}

}  // namespace
