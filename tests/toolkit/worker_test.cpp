// The worker's queue: when a runner exists, the order of the outcomes, failures and Stop.
#include "toolkit/worker.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/headless_backend.h"

namespace {

using toolkit::HeadlessBackend;

// Each call of a job is recorded as "<call> <number>".
class RecordingJob : public toolkit::Job {
public:
    RecordingJob(int number, std::vector<std::string>& events, std::function<void()> run)
        : number_(std::to_string(number)), events_(events), run_(std::move(run)) {}

    void Run() override {
        events_.push_back("run " + number_);
        if (run_) run_();
    }
    void Finish() override { events_.push_back("finish " + number_); }
    void Dropped() override { events_.push_back("dropped " + number_); }
    void Failed(std::string_view why) override { events_.push_back("failed " + number_ + ": " + std::string(why)); }
    void Cancel() override { events_.push_back("cancel " + number_); }

private:
    std::string number_;
    std::vector<std::string>& events_;
    std::function<void()> run_;
};

struct WorkerTest : ::testing::Test {
    HeadlessBackend backend;
    toolkit::Form form{backend, "Form"};
    std::unique_ptr<toolkit::Worker> worker = backend.CreateWorker(form);
    std::vector<std::string> events;

    WorkerTest() { backend.holdJobs = true; }

    void Queue(int first, int last, std::function<void()> run = {}) {
        for (int number = first; number <= last; ++number)
            worker->Queue(std::make_unique<RecordingJob>(number, events, run));
    }
    void RunAll() {
        while (backend.RunNextJob()) {
        }
    }
    std::vector<std::string> Take() { return std::exchange(events, {}); }
};

TEST_F(WorkerTest, ARunnerLivesOnlyWhileJobsWaitAndAStoppedWorkerNeverStartsOne) {
    Queue(1, 2);
    EXPECT_EQ(backend.runnerStarts(), 1);
    RunAll();
    EXPECT_EQ(Take(), (std::vector<std::string>{"run 1", "finish 1", "run 2", "finish 2"}));
    // The runner ended with the queue empty: the next job needs a new one.
    Queue(3, 3);
    EXPECT_EQ(backend.runnerStarts(), 2);
    RunAll();
    EXPECT_EQ(Take(), (std::vector<std::string>{"run 3", "finish 3"}));
    EXPECT_TRUE(worker->Stop(0));
    Queue(4, 5);
    EXPECT_EQ(backend.runnerStarts(), 2);
    EXPECT_EQ(backend.waitingJobs(), 0u);
    RunAll();
    EXPECT_TRUE(Take().empty());
}

TEST_F(WorkerTest, AFailingRunIsReportedInItsPlaceAndTheWorkerGoesOn) {
    struct Case {
        std::function<void()> fail;
        std::string why;
    };
    const Case cases[] = {
        {[] { throw std::bad_alloc(); }, "out of memory"},
        {[] { throw std::runtime_error("lines not built"); }, "lines not built"},
        {[] { throw 7; }, "unknown error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Queue(1, 1, c.fail);
        Queue(2, 2);
        RunAll();
        EXPECT_EQ(Take(), (std::vector<std::string>{"run 1", "failed 1: " + c.why, "run 2", "finish 2"}));
    }
    // Nothing is left running that a Stop could still reach.
    EXPECT_TRUE(worker->Stop(0));
    EXPECT_TRUE(Take().empty());
}

TEST_F(WorkerTest, ARunnerThatCannotStartFailsTheJobsAndTheNextJobTriesAgain) {
    backend.failRunnerStarts = true;
    Queue(1, 2);
    EXPECT_EQ(Take(), (std::vector<std::string>{"failed 1: no thread could be started",
                                                "failed 2: no thread could be started"}));
    EXPECT_EQ(backend.waitingJobs(), 0u);
    backend.failRunnerStarts = false;
    Queue(3, 3);
    RunAll();
    EXPECT_EQ(Take(), (std::vector<std::string>{"run 3", "finish 3"}));
}

TEST_F(WorkerTest, ADroppedJobIsReportedWhereItsOutcomeWouldHaveCome) {
    Queue(1, 1);
    ASSERT_TRUE(backend.StartNextJob());
    Queue(2, 2 + toolkit::JobQueue::kMaxWaiting);  // one more than may wait
    EXPECT_TRUE(Take().empty());
    ASSERT_TRUE(backend.FinishRunningJob());
    EXPECT_EQ(Take(), (std::vector<std::string>{"run 1", "finish 1", "dropped 2"}));
    RunAll();
    EXPECT_EQ(Take().size(), 2 * toolkit::JobQueue::kMaxWaiting);
}

TEST_F(WorkerTest, StopCancelsTheRunningJobWaitsForItAndDeliversNothing) {
    Queue(1, 3);
    ASSERT_TRUE(backend.StartNextJob());
    EXPECT_FALSE(worker->Stop(0));
    EXPECT_EQ(Take(), (std::vector<std::string>{"cancel 1"}));
    EXPECT_EQ(backend.waitingJobs(), 0u);
    ASSERT_TRUE(backend.FinishRunningJob());
    EXPECT_TRUE(worker->Stop(0));
    RunAll();
    EXPECT_EQ(Take(), (std::vector<std::string>{"run 1"}));
}

}  // namespace
