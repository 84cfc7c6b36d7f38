// --verify: the words, the report file and the verdict.
#include "driver/verify.h"

#include <cstring>
#include <memory>

#include "driver/driver.h"
#include "driver/driver_messages.h"
#include "migrate/conflict_report.h"
#include "migrate/verify/verify_run.h"
#include "support/files/filesys.h"
#include "support/messages/message_log.h"
#include "support/text/strbuf.h"

namespace {

inline constexpr MessageId kMsgVerifyWords = {
    0x30011ea7, "--verify needs two checkpoints: the original and the edited one."};
inline constexpr MessageId kMsgReportExists = {
    0x32011f60, "Report file %file% already exists; name a new file. Nothing was written."};

const LongOption kVerifyTailOptions[] = {{"report", true}, {nullptr, false}};

const char* Value(const OptionSet& a, const OptionSet& b, char letter) {
  const StrPtr* v = a.GetValue(letter);
  if (!v) v = b.GetValue(letter);
  return v ? v->Text() : nullptr;
}

bool Fails(Error* e) {
  if (!e->Test()) return false;
  GetMessageLog()->Report(e, MessageLog::kHeader | MessageLog::kCallHook | MessageLog::kTerminal);
  return true;
}

}  // namespace

int RunVerifyCommand(const OptionSet& opts, RunConfig config, int words, char** word) {
  Error e;
  if (words < 2) {
    e.Set(kMsgVerifyWords);
    e.Set(kMsgUsage);
    return Fails(&e) ? -1 : 0;
  }
  // The options may also follow the two names, as in
  // "--verify ORIGINAL EDITED -r ROOT".
  OptionSet tail;
  int rest = words - 2;
  char** more = word + 2;
  tail.Parse(&rest, &more, kDriverFlags, kOptNoWords, kMsgUsage, &e, kVerifyTailOptions);
  if (Fails(&e)) return -1;
  if (!opts.GetValue('r')) {
    if (const char* r = Value(opts, tail, 'r')) config.serverRoot = r;
  }
  if (!opts.GetValue('S')) {
    if (const char* s = Value(opts, tail, 'S')) config.serverId = s;
  }
  if (!opts.GetValue('L')) {
    if (const char* l = Value(opts, tail, 'L')) config.locale = l;
  }
  if (tail.GetValue('u')) config.unicode = true;
  if (const char* c = Value(opts, tail, 'C')) config.caseInsensitiveOutput = strcmp(c, "1") == 0;

  VerifyRequest request;
  request.original.Set(word[0]);
  request.edited.Set(word[1]);
  request.config = config;

  const StrPtr* reportArg = opts.GetLong("report");
  if (!reportArg) reportArg = tail.GetLong("report");
  std::unique_ptr<FileSys> report;
  if (reportArg) {
    request.reportFormat = ReportFormatOf(reportArg->Text());
    if (request.reportFormat == ReportFormat::kNone) {
      e.Set(kMsgReportSuffix) << *reportArg;
      e.Set(kMsgUsage);
      return Fails(&e) ? -1 : 0;
    }
    report = FileSys::Create(kFileText);
    report->SetPath(*reportArg);
    // A verification never replaces a file: the report is a new one.
    if (report->Stat() & kStatExists) {
      e.Set(kMsgReportExists) << *reportArg;
      return Fails(&e) ? -1 : 0;
    }
    report->SetPerms(kPermReadWrite);
    report->SetAtomicReplace();
    request.report = report.get();
  }

  bool whole = VerifyCheckpoints(request, &e);
  if (whole && report && !InterruptSignal()) {
    Error commit;
    report->Commit(&commit);
    if (commit.Test()) e.Merge(commit);
  }
  if (int sig = InterruptSignal()) {
    Fails(&e);
    return 128 + sig;
  }
  if (Fails(&e)) return -1;
  GetMessageLog()->Report(&e);
  return 0;
}
