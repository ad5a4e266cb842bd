#pragma once

#include "core/measure.h"

namespace tavrimo {

// The circle constant rounded to single precision. The estimates depend on
// this rounding, so it is a float variable and not the double constant.
extern const float PI;

inline constexpr double BaseHeight = 105.0;
// 0.618 as a float, widened: the single-precision rounding shows in the digits.
inline constexpr double LengthRatio = static_cast<double>(0.618f);
inline constexpr double MaxHeight = 400.0;

// True unless h > 400 or h <= 0 (so a NaN, which fails both, is accepted).
bool IsHeightAccepted(Measure h);

// length = (h - 105) * 0.618 / pi, in double precision, rounded to single.
Measure EstimateLength(Measure h);

// diameter = length / pi, from the already rounded single-precision length.
Measure EstimateDiameter(Measure length);

}  // namespace tavrimo
