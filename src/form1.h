#pragma once
// The program's one window: the full-screen saver, the preview inside the
// display settings, or the configuration dialog, as the run mode decides.
// Its operations live beside their subsystems (show/, input/, dialog/).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "show/display_sleep.h"
#include "show/monitors.h"
#include "show/next_wake.h"
#include "show/stall.h"
#include "show/video_build.h"

class Form1 final : public platform::FormEvents, public platform::DirectXEvent8 {
public:
    explicit Form1(platform::Platform& platform);

    // Creates the window hidden with its controls, then runs Form_Load.
    void Load();
    void Form_Load();

    // The saver's set-up and show loop (show/saver.cpp).
    void SaverSetUp();
    void CoverOtherMonitors();
    void ShareOutVideo();
    // The monitors changed while the saver runs: covers and video follow them.
    void Form_DisplayChange();
    void WaitForVideo();
    void BuildVideo();  // off the window's thread, for VideoBuilt to take over
    void StartShow();
    void ShowLoop();
    void ShowLoopPass();
    void StartVideo();  // placed, put where it stood, run: by either path

    // The display's sleep on the power plan's schedule (show/display_off.cpp).
    void WatchPowerPlan();
    // The wait after a pass, at most wakeMs: shorter for the display's moment,
    // kForever once the display sleeps. Stops and resumes the show as needed.
    int FollowPowerPlan(int wakeMs);
    bool ShowPlaying() const { return display_ == show::Display::Playing; }
    // Started and not stopped: the video and the music are the loop's.
    bool ShowRunning() const { return showStarted_ && ShowPlaying(); }

    // Video (show/video.cpp).
    void OpenDShowFile(const std::wstring& Filename);  // built, taken over and placed, in turn
    void TakeOverDShowGraph(show::BuiltVideo built);
    void PlaceDShowWindow();
    void PlaceDShowPicture();  // the video window over Form1's inner area
    void RunDShow();
    void LoopDShow();
    void RemoveDShow();
    void MirrorVideo();
    // The video placed again over Form1 as it is now.
    void PlaceVideo();

    // The video through Media Foundation, where DirectShow rendered no
    // picture (show/video_fallback.cpp); opened by the build.
    void RunFallback();
    void LoopFallback();
    void RemoveFallback();

    // The video's watchdog (show/video_watch.cpp): a video that stalls or
    // reports an error is taken down off the window's thread and built again
    // where it stood. True when this look took it down.
    bool VideoStalled(std::optional<double> position, bool broken);
    void FollowVideoRepair();

    // Music (show/music.cpp).
    void PrepareMp3();
    void PlayMp3();
    void LoopMp3();
    void RestartMp3();
    bool MusicStandsStill(double position);

    // Input and shutdown (input/).
    void InitMouse();
    void DirectXEvent8_DXCallback(std::int32_t eventid);
    void Form_KeyPress();
    void Form_MouseDown();
    void Form_MouseMove();
    void Form_Unload();

    // Configuration dialog (dialog/config_dialog.cpp).
    void ConfigBranch();
    void CmdOK_Click();
    bool soundLocked_ = false;  // the dialog showed the sound setting greyed: OK stores nothing
    void CmdCancel_Click();
    void Label3_Click();
    void Label4_Click();

    // The show loop runs while this is true.
    bool Running = false;
    // The windows over the monitors other than Form1's, owned by Form1's window.
    std::vector<std::intptr_t> Covers;
    // Window mouse moves counted in saver mode; the sixth ends the saver.
    std::int16_t MoveCount = 0;

    // The video graph: all five refer to one graph object while held, and
    // belong to the window's thread (the build hands over what it made).
    std::unique_ptr<platform::BasicAudio> BasicAudio;
    std::unique_ptr<platform::VideoWindow> VideoWindow;
    std::unique_ptr<platform::MediaControl> MediaControl;
    std::unique_ptr<platform::MediaPosition> MediaPosition;
    // Wakes the show loop's wait when the stream ends before the end test saw it.
    std::unique_ptr<platform::MediaEvent> MediaEvent;
    // The video when the graph could not show it; never beside a graph.
    std::unique_ptr<platform::MediaSession> Session;

    // The mouse watch: set once by InitMouse, kept until the process ends.
    std::unique_ptr<platform::DirectX8> Dx;
    std::unique_ptr<platform::DirectInput8> DI;
    std::unique_ptr<platform::DirectInputDevice8> Mouse;
    std::int32_t MouseEventId = 0;

private:
    // platform::FormEvents
    void OnKeyPress() override { Form_KeyPress(); }
    void OnMouseDown() override { Form_MouseDown(); }
    void OnMouseMove() override { Form_MouseMove(); }
    void OnUnload() override { Form_Unload(); }
    void OnClick(platform::Control control) override;
    void OnDisplayChange() override { Form_DisplayChange(); }
    // platform::DirectXEvent8
    void DXCallback(std::int32_t eventid) override { DirectXEvent8_DXCallback(eventid); }

    std::wstring ReadSetting(const std::wstring& key, const std::wstring& def);
    // "sound" read now is exactly "1": music is played and restarted.
    bool MusicWanted();
    // The "path" setting read now, followed by the music's file name.
    std::wstring MusicFile();
    // False while the graph is being built on its own thread; once built, the
    // graph has been taken over.
    bool VideoBuilt();
    // The video, moved out whole for the stop's thread.
    show::PlayingVideo TakeVideo();
    // A video plays, through either path: its end test may need a pass.
    bool VideoPlays() const { return videoRendered_ || Session; }
    // What the window's wait wakes on besides input: the playing video's news.
    platform::WakeUp* VideoNews();

    platform::Platform& p_;
    // The graph connected a video renderer: it has a video to run and restart.
    bool videoRendered_ = false;
    // The graph being built off the window's thread.
    platform::Handover<show::BuiltVideo> videoBuild_;
    // The music was given a file: its end test may need a pass.
    bool musicGiven_ = false;
    // The player was seen playing: a stop from now on is the track's end.
    bool musicPlayed_ = false;
    // When the player was first seen opening, while it still is.
    std::optional<std::uint32_t> musicOpeningSince_;
    // The music's and the video's positions as last read while playing.
    show::StallWatch musicStill_;
    show::StallWatch videoStill_;
    // A stalled video being taken down and built again where it stood.
    enum class Repair { None, Stopping, Waiting, Building };
    Repair repair_ = Repair::None;
    show::Rebuilds rebuilds_;
    double videoSeenAt_ = 0;  // seconds, where the video's last look saw it
    // A session's renderer stood still: its rebuilds draw through the painter.
    bool paintAlways_ = false;
    // How long the wait after the current pass of the show loop may last.
    show::NextWake wake_{false};
    // What the monitors show ("monitors" setting), and each one's part of
    // the picture: Form1's, and the covers' in the order of Covers.
    std::vector<platform::Monitor> monitors_;  // as last listed
    show::MonitorUse use_ = show::MonitorUse::All;
    platform::Part formPart_;
    std::vector<platform::Part> coverParts_;
    // Where each of Covers lies, in its order.
    std::vector<platform::Rect> coveredBounds_;
    // Where the video is drawn, as use_ and the covers have it now.
    show::VideoPlan Plan();

    // The display's sleep (show/display_off.cpp).
    void ReadPowerPlan();
    void StopShow();
    void HandOverVideo();  // to the stop's thread, whichever path plays it
    void TakeStoppedVideo();
    void BlankEveryMonitor();
    bool ResumeShow();
    void SeekWhereStopped();
    std::uint32_t planSeconds_ = 0;  // 0: never
    show::Display display_ = show::Display::Playing;
    bool setUpDone_ = false;      // the set-up has come to starting the show
    bool showStarted_ = false;    // video run and music given, until stopped
    bool resumeWanted_ = false;   // the display came back on without input
    bool videoReleased_ = false;  // the video went with the stop: built anew to resume
    // The video being stopped and let go off the window's thread; hands back
    // where it stood.
    platform::Handover<double> videoStop_;
    double videoResumeAt_ = 0;    // seconds, for once the video runs again
    double musicResumeAt_ = 0;    // seconds, for once the music plays again
    std::uint32_t stoppingSince_ = 0;
    bool litAgain_ = false;       // the display came back on at litSince_
    std::uint32_t litSince_ = 0;
    // Kept lit by another program's request, last seen at this tick.
    std::optional<std::uint32_t> requestSeen_;
    int TurnDisplayOffUnlessHeld();
};
