// The settings table (debug categories and tunables), the debug output and
// the millisecond Timer.
//
// The settings table is process-wide: the integer levels of the debug
// categories the program reads (its verbosity is the level of `suptool`),
// followed by the tunables that size buffers and retries. DebugPrintf
// assembles debug lines in the current thread's ZtDebugConfig and hands
// each finished line to its sink (the message log).
#ifndef ZT_SUPPORT_MESSAGES_DEBUG_H_
#define ZT_SUPPORT_MESSAGES_DEBUG_H_

#include <cstdint>

#include "support/text/strbuf.h"

class MessageLog;

// Indexes into the settings table: the debug categories, then the tunables.
enum DebugSetting {
  kDebugMap,        // map joins and translations
  kDebugRecords,    // container growth
  kDebugVerbosity,  // the program's verbosity
  kFileBufferSize,  // bytes of a text file's buffer
  kRenameRetries,   // retries of a failed unlink or move
  kRenameWaitMs,    // milliseconds between them
  kGzipLevel,       // -1 for the library's default
  kSettingCount
};

// The value of a setting.
int GetLevel(int index);
// Sets a setting's value directly (the driver's -v; tests).
void SetLevel(int index, int value);
// Puts every setting back to its built-in value (for tests).
void ResetSettings();

// Shorthand for the program's verbosity (the level of `suptool`).
inline int Verbosity() { return GetLevel(kDebugVerbosity); }

// Formats a piece of a debug line; a line ending in "\n" is sent to the
// current thread's configuration's sink (standard output when none).
void DebugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Where finished debug lines go for the current thread.
class ZtDebugConfig {
 public:
  typedef void (*OutputFunction)(void* context, const StrPtr& line);

  ZtDebugConfig();
  ~ZtDebugConfig();
  ZtDebugConfig(const ZtDebugConfig&) = delete;
  ZtDebugConfig& operator=(const ZtDebugConfig&) = delete;

  // Sends the finished line in the buffer.
  void Output();
  // The line being assembled.
  StrBuf* Buffer() { return &buffer_; }
  // Makes room for n more bytes; returns the room available.
  int Reserve(int n);

  // Makes this the current thread's configuration.
  void Install();
  // The message log (not owned) that takes finished lines.
  void SetSink(MessageLog* s) { sink_ = s; }
  void SetOutputFunction(OutputFunction fn, void* context) {
    outputFunction_ = fn;
    outputContext_ = context;
  }

  // The current thread's configuration, or null.
  static ZtDebugConfig* Current();

 private:
  StrBuf buffer_;
  MessageLog* sink_;
  OutputFunction outputFunction_;
  void* outputContext_;
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

#endif  // ZT_SUPPORT_MESSAGES_DEBUG_H_
