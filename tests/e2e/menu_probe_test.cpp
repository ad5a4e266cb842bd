// The main dialog as it builds itself, read from inside the program's own process
// (another process cannot read its menu or its fonts under wine): the system menu,
// and the texts at the common display scales.
#include <float.h>
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which they need.
#include <ole2.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/win_app.h"
#include "res/resource.h"
#include "tests/e2e/under_wine.h"
#include "ui/tavrimo_dlg.h"

namespace {

class ProbeApp : public CWinApp {};
ProbeApp app;

#if defined(__i386__)
// Read during static initialisation: the 32-bit start-up has set the x87 unit by then.
const unsigned startUpPrecision = _controlfp(0, 0) & _MCW_PC;

TEST(StartUp, SetsTheX87UnitToDoublePrecision) { EXPECT_EQ(startUpPrecision, unsigned{_PC_53}); }
#endif

// Runs a probe dialog as the application's main window until it has read what it
// needs and posted its quit, which is taken off the queue again for the next probe.
void RunAsMainWindow(CDialog& probe) {
    app.m_hInstance = GetModuleHandleW(nullptr);
    app.m_pMainWnd = &probe;
    probe.DoModal();
    app.m_pMainWnd = nullptr;
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

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
    MenuProbe probe;
    RunAsMainWindow(probe);

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

// Stands in for the system's annotation service and records what the dialog asks of it.
struct RecordingAnnotations : IAccPropServices, IClassFactory {
    std::map<std::pair<HWND, std::wstring>, std::wstring> set;  // (field, property) -> text
    std::set<HWND> cleared;

    static std::wstring Property(const MSAAPROPID& id) {
        return id == PROPID_ACC_NAME          ? L"name"
               : id == PROPID_ACC_DESCRIPTION ? L"description"
                                              : L"?";
    }
    HRESULT WINAPI SetHwndPropStr(HWND hwnd, DWORD object, DWORD child, MSAAPROPID id,
                                  LPCWSTR text) override {
        bool self = object == DWORD(OBJID_CLIENT) && child == CHILDID_SELF;
        set[{hwnd, self ? Property(id) : L"not the field itself"}] = text;
        return S_OK;
    }
    HRESULT WINAPI ClearHwndProps(HWND hwnd, DWORD object, DWORD child, const MSAAPROPID* ids,
                                  int count) override {
        if (object == DWORD(OBJID_CLIENT) && child == CHILDID_SELF && count == 2 &&
            Property(ids[0]) + Property(ids[1]) == L"namedescription")
            cleared.insert(hwnd);
        return S_OK;
    }
    HRESULT WINAPI CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        return outer != nullptr ? CLASS_E_NOAGGREGATION : QueryInterface(iid, object);
    }
    HRESULT WINAPI QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (iid == IID_IClassFactory) *object = static_cast<IClassFactory*>(this);
        if (iid == IID_IUnknown || iid == IID_IAccPropServices)
            *object = static_cast<IAccPropServices*>(this);
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG WINAPI AddRef() override { return 2; }  // lives on the test's stack
    ULONG WINAPI Release() override { return 1; }
    HRESULT WINAPI LockServer(BOOL) override { return S_OK; }
    // Nothing else is expected of it.
    // clang-format off
    HRESULT WINAPI SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override {
        return E_NOTIMPL; }
    HRESULT WINAPI SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                 AnnoScope) override { return E_NOTIMPL; }
    HRESULT WINAPI ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override {
        return E_NOTIMPL; }
    HRESULT WINAPI SetHwndProp(HWND, DWORD, DWORD, MSAAPROPID, VARIANT) override {
        return E_NOTIMPL; }
    HRESULT WINAPI SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                     AnnoScope) override { return E_NOTIMPL; }
    HRESULT WINAPI ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override {
        return E_NOTIMPL; }
    HRESULT WINAPI DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override {
        return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                      AnnoScope) override { return E_NOTIMPL; }
    HRESULT WINAPI ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override {
        return E_NOTIMPL; }
    HRESULT WINAPI ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override {
        return E_NOTIMPL; }
    HRESULT WINAPI DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override {
        return E_NOTIMPL; }
    // clang-format on
};

// The main dialog, which notes its fields once it is set up, runs the test's steps with it
// open and then ends.
class FieldProbe : public CTavrimoDlg {
  public:
    explicit FieldProbe(std::function<void(const HWND (&)[3])> whileOpen)
        : whileOpen_(std::move(whileOpen)) {}
    HWND fields[3] = {};

  protected:
    BOOL OnInitDialog() override {
        BOOL result = CTavrimoDlg::OnInitDialog();
        const int ids[] = {EDIT_HEIGHT, EDIT_LENGTH, EDIT_DIAMETER};
        for (int i = 0; i < 3; ++i) fields[i] = GetDlgItem(m_hWnd, ids[i]);
        whileOpen_(fields);
        PostQuitMessage(0);
        return result;
    }

  private:
    std::function<void(const HWND (&)[3])> whileOpen_;
};

// What UI Automation clients, NVDA among them, ask for first (uiautomationcoreapi.h).
constexpr LPARAM kUiaRootObjectId = -25;

bool ScreenReaderRunning() {
    BOOL running = FALSE;
    return SystemParametersInfoW(SPI_GETSCREENREADER, 0, &running, 0) && running;
}

// Runs the main dialog with the recording service standing in for the system's, for the
// steps run with the dialog open, and gives the annotations it recorded.
RecordingAnnotations Annotated(std::function<void(RecordingAnnotations&, const HWND (&)[3])> steps,
                               HWND (&fields)[3]) {
    RecordingAnnotations annotations;
    EXPECT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    DWORD cookie = 0;
    EXPECT_EQ(
        CoRegisterClassObject(CLSID_AccPropServices, static_cast<IClassFactory*>(&annotations),
                              CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
        S_OK);
    FieldProbe probe([&](const HWND(&open)[3]) { steps(annotations, open); });
    RunAsMainWindow(probe);
    CoRevokeClassObject(cookie);
    CoUninitialize();
    std::copy(std::begin(probe.fields), std::end(probe.fields), fields);
    return annotations;
}

std::map<std::pair<HWND, std::wstring>, std::wstring> Expected(const HWND (&fields)[3]) {
    auto [height, length, diameter] = fields;
    return {{{height, L"name"}, L"您的身高长度为："},       {{height, L"description"}, L"厘米"},
            {{length, L"name"}, L"您的正常勃起长度为："},   {{length, L"description"}, L"厘米"},
            {{diameter, L"name"}, L"您的正常勃起直径为："}, {{diameter, L"description"}, L"厘米"}};
}

TEST(ScreenReaders, HearEachFieldNamedByItsOwnLabelWithItsUnitOnceOneAsksAboutAField) {
    if (ScreenReaderRunning()) GTEST_SKIP() << "a screen reader runs: the names are given at once";
    decltype(RecordingAnnotations::set) before, after;
    HWND fields[3];
    RecordingAnnotations annotations = Annotated(
        [&](RecordingAnnotations& recorded, const HWND(&open)[3]) {
            before = recorded.set;
            // What every client sends first, whatever object it asks for: any field will do.
            SendMessageW(open[1], WM_GETOBJECT, 0, kUiaRootObjectId);
            after = recorded.set;
            SendMessageW(open[2], WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
            EXPECT_EQ(recorded.set, after) << "annotated twice";
        },
        fields);
    EXPECT_EQ(before, decltype(before){}) << "annotated before anyone asked";
    EXPECT_EQ(after, Expected(fields));
    EXPECT_EQ(annotations.cleared, (std::set<HWND>{fields[0], fields[1], fields[2]}));
}

TEST(ScreenReaders, FindTheNamesInPlaceWhenOneRunsAtStart) {
    BOOL was = ScreenReaderRunning();
    // What a screen reader sets while it runs; not saved, and put back below.
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETSCREENREADER, TRUE, nullptr, 0));
    decltype(RecordingAnnotations::set) atStart;
    HWND fields[3];
    Annotated([&](RecordingAnnotations& recorded, const HWND(&)[3]) { atStart = recorded.set; },
              fields);
    SystemParametersInfoW(SPI_SETSCREENREADER, was, nullptr, 0);
    EXPECT_EQ(atStart, Expected(fields));
}

// The main dialog, which measures each label's and button's text in the control's own
// font against the control once it is set up, and then ends.
class TextProbe : public CTavrimoDlg {
  public:
    int dpi = 0;
    std::vector<std::wstring> clipped;

  protected:
    BOOL OnInitDialog() override {
        BOOL result = CTavrimoDlg::OnInitDialog();
        HDC dc = ::GetDC(m_hWnd);
        dpi = GetDeviceCaps(dc, LOGPIXELSY);
        for (HWND child = GetWindow(m_hWnd, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t kind[16] = {}, text[64] = {};
            GetClassNameW(child, kind, 16);
            if (std::wstring(kind) != L"Static" && std::wstring(kind) != L"Button") continue;
            int length = GetWindowTextW(child, text, 64);
            HGDIOBJ previous = SelectObject(
                dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(child, WM_GETFONT, 0, 0)));
            SIZE extent{};
            GetTextExtentPoint32W(dc, text, length, &extent);
            SelectObject(dc, previous);
            RECT client{};
            ::GetClientRect(child, &client);
            if (extent.cx > client.right || extent.cy > client.bottom) clipped.push_back(text);
        }
        ::ReleaseDC(m_hWnd, dc);
        PostQuitMessage(0);
        return result;
    }
};

// Run at the display scale that the environment names (by the test below), or at the
// machine's own, which the report names.
TEST(Texts, FitTheirControls) {
    TextProbe probe;
    RunAsMainWindow(probe);

    RecordProperty("dpi", probe.dpi);
    if (const char* expected = std::getenv("TAVRIMO_EXPECT_DPI")) {
        EXPECT_EQ(probe.dpi, std::atoi(expected));
    }
    EXPECT_TRUE(probe.clipped.empty())
        << "at " << probe.dpi << " DPI, the first clipped text has "
        << (probe.clipped.empty() ? 0 : probe.clipped[0].size()) << " characters";
}

// Each scale needs a process of its own: the display's DPI is read once, at start.
// Relies on wine taking LogPixels anew for each process; Windows takes it only at the
// next sign-in, but then lays the dialog out at that DPI just the same way.
TEST(Texts, FitTheirControlsAtEveryCommonScale) {
    if (!UnderWine())
        GTEST_SKIP() << "Windows takes a new display scale only at the next sign-in, and a "
                        "user's own scale is not the tests' to change: Texts.FitTheirControls "
                        "checks the texts at this machine's scale";
    const wchar_t* desktop = L"Control Panel\\Desktop";
    DWORD saved = 0, size = sizeof saved;
    bool had = RegGetValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                            &saved, &size) == ERROR_SUCCESS;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (DWORD dpi : {96u, 120u, 144u, 168u, 192u}) {
        RegSetKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
        SetEnvironmentVariableW(L"TAVRIMO_EXPECT_DPI", std::to_wstring(dpi).c_str());
        std::wstring command =
            L"\"" + std::wstring(self) + L"\" --gtest_filter=Texts.FitTheirControls";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process)) {
            ADD_FAILURE() << "cannot start the probe at " << dpi << " DPI";
            continue;  // and still put the scale back below
        }
        DWORD exitCode = 1;
        if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &exitCode);
        else
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        EXPECT_EQ(exitCode, 0u) << "texts clipped (or the scale not taken) at " << dpi << " DPI";
    }
    SetEnvironmentVariableW(L"TAVRIMO_EXPECT_DPI", nullptr);
    if (had)
        RegSetKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", REG_DWORD, &saved, sizeof saved);
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels");
}

}  // namespace
