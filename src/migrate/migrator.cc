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
#include "migrate/name_caches.h"
#include "migrate/path_tree.h"
#include "migrate/register_domain.h"
#include "migrate/rename/archive_renamer.h"

Migrator::Migrator(const RunConfig& cfg, std::unique_ptr<FileSys> in,
                   std::unique_ptr<FileSys> tmap, std::unique_ptr<FileSys> pmap,
                   std::unique_ptr<FileSys> cmap, std::unique_ptr<FileSys> out)
    : config(cfg),
      serverId(StrPtr(cfg.serverId.c_str())),
      serverRoot(StrPtr(cfg.serverRoot.c_str())),
      unicodeCheckpoint(cfg.unicode),
      notes(&serverRoot, &unicodeCheckpoint, cfg.caseInsensitiveOutput),
      input(std::move(in)),
      translationMapFile(std::move(tmap)),
      policyMapFile(std::move(pmap)),
      conflictMapFile(std::move(cmap)),
      outputFile(std::move(out)) {
  depotMap = std::make_unique<ViewMap>();
  depotNameMap = std::make_unique<ViewMap>();
  pathTree = std::make_unique<PathTree>();
  translationMap = std::make_unique<TranslationMap>(config.requireVariants);
  policyMap = std::make_unique<TranslationMap>(true);

  // A directory is read as a parallel checkpoint.
  if (input && (input->Stat() & kStatDirectory))
    reader = std::make_unique<ZtJournalDir>(input->GetPath());
  else
    reader = std::make_unique<ZtJournal>(input.get());

  domains = std::make_unique<DomainCache>();
  groups = std::make_unique<GroupCache>();
  catalogue = std::make_unique<Catalogue>(this);

  // A run that renames no archives analyses every path and name, written
  // outputs or not: only the rename works from the archive root.
  scanOnly = (config.mode & kModeRenameArchives) && !translationMapFile && !policyMapFile &&
             !conflictMapFile && !outputFile;

  // The default depot: its archive directory and its registered name.
  depotMap->Insert(StrPtr("//depot/..."), StrPtr("depot/..."), IncludeMapping);
  Error ignored;
  RegisterDomain(StrPtr("depot"), kDomainDepot, &ignored);
}

Migrator::~Migrator() {
  // An output never committed is removed with its writer.
  sink.reset();
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

void Migrator::SetOutputDirectory(const StrPtr& directory, bool made, Error* e) {
  outputDirectory.Set(directory);
  scanOnly = false;
  auto writer = std::make_unique<TableFilesWriter>(directory, &notes, config.force);
  std::unique_ptr<FileSys> marker = FileSys::Create(kFileText);
  if (marker) {
    marker->SetPath(directory);
    if (made || !(marker->Stat() & kStatExists)) writer->MadeDirectory();
    StrBuf path(directory);
    path.Append("/.ztmigrate");
    marker->MkDir(path, e);
  }
  sink = std::move(writer);
}

void Migrator::OpenFiles(Error* e) {
  DebugPrintf("Opening input and output files...\n");
  struct {
    FileSys* file;
    int mode;
  } files[] = {{translationMapFile.get(), kOpenRead},
               {policyMapFile.get(), kOpenRead},
               {conflictMapFile.get(), kOpenWrite},
               {outputFile.get(), kOpenWrite}};
  for (auto& f : files) {
    if (!f.file) continue;
    f.file->Open(f.mode, e);
    if (e->Test()) return;
  }
  if (outputFile && outputDirectory.IsEmpty()) {
    if (config.mode & kModeJournalPatch)
      sink = std::make_unique<JournalPatchWriter>(outputFile.get());
    else
      sink = std::make_unique<CheckpointWriter>(outputFile.get(), &notes);
  }
}

void Migrator::LoadMaps(Error* e) {
  // The maps' partition keys are folded paths, so they are made in the fold
  // mode the scan will use as far as the options tell it; a header note
  // that changes it makes the scan rekey them.
  if ((translationMapFile || policyMapFile) && !foldModeSettled) {
    ChooseFoldMode();
    mapsFoldMode = FoldModeName();
  }
  if (translationMapFile) {
    DebugPrintf("Loading translation map from %s\n", translationMapFile->GetPath().Text());
    translationMap->CarryDirectoryDecisions();
    translationMap->Load(translationMapFile.get(), e);
  }
  if (policyMapFile && !e->Test()) {
    policyMap = std::make_unique<TranslationMap>(true);
    DebugPrintf("Loading policy map from %s\n", policyMapFile->GetPath().Text());
    policyMap->Load(policyMapFile.get(), e);
  }
}

void Migrator::CommitOutputs(Error* e) {
  // The written records first (the table files of a parallel output
  // together), then the conflict map; the first failure stops the rest,
  // which are then removed.
  if (sink) sink->Commit(e);
  if (conflictMapFile && e->GetSeverity() <= E_INFO) conflictMapFile->Commit(e);
}

bool Migrator::HasOutputs() const {
  return outputFile || conflictMapFile || !outputDirectory.IsEmpty();
}

void Migrator::RegisterDomain(const StrPtr& name, int type, Error* e) {
  ::RegisterDomain(domains.get(), depotNameMap.get(), name, type, e);
}

void Migrator::PrintStatistics() { pathTree->PrintStatistics(); }

void Migrator::DumpTree() { pathTree->DumpTree(); }

