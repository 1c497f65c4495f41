#include "convert.h"

#include <cfenv>
#include <cmath>
#include <limits>
#include <cstdlib>
#include <optional>

#include "platform/error.h"

namespace convert {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Sign, digits, an optional fraction and exponent, with blanks around it.
std::optional<double> ParseDecimal(const std::wstring& text) {
    std::size_t i = 0, n = text.size();
    while (i < n && IsBlank(text[i])) ++i;
    std::size_t end = n;
    while (end > i && IsBlank(text[end - 1])) --end;
    std::string ascii;
    if (i < end && (text[i] == L'+' || text[i] == L'-')) ascii += static_cast<char>(text[i++]);
    std::size_t digits = 0;
    while (i < end && IsDigit(text[i])) { ascii += static_cast<char>(text[i++]); ++digits; }
    if (i < end && text[i] == L'.') {
        ascii += '.';
        ++i;
        while (i < end && IsDigit(text[i])) { ascii += static_cast<char>(text[i++]); ++digits; }
    }
    if (digits == 0) return std::nullopt;
    if (i < end && (text[i] == L'e' || text[i] == L'E')) {
        ascii += 'e';
        ++i;
        if (i < end && (text[i] == L'+' || text[i] == L'-')) ascii += static_cast<char>(text[i++]);
        std::size_t expDigits = 0;
        while (i < end && IsDigit(text[i])) { ascii += static_cast<char>(text[i++]); ++expDigits; }
        if (expDigits == 0) return std::nullopt;
    }
    if (i != end) return std::nullopt;
    return std::strtod(ascii.c_str(), nullptr);
}

template <typename Int>
Int RoundTo(double value) {
    if (!std::isfinite(value)) throw platform::MakeError(platform::errors::Overflow);
    // The default rounding mode sends halves to the even neighbour.
    const double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        throw platform::MakeError(platform::errors::Overflow);
    return static_cast<Int>(rounded);
}

}  // namespace

double ToDouble(const std::wstring& text) {
    auto value = ParseDecimal(text);
    if (!value) throw platform::MakeError(platform::errors::TypeMismatch);
    if (!std::isfinite(*value)) throw platform::MakeError(platform::errors::Overflow);
    return *value;
}

std::int32_t ToLong(const std::wstring& text) { return RoundTo<std::int32_t>(ToDouble(text)); }
std::int16_t ToInteger(const std::wstring& text) { return RoundTo<std::int16_t>(ToDouble(text)); }
std::int32_t RoundToLong(double value) { return RoundTo<std::int32_t>(value); }

}  // namespace convert
