#include "platform/win32/music/dshow_player.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/win32/music/dshow_track.h"

namespace win32 {
namespace {

constexpr std::int32_t kSilence = -10000;  // hundredths of a decibel

}  // namespace

std::int32_t VolumeToHundredthsOfDb(std::int32_t volume) {
    if (volume >= 100) return 0;
    if (volume <= 0) return kSilence;
    const long level = std::lround(2000.0 * std::log10(volume / 100.0));
    return std::max(static_cast<std::int32_t>(level), kSilence);
}

std::int32_t BalanceToHundredthsOfDb(std::int32_t balance) {
    const std::int32_t size = std::min(std::abs(balance), 100);
    const std::int32_t lowered = -VolumeToHundredthsOfDb(100 - size);
    return balance < 0 ? -lowered : lowered;  // positive lowers the left side
}

namespace {

class TrackControls final : public platform::PlayerControls {
public:
    explicit TrackControls(std::shared_ptr<DShowTrack> track) : track_(std::move(track)) {}
    void play() override { track_->Play(); }
    double get_currentPosition() override { return track_->Position(); }
    void put_currentPosition(double seconds) override { track_->Seek(seconds); }

private:
    std::shared_ptr<DShowTrack> track_;
};

class TrackMedia final : public platform::PlayerMedia {
public:
    explicit TrackMedia(std::shared_ptr<DShowTrack> track) : track_(std::move(track)) {}
    double get_duration() override { return track_->Duration(); }

private:
    std::shared_ptr<DShowTrack> track_;
};

}  // namespace

DShowPlayer::DShowPlayer(const PlayerSettings& settings, platform::Background& background)
    : track_(std::make_shared<DShowTrack>(settings, background)) {}

DShowPlayer::~DShowPlayer() = default;

void DShowPlayer::put_URL(const std::wstring& url) { track_->Open(url); }

void DShowPlayer::Prepare(const std::wstring& url) { track_->Prepare(url); }

std::unique_ptr<platform::PlayerControls> DShowPlayer::controls() {
    return std::make_unique<TrackControls>(track_);
}

std::unique_ptr<platform::PlayerMedia> DShowPlayer::currentMedia() { return std::make_unique<TrackMedia>(track_); }

std::int32_t DShowPlayer::playState() { return track_->State(); }

void DShowPlayer::close() { track_->Close(); }

}  // namespace win32
