// ThreadChoice, driven by a clock of the test's own: the caller's pace is
// timed first, the thread is kept only when it reads faster by the margin,
// and the choice is tried again after pauses that grow while it holds.
#include "journal/thread_choice.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using Step = ThreadChoice::Step;
const int64_t kMs = 1'000'000;
const int64_t kWindow = ThreadChoice::kWindowNs;
const int64_t kFirst = ThreadChoice::kFirstPauseNs;

// Plays one side's reading at a pace (bytes per ms) in steps of a tenth of
// a window, as the prefetcher reports it, until the choice answers other
// than kGoOn or the time limit is reached; returns that answer.
struct Reading {
  ThreadChoice* choice;
  int64_t now = 0;
  int64_t bytes = 0;

  Step Run(bool onThread, int64_t pace, int64_t until) {
    while (now < until) {
      now += kWindow / 10;
      bytes += pace * (kWindow / 10) / kMs;
      Step s = onThread ? choice->OnThread(now, bytes) : choice->OnCaller(now, bytes);
      if (s != Step::kGoOn) return s;
    }
    return Step::kGoOn;
  }
};

TEST(ThreadChoiceTest, PaysOnlyWithTheMarginOverTheCallersPace) {
  const int64_t ms = kMs;
  EXPECT_TRUE(ThreadChoice::ThreadPays(1000, 20 * ms, 1500, 20 * ms));
  EXPECT_TRUE(ThreadChoice::ThreadPays(1000, 20 * ms, 1100, 20 * ms));
  EXPECT_FALSE(ThreadChoice::ThreadPays(1000, 20 * ms, 1090, 20 * ms));
  // Paces, not amounts: the same bytes in a longer window is slower.
  EXPECT_FALSE(ThreadChoice::ThreadPays(1000, 20 * ms, 1500, 40 * ms));
  EXPECT_TRUE(ThreadChoice::ThreadPays(1000, 40 * ms, 1000, 20 * ms));
  // Windows of gigabytes and seconds do not overflow.
  EXPECT_TRUE(ThreadChoice::ThreadPays(int64_t{40} << 30, 9'000 * ms, int64_t{50} << 30, 9'000 * ms));
  // Nothing timed: no gain shown.
  EXPECT_FALSE(ThreadChoice::ThreadPays(1000, 0, 1000, 20 * ms));
  EXPECT_FALSE(ThreadChoice::ThreadPays(0, 20 * ms, 0, 20 * ms));
}

// One try: the caller's window, the thread's, the caller's again. Returns
// the caller's answer after its second window (kStartThread: kept).
Step Try(Reading* r, int64_t before, int64_t thread, int64_t after) {
  EXPECT_EQ(r->Run(false, before, r->now + 1000 * kFirst), Step::kStartThread);
  int64_t started = r->now;
  EXPECT_EQ(r->Run(true, thread, r->now + 10 * kWindow), Step::kStopThread);
  // The thread's window opens at its first batch.
  EXPECT_LE(r->now - started, 2 * kWindow + kWindow / 10);
  int64_t stopped = r->now;
  Step s = r->Run(false, after, r->now + 2 * kWindow + kWindow / 10);
  if (s == Step::kStartThread) {
    EXPECT_GE(r->now - stopped, kWindow);
  }
  return s;
}

TEST(ThreadChoiceTest, AThreadThatDoesNotPayIsTriedAgainAfterGrowingPauses) {
  ThreadChoice choice(kFirst);
  Reading r{&choice};
  // The caller reads alone until the first try. The thread reads at the
  // caller's pace (another job holds the other core): not kept.
  EXPECT_EQ(Try(&r, 100, 100, 100), Step::kGoOn);
  EXPECT_GE(r.now, kFirst);
  EXPECT_EQ(choice.Refusals(), 1);
  // Tried again after one pause, then two, four, ... up to the longest.
  int64_t pause = kFirst;
  for (int i = 0; i < 7; ++i) {
    int64_t refused = r.now;
    EXPECT_EQ(Try(&r, 100, 105, 100), Step::kGoOn);  // 5% faster: not enough
    int64_t pauseSeen = r.now - refused;
    EXPECT_GE(pauseSeen, pause);
    EXPECT_LT(pauseSeen, pause + 5 * kWindow);
    pause = pause * 2 < ThreadChoice::kLongestPauseNs ? pause * 2 : ThreadChoice::kLongestPauseNs;
  }
  EXPECT_EQ(choice.Refusals(), 8);
  EXPECT_NEAR(choice.CallerPace(), 1e5, 1);  // 100 bytes per ms, per second
  EXPECT_NEAR(choice.ThreadPace(), 1.05e5, 1);
}

TEST(ThreadChoiceTest, TheThreadMustBeatTheFasterOfTheCallersWindows) {
  ThreadChoice choice(0);
  Reading r{&choice};
  // A stretch of cheaper records after the thread's window, or before it.
  EXPECT_EQ(Try(&r, 100, 150, 200), Step::kGoOn);
  EXPECT_EQ(Try(&r, 200, 150, 100), Step::kGoOn);
  EXPECT_EQ(Try(&r, 100, 150, 120), Step::kStartThread);
  EXPECT_EQ(choice.Refusals(), 2);
}

TEST(ThreadChoiceTest, AThreadThatPaysIsKeptAndTimedAgainLater) {
  ThreadChoice choice(0);
  Reading r{&choice};
  // Half as fast again: kept for a pause, then timed again.
  EXPECT_EQ(Try(&r, 100, 150, 100), Step::kStartThread);
  int64_t kept = r.now;
  EXPECT_EQ(r.Run(true, 150, r.now + 100 * kFirst), Step::kStopThread);
  EXPECT_GE(r.now - kept, kFirst);
  EXPECT_LT(r.now - kept, kFirst + kWindow);
  // Still paying: kept twice as long.
  EXPECT_EQ(Try(&r, 100, 150, 100), Step::kStartThread);
  kept = r.now;
  EXPECT_EQ(r.Run(true, 150, r.now + 100 * kFirst), Step::kStopThread);
  EXPECT_GE(r.now - kept, 2 * kFirst);
  EXPECT_LT(r.now - kept, 2 * kFirst + kWindow);
  EXPECT_EQ(choice.Refusals(), 0);
  // The other core gets busy: not kept, and the pause before the next try
  // starts from the first again.
  EXPECT_EQ(Try(&r, 100, 60, 100), Step::kGoOn);
  EXPECT_EQ(choice.Refusals(), 1);
  int64_t refused = r.now;
  EXPECT_EQ(Try(&r, 100, 150, 100), Step::kStartThread);
  EXPECT_LT(r.now - refused, kFirst + 5 * kWindow);
}

TEST(ThreadChoiceTest, OneProcessorNeverTriesTheThread) {
  ThreadChoice choice(-1);
  Reading r{&choice};
  EXPECT_EQ(r.Run(false, 100, 1000 * kFirst), Step::kGoOn);
}

}  // namespace
