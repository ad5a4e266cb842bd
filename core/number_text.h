#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/measure.h"

namespace tavrimo {

// Reads one number from the start of `text`, the way a classic-locale stream
// reads a float: leading white space, optional sign, digits with at most one
// point, optional exponent. Whatever follows the number is ignored, and so is
// an exponent marker with no digits after it ("1e" reads 1). Empty when the
// text does not start with a number.
std::optional<Measure> ReadMeasure(std::string_view text);

// ReadMeasure for callers that need a plain number: text without a number
// reads as 0, which the height check rejects.
Measure TextToMeasure(std::string_view text);

// Writes a value as a default-formatted stream does (six significant digits,
// general notation), with an exponent of at least three digits. A value exactly
// halfway between two such texts is written away from zero.
std::string MeasureToText(Measure value);

}  // namespace tavrimo
