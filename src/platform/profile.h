#pragma once
#include <cstddef>
#include <string>

namespace platform {

// The platform's profile-string calls on a settings file.
class Profile {
public:
    virtual ~Profile() = default;
    // Copies the value (or def when the file, section or key is missing) into
    // buffer, at most size - 1 characters, terminated; returns the count copied.
    virtual std::size_t GetString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& def, wchar_t* buffer, std::size_t size,
                                  const std::wstring& file) = 0;
    // False when the platform could not store the value.
    virtual bool WriteString(const std::wstring& section, const std::wstring& key,
                             const std::wstring& value, const std::wstring& file) = 0;
    // Whether this user may write the file (or make it, where it is missing); the file is left as it is.
    virtual bool CanWrite(const std::wstring& file) = 0;
    // Why the last WriteString failed, in the platform's words.
    virtual std::wstring LastWriteFailure() = 0;
};

}  // namespace platform
