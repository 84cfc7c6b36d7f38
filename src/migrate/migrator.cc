// The Migrator's construction, destruction and the stages that belong to
// the run itself (opening the optional files, loading the maps).
#include "migrate/migrator.h"

#include "journal/journal_record.h"
#include "journal/zt_journal.h"
#include "journal/zt_journal_dir.h"
#include "map/case_policy.h"
#include "map/map_entry.h"
#include "map/translation_map.h"
#include "map/view_map.h"
#include "migrate/catalogue.h"
#include "migrate/conflict_map.h"
#include "migrate/name_caches.h"
#include "migrate/path_tree.h"
#include "migrate/register_domain.h"
#include "migrate/rename/archive_mover.h"
#include "migrate/rename/rename_stage.h"

Migrator::Migrator(const RunConfig& cfg, std::unique_ptr<FileSys> in,
                   std::unique_ptr<FileSys> tmap, std::unique_ptr<FileSys> pmap,
                   std::unique_ptr<FileSys> cmap, std::unique_ptr<FileSys> out)
    : config_(cfg),
      serverId_(StrPtr(cfg.serverId.c_str())),
      serverRoot_(StrPtr(cfg.serverRoot.c_str())),
      unicodeCheckpoint_(cfg.unicode),
      notes_(&serverRoot_, &unicodeCheckpoint_, cfg.caseInsensitiveOutput),
      input_(std::move(in)),
      translationMapFile_(std::move(tmap)),
      policyMapFile_(std::move(pmap)),
      conflictMapFile_(std::move(cmap)),
      outputFile_(std::move(out)),
      locale_(cfg.locale) {
  depotMap_ = std::make_unique<ViewMap>(config_.compareMode);
  depotNameMap_ = std::make_unique<ViewMap>(config_.compareMode);
  pathTree_ = std::make_unique<PathTree>();
  translationMap_ = std::make_unique<TranslationMap>(config_.requireVariants, fold_,
                                                     config_.compareMode);
  policyMap_ = std::make_unique<TranslationMap>(true, fold_, config_.compareMode);

  // A directory is read as a parallel checkpoint.
  if (input_ && (input_->Stat() & kStatDirectory))
    reader_ = std::make_unique<ZtJournalDir>(input_->GetPath());
  else
    reader_ = std::make_unique<ZtJournal>(input_.get());

  domains_ = std::make_unique<DomainCache>();
  groups_ = std::make_unique<GroupCache>();

  // A run that renames no archives analyses every path and name, written
  // outputs or not: only the rename works from the archive root.
  scanOnly_ = (config_.mode & kModeRenameArchives) && !translationMapFile_ && !policyMapFile_ &&
              !conflictMapFile_ && !outputFile_;

  // The default depot: its archive directory and its registered name.
  depotMap_->Insert(StrPtr("//depot/..."), StrPtr("depot/..."), IncludeMapping);
  Error ignored;
  ::RegisterDomain(domains_.get(), depotNameMap_.get(), StrPtr("depot"), kDomainDepot, &ignored);
}

Migrator::~Migrator() {
  // An output never committed is removed with its writer.
  sink_.reset();
  Error ignored;
  for (std::unique_ptr<FileSys>* f :
       {&translationMapFile_, &policyMapFile_, &conflictMapFile_, &outputFile_}) {
    if (*f) {
      (*f)->Close(&ignored);
      ignored.Clear();
      f->reset();
    }
  }
  policy_.reset();
  if (input_) {
    input_->Close(&ignored);
    input_.reset();
  }
  reader_.reset();
  pathTree_.reset();
  policyMap_.reset();
  translationMap_.reset();
  groups_.reset();
  domains_.reset();
  depotNameMap_.reset();
  depotMap_.reset();
}

void Migrator::SetOutputDirectory(const StrPtr& directory, bool made, Error* e) {
  outputDirectory_.Set(directory);
  scanOnly_ = false;
  auto writer = std::make_unique<TableFilesWriter>(directory, &notes_, config_.force);
  std::unique_ptr<FileSys> marker = FileSys::Create(kFileText);
  if (marker) {
    marker->SetPath(directory);
    if (made || !(marker->Stat() & kStatExists)) writer->MadeDirectory();
    StrBuf path(directory);
    path.Append("/.ztmigrate");
    marker->MkDir(path, e);
  }
  sink_ = std::move(writer);
}

void Migrator::OpenFiles(Error* e) {
  DebugPrintf("Opening input and output files...\n");
  struct {
    FileSys* file;
    int mode;
  } files[] = {{translationMapFile_.get(), kOpenRead},
               {policyMapFile_.get(), kOpenRead},
               {conflictMapFile_.get(), kOpenWrite},
               {outputFile_.get(), kOpenWrite}};
  for (auto& f : files) {
    if (!f.file) continue;
    f.file->Open(f.mode, e);
    if (e->Test()) return;
  }
  if (outputFile_ && outputDirectory_.IsEmpty()) {
    if (config_.mode & kModeJournalPatch)
      sink_ = std::make_unique<JournalPatchWriter>(outputFile_.get());
    else
      sink_ = std::make_unique<CheckpointWriter>(outputFile_.get(), &notes_);
  }
}

void Migrator::LoadMaps(Error* e) {
  // The maps' partition keys are folded paths, so they are made in the fold
  // mode the scan will use as far as the options tell it; a header note
  // that changes it makes the scan rekey them.
  if ((translationMapFile_ || policyMapFile_) && !foldModeSettled_) {
    fold_ = ChooseFoldRules();
    translationMap_->SetFoldRules(fold_);
    policyMap_->SetFoldRules(fold_);
  }
  if (translationMapFile_) {
    DebugPrintf("Loading translation map from %s\n", translationMapFile_->GetPath().Text());
    translationMap_->CarryDirectoryDecisions();
    translationMap_->Load(translationMapFile_.get(), e);
  }
  if (policyMapFile_ && !e->Test()) {
    policyMap_ = std::make_unique<TranslationMap>(true, fold_, config_.compareMode);
    DebugPrintf("Loading policy map from %s\n", policyMapFile_->GetPath().Text());
    policyMap_->Load(policyMapFile_.get(), e);
  }
}

FoldRules Migrator::ChooseFoldRules() const {
  const std::string& locale = config_.locale;
  FoldRules rules;
  // -u folds as UTF-8 for the whole run, even after a header note without
  // the Unicode flag.
  if (config_.unicode || unicodeCheckpoint_ || locale.find("UTF-8") != std::string::npos)
    rules.mode = FoldMode::kUtf8;
  else if (locale == "C" || locale == "POSIX")
    rules.mode = FoldMode::kSevenBit;
  else
    rules.locale = locale_.Get();  // null, "C" rules, when the name was refused
  return rules;
}

void Migrator::CommitOutputs(Error* e) {
  // The written records first (the table files of a parallel output
  // together), then the conflict map; the first failure stops the rest,
  // which are then removed.
  if (sink_) sink_->Commit(e);
  if (conflictMapFile_ && e->GetSeverity() <= E_INFO) conflictMapFile_->Commit(e);
}

bool Migrator::HasOutputs() const {
  return outputFile_ || conflictMapFile_ || !outputDirectory_.IsEmpty();
}

ScanState Migrator::State() {
  ScanState s;
  s.depotMap = depotMap_.get();
  s.depotNameMap = depotNameMap_.get();
  s.pathTree = pathTree_.get();
  s.translationMap = translationMap_.get();
  s.domains = domains_.get();
  s.groups = groups_.get();
  s.nameFixes = &nameFixes_;
  s.counters = &counters_;
  s.serverId = &serverId_;
  s.serverRoot = &serverRoot_;
  s.policy = policy_.get();
  s.rename = rename_.get();
  return s;
}

void Migrator::WriteConflictMap(Error* e) {
  ConflictMapLines lines = ::WriteConflictMap(*pathTree_, config_.policyKind == kPolicyHead,
                                              translationMap_.get(), conflictMapFile_.get(), e);
  counters_.conflictLines = lines.count;
  if (lines.count) ++counters_.conflictsRemain;
}

void Migrator::WriteConflictReport(ReportFormat format, FileSys* file, Error* e) const {
  ReportSource source;
  source.pathTree = pathTree_.get();
  source.nameFixes = &nameFixes_;
  source.head = config_.policyKind == kPolicyHead;
  if (input_) source.checkpoint = input_->GetPath();
  source.serverRoot = serverRoot_;
  source.depotMap = depotMap_.get();
  ::WriteConflictReport(source, format, file, e);
}

void Migrator::RenameArchives(const RenameOptions& options, Error* e) {
  if (!rename_) return;
  RenameCounts c = rename_->Run(options, counters_.conflictsRemain != 0, serverRoot_, e);
  counters_.renameCount = c.moved;
  counters_.archivesToMove = c.toMove;
  counters_.archivesMissing = c.missing;
  counters_.archiveConflicts = c.conflicts;
  counters_.lostData = c.lostData;
  counters_.archivesUnsettled = c.unsettled;
}

void Migrator::PrintStatistics() { pathTree_->PrintStatistics(); }

void Migrator::DumpTree() { pathTree_->DumpTree(); }

