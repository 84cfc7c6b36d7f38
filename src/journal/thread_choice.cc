#include "journal/thread_choice.h"

#include <cstdint>

ThreadChoice::ThreadChoice(int64_t firstTryAt) : tryAt_(firstTryAt < 0 ? INT64_MAX : firstTryAt) {}

void ThreadChoice::OpenWindow(int64_t now, int64_t bytes) {
  windowStart_ = now;
  windowBytes_ = bytes;
}

bool ThreadChoice::ThreadPays(int64_t hereBytes, int64_t hereNs, int64_t threadBytes,
                              int64_t threadNs) {
  if (hereNs <= 0 || threadNs <= 0 || threadBytes <= 0) return false;
  // threadBytes / threadNs >= hereBytes / hereNs * gain, without dividing.
  return static_cast<double>(threadBytes) * hereNs * 100 >=
         static_cast<double>(hereBytes) * threadNs * kMinGainPercent;
}

int64_t ThreadChoice::NextPause(bool kept) {
  if (lastKept_ == static_cast<int>(kept)) {
    pauseNs_ = pauseNs_ * 2 < kLongestPauseNs ? pauseNs_ * 2 : kLongestPauseNs;
  } else {
    pauseNs_ = kFirstPauseNs;
  }
  lastKept_ = kept;
  return pauseNs_;
}

ThreadChoice::Step ThreadChoice::OnCaller(int64_t now, int64_t bytes) {
  if (windowStart_ < 0) {
    OpenWindow(now, bytes);
    return Step::kGoOn;
  }
  if (now - windowStart_ < kWindowNs) return Step::kGoOn;
  int64_t windowBytes = bytes - windowBytes_, windowNs = now - windowStart_;
  double pace = static_cast<double>(windowBytes) / windowNs;
  if (phase_ == Phase::kAfterTry) {
    // The caller's pace before and after the thread's window: the thread
    // must beat the faster, so that a stretch of records cheaper or dearer
    // than the rest does not decide for it.
    phase_ = Phase::kAlone;
    if (pace > herePace_) {
      hereBytes_ = windowBytes;
      hereNs_ = windowNs;
    }
    herePace_ = pace;
    if (ThreadPays(hereBytes_, hereNs_, threadBytes_, threadNs_)) {
      phase_ = Phase::kKept;
      recheckAt_ = now + NextPause(true);
      windowStart_ = -1;
      return Step::kStartThread;
    }
    ++refusals_;
    tryAt_ = now + NextPause(false);
    OpenWindow(now, bytes);
    return Step::kGoOn;
  }
  hereBytes_ = windowBytes;
  hereNs_ = windowNs;
  herePace_ = pace;
  if (now < tryAt_) {
    OpenWindow(now, bytes);
    return Step::kGoOn;
  }
  // The thread's window opens at its first batch, once it is under way.
  phase_ = Phase::kTrying;
  windowStart_ = -1;
  return Step::kStartThread;
}

ThreadChoice::Step ThreadChoice::OnThread(int64_t now, int64_t bytes) {
  if (phase_ == Phase::kKept) {
    // Until it is time to see whether it still pays.
    if (now < recheckAt_) return Step::kGoOn;
    phase_ = Phase::kAlone;
    tryAt_ = now;  // right after the caller's next window
    windowStart_ = -1;
    return Step::kStopThread;
  }
  if (phase_ != Phase::kTrying) return Step::kGoOn;
  if (windowStart_ < 0) {
    OpenWindow(now, bytes);
    return Step::kGoOn;
  }
  if (now - windowStart_ < kWindowNs) return Step::kGoOn;
  threadBytes_ = bytes - windowBytes_;
  threadNs_ = now - windowStart_;
  threadPace_ = static_cast<double>(threadBytes_) / threadNs_;
  // The caller times one more window before the choice is made.
  phase_ = Phase::kAfterTry;
  windowStart_ = -1;
  return Step::kStopThread;
}
