#include <limits>

#include "test_support.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class FallbackTest : public FormTest {
protected:
    void Open(platform::Rendered rendered) {
        f.graphs.state.rendered = rendered;
        form.OpenDShowFile(L"C:\\Media\\Trevlin.evc");
    }
    void OpenThroughSession() {
        Open({false, false});
        f.log.Clear();
    }
};

TEST_F(FallbackTest, ThePathIsChosenByTheVideoRendererTheGraphConnected) {
    struct Case {
        platform::Rendered rendered;
        bool fallback;
    };
    for (const Case& c : {Case{{false, false}, true}, Case{{false, true}, true}, Case{{true, false}, false},
                          Case{{true, true}, false}}) {
        f.log.Clear();
        Form1 fresh(f.platform);
        f.graphs.state.rendered = c.rendered;
        fresh.OpenDShowFile(L"C:\\Media\\Trevlin.evc");
        const std::string outcome = std::string("video ") + (c.rendered.video ? "yes" : "no") + ", sound " +
                                    (c.rendered.sound ? "yes" : "no");
        if (c.fallback) {
            // The graph is gone, with whatever soundtrack it had, before the session opens.
            const auto& calls = f.log.calls;
            EXPECT_LT(std::find(calls.begin(), calls.end(), "MediaControl.Release()"),
                      std::find(calls.begin(), calls.end(), "MediaSessions.Open(C:\\Media\\Trevlin.evc,4660)"))
                << outcome;
            EXPECT_EQ(f.graphs.outcome.held, 0) << outcome;
            EXPECT_EQ(fresh.MediaControl, nullptr) << outcome;
            EXPECT_EQ(f.sessions.outcome.open, 1) << outcome;
        } else {
            EXPECT_EQ(f.sessions.outcome.open, 0) << outcome;
            EXPECT_NE(fresh.VideoWindow, nullptr) << outcome;
        }
    }
}

TEST_F(FallbackTest, ASessionThatCannotOpenLeavesABlackScreenAndNothingToRun) {
    f.log.failing = {"MediaSessions.Open"};
    Open({false, false});
    EXPECT_EQ(form.Session, nullptr);
    EXPECT_THAT(f.log.Named("Profile"), IsEmpty());
    f.log.Clear();
    form.RunFallback();
    form.LoopFallback();
    EXPECT_THAT(f.log.calls, IsEmpty());
}

TEST_F(FallbackTest, ARefusedVolumeStillPlays) {
    f.log.failing = {"Session.SetMasterVolume"};
    Open({false, false});
    EXPECT_NE(form.Session, nullptr);
}

TEST_F(FallbackTest, LoopRestartsByTheWholeSecondEndTestOrAtTheSessionsEnd) {
    OpenThroughSession();
    f.sessions.state = {9.4, 10.3, false};
    form.LoopFallback();
    EXPECT_THAT(f.log.Named("Session.Restart"), IsEmpty());
    f.sessions.state = {9.6, 10.3, false};
    form.LoopFallback();
    EXPECT_THAT(f.log.Named("Session.Restart"), ElementsAre("Session.Restart()"));
    f.log.Clear();
    // The end test missed it: a stream that ended short of its stated length.
    f.sessions.state = {8.2, 10.3, true};
    form.LoopFallback();
    EXPECT_THAT(f.log.Named("Session.Restart"), ElementsAre("Session.Restart()"));
    f.log.Clear();
    // A session with no length loops at its end only.
    f.sessions.state = {0.2, std::numeric_limits<double>::quiet_NaN(), false};
    form.LoopFallback();
    EXPECT_THAT(f.log.Named("Session.Restart"), IsEmpty());
}

class FallbackSaverTest : public FormTest {};

TEST_F(FallbackSaverTest, TheSessionStartsWithTheSaverWakesItsWaitAndGoesAtUnload) {
    f.graphs.state.rendered = {false, true};
    f.sessions.state = {2.4, 4.0, false};
    EndAtPass(2);
    EXPECT_THROW(form.Load(), fakes::ProgramEnded);
    EXPECT_THAT(f.log.Named("Session.Start"), ElementsAre("Session.Start()"));
    EXPECT_EQ(f.log.Named("Window.HideControl").size(), 8u);
    EXPECT_THAT(f.log.Named("MediaControl.Run"), IsEmpty());
    // The session's end wakes the wait; the end test is read on every pass.
    EXPECT_THAT(f.log.Named("Window.WaitForInput"), ElementsAre("Window.WaitForInput(1000,MediaSession)"));
    EXPECT_THAT(f.log.Named("Session.Position"), ElementsAre("Session.Position()", "Session.Position()"));
    f.log.Clear();
    form.Form_Unload();
    EXPECT_THAT(f.log.Named("Session.Release"), ElementsAre("Session.Release()"));
}
