#include "test_support.h"

#include "show/stall.h"

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using show::Motion;

TEST(StallRule, OnlyAPositionStandingStillForThreeSecondsOfLooksCloseTogetherOrUnreadableIsAStall) {
    constexpr std::uint32_t t0 = 0xFFFF'FFFFu - 1'000;  // across the tick count's wrap
    struct Look {
        std::uint32_t ms;
        std::optional<double> position;
        Motion motion;
    };
    const std::vector<std::vector<Look>> cases = {
        // Standing still: a stall at 3 s, and then the watch starts afresh.
        {{0, 5.0, Motion::Still}, {1'000, 5.0, Motion::Still}, {2'999, 5.0, Motion::Still},
         {3'000, 5.0, Motion::Stalled}, {3'015, 5.0, Motion::Still}},
        // Moving, however slowly.
        {{0, 5.0, Motion::Still}, {1'000, 5.1, Motion::Moving}, {2'000, 5.1, Motion::Still},
         {3'500, 5.2, Motion::Moving}, {5'000, 5.2, Motion::Still}},
        // Looks far apart (the show stopped between them) prove nothing.
        {{0, 5.0, Motion::Still}, {2'001, 5.0, Motion::Still}, {4'002, 5.0, Motion::Still},
         {60'000, 5.0, Motion::Still}},
        // A position that cannot be read is a stall at once.
        {{0, 5.0, Motion::Still}, {1'000, std::nullopt, Motion::Stalled}, {1'015, 5.0, Motion::Still}},
    };
    for (const auto& looks : cases) {
        show::StallWatch watch;
        for (const Look& look : looks)
            EXPECT_EQ(watch.Look(look.position, t0 + look.ms), look.motion) << look.ms << " ms";
    }
}

// The show's passes, one a second; the video stands at 5 s unless a step moves it.
class VideoWatchTest : public FormTest {
protected:
    void Run(std::vector<std::function<void()>> steps) {
        for (auto& step : steps)
            f.window.script.push_back([this, step] {
                f.power.now += 1000;
                step();
            });
        f.window.script.push_back([this] { f.window.events->OnKeyPress(); });
        EXPECT_THROW(form.Load(), fakes::ProgramEnded);  // never an error box
    }
    std::size_t Builds() const { return f.log.Named("MediaControl.RenderFile").size(); }
};

TEST_F(VideoWatchTest, AStallAnErrorEventOrAPositionErrorRebuildsTheGraphWhereItStood) {
    struct Case {
        std::function<void(fakes::FakePlatform&)> fault;
        std::size_t passes;  // until the rebuilt video has been looked at
        std::vector<std::string> seeks;
    };
    const std::vector<Case> cases = {
        {[](fakes::FakePlatform&) {}, 6, {"MediaPosition.put_CurrentPosition(5.5)"}},  // standing still
        {[](fakes::FakePlatform& p) { p.graphs.state.broken = true; }, 3, {"MediaPosition.put_CurrentPosition(5.5)"}},
        // Where it stood could not be read either: from the start.
        {[](fakes::FakePlatform& p) { p.log.failing = {"MediaPosition.get_CurrentPosition"}; }, 3, {}},
    };
    for (const Case& c : cases) {
        fakes::FakePlatform p;
        p.graphs.state.position = 5.0;
        Form1 saver(p.platform);
        p.window.script.assign(c.passes, [&] { p.power.now += 1000; });
        p.window.script[0] = [&] {
            p.power.now += 1000;
            p.graphs.state.position = 5.5;
            c.fault(p);
        };
        p.window.script[1] = [&] {
            p.power.now += 1000;
            p.graphs.state.broken = false;
            p.log.failing.clear();
        };
        p.window.script.push_back([&] { p.window.events->OnKeyPress(); });
        EXPECT_THROW(saver.Load(), fakes::ProgramEnded) << c.passes;
        EXPECT_EQ(p.log.Named("MediaControl.RenderFile").size(), 2u) << c.passes;
        EXPECT_THAT(p.log.Named("MediaControl.Stop"), ElementsAre("MediaControl.Stop()")) << c.passes;
        EXPECT_EQ(p.log.Named("MediaPosition.put_CurrentPosition"), c.seeks);
        EXPECT_EQ(p.log.Named("MediaControl.Run").size(), 2u) << c.passes;
    }
}

TEST_F(VideoWatchTest, ASessionsErrorEventRebuildsItWhereItStoodWhileTheMusicPlaysOn) {
    f.graphs.state.rendered = {false, true};
    f.sessions.state.position = 3.5;
    Run({[this] { f.sessions.state.broken = true; }, [this] { f.sessions.state.broken = false; }, [] {}});
    // A device gone is no fault of the renderer's: it draws again.
    EXPECT_THAT(f.log.Named("MediaSessions.Open"), Each("MediaSessions.Open(Trevlin.evc,4660)"));
    EXPECT_EQ(f.log.Named("MediaSessions.Open").size(), 2u);
    EXPECT_THAT(f.log.Named("Session.S"), ElementsAre("Session.SetMasterVolume(1)", "Session.Start()",
                                                      "Session.SetMasterVolume(1)", "Session.Seek(3.5)",
                                                      "Session.Start()"));
    EXPECT_THAT(f.log.Named("Mp3.close"), IsEmpty());
    EXPECT_THAT(f.log.Named("Mp3.put_URL"), ElementsAre("Mp3.put_URL(Trevlin.wma)"));
}

TEST_F(VideoWatchTest, ASessionWhoseRendererStoodStillIsBuiltAgainDrawnByThePainter) {
    f.graphs.state.rendered = {false, true};
    f.sessions.state.position = 3.5;
    Run({[] {}, [] {}, [] {}, [] {}, [] {}, [] {}});
    EXPECT_THAT(f.log.Named("MediaSessions.Open"),
                ElementsAre("MediaSessions.Open(Trevlin.evc,4660)", "MediaSessions.Open(Trevlin.evc,4660,painted)"));
}

TEST_F(VideoWatchTest, TwoFailedRebuildsInARowLeaveTheScreenBlackAndTheNextComesAMinuteLater) {
    f.graphs.state.position = 5.0;
    const auto nothingBuilds = [this] { f.log.failing = {"CreateFilgraphManager", "MediaSessions.Open"}; };
    Run({[] {}, [] {}, nothingBuilds, [] {}, [] {}, [] {}, [] {}, [this] { f.power.now += 55'000; },
         [this] { f.log.failing.clear(); }, [] {}});
    // The first build, two rebuilds at once, then one a minute after the second.
    EXPECT_EQ(f.log.Named("CreateFilgraphManager").size(), 4u);
    EXPECT_EQ(Builds(), 2u);
    EXPECT_THAT(f.log.Named("Monitors.Blank"), ElementsAre("Monitors.Blank(4660)"));
    EXPECT_EQ(f.log.Named("MediaControl.Run").size(), 2u);
}

TEST_F(VideoWatchTest, AStopThatNeverReturnsKeepsItsGraphAndANewOneIsBuiltWhereTheLastLookSawIt) {
    f.graphs.state.position = 4.0;
    Run({[this] {
             f.background.holdWork = true;  // the stop's thread will hang
             f.graphs.state.broken = true;
         },
         [] {}, [] {},
         [this] {
             f.graphs.state.broken = false;
             f.background.holdWork = false;
             f.background.Finish();  // the new build, not the stop
         },
         [] {}});
    EXPECT_THAT(f.log.Named("MediaControl.Stop"), IsEmpty());
    EXPECT_EQ(Builds(), 2u);
    EXPECT_THAT(f.log.Named("MediaPosition.put_CurrentPosition"), ElementsAre("MediaPosition.put_CurrentPosition(4)"));
}
