#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/dialog.h"
#include "framework/win_app.h"

namespace {

constexpr int kField = 100;

// The test application: the framework finds the resources through it.
class TestApp : public CWinApp {};
TestApp app;

// A real dialog with one field bound to `text`. Each test runs its checks
// from OnInitDialog, with the window alive, and then leaves.
class FieldDialog : public CDialog {
  public:
    explicit FieldDialog(std::function<void(FieldDialog&)> checks)
        : CDialog(1), checks_(std::move(checks)) {}

    bool RouteMessage(const Message& m, LRESULT& result) override;

    HWND Field() const { return GetDlgItem(m_hWnd, kField); }
    std::string FieldText() const {
        char buffer[256] = {};
        GetWindowTextA(Field(), buffer, sizeof buffer);
        return buffer;
    }

    CStringA text;
    int changes = 0;

  protected:
    void DoDataExchange(CDataExchange* dx) override { DDX_Text(dx, kField, text); }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        checks_(*this);
        EndDialog(IDOK);
        return TRUE;
    }

  private:
    static const MessageEntry<FieldDialog> table[];
    void OnChanged() { ++changes; }
    std::function<void(FieldDialog&)> checks_;
};

const MessageEntry<FieldDialog> FieldDialog::table[] = {
    {WM_COMMAND, EN_CHANGE, kField, &FieldDialog::OnChanged},
};

bool FieldDialog::RouteMessage(const Message& m, LRESULT& result) {
    return RouteThrough<FieldDialog>(*this, table, m, result) || CDialog::RouteMessage(m, result);
}

class DataExchange : public testing::Test {
  protected:
    void SetUp() override { app.m_hInstance = GetModuleHandleW(nullptr); }
};

TEST_F(DataExchange, MovesTextsInTheDirectionAsked) {
    bool ran = false;
    FieldDialog dialog([&](FieldDialog& d) {
        ran = true;
        d.text = "abc";
        d.UpdateData(FALSE);
        EXPECT_EQ(d.FieldText(), "abc");

        SetWindowTextA(d.Field(), "xyz");
        EXPECT_EQ(d.text.str(), "abc");  // nothing moves until asked
        d.UpdateData(TRUE);
        EXPECT_EQ(d.text.str(), "xyz");
        EXPECT_EQ(d.FieldText(), "xyz");
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(ran);
}

TEST_F(DataExchange, IgnoresTheFieldsNotificationsWhileWriting) {
    FieldDialog dialog([](FieldDialog& d) {
        SetWindowTextA(d.Field(), "typed");
        int changesByUser = d.changes;
        EXPECT_GE(changesByUser, 1);  // the handler is wired: the check below can fail

        d.text = "written";
        d.UpdateData(FALSE);
        EXPECT_EQ(d.FieldText(), "written");
        EXPECT_EQ(d.changes, changesByUser);
        EXPECT_FALSE(d.IsUpdatingData());
    });
    dialog.DoModal();
}

TEST_F(DataExchange, LeavesAFieldWithTheSameTextUntouched) {
    FieldDialog dialog([](FieldDialog& d) {
        d.text = "175";
        d.UpdateData(FALSE);
        SendMessageA(d.Field(), EM_SETSEL, 1, 1);

        d.UpdateData(FALSE);  // same text: the caret stays after "1"
        DWORD start = 0, end = 0;
        SendMessageA(d.Field(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 1u);
        EXPECT_EQ(end, 1u);

        d.text = "";
        d.UpdateData(FALSE);
        EXPECT_EQ(d.FieldText(), "");
    });
    dialog.DoModal();
}

// A dialog that only does `atInit` when it starts, then runs until something ends it.
class PlainDialog : public CDialog {
  public:
    explicit PlainDialog(std::function<void(HWND)> atInit)
        : CDialog(1), atInit_(std::move(atInit)) {}

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        atInit_(m_hWnd);
        return TRUE;
    }

  private:
    std::function<void(HWND)> atInit_;
};

TEST_F(DataExchange, EscapeReachesTheDefaultCancel) {
    PlainDialog dialog(
        [](HWND window) { PostMessageW(GetDlgItem(window, kField), WM_KEYDOWN, VK_ESCAPE, 0); });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_hWnd, nullptr);  // the window is gone
}

TEST_F(DataExchange, AQuitMessageEndsTheModalRunAndIsPassedOutward) {
    PlainDialog dialog([](HWND) { PostQuitMessage(7); });
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
