#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "serial/EventQueue.h"

namespace carecfg {
namespace {

using namespace std::chrono_literals;

TEST(EventQueue, RunForReportsNothingWhenIdle) {
    EventQueue queue;
    EXPECT_FALSE(queue.RunFor(10ms));
    EXPECT_EQ(queue.RunReady(), 0u);
}

TEST(EventQueue, RunsPostsFromOtherThreadsInOrderOnTheCaller) {
    EventQueue queue;
    std::vector<int> ran;
    const auto owner = std::this_thread::get_id();
    bool onOwner = true;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            queue.Post([&, i] {
                ran.push_back(i);
                onOwner = onOwner && std::this_thread::get_id() == owner;
            });
    });
    worker.join();
    EXPECT_TRUE(queue.RunFor(5s));
    ASSERT_EQ(ran.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(ran[i], i);
    EXPECT_TRUE(onOwner);
}

TEST(EventQueue, WakesAWaitingOwner) {
    EventQueue queue;
    bool ran = false;
    std::thread worker([&] {
        std::this_thread::sleep_for(20ms);
        queue.Post([&] { ran = true; });
    });
    EXPECT_TRUE(queue.RunFor(10s));
    worker.join();
    EXPECT_TRUE(ran);
}

TEST(EventQueue, PostedWhileRunningWaitsForTheNextRun) {
    EventQueue queue;
    int second = 0;
    queue.Post([&] { queue.Post([&] { ++second; }); });
    EXPECT_EQ(queue.RunReady(), 1u);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(queue.RunReady(), 1u);
    EXPECT_EQ(second, 1);
}

TEST(EventQueue, AThrowingNotificationKeepsTheRestQueued) {
    EventQueue queue;
    std::vector<int> ran;
    queue.Post([&] { ran.push_back(1); });
    queue.Post([] { throw std::runtime_error("handler failed"); });
    queue.Post([&] { ran.push_back(3); });
    EXPECT_THROW(queue.RunReady(), std::runtime_error);
    EXPECT_EQ(queue.Pending(), 1u);
    EXPECT_EQ(queue.RunReady(), 1u);
    EXPECT_EQ(ran, (std::vector<int>{1, 3}));
}

}  // namespace
}  // namespace carecfg
