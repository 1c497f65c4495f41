#pragma once
// Text-to-number conversions with the platform's rules: blanks around the
// number are allowed, anything else that is not a decimal number is a type
// mismatch, and a result that does not fit is an overflow. Both raise
// platform::Error.
#include <cstdint>
#include <string>

namespace convert {

double ToDouble(const std::wstring& text);
std::int32_t ToLong(const std::wstring& text);    // rounds halves to even
std::int16_t ToInteger(const std::wstring& text); // rounds halves to even
std::int32_t RoundToLong(double value);            // rounds halves to even

}  // namespace convert
