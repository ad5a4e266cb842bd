// The main dialog as a user and as Windows see it, from another process.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "res/resource.h"
#include "tests/e2e/printable.h"
#include "tests/e2e/tavrimo_process.h"
#include "tests/e2e/under_wine.h"

namespace {

struct ControlSpec {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    LONG style;  // besides WS_CHILD | WS_VISIBLE
};

// Template order is also the z-order in which the window holds its controls.
const ControlSpec kControls[] = {
    {-1, L"Static", L"您的身高长度为：", WS_GROUP | SS_LEFT},
    {EDIT_HEIGHT, L"Edit", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
    {-1, L"Static", L"厘米", WS_GROUP | SS_LEFT},
    {-1, L"Static", L"您的正常勃起长度为：", WS_GROUP | SS_LEFT},
    {-1, L"Static", L"您的正常勃起直径为：", WS_GROUP | SS_LEFT},
    {EDIT_LENGTH, L"Edit", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY},
    {EDIT_DIAMETER, L"Edit", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY},
    {BUTTON_CALCULATE, L"Button", L"计算", WS_TABSTOP | BS_PUSHBUTTON},
    {BUTTON_EXIT, L"Button", L"退出", WS_TABSTOP | BS_PUSHBUTTON},
    {-1, L"Static", L"厘米", WS_GROUP | SS_LEFT},
    {-1, L"Static", L"厘米", WS_GROUP | SS_LEFT},
};

// Style bits that the template sets; the rest belong to the window manager and the controls.
constexpr LONG kTemplateStyleBits = 0xFFFF0FFF & ~WS_DISABLED & ~WS_MAXIMIZE & ~WS_MINIMIZE;

// The tests that only read the window or edit its fields share one started program (a
// start costs seconds in the emulated PC). Each begins from the state of a fresh one, all
// three fields empty and the caret at 0, which SetUp makes and checks, so that none
// depends on another or on their order; a program that ended or hangs is replaced.
class SharedWindow : public testing::Test {
  protected:
    static void TearDownTestSuite() { shared.reset(); }
    void SetUp() override {
        if (shared == nullptr || !shared->Running() || !shared->Responsive())
            shared = std::make_unique<TavrimoProcess>();
        shared->SetText(EDIT_HEIGHT, L"");
        shared->Click(BUTTON_CALCULATE);  // with no height, Calculate empties both estimates
        for (int id : {EDIT_HEIGHT, EDIT_LENGTH, EDIT_DIAMETER}) ASSERT_EQ(shared->Text(id), L"");
        ASSERT_EQ(shared->Selection(EDIT_HEIGHT), std::make_pair(DWORD{0}, DWORD{0}));
    }

    static inline std::unique_ptr<TavrimoProcess> shared;
};

TEST(MainDialog, StartsCentredWithEmptyFieldsAndTheFocusInTheHeight) {
    TavrimoProcess tavrimo;
    HWND dialog = tavrimo.Dialog();
    EXPECT_EQ(WindowText(dialog), L"Tavrimo");
    LONG style = static_cast<LONG>(GetWindowLongPtrW(dialog, GWL_STYLE));
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_TRUE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    for (int id : {EDIT_HEIGHT, EDIT_LENGTH, EDIT_DIAMETER}) EXPECT_EQ(tavrimo.Text(id), L"") << id;
    EXPECT_TRUE(WaitFor([&] { return tavrimo.Focus() == tavrimo.Control(EDIT_HEIGHT); }));
    EXPECT_EQ(GetDlgItem(dialog, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), nullptr);

    RECT window;
    GetWindowRect(dialog, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    EXPECT_NEAR(window.left + window.right, work.left + work.right, 2);
    EXPECT_NEAR(window.top + window.bottom, work.top + work.bottom, 2);
}

// A folder of the test's own under %TEMP%, emptied and removed again at the end.
class ScratchFolder {
  public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH];
        DWORD length = GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp, length) + L"tavrimo-planted-" +
                std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        for (const wchar_t* name : {L"Tavrimo.exe", L"comctl32.dll", L"planted.marker"})
            DeleteFileW((path_ + L"\\" + name).c_str());
        RemoveDirectoryW(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
};

// A comctl32.dll saved beside the program is never loaded. Windows looks beside the
// program first for any DLL outside its known set; wine takes its builtin copy whatever
// lies beside the program unless told otherwise (WINEDLLOVERRIDES comctl32=n,b).
TEST(MainDialog, StartsWithoutLoadingAComctl32PlantedBesideIt) {
    if (UnderWine()) {
        wchar_t overrides[256] = {};
        GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 256);
        if (std::wstring(overrides).find(L"comctl32=n,b") == std::wstring::npos)
            GTEST_SKIP() << "under wine a planted comctl32.dll is loaded only with "
                            "WINEDLLOVERRIDES=comctl32=n,b, which this run does not set";
    }
    // Copies in a folder of its own: the kit's folder may be read-only.
    ScratchFolder folder;
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\Tavrimo.exe").c_str(),
                          (folder.path() + L"\\Tavrimo.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\planted\\comctl32.dll").c_str(),
                          (folder.path() + L"\\comctl32.dll").c_str(), FALSE));
    {
        TavrimoProcess tavrimo(folder.path() + L"\\Tavrimo.exe");
        tavrimo.Type(EDIT_HEIGHT, L"175");
        EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), L"175");
    }
    EXPECT_EQ(GetFileAttributesW((folder.path() + L"\\planted.marker").c_str()),
              INVALID_FILE_ATTRIBUTES);
}

TEST_F(SharedWindow, HoldsItsControlsInTemplateOrder) {
    TavrimoProcess& tavrimo = *shared;
    HWND control = GetWindow(tavrimo.Dialog(), GW_CHILD);
    for (const ControlSpec& expected : kControls) {
        ASSERT_NE(control, nullptr) << "missing control after fewer than 11";
        EXPECT_EQ(static_cast<SHORT>(GetDlgCtrlID(control)), expected.id);
        EXPECT_EQ(_wcsicmp(ClassName(control).c_str(), expected.className), 0) << expected.text;
        EXPECT_EQ(Printable(WindowText(control)), Printable(expected.text));
        LONG style = static_cast<LONG>(GetWindowLongPtrW(control, GWL_STYLE));
        LONG_PTR exStyle = GetWindowLongPtrW(control, GWL_EXSTYLE);
        // An edit field turns its border into a sunken edge when it is made.
        if (exStyle & WS_EX_CLIENTEDGE) style |= WS_BORDER;
        EXPECT_EQ(Hex(style & kTemplateStyleBits), Hex(expected.style | WS_CHILD | WS_VISIBLE))
            << "control " << expected.id << ", " << Printable(expected.text);
        // After the first control out of step, every later one would differ too.
        if (testing::Test::HasFailure()) return;
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr) << "more than 11 controls";
}

// The Overview's typical use, each text on the way.
TEST(MainDialog, TypicalUse) {
    TavrimoProcess tavrimo;
    const std::pair<const wchar_t*, const wchar_t*> keystrokes[] = {
        {L"1", L"1"}, {L"7", L"17"}, {L"5", L"175"}};
    for (auto [key, shown] : keystrokes) {
        tavrimo.Type(EDIT_HEIGHT, key);
        EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), shown);
    }
    tavrimo.Click(BUTTON_CALCULATE);
    EXPECT_EQ(tavrimo.Text(EDIT_LENGTH), L"13.7701");
    EXPECT_EQ(tavrimo.Text(EDIT_DIAMETER), L"4.38315");

    tavrimo.Type(EDIT_HEIGHT, L"0");
    EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), L"");
    EXPECT_EQ(tavrimo.Text(EDIT_LENGTH), L"13.7701");
    EXPECT_EQ(tavrimo.Text(EDIT_DIAMETER), L"4.38315");

    tavrimo.Click(BUTTON_EXIT);
    DWORD exitCode = 99;
    ASSERT_TRUE(tavrimo.WaitForExit(exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(IsWindow(tavrimo.Dialog()));
}

struct ChangeCase {
    const wchar_t* typed;  // typed key by key into the empty field
    const wchar_t* shown;  // the field afterwards
};

TEST_F(SharedWindow, ClearsRejectedHeightsAsTheyAreTyped) {
    const ChangeCase cases[] = {
        {L"400", L"400"}, {L"4000", L""},   {L"0", L""},          {L"-5", L"5"},
        {L"401", L""},    {L"abc", L""},    {L" ", L""},          {L"175cm", L"175cm"},
        {L"1e2", L"1e2"}, {L"0.5", L"5"},   {L"399.9", L"399.9"}, {L"400.1", L""},
        {L"+7", L"7"},    {L"7,5", L"7,5"},
    };
    TavrimoProcess& tavrimo = *shared;
    for (const ChangeCase& c : cases) {
        tavrimo.SetText(EDIT_HEIGHT, L"");
        tavrimo.Type(EDIT_HEIGHT, c.typed);
        EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), c.shown) << c.typed;
    }
}

TEST_F(SharedWindow, ClearsRejectedHeightsWhenPasted) {
    const ChangeCase cases[] = {{L"-5", L""},          {L"401", L""},  {L"0", L""},
                                {L"175", L"175"},      {L"1750", L""}, {L"厘米", L""},
                                {L"180 cm", L"180 cm"}};
    TavrimoProcess& tavrimo = *shared;
    for (const ChangeCase& c : cases) {
        tavrimo.SetText(EDIT_HEIGHT, L"");
        tavrimo.Paste(EDIT_HEIGHT, c.typed);
        EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), c.shown) << c.typed;
    }
}

struct CalculateCase {
    const wchar_t* height;
    const wchar_t* length;
    const wchar_t* diameter;
};

TEST_F(SharedWindow, CalculateShowsTheEstimatesOfTheFieldAsItStands) {
    const CalculateCase cases[] = {
        {L"175cm", L"13.7701", L"4.38315"},
        {L"100", L"-0.983577", L"-0.313082"},
        {L"105", L"0", L"0"},
        {L"400", L"58.0311", L"18.4719"},
        {L"1e2", L"-0.983577", L"-0.313082"},
        {L"", L"", L""},  // no height, no estimates
    };
    TavrimoProcess& tavrimo = *shared;
    for (const CalculateCase& c : cases) {
        tavrimo.SetText(EDIT_HEIGHT, L"");
        tavrimo.Paste(EDIT_HEIGHT, c.height);
        ASSERT_EQ(tavrimo.Text(EDIT_HEIGHT), c.height);
        tavrimo.Click(BUTTON_CALCULATE);
        EXPECT_EQ(tavrimo.Text(EDIT_LENGTH), c.length) << c.height;
        EXPECT_EQ(tavrimo.Text(EDIT_DIAMETER), c.diameter) << c.height;
    }
}

TEST_F(SharedWindow, KeepsTheLastEstimatesWhileTheHeightIsEdited) {
    TavrimoProcess& tavrimo = *shared;
    tavrimo.Type(EDIT_HEIGHT, L"175");
    tavrimo.Click(BUTTON_CALCULATE);
    tavrimo.Type(EDIT_HEIGHT, L"\b\b\b160");
    EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), L"160");
    EXPECT_EQ(tavrimo.Text(EDIT_LENGTH), L"13.7701");
    EXPECT_EQ(tavrimo.Text(EDIT_DIAMETER), L"4.38315");
    tavrimo.Click(BUTTON_CALCULATE);
    EXPECT_EQ(tavrimo.Text(EDIT_LENGTH), L"10.8194");
    EXPECT_EQ(tavrimo.Text(EDIT_DIAMETER), L"3.44391");
}

TEST_F(SharedWindow, TypingDoesNotMoveTheCaretUnlessTheFieldIsCleared) {
    TavrimoProcess& tavrimo = *shared;
    tavrimo.Type(EDIT_HEIGHT, L"15");
    EXPECT_EQ(tavrimo.Selection(EDIT_HEIGHT), std::make_pair(DWORD{2}, DWORD{2}));
    SendMessageW(tavrimo.Control(EDIT_HEIGHT), EM_SETSEL, 1, 1);
    tavrimo.Type(EDIT_HEIGHT, L"7");
    EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), L"175");
    EXPECT_EQ(tavrimo.Selection(EDIT_HEIGHT), std::make_pair(DWORD{2}, DWORD{2}));
    tavrimo.Type(EDIT_HEIGHT, L"cm");
    EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), L"17cm5");
    EXPECT_EQ(tavrimo.Selection(EDIT_HEIGHT), std::make_pair(DWORD{4}, DWORD{4}));
    SendMessageW(tavrimo.Control(EDIT_HEIGHT), EM_SETSEL, 0, 0);
    tavrimo.Type(EDIT_HEIGHT, L"9");  // 917cm5: rejected, cleared
    EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), L"");
    EXPECT_EQ(tavrimo.Selection(EDIT_HEIGHT), std::make_pair(DWORD{0}, DWORD{0}));
}

// Windows lets a process take the foreground only under its rules (SetForegroundWindow):
// where another program keeps it, a runner's console or a user's click elsewhere, no real
// input can reach Tavrimo, and none is typed anywhere else. That says nothing of the program:
// skipped, naming the holder.
TEST(MainDialog, TakesRealKeyboardInput) {
    TavrimoProcess tavrimo;
    if (!tavrimo.Activate())
        GTEST_SKIP() << "Tavrimo could not take the foreground from " << ForegroundHolder();
    ASSERT_TRUE(WaitFor([&] { return tavrimo.Focus() == tavrimo.Control(EDIT_HEIGHT); }));
    if (!tavrimo.TypeWithKeyboard(L"175"))
        GTEST_SKIP() << "the foreground went to " << ForegroundHolder() << " while typing";
    EXPECT_TRUE(WaitFor([&] { return tavrimo.Text(EDIT_HEIGHT) == L"175"; }))
        << "field shows " << tavrimo.Text(EDIT_HEIGHT).size() << " characters";
    if (!tavrimo.TypeWithKeyboard(L"0"))
        GTEST_SKIP() << "the foreground went to " << ForegroundHolder() << " while typing";
    EXPECT_TRUE(WaitFor([&] { return tavrimo.Text(EDIT_HEIGHT).empty(); }));
}

TEST(MainDialog, EnterEscapeAndClosingLeaveItOpen) {
    TavrimoProcess tavrimo;
    tavrimo.Type(EDIT_HEIGHT, L"175");
    HWND dialog = tavrimo.Dialog();
    auto stillOpen = [&](const char* how) {
        // A keystroke posted behind the others: once the field shows its effect,
        // everything posted before it has been handled.
        PostMessageW(tavrimo.Control(EDIT_HEIGHT), WM_CHAR, L'0', 1);
        EXPECT_TRUE(WaitFor([&] { return tavrimo.Text(EDIT_HEIGHT).empty(); })) << how;
        tavrimo.Type(EDIT_HEIGHT, L"175");
        EXPECT_TRUE(tavrimo.Responsive()) << how;
        EXPECT_TRUE(tavrimo.Running()) << how;
        EXPECT_TRUE(IsWindowVisible(dialog)) << how;
        EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), L"175") << how;
    };
    tavrimo.PostKey(VK_RETURN);
    stillOpen("Enter");
    tavrimo.PostKey(VK_ESCAPE);
    stillOpen("Escape");
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    stillOpen("close box");
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    stillOpen("WM_CLOSE");
    PostMessageW(dialog, WM_SYSKEYDOWN, VK_F4, 1 | (1 << 29));  // Alt+F4
    stillOpen("Alt+F4");
    // Enter on a focused push button presses it: Exit still ends the program.
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tavrimo.Control(BUTTON_EXIT)),
                 TRUE);
    tavrimo.PostKey(VK_RETURN);
    DWORD exitCode = 99;
    ASSERT_TRUE(tavrimo.WaitForExit(exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST(MainDialog, WritesNothingUnderTheSettingsRoot) {
    {
        TavrimoProcess tavrimo;
        tavrimo.Type(EDIT_HEIGHT, L"175");
        tavrimo.Click(BUTTON_CALCULATE);
        tavrimo.Click(BUTTON_EXIT);
        DWORD exitCode = 99;
        ASSERT_TRUE(tavrimo.WaitForExit(exitCode));
    }
    HKEY key = nullptr;
    LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\应用程序向导生成的本地应用程序", 0,
                                KEY_READ, &key);
    if (opened == ERROR_SUCCESS) RegCloseKey(key);
    EXPECT_EQ(opened, ERROR_FILE_NOT_FOUND);
}

}  // namespace
