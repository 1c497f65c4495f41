#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "show/end_test.h"
#include "show/next_wake.h"

using show::UntilEndTestHolds;

TEST(UntilEndTestHolds, JustPastTheFirstMomentTheTestHolds) {
    struct Case {
        double position, duration, rate;
        int ms;
    };
    for (const Case& c : {
             Case{9.0, 10.3, 1, 502},     // holds from 9.5 s
             Case{9.0, 10.3, 2, 251},     // at twice the speed
             Case{10.0, 10.7, 1, 502},    // from just after 10.5 s (10.5 itself rounds to 10)
             Case{10.5, 10.7, 1, 2},
             Case{10.4, 10.51, 1, 102},   // holds for 10 ms only
             Case{10.4, 10.503, 1, 102},  // 3 ms only: aimed at their middle
             Case{9.0, 9.5, 1, 500},      // rounds to 10: holds only at its very end
             Case{0.2, 0.6, 1, 302},
             Case{0, 10, 1, 9502},
         }) {
        EXPECT_EQ(UntilEndTestHolds(c.position, c.duration, c.rate), c.ms) << c.position << " of " << c.duration;
    }
}

TEST(UntilEndTestHolds, ItsMomentIsOneTheEndTestAgreesWith) {
    // Sleeping the time given lands where the end test holds; a millisecond
    // less does not, for every duration from 0.02 s to 30 s in steps of a
    // video frame.
    for (int frames = 1; frames <= 750; ++frames) {
        const double duration = frames * 0.04;
        const double position = 0;
        const int ms = UntilEndTestHolds(position, duration, 1);
        if (AtEnd(position, duration)) {
            EXPECT_EQ(ms, 0) << duration;
            continue;
        }
        ASSERT_GT(ms, 0) << duration;
        const double woken = std::min(position + ms / 1000.0, duration);
        EXPECT_TRUE(AtEnd(woken, duration)) << duration;
        if (ms > 3) {
            EXPECT_FALSE(AtEnd(position + (ms - 3) / 1000.0, duration)) << duration;
        }
    }
}

TEST(UntilEndTestHolds, NowOrNever) {
    EXPECT_EQ(UntilEndTestHolds(9.6, 10.3, 1), 0);
    EXPECT_EQ(UntilEndTestHolds(0, 0.5, 1), 0);  // a half-second video holds on every pass
    EXPECT_EQ(UntilEndTestHolds(0, 0, 1), 0);
    EXPECT_EQ(UntilEndTestHolds(11, 10.3, 1), -1);  // past the end
    EXPECT_EQ(UntilEndTestHolds(10.5, 11.5, 1), 1000);  // 11.5 rounds to 12: holds at its very end only
    EXPECT_EQ(UntilEndTestHolds(5, 10, 0), -1);
    EXPECT_EQ(UntilEndTestHolds(5, 10, -1), -1);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(UntilEndTestHolds(nan, 10, 1), -1);
    EXPECT_EQ(UntilEndTestHolds(5, inf, 1), -1);
    EXPECT_EQ(UntilEndTestHolds(5, 10, nan), -1);
    EXPECT_EQ(UntilEndTestHolds(0, 1e12, 1), std::numeric_limits<int>::max());
}

TEST(NextWake, TheShortestThatAnythingAsksForWithinItsCap) {
    EXPECT_EQ(show::NextWake(false).Milliseconds(), show::kIdleCapMs);
    show::NextWake wake(true);
    EXPECT_EQ(wake.Milliseconds(), show::kPlayingCapMs);
    wake.Clip(0, 200, 1);  // far from its end
    EXPECT_EQ(wake.Milliseconds(), show::kPlayingCapMs);
    wake.Clip(11, 10.3, 1);  // cannot hold: no say
    EXPECT_EQ(wake.Milliseconds(), show::kPlayingCapMs);
    wake.Clip(9.0, 10.3, 1);
    EXPECT_EQ(wake.Milliseconds(), 502);
    wake.Clip(0, 10.3, 1);
    EXPECT_EQ(wake.Milliseconds(), 502);
    wake.Soon();
    EXPECT_EQ(wake.Milliseconds(), show::kSoonMs);
    wake.Clip(10.49, 10.51, 1);
    EXPECT_EQ(wake.Milliseconds(), 12);
}

TEST(NextWake, APlayerOnItsWayToPlaying) {
    for (std::int32_t state : {6, 7, 9}) EXPECT_TRUE(show::AboutToPlay(state)) << state;
    for (std::int32_t state : {0, 1, 2, 3, 8, 10}) EXPECT_FALSE(show::AboutToPlay(state)) << state;
}
