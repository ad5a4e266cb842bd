#include "core/number_text.h"

#include <cmath>
#include <limits>
#include <locale>
#include <sstream>

namespace tavrimo {
namespace {

constexpr std::string_view kBlanks = " \t\n\v\f\r";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSign(char c) { return c == '+' || c == '-'; }

// Length of the number at the start of `text` (after any blanks), or 0 when
// there is none. Stopping here, not in the stream, keeps a dangling exponent
// and whatever follows the number out of the conversion.
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

// The platform's own writer may give two exponent digits; the program always
// shows at least three ("1.50082e-006").
std::string WidenExponent(std::string text) {
    std::size_t e = text.find('e');
    if (e == std::string::npos || e + 1 >= text.size()) return text;
    std::size_t digitsStart = IsSign(text[e + 1]) ? e + 2 : e + 1;
    std::size_t digits = text.size() - digitsStart;
    if (digits < 3) text.insert(digitsStart, 3 - digits, '0');
    return text;
}

}  // namespace

std::optional<Measure> ReadMeasure(std::string_view text) {
    std::size_t start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return std::nullopt;
    text.remove_prefix(start);
    std::size_t length = NumberLength(text);
    if (length == 0) return std::nullopt;

    std::stringstream stream(std::string(text.substr(0, length)), std::ios::in | std::ios::out);
    stream.imbue(std::locale::classic());
    Measure value = 0;
    stream >> value;
    if (stream.fail()) {
        // The digits were a valid number, so the stream can only have failed
        // because it lies beyond single precision. Such a height is never
        // accepted, whatever this library would have stored.
        bool negative = text.front() == '-';
        return negative ? -std::numeric_limits<Measure>::max()
                        : std::numeric_limits<Measure>::max();
    }
    return value;
}

Measure TextToMeasure(std::string_view text) { return ReadMeasure(text).value_or(0); }

std::string MeasureToText(Measure value) {
    // The platform's run-time library writes a value that lies exactly halfway
    // between two six-digit texts away from zero; this library rounds it to even.
    // A float widened to double is never within one double step of such a
    // halfway point unless it is on it, so writing the next double away from
    // zero changes exactly those values and no others.
    double widened = value;
    if (std::isfinite(widened) && widened != 0)
        widened = std::nextafter(widened, std::copysign(HUGE_VAL, widened));
    std::stringstream stream(std::ios::in | std::ios::out);
    stream.imbue(std::locale::classic());
    stream << widened;
    return WidenExponent(stream.str());
}

}  // namespace tavrimo
