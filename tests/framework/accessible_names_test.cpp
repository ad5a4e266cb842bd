// Screen-reader names on demand: a dialog whose field is to be named loads nothing of COM
// until a client asks the field for its accessible object, and then the annotation service.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "framework/accessible_names.h"
#include "framework/dialog.h"
#include "framework/win_app.h"
#include "tests/e2e/under_wine.h"

namespace {

// The DLLs of COM and of the annotation service that this process has loaded, by name.
std::wstring ComModules() {
    std::wstring found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    for (BOOL more = Module32FirstW(snapshot, &module); more;
         more = Module32NextW(snapshot, &module)) {
        std::wstring name = module.szModule;
        std::ranges::transform(name, name.begin(), [](wchar_t c) { return std::towlower(c); });
        for (const wchar_t* com : {L"ole32.dll", L"oleaut32.dll", L"oleacc.dll", L"combase.dll"})
            if (name == com) found += name + L" ";
    }
    CloseHandle(snapshot);
    return found;
}

// The test dialog, whose field is named by its first label; the checks run with it open.
class NamedFieldDialog : public CDialog {
  public:
    explicit NamedFieldDialog(void (*checks)(HWND field)) : CDialog(1), checks_(checks) {}

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        const CAccessibleNames::Field fields[] = {
            {GetDlgItem(m_hWnd, 100), GetDlgItem(m_hWnd, 101), GetDlgItem(m_hWnd, 102)}};
        CAccessibleNames names(fields);
        checks_(fields[0].control);
        EndDialog(IDOK);
        return TRUE;
    }

  private:
    void (*checks_)(HWND);
};

TEST(AccessibleNames, LoadNothingOfComUntilAFieldIsAskedForItsAccessibleObject) {
    BOOL reader = FALSE;
    SystemParametersInfoW(SPI_GETSCREENREADER, 0, &reader, 0);
    if (reader) GTEST_SKIP() << "a screen reader runs: the names are given at once";
    // The test program's one application object (data_exchange_test.cpp) finds the template.
    ASSERT_NE(AfxGetApp(), nullptr);
    AfxGetApp()->m_hInstance = GetModuleHandleW(nullptr);
    NamedFieldDialog dialog([](HWND field) {
        // Windows' own text services may load COM into any process with an edit field.
        if (UnderWine()) {
            EXPECT_EQ(ComModules(), L"") << "loaded before any request";
        }
        SendMessageW(field, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
        EXPECT_NE(GetModuleHandleW(L"ole32.dll"), nullptr);
        EXPECT_NE(GetModuleHandleW(L"oleacc.dll"), nullptr) << "no annotation service";
    });
    dialog.DoModal();
}

}  // namespace
