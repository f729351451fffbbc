// ryxenc's worker thread: tasks run, their failures come back, and with a
// single processor nothing is handed over.

#include "cli/WorkerThread.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <stdexcept>
#include <thread>

namespace ryx::cli {
namespace {

TEST(WorkerThread, RunsTasksInTurnAndReturnsTheirFailures) {
    if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one processor";
    WorkerThread worker;
    int sum = 0;
    for (int i = 1; i <= 100; ++i) ASSERT_TRUE(worker.post([&sum, i] { sum += i; }));
    worker.wait();
    EXPECT_EQ(sum, 5050);

    ASSERT_TRUE(worker.post([] { throw std::runtime_error("no room"); }));
    EXPECT_THROW(worker.wait(), std::runtime_error);
    worker.wait();  // reported once
    ASSERT_TRUE(worker.post([&sum] { sum = 0; }));
    worker.wait();
    EXPECT_EQ(sum, 0);
}

TEST(WorkerThread, OnOneProcessorHandsNothingOver) {
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    std::thread confined([] {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(static_cast<std::size_t>(sched_getcpu()), &one);
        ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
        WorkerThread worker;
        EXPECT_FALSE(worker.start());
        bool ran = false;
        EXPECT_FALSE(worker.post([&ran] { ran = true; }));
        worker.wait();
        EXPECT_FALSE(ran);
    });
    confined.join();
}

}  // namespace
}  // namespace ryx::cli
