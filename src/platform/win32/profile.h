#pragma once
// The settings file through the profile calls.
#include "platform/win32/win.h"

#include <map>
#include <string>

#include "platform/profile.h"

namespace win32 {

// The wide profile calls keep a file without a byte-order mark in the ANSI
// code page, so existing settings files read as before while folder names
// outside that code page still work.
//
// The show loop asks for the same value many times a second. Under Wine each
// profile call opens, checks and closes the file, which alone made most of the
// saver's idle cost; so a value is asked for again only when the file's size
// or time of writing has changed since it was last read (or it was written).
class Profile final : public platform::Profile {
public:
    std::size_t GetString(const std::wstring& section, const std::wstring& key, const std::wstring& def,
                          wchar_t* buffer, std::size_t size, const std::wstring& file) override;
    bool WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                     const std::wstring& file) override;
    bool CanWrite(const std::wstring& file) override;
    std::wstring LastWriteFailure() override { return lastFailure_; }

    struct Read {
        WIN32_FILE_ATTRIBUTE_DATA file{};
        bool fileExists = false;
        std::wstring value;
    };

private:
    std::map<std::wstring, Read> reads_;  // by file, section, key, default and size
    std::wstring lastFailure_;
    SRWLOCK lock_ = SRWLOCK_INIT;  // the graph's build reads a setting on its own thread
};

}  // namespace win32
