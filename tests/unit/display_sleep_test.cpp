#include "test_support.h"

#include "show/display_sleep.h"
#include "show/next_wake.h"

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
    const std::vector<int>& Waits() const { return f.window.waited; }
    std::vector<int> WaitsFrom(std::size_t first) const { return {Waits().begin() + first, Waits().end()}; }
    // Calls from the first one starting with name on.
    std::vector<std::string> From(const std::string& name) const {
        const auto& c = f.log.calls;
        auto at = std::find_if(c.begin(), c.end(), [&](const std::string& s) { return s.rfind(name, 0) == 0; });
        return {at, c.end()};
    }
    // Calls from the last one starting with name on.
    std::vector<std::string> FromLast(const std::string& name) const {
        const auto& c = f.log.calls;
        auto at = std::find_if(c.rbegin(), c.rend(), [&](const std::string& s) { return s.rfind(name, 0) == 0; });
        return {at == c.rend() ? c.end() : std::prev(at.base()), c.end()};
    }
};

TEST_F(DisplaySleepTest, NeverInEachOfItsFormsLeavesTheShowAsItWas) {
    for (const platform::DisplayTimeout never : {platform::DisplayTimeout{PlanRead::NoLibrary, 5},
                                                 platform::DisplayTimeout{PlanRead::NoFunction, 5},
                                                 platform::DisplayTimeout{PlanRead::Failed, 5},
                                                 platform::DisplayTimeout{PlanRead::Read, 0}}) {
        f.log.Clear();
        f.window.waited.clear();
        f.graphs.outcome.running = false;
        f.player.outcome = {};
        f.power.ac = never;
        f.power.lastInput = f.power.now - 3600000;  // idle for an hour
        Form1 saver(f.platform);
        f.window.script = {[] {}, [] {}, [this] { f.window.events->OnKeyPress(); }};
        EXPECT_THROW(saver.Load(), fakes::ProgramEnded);
        EXPECT_THAT(f.power.turnedOff, IsEmpty());
        EXPECT_TRUE(f.graphs.outcome.running);
        EXPECT_TRUE(f.player.outcome.playing);
        // No moment shortens the waits.
        EXPECT_THAT(Waits(), Each(show::kPlayingCapMs));
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
    // 7 s in, past the battery's 3 s: the mains' never holds.
    EXPECT_THAT(f.power.turnedOff, IsEmpty());
    EXPECT_TRUE(f.graphs.outcome.running);
}

TEST_F(DisplaySleepTest, TheMomentStopsTheShowThenTurnsTheDisplayOff) {
    f.power.lastInput = f.power.now - 2000;  // idle before the saver began
    bool showGoneFirst = true;
    f.power.whenOff = [this, &showGoneFirst] {
        const auto& graph = f.graphs.outcome;
        showGoneFirst = showGoneFirst && graph.held == 0 && !graph.running && !graph.visible && f.player.outcome.url.empty() &&
                        f.monitors.blanked == std::set<std::intptr_t>{0x1234};
    };
    Run({[] {}, [this] { Later(2500); }, [this] { Later(600); }, [] {}, [] {}});
    // The waits end at the moment: 3 s left at first, then 0.5 s.
    ASSERT_EQ(Waits().size(), 5u);
    EXPECT_LE(Waits()[0], 3000);
    EXPECT_EQ(Waits()[1], 500);
    // The video stopped, hidden and let go, the music closed and the screen black; then,
    // with no request to keep it, the display off through Form1's own window, once.
    EXPECT_TRUE(showGoneFirst);
    EXPECT_THAT(f.power.turnedOff, ElementsAre(0x1234));
    EXPECT_EQ(form.MediaControl, nullptr);
    // Then the loop waits on input alone, and asks nothing more of the media.
    EXPECT_THAT(WaitsFrom(2), Each(show::kForever));
    const auto after = From("Power.TurnDisplayOff");
    EXPECT_THAT(after, Not(Contains("MediaPosition.get_CurrentPosition()")));
    EXPECT_THAT(after, Not(Contains("Mp3.playState()")));
}

TEST_F(DisplaySleepTest, ADisplayRequestOfAnotherProgramKeepsTheDisplayOnAndIsLookedAtAgainEachMinute) {
    f.power.requests = platform::DisplayRequests::Held;
    Run({[this] { Later(6000); }, [this] { Later(30000); }, [this] { Later(30000); },
         [this] { f.power.requests = platform::DisplayRequests::None; }, [this] { Later(60000); }, [] {}});
    EXPECT_FALSE(f.graphs.outcome.running);
    EXPECT_EQ(f.graphs.outcome.held, 0);
    // At the moment, a minute later (a wake after 30 s looks not), and a minute after that.
    EXPECT_EQ(f.log.Named("Power.DisplayRequested").size(), 3u);
    EXPECT_THAT(f.power.turnedOff, ElementsAre(0x1234));
    EXPECT_THAT(Waits(), ElementsAre(show::kRequestLookMs, 30000, show::kRequestLookMs, show::kRequestLookMs,
                                     show::kForever, show::kForever));
}

TEST_F(DisplaySleepTest, ALockedSessionKeepsTheShowStoppedUntilItIsUnlocked) {
    Run({[this] { f.power.locked = true; },  // while playing
         [this] { f.power.news.display = DisplayState::Off; },
         [this] { f.power.news.display = DisplayState::On; },  // a wake from standby, still locked
         [] {}, [this] { f.power.locked = false; }, [] {}});
    EXPECT_THAT(f.log.Named("Mp3.close"), ElementsAre("Mp3.close()"));
    // Built and played again once unlocked, not before.
    EXPECT_EQ(f.log.Named("MediaControl.RenderFile").size(), 2u);
    EXPECT_EQ(f.log.Named("Mp3.put_URL").size(), 2u);
    EXPECT_THAT(Waits(), ElementsAre(show::kForever, show::kForever, show::kForever, show::kForever,
                                     show::kPlayingCapMs, show::kPlayingCapMs));
    EXPECT_TRUE(f.graphs.outcome.running);
}

TEST_F(DisplaySleepTest, AMomentPassedBeforeTheStartTurnsTheDisplayOffAtOnceAndStartsNothing) {
    f.power.lastInput = f.power.now - 60000;
    Run({[] {}, [] {}});
    EXPECT_THAT(f.power.turnedOff, ElementsAre(0x1234));
    EXPECT_THAT(f.log.Named("MediaControl.Run"), IsEmpty());
    EXPECT_THAT(f.log.Named("Mp3"), IsEmpty());
    EXPECT_THAT(Waits(), Each(show::kForever));
}

TEST_F(DisplaySleepTest, AVideoBuiltAfterTheMomentDoesNotStartPlaying) {
    f.background.holdWork = true;
    Run({[] {}, [this] { Later(6000); }, [this] { f.background.Finish(); }, [] {}});
    EXPECT_THAT(f.log.Named("MediaControl.RenderFile"), ElementsAre("MediaControl.RenderFile(Trevlin.evc)"));
    EXPECT_THAT(f.log.Named("MediaControl.Run"), IsEmpty());
    EXPECT_THAT(f.log.Named("Mp3"), IsEmpty());
    EXPECT_THAT(f.power.turnedOff, ElementsAre(0x1234));
    // The build's wait ends at the moment, then on input (and the build's end) alone.
    EXPECT_EQ(Waits()[0], 5000);
    EXPECT_THAT(WaitsFrom(1), Each(show::kForever));
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
    EXPECT_THAT(f.log.Named("Mp3.close"), ElementsAre("Mp3.close()"));
    // Already dark: nobody is asked to turn it off.
    EXPECT_THAT(f.power.turnedOff, IsEmpty());
    // A graph built anew, put where the video stopped before it runs (a seek of a running
    // graph stops it); the music given again and put where it stopped once it plays.
    EXPECT_THAT(f.log.Named("MediaControl.RenderFile"),
                ElementsAre("MediaControl.RenderFile(Trevlin.evc)", "MediaControl.RenderFile(Trevlin.evc)"));
    const auto resumed = From("MediaPosition.put_CurrentPosition");
    ASSERT_GE(resumed.size(), 2u);
    EXPECT_THAT(std::vector<std::string>(resumed.begin(), resumed.begin() + 2),
                ElementsAre("MediaPosition.put_CurrentPosition(7.5)", "MediaControl.Run()"));
    EXPECT_TRUE(f.graphs.outcome.running);
    EXPECT_TRUE(f.player.outcome.playing);
    EXPECT_EQ(f.player.state.position, 42);
    EXPECT_GT(FromLast("Mp3.put_URL").size(), From("Mp3.controls.put_currentPosition").size());
    // Off: input alone wakes the wait. On again: the new deadline counts from then.
    EXPECT_EQ(Waits()[1], show::kForever);
    EXPECT_EQ(Waits().back(), 500);
}

TEST_F(DisplaySleepTest, AStopThatDoesNotReturnKeepsNeitherTheDisplayOnNorTheResumeFromWaiting) {
    // The request seen may be that of the stuck graph itself.
    f.power.requests = platform::DisplayRequests::Held;
    bool blackFirst = false;
    f.power.whenOff = [&] { blackFirst = f.monitors.blanked.count(0x1234) > 0; };
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
    EXPECT_THAT(f.power.turnedOff, ElementsAre(0x1234));
    EXPECT_TRUE(blackFirst);  // the stuck video's last picture is gone too
    // The stop is waited for its grace only; then input alone ends the waits. The stop's
    // end wakes them too, and only then does the video, its thread's until then, run again.
    ASSERT_GE(Waits().size(), 3u);
    EXPECT_EQ(Waits()[0], show::kStopGraceMs);
    EXPECT_THAT(std::vector<int>(Waits().begin() + 1, Waits().begin() + 3), Each(show::kForever));
    EXPECT_EQ(f.log.Named("MediaControl.Run").size(), 2u);
    EXPECT_TRUE(f.graphs.outcome.running);
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
    // The session let go; every monitor black.
    EXPECT_THAT(f.monitors.blanked, ElementsAre(0x1234, 0x2001));
    EXPECT_GT(From("Session.Release").size(), From("Monitors.Blank").size());
    // Built anew the same way, onto the cover too, and started where it stopped, at full volume.
    EXPECT_THAT(f.log.Named("MediaSessions.Open"), ElementsAre("MediaSessions.Open(Trevlin.evc,4660,8193)",
                                                               "MediaSessions.Open(Trevlin.evc,4660,8193)"));
    EXPECT_EQ(f.sessions.outcome.open, 1);
    EXPECT_TRUE(f.sessions.outcome.started);
    EXPECT_EQ(f.sessions.state.position, 3.5);
    EXPECT_EQ(f.sessions.outcome.volume, 1.0f);
}
