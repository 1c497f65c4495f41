#include "platform/error.h"

namespace platform {

Error MakeError(std::int32_t number) {
    switch (number) {
    case errors::InvalidArgument: return {number, L"Invalid procedure call or argument"};
    case errors::Overflow: return {number, L"Overflow"};
    case errors::OutOfMemory: return {number, L"Out of memory"};
    case errors::Internal: return {number, L"Internal error"};
    case errors::TypeMismatch: return {number, L"Type mismatch"};
    case errors::ObjectNotSet: return {number, L"Object variable or With block variable not set"};
    case errors::InvalidPropertyValue: return {number, L"Invalid property value"};
    default: return {number, L"Application-defined or object-defined error"};
    }
}

}  // namespace platform
