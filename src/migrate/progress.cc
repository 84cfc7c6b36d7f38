// The scan's progress line on the terminal.
#include "migrate/progress.h"

#include <cstdio>

#include "journal/zt_journal.h"
#include "support/files/posix/os_file.h"
#include "support/messages/message_log.h"

namespace {

// The first redraw comes after this long, so that a short run shows nothing;
// then the line is refreshed a few times a second.
const int kFirstDelayMs = 500;
const int kRefreshMs = 250;

// The indicator whose line is on the terminal now, erased by the message
// log's before-output hook.
ScanProgress* shownProgress = nullptr;

void EraseShownProgress() {
  if (shownProgress) shownProgress->Erase();
}

}  // namespace

ScanProgress::ScanProgress(ZtJournal* r)
    : ScanProgress(r, kOsStderr, kFirstDelayMs, kRefreshMs) {
  // Only a terminal that the message log writes to gets the line: with -l
  // standard error is the log file, and at verbosity 0 the run stays quiet.
  enabled = OsIsTerminal(kOsStderr) && Verbosity() >= 1 &&
            GetMessageLog()->Type() == MessageLog::kStderr;
}

ScanProgress::ScanProgress(ZtJournal* r, int out, int firstDelay, int refresh)
    : reader(r),
      fd(out),
      enabled(true),
      firstDelayMs(firstDelay),
      refreshMs(refresh),
      total(0),
      lastDrawMs(0),
      shownLength(0) {
  // A compressed input is read in more bytes than it is stored in, so its
  // stored size gives no percentage.
  if (reader && !reader->Compressed()) total = reader->Size();
  timer.Start();
}

ScanProgress::~ScanProgress() { Erase(); }

void ScanProgress::Check(int64_t records) {
  int now = timer.Elapsed();
  if (shownLength == 0 ? now < firstDelayMs : now - lastDrawMs < refreshMs) return;
  Draw(records);
}

void ScanProgress::Draw(int64_t records) {
  int now = timer.Elapsed();
  lastDrawMs = now;
  int64_t bytes = reader ? reader->BytesRead() : 0;

  StrBuf line;
  FormatLine(bytes, total, records, now, &line);
  text.Clear();
  text.AppendChar('\r');
  text.Append(line);
  // A shorter line must blank what is left of the longer one before it.
  for (uint32_t i = line.Length(); i < shownLength; ++i) text.AppendChar(' ');
  Write(text);
  shownLength = line.Length() > shownLength ? line.Length() : shownLength;
  if (shownProgress != this) {
    shownProgress = this;
    SetBeforeOutputHook(EraseShownProgress);
  }
}

void ScanProgress::Erase() {
  if (shownLength == 0) return;
  text.Clear();
  text.AppendChar('\r');
  for (uint32_t i = 0; i < shownLength; ++i) text.AppendChar(' ');
  text.AppendChar('\r');
  Write(text);
  shownLength = 0;
  if (shownProgress == this) {
    shownProgress = nullptr;
    SetBeforeOutputHook(nullptr);
  }
}

void ScanProgress::Write(const StrPtr& out) {
  // A terminal that cannot be written to gets no more lines.
  if (OsWriteFd(fd, out.Text(), out.Length()) != 0) enabled = false;
}

void ScanProgress::FormatLine(int64_t bytes, int64_t total, int64_t records, int64_t elapsedMs,
                              StrBuf* out) {
  out->Clear();
  FormatBytes(bytes, out);
  out->Append(" read");
  bool known = total > 0 && bytes <= total;
  if (known) {
    out->Append(" (");
    out->AppendInt(bytes * 100 / total);
    out->Append("%)");
  }
  out->Append(", ");
  out->AppendInt(elapsedMs > 0 ? records * 1000 / elapsedMs : 0);
  out->Append(" records/s");
  if (known && bytes > 0 && elapsedMs > 0) {
    // The rest is assumed to go at the average pace so far.
    int64_t leftMs = static_cast<int64_t>(static_cast<double>(total - bytes) *
                                          static_cast<double>(elapsedMs) /
                                          static_cast<double>(bytes));
    out->Append(", ");
    FormatDuration((leftMs + 999) / 1000, out);
    out->Append(" left");
  }
}

void ScanProgress::FormatBytes(int64_t bytes, StrBuf* out) {
  char buf[32];
  const double kKiB = 1024.0;
  double b = static_cast<double>(bytes);
  if (bytes < 1024)
    snprintf(buf, sizeof(buf), "%lld B", static_cast<long long>(bytes));
  else if (b < kKiB * kKiB)
    snprintf(buf, sizeof(buf), "%.1f KB", b / kKiB);
  else if (b < kKiB * kKiB * kKiB)
    snprintf(buf, sizeof(buf), "%.1f MB", b / (kKiB * kKiB));
  else
    snprintf(buf, sizeof(buf), "%.2f GB", b / (kKiB * kKiB * kKiB));
  out->Append(buf);
}

void ScanProgress::FormatDuration(int64_t seconds, StrBuf* out) {
  if (seconds < 0) seconds = 0;
  char buf[32];
  if (seconds >= 3600)
    snprintf(buf, sizeof(buf), "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
             static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  else
    snprintf(buf, sizeof(buf), "%lld:%02lld", static_cast<long long>(seconds / 60),
             static_cast<long long>(seconds % 60));
  out->Append(buf);
}
