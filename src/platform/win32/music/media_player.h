#pragma once
// The background music player: the platform's media player control where it
// answers, else our own player on DirectShow, both with the control's stored
// settings.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/background.h"
#include "platform/media_player.h"

namespace win32 {

// The settings the control was stored with on the form.
struct PlayerSettings {
    bool autoStart = true;
    std::int32_t playCount = 1;
    std::int32_t volume = 61;  // 0 to 100
    bool mute = false;
    double rate = 1.0;
    std::int32_t balance = 0;  // -100 (left only) to 100 (right only)
    bool enableErrorDialogs = false;
    std::wstring uiMode = L"invisible";
    bool invokeURLs = false;
    std::wstring baseURL;
};

// The control, else our own player, made at the first call on it; ours opens
// its files on background's threads.
std::unique_ptr<platform::MediaPlayer> CreateMediaPlayer(platform::Background& background);

}  // namespace win32
