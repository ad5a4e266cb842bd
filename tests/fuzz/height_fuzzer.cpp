// Feeds arbitrary bytes through everything a height text meets: the read, the
// check, the estimates and both writes, and checks what must hold for every input.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/estimate.h"
#include "core/number_text.h"

namespace {

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

bool SameRead(std::optional<tavrimo::Measure> a, std::optional<tavrimo::Measure> b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || std::bit_cast<std::uint32_t>(*a) == std::bit_cast<std::uint32_t>(*b);
}

// A byte that can neither start nor continue a number, nor be skipped as a blank.
bool EndsAnyNumber(unsigned char c) {
    return std::string_view("0123456789+-.eE \t\n\v\f\r").find(static_cast<char>(c)) ==
           std::string_view::npos;
}

void CheckWriting(tavrimo::Measure value) {
    std::string text = tavrimo::MeasureToText(value);
    Require(!text.empty() && text.size() <= 64, "a written text has 1 to 64 bytes");
    if (!std::isfinite(value)) return;
    // Written, read back and written again: the same text.
    Require(tavrimo::MeasureToText(tavrimo::TextToMeasure(text)) == text, "writing is stable");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::optional<tavrimo::Measure> read = tavrimo::ReadMeasure(text);
    Require(!read || !std::isnan(*read), "a read never yields NaN");

    tavrimo::Measure height = tavrimo::TextToMeasure(text);
    if (tavrimo::IsHeightAccepted(height)) {
        Require(!std::isnan(height) && height > 0 && height <= 400,
                "accepted heights lie in (0, 400]");
    }
    tavrimo::Measure length = tavrimo::EstimateLength(height);
    CheckWriting(length);
    CheckWriting(tavrimo::EstimateDiameter(length));
    CheckWriting(height);

    // Whatever follows a byte that ends every number does not change the read.
    for (std::size_t i = 0; i < size; ++i) {
        if (!EndsAnyNumber(data[i])) continue;
        Require(SameRead(tavrimo::ReadMeasure(text.substr(0, i)), read),
                "bytes after the number do not change the read");
        break;
    }
    return 0;
}
