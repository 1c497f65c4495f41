// The mirror's rules away from the graph: the copy of a picture and its timing,
// which the covers' painter follows, and the graph put back after a re-wiring
// that failed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/frame_copy.h"
#include "platform/graph_restore.h"
#include "platform/mirror_timing.h"

using ::testing::ElementsAre;
using platform::FrameFormat;

namespace {

// A buffer of width x rows pixels whose every pixel holds (row << 8 | column)
// in its first byte pair, so that a copy shows where each pixel came from.
std::vector<std::uint8_t> Numbered(int width, int rows) {
    std::vector<std::uint8_t> data;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < width; ++column)
            data.insert(data.end(), {static_cast<std::uint8_t>(column), static_cast<std::uint8_t>(row), 0, 0});
    return data;
}

// The (column, row) each copied pixel came from, in the copy's order.
std::vector<std::pair<int, int>> Origins(const std::vector<std::uint8_t>& picture) {
    std::vector<std::pair<int, int>> origins;
    for (std::size_t i = 0; i + 3 < picture.size(); i += 4) origins.emplace_back(picture[i], picture[i + 1]);
    return origins;
}

constexpr std::int64_t kMs = 10000;  // 100 ns units

}  // namespace

TEST(MirrorCopy, APitchWiderThanThePictureLeavesItsPaddingBehind) {
    // Rows of 4 pixels in a buffer 6 pixels wide, top row first.
    const auto data = Numbered(6, 2);
    std::vector<std::uint8_t> picture;
    ASSERT_TRUE(platform::CopyVisible(data.data(), data.size(), FrameFormat{6, -2, 0, 0, 4, 2}, picture));
    EXPECT_THAT(Origins(picture), ElementsAre(std::pair(0, 0), std::pair(1, 0), std::pair(2, 0), std::pair(3, 0),
                                              std::pair(0, 1), std::pair(1, 1), std::pair(2, 1), std::pair(3, 1)));
    const platform::FrameSize size = platform::VisibleSize(FrameFormat{6, -2, 0, 0, 4, 2});
    EXPECT_EQ(size.width, 4);
    EXPECT_EQ(size.height, 2);
}

TEST(MirrorCopy, TheSourceRectangleIsTakenFromThePicturesTopInEitherRowOrder) {
    // 3 rows of 4; the visible part is column 1-2 of the picture's top two rows.
    const auto data = Numbered(4, 3);
    std::vector<std::uint8_t> picture;
    ASSERT_TRUE(platform::CopyVisible(data.data(), data.size(), FrameFormat{4, -3, 1, 0, 3, 2}, picture));
    EXPECT_THAT(Origins(picture), ElementsAre(std::pair(1, 0), std::pair(2, 0), std::pair(1, 1), std::pair(2, 1)));
    // Bottom-up, the picture's top rows are the buffer's last: rows 1 and 2, kept in the buffer's order.
    ASSERT_TRUE(platform::CopyVisible(data.data(), data.size(), FrameFormat{4, 3, 1, 0, 3, 2}, picture));
    EXPECT_THAT(Origins(picture), ElementsAre(std::pair(1, 1), std::pair(2, 1), std::pair(1, 2), std::pair(2, 2)));
}

TEST(MirrorCopy, AnEmptySourceRectangleMeansTheWholePicture) {
    const auto data = Numbered(2, 2);
    std::vector<std::uint8_t> picture;
    ASSERT_TRUE(platform::CopyVisible(data.data(), data.size(), FrameFormat{2, 2}, picture));
    EXPECT_EQ(picture, data);
}

TEST(MirrorCopy, ASampleTooShortOrARectangleOutsideThePictureCopiesNothing) {
    const auto data = Numbered(4, 2);
    std::vector<std::uint8_t> picture{1, 2, 3, 4};
    EXPECT_FALSE(platform::CopyVisible(data.data(), data.size() - 1, FrameFormat{4, 2}, picture));
    EXPECT_FALSE(platform::CopyVisible(data.data(), data.size(), FrameFormat{4, 2, 2, 0, 5, 2}, picture));
    EXPECT_FALSE(platform::CopyVisible(data.data(), data.size(), FrameFormat{4, 2, 0, -1, 4, 2}, picture));
    EXPECT_FALSE(platform::CopyVisible(nullptr, 0, FrameFormat{0, 0}, picture));
    EXPECT_THAT(picture, ElementsAre(1, 2, 3, 4));
}

namespace {

// A 4x4 picture of 2x2 blocks that share their chroma: black and white over
// neutral chroma, then red, green and blue. Each letter is one pixel.
constexpr const char* kBlocks[] = {"KWRR", "WKRR", "GGBB", "GGBB"};

int Luma(char c) { return c == 'K' ? 16 : c == 'W' ? 235 : c == 'R' ? 81 : c == 'G' ? 145 : 41; }
std::pair<int, int> Chroma(int column, int row) {  // U, V of the block holding the pixel
    const char c = kBlocks[row / 2 * 2][column / 2 * 2];
    return c == 'R' ? std::pair(90, 240) : c == 'G' ? std::pair(54, 34) : c == 'B' ? std::pair(240, 110)
                                                                               : std::pair(128, 128);
}

// kBlocks laid out as a decoder would, in rows of pitch pixels (the rest padding).
std::vector<std::uint8_t> Laid(platform::Pixels pixels, int pitch) {
    using platform::Pixels;
    const int step = pixels == Pixels::Yuy2 ? 2 : 1;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(pitch * 4 * step + (step == 1 ? pitch * 2 : 0)), 0x55);
    const int half = pitch / 2, chroma = pitch * 4;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            const auto [u, v] = Chroma(column, row);
            const auto y = static_cast<std::uint8_t>(Luma(kBlocks[row][column]));
            if (pixels == Pixels::Yuy2) {
                const int at = row * pitch * 2 + column / 2 * 4;
                data[static_cast<std::size_t>(at + column % 2 * 2)] = y;
                data[static_cast<std::size_t>(at + 1)] = static_cast<std::uint8_t>(u);
                data[static_cast<std::size_t>(at + 3)] = static_cast<std::uint8_t>(v);
                continue;
            }
            data[static_cast<std::size_t>(row * pitch + column)] = y;
            // NV12: U, V pairs at the full pitch; YV12 and I420: two planes at half of it.
            const bool nv12 = pixels == Pixels::Nv12, yv12 = pixels == Pixels::Yv12;
            const int cell = chroma + row / 2 * (nv12 ? pitch : half) + column / 2 * (nv12 ? 2 : 1);
            const int next = nv12 ? 1 : half * 2;
            data[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(yv12 ? v : u);
            data[static_cast<std::size_t>(cell + next)] = static_cast<std::uint8_t>(yv12 ? u : v);
        }
    return data;
}

// Each 32-bit pixel of a copy named by the letter of its colour; '?' for none.
std::string Letters(const std::vector<std::uint8_t>& picture) {
    std::string letters;
    for (std::size_t i = 0; i + 3 < picture.size(); i += 4) {
        const int b = picture[i], g = picture[i + 1], r = picture[i + 2];
        const auto is = [&](int wr, int wg, int wb) {
            return std::abs(r - wr) <= 2 && std::abs(g - wg) <= 2 && std::abs(b - wb) <= 2;
        };
        letters += is(0, 0, 0)         ? 'K'
                   : is(255, 255, 255) ? 'W'
                   : is(255, 0, 0)     ? 'R'
                   : is(0, 255, 0)     ? 'G'
                   : is(0, 0, 255)     ? 'B'
                                       : '?';
    }
    return letters;
}

}  // namespace

TEST(MirrorCopy, DecodersYuvLayoutsComeOutAsTheSameColours) {
    using platform::Pixels;
    struct Case {
        Pixels pixels;
        int pitch, left, right;
        const char* seen;
    };
    const Case cases[] = {
        {Pixels::Yuy2, 4, 0, 0, "KWRRWKRRGGBBGGBB"}, {Pixels::Yuy2, 6, 0, 4, "KWRRWKRRGGBBGGBB"},
        {Pixels::Nv12, 4, 0, 0, "KWRRWKRRGGBBGGBB"}, {Pixels::Nv12, 8, 0, 4, "KWRRWKRRGGBBGGBB"},
        {Pixels::Yv12, 4, 0, 0, "KWRRWKRRGGBBGGBB"}, {Pixels::Yv12, 8, 0, 4, "KWRRWKRRGGBBGGBB"},
        {Pixels::I420, 4, 0, 0, "KWRRWKRRGGBBGGBB"}, {Pixels::I420, 8, 2, 4, "RRRRBBBB"},
    };
    for (const Case& c : cases) {
        const auto data = Laid(c.pixels, c.pitch);
        // Positive heights too: YUV rows always run top-down.
        const FrameFormat format{c.pitch, 4, c.left, 0, c.right, c.right ? 4 : 0, c.pixels};
        std::vector<std::uint8_t> picture;
        ASSERT_TRUE(platform::CopyVisible(data.data(), data.size(), format, picture)) << int(c.pixels) << c.pitch;
        EXPECT_EQ(Letters(picture), c.seen) << int(c.pixels) << " pitch " << c.pitch;
        EXPECT_FALSE(platform::CopiedBottomUp(format));
        EXPECT_FALSE(platform::CopyVisible(data.data(), data.size() - 1, format, picture));
    }
}

// A 25 fps stream that started at clock time 1000 ms: picture n starts at
// n * 40 ms and is shown at 1000 + n * 40 ms, when the next one is handed over.
TEST(MirrorTiming, APictureIsPaintedWhenTheRendererShowsIt) {
    platform::MirrorTiming timing;
    // The first two pictures come at once (the renderer's queue fills): no
    // moment is known yet, so they are painted at once.
    timing.Handed(0, 990 * kMs);
    EXPECT_EQ(timing.Wait(0, 990 * kMs), 0);
    timing.Handed(40 * kMs, 1000 * kMs);  // picture 0 was just shown
    EXPECT_EQ(timing.Wait(40 * kMs, 1000 * kMs), 40 * kMs);
    // Late hand-overs (a busy machine) do not move the moment later.
    timing.Handed(80 * kMs, 1047 * kMs);
    EXPECT_EQ(timing.Wait(80 * kMs, 1047 * kMs), 33 * kMs);
    timing.Handed(120 * kMs, 1080 * kMs);
    EXPECT_EQ(timing.Wait(120 * kMs, 1085 * kMs), 35 * kMs);
    // An earlier hand-over shows the stream started earlier than thought.
    timing.Handed(160 * kMs, 1115 * kMs);
    EXPECT_EQ(timing.Wait(160 * kMs, 1115 * kMs), 40 * kMs);
    // A picture whose moment has passed goes at once.
    EXPECT_EQ(timing.Wait(160 * kMs, 1200 * kMs), 0);
}

TEST(MirrorTiming, ARewindStartsTheEstimateAnew) {
    platform::MirrorTiming timing;
    timing.Handed(0, 1000 * kMs);
    timing.Handed(40 * kMs, 1000 * kMs);
    EXPECT_GT(timing.Wait(40 * kMs, 1000 * kMs), 0);
    // The loop's restart: the stream begins at 0 again, 5 s later.
    timing.Handed(0, 6000 * kMs);
    EXPECT_EQ(timing.Wait(0, 6000 * kMs), 0);
    timing.Handed(40 * kMs, 6010 * kMs);
    EXPECT_EQ(timing.Wait(40 * kMs, 6010 * kMs), 40 * kMs);
}

TEST(MirrorTiming, AWaitLongerThanAFrameOfASlowVideoIsNotBelieved) {
    platform::MirrorTiming timing;
    timing.Handed(0, 1000 * kMs);
    timing.Handed(40 * kMs, 1000 * kMs);
    // The stream started at 1000 ms: a picture starting at s is shown s after now.
    EXPECT_EQ(timing.Wait(platform::MirrorTiming::kLongestWait, 1000 * kMs), 0);
    EXPECT_EQ(timing.Wait(platform::MirrorTiming::kLongestWait - kMs, 1000 * kMs),
              platform::MirrorTiming::kLongestWait - kMs);
}

namespace {

// A graph of numbered filters whose pins are named; records what is done to it.
struct RewiredGraph {
    RewiredGraph(std::vector<int> made, std::map<std::string, std::string> joined)
        : filters(std::move(made)), links(std::move(joined)) {}
    std::vector<int> filters;
    std::map<std::string, std::string> links;  // both directions
    bool directRefused = false;
    std::vector<std::string> calls;

    std::vector<int> Filters() const { return filters; }
    void Remove(int filter) {
        calls.push_back("Remove " + std::to_string(filter));
        filters.erase(std::find(filters.begin(), filters.end(), filter));
    }
    std::string ConnectedTo(const std::string& pin) const {
        const auto link = links.find(pin);
        return link == links.end() ? std::string() : link->second;
    }
    void Disconnect(const std::string& pin) {
        calls.push_back("Disconnect " + pin);
        links.erase(pin);
    }
    bool ConnectDirect(const std::string& out, const std::string& in) {
        calls.push_back("ConnectDirect " + out + " " + in);
        if (directRefused) return false;
        links[out] = in;
        links[in] = out;
        return true;
    }
    bool Connect(const std::string& out, const std::string& in) {
        calls.push_back("Connect " + out + " " + in);
        links[out] = in;
        links[in] = out;
        return true;
    }
};

}  // namespace

TEST(MirrorRollback, EveryFilterAddedGoesAndTheRendererIsFedAsBefore) {
    // Built: source 1 -> decoder 2 -> renderer 3. The re-wiring added the grabber 4 and
    // a converter 5 (decoder -> converter -> grabber) before the grabber's output failed.
    RewiredGraph graph({1, 2, 3, 4, 5}, {{"decoder.out", "converter.in"}, {"converter.in", "decoder.out"}});
    platform::RestoreConnection(graph, std::vector<int>{1, 2, 3}, std::string("decoder.out"),
                                std::string("renderer.in"));
    EXPECT_THAT(graph.filters, ElementsAre(1, 2, 3));
    EXPECT_THAT(graph.calls, ElementsAre("Remove 4", "Remove 5", "Disconnect decoder.out", "Disconnect renderer.in",
                                         "ConnectDirect decoder.out renderer.in"));
    EXPECT_EQ(graph.ConnectedTo("renderer.in"), "decoder.out");
}

TEST(MirrorRollback, ARendererThatWasNeverDisconnectedIsLeftAlone) {
    RewiredGraph graph({1, 2, 3, 4}, {{"decoder.out", "renderer.in"}, {"renderer.in", "decoder.out"}});
    platform::RestoreConnection(graph, std::vector<int>{1, 2, 3}, std::string("decoder.out"),
                                std::string("renderer.in"));
    EXPECT_THAT(graph.calls, ElementsAre("Remove 4"));
}

TEST(MirrorRollback, WhereTheOldTypeIsRefusedTheGraphConnectsAsItCan) {
    RewiredGraph graph({1, 2, 3}, {});
    graph.directRefused = true;
    platform::RestoreConnection(graph, std::vector<int>{1, 2, 3}, std::string("decoder.out"),
                                std::string("renderer.in"));
    EXPECT_THAT(graph.calls, ElementsAre("Disconnect decoder.out", "Disconnect renderer.in",
                                         "ConnectDirect decoder.out renderer.in", "Connect decoder.out renderer.in"));
}
