// The run sequence of the command line.
#include "driver/driver.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/driver_messages.h"
#include "migrate/migrator.h"
#include "support/files/files_messages.h"
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
#include "migrate/rename/archive_mover.h"
#include "migrate/rename/archive_undo.h"

const char kDriverFlags[] = "Rc:C:hjl:L:n:o:O:P:p:r:S:st:uv:V";
const LongOption kDriverLongOptions[] = {
    {"dry-run", false}, {"undo", true}, {"undo-log", true}, {"prune-empty-dirs", false},
    {"threads", true}, {nullptr, false}};

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
inline constexpr MessageId kMsgOutputDirHoldsTables = {
    0x32011e63,
    "Output directory %dir% already holds checkpoint table files (%file%); name a new or "
    "empty directory. Nothing was written."};
inline constexpr MessageId kMsgOutputsDiscarded = {
    0x21011e64,
    "No output was written: the run did not complete. Any earlier file of an output's name "
    "is unchanged."};
inline constexpr MessageId kMsgLogFileFailed = {
    0x32011e65, "Writing the log file %file% failed; the log is incomplete."};
inline constexpr MessageId kMsgOutputsCollide = {
    0x32011e62, "Outputs %output% and %other% are the same file; nothing was written."};

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

// A new output file. It is written under a temporary name beside its own
// and takes its name only when the run commits it, so an earlier file of
// that name stays as it was until then (and for good when the run fails).
// "-" is the standard output, and a device, pipe or directory of that name
// (say /dev/null) is written in place: neither is ever removed or replaced.
std::unique_ptr<FileSys> FreshOutput(const char* name, int type) {
  std::unique_ptr<FileSys> f = FileSys::Create(type);
  if (!f) f = FileSys::Create(FST_TEXT);
  if (!f) return f;
  f->SetPath(StrPtr(name));
  f->SetPerms(FPM_RW);
  if (strcmp(name, "-") != 0) f->SetAtomicReplace();
  return f;
}

// True when a directory entry has the name of a checkpoint table file
// ("db.<table>.ckp", compressed or numbered).
bool IsTableFileName(const StrPtr& name) {
  return name.Length() > 7 && memcmp(name.Text(), "db.", 3) == 0 &&
         (name.EndsWith(".ckp", 4) || name.EndsWith(".ckp.gz", 7));
}

// True, with the refusal in e, when the directory already holds checkpoint
// table files: a parallel output is written whole into a directory of its
// own, never mixed with the tables of an earlier run.
bool DirectoryHoldsTableFiles(const char* dir, Error* e) {
  std::unique_ptr<FileSys> d = FileSys::Create(FST_TEXT);
  if (!d) return false;
  d->SetPath(StrPtr(dir));
  if (!(d->Stat() & FSF_DIRECTORY)) return false;
  Error ignored;
  std::unique_ptr<StrVarArray> names = d->ScanDir(&ignored);
  for (int i = 0; names && i < names->Count(); ++i) {
    if (!IsTableFileName(*names->At(i))) continue;
    e->Set(kMsgOutputDirHoldsTables) << dir << *names->At(i);
    return true;
  }
  return false;
}

// The files a run reads and writes, for the clash checks made before
// anything is written.
struct RunFiles {
  std::vector<std::string> inputs;   // the checkpoint (or its table files) and the maps
  std::vector<std::string> outputs;  // every file the run writes, the log included
};

// Adds the checkpoint to the inputs: a file, or every file of a parallel
// checkpoint directory (the directory itself too, for -O).
void AddCheckpointInputs(const char* checkpoint, RunFiles* files) {
  files->inputs.push_back(checkpoint);
  std::unique_ptr<FileSys> dir = FileSys::Create(FST_TEXT);
  if (!dir) return;
  dir->SetPath(StrPtr(checkpoint));
  if (!(dir->Stat() & FSF_DIRECTORY)) return;
  Error ignored;
  std::unique_ptr<StrVarArray> names = dir->ScanDir(&ignored);
  for (int i = 0; names && i < names->Count(); ++i) {
    std::string path(checkpoint);
    if (path.empty() || path.back() != '/') path += '/';
    path += names->At(i)->Text();
    files->inputs.push_back(path);
  }
}

// Refuses a run whose outputs include one of its inputs or name one file
// twice: the first would destroy the only copy of the data, the second would
// leave one output made of another's bytes.
bool FilesClash(const RunFiles& files, const char* checkpoint, Error* e) {
  for (const std::string& out : files.outputs) {
    for (const std::string& in : files.inputs) {
      if (!OsSameFile(out.c_str(), in.c_str())) continue;
      bool isMap = in.compare(0, strlen(checkpoint), checkpoint) != 0;
      if (isMap) e->Set(kMsgOutputIsMap) << out << in;
      else e->Set(kMsgOutputIsInput) << out << in;
      return true;
    }
  }
  for (size_t i = 0; i < files.outputs.size(); ++i) {
    for (size_t j = i + 1; j < files.outputs.size(); ++j) {
      if (!OsSameDestination(files.outputs[i].c_str(), files.outputs[j].c_str())) continue;
      e->Set(kMsgOutputsCollide) << files.outputs[i] << files.outputs[j];
      return true;
    }
  }
  return false;
}

// name made absolute against the starting directory, so that a later change
// into the archive root does not move it.
void AbsoluteName(const char* name, StrBuf* out) {
  out->Clear();
  if (name[0] != '/') {
    OsGetCwd(out);
    if (out->IsEmpty() || (*out)[out->Length() - 1] != '/') out->AppendChar('/');
  }
  out->Append(StrPtr(name));
}

// --undo FILE: puts back the archives of a rename run.
int RunUndo(const char* journal) {
  Error e;
  UndoCounts counts;
  UndoArchiveMoves(StrPtr(journal), &counts, &e);
  StrBuf text("Undo: archives restored ");
  text.AppendInt(counts.reversed);
  text.Append(", never moved ");
  text.AppendInt(counts.notMade);
  text.Append(", gone ");
  text.AppendInt(counts.gone);
  text.Append(", old name taken ");
  text.AppendInt(counts.taken);
  text.Append(", failed ");
  text.AppendInt(counts.failed);
  text.Append("\n");
  if (e.GetSeverity() == E_EMPTY || counts.reversed + counts.notMade + counts.gone + counts.taken +
                                            counts.failed > 0)
    GetMessageLog()->Output(text);
  return Aborts(&e) ? -1 : 0;
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

  // With "-o -" the standard output is the checkpoint or the patch: every
  // line the program would print there goes to standard error instead.
  const char* outArg = Arg(opts, 'o');
  FILE* info = (outArg && strcmp(outArg, "-") == 0) ? stderr : stdout;

  int verbosity = 1;
  if (const char* v = Arg(opts, 'v')) {
    verbosity = VerbosityLevel(v);
    fprintf(info, "logging at %s level\n", VerbosityName(verbosity));
    fflush(info);
  }
  SetLevel(DT_SUPTOOL, verbosity);

  if (const StrPtr* undo = opts.GetLong("undo")) return RunUndo(undo->Text());

  if (words <= 0) {
    ReportUsage();
    return 0;
  }
  const char* checkpoint = word[0];
  const char* outName = Arg(opts, 'o');
  const char* outDir = Arg(opts, 'O');
  bool convert = opts.GetValue('s') && (outName || outDir);

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

  // No output may be an input or another output: checked by device and
  // inode before anything is written or read. The standard output ("-") and
  // the -O directory's own table files (refused below when they exist) are
  // not names to compare.
  RunFiles files;
  AddCheckpointInputs(checkpoint, &files);
  for (char letter : {'t', 'P'}) {
    if (!convert && Arg(opts, letter)) files.inputs.push_back(Arg(opts, letter));
  }
  if (outDir) files.outputs.push_back(outDir);
  else if (outName && strcmp(outName, "-") != 0) files.outputs.push_back(outName);
  if (!convert && Arg(opts, 'c')) files.outputs.push_back(Arg(opts, 'c'));
  if (Arg(opts, 'l')) files.outputs.push_back(Arg(opts, 'l'));
  if (const StrPtr* undoLog = opts.GetLong("undo-log")) files.outputs.push_back(undoLog->Text());
  if (FilesClash(files, checkpoint, &e)) {
    Aborts(&e);
    return -1;
  }
  // A parallel output never mixes two runs: a directory that already holds
  // checkpoint table files is refused rather than partly overwritten.
  if (outDir && DirectoryHoldsTableFiles(outDir, &e)) {
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
    if (int sig = InterruptSignal()) {
      e.Set(kMsgInterrupted) << sig;
      Aborts(&e);
      return 128 + sig;
    }
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
      fprintf(info, "unknown option -C%s\n", c);
      fflush(info);
      ReportUsage();
      return 1;
    }
  }
  if (opts.GetValue('j')) mode |= kModeJournalPatch;
  // The threads a gzip output is deflated on: 1 to 64, both cores of a
  // small machine by default.
  int threads = 2;
  if (const StrPtr* t = opts.GetLong("threads")) {
    char* end = nullptr;
    long n = strtol(t->Text(), &end, 10);
    if (t->Length() == 0 || *end != '\0' || n < 1 || n > 64) {
      fprintf(info, "unknown option --threads %s\n", t->Text());
      fflush(info);
      ReportUsage();
      return 1;
    }
    threads = static_cast<int>(n);
  }
  RenameOptions renameOptions;
  renameOptions.dryRun = opts.GetLong("dry-run") != nullptr;
  renameOptions.pruneEmptyDirs = opts.GetLong("prune-empty-dirs") != nullptr;
  if (const StrPtr* log = opts.GetLong("undo-log")) AbsoluteName(log->Text(), &renameOptions.undoLog);

  // The debug output goes through the message log for the rest of the
  // process.
  static ZtDebugConfig* debugConfig = new ZtDebugConfig;
  debugConfig->SetSink(log);
  debugConfig->Install();

  if (const char* logName = Arg(opts, 'l')) {
    // The sink first: it creates the missing directories of the name, so
    // that standard error can then be moved onto the file.
    log->SetSink(logName);
    if (!log->LogFileName()) {
      // The reason is reported on standard error already.
      return -1;
    }
    log->SetFallbackFd(OsRedirectStderr(logName));
  }

  bool requireVariants = true;
  if (const char* n = Arg(opts, 'n')) requireVariants = n[0] != 'r';

  const char* translationName = Arg(opts, 't');
  int policyKind = kPolicyNone;
  if (const char* p = Arg(opts, 'p')) {
    if (translationName && !ConfirmAdvancedFeature(stdin, info)) {
      fputs("Exiting ...\n", info);
      fflush(info);
      return 0;
    }
    policyKind = PolicyKindFromName(p);
    if (policyKind == kPolicyNone) {
      ReportUsage();
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
  bool haveOutputFile = outputFile != nullptr;
  if (outputFile) outputFile->SetThreads(threads);

  SetStrCaseMode(CaseFold);
  Timer resourceTimer;
  resourceTimer.Start();

  {
    Migrator migrator(std::move(input), std::move(translationFile), std::move(policyFile),
                      std::move(conflictFile), std::move(outputFile), requireVariants);

    if (!serverRootSetting.IsEmpty()) {
      migrator.serverRoot.Set(serverRootSetting);
      fprintf(stderr, "ztroot set to %s\n", serverRootSetting.Text());
    }
    if (!serverIdSetting.IsEmpty()) {
      migrator.serverId.Set(serverIdSetting);
      fprintf(stderr, "serverId set to %s\n", serverIdSetting.Text());
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
    if (e.GetSeverity() <= E_INFO && (mode & kModeRenameArchives))
      migrator.RenameArchives(renameOptions, &e);

    // The outputs take their names only when the run wrote them whole: not
    // after a read or write error, skipped records or an interrupt. A
    // verdict that inconsistencies remain still leaves complete outputs.
    bool complete = e.GetSeverity() <= E_INFO && !migrator.skippedRecords && !InterruptSignal();
    if (complete) migrator.CommitOutputs(&e);

    if (e.GetSeverity() <= E_INFO) {
      // Archives left unsettled rule out the success verdict.
      if (migrator.conflictsRemain) {
        e.Set(kMsgConflictsRemain);
      } else if (migrator.minorInconsistencies && !haveOutputFile && !outDir) {
        e.Set(kMsgMinorInconsistencies);
      } else if (!migrator.archivesUnsettled) {
        e.Set(kMsgSuccess);
        log->Report(&e);
      }
      if (migrator.archivesUnsettled) e.Set(kMsgArchivesUnsettled) << migrator.archivesUnsettled;
      if (migrator.skippedRecords) e.Set(kMsgSkippedRecords) << migrator.skippedRecords;
    }
    // (A commit that fails reports its own rename error.)
    if (!complete && migrator.HasOutputs()) e.Set(kMsgOutputsDiscarded);
  }

  StrBuf seconds;
  FormatSeconds(resourceTimer.Elapsed(), &seconds);
  seconds.Append("s");
  if (Verbosity() >= 3) fprintf(stderr, "\nResource Usage: %s\n\n", seconds.Text());

  if (log->LogFileFailed()) e.Set(kMsgLogFileFailed) << log->LogFileName();
  if (int sig = InterruptSignal()) {
    Aborts(&e);
    return 128 + sig;
  }
  if (Aborts(&e)) return -1;
  return 0;
}
