#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

// The test run names the ANSI code page it set up; check that it took effect,
// so that a run meant for code page 936 really ran in it.
TEST(Locale, RunsInTheCodePageAskedFor) {
    const char* expected = std::getenv("TAVRIMO_EXPECT_ACP");
    ASSERT_NE(expected, nullptr) << "TAVRIMO_EXPECT_ACP is not set";
    EXPECT_EQ(std::to_string(GetACP()), expected);
}
