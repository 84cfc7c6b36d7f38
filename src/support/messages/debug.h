// The settings table (debug categories and tunables), the debug output and
// the millisecond Timer.
//
// The settings table is process-wide: named integer settings whose first 47
// entries are the debug categories (the program's verbosity is the level of
// `suptool`), followed by the tunables that size buffers and retries.
// DebugPrintf assembles debug lines in the current thread's ZtDebugConfig
// and hands each finished line to its sink (the message log).
#ifndef ZT_SUPPORT_MESSAGES_DEBUG_H_
#define ZT_SUPPORT_MESSAGES_DEBUG_H_

#include <cstdint>

#include "support/text/strbuf.h"

class MessageLog;

// Indexes into the settings table. The first 47 are debug categories.
enum DebugSetting {
  DT_DB, DT_DIFF, DT_DM, DT_DMC, DT_FTP, DT_HANDLE, DT_LBR, DT_MAP, DT_NET,
  DT_OPTIONS, DT_PEEK, DT_RCS, DT_RECORDS, DT_RPC, DT_SERVER, DT_SPEC,
  DT_TRACK, DT_OB, DT_VIEWGEN, DT_RPL, DT_SSL, DT_TIME, DT_CLUSTER, DT_ZK,
  DT_LDAP, DT_DVCS, DT_GRAPH, DT_GCONN, DT_FOVR, DT_SCRIPT, DT_STG,
  DT_THREAD, DT_EXTS, DT_PROTECT, DT_HEARTBEAT, DT_SHELVE, DT_SQW, DT_STM,
  DT_PCHECK, DT_TOPOLOGY, DT_RESOURCE, DT_S3, DT_SUPTOOL, DT_ELOG,
  DT_DLTXFER, DT_PERF, DT_WEBSERVER,
  DT_LAST_CATEGORY = DT_WEBSERVER,
  // Tunables.
  ZT_FILESYS_BUFSIZE,
  ZT_FILESYS_LOCKTIMEOUT,
  ZT_FILESYS_MAKETMP,
  ZT_FILESYS_MAXTMP,
  ZT_FILESYS_UTF8BOM,
  ZT_FILESYS_WINDOWS_LFN,
  ZT_MAP_MAXWILD,
  ZT_STREAMVIEW_DOTS_LOW,
  ZT_SYS_RENAME_MAX,
  ZT_SYS_RENAME_WAIT,
  ZT_ZLIB_COMPRESSION_LEVEL,
  ZT_SETTING_COUNT
};

const int kDebugCategoryCount = 47;

// The level of a debug category (with the thread's override), or the value
// of a tunable.
int GetLevel(int index);
// Sets a setting's value directly (the driver's -v; tests).
void SetLevel(int index, int value);
// Sets the current thread's override level of a debug category (-1: none).
void SetThreadLevel(int index, int level);
// The setting's name.
const char* SettingName(int index);
// Assigns settings from "N" (every category) or "name=value,name=value".
void SetFromText(const char* text);
// Puts every setting back to its built-in value (for tests).
void ResetSettings();

// Shorthand for the program's verbosity (the level of `suptool`).
inline int Verbosity() { return GetLevel(DT_SUPTOOL); }

// Formats a piece of a debug line; a line ending in "\n" is sent to the
// current thread's configuration's sink (standard output when none).
void DebugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Where finished debug lines go for the current thread.
class ZtDebugConfig {
 public:
  typedef void (*OutputFunction)(void* context, const StrPtr& line);

  ZtDebugConfig();
  virtual ~ZtDebugConfig();

  // Sends the finished line in the buffer.
  virtual void Output();
  // The line being assembled (created on first use).
  virtual StrBuf* Buffer();
  // Makes room for n more bytes; returns the room available.
  virtual int Reserve(int n);
  // A configuration for another thread, with its own copy of the sink.
  virtual ZtDebugConfig* Clone();

  // Makes this the current thread's configuration.
  void Install();
  void SetSink(MessageLog* sink, bool owns = false);
  MessageLog* Sink() const { return sink; }
  void SetOutputFunction(OutputFunction fn, void* context) {
    outputFunction = fn;
    outputContext = context;
  }

  // The current thread's configuration, or null.
  static ZtDebugConfig* Current();

 private:
  StrBuf* buffer;
  int reserved;
  MessageLog* sink;
  OutputFunction outputFunction;
  void* outputContext;
  bool ownsSink;
};

// A millisecond timer over the 32-bit monotonic tick count.
class Timer {
 public:
  Timer() : startSecs(0), startUsecs(0), lastSecs(0), lastUsecs(0) {}
  void Start();
  // Milliseconds since Start; correct across one wrap of the tick counter.
  int Elapsed();
  // Test seam: start and elapsed from explicit tick counts.
  void StartAt(uint32_t ticks);
  int ElapsedAt(uint32_t ticks);

 private:
  int32_t startSecs, startUsecs, lastSecs, lastUsecs;
};

// The platform's millisecond tick count, truncated to 32 bits.
uint32_t TickCount();
// Milliseconds as seconds with three significant digits ("1.23").
void FormatSeconds(int ms, StrBuf* out);
// Local date and time with milliseconds.
void Timestamp(StrBuf* out);

#endif  // ZT_SUPPORT_MESSAGES_DEBUG_H_
