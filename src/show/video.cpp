// The video graph: built step by step, each failed step skipped; restarted at
// its end; stopped and released on the way out.
#include "convert.h"
#include "form1.h"
#include "platform/error.h"
#include "settings/ini.h"
#include "show/end_test.h"

namespace {

constexpr std::int32_t kFullVolume = 0;
constexpr std::int32_t kSilence = -10000;
constexpr std::int32_t WS_VISIBLE_ = 0x10000000;

// A step on a field that was never filled fails like a refused call.
template <typename T>
T& Held(const std::unique_ptr<T>& field) {
    if (!field) throw platform::MakeError(platform::errors::ObjectNotSet);
    return *field;
}

template <typename Step>
void Try(Step step) {
    try {
        step();
    } catch (const platform::Error&) {
        // A failed step leaves the graph as far as it got; the next one runs.
    }
}

}  // namespace

void Form1::OpenDShowFile(const std::wstring& Filename) {
    Try([&] { MediaControl = p_.graphs.CreateFilgraphManager(); });
    videoRendered_ = false;
    Try([&] {
        Held(MediaControl).RenderFile(Filename);
        videoRendered_ = true;
    });
    Try([&] { BasicAudio = Held(MediaControl).QueryBasicAudio(); });
    double sound = 1;  // a setting that is no number keeps the soundtrack
    Try([&] { sound = convert::ToDouble(ReadSetting(ini::kSound, ini::kSoundDefault)); });
    Try([&] { Held(BasicAudio).put_Volume(sound == 1 ? kFullVolume : kSilence); });
    Try([&] { Held(BasicAudio).put_Balance(0); });
    Try([&] { VideoWindow = Held(MediaControl).QueryVideoWindow(); });
    Try([&] { Held(VideoWindow).put_WindowStyle(WS_VISIBLE_); });
    Try([&] { Held(VideoWindow).put_Top(0); });
    Try([&] { Held(VideoWindow).put_Left(0); });
    Try([&] { Held(VideoWindow).put_Width(p_.window.ClientWidth()); });
    Try([&] { Held(VideoWindow).put_Height(p_.window.ClientHeight()); });
    Try([&] { Held(VideoWindow).put_Owner(p_.window.Handle()); });
    Try([&] { Held(VideoWindow).put_FullScreenMode(1); });
    Try([&] { MediaPosition = Held(MediaControl).QueryMediaPosition(); });
    Try([&] { Held(MediaPosition).put_Rate(1.0); });
    // The video window covers Form1, so its keys and clicks must come to Form1.
    Try([&] { Held(VideoWindow).put_MessageDrain(p_.window.Handle()); });
    Try([&] { MediaEvent = Held(MediaControl).QueryMediaEvent(); });
}

// A video that could not be rendered leaves a black screen that still ends
// on input: there is nothing to run or to restart.
void Form1::RunDShow() {
    if (!videoRendered_) return;
    Held(MediaControl).Run();
}

void Form1::LoopDShow() {
    if (!videoRendered_) return;
    const double position = Held(MediaPosition).get_CurrentPosition();
    const double duration = Held(MediaPosition).get_Duration();
    if (AtEnd(position, duration)) {
        Held(MediaPosition).put_CurrentPosition(0.0);
        Held(MediaControl).Run();
        wake_.Soon();
    } else {
        wake_.Clip(position, duration, show::kNormalRate);
    }
}

void Form1::RemoveDShow() {
    try {
        if (MediaControl) MediaControl->Stop();
        if (VideoWindow) VideoWindow->put_Owner(0);
        BasicAudio.reset();
        MediaControl.reset();
        VideoWindow.reset();
        MediaPosition.reset();
        MediaEvent.reset();
        videoRendered_ = false;
    } catch (const platform::Error&) {
        // Whatever is still held stays held until the next graph replaces it.
    }
}
