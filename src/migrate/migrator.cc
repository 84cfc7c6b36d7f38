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
#include "migrate/name_caches.h"
#include "migrate/path_tree.h"
#include "migrate/rename/archive_renamer.h"
#include "support/messages/settings.h"

Migrator::Migrator(std::unique_ptr<FileSys> in, std::unique_ptr<FileSys> tmap,
                   std::unique_ptr<FileSys> pmap, std::unique_ptr<FileSys> cmap,
                   std::unique_ptr<FileSys> out, bool variants)
    : inArchiveRoot(false),
      headerWritten(false),
      lostData(0),
      archiveConflicts(0),
      renameCount(0),
      startTicks(0),
      lastTicks(0),
      renameTime(0),
      input(std::move(in)),
      translationMapFile(std::move(tmap)),
      policyMapFile(std::move(pmap)),
      conflictMapFile(std::move(cmap)),
      outputFile(std::move(out)),
      mode(0),
      policyKind(kPolicyNone),
      minorInconsistencies(0),
      conflictsRemain(0),
      scanOnly(false),
      skippedRecords(0),
      currentRecord(nullptr),
      requireVariants(variants) {
  // The zeroed timer reads the tick count itself.
  startTicks = timer.Elapsed();
  lastTicks = startTicks;

  depotMap = std::make_unique<ViewMap>();
  depotNameMap = std::make_unique<ViewMap>();
  pathTree = std::make_unique<PathTree>();
  translationMap = std::make_unique<TranslationMap>(requireVariants);
  policyMap = std::make_unique<TranslationMap>(true);

  // A directory is read as a parallel checkpoint.
  if (input && (input->Stat() & FSF_DIRECTORY))
    reader = std::make_unique<ZtJournalDir>(input->GetPath());
  else
    reader = std::make_unique<ZtJournal>(input.get());

  domains = std::make_unique<DomainCache>();
  groups = std::make_unique<GroupCache>();

  scanOnly = !translationMapFile && !policyMapFile && !conflictMapFile && !outputFile;

  // The default depot: its archive directory and its registered name.
  depotMap->Insert(StrPtr("//depot/..."), StrPtr("depot/..."), IncludeMapping);
  Error ignored;
  RegisterDomain(StrPtr("depot"), kDomainDepot, &ignored);
}

Migrator::~Migrator() {
  Error ignored;
  for (std::unique_ptr<FileSys>* f :
       {&translationMapFile, &policyMapFile, &conflictMapFile, &outputFile}) {
    if (*f) {
      (*f)->Close(&ignored);
      ignored.Clear();
      f->reset();
    }
  }
  policy.reset();
  if (input) {
    input->Close(&ignored);
    input.reset();
  }
  reader.reset();
  pathTree.reset();
  policyMap.reset();
  translationMap.reset();
  groups.reset();
  domains.reset();
  depotNameMap.reset();
  depotMap.reset();
}

void Migrator::SetOutputDirectory(const StrPtr& directory, Error* e) {
  outputDirectory.Set(directory);
  scanOnly = false;
  tableFiles = std::make_unique<std::map<std::string, std::unique_ptr<FileSys>>>();
  std::unique_ptr<FileSys> marker = FileSys::Create(FST_TEXT);
  if (!marker) return;
  StrBuf path(directory);
  path.Append("/.ztmigrate");
  marker->MkDir(path, e);
}

void Migrator::OpenFiles(Error* e) {
  DebugPrintf("Opening input and output files...\n");
  struct {
    FileSys* file;
    int mode;
  } files[] = {{translationMapFile.get(), FOM_READ},
               {policyMapFile.get(), FOM_READ},
               {conflictMapFile.get(), FOM_WRITE},
               {outputFile.get(), FOM_WRITE}};
  for (auto& f : files) {
    if (!f.file) continue;
    f.file->Open(f.mode, e);
    if (e->Test()) return;
  }
}

void Migrator::LoadMaps(Error* e) {
  // The maps' partition keys are folded paths, so they are made in the fold
  // mode the scan will use as far as the options tell it; a header note
  // that changes it makes the scan rekey them.
  if ((translationMapFile || policyMapFile) && !localeReady) {
    ChooseFoldMode();
    mapsFoldMode = FoldModeName();
  }
  if (translationMapFile) {
    DebugPrintf("Loading translation map from %s\n", translationMapFile->GetPath().Text());
    translationMap->Load(translationMapFile.get(), e);
  }
  if (policyMapFile && !e->Test()) {
    policyMap = std::make_unique<TranslationMap>(true);
    DebugPrintf("Loading policy map from %s\n", policyMapFile->GetPath().Text());
    policyMap->Load(policyMapFile.get(), e);
  }
}

void Migrator::CommitOutputs(Error* e) {
  // The table files of a parallel output first, together, then the single
  // files; the first failure stops the rest, which are then removed.
  if (tableFiles) {
    for (auto& entry : *tableFiles) {
      entry.second->Commit(e);
      if (e->GetSeverity() > E_INFO) return;
    }
  }
  for (FileSys* f : {outputFile.get(), conflictMapFile.get()}) {
    if (!f) continue;
    f->Commit(e);
    if (e->GetSeverity() > E_INFO) return;
  }
}

bool Migrator::HasOutputs() const {
  return outputFile || conflictMapFile || !outputDirectory.IsEmpty();
}

void Migrator::PrintStatistics() { pathTree->PrintStatistics(); }

void Migrator::DumpTree() { pathTree->DumpTree(); }

