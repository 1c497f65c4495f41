#pragma once
// Our own music player on a DirectShow filter graph, for systems whose media
// player control does not answer. It never waits on the graph: the end of the
// stream is noticed when the state or a position is next asked for.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/background.h"
#include "platform/media_player.h"
#include "platform/win32/music/media_player.h"

namespace win32 {

class DShowTrack;

class DShowPlayer final : public platform::MediaPlayer {
public:
    DShowPlayer(const PlayerSettings& settings, platform::Background& background);
    ~DShowPlayer() override;
    DShowPlayer(const DShowPlayer&) = delete;
    DShowPlayer& operator=(const DShowPlayer&) = delete;

    void put_URL(const std::wstring& url) override;
    void Prepare(const std::wstring& url) override;
    std::unique_ptr<platform::PlayerControls> controls() override;
    std::unique_ptr<platform::PlayerMedia> currentMedia() override;
    std::int32_t playState() override;
    void close() override;

private:
    // Shared with the controls and media objects handed out, which may
    // outlive a call but act on whatever file is open now.
    std::shared_ptr<DShowTrack> track_;
};

// The control's volume scale in the graph's hundredths of a decibel, so that
// amplitude is in proportion to the setting.
std::int32_t VolumeToHundredthsOfDb(std::int32_t volume);
// The control's balance scale in the graph's: the far side is lowered so that
// its amplitude is in proportion to 100 minus the setting's size.
std::int32_t BalanceToHundredthsOfDb(std::int32_t balance);

}  // namespace win32
