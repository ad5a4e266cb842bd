#include "core/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace tavrimo {
namespace {

constexpr std::string_view kBlanks = " \t\n\v\f\r";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSign(char c) { return c == '+' || c == '-'; }

// Length of the number at the start of `text` (after any blanks), or 0 when
// there is none. Stopping here, not in the C library, keeps a dangling exponent,
// hexadecimal, "inf", "nan" and whatever follows the number out of the conversion.
std::size_t NumberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && IsSign(text[i])) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;

    std::size_t mantissaEnd = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && IsSign(text[i])) ++i;
        std::size_t exponentStart = i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        if (i == exponentStart) return mantissaEnd;
    }
    return i;
}

// Some C libraries write two exponent digits; the program always shows at least
// three ("1.50082e-006"), as the platform's run-time library does.
std::string WidenExponent(std::string text) {
    std::size_t e = text.find('e');
    if (e == std::string::npos || e + 1 >= text.size()) return text;
    std::size_t digitsStart = IsSign(text[e + 1]) ? e + 2 : e + 1;
    std::size_t digits = text.size() - digitsStart;
    if (digits < 3) text.insert(digitsStart, 3 - digits, '0');
    return text;
}

}  // namespace

// The C library's conversions are correctly rounded on every build (glibc's, and
// mingw-w64's own, which its headers choose over the platform's). They follow the C
// locale's decimal point, and nothing in the program sets a locale, so it stays ".".
std::optional<Measure> ReadMeasure(std::string_view text) {
    std::size_t start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return std::nullopt;
    text.remove_prefix(start);
    std::size_t length = NumberLength(text);
    if (length == 0) return std::nullopt;

    const std::string number(text.substr(0, length));
    Measure value = std::strtof(number.c_str(), nullptr);
    // Beyond single precision: such a height is never accepted, and it stays a
    // number that the estimates can still be computed from.
    if (std::isinf(value)) return std::copysign(std::numeric_limits<Measure>::max(), value);
    return value;
}

Measure TextToMeasure(std::string_view text) { return ReadMeasure(text).value_or(0); }

std::string MeasureToText(Measure value) {
    // The platform's run-time library writes a value that lies exactly halfway
    // between two six-digit texts away from zero; a C library may round it to even.
    // A float widened to double is never within one double step of such a
    // halfway point unless it is on it, so writing the next double away from
    // zero changes exactly those values and no others.
    double widened = value;
    if (std::isfinite(widened) && widened != 0)
        widened = std::nextafter(widened, std::copysign(HUGE_VAL, widened));
    // "-1.23457e-045" and "-inf" take 14 bytes at most.
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", widened);
    return WidenExponent(text);
}

}  // namespace tavrimo
