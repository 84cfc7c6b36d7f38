// Migrator: the migration engine of one run.
//
// The driver builds one Migrator with the run's options (RunConfig), the
// input checkpoint and the optional -t, -P, -c and -o file objects, runs its
// stages in order (each only while the run's Error holds nothing worse than
// info) and destroys it, which closes every file. The Migrator owns
// everything of the run: the files, the record reader, the record sink, the
// path tree, the name caches, the depot maps, the translation and policy
// maps, the policy object and the archive rename. The table catalogue is
// lent what it works on as a ScanState; what the run counted is read
// through Counters().
#ifndef ZT_MIGRATE_MIGRATOR_H_
#define ZT_MIGRATE_MIGRATOR_H_

#include <cstdint>
#include <memory>

#include <string>

#include "migrate/conflict_report.h"
#include "migrate/name_fixes.h"
#include "migrate/output_notes.h"
#include "migrate/record_sink.h"
#include "migrate/run_config.h"
#include "migrate/run_counters.h"
#include "migrate/scan_state.h"
#include "support/files/filesys.h"
#include "support/messages/debug.h"
#include "support/messages/error.h"
#include "support/text/c_locale.h"
#include "support/text/fold.h"
#include "support/text/strbuf.h"

class DomainCache;
class GroupCache;
class JournalRecord;
class PathTree;
class Policy;
class Catalogue;
class RenameStage;
struct RenameOptions;
class TranslationMap;
class ViewMap;
class ZtJournal;
struct ScanPace;

class Migrator {
 public:
  // Takes ownership of the files; any of them may be null.
  Migrator(const RunConfig& config, std::unique_ptr<FileSys> input,
           std::unique_ptr<FileSys> translationMapFile, std::unique_ptr<FileSys> policyMapFile,
           std::unique_ptr<FileSys> conflictMapFile, std::unique_ptr<FileSys> outputFile);
  // Closes (errors ignored) and deletes every file and structure of the run.
  ~Migrator();
  Migrator(const Migrator&) = delete;
  Migrator& operator=(const Migrator&) = delete;

  // Prepares the -O directory: remembers it, creates it with its missing
  // parents and turns the run into one that writes output.
  // made: the directory did not exist before this run (it goes again when
  // the run writes nothing).
  void SetOutputDirectory(const StrPtr& directory, bool made, Error* e);
  // Opens the optional files (-t, -P for reading; -c, -o for writing),
  // stopping at the first failure, and makes the record sink of the -o
  // file. The input is opened by its reader.
  void OpenFiles(Error* e);
  // Loads the translation map and the policy map.
  void LoadMaps(Error* e);
  // Reads every record, fills the tree and caches, writes the output and
  // plans the archive moves; sets every counter the verdict reads except
  // conflictsRemain and the rename's.
  void Scan(Error* e);
  // Prints the path tree statistics.
  void PrintStatistics();
  // Prints every node of the path tree.
  void DumpTree();
  // Computes conflictsRemain and writes the conflict map when -c was given.
  void WriteConflictMap(Error* e);
  // Gives every output of a completely written run its name (each was
  // written under a temporary name); outputs never committed are removed
  // when the Migrator is destroyed.
  void CommitOutputs(Error* e);
  // True when the run writes a file (-o, -c or -O).
  bool HasOutputs() const;
  // -R, after the conflict map: refuses a checkpoint that still holds
  // conflicts or whose archive root did not resolve, else prints (dry run)
  // or carries out the planned moves, then prints the totals and sets
  // archivesUnsettled.
  void RenameArchives(const RenameOptions& options, Error* e);
  // Writes the conflict report of the finished scan into file (opened,
  // written and closed here); errors of the file in e.
  void WriteConflictReport(ReportFormat format, FileSys* file, Error* e) const;
  // Replaces the record sink: the scan hands every record read to sink.
  void SetSink(std::unique_ptr<RecordSink> sink) { sink_ = std::move(sink); }

  // What the run counted so far.
  const RunCounters& Counters() const { return counters_; }
  // The options of the run.
  const RunConfig& Config() const { return config_; }
  // The names the scan re-spelt to their definition.
  const NameFixes& Fixes() const { return nameFixes_; }
  // Every depot path the scan entered.
  const PathTree& Tree() const { return *pathTree_; }
  // Depot syntax -> archive directories, as the scan has read them.
  ViewMap* DepotMap() const { return depotMap_.get(); }
  // The checkpoint is Unicode: -u, then the header notes read so far.
  bool UnicodeCheckpoint() const { return unicodeCheckpoint_; }
  // How the run folds paths; settled at the first data record.
  const FoldRules& Fold() const { return fold_; }

 private:
  // ---- fold mode of the maps ----
  // The fold rules of the run's settings and the header notes read so far.
  FoldRules ChooseFoldRules() const;
  // At the first data record: settles the fold rules (once; the header
  // note has been seen by then), hands them to the maps, rekeying maps
  // loaded under other rules, and gives the policy its locale.
  void SettleFoldMode();

  // ---- the scan ----
  // Prepares the scan: the policy object, the archive rename, the
  // catalogue.
  void StartScan();
  // One record of the scan; false when the scan must stop at once (an
  // interrupt or a fatal error), leaving the outputs unended.
  bool ScanRecord(JournalRecord* record, ScanPace* pace, Error* e);
  // Handles one journal note: header template, Unicode flag, output header.
  void ProcessNote(JournalRecord* note, Error* e);
  // Ends the outputs and counts what they hold.
  void EndScan(Error* e);
  // What the catalogue works on: the maps, tree, caches and counters below.
  ScanState State();

  // --- State of the run, in the order the stages know it. ---
  RunConfig config_;
  RunCounters counters_;
  StrBuf serverId_;    // -S, else the first configurationVersion record
  StrBuf serverRoot_;  // -r, else the checkpoint's server root setting
  // The checkpoint is Unicode: -u, then the header notes.
  bool unicodeCheckpoint_;
  // The header and trailer notes of the outputs, from the input's first note.
  OutputNotes notes_;
  std::unique_ptr<FileSys> input_;
  std::unique_ptr<FileSys> translationMapFile_;
  std::unique_ptr<FileSys> policyMapFile_;
  std::unique_ptr<FileSys> conflictMapFile_;
  std::unique_ptr<FileSys> outputFile_;
  StrBuf outputDirectory_;  // -O
  // Where the scan sends each treated record (null when nothing is written).
  std::unique_ptr<RecordSink> sink_;
  std::unique_ptr<ViewMap> depotMap_;      // depot syntax -> archive directories
  std::unique_ptr<ViewMap> depotNameMap_;  // "//name/..." lowered -> as registered
  std::unique_ptr<PathTree> pathTree_;
  std::unique_ptr<TranslationMap> translationMap_;  // -t, built with config.requireVariants
  std::unique_ptr<TranslationMap> policyMap_;       // -P, variants required
  std::unique_ptr<ZtJournal> reader_;  // a ZtJournalDir for a directory input
  std::unique_ptr<DomainCache> domains_;
  std::unique_ptr<GroupCache> groups_;
  std::unique_ptr<Policy> policy_;
  // Paths and names are analysed as read, for the rename only (-R without
  // an output); false in every other run.
  bool scanOnly_;
  // Names replaced by the spelling of their definition, for the report.
  NameFixes nameFixes_;
  // The archive rename (-R): its renamer, archive root and counts.
  std::unique_ptr<RenameStage> rename_;
  // The table catalogue, which the scan hands every data record; made when
  // the scan starts.
  std::unique_ptr<Catalogue> catalogue_;
  // The run's locale (-L), made before any thread starts; the process's
  // own locale is never changed.
  CLocale locale_;
  // How paths fold: chosen when the maps are loaded, settled at the first
  // data record.
  FoldRules fold_;
  bool foldModeSettled_ = false;
};

#endif  // ZT_MIGRATE_MIGRATOR_H_
