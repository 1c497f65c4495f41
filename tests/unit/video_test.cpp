#include <limits>

#include "show/end_test.h"
#include "show/video_build.h"
#include "test_support.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class VideoTest : public FormTest {
protected:
    void Open() { form.OpenDShowFile(L"C:\\Media\\Trevlin.evc"); }
};

TEST_F(VideoTest, OpenBuildsTheGraphInItsOrder) {
    f.window.clientWidth = 1024;
    f.window.clientHeight = 768;
    Open();
    EXPECT_THAT(f.log.calls,
                ElementsAre("CreateFilgraphManager()", "MediaControl.RenderFile(C:\\Media\\Trevlin.evc)",
                            "MediaControl.QueryBasicAudio()",
                            "Profile.GetString(config,sound,1,C:\\Saver\\Trevlin.ini,255)",
                            "BasicAudio.put_Volume(0)", "BasicAudio.put_Balance(0)", "MediaControl.QueryVideoWindow()",
                            "VideoWindow.put_MessageDrain(4660)", "VideoWindow.put_WindowStyle(0x10000000)", "VideoWindow.put_Top(0)",
                            "VideoWindow.put_Left(0)", "VideoWindow.put_Width(1024)", "VideoWindow.put_Height(768)",
                            "VideoWindow.put_Owner(4660)", "VideoWindow.put_FullScreenMode(1)",
                            "MediaControl.QueryMediaPosition()", "MediaPosition.put_Rate(1)",
                            "MediaControl.QueryMediaEvent()"));
}

TEST_F(VideoTest, TheSoundtrackIsWantedWhenTheSoundSettingReadsAsTheNumberOne) {
    struct Case {
        const wchar_t* sound;
        bool wanted;
    };
    for (const Case& c : {Case{L"1", true}, Case{L"01", true}, Case{L" 1.0 ", true}, Case{L"", true},
                          Case{L"on", true}, Case{L"0", false}, Case{L"2", false}, Case{L"-1", false}}) {
        f.SetSetting(L"sound", c.sound);
        EXPECT_EQ(show::SoundtrackWanted(f.platform), c.wanted) << fakes::Narrow(c.sound);
    }
}

TEST_F(VideoTest, TheSoundSettingTurnsEitherPathsSoundtrackOnOrOff) {
    for (const bool on : {true, false}) {
        f.SetSetting(L"sound", on ? L"1" : L"0");
        Form1 graph(f.platform);
        f.graphs.state.rendered = {true, true};
        graph.OpenDShowFile(L"v.evc");
        EXPECT_EQ(f.graphs.outcome.volume, on ? 0 : -10000) << on;
        Form1 session(f.platform);
        f.graphs.state.rendered = {false, false};
        session.OpenDShowFile(L"v.evc");
        EXPECT_EQ(f.sessions.outcome.volume, on ? 1.0f : 0.0f) << on;
    }
}

TEST_F(VideoTest, EachFailedStepIsSkippedAndTheRestRun) {
    for (const char* step : {"MediaControl.QueryBasicAudio", "BasicAudio.put_Volume",
                             "VideoWindow.put_WindowStyle", "VideoWindow.put_Owner",
                             "VideoWindow.put_FullScreenMode", "MediaPosition.put_Rate"}) {
        f.log.Clear();
        f.log.failing = {step};
        Form1 fresh(f.platform);
        fresh.OpenDShowFile(L"x.evc");
        EXPECT_EQ(f.log.Named("VideoWindow.put_MessageDrain").size(), 1u) << step;
        EXPECT_EQ(f.log.Named("MediaPosition.put_Rate").size(), 1u) << step;
    }
}

TEST_F(VideoTest, WithoutAGraphObjectEveryStepIsSkipped) {
    f.log.failing = {"CreateFilgraphManager", "MediaSessions.Open"};
    Open();
    EXPECT_THAT(f.log.calls,
                ElementsAre("CreateFilgraphManager()", "MediaSessions.Open(C:\\Media\\Trevlin.evc,4660)"));
    EXPECT_EQ(form.MediaControl, nullptr);
    EXPECT_EQ(form.VideoWindow, nullptr);
}

TEST_F(VideoTest, AVideoThatCannotBeRenderedLeavesNothingToRunOrRestart) {
    f.log.failing = {"MediaControl.RenderFile", "MediaSessions.Open"};
    Open();
    f.log.Clear();
    f.log.failing = {"MediaControl.Run", "MediaPosition.get_CurrentPosition"};
    EXPECT_NO_THROW(form.RunDShow());
    EXPECT_NO_THROW(form.LoopDShow());
    EXPECT_NO_THROW(form.RunFallback());
    EXPECT_NO_THROW(form.LoopFallback());
    EXPECT_THAT(f.log.calls, IsEmpty());
}

TEST_F(VideoTest, RunAndLoopRaiseTheirFailures) {
    Open();
    f.log.failing = {"MediaControl.Run"};
    EXPECT_THROW(form.RunDShow(), platform::Error);
    f.log.failing = {"MediaPosition.get_Duration"};
    EXPECT_THROW(form.LoopDShow(), platform::Error);
}

TEST(EndTest, WholeSecondsRoundHalvesToEven) {
    struct Case {
        double position, duration;
        bool atEnd;
    };
    for (const Case& c : {Case{9.49, 10.3, false}, Case{9.5, 10.3, true}, Case{10.5, 10.7, false},
                          Case{10.51, 10.7, true}, Case{9.5, 10.5, true}, Case{10.5, 11.5, false},
                          Case{11.5, 11.5, true}, Case{0, 0, true}, Case{0.3, 0.5, true}, Case{29.5, 30.4, true},
                          Case{30.4, 30.4, true}, Case{199.5, 200.3, true}, Case{200.5, 200.5, true},
                          Case{201.4, 201.5, false}}) {
        EXPECT_EQ(AtEnd(c.position, c.duration), c.atEnd) << c.position << " of " << c.duration;
    }
}

TEST(EndTest, TimesThatAreNoNumberOrFitNoSecondAreNeverTheEnd) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(AtEnd(nan, nan));
    EXPECT_FALSE(AtEnd(0, nan));
    EXPECT_FALSE(AtEnd(inf, inf));
    EXPECT_FALSE(AtEnd(3e9, 3e9));
    EXPECT_FALSE(AtEnd(1, -inf));
}

TEST_F(VideoTest, LoopRewindsAndRunsOnlyAtTheEnd) {
    Open();
    // A graph reporting no duration keeps playing.
    for (const double duration : {10.3, std::numeric_limits<double>::quiet_NaN()}) {
        f.graphs.state = {9.4, duration};
        form.LoopDShow();
        EXPECT_EQ(f.graphs.state.position, 9.4) << duration;
    }
    f.graphs.state = {9.6, 10.3};
    form.LoopDShow();
    EXPECT_EQ(f.graphs.state.position, 0);
    EXPECT_TRUE(f.graphs.outcome.running);
}

TEST_F(VideoTest, RemoveStopsDetachesAndReleasesInOrder) {
    Open();
    f.log.Clear();
    form.RemoveDShow();
    EXPECT_THAT(f.log.calls, ElementsAre("MediaControl.Stop()", "VideoWindow.put_Owner(0)", "BasicAudio.Release()",
                                         "MediaControl.Release()", "VideoWindow.Release()",
                                         "MediaPosition.Release()", "MediaEvent.Release()"));
    f.log.Clear();
    form.RemoveDShow();
    EXPECT_THAT(f.log.calls, IsEmpty());
}

TEST_F(VideoTest, RemoveStopsAtTheFirstFailureAndKeepsTheRest) {
    Open();
    f.log.Clear();
    f.log.failing = {"VideoWindow.put_Owner"};
    EXPECT_NO_THROW(form.RemoveDShow());
    EXPECT_THAT(f.log.calls, ElementsAre("MediaControl.Stop()", "VideoWindow.put_Owner(0)"));
    EXPECT_NE(form.BasicAudio, nullptr);
    EXPECT_NE(form.MediaPosition, nullptr);
    f.log.failing = {"MediaControl.Stop"};
    f.log.Clear();
    EXPECT_NO_THROW(form.RemoveDShow());
    EXPECT_THAT(f.log.calls, ElementsAre("MediaControl.Stop()"));
}
