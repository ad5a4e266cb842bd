#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <iostream>
#include <string>

// A test run that set up an ANSI code page names it (TAVRIMO_EXPECT_ACP): check that it
// took effect, so that a run meant for code page 936 really ran in it. A run on a
// Windows as it is names none: the code page found goes into the report.
TEST(Locale, RunsInTheCodePageAskedFor) {
    RecordProperty("ansi_code_page", static_cast<int>(GetACP()));
    const char* expected = std::getenv("TAVRIMO_EXPECT_ACP");
    if (expected == nullptr) {
        std::cout << "ANSI code page " << GetACP() << " (none asked for)\n";
        return;
    }
    EXPECT_EQ(std::to_string(GetACP()), expected);
}
