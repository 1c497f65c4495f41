#pragma once
// The one error type the product raises: a number and a description, like the
// run-time errors the message box at start-up shows. Platform result codes are
// turned into it at the seam; nothing above the seam sees an HRESULT.
#include <cstdint>
#include <string>

namespace platform {

struct Error {
    std::int32_t number;
    std::wstring description;
};

// Run-time error numbers the product raises itself.
namespace errors {
constexpr std::int32_t InvalidArgument = 5;      // "Invalid procedure call or argument"
constexpr std::int32_t Overflow = 6;             // "Overflow"
constexpr std::int32_t OutOfMemory = 7;          // "Out of memory"
constexpr std::int32_t TypeMismatch = 13;        // "Type mismatch"
constexpr std::int32_t Internal = 51;            // "Internal error"
constexpr std::int32_t ObjectNotSet = 91;        // "Object variable not set"
constexpr std::int32_t InvalidPropertyValue = 380;  // "Invalid property value"
}  // namespace errors

Error MakeError(std::int32_t number);  // with the standard description

}  // namespace platform
