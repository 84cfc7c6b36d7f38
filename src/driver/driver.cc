// The run sequence of the command line.
#include "driver/driver.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include <memory>
#include <string>

#include "driver/driver_messages.h"
#include "migrate/conflict_report.h"
#include "migrate/migrator.h"
#include "migrate/rename/archive_renamer.h"
#include "support/files/filesys.h"
#include "support/files/posix/os_file.h"
#include "support/messages/debug.h"
#include "support/messages/message_log.h"
#include "support/messages/options.h"
#include "support/messages/settings.h"
#include "support/text/strbuf.h"

#if __has_include("driver/convert.h")
#include "driver/convert.h"
#define ZT_HAVE_CONVERT 1
#endif
#if __has_include("migrate/rename/rename_setup.h")
#include "migrate/rename/rename_setup.h"
#define ZT_HAVE_PROBE 1
#endif

const char kDriverFlags[] = "Rc:C:hjl:L:n:o:O:P:p:qr:S:st:uv:V";

const LongOption kDriverLongOptions[] = {
    {"help", false}, {"version", false}, {"yes", false}, {"report", true}, {nullptr, false}};

namespace {

const char kAdvancedWarning[] =
    "\nUSING A POLICY AND A TRANSLATION MAP IS AN ADVANCED FEATURE OF ZTMIGRATE.\n"
    "THE TRANSLATION MAP WILL BE APPLIED FIRST, THEN THE POLICY.\n"
    "USING THIS INCORRECTLY CAN CAUSE SIGNIFICANT AND UNEXPECTED RESULTS TO THE\n"
    "END RESULTING CHECKPOINT AND MAY NOT BE WHAT YOU EXPECT.\n"
    "IT IS HIGHLY ADVISED TO CONTACT ZENTORY SUPPORT WHEN USING THIS MODE.\n\n";

// Output over the input would destroy the only copy of the checkpoint.
inline constexpr MessageId kMsgOutputIsInput = {
    0x32011e5a, "Output %output% is the input checkpoint %input%; nothing was written."};
inline constexpr MessageId kMsgOutputIsMap = {
    0x32011e5b, "Output %output% is the input map %input%; nothing was written."};

// Reports e and tells the caller to end the run with status -1 when it holds
// a warning or worse.
bool Aborts(const Error* e) {
  if (!e->Test()) return false;
  GetMessageLog()->Report(e, MessageLog::kHeader | MessageLog::kCallHook | MessageLog::kTerminal);
  return true;
}

void ReportUsage() {
  Error usage;
  usage.Set(kMsgUsage);
  GetMessageLog()->Report(&usage);
}

// The usage followed by the message naming the word that was wrong, so that
// the word is the last thing on the screen.
void ReportUsageAfter(Error* wrong) {
  wrong->Set(kMsgUsage);
  GetMessageLog()->Report(wrong);
}

// Debug lines of a quiet run go nowhere.
void DiscardLine(void*, const StrPtr&) {}

// The end-of-run summary at the default verbosity: what the run read,
// wrote, found and fixed, and how long it took.
void PrintSummary(const Migrator& m, bool renamed, int elapsedMs) {
  auto line = [](const char* what, long long n) { DebugPrintf("    %-22s%lld\n", what, n); };
  DebugPrintf("\nSummary:\n");
  line("records read", m.recordsRead);
  line("records written", m.recordsWritten);
  line("path conflicts", m.conflictLines);
  line("names fixed", m.nameFixes.Count());
  if (renamed) {
    line("archives moved", m.renamer ? m.renamer->movedCount : 0);
    line("archives unsettled", m.archiveProblems);
    line("archives in conflict", m.archiveConflicts);
  }
  DebugPrintf("    %-22s%d.%03ds\n", "time", elapsedMs / 1000, elapsedMs % 1000);
}

const char* Arg(const OptionSet& opts, char letter) {
  const StrPtr* v = opts.GetValue(letter);
  return v ? v->Text() : nullptr;
}

bool EndsWithGz(const char* name) {
  size_t n = strlen(name);
  return n >= 3 && memcmp(name + n - 3, ".gz", 3) == 0;
}

// The file object of a checkpoint name: gzip-compressed for ".gz".
std::unique_ptr<FileSys> CheckpointFile(const char* name) {
  std::unique_ptr<FileSys> f;
  if (EndsWithGz(name)) f = FileSys::Create(FST_GZIP);
  if (!f) f = FileSys::Create(FST_TEXT);
  if (f) f->SetPath(StrPtr(name));
  return f;
}

// A new output file, any old file of that name removed now ("-" is the
// standard output and is never removed). Only a regular file is removed: a
// device, pipe or directory of that name (say /dev/null or /dev/full) is
// left in place and simply opened for writing, so that an administrator's
// -o never deletes a system node.
std::unique_ptr<FileSys> FreshOutput(const char* name, int type) {
  std::unique_ptr<FileSys> f = FileSys::Create(type);
  if (!f) f = FileSys::Create(FST_TEXT);
  if (!f) return f;
  f->SetPath(StrPtr(name));
  f->SetPerms(FPM_RW);
  if (strcmp(name, "-") != 0) {
    int st = f->Stat();
    if ((st & FSF_EXISTS) && !(st & (FSF_DIRECTORY | FSF_SPECIAL))) f->Unlink(nullptr);
  }
  return f;
}

// True when name is an existing file directly inside the directory dir.
bool IsFileOfDirectory(const char* name, const char* dir) {
  std::unique_ptr<FileSys> d = FileSys::Create(FST_TEXT);
  std::unique_ptr<FileSys> f = FileSys::Create(FST_TEXT);
  if (!d || !f) return false;
  d->SetPath(StrPtr(dir));
  f->SetPath(StrPtr(name));
  if (!(d->Stat() & FSF_DIRECTORY) || !(f->Stat() & FSF_EXISTS)) return false;
  const char* slash = strrchr(name, '/');
  std::string parent = slash ? std::string(name, slash == name ? 1 : slash - name) : ".";
  return OsSameFile(parent.c_str(), dir);
}

void Print(const char* text) {
  fputs(text, stdout);
  fflush(stdout);
}

}  // namespace

int VerbosityLevel(const char* arg) {
  long v = strtol(arg, nullptr, 10);
  if (v > 5) return 5;
  if (v < 0) return 1;
  return static_cast<int>(v);
}

const char* VerbosityName(int level) {
  static const char* const kNames[] = {"none", "error", "warning", "info", "detail", "debug"};
  return (level >= 0 && level <= 5) ? kNames[level] : "none";
}

int PolicyKindFromName(const char* name) {
  if (strcmp(name, "lower") == 0) return kPolicyLower;
  if (strcmp(name, "upper") == 0) return kPolicyUpper;
  if (strcmp(name, "mixed") == 0) return kPolicyMixed;
  if (strcmp(name, "head") == 0) return kPolicyHead;
  return kPolicyNone;
}

bool ConfirmAdvancedFeature(FILE* in, FILE* out) {
  fputs(kAdvancedWarning, out);
  for (;;) {
    fputs("Have you read and understood this advanced feature? : ", out);
    fflush(out);
    char line[32];
    if (!fgets(line, sizeof(line), in)) return false;
    // An over-long answer: drop the rest of its line so it is not taken as
    // the next answers.
    if (!strchr(line, '\n')) {
      int c;
      while ((c = fgetc(in)) != EOF && c != '\n') {
      }
    }
    if (line[0] == 'y' || line[0] == 'Y') return true;
    if (line[0] == 'n' || line[0] == 'N') return false;
    fputs("Invalid response. Please try again...\n\n", out);
  }
}

int RunDriver(int argc, char** argv) {
  MessageLog* log = GetMessageLog();
  log->SetName("ztmigrate");
  log->SetSink("stderr");
  Error e;

  // Options.
  OptionSet opts;
  int words = argc > 0 ? argc - 1 : 0;
  char** word = argv + (argc > 0 ? 1 : 0);
  opts.Parse(&words, &word, kDriverFlags, kOptAnyWords, kMsgUsage, &e, kDriverLongOptions);
  if (Aborts(&e)) return -1;

  if (opts.GetLong("help")) {
    Print(kMsgUsage.text);
    return 0;
  }
  if (opts.GetLong("version")) {
    printf("ztmigrate %s (%s)\n", kVersionString + 4, kVersionDate);
    fflush(stdout);
    return 0;
  }
  if (opts.GetValue('h')) {
    ReportUsage();
    return 0;
  }
  if (opts.GetValue('V')) {
    StrBuf banner;
    MessageLog::BuildBanner(kVersionString, kVersionDate, 0, &banner);
    fwrite(banner.Text(), 1, banner.Length(), stdout);
    fflush(stdout);
    return 0;
  }

  int verbosity = 1;
  if (const char* v = Arg(opts, 'v')) {
    verbosity = VerbosityLevel(v);
    printf("logging at %s level\n", VerbosityName(verbosity));
    fflush(stdout);
  }
  bool quiet = opts.GetValue('q') != nullptr;
  if (quiet) verbosity = 0;
  SetLevel(DT_SUPTOOL, verbosity);

  if (words <= 0) {
    ReportUsage();
    return 0;
  }
  const char* checkpoint = word[0];
  const char* outName = Arg(opts, 'o');
  const char* outDir = Arg(opts, 'O');
  bool convert = opts.GetValue('s') && (outName || outDir);
  const StrPtr* reportArg = opts.GetLong("report");
  const char* reportName = reportArg ? reportArg->Text() : nullptr;
  ReportFormat reportFormat = reportName ? ReportFormatOf(reportName) : ReportFormat::kNone;
  if (reportName && reportFormat == ReportFormat::kNone) {
    e.Set(kMsgReportSuffix) << reportName;
    ReportUsageAfter(&e);
    return -1;
  }

  if (outName && !outDir) {
    std::unique_ptr<FileSys> probe = FileSys::Create(FST_TEXT);
    if (probe) {
      probe->SetPath(StrPtr(checkpoint));
      if (probe->Stat() & FSF_DIRECTORY) {
        fprintf(stderr,
                "Warning: input '%s' is a parallel checkpoint, but -o writes a single-file "
                "checkpoint; use -O <directory> to write a parallel checkpoint.\n",
                checkpoint);
      }
    }
  }

  // Never write over the input: it may be the only copy of the checkpoint.
  // A migration's "-" output is the standard output. (The conversion makes
  // the same check itself.)
  const char* target = outDir ? outDir : outName;
  if (!convert && target && (outDir || strcmp(target, "-") != 0) && OsSameFile(target, checkpoint)) {
    e.Set(kMsgOutputIsInput) << target << checkpoint;
    Aborts(&e);
    return -1;
  }
  // Nor over a map or the checkpoint through -c: the -c and -o files are
  // removed before the maps and the checkpoint are read, and a map given
  // back by the name of the new conflict map is the administrator's work.
  if (!convert) {
    const char* inputs[] = {checkpoint, Arg(opts, 't'), Arg(opts, 'P')};
    const char* outputs[] = {Arg(opts, 'c'), outName, reportName};
    for (const char* out : outputs) {
      if (!out || strcmp(out, "-") == 0) continue;
      for (const char* in : inputs) {
        if (!in || !OsSameFile(out, in)) continue;
        if (in == checkpoint) e.Set(kMsgOutputIsInput) << out << in;
        else e.Set(kMsgOutputIsMap) << out << in;
        Aborts(&e);
        return -1;
      }
    }
  }
  // Nor over a table file of a parallel input: the -o file is removed and
  // created before the tables are read.
  if (!convert && outName && !outDir && strcmp(outName, "-") != 0 &&
      IsFileOfDirectory(outName, checkpoint)) {
    e.Set(kMsgOutputIsInput) << outName << checkpoint;
    Aborts(&e);
    return -1;
  }

  if (convert) {
    // The conversion's own reports (skipped records, summaries) are made as
    // it goes; what it leaves in e made the output incomplete or unusable,
    // and ends the run with an error rather than a silent success.
#ifdef ZT_HAVE_CONVERT
    if (outDir) ConvertDirectory(StrPtr(checkpoint), StrPtr(outDir), &e);
    else ConvertToFile(StrPtr(checkpoint), StrPtr(outName), &e);
#else
    // TODO(journal): the standard conversion lands with driver/convert.h.
#endif
    return Aborts(&e) ? -1 : 0;
  }

  if (const char* locale = Arg(opts, 'L')) localeName.Set(locale);

  int mode = 0;
  if (opts.GetValue('R')) mode |= kModeRenameArchives;
  const char* conflictName = Arg(opts, 'c');
  if (const char* c = Arg(opts, 'C')) {
    if (strcmp(c, "1") == 0) {
      caseInsensitiveOutput = true;
    } else if (strcmp(c, "0") != 0) {
      printf("unknown option -C%s\n", c);
      fflush(stdout);
      ReportUsage();
      return 1;
    }
  }
  if (opts.GetValue('j')) mode |= kModeJournalPatch;

  // The debug output goes through the message log for the rest of the
  // process.
  static ZtDebugConfig* debugConfig = new ZtDebugConfig;
  debugConfig->SetSink(log);
  if (quiet) debugConfig->SetOutputFunction(DiscardLine, nullptr);
  debugConfig->Install();

  if (const char* logName = Arg(opts, 'l')) {
    // The sink first: it creates the missing directories of the name, so
    // that standard error can then be moved onto the file.
    log->SetSink(logName);
    OsRedirectStderr(logName);
  }

  bool requireVariants = true;
  if (const char* n = Arg(opts, 'n')) requireVariants = n[0] != 'r';

  const char* translationName = Arg(opts, 't');
  int policyKind = kPolicyNone;
  if (const char* p = Arg(opts, 'p')) {
    if (translationName && !opts.GetLong("yes") && !ConfirmAdvancedFeature(stdin, stdout)) {
      Print("Exiting ...\n");
      return 0;
    }
    policyKind = PolicyKindFromName(p);
    if (policyKind == kPolicyNone) {
      Error wrong;
      wrong.Set(kMsgUnknownPolicy) << p;
      ReportUsageAfter(&wrong);
      return 0;
    }
  }

  if (const char* r = Arg(opts, 'r')) serverRootSetting.Set(r);
  if (const char* s = Arg(opts, 'S')) serverIdSetting.Set(s);
  if (opts.GetValue('u')) {
    unicodeCheckpoint = true;
    utf8Folding = true;
  }

  if (mode & kModeRenameArchives) {
#ifdef ZT_HAVE_PROBE
    if (!ProbeCaseSensitive(StrPtr(), StrPtr())) {
      e.Set(kMsgRenameNotAvailable);
      Aborts(&e);
      return -1;
    }
#else
    // TODO(rename): the case-sensitivity probe lands with the rename setup.
#endif
  }

  // The files of the run.
  std::unique_ptr<FileSys> input = CheckpointFile(checkpoint);
  std::unique_ptr<FileSys> conflictFile;
  if (conflictName) conflictFile = FreshOutput(conflictName, FST_TEXT);
  std::unique_ptr<FileSys> translationFile;
  if (translationName) {
    translationFile = FileSys::Create(FST_TEXT);
    if (translationFile) translationFile->SetPath(StrPtr(translationName));
  }
  std::unique_ptr<FileSys> policyFile;
  if (const char* pm = Arg(opts, 'P')) {
    policyFile = FileSys::Create(FST_TEXT);
    if (policyFile) policyFile->SetPath(StrPtr(pm));
  }
  std::unique_ptr<FileSys> outputFile;
  if (outName) outputFile = FreshOutput(outName, EndsWithGz(outName) ? FST_GZIP : FST_TEXT);
  std::unique_ptr<FileSys> reportFile;
  if (reportName) reportFile = FreshOutput(reportName, FST_TEXT);
  bool haveOutputFile = outputFile != nullptr;

  SetStrCaseMode(CaseFold);
  Timer resourceTimer;
  resourceTimer.Start();

  {
    Migrator migrator(std::move(input), std::move(translationFile), std::move(policyFile),
                      std::move(conflictFile), std::move(outputFile), requireVariants);

    // A run that renames no archives analyses every path and name, written
    // outputs or not: only the rename works from the archive root.
    if (!(mode & kModeRenameArchives)) migrator.scanOnly = false;

    if (!serverRootSetting.IsEmpty()) {
      migrator.serverRoot.Set(serverRootSetting);
      if (!quiet) fprintf(stderr, "ztroot set to %s\n", serverRootSetting.Text());
    }
    if (!serverIdSetting.IsEmpty()) {
      migrator.serverId.Set(serverIdSetting);
      if (!quiet) fprintf(stderr, "serverId set to %s\n", serverIdSetting.Text());
    }

    if (outDir) migrator.SetOutputDirectory(StrPtr(outDir), &e);
    if (e.GetSeverity() <= E_INFO) migrator.OpenFiles(&e);
    if (e.GetSeverity() <= E_INFO) migrator.LoadMaps(&e);
    if (e.GetSeverity() <= E_INFO) migrator.Scan(mode, policyKind, &e);
    if (e.GetSeverity() <= E_INFO) {
      if (Verbosity() >= 3) migrator.PrintStatistics();
      if (Verbosity() >= 5) migrator.DumpTree();
      migrator.WriteConflictMap(&e);
    }
    if (reportFile && e.GetSeverity() <= E_INFO)
      WriteConflictReport(migrator, reportFormat, reportFile.get(), &e);
    if (e.GetSeverity() <= E_INFO && Verbosity() >= 1)
      PrintSummary(migrator, mode & kModeRenameArchives, resourceTimer.Elapsed());

    if (e.GetSeverity() <= E_INFO) {
      if (migrator.conflictsRemain) {
        e.Set(kMsgConflictsRemain);
      } else if (migrator.minorInconsistencies && !haveOutputFile && !outDir) {
        e.Set(kMsgMinorInconsistencies);
      } else {
        e.Set(kMsgSuccess);
        log->Report(&e);
      }
      if (migrator.archiveConflicts || migrator.lostData) {
        StrBuf text("Archive Case Conflict Detected during rename!\n   archiveConflicts: ");
        text.AppendInt(migrator.archiveConflicts);
        text.Append(" lostData: ");
        text.AppendInt(migrator.lostData);
        text.Append("\n");
        log->Output(text);
      }
      if (migrator.archiveProblems || migrator.archiveConflicts)
        e.Set(kMsgArchivesUnsettled) << (migrator.archiveProblems + migrator.archiveConflicts);
      if (migrator.skippedRecords) e.Set(kMsgSkippedRecords) << migrator.skippedRecords;
    }
  }

  StrBuf seconds;
  FormatSeconds(resourceTimer.Elapsed(), &seconds);
  seconds.Append("s");
  if (Verbosity() >= 3) fprintf(stderr, "\nResource Usage: %s\n\n", seconds.Text());

  if (Aborts(&e)) return -1;
  return 0;
}
