// The settings table, the debug output and the millisecond timer.
#include "support/messages/debug.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "support/messages/message_log.h"

namespace {

// The built-in values, in table order.
#define ZT_SETTINGS_INIT {0, 0, 0, 65536, 10, 1000, -1}

const int kDefaults[kSettingCount] = ZT_SETTINGS_INIT;
// The live table: constant-initialised, so it is valid before any code runs.
int settings[kSettingCount] = ZT_SETTINGS_INIT;

#undef ZT_SETTINGS_INIT

thread_local ZtDebugConfig* currentConfig = nullptr;

bool ValidIndex(int index) { return index >= 0 && index < kSettingCount; }

}  // namespace

int GetLevel(int index) { return ValidIndex(index) ? settings[index] : 0; }

void SetLevel(int index, int value) {
  if (ValidIndex(index)) settings[index] = value;
}

void ResetSettings() { memcpy(settings, kDefaults, sizeof(settings)); }

// ---------------------------------------------------------------------------
// Debug output.

ZtDebugConfig::ZtDebugConfig() : sink_(nullptr), outputFunction_(nullptr), outputContext_(nullptr) {}

ZtDebugConfig::~ZtDebugConfig() {
  if (currentConfig == this) currentConfig = nullptr;
}

int ZtDebugConfig::Reserve(int n) {
  if (n < 0) n = 0;
  uint32_t len = buffer_.Length();
  if (buffer_.Size() < len + static_cast<uint32_t>(n) + 1) {
    buffer_.Alloc(static_cast<uint32_t>(n) + 1);
    buffer_.SetLength(len);
    buffer_.NulTerminate();
  }
  return static_cast<int>(buffer_.Size() - len);
}

void ZtDebugConfig::Output() {
  if (outputFunction_) {
    outputFunction_(outputContext_, buffer_);
  } else if (sink_) {
    sink_->Output(buffer_);
  } else {
    fwrite(buffer_.Text(), 1, buffer_.Length(), stdout);
    fflush(stdout);
  }
}

void ZtDebugConfig::Install() { currentConfig = this; }

ZtDebugConfig* ZtDebugConfig::Current() { return currentConfig; }

void DebugPrintf(const char* format, ...) {
  int savedErrno = errno;
  va_list ap;
  ZtDebugConfig* config = currentConfig;
  if (!config) {
    va_start(ap, format);
    vfprintf(stdout, format, ap);
    va_end(ap);
    fflush(stdout);
    errno = savedErrno;
    return;
  }
  StrBuf* b = config->Buffer();
  uint32_t len = b->Length();
  int room = config->Reserve(80);
  va_start(ap, format);
  int n = vsnprintf(b->Value() + len, static_cast<size_t>(room), format, ap);
  va_end(ap);
  if (n >= room) {
    room = config->Reserve(n + 1);
    va_start(ap, format);
    n = vsnprintf(b->Value() + len, static_cast<size_t>(room), format, ap);
    va_end(ap);
  }
  if (n > 0) b->SetLength(len + static_cast<uint32_t>(n));
  if (b->Length() > 0 && b->Text()[b->Length() - 1] == '\n') {
    config->Output();
    b->Clear();
  }
  errno = savedErrno;
}

// ---------------------------------------------------------------------------
// Timers.

uint32_t TickCount() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
  return static_cast<uint32_t>(ms);
}

void Timer::Start() { StartAt(TickCount()); }

int Timer::Elapsed() { return ElapsedAt(TickCount()); }

void Timer::StartAt(uint32_t ticks) {
  startSecs = static_cast<int32_t>(ticks / 1000);
  startUsecs = static_cast<int32_t>(ticks % 1000) * 1000;
}

int Timer::ElapsedAt(uint32_t ticks) {
  lastSecs = static_cast<int32_t>(ticks / 1000);
  lastUsecs = static_cast<int32_t>(ticks % 1000) * 1000;
  if (lastSecs < startSecs) {
    // The 32-bit tick counter wrapped: add 2^32 milliseconds.
    lastSecs += 4294967;
    lastUsecs += 296000;
  }
  return (lastSecs - startSecs) * 1000 + (lastUsecs - startUsecs) / 1000;
}

void FormatSeconds(int ms, StrBuf* out) {
  if (ms < 0) ms = 0;
  int64_t b = int64_t{ms} + 9000 * (int64_t{ms} / 1000) + 1000;
  int point;  // index of the digit the point replaces, -1 for none
  if (ms >= 100000) {
    b /= 10000;
    point = -1;
  } else if (ms < 10000) {
    if (ms < 1000) {
      point = 0;
    } else {
      b /= 10;
      point = 1;
    }
  } else {
    b /= 100;
    point = 2;
  }
  char digits[24];
  char* s = FormatInt64(b, digits + sizeof(digits));
  if (point >= 0) s[point] = '.';
  out->Append(s);
}
