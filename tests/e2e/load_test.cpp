// Large pastes and long runs of keystrokes.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "res/resource.h"
#include "tests/e2e/tavrimo_process.h"

namespace {

TEST(Load, AMebibyteOfDigitsIsRejectedAndTheProgramStaysResponsive) {
    TavrimoProcess tavrimo;
    tavrimo.Paste(EDIT_HEIGHT, std::wstring(1 << 20, L'9'));
    EXPECT_TRUE(tavrimo.Responsive());
    // However much of it the field takes, it is far beyond 400.
    EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), L"");
    tavrimo.Type(EDIT_HEIGHT, L"175");
    tavrimo.Click(BUTTON_CALCULATE);
    EXPECT_EQ(tavrimo.Text(EDIT_LENGTH), L"13.7701");
}

TEST(Load, LongChineseTextIsRejected) {
    TavrimoProcess tavrimo;
    std::wstring text;
    while (text.size() < 32 * 1024) text += L"身高一百七十五厘米";  // 64 KiB of UTF-16
    tavrimo.Paste(EDIT_HEIGHT, text);
    EXPECT_TRUE(tavrimo.Responsive());
    EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), L"");
}

TEST(Load, LongAcceptedTextIsKept) {
    TavrimoProcess tavrimo;
    std::wstring text = L"175" + std::wstring(20000, L'x');
    tavrimo.Paste(EDIT_HEIGHT, text);
    EXPECT_TRUE(tavrimo.Responsive());
    EXPECT_EQ(tavrimo.Text(EDIT_HEIGHT), text);
    tavrimo.Click(BUTTON_CALCULATE);
    EXPECT_EQ(tavrimo.Text(EDIT_LENGTH), L"13.7701");
}

TEST(Load, AThousandQueuedKeystrokesAreAllHandled) {
    TavrimoProcess tavrimo;
    HWND field = tavrimo.Control(EDIT_HEIGHT);
    // 999 keystrokes that leave "1" and "" in turn, then a last one: a lost or
    // doubled keystroke anywhere would leave another text.
    for (int i = 0; i < 999; ++i) PostMessageW(field, WM_CHAR, i % 2 == 0 ? L'1' : L'\b', 1);
    PostMessageW(field, WM_CHAR, L'7', 1);
    // A bound against a lost keystroke, not a speed: an emulated PC takes many seconds.
    EXPECT_TRUE(
        WaitFor([&] { return tavrimo.Text(EDIT_HEIGHT) == L"17"; }, std::chrono::seconds(60)))
        << "field shows " << tavrimo.Text(EDIT_HEIGHT).size() << " characters";
    EXPECT_TRUE(tavrimo.Responsive());
}

}  // namespace
