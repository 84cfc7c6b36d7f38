// MessageLog: the one process-wide sink for reports and debug lines.
//
// It knows the program's name, writes a header line naming the severity
// ("ztmigrate warning:"), and sends text to standard error, standard output,
// an append-only log file or syslog. AbortOnError ends the process with
// status -1 (255) when an Error holds a warning or worse.
#ifndef ZT_SUPPORT_MESSAGES_MESSAGE_LOG_H_
#define ZT_SUPPORT_MESSAGES_MESSAGE_LOG_H_

#include <memory>

#include "support/messages/error.h"
#include "support/text/strbuf.h"

class FileSys;

class MessageLog {
 public:
  typedef void (*Hook)(void* context, Error* e);

  enum SinkType { kLogFile = 0, kStdout = 1, kStderr = 2, kSyslog = 3 };

  // Report flags.
  static const int kHeader = 1;    // header line and a tab before each message
  static const int kCallHook = 2;  // call the hook
  static const int kTerminal = 4;  // also to the terminal

  MessageLog();
  ~MessageLog();
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  // A new log with the same name and sink kind (a log file gets its own
  // append-mode file object of the same name); owned by the caller.
  MessageLog* Copy() const;

  void SetName(const char* name);
  const char* Name() const;
  int Type() const { return type; }
  void SetType(int t) { type = t; }

  // "syslog", "stdout", "stderr", or a log file name (created with its
  // parent directories; failures reported through the current sink).
  void SetSink(const char* sinkName);
  // The log file's name, or null when there is none (or it could not be
  // created).
  const char* LogFileName() const;
  // True once a write to the log file has failed.
  bool LogFileFailed() const { return logFailed; }
  // A descriptor that takes what the log file could not (the standard error
  // as it was before it was moved onto the log file); -1 for none.
  void SetFallbackFd(int fd) { fallbackFd = fd; }

  // Writes text unchanged (no header).
  void Output(const StrPtr& text, bool alsoTerminal = false);
  // Writes an Error's messages, newest first.
  void Report(const Error* e, int flags = kHeader | kCallHook);
  // Reports and exits with status -1 when e holds a warning or worse.
  void AbortOnError(const Error* e);

  void SetHook(Hook h, void* context) { hook = h; hookContext = context; }

  // The version banner (mode 0 for this program).
  static void BuildBanner(const char* version, const char* date, int mode, StrBuf* out);

 private:
  void Syslog(int severity, const StrPtr& text);

  StrBuf name;
  bool nameSet;
  int type;
  std::unique_ptr<FileSys> logFile;
  bool logFailed = false;
  int fallbackFd = -1;
  Hook hook;
  void* hookContext;
};

// The process-wide message log.
MessageLog* GetMessageLog();

// A process-wide function run before any text leaves through a message log
// (a progress line on the terminal erases itself with it); null for none.
typedef void (*BeforeOutputHook)();
void SetBeforeOutputHook(BeforeOutputHook hook);
// Runs the hook, if any. Code that writes to standard error by itself while
// a scan runs calls this first.
void RunBeforeOutputHook();

// The program's version string and date, as the banner prints them.
extern const char* const kVersionString;  // "@(#)ZTMIGRATE/NTX64/2026.1/2996624"
extern const char* const kVersionDate;    // "2026/06/30"

#endif  // ZT_SUPPORT_MESSAGES_MESSAGE_LOG_H_
