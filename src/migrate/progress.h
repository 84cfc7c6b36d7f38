// ScanProgress: the one self-overwriting line that a scan keeps on the
// terminal while it reads a large checkpoint: the bytes read, the share of
// the input's size, the records per second and the estimated time left.
//
// It shows only when standard error is a terminal that the message log
// writes to (no -l) and the verbosity is at least 1; otherwise it does
// nothing at all. It writes to standard error only, never into an output or
// a report: while shown it installs the message log's before-output hook, so
// that any line printed through the log first erases it, and it erases itself
// when destroyed. The reader is not owned. At most one indicator is shown at
// a time.
#ifndef ZT_MIGRATE_PROGRESS_H_
#define ZT_MIGRATE_PROGRESS_H_

#include <cstdint>

#include "support/messages/debug.h"
#include "support/text/strbuf.h"

class ZtJournal;

class ScanProgress {
 public:
  // The clock is read once per this many records.
  static const int64_t kCheckEvery = 1024;

  // An indicator for a scan of reader, shown on standard error when that is
  // a terminal the message log writes to and the verbosity is at least 1.
  explicit ScanProgress(ZtJournal* reader);
  // Test seam: an indicator that always writes to fd, first after
  // firstDelayMs and then every refreshMs.
  ScanProgress(ZtJournal* reader, int fd, int firstDelayMs, int refreshMs);
  ScanProgress(const ScanProgress&) = delete;
  ScanProgress& operator=(const ScanProgress&) = delete;
  // Erases the line.
  ~ScanProgress();

  // Called with the count of records read so far, once per record; cheap
  // except every kCheckEvery records, when it may redraw the line.
  void Record(int64_t records) {
    if (enabled && records % kCheckEvery == 0) Check(records);
  }
  // Redraws the line now, whatever the time (shows it if it was not shown).
  void Draw(int64_t records);
  // Removes the line from the terminal, if it is shown.
  void Erase();

  bool Enabled() const { return enabled; }
  bool Shown() const { return shownLength > 0; }

  // The line's text: bytes read, then, when total is known (above 0 and
  // comparable), the percentage and the time left, and the records per
  // second over elapsedMs.
  static void FormatLine(int64_t bytes, int64_t total, int64_t records, int64_t elapsedMs,
                         StrBuf* out);
  // Bytes as "512 B", "12.3 KB", "4.5 MB" or "1.23 GB" (binary multiples).
  static void FormatBytes(int64_t bytes, StrBuf* out);
  // Seconds as "M:SS", or "H:MM:SS" from one hour on.
  static void FormatDuration(int64_t seconds, StrBuf* out);

 private:
  void Check(int64_t records);
  void Write(const StrPtr& text);

  ZtJournal* reader;  // not owned
  int fd;
  bool enabled;
  int firstDelayMs;
  int refreshMs;
  int64_t total;      // the input's size when BytesRead is comparable, else 0
  Timer timer;
  int lastDrawMs;
  uint32_t shownLength;  // columns of the line on the terminal; 0 when none
  StrBuf text;           // reused for every redraw
};

#endif  // ZT_MIGRATE_PROGRESS_H_
