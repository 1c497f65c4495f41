// The video graph: built step by step, each failed step skipped; restarted at
// its end; stopped and released on the way out.
#include "convert.h"
#include "form1.h"
#include "platform/error.h"
#include "settings/ini.h"
#include "show/end_test.h"
#include "show/steps.h"

namespace {

using show::Held;
using show::Try;

constexpr std::int32_t kFullVolume = 0;
constexpr std::int32_t kSilence = -10000;
constexpr std::int32_t WS_VISIBLE_ = 0x10000000;

}  // namespace

void Form1::OpenDShowFile(const std::wstring& Filename) {
    TakeOverDShowGraph(show::BuildDShowGraph(p_, Filename, Plan()));
    PlaceDShowWindow();
}

show::BuiltVideo show::BuildDShowGraph(platform::Platform& platform, const std::wstring& Filename,
                                       const VideoPlan& plan) {
    BuiltVideo video;
    Try([&] { video.MediaControl = platform.graphs.CreateFilgraphManager(); });
    platform::Rendered rendered;
    Try([&] { rendered = Held(video.MediaControl).RenderFile(Filename); });
    video.rendered = rendered.video;
    if (!video.rendered) {
        // Its soundtrack alone must not play beside the fallback's.
        Try([&] { Held(video.MediaControl).Stop(); });
        video.MediaControl.reset();
        video.Session = OpenFallback(platform, Filename, plan);
        return video;
    }
    Try([&] { video.BasicAudio = Held(video.MediaControl).QueryBasicAudio(); });
    const bool soundtrack = SoundtrackWanted(platform);
    Try([&] { Held(video.BasicAudio).put_Volume(soundtrack ? kFullVolume : kSilence); });
    Try([&] { Held(video.BasicAudio).put_Balance(0); });
    return video;
}

void Form1::TakeOverDShowGraph(show::BuiltVideo built) {
    MediaControl = std::move(built.MediaControl);
    BasicAudio = std::move(built.BasicAudio);
    videoRendered_ = built.rendered;
    Session = std::move(built.Session);
}

bool show::SoundtrackWanted(platform::Platform& platform) {
    double sound = 1;  // a setting that is no number keeps the soundtrack
    Try([&] {
        sound = convert::ToDouble(ini::ReadSetting(platform, ini::kSound, ini::kSoundDefault));
    });
    return sound == 1;
}

// Steps that place the graph's window, which then takes the keyboard: made on
// the window's thread, whose messages flow, so that no key is lost to a
// thread that reads none.
void Form1::PlaceDShowWindow() {
    Try([&] { VideoWindow = Held(MediaControl).QueryVideoWindow(); });
    // The video window will cover Form1 and, full-screen, take the keyboard: its
    // keys and clicks must come to Form1 from the first.
    Try([&] { Held(VideoWindow).put_MessageDrain(p_.window.Handle()); });
    Try([&] { Held(VideoWindow).put_WindowStyle(WS_VISIBLE_); });
    PlaceDShowPicture();
    Try([&] { Held(VideoWindow).put_Owner(p_.window.Handle()); });
    Try([&] { Held(VideoWindow).put_FullScreenMode(1); });
    Try([&] { MediaPosition = Held(MediaControl).QueryMediaPosition(); });
    Try([&] { Held(MediaPosition).put_Rate(1.0); });
    Try([&] { MediaEvent = Held(MediaControl).QueryMediaEvent(); });
}

void Form1::PlaceDShowPicture() {
    Try([&] { Held(VideoWindow).put_Top(0); });
    Try([&] { Held(VideoWindow).put_Left(0); });
    Try([&] { Held(VideoWindow).put_Width(p_.window.ClientWidth()); });
    Try([&] { Held(VideoWindow).put_Height(p_.window.ClientHeight()); });
}

// The same pictures on the other monitors, from the one decode. Where the
// platform cannot, those monitors stay black. Spanned, Form1 shows its part,
// set after the mirror: a renderer connected anew shows all of the picture.
void Form1::MirrorVideo() {
    const show::VideoPlan plan = Plan();
    if (!videoRendered_ || plan.others.empty()) return;
    Try([&] { Held(MediaControl).MirrorVideoTo(plan.others); });
    if (use_ == show::MonitorUse::Span) Try([&] { Held(MediaControl).ShowPart(formPart_); });
}

show::VideoPlan Form1::Plan() {
    show::VideoPlan plan{{p_.window.Handle(), formPart_}, {}, paintAlways_};
    if (use_ == show::MonitorUse::Primary) return plan;
    for (std::size_t i = 0; i < Covers.size() && i < coverParts_.size(); ++i)
        plan.others.push_back({Covers[i], coverParts_[i]});
    return plan;
}

// The video placed again over Form1 as it is now, with its part of the
// picture, and the painters given the covers as they are now: after the
// window or the monitors changed.
void Form1::PlaceVideo() {
    const show::VideoPlan plan = Plan();
    if (Session) Try([&] { Session->Place(formPart_, plan.others); });
    if (!videoRendered_) return;
    PlaceDShowPicture();
    if (use_ != show::MonitorUse::Primary) Try([&] { Held(MediaControl).MirrorVideoTo(plan.others); });
    if (use_ == show::MonitorUse::Span) Try([&] { Held(MediaControl).ShowPart(formPart_); });
}

// A video that could not be rendered leaves a black screen that still ends
// on input: there is nothing to run or to restart.
void Form1::RunDShow() {
    if (!videoRendered_) return;
    Held(MediaControl).Run();
}

void Form1::LoopDShow() {
    if (!videoRendered_) return;
    std::optional<double> read;
    Try([&] { read = Held(MediaPosition).get_CurrentPosition(); });
    if (VideoStalled(read, MediaEvent && MediaEvent->Broken())) return;
    const double position = *read;
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

show::PlayingVideo Form1::TakeVideo() {
    videoRendered_ = false;
    return {std::move(MediaControl), std::move(MediaEvent),  std::move(MediaPosition),
            std::move(VideoWindow),  std::move(BasicAudio), std::move(Session)};
}

double show::StopVideo(PlayingVideo video) {
    double at = 0;
    Try([&] { at = video.Session ? video.Session->Position() : Held(video.MediaPosition).get_CurrentPosition(); });
    Try([&] { Held(video.MediaControl).Stop(); });
    // Hidden at once: its window goes only with the graph's last reference.
    Try([&] { Held(video.VideoWindow).put_Visible(0); });
    return at;
}
