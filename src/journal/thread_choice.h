// ThreadChoice: decides, from the pace of the reading itself, whether
// records are parsed on a thread of their own or on the caller's thread.
//
// A second thread pays only when it makes the reading go faster: when it
// has a processor of its own, and handing the records between the cores
// costs less than it saves. Neither can be known in advance (another job
// may hold the other processor, and on some machines two busy cores run
// slower each), so the reading is timed both ways, window by window, in
// bytes handed out per second of wall time. The caller reads alone for a
// window, then the thread for one, then the caller again; the thread is
// kept only when it was at least kMinGainPercent as fast as the faster of
// the caller's two windows (tables differ in the cost of a byte, so a
// window falling on cheaper records must not decide). Either way the choice is tried again after
// a pause that doubles while the answer stays the same (up to
// kLongestPauseNs) and starts again at kFirstPauseNs when it changes, so a
// machine that gets busier or quieter during a long run is followed, and a
// thread that does not pay costs one window per pause.
//
// It holds no clock of its own: the caller passes the time, which makes
// it a value that tests drive with any clock they like.
#ifndef ZT_JOURNAL_THREAD_CHOICE_H_
#define ZT_JOURNAL_THREAD_CHOICE_H_

#include <cstdint>

class ThreadChoice {
 public:
  // The length of a timed window, the gain the thread must show (in per
  // cent of the caller's own pace), and the pauses between tries.
  static constexpr int64_t kWindowNs = 20'000'000;
  static const int kMinGainPercent = 110;
  static constexpr int64_t kFirstPauseNs = 2'000'000'000;
  static constexpr int64_t kLongestPauseNs = 32'000'000'000;

  enum class Step { kGoOn, kStartThread, kStopThread };

  // The caller reads alone until firstTryAt (on the clock passed in
  // later), then the thread is tried; a negative time never tries it (a
  // process allowed one processor).
  explicit ThreadChoice(int64_t firstTryAt);

  // The caller read records itself; bytes is the count handed out so far.
  // kStartThread when the thread is to be tried now, or to be kept.
  Step OnCaller(int64_t now, int64_t bytes);
  // The thread handed over a batch; kStopThread when the caller is to read
  // on its own from now on (its window was timed, or it is time to time the
  // caller again).
  Step OnThread(int64_t now, int64_t bytes);

  // True when the thread, run for threadNs, handed out threadBytes at
  // enough of a gain over the caller's hereBytes in hereNs.
  static bool ThreadPays(int64_t hereBytes, int64_t hereNs, int64_t threadBytes, int64_t threadNs);

  // The paces of the last windows, in bytes per second (for the debug log).
  double CallerPace() const { return herePace_ * 1e9; }
  double ThreadPace() const { return threadPace_ * 1e9; }
  // Times the thread was stopped for not paying.
  int Refusals() const { return refusals_; }

 private:
  void OpenWindow(int64_t now, int64_t bytes);
  // The next pause, after a decision (kept: the thread paid).
  int64_t NextPause(bool kept);

  // The caller reads alone (and times itself), the thread is being timed,
  // the caller times itself again before the choice, or the thread is kept.
  enum class Phase { kAlone, kTrying, kAfterTry, kKept };
  Phase phase_ = Phase::kAlone;

  int64_t windowStart_ = -1;  // -1: no window open
  int64_t windowBytes_ = 0;
  int64_t hereBytes_ = 0;  // the caller's window the thread must beat
  int64_t hereNs_ = 0;
  double herePace_ = 0;    // bytes per ns, of the caller's last window
  int64_t threadBytes_ = 0;  // the thread's last window
  int64_t threadNs_ = 0;
  double threadPace_ = 0;
  int64_t tryAt_;          // when the caller starts the thread
  int64_t recheckAt_ = 0;  // while the thread is kept: when to time again
  int64_t pauseNs_ = kFirstPauseNs;
  int lastKept_ = -1;  // the last decision: -1 none yet, 0 stopped, 1 kept
  int refusals_ = 0;
};

#endif  // ZT_JOURNAL_THREAD_CHOICE_H_
