// The text-to-number conversions that read settings and the preview handle:
// ToDouble, ToLong, ToInteger, and RoundToLong under them.
#include <cmath>
#include <cstring>

#include "convert.h"
#include "fuzz_support.h"

namespace {

using fuzz::Converted;
using fuzz::Run;

bool SameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

template <typename Int>
void CheckErrorNumber(const Converted<Int>& got, const std::wstring& text) {
    FUZZ_CHECK(got.value || got.error == platform::errors::TypeMismatch || got.error == platform::errors::Overflow,
               text);
}

void CheckRounding(double value) {
    char printed[40];
    std::snprintf(printed, sizeof printed, "%.17g", value);
    const std::wstring shown(printed, printed + std::strlen(printed));
    const auto got = Run<std::int32_t>(convert::RoundToLong, value);
    if (got.value) {
        FUZZ_CHECK(std::fabs(static_cast<double>(*got.value) - value) <= 0.5, shown);
        // A half goes to the even neighbour.
        if (std::fabs(static_cast<double>(*got.value) - value) == 0.5) FUZZ_CHECK(*got.value % 2 == 0, shown);
    } else {
        FUZZ_CHECK(got.error == platform::errors::Overflow, shown);
        // 2147483647.5 goes to the even 2147483648, -2147483648.5 to -2147483648.
        FUZZ_CHECK(!std::isfinite(value) || value >= 2147483647.5 || value < -2147483648.5, shown);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = fuzz::Wide(data, size);
    const auto real = Run<double>(convert::ToDouble, text);
    const auto whole = Run<std::int32_t>(convert::ToLong, text);
    const auto small = Run<std::int16_t>(convert::ToInteger, text);
    CheckErrorNumber(real, text);
    CheckErrorNumber(whole, text);
    CheckErrorNumber(small, text);

    if (real.value) {
        const double value = *real.value;
        FUZZ_CHECK(std::isfinite(value), text);
        // Blanks around the number change nothing.
        const auto padded = Run<double>(convert::ToDouble, L" \t " + text + L"\t ");
        FUZZ_CHECK(padded.value && SameDouble(*padded.value, value), text);
        // The shortest exact text of the value reads back as the same value.
        char shown[40];
        std::snprintf(shown, sizeof shown, "%.17g", value);
        const auto again = Run<double>(convert::ToDouble, std::wstring(shown, shown + std::strlen(shown)));
        FUZZ_CHECK(again.value && SameDouble(*again.value, value), text);
        // The integer conversions are the double, rounded halves to even.
        const auto rounded = Run<std::int32_t>(convert::RoundToLong, value);
        FUZZ_CHECK(whole.value == rounded.value && whole.error == rounded.error, text);
        CheckRounding(value);
        if (whole.value && *whole.value >= INT16_MIN && *whole.value <= INT16_MAX) {
            FUZZ_CHECK(small.value && *small.value == *whole.value, text);
        } else {
            FUZZ_CHECK(!small.value && small.error == platform::errors::Overflow, text);
        }
        if (whole.value) {
            const auto back = Run<std::int32_t>(convert::ToLong, std::to_wstring(*whole.value));
            FUZZ_CHECK(back.value == whole.value, text);
        }
    } else {
        // A text that is no number is no integer either, for the same reason.
        FUZZ_CHECK(!whole.value && whole.error == real.error, text);
        FUZZ_CHECK(!small.value && small.error == real.error, text);
    }

    if (const auto exact = fuzz::ExactRounded(text)) {
        fuzz::CheckAgainstExact(whole, *exact, text);
        fuzz::CheckAgainstExact(small, *exact, text);
    }

    // Any double, also NaN, infinities and the edges of the range, from the raw bytes.
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        CheckRounding(raw);
    }
    return 0;
}
