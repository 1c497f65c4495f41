#pragma once
// What the fuzz targets share: libFuzzer's bytes turned into the program's wide
// texts, a check that stops the run when a rule is broken, and an exact model of
// the text-to-integer conversions for the plain decimal forms.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"

namespace fuzz {

// The bytes read as UTF-8, leniently: a byte that starts no valid sequence stands
// for itself (Latin-1), and characters beyond 0xFFFF become surrogate pairs, as in
// the 16-bit wide strings the program gets on Windows. Seeds stay readable text.
inline std::wstring Wide(const std::uint8_t* data, std::size_t size) {
    std::wstring out;
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t b = data[i];
        std::size_t length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        std::uint32_t code = length == 1 ? b : length == 2 ? (b & 0x1Fu) : length == 3 ? (b & 0x0Fu) : (b & 0x07u);
        bool valid = length != 0 && i + length <= size;
        for (std::size_t k = 1; valid && k < length; ++k) {
            if ((data[i + k] & 0xC0) != 0x80) valid = false;
            code = (code << 6) | (data[i + k] & 0x3Fu);
        }
        if (valid && length == 4 && (code < 0x10000 || code > 0x10FFFF)) valid = false;
        if (!valid) {
            out += static_cast<wchar_t>(b);
            ++i;
            continue;
        }
        if (code > 0xFFFF) {
            code -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (code >> 10));
            out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<wchar_t>(code);  // lone surrogates too: Windows strings may hold them
        }
        i += length;
    }
    return out;
}

// One input is several texts separated by NUL bytes: neither a command line nor a
// settings value can hold one. There is always at least one field.
inline std::vector<std::wstring> Fields(const std::uint8_t* data, std::size_t size) {
    std::vector<std::wstring> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == 0) {
            fields.push_back(Wide(data + start, i - start));
            start = i + 1;
        }
    }
    return fields;
}

// Long texts are cut: libFuzzer saves the whole input as the crash file anyway.
inline std::string Printable(const std::wstring& text) {
    constexpr std::size_t kShown = 120;
    std::string out;
    for (wchar_t c : text.substr(0, kShown)) {
        if (c >= 32 && c < 127 && c != L'\\') {
            out += static_cast<char>(c);
        } else {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            out += escaped;
        }
    }
    if (text.size() > kShown) out += "... (" + std::to_string(text.size()) + " characters)";
    return out;
}

[[noreturn]] inline void Fail(const char* rule, const std::wstring& text) {
    std::fprintf(stderr, "\nbroken rule: %s\n  on text \"%s\"\n", rule, Printable(text).c_str());
    std::abort();
}

#define FUZZ_CHECK(condition, text)                            \
    do {                                                       \
        if (!(condition)) ::fuzz::Fail(#condition, (text));    \
    } while (0)

// The outcome of a conversion: a value or the number of the error it raised.
template <typename Int>
struct Converted {
    std::optional<Int> value;
    std::int32_t error = 0;
};

template <typename Int, typename Convert, typename Arg>
Converted<Int> Run(Convert convert, const Arg& arg) {
    Converted<Int> out;
    try {
        out.value = convert(arg);
    } catch (const platform::Error& e) {
        FUZZ_CHECK(!e.description.empty(), L"error " + std::to_wstring(e.number));
        out.error = e.number;
    }
    return out;
}

inline bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
inline bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The integer a plain decimal text ([blanks][sign]digits[.digits][blanks], no
// exponent) rounds to, halves to even, worked out on the digits themselves.
// `huge` when it is 1e10 or more in magnitude, beyond every integer type used.
// Empty for other forms, and for long fractions within 1e-5 of a half: the
// conversion goes through a double, whose 17 digits decide those differently.
struct Exact {
    bool huge = false;
    std::int64_t value = 0;
};

inline std::optional<Exact> ExactRounded(const std::wstring& text) {
    std::size_t i = 0, end = text.size();
    while (i < end && IsBlank(text[i])) ++i;
    while (end > i && IsBlank(text[end - 1])) --end;
    bool negative = false;
    if (i < end && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    std::string whole, fraction;
    while (i < end && IsDigit(text[i])) whole += static_cast<char>(text[i++]);
    if (i < end && text[i] == L'.') {
        ++i;
        while (i < end && IsDigit(text[i])) fraction += static_cast<char>(text[i++]);
    }
    if (i != end || whole.size() + fraction.size() == 0) return std::nullopt;
    whole.erase(0, whole.find_first_not_of('0') == std::string::npos ? whole.size() : whole.find_first_not_of('0'));
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (whole.size() > 10) return Exact{true, 0};
    const std::string first5 = (fraction + "00000").substr(0, 5);
    if ((first5 == "49999" || first5 == "50000") && whole.size() + fraction.size() > 15) return std::nullopt;
    std::int64_t value = whole.empty() ? 0 : std::stoll(whole);
    const bool above = !fraction.empty() && (fraction[0] > '5' || (fraction[0] == '5' && fraction.size() > 1));
    const bool half = fraction == "5";
    if (above || (half && value % 2 != 0)) ++value;
    if (value >= 10000000000) return Exact{true, 0};
    return Exact{false, negative ? -value : value};
}

// What a conversion to Int must give for a text with an exact model.
template <typename Int>
void CheckAgainstExact(const Converted<Int>& got, const Exact& exact, const std::wstring& text) {
    const bool fits = !exact.huge && exact.value >= std::numeric_limits<Int>::min() &&
                      exact.value <= std::numeric_limits<Int>::max();
    if (fits) {
        FUZZ_CHECK(got.value && *got.value == exact.value, text);
    } else {
        FUZZ_CHECK(!got.value && got.error == platform::errors::Overflow, text);
    }
}

}  // namespace fuzz
