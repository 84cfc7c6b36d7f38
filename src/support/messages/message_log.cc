// The process-wide message log.
#include "support/messages/message_log.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <syslog.h>
#include <unistd.h>

#include <openssl/crypto.h>

#include "support/files/filesys.h"

const char* const kVersionString = "@(#)ZTMIGRATE/NTX64/2026.1/2996624";
const char* const kVersionDate = "2026/06/30";

namespace {

// Writes all of text to fd; false when the stream is not usable.
bool WriteAll(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

BeforeOutputHook beforeOutputHook = nullptr;

}  // namespace

void SetBeforeOutputHook(BeforeOutputHook hook) { beforeOutputHook = hook; }

void RunBeforeOutputHook() {
  if (beforeOutputHook) beforeOutputHook();
}

MessageLog::MessageLog()
    : name("Error"), nameSet(false), type(kStderr), hook(nullptr), hookContext(nullptr) {}

MessageLog::~MessageLog() {}

void MessageLog::SetName(const char* n) {
  if (!n) {
    // Back to the initial state.
    name.Set("Error");
    nameSet = false;
    type = kStderr;
    logFile.reset();
    return;
  }
  name.Set(n);
  nameSet = true;
}

const char* MessageLog::Name() const { return name.Text(); }

const char* MessageLog::LogFileName() const {
  return logFile ? logFile->GetPath().Text() : nullptr;
}

MessageLog* MessageLog::Copy() const {
  MessageLog* c = new MessageLog;
  c->name.Set(name);
  c->nameSet = nameSet;
  c->type = type;
  if (logFile) {
    c->logFile = FileSys::Create(FST_APPEND);
    if (c->logFile) {
      c->logFile->SetPerms(FPM_RW);
      c->logFile->SetPath(logFile->GetPath());
    }
  }
  return c;
}

void MessageLog::SetSink(const char* sinkName) {
  if (!sinkName) return;
  if (strcmp(sinkName, "syslog") == 0) {
    type = kSyslog;
    return;
  }
  if (strcmp(sinkName, "stdout") == 0) {
    type = kStdout;
    return;
  }
  if (strcmp(sinkName, "stderr") == 0) {
    type = kStderr;
    return;
  }

  // A log file: create its directories and the file itself now, so that a
  // bad name is reported at once rather than at the first message.
  std::unique_ptr<FileSys> f = FileSys::Create(FST_APPEND);
  Error e;
  if (f) {
    f->SetPerms(FPM_RW);
    f->SetPath(StrPtr(sinkName));
    f->MkDir(f->GetPath(), &e);
    if (!e.Test()) f->Open(FOM_WRITE, &e);
    if (!e.Test()) f->Close(&e);
  }
  if (f && !e.Test()) {
    type = kLogFile;
    logFile = std::move(f);
  }
  if (e.Test()) Report(&e, kHeader | kCallHook);
}

void MessageLog::Syslog(int severity, const StrPtr& text) {
  int priority = severity >= E_FAILED ? LOG_ERR : severity == E_WARN ? LOG_WARNING : LOG_INFO;
  openlog(name.Text(), LOG_PID, LOG_USER);
  syslog(priority, "%.*s", static_cast<int>(text.Length()), text.Text());
  closelog();
}

void MessageLog::Output(const StrPtr& text, bool alsoTerminal) {
  RunBeforeOutputHook();
  if (type == kSyslog) {
    Syslog(E_INFO, text);
    if (!alsoTerminal) return;
  } else if (logFile) {
    Error e;
    logFile->Open(FOM_WRITE, &e);
    if (!e.Test()) logFile->Write(text.Text(), static_cast<int>(text.Length()), &e);
    if (!e.Test()) logFile->Close(&e);
    if (e.Test()) {
      // The line is not lost: it goes to standard error and the system
      // log, and the run is told that its log is incomplete.
      logFailed = true;
      WriteAll(fallbackFd >= 0 ? fallbackFd : STDERR_FILENO, text.Text(), text.Length());
      Syslog(E_INFO, text);
      StrBuf why;
      e.FormatMessages(&why, 0);
      Syslog(e.IsFatal() ? E_FAILED : E_WARN, why);
      Error ignored;
      logFile->Close(&ignored);
    }
    if (!alsoTerminal) return;
  }

  if (type == kStdout || type == kStderr || alsoTerminal) {
    int fd = type == kStdout ? STDOUT_FILENO : STDERR_FILENO;
    if (!WriteAll(fd, text.Text(), text.Length())) Syslog(E_INFO, text);
  }
  if (type == kStdout && alsoTerminal && !(isatty(STDOUT_FILENO) && isatty(STDERR_FILENO))) {
    WriteAll(STDERR_FILENO, text.Text(), text.Length());
  }
}

void MessageLog::Report(const Error* e, int flags) {
  if (!e || e->GetSeverity() == E_EMPTY) return;
  RunBeforeOutputHook();
  StrBuf messages;
  e->FormatMessages(&messages, 2 | (flags & kHeader));

  if (type == kSyslog) {
    Syslog(e->IsFatal() ? E_FAILED : E_WARN, messages);
    if (flags & kTerminal) WriteAll(STDERR_FILENO, messages.Text(), messages.Length());
  } else {
    StrBuf text;
    if (flags & kHeader) {
      text.Append(name);
      text.AppendChar(' ');
      text.Append(SeverityName(e->GetSeverity()));
      text.Append(":\n", 2);
    }
    text.Append(messages);
    Output(text, (flags & kTerminal) != 0);
  }

  if ((flags & kCallHook) && hook) hook(hookContext, const_cast<Error*>(e));
}

void MessageLog::AbortOnError(const Error* e) {
  if (!e || !e->Test()) return;
  Report(e, kHeader | kCallHook | kTerminal);
  exit(-1);
}

void MessageLog::BuildBanner(const char* version, const char* date, int mode, StrBuf* out) {
  out->Append("ZtMigrate - case-consistency migration tool for ztd checkpoints.\n");
  out->Append("Copyright 2026 Zentory. All rights reserved.\n");
  out->Append("This product includes software developed by the OpenSSL Project\n");
  out->Append("for use in the OpenSSL Toolkit (http://www.openssl.org/)\n");
  out->Append("Version of OpenSSL Libraries: ");
  out->Append(OpenSSL_version(OPENSSL_VERSION));
  out->Append("\n");
  out->Append("\n");
  out->Append("these licenses and others.\n");
  if (mode == 0) out->Append("Parallel sync threading built-in.\n");
  else if (mode == 2) out->Append("Using the 'mimalloc' memory manager.\n");
  out->Append("Rev. ");
  out->Append(strlen(version) > 4 ? version + 4 : "");
  out->Append(" (");
  out->Append(date);
  out->Append(").\n");
}

MessageLog* GetMessageLog() {
  static MessageLog* log = new MessageLog;  // lives for the whole process
  return log;
}
