#include "show/next_wake.h"
#include "test_support.h"

using ::testing::Each;
#include "show/monitors.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SaverTest : public FormTest {
protected:
    void RunSaver(std::size_t passes) {
        EndAtPass(passes);
        EXPECT_THROW(form.Load(), fakes::ProgramEnded);
    }
    // The calls up to the first pass of the show loop.
    std::vector<std::string> SetUpCalls() const {
        const auto& c = f.log.calls;
        auto pass = std::find(c.begin(), c.end(), "MediaPosition.get_CurrentPosition()");
        return {c.begin(), pass};
    }
};

TEST_F(SaverTest, SetUpRunsInItsOrder) {
    f.SetSetting(L"path", L"D:\\Media\\");
    RunSaver(1);
    auto calls = SetUpCalls();
    // The mouse watch comes first, in every mode.
    ASSERT_GE(calls.size(), 10u);
    EXPECT_EQ(calls[0], "Window.Create()");
    EXPECT_EQ(calls[1], "CreateDirectX8()");
    // One monitor: the question is all that multi-monitor support adds.
    calls.erase(std::remove(calls.begin(), calls.end(), "Monitors.List()"), calls.end());
    auto show = std::find(calls.begin(), calls.end(), "Window.Show()");
    ASSERT_NE(show, calls.end());
    EXPECT_THAT(std::vector<std::string>(show, show + 10),
                ElementsAre("Window.Show()", "Window.SetNormalState()", "Window.StayOnTop()", "Window.SetTop(0)", "Window.SetLeft(0)",
                            "Window.SetWidth(1024)", "Window.SetHeight(768)", "ShowCursor(FALSE)",
                            "Background.Start()", "Profile.GetString(config,path,,C:\\Saver\\Trevlin.ini,255)"));
    EXPECT_THAT(f.log.Named("MediaControl.RenderFile"), ElementsAre("MediaControl.RenderFile(D:\\Media\\Trevlin.evc)"));
    EXPECT_EQ(calls.back(), "Mp3.controls.play()");
}

TEST_F(SaverTest, NoSettingsFileMeansBareNamesAndMusic) {
    RunSaver(1);
    EXPECT_THAT(f.log.Named("MediaControl.RenderFile"), ElementsAre("MediaControl.RenderFile(Trevlin.evc)"));
    EXPECT_THAT(f.log.Named("Mp3.put_URL"), ElementsAre("Mp3.put_URL(Trevlin.wma)"));
}

TEST_F(SaverTest, PathIsAPlainPrefix) {
    f.SetSetting(L"path", L"media");
    RunSaver(1);
    EXPECT_THAT(f.log.Named("MediaControl.RenderFile"), ElementsAre("MediaControl.RenderFile(mediaTrevlin.evc)"));
    EXPECT_THAT(f.log.Named("Mp3.put_URL"), ElementsAre("Mp3.put_URL(mediaTrevlin.wma)"));
}

TEST_F(SaverTest, OnlyTheExactValueOneGivesMusic) {
    for (const wchar_t* sound : {L"0", L"01", L"", L"true", L" 1", L"2"}) {
        f.log.Clear();
        f.SetSetting(L"sound", sound);
        Form1 saver(f.platform);
        f.window.script = {[this] { f.window.events->OnKeyPress(); }};
        EXPECT_THROW(saver.Load(), fakes::ProgramEnded);
        EXPECT_THAT(f.log.Named("Mp3"), IsEmpty()) << fakes::Narrow(sound);
    }
}

TEST_F(SaverTest, PassesWaitForInputAndTheGraphInsteadOfSpinning) {
    RunSaver(4);
    // Three waits between four passes; far from both ends, each as long as a
    // "sound" edit may go unseen.
    EXPECT_THAT(f.log.Named("Window.WaitForInput"),
                ElementsAre("Window.WaitForInput(1000,MediaEvent)", "Window.WaitForInput(1000,MediaEvent)",
                            "Window.WaitForInput(1000,MediaEvent)"));
}

TEST_F(SaverTest, SoundTurnedOffWhileRunningStopsTheRestartChecks) {
    f.window.script = {[this] { f.SetSetting(L"sound", L"0"); }, [] {},
                       [this] { f.window.events->OnKeyPress(); }};
    EXPECT_THROW(form.Load(), fakes::ProgramEnded);
    EXPECT_EQ(f.log.Named("Mp3.playState").size(), 1u);
}

TEST_F(SaverTest, SoundTurnedOnWhileRunningStartsNothing) {
    f.SetSetting(L"sound", L"0");
    f.player.state.playState = 10;  // never given a file
    f.window.script = {[this] { f.SetSetting(L"sound", L"1"); }, [] {},
                       [this] { f.window.events->OnKeyPress(); }};
    EXPECT_THROW(form.Load(), fakes::ProgramEnded);
    EXPECT_THAT(f.log.Named("Mp3.put_URL"), IsEmpty());
    EXPECT_THAT(f.log.Named("Mp3.controls"), IsEmpty());
}

TEST_F(SaverTest, AFailingPlayerEndsTheSaverWithItsError) {
    f.log.failing = {"Mp3.playState"};
    EXPECT_THROW(form.Load(), platform::Error);
}

// The stop's thread held: a graph whose Stop never returns.
TEST_F(SaverTest, ACloseRequestHandsTheVideoToTheStopsThreadAndEndsTheLoopAtOnce) {
    f.window.script = {[this] {
        f.background.holdWork = true;
        f.window.events->OnUnload();
    }};
    form.Load();  // returns: the window is gone
    // Nothing stopped on the window's thread; the stop's thread stops and lets go of it.
    EXPECT_EQ(form.MediaControl, nullptr);
    EXPECT_TRUE(f.graphs.outcome.running);
    EXPECT_EQ(f.cursor.count, 0);
    f.background.Finish();
    EXPECT_FALSE(f.graphs.outcome.running);
    EXPECT_EQ(f.graphs.outcome.held, 0);
}

TEST_F(SaverTest, PreviewShowsThePictureAndReturns) {
    SetMode(true, false);
    form.Load();
    EXPECT_THAT(f.log.Named("Window"), ElementsAre("Window.Create()", "Window.ShowPreviewPicture()"));
    EXPECT_THAT(f.log.Named("ShowCursor"), IsEmpty());
    EXPECT_THAT(f.log.Named("Mouse.Acquire"), ElementsAre("Mouse.Acquire()"));
}

// A graph whose build never returns: the window keeps taking input meanwhile.
class HungBuildTest : public SaverTest {
protected:
    void SetUp() override {
        SaverTest::SetUp();
        f.background.holdWork = true;
    }
};

TEST_F(HungBuildTest, InputEndsTheSaverWhileTheGraphIsBeingBuilt) {
    EndAtPass(3);
    EXPECT_THROW(form.Load(), fakes::ProgramEnded);
    // Nothing of the video was touched on the window's thread, no music started.
    EXPECT_THAT(f.log.Named("MediaControl"), IsEmpty());
    EXPECT_THAT(f.log.Named("Mp3"), IsEmpty());
    EXPECT_EQ(f.log.Named("Window.DoEvents").size(), 3u);
    // The build's end wakes the wait like input: nothing to look at meanwhile.
    EXPECT_THAT(f.log.Named("Window.WaitForInput"),
                ElementsAre("Window.WaitForInput(10000)", "Window.WaitForInput(10000)"));
}

TEST_F(HungBuildTest, ACloseRequestLeavesTheGraphToItsThreadAndEndsTheLoad) {
    f.window.script = {[] {}, [this] { f.window.events->OnUnload(); }};
    form.Load();  // returns: the window is gone
    EXPECT_THAT(f.log.Named("ShowCursor"), ElementsAre("ShowCursor(FALSE)", "ShowCursor(TRUE)"));
    EXPECT_THAT(f.log.Named("MediaControl"), IsEmpty());
    EXPECT_THAT(f.log.Named("Mp3"), IsEmpty());
    EXPECT_THAT(f.log.Named("MediaPosition"), IsEmpty());
}

// The music is opened once the video's graph is built, before its window is
// placed, and given only once the video runs.
TEST_F(HungBuildTest, AGraphBuiltLateIsRunThenTheMusicStarts) {
    f.SetSetting(L"path", L"E:\\Media\\");
    EndAtPass(4);
    f.window.script[1] = [this] { f.background.Finish(); };
    EXPECT_THROW(form.Load(), fakes::ProgramEnded);
    const auto& c = f.log.calls;
    auto render = std::find(c.begin(), c.end(), "MediaControl.RenderFile(E:\\Media\\Trevlin.evc)");
    auto prepare = std::find(c.begin(), c.end(), "Mp3.Prepare(E:\\Media\\Trevlin.wma)");
    auto place = std::find(c.begin(), c.end(), "MediaControl.QueryVideoWindow()");
    auto run = std::find(c.begin(), c.end(), "MediaControl.Run()");
    auto url = std::find(c.begin(), c.end(), "Mp3.put_URL(E:\\Media\\Trevlin.wma)");
    ASSERT_NE(render, c.end());
    ASSERT_NE(run, c.end());
    ASSERT_NE(url, c.end());
    EXPECT_LT(render, prepare);
    EXPECT_LT(prepare, place);
    EXPECT_LT(place, run);
    EXPECT_LT(run, url);
}

class MonitorsTest : public SaverTest {
protected:
    // The primary is not the first monitor the system lists; one monitor lies left of it.
    void SetUp() override {
        SaverTest::SetUp();
        f.monitors.monitors = {{{-800, 0, 0, 600}, false}, {{0, 0, 1024, 768}, true}, {{1024, -200, 2048, 568}, false}};
    }
};

TEST_F(MonitorsTest, OneMonitorCoversNothingMoreAndMirrorsNothing) {
    f.monitors.monitors = {{{0, 0, 1024, 768}, true}};
    RunSaver(1);
    EXPECT_THAT(f.log.Named("Monitors"), ElementsAre("Monitors.List()"));
    EXPECT_THAT(f.log.Named("MediaControl.MirrorVideoTo"), IsEmpty());
    for (const auto& call : f.log.Named("Profile.GetString")) EXPECT_EQ(call.find("monitors"), std::string::npos);
}

TEST_F(MonitorsTest, EveryOtherMonitorIsCoveredBeforeTheCursorGoesAndTheVideoIsMirroredThere) {
    RunSaver(1);
    auto calls = SetUpCalls();
    auto height = std::find(calls.begin(), calls.end(), "Window.SetHeight(768)");
    ASSERT_NE(height, calls.end());
    EXPECT_THAT(std::vector<std::string>(height + 1, height + 5),
                ElementsAre("Monitors.List()", "Monitors.Cover(-800,0,0,600)", "Monitors.Cover(1024,-200,2048,568)",
                            "ShowCursor(FALSE)"));
    EXPECT_THAT(f.log.Named("MediaControl.MirrorVideoTo"), ElementsAre("MediaControl.MirrorVideoTo(8193,8194)"));
    // Mirrored after the graph is built and before it first runs.
    auto mirror = std::find(calls.begin(), calls.end(), "MediaControl.MirrorVideoTo(8193,8194)");
    auto rate = std::find(calls.begin(), calls.end(), "MediaPosition.put_Rate(1)");
    auto run = std::find(calls.begin(), calls.end(), "MediaControl.Run()");
    EXPECT_LT(rate, mirror);
    EXPECT_LT(mirror, run);
}

TEST_F(MonitorsTest, PrimaryKeepsTheOthersBlackAnyOtherValueShowsTheVideoEverywhere) {
    for (const wchar_t* value : {L"primary", L"Primary", L" PRIMARY "}) {
        f.log.Clear();
        f.SetSetting(L"monitors", value);
        Form1 saver(f.platform);
        f.window.script = {[this] { f.window.events->OnKeyPress(); }};
        EXPECT_THROW(saver.Load(), fakes::ProgramEnded);
        EXPECT_EQ(f.log.Named("Monitors.Cover").size(), 2u);
        EXPECT_THAT(f.log.Named("MediaControl.MirrorVideoTo"), IsEmpty()) << fakes::Narrow(value);
    }
    for (const wchar_t* value : {L"all", L"", L"both", L"0"}) {
        f.log.Clear();
        f.SetSetting(L"monitors", value);
        Form1 saver(f.platform);
        f.window.script = {[this] { f.window.events->OnKeyPress(); }};
        EXPECT_THROW(saver.Load(), fakes::ProgramEnded);
        EXPECT_EQ(f.log.Named("MediaControl.MirrorVideoTo").size(), 1u) << fakes::Narrow(value);
    }
}

TEST_F(MonitorsTest, AVideoThatCannotBeRenderedIsMirroredNowhere) {
    f.log.failing = {"MediaControl.RenderFile"};
    RunSaver(1);
    EXPECT_THAT(f.log.Named("MediaControl.MirrorVideoTo"), IsEmpty());
}

TEST(MonitorPartsTest, SpannedEachMonitorShowsWhatLiesUnderIt) {
    using platform::Part;
    const platform::Monitor primary{{0, 0, 1000, 500}, true};
    struct Case {
        const char* layout;
        platform::Monitor second;
        Part primaryPart, secondPart;
    } cases[] = {
        {"right, shorter", {{1000, 0, 2000, 250}, false}, {0, 0, 0.5, 1}, {0.5, 0, 1, 0.5}},
        {"left, negative", {{-1000, 0, 0, 500}, false}, {0.5, 0, 1, 1}, {0, 0, 0.5, 1}},
        {"portrait, above", {{1000, -500, 1500, 500}, false}, {0, 0.5, 2 / 3.0, 1}, {2 / 3.0, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        EXPECT_THAT(show::MonitorParts({primary, c.second}, show::MonitorUse::Span),
                    ElementsAre(c.primaryPart, c.secondPart)) << c.layout;
        EXPECT_THAT(show::MonitorParts({primary, c.second}, show::MonitorUse::All), ElementsAre(Part{}, Part{}))
            << c.layout;
    }
    EXPECT_EQ(show::ReadMonitorUse(L" Span "), show::MonitorUse::Span);
}

TEST_F(MonitorsTest, SpannedFormAndCoversGetTheirPartsOnBothPaths) {
    f.monitors.monitors = {{{0, 0, 1024, 768}, true}, {{1024, 0, 2048, 768}, false}};
    f.SetSetting(L"monitors", L"span");
    RunSaver(1);
    EXPECT_THAT(f.log.Named("MediaControl.ShowPart"), ElementsAre("MediaControl.ShowPart([0 0 0.5 1])"));
    EXPECT_THAT(f.log.Named("MediaControl.MirrorVideoTo"), ElementsAre("MediaControl.MirrorVideoTo(8193[0.5 0 1 1])"));
    for (const wchar_t* value : {L"span", L"primary"}) {
        f.log.Clear();
        f.log.failing = {"MediaControl.RenderFile"};
        f.SetSetting(L"monitors", value);
        Form1 saver(f.platform);
        f.window.script = {[this] { f.window.events->OnKeyPress(); }};
        EXPECT_THROW(saver.Load(), fakes::ProgramEnded);
        const std::string cover = std::to_string(saver.Covers.at(0));
        const bool span = value == std::wstring(L"span");
        EXPECT_THAT(f.log.Named("MediaSessions.Open"),
                    ElementsAre(span ? "MediaSessions.Open(Trevlin.evc,4660[0 0 0.5 1]," + cover + "[0.5 0 1 1])"
                                     : "MediaSessions.Open(Trevlin.evc,4660)"));
        // Placed again (after the monitors changed) with the same part.
        saver.PlaceVideo();
        EXPECT_THAT(f.log.Named("Session.Place"),
                    ElementsAre(span ? "Session.Place([0 0 0.5 1]," + cover + "[0.5 0 1 1])" : "Session.Place()"));
    }
}

TEST_F(MonitorsTest, SpannedMonitorsThatChangeGiveEachWindowItsNewPartOnBothPaths) {
    for (const bool dshow : {true, false}) {
        f.log.Clear();
        f.log.failing = dshow ? decltype(f.log.failing){} : decltype(f.log.failing){"MediaControl.RenderFile"};
        f.monitors.monitors = {{{0, 0, 1024, 768}, true}, {{1024, 0, 2048, 768}, false}};
        f.SetSetting(L"monitors", L"span");
        Form1 saver(f.platform);
        // The second monitor goes from right of the primary to left of it.
        f.window.script = {[this] {
                               f.monitors.monitors[1].bounds = {-1024, 0, 0, 768};
                               f.window.events->OnDisplayChange();
                           },
                           [this] { f.window.events->OnKeyPress(); }};
        EXPECT_THROW(saver.Load(), fakes::ProgramEnded);
        const std::string cover = std::to_string(saver.Covers.at(0));
        if (dshow) {
            EXPECT_THAT(f.log.Named("MediaControl.ShowPart"), ElementsAre("MediaControl.ShowPart([0 0 0.5 1])",
                                                                          "MediaControl.ShowPart([0.5 0 1 1])"));
            EXPECT_EQ(f.log.Named("MediaControl.MirrorVideoTo").back(),
                      "MediaControl.MirrorVideoTo(" + cover + "[0 0 0.5 1])");
        } else {
            EXPECT_THAT(f.log.Named("Session.Place"),
                        ElementsAre("Session.Place([0.5 0 1 1]," + cover + "[0 0 0.5 1])"));
        }
    }
}

TEST_F(MonitorsTest, InputOnAnotherMonitorCountsAsOnForm1) {
    // Three moves over Form1 and three over the covers: one count, the sixth ends the saver.
    f.window.script = {[this] {
        f.window.events->OnMouseMove();
        f.monitors.coverEvents[0]->OnMouseMove();
        f.window.events->OnMouseMove();
        f.monitors.coverEvents[1]->OnMouseMove();
        f.window.events->OnMouseMove();
        EXPECT_EQ(form.MoveCount, 5);
        f.monitors.coverEvents[0]->OnMouseMove();
    }};
    EXPECT_THROW(form.Load(), fakes::ProgramEnded);
    EXPECT_EQ(form.MoveCount, 6);
}

// How long the show loop sleeps between passes, and what wakes it.
class ShowLoopWaitTest : public SaverTest {
protected:
    const std::vector<int>& Waits() const { return f.window.waited; }
    // The waits of a fresh saver whose player reports playState, ended by a key
    // after its first pass.
    std::vector<int> OnePassWaits(std::int32_t playState) {
        f.log.Clear();
        f.window.waited.clear();
        f.player.state = {playState, 0, 200};
        Form1 saver(f.platform);
        f.window.script = {[] {}, [this] { f.window.events->OnKeyPress(); }};
        EXPECT_THROW(saver.Load(), fakes::ProgramEnded);
        return Waits();
    }
};

TEST_F(ShowLoopWaitTest, SleepsUntilJustPastTheMomentTheNearerEndTestCanHold) {
    f.graphs.state = {9.0, 10.3};         // the test can hold from 9.5 s
    f.player.state = {3, 199.0, 200.3};   // from 199.5 s
    RunSaver(2);
    EXPECT_THAT(Waits(), ElementsAre(502));
    f.window.waited.clear();
    f.graphs.state = {0, 10.3};
    f.player.state = {3, 199.2, 200.3};
    Form1 other(f.platform);
    f.window.script = {[] {}, [this] { f.window.events->OnKeyPress(); }};
    EXPECT_THROW(other.Load(), fakes::ProgramEnded);
    EXPECT_THAT(Waits(), ElementsAre(302));
}

TEST_F(ShowLoopWaitTest, ARestartIsFollowedByASoonPass) {
    f.graphs.state = {9.6, 10.3};
    RunSaver(3);
    EXPECT_THAT(Waits(), ElementsAre(show::kSoonMs, show::kPlayingCapMs));
}

TEST_F(ShowLoopWaitTest, AHalfSecondVideoIsRestartedOnEveryPass) {
    f.graphs.state = {0, 0.5};
    RunSaver(4);
    EXPECT_EQ(f.log.Named("MediaPosition.put_CurrentPosition").size(), 4u);
    EXPECT_THAT(Waits(), Each(show::kSoonMs));
}

TEST_F(ShowLoopWaitTest, AStreamThatEndsInsideTheWaitIsRestartedAtTheNextPass) {
    // 10.51 s: the test holds for the last hundredth of a second only. The
    // graph's notification of the end wakes the wait, and the position then
    // stands at the end.
    f.graphs.state = {10.4, 10.51};
    f.window.script = {[this] { f.graphs.state = {10.51, 10.51}; }, [this] { f.window.events->OnKeyPress(); }};
    EXPECT_THROW(form.Load(), fakes::ProgramEnded);
    EXPECT_THAT(Waits(), ElementsAre(102));
    EXPECT_THAT(f.log.Named("MediaPosition.put_CurrentPosition"), ElementsAre("MediaPosition.put_CurrentPosition(0)"));
}

TEST_F(ShowLoopWaitTest, WithNoVideoAndNoMusicOnlyInputWakesIt) {
    f.log.failing = {"MediaControl.RenderFile", "MediaSessions.Open"};
    f.SetSetting(L"sound", L"0");
    RunSaver(3);
    EXPECT_THAT(f.log.Named("Window.WaitForInput"),
                Each("Window.WaitForInput(" + std::to_string(show::kIdleCapMs) + ")"));
}

TEST_F(ShowLoopWaitTest, MusicWithoutVideoKeepsTheShorterCap) {
    f.log.failing = {"MediaControl.RenderFile", "MediaSessions.Open"};
    for (std::int32_t state : {3, 1, 10})  // playing, stopped at its end, never opened
        EXPECT_THAT(OnePassWaits(state), ElementsAre(show::kPlayingCapMs)) << state;
}

TEST_F(ShowLoopWaitTest, APlayerOpeningItsFileIsLookedAtSoon) {
    for (std::int32_t state : {6, 7, 9})  // buffering, waiting, transitioning
        EXPECT_THAT(OnePassWaits(state), ElementsAre(show::kSoonMs)) << state;
}

TEST_F(ShowLoopWaitTest, APlayerStillOpeningAfterFiveSecondsIsLookedAtFourTimesASecond) {
    f.log.failing = {"MediaControl.RenderFile", "MediaSessions.Open"};
    f.player.state = {9, 0, 0};
    // Just before the tick count wraps, which the count of opening time must not mind.
    f.power.now = 0xFFFF'FFFFu - 2'000;
    const auto at = [this](std::uint32_t ms) { return [this, ms] { f.power.now = 0xFFFF'FFFFu - 2'000 + ms; }; };
    // Each step runs inside a pass, before the next pass looks at the player.
    f.window.script = {at(show::kOpeningPatienceMs - 1), at(show::kOpeningPatienceMs), at(60'000), [this] { f.player.state = {3, 0, 200}; },
                       [this] { f.player.state = {9, 0, 0}; }, [] {}, [this] { f.window.events->OnKeyPress(); }};
    EXPECT_THROW(form.Load(), fakes::ProgramEnded);
    // Once it has played, a later opening (a restart) counts anew.
    EXPECT_THAT(Waits(), ElementsAre(show::kSoonMs, show::kSoonMs, show::kSlowOpeningMs, show::kSlowOpeningMs,
                                     show::kPlayingCapMs, show::kSoonMs));
}

TEST_F(ShowLoopWaitTest, MusicLeftAloneWhileSoundIsOffDoesNotShortenIt) {
    f.player.state = {3, 200.1, 200.3};  // would be restarted
    f.window.script = {[this] { f.SetSetting(L"sound", L"0"); }, [] {}, [this] { f.window.events->OnKeyPress(); }};
    EXPECT_THROW(form.Load(), fakes::ProgramEnded);
    EXPECT_THAT(Waits(), ElementsAre(show::kSoonMs, show::kPlayingCapMs));
}

TEST(CoverChanges, CoversFollowTheMonitorsAddedMovedAndRemoved) {
    using platform::Rect;
    const Rect left{-800, 0, 0, 600}, right{1024, 0, 1824, 600}, portrait{-768, 0, 0, 1024}, below{0, 768, 1024, 1536};
    struct Case {
        const char* what;
        std::vector<Rect> covered, others;
        std::vector<std::pair<std::size_t, Rect>> moved;
        std::vector<std::size_t> removed;
        std::vector<Rect> added;
    };
    const Case cases[] = {
        {"unchanged", {left, right}, {right, left}, {}, {}, {}},
        {"removed", {left, right}, {right}, {}, {0}, {}},
        {"all removed", {left, right}, {}, {}, {1, 0}, {}},
        {"added", {left}, {left, right}, {}, {}, {right}},
        {"first added", {}, {left}, {}, {}, {left}},
        {"made portrait", {left, right}, {portrait, right}, {{0, portrait}}, {}, {}},
        {"moved, one more", {left}, {right, below}, {{0, right}}, {}, {below}},
        {"moved, one fewer", {left, right}, {below}, {{0, below}}, {1}, {}},
    };
    const auto text = [](const Rect& r) {
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom);
    };
    for (const Case& c : cases) {
        const show::CoverChanges changes = show::ChangeCovers(c.covered, c.others);
        std::vector<std::string> moved, wantedMoved, added, wantedAdded;
        for (const auto& [index, bounds] : changes.moved) moved.push_back(std::to_string(index) + ":" + text(bounds));
        for (const auto& [index, bounds] : c.moved) wantedMoved.push_back(std::to_string(index) + ":" + text(bounds));
        for (const Rect& bounds : changes.added) added.push_back(text(bounds));
        for (const Rect& bounds : c.added) wantedAdded.push_back(text(bounds));
        EXPECT_EQ(moved, wantedMoved) << c.what;
        EXPECT_EQ(changes.removed, c.removed) << c.what;
        EXPECT_EQ(added, wantedAdded) << c.what;
    }
}
