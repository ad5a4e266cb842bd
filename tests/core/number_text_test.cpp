#include "core/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

namespace tavrimo {
namespace {

struct ReadCase {
    const char* text;
    float value;
};

TEST(ReadMeasure, ReadsTheNumberAtTheStartAndIgnoresTheRest) {
    const ReadCase cases[] = {
        {"175", 175.0f},
        {"  175", 175.0f},
        {"\t\n175", 175.0f},
        {"175cm", 175.0f},
        {"175abc", 175.0f},
        {"1e2", 100.0f},
        {"1E2", 100.0f},
        {".5", 0.5f},
        {"5.", 5.0f},
        {"+7", 7.0f},
        {"-3", -3.0f},
        {"1,5", 1.0f},
        {"1e", 1.0f},
        {"1e+", 1.0f},
        {"1e-", 1.0f},
        {"2.5E", 2.5f},
        {"1e+x", 1.0f},
        {"1e2e3", 100.0f},
        {"1.2.3", 1.2f},
        {"0", 0.0f},
        {"-0.5", -0.5f},
        {"175 180", 175.0f},
        {"1e-2", 0.01f},
        {"0x10", 0.0f},
        {"400.00003", std::nextafter(400.0f, 500.0f)},
        {"123.456789012", 123.456787109375f},
        // Signed zeros and subnormals come through unchanged, not as failures.
        {"-0", -0.0f},
        {"-1e-50", -0.0f},
        {"1e-40", 1e-40f},
        {"-1.4e-45", -std::numeric_limits<float>::denorm_min()},
    };
    for (const ReadCase& c : cases) {
        std::optional<Measure> value = ReadMeasure(c.text);
        ASSERT_TRUE(value.has_value()) << c.text;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(*value), std::bit_cast<std::uint32_t>(c.value))
            << c.text;
    }
}

TEST(ReadMeasure, FindsNoNumberWhereNoneStarts) {
    const char* const texts[] = {"",   "   ", "abc",          ",5",  "-",   "+",   ".",
                                 "-.", "e5",  "\xe5\x8e\x98", "- 5", "inf", "nan", "cm175"};
    for (const char* text : texts) {
        EXPECT_FALSE(ReadMeasure(text).has_value()) << text;
        EXPECT_EQ(TextToMeasure(text), 0.0f) << text;
    }
}

TEST(ReadMeasure, ValuesBeyondSinglePrecisionStayFiniteAndKeepTheirSign) {
    EXPECT_EQ(TextToMeasure("1e39"), std::numeric_limits<float>::max());
    EXPECT_EQ(TextToMeasure("-1e39"), -std::numeric_limits<float>::max());
    EXPECT_EQ(TextToMeasure(std::string(5000, '9')), std::numeric_limits<float>::max());
    EXPECT_EQ(TextToMeasure("1e-50"), 0.0f);
}

TEST(ReadMeasure, IgnoresBytesAfterTheNumber) {
    std::string text = "42";
    text += '\0';
    text += "999";
    EXPECT_EQ(TextToMeasure(text), 42.0f);
}

struct WriteCase {
    float value;
    const char* text;
};

TEST(MeasureToText, WritesSixSignificantDigitsInGeneralNotation) {
    const WriteCase cases[] = {
        {13.770084f, "13.7701"},
        {0.0f, "0"},
        {-0.98357749f, "-0.983577"},
        {58.03107f, "58.0311"},
        {0.0000015008201f, "1.50082e-006"},
        {100.0f, "100"},
        {0.5f, "0.5"},
        {123456.0f, "123456"},
        {1234567.0f, "1.23457e+006"},
        {0.0001f, "0.0001"},
        {0.00001f, "1e-005"},
        {1e20f, "1e+020"},
        {3.4e38f, "3.4e+038"},
        {-1e-30f, "-1e-030"},
        // An exact half at the sixth digit goes away from zero; the float just below stays.
        {123456.5f, "123457"},
        {-123456.5f, "-123457"},
        {std::nextafter(123456.5f, 0.0f), "123456"},
    };
    for (const WriteCase& c : cases) EXPECT_EQ(MeasureToText(c.value), c.text) << c.value;
}

TEST(MeasureToText, LeavesThreeDigitExponentsAlone) {
    // 1e-40 is subnormal in single precision; its exponent already has three digits.
    EXPECT_EQ(MeasureToText(1e-40f), "9.99995e-041");
    EXPECT_EQ(MeasureToText(std::numeric_limits<float>::denorm_min()), "1.4013e-045");
}

// Only values exactly halfway between two six-digit texts may be written otherwise
// than this library's own stream writes them, and those go away from zero. The
// exact decimal expansion (at most 112 significant digits for a float) tells them.
TEST(MeasureToText, WritesOnlyExactHalvesOtherwiseThanTheStreamAndAwayFromZero) {
    int halves = 0;
    for (std::uint32_t bits = 0; bits < 0x7F800000u; bits += 65521) {
        // A short significand is often an exact half.
        for (std::uint32_t b : {bits, bits & ~0xFFFu}) {
            float value = std::bit_cast<float>(b | (bits & 1u) << 31);
            char exact[160];
            std::snprintf(exact, sizeof exact, "%.120e", std::fabs(static_cast<double>(value)));
            std::string_view rest = std::string_view(exact).substr(7, 115);  // after six digits
            bool half = rest[0] == '5' && rest.find_first_not_of('0', 1) == std::string_view::npos;

            std::ostringstream plain;
            plain.imbue(std::locale::classic());
            plain << value;
            double written = std::strtod(MeasureToText(value).c_str(), nullptr);
            if (half) {
                ++halves;
                EXPECT_GT(std::fabs(written), std::fabs(value)) << exact;
            } else {
                EXPECT_EQ(written, std::strtod(plain.str().c_str(), nullptr)) << exact;
            }
        }
    }
    EXPECT_GT(halves, 100);
}

}  // namespace
}  // namespace tavrimo
