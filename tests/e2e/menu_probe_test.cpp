// The system menu as the main dialog builds it, read from inside the program's
// own process (another process cannot read it under wine).
#include <float.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/win_app.h"
#include "res/resource.h"
#include "ui/tavrimo_dlg.h"

namespace {

class ProbeApp : public CWinApp {};
ProbeApp app;

#if defined(__i386__)
// Read during static initialisation: the 32-bit start-up has set the x87 unit by then.
const unsigned startUpPrecision = _controlfp(0, 0) & _MCW_PC;

TEST(StartUp, SetsTheX87UnitToDoublePrecision) { EXPECT_EQ(startUpPrecision, unsigned{_PC_53}); }
#endif

struct MenuItem {
    UINT type;
    UINT id;
    std::wstring text;
    bool operator==(const MenuItem&) const = default;
};

// The main dialog, which reads its own system menu once it is set up and then ends.
class MenuProbe : public CTavrimoDlg {
  public:
    std::vector<MenuItem> items;

  protected:
    BOOL OnInitDialog() override {
        BOOL result = CTavrimoDlg::OnInitDialog();
        HMENU menu = GetSystemMenu(m_hWnd, FALSE);
        for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
            wchar_t text[128] = {};
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
            info.dwTypeData = text;
            info.cch = 128;
            GetMenuItemInfoW(menu, i, TRUE, &info);
            items.push_back({info.fType, info.wID, text});
        }
        PostQuitMessage(0);
        return result;
    }
};

TEST(SystemMenu, EndsWithASeparatorAndTheAboutEntry) {
    app.m_hInstance = GetModuleHandleW(nullptr);
    MenuProbe probe;
    app.m_pMainWnd = &probe;
    probe.DoModal();
    app.m_pMainWnd = nullptr;
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);

    ASSERT_GE(probe.items.size(), 3u) << "standard items, separator, About";
    const MenuItem& separator = probe.items[probe.items.size() - 2];
    const MenuItem& about = probe.items.back();
    EXPECT_EQ(separator.type & MFT_SEPARATOR, static_cast<UINT>(MFT_SEPARATOR));
    EXPECT_EQ(about, (MenuItem{MFT_STRING, CMD_ABOUT, L"关于 Tavrimo(&A)..."}));
    // The standard items come first, Close among them.
    bool hasClose = false;
    for (std::size_t i = 0; i + 2 < probe.items.size(); ++i)
        hasClose = hasClose || probe.items[i].id == SC_CLOSE;
    EXPECT_TRUE(hasClose);
}

}  // namespace
