#include "toolkit/timer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/headless_backend.h"

namespace {

using toolkit::Form;
using toolkit::HeadlessBackend;
using toolkit::Timer;

// A form with one timer whose ticks are recorded as clock readings.
struct TimerFixture : ::testing::Test {
    HeadlessBackend backend;
    Form form{backend, "Form"};
    Timer timer{form, "Timer"};
    std::vector<std::uint64_t> ticks;

    TimerFixture() {
        timer.OnTimer = [this](toolkit::Component&) { ticks.push_back(backend.now()); };
    }
};

TEST_F(TimerFixture, NothingFiresBeforeTheFormHasItsHandle) {
    timer.SetInterval(100);
    backend.advance(1000);
    EXPECT_TRUE(ticks.empty());
    form.Loaded();
    backend.advance(250);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{1100, 1200}));
}

TEST_F(TimerFixture, FiresEveryPeriodUntilDisabled) {
    timer.SetInterval(1000);
    form.Loaded();
    backend.advance(999);
    EXPECT_TRUE(ticks.empty());
    backend.advance(1);
    backend.advance(2500);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{1000, 2000, 3000}));
    timer.SetEnabled(false);
    backend.advance(5000);
    EXPECT_EQ(ticks.size(), 3u);
    EXPECT_FALSE(timer.Running());
}

TEST_F(TimerFixture, EnablingAnEnabledTimerDoesNotRestartItsPeriod) {
    timer.SetInterval(1000);
    form.Loaded();
    backend.advance(700);
    timer.SetEnabled(true);
    backend.advance(300);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{1000}));
}

TEST_F(TimerFixture, EnablingADisabledTimerStartsAFullPeriod) {
    timer.SetEnabled(false);
    timer.SetInterval(1000);
    form.Loaded();
    backend.advance(400);
    EXPECT_TRUE(ticks.empty());
    timer.SetEnabled(true);
    backend.advance(999);
    EXPECT_TRUE(ticks.empty());
    backend.advance(1);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{1400}));
}

TEST_F(TimerFixture, ANewPeriodRestartsButTheSamePeriodDoesNot) {
    timer.SetInterval(1000);
    form.Loaded();
    backend.advance(600);
    timer.SetInterval(1000);  // unchanged: the period runs on
    backend.advance(400);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{1000}));
    backend.advance(500);
    timer.SetInterval(300);  // changed: a full new period from now
    backend.advance(299);
    EXPECT_EQ(ticks.size(), 1u);
    backend.advance(1);
    EXPECT_EQ(ticks.back(), 1800u);
    // A new period on a disabled timer starts nothing.
    timer.SetEnabled(false);
    timer.SetInterval(50);
    backend.advance(1000);
    EXPECT_EQ(ticks.size(), 2u);
}

TEST_F(TimerFixture, AHandlerThatDisablesItsTimerGetsOneTick) {
    timer.SetInterval(100);
    timer.OnTimer = [this](toolkit::Component&) {
        ticks.push_back(backend.now());
        timer.SetEnabled(false);
    };
    form.Loaded();
    backend.advance(1000);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{100}));
}

TEST_F(TimerFixture, TwoTimersFireInTimeOrder) {
    Timer other{form, "Other"};
    std::vector<std::string> order;
    timer.SetInterval(300);
    other.SetInterval(200);
    timer.OnTimer = [&](toolkit::Component& sender) { order.push_back(sender.Name()); };
    other.OnTimer = timer.OnTimer;
    form.Loaded();
    backend.advance(600);
    // 200 Other, 300 Timer, 400 Other, 600 Timer then Other (Timer's period began first).
    EXPECT_EQ(order, (std::vector<std::string>{"Other", "Timer", "Other", "Timer", "Other"}));
}

TEST_F(TimerFixture, AnErrorInATickGoesToTheErrorBoxAndTheTimerRunsOn) {
    timer.SetInterval(100);
    timer.OnTimer = [this](toolkit::Component&) {
        ticks.push_back(backend.now());
        throw std::runtime_error("Tick failed");
    };
    form.Loaded();
    backend.advance(200);
    EXPECT_EQ(ticks.size(), 2u);
    ASSERT_EQ(backend.errorBoxes().size(), 2u);
    EXPECT_EQ(backend.errorBoxes()[0].text, "Tick failed.");
    EXPECT_EQ(backend.errorBoxes()[0].caption, "winamp");
}

TEST_F(TimerFixture, DestroyingTheHandleStopsTheTimers) {
    timer.SetInterval(100);
    form.Loaded();
    form.DestroyHandle();
    backend.advance(1000);
    EXPECT_TRUE(ticks.empty());
    EXPECT_TRUE(timer.Enabled());
}

}  // namespace
