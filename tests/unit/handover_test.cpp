// A value made off the window's thread reaches its taker whole, once, and only
// while the taker still wants it: the rule behind the video's build and the
// music player's opens, where an outdated open must never be played; and the
// video's stop, whose work is given the video whole.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/background.h"

namespace {

// Keeps every piece of work until the test runs it, as threads that have not
// returned yet would.
class HeldBackground final : public platform::Background {
public:
    std::unique_ptr<platform::Job> Start(std::function<void()> work) override {
        works.push_back({std::move(work), std::make_shared<bool>(false)});
        return std::make_unique<HeldJob>(works.back().finished);
    }
    void Return(std::size_t index) {
        Work& work = works.at(index);
        work.run();
        work.run = nullptr;  // the thread lets go of what it held
        *work.finished = true;
    }

private:
    struct Work {
        std::function<void()> run;
        std::shared_ptr<bool> finished;
    };
    class HeldJob final : public platform::Job {
    public:
        explicit HeldJob(std::shared_ptr<bool> finished) : finished_(std::move(finished)) {}
        bool Finished() override { return *finished_; }

    private:
        std::shared_ptr<bool> finished_;
    };
    std::vector<Work> works;
};

// A value that counts how many of its kind are alive.
struct Counted {
    explicit Counted(int n, std::shared_ptr<int> alive) : number(n), alive_(std::move(alive)) { ++*alive_; }
    Counted(Counted&& other) noexcept : number(other.number), alive_(other.alive_) { ++*alive_; }
    ~Counted() { --*alive_; }
    int number;

private:
    std::shared_ptr<int> alive_;
};

}  // namespace

TEST(Handover, TheValueIsTakenOnceItsWorkHasReturnedAndOnlyOnce) {
    HeldBackground background;
    auto alive = std::make_shared<int>(0);
    platform::Handover<Counted> handover;
    handover.Start(background, [alive] { return Counted(7, alive); });
    EXPECT_TRUE(handover.Pending());
    EXPECT_FALSE(handover.Take());
    background.Return(0);
    EXPECT_FALSE(handover.Pending());
    std::optional<Counted> taken = handover.Take();
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->number, 7);
    EXPECT_FALSE(handover.Take());
    EXPECT_EQ(*alive, 1);  // the taker's alone
}

TEST(Handover, AValueDroppedWhileItIsMadeGoesWithItsWork) {
    HeldBackground background;
    auto alive = std::make_shared<int>(0);
    platform::Handover<Counted> handover;
    handover.Start(background, [alive] { return Counted(1, alive); });
    handover.Drop();
    EXPECT_FALSE(handover.Pending());
    background.Return(0);
    EXPECT_FALSE(handover.Take());
    EXPECT_EQ(*alive, 0);
}

TEST(Handover, AnOutdatedValueNeverReachesTheTaker) {
    HeldBackground background;
    auto alive = std::make_shared<int>(0);
    platform::Handover<Counted> handover;
    handover.Start(background, [alive] { return Counted(1, alive); });
    handover.Start(background, [alive] { return Counted(2, alive); });
    // The newer work returns first, the outdated one later: either way round,
    // only the newer value is taken, and the outdated one is gone.
    background.Return(1);
    background.Return(0);
    std::optional<Counted> taken = handover.Take();
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->number, 2);
    EXPECT_EQ(*alive, 1);
}

TEST(Handover, AnInputMovedToTheWorkIsTheWorksAloneAndGoesWithIt) {
    HeldBackground background;
    auto alive = std::make_shared<int>(0);
    platform::Handover<int> handover;
    handover.Start(background, Counted(5, alive), [](Counted input) { return input.number * 10; });
    EXPECT_EQ(*alive, 1);  // held for the work, not by the starter
    background.Return(0);
    EXPECT_EQ(*alive, 0);
    EXPECT_EQ(handover.Take(), 50);
}
