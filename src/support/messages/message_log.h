// MessageLog: the one process-wide sink for reports and debug lines.
//
// It knows the program's name, writes a header line naming the severity
// ("ztmigrate warning:"), and sends text to standard error, standard output
// or an append-only log file.
#ifndef ZT_SUPPORT_MESSAGES_MESSAGE_LOG_H_
#define ZT_SUPPORT_MESSAGES_MESSAGE_LOG_H_

#include <memory>

#include "support/messages/error.h"
#include "support/text/strbuf.h"

class FileSys;

class MessageLog {
 public:
  typedef void (*Hook)(void* context, Error* e);

  enum SinkType { kLogFile = 0, kStdout = 1, kStderr = 2 };

  // Report flags.
  static const int kHeader = 1;    // header line and a tab before each message
  static const int kCallHook = 2;  // call the hook
  static const int kTerminal = 4;  // also to the terminal

  MessageLog();
  ~MessageLog();
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  void SetName(const char* name);
  const char* Name() const;
  int Type() const { return type_; }

  // "stdout", "stderr", or a log file name (created with its
  // parent directories; failures reported through the current sink).
  void SetSink(const char* sinkName);
  // The log file's name, or null when there is none (or it could not be
  // created).
  const char* LogFileName() const;
  // True once a write to the log file has failed.
  bool LogFileFailed() const { return logFailed_; }
  // A descriptor that takes what the log file could not (the standard error
  // as it was before it was moved onto the log file); -1 for none.
  void SetFallbackFd(int fd) { fallbackFd_ = fd; }

  // Writes text unchanged (no header).
  void Output(const StrPtr& text, bool alsoTerminal = false);
  // Writes an Error's messages, newest first.
  void Report(const Error* e, int flags = kHeader | kCallHook);

  void SetHook(Hook h, void* context) { hook_ = h; hookContext_ = context; }

  // The version banner (mode 0 for this program).
  static void BuildBanner(const char* version, const char* date, int mode, StrBuf* out);

 private:
  StrBuf name_;
  bool nameSet_;
  int type_;
  std::unique_ptr<FileSys> logFile_;
  bool logFailed_ = false;
  int fallbackFd_ = -1;
  Hook hook_;
  void* hookContext_;
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
