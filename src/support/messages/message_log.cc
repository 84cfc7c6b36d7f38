// The process-wide message log.
#include "support/messages/message_log.h"

#include <cstdlib>
#include <cstring>

#include <openssl/crypto.h>

#include "support/files/filesys.h"
#include "support/files/posix/os_file.h"

const char* const kVersionString = "@(#)ZTMIGRATE/NTX64/2026.1/2996624";
const char* const kVersionDate = "2026/06/30";

namespace {

BeforeOutputHook beforeOutputHook = nullptr;

}  // namespace

void SetBeforeOutputHook(BeforeOutputHook hook) { beforeOutputHook = hook; }

void RunBeforeOutputHook() {
  if (beforeOutputHook) beforeOutputHook();
}

MessageLog::MessageLog()
    : name_("Error"), nameSet_(false), type_(kStderr), hook_(nullptr), hookContext_(nullptr) {}

MessageLog::~MessageLog() {}

void MessageLog::SetName(const char* n) {
  if (!n) {
    // Back to the initial state.
    name_.Set("Error");
    nameSet_ = false;
    type_ = kStderr;
    logFile_.reset();
    return;
  }
  name_.Set(n);
  nameSet_ = true;
}

const char* MessageLog::Name() const { return name_.Text(); }

const char* MessageLog::LogFileName() const {
  return logFile_ ? logFile_->GetPath().Text() : nullptr;
}

void MessageLog::SetSink(const char* sinkName) {
  if (!sinkName) return;
  if (strcmp(sinkName, "stdout") == 0) {
    type_ = kStdout;
    return;
  }
  if (strcmp(sinkName, "stderr") == 0) {
    type_ = kStderr;
    return;
  }

  // A log file: create its directories and the file itself now, so that a
  // bad name is reported at once rather than at the first message.
  std::unique_ptr<FileSys> f = FileSys::Create(kFileAppend);
  Error e;
  if (f) {
    f->SetPerms(kPermReadWrite);
    f->SetPath(StrPtr(sinkName));
    f->MkDir(f->GetPath(), &e);
    if (!e.Test()) f->Open(kOpenWrite, &e);
    if (!e.Test()) f->Close(&e);
  }
  if (f && !e.Test()) {
    type_ = kLogFile;
    logFile_ = std::move(f);
  }
  if (e.Test()) Report(&e, kHeader | kCallHook);
}

void MessageLog::Output(const StrPtr& text, bool alsoTerminal) {
  RunBeforeOutputHook();
  if (logFile_) {
    Error e;
    logFile_->Open(kOpenWrite, &e);
    if (!e.Test()) logFile_->Write(text.Text(), static_cast<int>(text.Length()), &e);
    if (!e.Test()) logFile_->Close(&e);
    if (e.Test()) {
      // The line is not lost: it goes to standard error, and the run is
      // told that its log is incomplete.
      logFailed_ = true;
      OsWriteFd(fallbackFd_ >= 0 ? fallbackFd_ : kOsStderr, text.Text(), text.Length());
      Error ignored;
      logFile_->Close(&ignored);
    }
    if (!alsoTerminal) return;
  }

  if (type_ == kStdout || type_ == kStderr || alsoTerminal) {
    int fd = type_ == kStdout ? kOsStdout : kOsStderr;
    OsWriteFd(fd, text.Text(), text.Length());
  }
  if (type_ == kStdout && alsoTerminal && !(OsIsTerminal(kOsStdout) && OsIsTerminal(kOsStderr))) {
    OsWriteFd(kOsStderr, text.Text(), text.Length());
  }
}

void MessageLog::Report(const Error* e, int flags) {
  if (!e || e->GetSeverity() == E_EMPTY) return;
  RunBeforeOutputHook();
  StrBuf messages;
  e->FormatMessages(&messages, 2 | (flags & kHeader));

  StrBuf text;
  if (flags & kHeader) {
    text.Append(name_);
    text.AppendChar(' ');
    text.Append(SeverityName(e->GetSeverity()));
    text.Append(":\n", 2);
  }
  text.Append(messages);
  Output(text, (flags & kTerminal) != 0);

  if ((flags & kCallHook) && hook_) hook_(hookContext_, const_cast<Error*>(e));
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
