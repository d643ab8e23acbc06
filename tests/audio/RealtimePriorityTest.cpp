// Real-time priority is asked for and the answer is true to how the thread then runs. Whether
// it is granted depends on the machine (root, RLIMIT_RTPRIO, rtkit), so either answer passes.
#include "audio/core/RealtimePriority.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <thread>

namespace {

using namespace quillmere::audio;

struct Outcome {
    PriorityRequest answer = PriorityRequest::Refused;
    int policy = -1;
};

// On a thread of its own, so that the test's thread keeps its scheduling.
Outcome requestOnAThread()
{
    Outcome outcome;
    std::thread([&outcome] {
        outcome.answer = requestRealtimePriority(2);
        sched_param param{};
        pthread_getschedparam(pthread_self(), &outcome.policy, &param);
        outcome.policy &= ~SCHED_RESET_ON_FORK;
    }).join();
    return outcome;
}

TEST(RealtimePriorityTest, TheAnswerIsHowTheThreadRuns)
{
    const Outcome first = requestOnAThread();
    if (first.answer == PriorityRequest::Granted)
        EXPECT_TRUE(first.policy == SCHED_FIFO || first.policy == SCHED_RR) << first.policy;
    else
        EXPECT_EQ(first.policy, SCHED_OTHER);
    // Asked again (the next channel's threads), the answer is the same.
    EXPECT_EQ(requestOnAThread().answer, first.answer);
}

} // namespace
