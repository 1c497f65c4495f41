#include "test_support.h"

#include "show/display_sleep.h"

using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using platform::DisplayState;
using platform::PlanRead;

TEST(DisplaySleepRules, TheMomentCountsAcrossTheTickCountersWrap) {
    // 0x1800 ms gone by since the input, the counter wrapping in between.
    EXPECT_EQ(show::UntilDisplayOff(10, 0xFFFFF000u, 0x00000800u), 10000 - 0x1800);
    EXPECT_EQ(show::UntilDisplayOff(10, 0xFFFFF000u, 0x00002800u + 10000), 0);
    EXPECT_EQ(show::LaterTick(0xFFFFF000u, 0x00000800u), 0x00000800u);
    EXPECT_EQ(show::LaterTick(0x00000800u, 0xFFFFF000u), 0x00000800u);
    // An input read after the clock: no time has gone by, not 49 days.
    EXPECT_EQ(show::UntilDisplayOff(5, 1010, 1000), 5000);
    // The largest plan still fits a wait.
    EXPECT_GT(show::UntilDisplayOff(0xFFFFFFFFu, 0, 0), 0);
}

class DisplaySleepTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        f.power.ac = {PlanRead::Read, 5};
    }
    // Runs the saver with one scripted step per DoEvents; a key at the end.
    void Run(std::vector<std::function<void()>> steps) {
        f.window.script.assign(steps.begin(), steps.end());
        f.window.script.push_back([this] { f.window.events->OnKeyPress(); });
        EXPECT_THROW(form.Load(), fakes::ProgramEnded);
    }
    void Later(std::uint32_t ms) { f.power.now += ms; }
    std::vector<std::string> Waits() const { return f.log.Named("Window.WaitForInput"); }
    // Calls from the first one starting with name on.
    std::vector<std::string> From(const std::string& name) const {
        const auto& c = f.log.calls;
        auto at = std::find_if(c.begin(), c.end(), [&](const std::string& s) { return s.rfind(name, 0) == 0; });
        return {at, c.end()};
    }
};

TEST_F(DisplaySleepTest, NeverInEachOfItsFormsLeavesTheShowAsItWas) {
    for (const platform::DisplayTimeout never : {platform::DisplayTimeout{PlanRead::NoLibrary, 5},
                                                 platform::DisplayTimeout{PlanRead::NoFunction, 5},
                                                 platform::DisplayTimeout{PlanRead::Failed, 5},
                                                 platform::DisplayTimeout{PlanRead::Read, 0}}) {
        f.log.Clear();
        f.power.ac = never;
        f.power.lastInput = f.power.now - 3600000;  // idle for an hour
        Form1 saver(f.platform);
        f.window.script = {[] {}, [] {}, [this] { f.window.events->OnKeyPress(); }};
        EXPECT_THROW(saver.Load(), fakes::ProgramEnded);
        EXPECT_THAT(f.log.Named("Power.TurnDisplayOff"), IsEmpty());
        EXPECT_THAT(f.log.Named("MediaControl.Stop"), IsEmpty());
        EXPECT_THAT(f.log.Named("Mp3.controls.pause"), IsEmpty());
        EXPECT_THAT(Waits(), ElementsAre("Window.WaitForInput(1000,MediaEvent)", "Window.WaitForInput(1000,MediaEvent)"));
    }
}

TEST_F(DisplaySleepTest, OnBatteryThePlansBatteryValueCountsAndAChangeOfSourceReadsItAgain) {
    f.power.onBattery = true;
    f.power.ac = {PlanRead::Read, 0};
    f.power.dc = {PlanRead::Read, 3};
    Run({[this] { Later(1000); },
         [this] {
             f.power.onBattery = false;
             f.power.news.sourceChanged = true;
         },
         [this] { Later(5000); }});
    EXPECT_THAT(f.log.Named("Power.ReadDisplayTimeout"),
                ElementsAre("Power.ReadDisplayTimeout(DC)", "Power.ReadDisplayTimeout(AC)"));
    // 2 s left of the battery's 3 s; then the mains' never.
    EXPECT_THAT(Waits(), ElementsAre("Window.WaitForInput(1000,MediaEvent)", "Window.WaitForInput(1000,MediaEvent)",
                                     "Window.WaitForInput(1000,MediaEvent)"));
    EXPECT_THAT(f.log.Named("Power.TurnDisplayOff"), IsEmpty());
}

TEST_F(DisplaySleepTest, TheMomentStopsTheShowOffTheWindowsThreadThenTurnsTheDisplayOff) {
    f.graphs.state.position = 4.25;
    f.power.lastInput = f.power.now - 2000;  // idle before the saver began
    Run({[] {}, [this] { Later(2500); }, [this] { Later(600); }, [] {}, [] {}});
    // The waits end at the moment: 3 s left at first, then 0.5 s.
    auto waits = Waits();
    ASSERT_EQ(waits.size(), 5u);
    EXPECT_EQ(waits[0], "Window.WaitForInput(1000,MediaEvent)");
    EXPECT_EQ(waits[1], "Window.WaitForInput(500,MediaEvent)");
    // The video stopped, hidden and let go on the stop's thread (the fake runs it at
    // once), the music closed where it was, then (no request to keep it) the display
    // off through Form1's own window.
    const auto stop = From("MediaPosition.get_CurrentPosition");
    auto last = std::find_if(stop.rbegin(), stop.rend(), [](const std::string& s) {
        return s == "Background.Start()";
    });
    ASSERT_NE(last, stop.rend());
    const std::vector<std::string> stopping(last.base() - 1, last.base() + 16);
    EXPECT_THAT(stopping,
                ElementsAre("Background.Start()", "MediaPosition.get_CurrentPosition()", "MediaControl.Stop()",
                            "VideoWindow.put_Visible(0)", "BasicAudio.Release()", "VideoWindow.Release()",
                            "MediaPosition.Release()", "MediaEvent.Release()", "MediaControl.Release()",
                            "Mp3.playState()", "Mp3.controls()", "Mp3.controls.get_currentPosition()",
                            "Mp3.close()", "Monitors.Blank(4660)", "Power.DisplayRequested()",
                            "Power.TurnDisplayOff(4660)",
                            "Window.WaitForInput(-1)"));
    // Then the loop waits on input alone: no time limit, not the graph's notifications.
    EXPECT_THAT(std::vector<std::string>(waits.begin() + 2, waits.end()), Each(std::string("Window.WaitForInput(-1)")));
    // Nothing more is asked of the media while the display sleeps.
    const auto after = From("Power.TurnDisplayOff");
    EXPECT_THAT(after, Not(Contains("MediaPosition.get_CurrentPosition()")));
    EXPECT_THAT(after, Not(Contains("Mp3.playState()")));
}

TEST_F(DisplaySleepTest, ADisplayRequestOfAnotherProgramKeepsTheDisplayOn) {
    f.power.requests = platform::DisplayRequests::Held;
    Run({[this] { Later(6000); }, [] {}});
    EXPECT_THAT(f.log.Named("MediaControl.Stop"), ElementsAre("MediaControl.Stop()"));
    EXPECT_THAT(f.log.Named("Power.DisplayRequested"), ElementsAre("Power.DisplayRequested()"));
    EXPECT_THAT(f.log.Named("Power.TurnDisplayOff"), IsEmpty());
}

TEST_F(DisplaySleepTest, AMomentPassedBeforeTheStartTurnsTheDisplayOffAtOnceAndStartsNothing) {
    f.power.lastInput = f.power.now - 60000;
    Run({[] {}, [] {}});
    EXPECT_THAT(f.log.Named("Power.TurnDisplayOff"), ElementsAre("Power.TurnDisplayOff(4660)"));
    EXPECT_THAT(f.log.Named("MediaControl.Run"), IsEmpty());
    EXPECT_THAT(f.log.Named("Mp3"), IsEmpty());
    EXPECT_THAT(Waits(), ElementsAre("Window.WaitForInput(-1)", "Window.WaitForInput(-1)"));
}

TEST_F(DisplaySleepTest, AVideoBuiltAfterTheMomentDoesNotStartPlaying) {
    f.background.holdWork = true;
    Run({[] {}, [this] { Later(6000); }, [this] { f.background.Finish(); }, [] {}});
    EXPECT_THAT(f.log.Named("MediaControl.RenderFile"), ElementsAre("MediaControl.RenderFile(Trevlin.evc)"));
    EXPECT_THAT(f.log.Named("MediaControl.Run"), IsEmpty());
    EXPECT_THAT(f.log.Named("Mp3"), IsEmpty());
    EXPECT_THAT(f.log.Named("Power.TurnDisplayOff"), ElementsAre("Power.TurnDisplayOff(4660)"));
    // The build's wait ends at the moment, then on input (and the build's end) alone.
    EXPECT_THAT(Waits(), ElementsAre("Window.WaitForInput(5000)", "Window.WaitForInput(-1)", "Window.WaitForInput(-1)"));
}

TEST_F(DisplaySleepTest, DisplayOffByNotificationStopsTheShowAndOnAgainResumesItWithANewDeadline) {
    f.power.ac = {PlanRead::Read, 2};
    f.graphs.state.position = 7.5;
    f.player.state.position = 42;
    Run({[this] { f.power.news.display = DisplayState::Dimmed; },  // dimmed: plays on
         [this] { f.power.news.display = DisplayState::Off; },
         [this] {
             f.graphs.state.position = 0;
             Later(5000);  // long past the old deadline: the new one counts from here
             f.power.news.display = DisplayState::On;
         },
         [this] { Later(1500); }});
    EXPECT_THAT(f.log.Named("MediaControl.Stop"), ElementsAre("MediaControl.Stop()"));
    EXPECT_THAT(f.log.Named("Mp3.close"), ElementsAre("Mp3.close()"));
    // Already dark: nobody is asked to turn it off.
    EXPECT_THAT(f.log.Named("Power.TurnDisplayOff"), IsEmpty());
    // A graph built anew, placed, put where the video stopped before it runs; the music
    // given again and put where it stopped once it plays.
    EXPECT_THAT(f.log.Named("MediaControl.RenderFile"),
                ElementsAre("MediaControl.RenderFile(Trevlin.evc)", "MediaControl.RenderFile(Trevlin.evc)"));
    const auto resumed = From("MediaPosition.put_CurrentPosition");
    ASSERT_GE(resumed.size(), 2u);
    EXPECT_THAT(std::vector<std::string>(resumed.begin(), resumed.begin() + 2),
                ElementsAre("MediaPosition.put_CurrentPosition(7.5)", "MediaControl.Run()"));
    EXPECT_THAT(f.log.Named("Mp3.put_URL"), ElementsAre("Mp3.put_URL(Trevlin.wma)", "Mp3.put_URL(Trevlin.wma)"));
    EXPECT_THAT(f.log.Named("Mp3.controls.put_currentPosition"), ElementsAre("Mp3.controls.put_currentPosition(42)"));
    EXPECT_GT(From("Mp3.put_URL").size(), From("Mp3.controls.put_currentPosition").size());
    EXPECT_THAT(Waits(), ElementsAre("Window.WaitForInput(1000,MediaEvent)", "Window.WaitForInput(-1)",
                                     "Window.WaitForInput(1000,MediaEvent)", "Window.WaitForInput(500,MediaEvent)"));
}

TEST_F(DisplaySleepTest, AStopThatDoesNotReturnKeepsNeitherTheDisplayOnNorTheResumeFromWaiting) {
    Run({[this] {
             f.background.holdWork = true;  // the stop's thread hangs
             Later(6000);
         },
         [this] { Later(show::kStopGraceMs); },
         [this] { f.power.news.display = DisplayState::On; },
         [this] {
             f.background.holdWork = false;
             f.background.Finish();
         },
         [] {}});
    EXPECT_THAT(f.log.Named("Power.TurnDisplayOff"), ElementsAre("Power.TurnDisplayOff(4660)"));
    // Input alone ends the waits; the stop's end wakes them too, and only then does the
    // video, its thread's until then, run again.
    EXPECT_THAT(Waits(), ElementsAre("Window.WaitForInput(2000)", "Window.WaitForInput(-1)", "Window.WaitForInput(-1)",
                                     "Window.WaitForInput(1000,MediaEvent)", "Window.WaitForInput(1000,MediaEvent)"));
    const auto run = f.log.Named("MediaControl.Run");
    EXPECT_EQ(run.size(), 2u);
    EXPECT_GT(From("Power.TurnDisplayOff").size(), From("MediaControl.Stop").size());
}

TEST_F(DisplaySleepTest, ACloseRequestWhileTheStopsThreadHoldsTheVideoLeavesItToThatThread) {
    f.window.script = {[this] {
                           f.background.holdWork = true;
                           Later(6000);
                       },
                       [this] {
                           f.log.Clear();
                           f.window.events->OnUnload();
                       }};
    form.Load();  // returns: the window is gone
    EXPECT_THAT(f.log.Named("MediaControl"), IsEmpty());
    EXPECT_THAT(f.log.Named("VideoWindow"), IsEmpty());
    EXPECT_THAT(f.log.Named("ShowCursor"), ElementsAre("ShowCursor(TRUE)"));
}

TEST_F(DisplaySleepTest, AVideoThroughMediaFoundationStopsAndResumesAsAGraphDoes) {
    f.graphs.state.rendered = {false, true};
    f.sessions.state.position = 3.5;
    f.monitors.monitors.push_back({{1024, 0, 2048, 768}, false});
    Run({[this] { f.power.news.display = DisplayState::Off; },
         [this] {
             f.sessions.state.position = 0;
             f.power.news.display = DisplayState::On;
         },
         [] {}});
    // The session goes to the stop's thread, which reads where it stood and lets it go;
    // then every monitor is black.
    const auto& c = f.log.calls;
    const auto released = std::find(c.begin(), c.end(), "Session.Release()");
    ASSERT_GE(released - c.begin(), 2);
    EXPECT_THAT(std::vector<std::string>(released - 2, released + 1),
                ElementsAre("Background.Start()", "Session.Position()", "Session.Release()"));
    EXPECT_THAT(f.log.Named("Monitors.Blank"), ElementsAre("Monitors.Blank(4660)", "Monitors.Blank(8193)"));
    EXPECT_GT(From("Session.Release").size(), From("Monitors.Blank").size());
    // Built anew the same way, onto the cover too, and started where it stopped.
    EXPECT_THAT(f.log.Named("MediaSessions.Open"), ElementsAre("MediaSessions.Open(Trevlin.evc,4660,8193)",
                                                               "MediaSessions.Open(Trevlin.evc,4660,8193)"));
    EXPECT_THAT(f.log.Named("Session.S"), ElementsAre("Session.SetMasterVolume(1)", "Session.Start()",
                                                      "Session.SetMasterVolume(1)", "Session.Seek(3.5)",
                                                      "Session.Start()"));
}
