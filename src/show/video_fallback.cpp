// The video through Media Foundation: a stock Windows DirectShow opens no MP4,
// which Media Foundation, shipped with the same systems, plays. Opened only
// where the graph connected no video renderer; otherwise it behaves as the
// graph does: the same sound rule, the same end test, the same black screen
// where it cannot play either.
#include "form1.h"
#include "show/end_test.h"
#include "show/steps.h"
#include "show/video_build.h"

using show::Try;

// On the build's thread. The form's handle was made before the build started
// and stays the same.
std::unique_ptr<platform::MediaSession> show::OpenFallback(platform::Platform& platform,
                                                           const std::wstring& Filename, const VideoPlan& plan) {
    std::unique_ptr<platform::MediaSession> session;
    Try([&] { session = platform.sessions.Open(Filename, plan.form, plan.others, plan.painted); });
    if (!session) return session;  // a black screen, as where the graph renders nothing
    const bool soundtrack = SoundtrackWanted(platform);
    Try([&] { session->SetMasterVolume(soundtrack ? 1.0f : 0.0f); });
    return session;
}

// The session draws into Form1 itself, under whatever controls Form1 shows;
// the graph's own window covers them. (The music's player is left alone.)
void Form1::RunFallback() {
    if (!Session) return;
    for (platform::Control control : {platform::Control::CmdOK, platform::Control::CmdCancel,
                                      platform::Control::Check1, platform::Control::Label4,
                                      platform::Control::Label2, platform::Control::Label3,
                                      platform::Control::Label1, platform::Control::Image1})
        p_.window.HideControl(control);
    Session->Start();
}

// The session's end is the restart's cue only where the end test missed it
// (a pass that came late, a stream shorter than its stated length).
void Form1::LoopFallback() {
    if (!Session) return;
    std::optional<double> read;
    Try([&] { read = Session->Position(); });
    if (VideoStalled(read, Session->Broken())) return;
    const double position = *read;
    const double duration = Session->Duration();
    if (AtEnd(position, duration) || Session->Ended()) {
        Session->Restart();
        wake_.Soon();
    } else {
        wake_.Clip(position, duration, show::kNormalRate);
    }
}

void Form1::RemoveFallback() {
    Session.reset();
}

platform::WakeUp* Form1::VideoNews() {
    if (videoRendered_) return MediaEvent.get();
    return Session.get();
}
