// The run sequence of the command line.
#include "driver/driver.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "driver/driver_messages.h"
#include "journal/zt_journal_dir.h"
#include "migrate/conflict_report.h"
#include "migrate/migrator.h"
#include "migrate/rename/archive_renamer.h"
#include "support/files/files_messages.h"
#include "support/files/filesys.h"
#include "support/files/path_sys.h"
#include "support/files/posix/os_file.h"
#include "support/messages/debug.h"
#include "support/messages/message_log.h"
#include "support/messages/options.h"
#include "support/out_of_memory.h"
#include "support/text/strbuf.h"

#include "driver/convert.h"
#include "driver/verify.h"
#include "migrate/rename/archive_mover.h"
#include "migrate/rename/archive_undo.h"
#include "migrate/rename/rename_setup.h"

const char kDriverFlags[] = "Rc:C:fhjl:L:n:o:O:P:p:qr:S:st:uv:V";
const LongOption kDriverLongOptions[] = {
    {"help", false},     {"version", false},  {"yes", false},
    {"report", true},    {"dry-run", false},  {"undo", true},
    {"undo-log", true},  {"prune-empty-dirs", false}, {"threads", true},
    {"verify", false},   {"archive-dir", true}, {"force", false},
    {"allow-skipped", false},
    {nullptr, false}};

namespace {

const char kAdvancedWarning[] =
    "\nUSING A POLICY AND A TRANSLATION MAP IS AN ADVANCED FEATURE OF ZTMIGRATE.\n"
    "THE POLICY WILL BE APPLIED FIRST, THEN THE TRANSLATION MAP: WHERE BOTH\n"
    "RE-SPELL A PATH, THE TRANSLATION MAP WINS.\n"
    "USING THIS INCORRECTLY CAN CAUSE SIGNIFICANT AND UNEXPECTED RESULTS TO THE\n"
    "END RESULTING CHECKPOINT AND MAY NOT BE WHAT YOU EXPECT.\n"
    "IT IS HIGHLY ADVISED TO CONTACT ZENTORY SUPPORT WHEN USING THIS MODE.\n\n";

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
void PrintSummary(const Migrator& m, bool renamed, bool kept, int elapsedMs) {
  auto line = [](const char* what, long long n) { DebugPrintf("    %-22s%lld\n", what, n); };
  DebugPrintf("\nSummary:\n");
  line("records read", m.Counters().recordsRead);
  // Records of outputs that were not kept count as not written.
  line("records written", kept ? m.Counters().recordsWritten : 0);
  line("notes read", m.Counters().notesRead);
  line("notes written", kept ? m.Counters().notesWritten : 0);
  line("path conflicts", m.Counters().conflictLines);
  line("names fixed", m.Fixes().Count());
  if (renamed) {
    line("archives moved", m.Counters().renameCount);
    line("archives missing", m.Counters().archivesMissing);
    line("archives in conflict", m.Counters().archiveConflicts);
    line("archives unsettled", m.Counters().archivesUnsettled);
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
  if (EndsWithGz(name)) f = FileSys::Create(kFileGzip);
  if (!f) f = FileSys::Create(kFileText);
  if (f) f->SetPath(StrPtr(name));
  return f;
}

// A new output file. It is written under a temporary name beside its own
// and takes its name only when the run commits it, so an earlier file of
// that name stays as it was until then (and for good when the run fails).
// "-" is the standard output, and a device, pipe or directory of that name
// (say /dev/null) is written in place: neither is ever removed or replaced.
// Without force a file that took the name during the run is not replaced.
std::unique_ptr<FileSys> FreshOutput(const char* name, int type, bool force) {
  std::unique_ptr<FileSys> f = FileSys::Create(type);
  if (!f) f = FileSys::Create(kFileText);
  if (!f) return f;
  f->SetPath(StrPtr(name));
  f->SetPerms(kPermReadWrite);
  if (strcmp(name, "-") != 0) f->SetAtomicReplace();
  if (!force) f->SetKeepExisting();
  return f;
}

// Refuses an output name that is taken: an existing file, unless force
// allows replacing it, and a symbolic link, which force resolves to the file
// it points to (*resolved), so that the file is replaced beside itself and
// the link stays a link. A device or pipe, or a link to one, is written in
// place and never replaced, so it is not refused.
bool OutputNameRefused(const char* name, const char* option, bool force, std::string* resolved,
                       Error* e) {
  resolved->assign(name);
  OsStatus st;
  if (strcmp(name, "-") == 0 || OsStat(name, &st) != 0 || !st.exists) return false;
  if (st.isLink) {
    StrBuf target;
    OsStatus end;
    bool dangling = OsFollowLinks(name, &target) != 0 || OsStat(target.Text(), &end) != 0 ||
                    !end.exists;
    if (!dangling && !end.isRegular && !end.isDir) return false;  // a device or pipe
    if (!force) {
      e->Set(kMsgOutputIsLink) << name << option;
      return true;
    }
    resolved->assign(target.Text());
    return false;
  }
  if (!st.isRegular || force) return false;  // a directory, device or pipe; or replaced
  e->Set(kMsgOutputExists) << name << option;
  return true;
}

// True, with the refusal in e, when the directory already holds checkpoint
// table files: a parallel output is written whole into a directory of its
// own, never mixed with the tables of an earlier run.
bool DirectoryHoldsTableFiles(const char* dir, Error* e) {
  std::unique_ptr<FileSys> d = FileSys::Create(kFileText);
  if (!d) return false;
  d->SetPath(StrPtr(dir));
  if (!(d->Stat() & kStatDirectory)) return false;
  Error ignored;
  std::unique_ptr<StrVarArray> names = d->ScanDir(&ignored);
  for (int i = 0; names && i < names->Count(); ++i) {
    TableFile table;
    if (!ZtJournalDir::ParseTableFileName(*names->At(i), &table)) continue;
    e->Set(kMsgOutputDirHoldsTables) << dir << *names->At(i);
    return true;
  }
  return false;
}

// The files a run reads and writes, for the clash checks made before
// anything is written.
struct RunFiles {
  struct Input {
    std::string path;
    bool isMap;  // a -t or -P map, else the checkpoint or one of its tables
  };
  std::vector<Input> inputs;
  std::vector<std::string> outputs;  // every file the run writes, the log included
};

// Adds the checkpoint to the inputs: a file, or every file of a parallel
// checkpoint directory (the directory itself too, for -O).
void AddCheckpointInputs(const char* checkpoint, RunFiles* files) {
  files->inputs.push_back({checkpoint, false});
  std::unique_ptr<FileSys> dir = FileSys::Create(kFileText);
  if (!dir) return;
  dir->SetPath(StrPtr(checkpoint));
  if (!(dir->Stat() & kStatDirectory)) return;
  Error ignored;
  std::unique_ptr<StrVarArray> names = dir->ScanDir(&ignored);
  for (int i = 0; names && i < names->Count(); ++i) {
    std::string path(checkpoint);
    if (path.empty() || path.back() != '/') path += '/';
    path += names->At(i)->Text();
    files->inputs.push_back({path, false});
  }
}

// Refuses a run whose outputs include one of its inputs or name one file
// twice: the first would destroy the only copy of the data, the second would
// leave one output made of another's bytes.
bool FilesClash(const RunFiles& files, Error* e) {
  for (const std::string& out : files.outputs) {
    for (const RunFiles::Input& in : files.inputs) {
      if (!OsSameFile(out.c_str(), in.path.c_str())) continue;
      e->Set(in.isMap ? kMsgOutputIsMap : kMsgOutputIsInput) << out << in.path;
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

// name made absolute against the starting directory, as the journal names
// it.
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

namespace {

// --help, --version, -h and -V: true with *status set when one was asked
// for (answered on standard output).
bool AnswerInformation(const OptionSet& opts, int* status) {
  *status = 0;
  if (opts.GetLong("help")) {
    fputs(kMsgUsage.text, stdout);
    fflush(stdout);
    return true;
  }
  if (opts.GetLong("version")) {
    printf("ztmigrate %s (%s)\n", kVersionString + 4, kVersionDate);
    fflush(stdout);
    return true;
  }
  if (opts.GetValue('h')) {
    ReportUsage();
    return true;
  }
  if (opts.GetValue('V')) {
    StrBuf banner;
    MessageLog::BuildBanner(kVersionString, kVersionDate, 0, &banner);
    fwrite(banner.Text(), 1, banner.Length(), stdout);
    fflush(stdout);
    return true;
  }
  return false;
}

// -v and -q: sets the debug level; returns the verbosity.
int SetVerbosity(const OptionSet& opts, FILE* info) {
  int verbosity = 1;
  if (const char* v = Arg(opts, 'v')) {
    verbosity = VerbosityLevel(v);
    fprintf(info, "logging at %s level\n", VerbosityName(verbosity));
    fflush(info);
  }
  if (opts.GetValue('q')) verbosity = 0;
  SetLevel(kDebugVerbosity, verbosity);
  return verbosity;
}

// The names a run reads and writes, from the command line.
// An output named by a symbolic link is written to the file the link points
// to (with -f), so these are the names to write, kept in the store fields.
struct RunNames {
  const char* checkpoint = nullptr;
  const char* out = nullptr;       // -o
  const char* outDir = nullptr;    // -O
  const char* conflict = nullptr;  // -c
  const char* report = nullptr;    // --report
  ReportFormat reportFormat = ReportFormat::kNone;
  bool convert = false;  // -s with -o or -O: the standard conversion only
  bool force = false;    // -f: outputs may replace existing files
  bool outDirMade = false;  // the -O directory did not exist before this run
  std::string outStore, outDirStore, conflictStore, reportStore;
};

// Checks every output name of the run (see OutputNameRefused) and points
// the names at what is to be written; the undo journal must be new, with or
// without force.
bool OutputNamesRefused(const OptionSet& opts, RunNames* n, Error* e) {
  struct {
    const char** name;
    std::string* store;
    const char* option;
  } outputs[] = {{&n->out, &n->outStore, "-o"},
                 {&n->outDir, &n->outDirStore, "-O"},
                 {&n->conflict, &n->conflictStore, "-c"},
                 {&n->report, &n->reportStore, "--report"}};
  for (auto& o : outputs) {
    if (!*o.name) continue;
    if (OutputNameRefused(*o.name, o.option, n->force, o.store, e)) return true;
    *o.name = o.store->c_str();
  }
  if (const StrPtr* undoLog = opts.GetLong("undo-log")) {
    OsStatus st;
    if (OsStat(undoLog->Text(), &st) == 0 && st.exists) {
      e->Set(kMsgUndoLogExists) << undoLog->Text();
      return true;
    }
  }
  return false;
}

// Refuses before anything is read or written: an output that is an input
// or another output (by device and inode), and a -O directory that already
// holds table files. The standard output ("-") and the -O directory's own
// table files are not names to compare.
bool FilesAreRefused(const OptionSet& opts, const RunNames& n, Error* e) {
  if (n.convert && n.outDir) {
    // The conversion copies table files as they are; a single file has no
    // tables to copy, and splitting it would need header notes it lacks.
    std::unique_ptr<FileSys> probe = FileSys::Create(kFileText);
    probe->SetPath(StrPtr(n.checkpoint));
    int st = probe->Stat();
    if ((st & kStatExists) && !(st & kStatDirectory)) {
      e->Set(kMsgConvertNeedsDirectory) << n.checkpoint;
      return true;
    }
  }
  if (n.out && !n.outDir) {
    std::unique_ptr<FileSys> probe = FileSys::Create(kFileText);
    if (probe) {
      probe->SetPath(StrPtr(n.checkpoint));
      if (probe->Stat() & kStatDirectory) {
        fprintf(stderr,
                "Warning: input '%s' is a parallel checkpoint, but -o writes a single-file "
                "checkpoint; use -O <directory> to write a parallel checkpoint.\n",
                n.checkpoint);
      }
    }
  }
  RunFiles files;
  AddCheckpointInputs(n.checkpoint, &files);
  for (char letter : {'t', 'P'}) {
    if (!n.convert && Arg(opts, letter)) files.inputs.push_back({Arg(opts, letter), true});
  }
  if (n.outDir) files.outputs.push_back(n.outDir);
  else if (n.out && strcmp(n.out, "-") != 0) files.outputs.push_back(n.out);
  if (!n.convert && n.conflict) files.outputs.push_back(n.conflict);
  if (Arg(opts, 'l')) files.outputs.push_back(Arg(opts, 'l'));
  if (!n.convert && n.report) files.outputs.push_back(n.report);
  if (const StrPtr* undoLog = opts.GetLong("undo-log")) files.outputs.push_back(undoLog->Text());
  return FilesClash(files, e);
}

// -O: creates the directory with its missing parents and locks it for the
// rest of the run (held by *lock), so that a second run writing into it is
// refused rather than mixed with this one. Without force a directory that
// already holds checkpoint table files is refused too; with force they are
// replaced at the end.
bool OutputDirectoryRefused(RunNames* names, std::unique_ptr<FileHandle>* lock, Error* e) {
  const RunNames& n = *names;
  if (!n.outDir) return false;
  std::unique_ptr<FileSys> maker = FileSys::Create(kFileText);
  maker->SetPath(StrPtr(n.outDir));
  names->outDirMade = !(maker->Stat() & kStatExists);
  StrBuf marker(n.outDir);
  marker.Append("/.ztmigrate");
  maker->SetPath(marker);
  maker->MkDir(marker, e);
  if (e->Test()) return true;
  int err = OsLockDirectory(n.outDir, lock);
  if (err == EWOULDBLOCK) {
    e->Set(kMsgOutputDirBusy) << n.outDir;
    return true;
  }
  if (err != 0) {
    // Without the lock a second run could mix its tables with this one's.
    e->Set(kMsgOutputDirUnlockable) << n.outDir << strerror(err);
    if (n.outDirMade) {
      // Refused: the directory this run made goes again.
      Error ignored;
      PathSys parent(n.outDir);
      if (parent.StripLastComponent()) maker->SetStopDir(parent);
      maker->RmDir(marker, &ignored);
    }
    return true;
  }
  return !n.force && DirectoryHoldsTableFiles(n.outDir, e);
}

// Words after the checkpoint and options given twice would be ignored:
// both are refused, naming them.
bool CommandLineRefused(const OptionSet& opts, int words, char** word, Error* e) {
  // --undo takes no checkpoint; --verify reads its two and the options
  // that may follow them itself.
  const int allowed = opts.GetLong("undo") ? 0 : 1;
  if (words > allowed && !opts.GetLong("verify")) {
    std::string rest;
    for (int i = allowed; i < words; ++i) rest += std::string(i > allowed ? " " : "") + word[i];
    e->Set(kMsgWordsAfterCheckpoint) << (allowed ? word[0] : "") << rest;
    return true;
  }
  for (const char* f = kDriverFlags; *f; ++f) {
    if (*f == ':' || !opts.GetValue(*f, 0, 1)) continue;
    const char option[] = {'-', *f, 0};
    e->Set(kMsgOptionTwice) << option;
    return true;
  }
  for (const LongOption* l = kDriverLongOptions; l->name; ++l) {
    if (strcmp(l->name, "archive-dir") == 0) continue;  // may be given more than once
    if (!opts.GetLong(l->name, 1)) continue;
    e->Set(kMsgOptionTwice) << (std::string("--") + l->name);
    return true;
  }
  return false;
}

// -s: the standard conversion. Its own reports (skipped records, summaries)
// are made as it goes; what it leaves in e made the output incomplete or
// unusable, and ends the run with an error rather than a silent success.
int RunConvert(const RunNames& n, int threads, bool allowSkipped, Error* e) {
  if (n.outDir) {
    ConvertDirectory(StrPtr(n.checkpoint), StrPtr(n.outDir), threads, e, n.force, allowSkipped);
  } else {
    ConvertToFile(StrPtr(n.checkpoint), StrPtr(n.out), threads, e, n.force, allowSkipped);
  }
  if (int sig = InterruptSignal()) {
    e->Set(kMsgInterrupted) << sig;
    Aborts(e);
    return 128 + sig;
  }
  return Aborts(e) ? -1 : 0;
}

// The debug output goes through the message log for the rest of the
// process; -l moves the log and standard error onto a file. False when the
// log file could not be made (reported already).
bool RouteLog(const OptionSet& opts, bool quiet, MessageLog* log) {
  static ZtDebugConfig* debugConfig = new ZtDebugConfig;
  debugConfig->SetSink(log);
  if (quiet) debugConfig->SetOutputFunction(DiscardLine, nullptr);
  debugConfig->Install();
  const char* logName = Arg(opts, 'l');
  if (!logName) return true;
  // The sink first: it creates the missing directories of the name, so that
  // standard error can then be moved onto the file.
  log->SetSink(logName);
  if (!log->LogFileName()) return false;
  log->SetFallbackFd(OsRedirectStderr(logName));
  return true;
}

// --threads: 1 to 64, both cores of a small machine by default (above 1 the
// checkpoint is parsed on a thread of its own, and a gzip output deflated
// on that many); false with the refusal in e for anything but plain digits
// in that range.
bool ReadThreadsOption(const OptionSet& opts, int* threads, Error* e) {
  if (const StrPtr* t = opts.GetLong("threads")) {
    long n = 0;
    bool digits = t->Length() > 0 && t->Length() <= 2;
    for (uint32_t i = 0; digits && i < t->Length(); ++i) {
      digits = t->Text()[i] >= '0' && t->Text()[i] <= '9';
      n = n * 10 + (t->Text()[i] - '0');
    }
    if (!digits || n < 1 || n > 64) {
      e->Set(kMsgBadThreads) << *t;
      return false;
    }
    *threads = static_cast<int>(n);
  }
  return true;
}

// -L, -R, -C and -j; false (with the usage shown) for an unknown -C value.
bool ReadModeOptions(const OptionSet& opts, FILE* info, RunConfig* config) {
  if (const char* locale = Arg(opts, 'L')) config->locale = locale;
  if (opts.GetValue('R')) config->mode |= kModeRenameArchives;
  if (const char* c = Arg(opts, 'C')) {
    if (strcmp(c, "1") == 0) {
      config->caseInsensitiveOutput = true;
    } else if (strcmp(c, "0") != 0) {
      fprintf(info, "unknown option -C%s\n", c);
      fflush(info);
      ReportUsage();
      return false;
    }
  }
  if (opts.GetValue('j')) config->mode |= kModeJournalPatch;
  return true;
}

// -p (after the confirmation -t with -p asks for), -n, -r, -S, -u: false
// with *status set when the run ends here.
bool ReadPolicyOptions(const OptionSet& opts, FILE* info, RunConfig* config, int* status) {
  if (const char* n = Arg(opts, 'n')) config->requireVariants = n[0] != 'r';
  *status = 0;
  if (const char* p = Arg(opts, 'p')) {
    // A refusal or an unknown name ends the run before anything is read,
    // and not as a success.
    *status = -1;
    if (Arg(opts, 't') && !opts.GetLong("yes") && !ConfirmAdvancedFeature(stdin, info)) {
      fputs("Exiting ...\n", info);
      fflush(info);
      Error declined;
      declined.Set(kMsgDeclined);
      Aborts(&declined);
      return false;
    }
    config->policyKind = PolicyKindFromName(p);
    if (config->policyKind == kPolicyNone) {
      Error wrong;
      wrong.Set(kMsgUnknownPolicy) << p;
      ReportUsageAfter(&wrong);
      return false;
    }
    *status = 0;
  }
  if (const char* r = Arg(opts, 'r')) config->serverRoot = r;
  // --archive-dir, repeatable: further places -R may work in.
  for (int i = 0; const StrPtr* d = opts.GetLong("archive-dir", i); ++i)
    config->archiveDirs.emplace_back(d->Text());
  if (const char* s = Arg(opts, 'S')) config->serverId = s;
  if (opts.GetValue('u')) config->unicode = true;
  return true;
}

// A named optional input of the run, or null.
std::unique_ptr<FileSys> NamedInput(const char* name) {
  if (!name) return nullptr;
  std::unique_ptr<FileSys> f = FileSys::Create(kFileText);
  if (f) f->SetPath(StrPtr(name));
  return f;
}

// What the verdict names: the outputs the run wrote (null when not
// written) and how it was run.
struct VerdictFacts {
  const char* conflictMap = nullptr;  // -c, when written
  bool conflictMapAsked = false;      // -c given
  const char* checkpoint = nullptr;   // -o or -O, when written
  bool writesCheckpoint = false;      // -o or -O given
  bool outputsAsked = false;          // any output given
  bool allowSkipped = false;          // --allow-skipped
  bool dryRun = false;                // -R --dry-run
};

// The verdict of a run whose stages all went through.
void SetVerdict(const RunCounters& c, const VerdictFacts& f, MessageLog* log, Error* e) {
  // A dry run ends with what it would have done: set first, it is printed
  // last, below any warning.
  if (f.dryRun)
    e->Set(kMsgDryRun) << c.archivesToMove << c.archivesMissing << c.archiveConflicts;
  // Skipped records without --allow-skipped leave nothing written: no
  // verdict speaks of outputs or success then.
  const bool withheld = c.skippedRecords && !f.allowSkipped;
  if (c.conflictsRemain) {
    // (Messages print newest first: the note on the output goes below.)
    if (f.checkpoint) e->Set(kMsgConflictsInOutput) << f.checkpoint;
    e->Set(f.conflictMap           ? kMsgConflictsInMap
           : f.conflictMapAsked ? kMsgConflictsMapWithheld
                                : kMsgConflictsRemain)
        << static_cast<long long>(c.conflictLines)
        << (c.conflictLines == 1 ? "path conflict" : "path conflicts");
    if (f.conflictMap) *e << f.conflictMap << f.conflictMap;
  } else if (c.minorInconsistencies && !f.writesCheckpoint) {
    e->Set(kMsgMinorInconsistencies);
  } else if (!c.archivesUnsettled && !withheld && !f.dryRun) {
    e->Set(kMsgSuccess);
    log->Report(e);
  }
  if (c.archivesUnsettled) e->Set(kMsgArchivesUnsettled) << c.archivesUnsettled;
  if (c.skippedRecords) {
    if (f.allowSkipped && f.outputsAsked) e->Set(kMsgSkippedWritten);
    else if (f.outputsAsked) e->Set(kMsgSkippedNoOutput);
    else e->Set(kMsgSkippedRecords);
    BindSkippedCount(e, c.skippedRecords);
  }
  if (f.dryRun && !e->Test()) log->Report(e);
}

// Notes that the outputs were not written, below the messages that say why.
void NoteOutputsDiscarded(Error* e) {
  Error note;
  note.Set(kMsgOutputsDiscarded);
  note.Merge(*e);
  e->Clear();
  e->Merge(note);
}

// Builds the Migrator of the run and runs its stages in order, each only
// while e holds nothing worse than info; ends with the outputs committed or
// removed and the verdict in e.
void RunMigration(const OptionSet& opts, const RunConfig& config, const RunNames& n, bool quiet,
                  Timer* timer, Error* e) {
  RenameOptions renameOptions;
  renameOptions.dryRun = opts.GetLong("dry-run") != nullptr;
  renameOptions.pruneEmptyDirs = opts.GetLong("prune-empty-dirs") != nullptr;
  if (const StrPtr* log = opts.GetLong("undo-log")) AbsoluteName(log->Text(), &renameOptions.undoLog);
  const bool renames = config.mode & kModeRenameArchives;

  std::unique_ptr<FileSys> conflictFile;
  if (n.conflict) conflictFile = FreshOutput(n.conflict, kFileText, n.force);
  std::unique_ptr<FileSys> outputFile;
  if (n.out) outputFile = FreshOutput(n.out, EndsWithGz(n.out) ? kFileGzip : kFileText, n.force);
  if (outputFile) outputFile->SetThreads(config.threads);
  std::unique_ptr<FileSys> reportFile;
  if (n.report) reportFile = FreshOutput(n.report, kFileText, n.force);
  const bool writesCheckpoint = outputFile || n.outDir;

  Migrator migrator(config, CheckpointFile(n.checkpoint), NamedInput(Arg(opts, 't')),
                    NamedInput(Arg(opts, 'P')), std::move(conflictFile), std::move(outputFile));
  if (!config.serverRoot.empty() && !quiet)
    fprintf(stderr, "ztroot set to %s\n", config.serverRoot.c_str());
  if (!config.serverId.empty() && !quiet)
    fprintf(stderr, "serverId set to %s\n", config.serverId.c_str());

  if (n.outDir) migrator.SetOutputDirectory(StrPtr(n.outDir), n.outDirMade, e);
  if (e->GetSeverity() <= E_INFO) migrator.OpenFiles(e);
  if (e->GetSeverity() <= E_INFO) migrator.LoadMaps(e);
  if (e->GetSeverity() <= E_INFO) migrator.Scan(e);
  if (e->GetSeverity() <= E_INFO) {
    if (Verbosity() >= 3) migrator.PrintStatistics();
    if (Verbosity() >= 5) migrator.DumpTree();
    migrator.WriteConflictMap(e);
  }
  if (reportFile && e->GetSeverity() <= E_INFO)
    migrator.WriteConflictReport(n.reportFormat, reportFile.get(), e);
  if (e->GetSeverity() <= E_INFO && renames) migrator.RenameArchives(renameOptions, e);

  // The outputs take their names only when the run wrote them whole: not
  // after a read or write error, skipped records or an interrupt. A verdict
  // that inconsistencies remain still leaves complete outputs.
  // With --allow-skipped they are written without the records the reader
  // skipped, and the verdict says how many.
  const RunCounters& counters = migrator.Counters();
  const bool allowSkipped = opts.GetLong("allow-skipped") != nullptr;
  const bool withheld = counters.skippedRecords && !allowSkipped;
  bool complete = e->GetSeverity() <= E_INFO && !withheld && !InterruptSignal();
  if (complete) migrator.CommitOutputs(e);
  if (complete && reportFile && e->GetSeverity() <= E_INFO) reportFile->Commit(e);
  const bool written = complete && e->GetSeverity() <= E_INFO;
  if (e->GetSeverity() <= E_INFO && Verbosity() >= 1)
    PrintSummary(migrator, renames, written, timer->Elapsed());
  if (e->GetSeverity() <= E_INFO) {
    VerdictFacts facts;
    facts.conflictMap = written ? Arg(opts, 'c') : nullptr;
    facts.conflictMapAsked = Arg(opts, 'c') != nullptr;
    facts.checkpoint = written ? (n.outDir ? n.outDir : n.out) : nullptr;
    if (facts.checkpoint && strcmp(facts.checkpoint, "-") == 0) facts.checkpoint = "on standard output";
    facts.writesCheckpoint = writesCheckpoint;
    facts.outputsAsked = migrator.HasOutputs() || reportFile;
    facts.allowSkipped = allowSkipped;
    facts.dryRun = renames && renameOptions.dryRun;
    SetVerdict(counters, facts, GetMessageLog(), e);
  }
  // (A commit that fails reports its own rename error.) The skipped-records
  // verdict already says that nothing was written.
  if (!complete && migrator.HasOutputs() && !(withheld && e->Has(kMsgSkippedNoOutput)))
    NoteOutputsDiscarded(e);
}

// The command the words ask for, from the options to the verdict.
int RunCommand(int argc, char** argv) {
  MessageLog* log = GetMessageLog();
  log->SetName("ztmigrate");
  log->SetSink("stderr");
  Error e;

  OptionSet opts;
  int words = argc > 0 ? argc - 1 : 0;
  char** word = argv + (argc > 0 ? 1 : 0);
  opts.Parse(&words, &word, kDriverFlags, kOptAnyWords, kMsgUsage, &e, kDriverLongOptions);
  if (Aborts(&e)) return -1;
  int status = 0;
  if (AnswerInformation(opts, &status)) return status;
  if (CommandLineRefused(opts, words, word, &e)) {
    Aborts(&e);
    return -1;
  }

  // With "-o -" the standard output is the checkpoint or the patch: every
  // line the program would print there goes to standard error instead.
  const char* outArg = Arg(opts, 'o');
  FILE* info = (outArg && strcmp(outArg, "-") == 0) ? stderr : stdout;
  SetVerbosity(opts, info);
  const bool quiet = opts.GetValue('q') != nullptr;

  if (const StrPtr* undo = opts.GetLong("undo")) return RunUndo(undo->Text());
  if (words <= 0) {
    ReportUsage();
    return 0;
  }
  RunNames names;
  names.checkpoint = word[0];
  names.out = outArg;
  names.outDir = Arg(opts, 'O');
  names.conflict = Arg(opts, 'c');
  names.force = opts.GetValue('f') || opts.GetLong("force");
  names.convert = opts.GetValue('s') && (names.out || names.outDir);
  const StrPtr* reportArg = opts.GetLong("report");
  names.report = reportArg ? reportArg->Text() : nullptr;
  names.reportFormat = names.report ? ReportFormatOf(names.report) : ReportFormat::kNone;
  if (names.report && names.reportFormat == ReportFormat::kNone) {
    e.Set(kMsgReportSuffix) << names.report;
    ReportUsageAfter(&e);
    return -1;
  }
  // -R renames archives to the spelling of the checkpoint it reads: with a
  // map or a policy that spelling is the edited one, which must then exist.
  if (opts.GetValue('R') && !names.out && !names.outDir &&
      (Arg(opts, 't') || Arg(opts, 'P') || Arg(opts, 'p'))) {
    e.Set(kMsgRenameNeedsOutput);
    Aborts(&e);
    return -1;
  }
  RunConfig config;
  config.force = names.force;
  config.markHeads = names.report != nullptr;  // the report names each head spelling
  if (!ReadThreadsOption(opts, &config.threads, &e)) {
    Aborts(&e);
    return -1;
  }
  if (OutputNamesRefused(opts, &names, &e) || FilesAreRefused(opts, names, &e)) {
    Aborts(&e);
    return -1;
  }
  // Held until the process ends: the -O directory is this run's alone.
  std::unique_ptr<FileHandle> outDirLock;
  if (names.convert) {
    if (OutputDirectoryRefused(&names, &outDirLock, &e)) {
      Aborts(&e);
      return -1;
    }
    return RunConvert(names, config.threads, opts.GetLong("allow-skipped") != nullptr, &e);
  }
  if (!ReadModeOptions(opts, info, &config)) return 1;
  if (!RouteLog(opts, quiet, log)) return -1;
  if (!ReadPolicyOptions(opts, info, &config, &status)) return status;
  if ((config.mode & kModeRenameArchives) && !ProbeCaseSensitive(StrPtr(), StrPtr())) {
    e.Set(kMsgRenameNotAvailable);
    Aborts(&e);
    return -1;
  }

  if (opts.GetLong("verify")) return RunVerifyCommand(opts, config, words, word);

  if (OutputDirectoryRefused(&names, &outDirLock, &e)) {
    Aborts(&e);
    return -1;
  }

  Timer resourceTimer;
  resourceTimer.Start();
  RunMigration(opts, config, names, quiet, &resourceTimer, &e);

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

}  // namespace

int RunDriver(int argc, char** argv) {
  try {
    return RunCommand(argc, argv);
  } catch (const std::bad_alloc&) {
    // Every object of the run has gone by now, each unfinished output with
    // its writer, and the memory they held with them.
    Error e;
    e.Set(kMsgOutOfMemory);
    Aborts(&e);
    return -1;
  }
}
