// The system-menu command and the About box, from another process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/tavrimo_process.h"

namespace {

const wchar_t kAboutCaption[] = L"关于 Tavrimo";

std::vector<std::wstring> ChildTexts(HWND window) {
    std::vector<std::wstring> texts;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(WindowText(child));
    return texts;
}

class AboutBox : public testing::Test {
  protected:
    HWND Open(WPARAM command) {
        PostMessageW(tavrimo.Dialog(), WM_SYSCOMMAND, command, 0);
        HWND about = nullptr;
        WaitFor([&] { return (about = tavrimo.FindWindowByCaption(kAboutCaption)) != nullptr; });
        return about;
    }
    bool Closed() {
        return WaitFor([&] {
            return tavrimo.FindWindowByCaption(kAboutCaption) == nullptr &&
                   IsWindowEnabled(tavrimo.Dialog());
        });
    }

    TavrimoProcess tavrimo;
};

TEST_F(AboutBox, OpensFromTheMenuCommandOwnedByTheDisabledMainDialog) {
    HWND about = Open(CMD_ABOUT);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), tavrimo.Dialog());
    EXPECT_FALSE(IsWindowEnabled(tavrimo.Dialog()));
    std::vector<std::wstring> texts = ChildTexts(about);
    ASSERT_EQ(texts.size(), 4u);
    texts.erase(texts.begin());  // the icon's
    EXPECT_EQ(texts,
              (std::vector<std::wstring>{L"Tavrimo 1.0 版", L"仅供娱乐，不作医学依据。", L"确定"}));
    HWND icon = GetWindow(about, GW_CHILD);
    EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0) << "the first control shows the icon";
    HWND ok = GetDlgItem(about, IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(GetWindowLongPtrW(ok, GWL_STYLE) & BS_DEFPUSHBUTTON);

    SendBounded(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(tavrimo.Running());
}

TEST_F(AboutBox, EveryCommandFrom0x10To0x1FOpensItAndEnterOrEscapeClosesIt) {
    for (WPARAM command : {0x10, 0x1F, 0x13}) {
        HWND about = Open(command);
        ASSERT_NE(about, nullptr) << command;
        tavrimo.PostKey(command == 0x1F ? VK_ESCAPE : VK_RETURN);
        EXPECT_TRUE(Closed()) << command;
    }
    // The main dialog works again afterwards.
    tavrimo.Type(EDIT_HEIGHT, L"175");
    tavrimo.Click(BUTTON_CALCULATE);
    EXPECT_EQ(tavrimo.Text(EDIT_LENGTH), L"13.7701");
}

TEST_F(AboutBox, OtherSystemCommandsDoNotOpenIt) {
    for (WPARAM command : {WPARAM{0x20}, WPARAM{0x00}, WPARAM{0x0F}, WPARAM{SC_CLOSE}}) {
        PostMessageW(tavrimo.Dialog(), WM_SYSCOMMAND, command, 0);
        // A keystroke posted behind the command: once it shows, the command was handled.
        PostMessageW(tavrimo.Control(EDIT_HEIGHT), WM_CHAR, L'7', 1);
        ASSERT_TRUE(WaitFor([&] { return tavrimo.Text(EDIT_HEIGHT) == L"7"; })) << command;
        EXPECT_EQ(tavrimo.FindWindowByCaption(kAboutCaption), nullptr) << command;
        EXPECT_TRUE(IsWindowEnabled(tavrimo.Dialog())) << command;
        tavrimo.SetText(EDIT_HEIGHT, L"");
    }
}

}  // namespace
