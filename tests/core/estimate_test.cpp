#include "core/estimate.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/number_text.h"

namespace tavrimo {
namespace {

TEST(Constants, HaveTheirSinglePrecisionBits) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(PI), 0x40490FDBu);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(static_cast<float>(LengthRatio)), 0x3F1E353Fu);
    EXPECT_EQ(LengthRatio, 0.61799997091293335);
}

struct AcceptCase {
    float height;
    bool accepted;
};

TEST(IsHeightAccepted, AcceptsExactlyTheHalfOpenRangeZeroToFourHundred) {
    const AcceptCase cases[] = {
        {400.0f, true},
        {std::nextafter(400.0f, 500.0f), false},
        {1750.0f, false},
        {std::numeric_limits<float>::max(), false},
        {std::numeric_limits<float>::infinity(), false},
        {0.0f, false},
        {-0.0f, false},
        {-5.0f, false},
        {-std::numeric_limits<float>::infinity(), false},
        {std::numeric_limits<float>::denorm_min(), true},
        {0.001f, true},
        {1.0f, true},
        {104.0f, true},
        {175.0f, true},
        {std::numeric_limits<float>::quiet_NaN(), true},
    };
    for (const AcceptCase& c : cases) EXPECT_EQ(IsHeightAccepted(c.height), c.accepted) << c.height;
}

struct EstimateCase {
    const char* height;
    const char* length;
    const char* diameter;
};

// The written texts show the precision of every step: a double pi or 0.618
// (or dividing the unrounded length by pi) changes the last digit of one of them.
TEST(Estimate, GivesTheWorkedExamplesDigitForDigit) {
    const EstimateCase cases[] = {
        {"1", "-20.4584", "-6.51211"},
        {"5", "-19.6715", "-6.26165"},
        {"0.35", "-20.5863", "-6.55282"},
        {"100", "-0.983577", "-0.313082"},
        {"105", "0", "0"},
        {"150", "8.8522", "2.81774"},
        {"160", "10.8194", "3.44391"},
        {"170", "12.7865", "4.07007"},
        {"175", "13.7701", "4.38315"},
        {"175cm", "13.7701", "4.38315"},
        {"180", "14.7537", "4.69624"},
        {"200", "18.688", "5.94857"},
        {"400", "58.0311", "18.4719"},
        {"105.00001", "1.50082e-006", "4.77726e-007"},
        {"1e-30", "-20.6551", "-6.57473"},
        // Exact halves are written away from zero.
        {"369.5", "52.0313", "16.5621"},
        {"52.1", "-10.4063", "-3.31241"},
        {"230.017", "24.5928", "7.82813"},
        {"12.703", "-18.1563", "-5.77931"},
    };
    for (const EstimateCase& c : cases) {
        Measure length = EstimateLength(TextToMeasure(c.height));
        EXPECT_EQ(MeasureToText(length), c.length) << c.height;
        EXPECT_EQ(MeasureToText(EstimateDiameter(length)), c.diameter) << c.height;
    }
}

TEST(Estimate, RoundsToTheExactSinglePrecisionResults) {
    Measure length = EstimateLength(175.0f);
    EXPECT_EQ(static_cast<double>(length), 13.770084381103516);
    EXPECT_EQ(static_cast<double>(EstimateDiameter(length)), 4.383153915405273);
}

}  // namespace
}  // namespace tavrimo
