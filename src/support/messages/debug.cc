// The settings table, the debug output and the millisecond timer.
#include "support/messages/debug.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

#include "support/messages/message_log.h"

namespace {

struct Setting {
  const char* name;
  int32_t isSet;
  int32_t value;
  int32_t min, max;
  int32_t step;
  int32_t unit;
  int32_t previous;
};

#define ZT_CATEGORY(n) {n, 0, 0, 0, 10, 1, 1, 0}

// The built-in values, in table order.
#define ZT_SETTINGS_INIT                                                            \
  {                                                                                 \
    ZT_CATEGORY("db"), ZT_CATEGORY("diff"), ZT_CATEGORY("dm"), ZT_CATEGORY("dmc"),  \
    ZT_CATEGORY("ftp"), ZT_CATEGORY("handle"), ZT_CATEGORY("lbr"),                  \
    ZT_CATEGORY("map"), ZT_CATEGORY("net"), ZT_CATEGORY("options"),                 \
    ZT_CATEGORY("peek"), ZT_CATEGORY("rcs"), ZT_CATEGORY("records"),                \
    ZT_CATEGORY("rpc"), ZT_CATEGORY("server"), ZT_CATEGORY("spec"),                 \
    {"track", 0, -1, -1, 10, 1, 1, -1},                                             \
    ZT_CATEGORY("ob"), ZT_CATEGORY("viewgen"), ZT_CATEGORY("rpl"),                  \
    ZT_CATEGORY("ssl"), ZT_CATEGORY("time"), ZT_CATEGORY("cluster"),                \
    ZT_CATEGORY("zk"), ZT_CATEGORY("ldap"), ZT_CATEGORY("dvcs"),                    \
    ZT_CATEGORY("graph"), ZT_CATEGORY("gconn"), ZT_CATEGORY("fovr"),                \
    ZT_CATEGORY("script"), ZT_CATEGORY("stg"), ZT_CATEGORY("thread"),               \
    ZT_CATEGORY("exts"), ZT_CATEGORY("protect"), ZT_CATEGORY("heartbeat"),          \
    ZT_CATEGORY("shelve"), ZT_CATEGORY("sqw"), ZT_CATEGORY("stm"),                  \
    ZT_CATEGORY("pcheck"), ZT_CATEGORY("topology"), ZT_CATEGORY("resource"),        \
    ZT_CATEGORY("s3"), ZT_CATEGORY("suptool"), ZT_CATEGORY("elog"),                 \
    ZT_CATEGORY("dltxfer"), ZT_CATEGORY("perf"), ZT_CATEGORY("webserver"),          \
    {"filesys.bufsize", 0, 65536, 4096, 10485760, 1, 1024, 65536},                  \
    {"filesys.locktimeout", 0, 1000, 0, 2147483647, 1, 1, 1000},                    \
    {"filesys.maketmp", 0, 10, 1, 2147483647, 1, 1000, 10},                         \
    {"filesys.maxtmp", 0, 1000000, 1, 2147483647, 1, 1000, 1000000},                \
    {"filesys.utf8bom", 0, 1, 0, 2, 1, 1, 1},                                       \
    {"filesys.windows.lfn", 0, 1, 0, 10, 1, 1, 1},                                  \
    {"map.maxwild", 0, 10, 1, 10, 1, 1, 10},                                        \
    {"streamview.dots.low", 0, 0, 0, 1, 1, 1, 0},                                   \
    {"sys.rename.max", 0, 10, 10, 2147483647, 1, 1000, 10},                         \
    {"sys.rename.wait", 0, 1000, 50, 2147483647, 1, 1000, 1000},                    \
    {"zlib.compression.level", 0, -1, -1, 9, 1, 1, -1},                             \
  }

const Setting kDefaults[ZT_SETTING_COUNT] = ZT_SETTINGS_INIT;
// The live table: constant-initialised, so it is valid before any code runs.
Setting settings[ZT_SETTING_COUNT] = ZT_SETTINGS_INIT;

#undef ZT_SETTINGS_INIT
#undef ZT_CATEGORY

static_assert(DT_LAST_CATEGORY + 1 == kDebugCategoryCount);

// Per-thread override levels of the debug categories (-1: none).
struct ThreadLevels {
  int level[kDebugCategoryCount];
  ThreadLevels() {
    for (int& l : level) l = -1;
  }
};
thread_local ThreadLevels threadLevels;

thread_local ZtDebugConfig* currentConfig = nullptr;

bool ValidIndex(int index) { return index >= 0 && index < ZT_SETTING_COUNT; }

// Assigns one "value" text to an integer setting: optional "-", digits,
// optional k/K (times unit), then optional m/M (times unit squared); then
// clamped to the bounds and rounded up to the step.
void AssignFromText(Setting* s, const char* v, const char* end) {
  bool negative = false;
  if (v < end && *v == '-') {
    negative = true;
    ++v;
  }
  int64_t n = 0;
  for (; v < end && *v >= '0' && *v <= '9'; ++v) {
    if (n < (int64_t{1} << 40)) n = n * 10 + (*v - '0');
  }
  if (v < end && (*v == 'k' || *v == 'K')) {
    n *= s->unit;
    ++v;
  }
  if (v < end && (*v == 'm' || *v == 'M')) {
    // Saturate well above any bound before squaring the unit in.
    int64_t u2 = int64_t{s->unit} * s->unit;
    n = (u2 != 0 && n > (int64_t{1} << 40) / u2) ? (int64_t{1} << 40) : n * u2;
  }
  if (negative) n = -n;
  if (n < s->min) n = s->min;
  if (n > s->max) n = s->max;
  if (s->step > 1 && n % s->step != 0) {
    n += s->step - ((n % s->step) + s->step) % s->step;
    if (n > s->max) n -= s->step;
  }
  if (!s->isSet) s->previous = s->value;
  s->value = static_cast<int32_t>(n);
  s->isSet = 1;
  fflush(stdout);
}

}  // namespace

int GetLevel(int index) {
  if (!ValidIndex(index)) return 0;
  int v = settings[index].value;
  if (index < kDebugCategoryCount) {
    int o = threadLevels.level[index];
    if (o != -1 && o > v) v = o;
  }
  return v;
}

void SetLevel(int index, int value) {
  if (ValidIndex(index)) settings[index].value = value;
}

void SetThreadLevel(int index, int level) {
  if (index >= 0 && index < kDebugCategoryCount) threadLevels.level[index] = level;
}

const char* SettingName(int index) { return ValidIndex(index) ? settings[index].name : ""; }

void SetFromText(const char* text) {
  if (!text) return;
  if (!strchr(text, '=')) {
    int v = atoi(text);
    for (int i = 0; i < kDebugCategoryCount; ++i) settings[i].value = v;
    fflush(stdout);
    return;
  }
  const char* item = text;
  while (*item) {
    const char* end = strchr(item, ',');
    if (!end) end = item + strlen(item);
    const char* eq = static_cast<const char*>(memchr(item, '=', end - item));
    if (eq) {
      size_t len = eq - item;
      for (int i = 0; i < ZT_SETTING_COUNT; ++i) {
        if (strlen(settings[i].name) == len && memcmp(settings[i].name, item, len) == 0) {
          AssignFromText(&settings[i], eq + 1, end);
          break;
        }
      }
    }
    item = *end ? end + 1 : end;
  }
}

void ResetSettings() {
  memcpy(settings, kDefaults, sizeof(settings));
  for (int& l : threadLevels.level) l = -1;
}

// ---------------------------------------------------------------------------
// Debug output.

ZtDebugConfig::ZtDebugConfig()
    : buffer(nullptr),
      reserved(0),
      sink(nullptr),
      outputFunction(nullptr),
      outputContext(nullptr),
      ownsSink(false) {}

ZtDebugConfig::~ZtDebugConfig() {
  if (currentConfig == this) currentConfig = nullptr;
  delete buffer;
  if (ownsSink) delete sink;
}

StrBuf* ZtDebugConfig::Buffer() {
  if (!buffer) buffer = new StrBuf;
  return buffer;
}

int ZtDebugConfig::Reserve(int n) {
  StrBuf* b = Buffer();
  if (n > reserved) reserved = n;
  if (n < 0) n = 0;
  uint32_t len = b->Length();
  if (b->Size() < len + static_cast<uint32_t>(n) + 1) {
    b->Alloc(static_cast<uint32_t>(n) + 1);
    b->SetLength(len);
    b->NulTerminate();
  }
  return static_cast<int>(b->Size() - len);
}

void ZtDebugConfig::Output() {
  if (!buffer) return;
  if (outputFunction) {
    outputFunction(outputContext, *buffer);
    return;
  }
  const StrPtr* line = buffer;
  StrBuf prefixed;
  if (GetLevel(DT_TIME) > 0) {
    StrBuf stamp;
    Timestamp(&stamp);
    char head[96];
    snprintf(head, sizeof(head), "%s pid %d: ", stamp.Text(), static_cast<int>(gettid()));
    prefixed.Append(head);
    prefixed.Append(*buffer);
    line = &prefixed;
  }
  if (sink) {
    sink->Output(*line);
  } else {
    fwrite(line->Text(), 1, line->Length(), stdout);
    fflush(stdout);
  }
}

ZtDebugConfig* ZtDebugConfig::Clone() {
  ZtDebugConfig* c = new ZtDebugConfig;
  c->outputFunction = outputFunction;
  c->outputContext = outputContext;
  if (sink) c->SetSink(sink->Copy(), true);
  return c;
}

void ZtDebugConfig::Install() { currentConfig = this; }

void ZtDebugConfig::SetSink(MessageLog* s, bool owns) {
  if (ownsSink && sink != s) delete sink;
  sink = s;
  ownsSink = owns;
}

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

void Timestamp(StrBuf* out) {
  struct timespec ts;
  struct tm tm;
  if (clock_gettime(CLOCK_REALTIME, &ts) != 0 || !localtime_r(&ts.tv_sec, &tm)) {
    out->Append("1970/01/01");
    return;
  }
  char text[64];
  int ms = static_cast<int>(ts.tv_nsec / 1000000);
  snprintf(text, sizeof(text), "%04d/%02d/%02d %02d:%02d:%02d %09d", tm.tm_year + 1900,
           tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ms * 1000000);
  out->Append(text);
}
