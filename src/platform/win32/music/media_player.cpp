#include "platform/win32/music/media_player.h"

#include "platform/win32/win.h"
#include <wmp.h>

#include <utility>

#include "platform/error.h"
#include "platform/win32/bstr.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/music/dshow_player.h"
#include "platform/win32/hresult.h"
#include "platform/win32/threads.h"

namespace win32 {
namespace {

VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// An object the control hands out may come back empty; using it then fails
// as a call on an unset object does.
template <typename T>
void RequireSet(const ComPtr<T>& object) {
    if (!object) throw platform::MakeError(platform::errors::ObjectNotSet);
}

class ControlControls final : public platform::PlayerControls {
public:
    explicit ControlControls(ComPtr<IWMPControls> controls) : controls_(std::move(controls)) {}
    void play() override { ThrowIfFailed(controls_->play()); }
    double get_currentPosition() override {
        double seconds = 0;
        ThrowIfFailed(controls_->get_currentPosition(&seconds));
        return seconds;
    }
    void put_currentPosition(double seconds) override { ThrowIfFailed(controls_->put_currentPosition(seconds)); }

private:
    ComPtr<IWMPControls> controls_;
};

class ControlMedia final : public platform::PlayerMedia {
public:
    explicit ControlMedia(ComPtr<IWMPMedia> media) : media_(std::move(media)) {}
    double get_duration() override {
        double seconds = 0;
        ThrowIfFailed(media_->get_duration(&seconds));
        return seconds;
    }

private:
    ComPtr<IWMPMedia> media_;
};

// The platform's media player control, created without a site: it has no
// window of its own and is driven through its interfaces alone.
class ControlPlayer final : public platform::MediaPlayer {
public:
    explicit ControlPlayer(ComPtr<IWMPPlayer4> player) : player_(std::move(player)) {}

    void put_URL(const std::wstring& url) override {
        const Bstr text(url);
        ThrowIfFailed(player_->put_URL(text.get()));
    }
    // The control opens a file only to play it.
    void Prepare(const std::wstring&) override {}
    std::unique_ptr<platform::PlayerControls> controls() override {
        ComPtr<IWMPControls> controls;
        ThrowIfFailed(player_->get_controls(controls.put()));
        RequireSet(controls);
        return std::make_unique<ControlControls>(std::move(controls));
    }
    std::unique_ptr<platform::PlayerMedia> currentMedia() override {
        ComPtr<IWMPMedia> media;
        ThrowIfFailed(player_->get_currentMedia(media.put()));
        RequireSet(media);
        return std::make_unique<ControlMedia>(std::move(media));
    }
    std::int32_t playState() override {
        WMPPlayState state = wmppsUndefined;
        ThrowIfFailed(player_->get_playState(&state));
        return static_cast<std::int32_t>(state);
    }
    void close() override { ThrowIfFailed(player_->close()); }

private:
    ComPtr<IWMPPlayer4> player_;
};

// Throws if the control is missing, refuses a setting or cannot report its
// state. The state is asked before any file is given: some versions of the
// control answer everything else but cannot be trusted with a file then.
// A refused control's library stays loaded for the rest of the run: threads
// of the control's may still run in it.
std::unique_ptr<platform::MediaPlayer> CreateControlPlayer(const PlayerSettings& stored) {
    ComPtr<IWMPPlayer4> player;
    ThrowIfFailed(CoCreateInstance(__uuidof(WindowsMediaPlayer), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWMPPlayer4),
                                   player.put_void()));
    // No user interface before anything else can show one.
    {
        const Bstr uiMode(stored.uiMode);
        ThrowIfFailed(player->put_uiMode(uiMode.get()));
    }
    ComPtr<IWMPSettings> settings;
    ThrowIfFailed(player->get_settings(settings.put()));
    RequireSet(settings);
    ThrowIfFailed(settings->put_enableErrorDialogs(ToVariantBool(stored.enableErrorDialogs)));
    ThrowIfFailed(settings->put_invokeURLs(ToVariantBool(stored.invokeURLs)));
    {
        const Bstr baseURL(stored.baseURL);
        ThrowIfFailed(settings->put_baseURL(baseURL.get()));
    }
    ThrowIfFailed(settings->put_autoStart(ToVariantBool(stored.autoStart)));
    ThrowIfFailed(settings->put_playCount(stored.playCount));
    ThrowIfFailed(settings->put_volume(stored.volume));
    ThrowIfFailed(settings->put_mute(ToVariantBool(stored.mute)));
    ThrowIfFailed(settings->put_rate(stored.rate));
    ThrowIfFailed(settings->put_balance(stored.balance));
    WMPPlayState state = wmppsUndefined;
    ThrowIfFailed(player->get_playState(&state));
    return std::make_unique<ControlPlayer>(std::move(player));
}

std::unique_ptr<platform::MediaPlayer> CreatePlayer(platform::Background& background) {
    UseCom();
    const PlayerSettings stored;
    try {
        return CreateControlPlayer(stored);
    } catch (const platform::Error&) {
        // Whatever the control refused, our own player honours the same settings.
    }
    return std::make_unique<DShowPlayer>(stored, background);
}

// The player is made the first time it is used: a run that plays no music
// (the preview, the dialog, a command line that ends at once) creates nothing.
class LazyPlayer final : public platform::MediaPlayer {
public:
    explicit LazyPlayer(platform::Background& background) : background_(background) {}
    void put_URL(const std::wstring& url) override { Get().put_URL(url); }
    void Prepare(const std::wstring& url) override { Get().Prepare(url); }
    std::unique_ptr<platform::PlayerControls> controls() override { return Get().controls(); }
    std::unique_ptr<platform::PlayerMedia> currentMedia() override { return Get().currentMedia(); }
    std::int32_t playState() override { return Get().playState(); }
    void close() override {
        if (player_) player_->close();
    }

private:
    platform::MediaPlayer& Get() {
        if (!player_) player_ = CreatePlayer(background_);
        return *player_;
    }
    platform::Background& background_;
    std::unique_ptr<platform::MediaPlayer> player_;
};

}  // namespace

std::unique_ptr<platform::MediaPlayer> CreateMediaPlayer(platform::Background& background) {
    return std::make_unique<LazyPlayer>(background);
}

}  // namespace win32
