// Migrator: the migration engine of one run.
//
// The driver builds one Migrator with the input checkpoint and the optional
// -t, -P, -c and -o file objects, runs its stages in order (each only while
// the run's Error holds nothing worse than info) and destroys it, which
// closes every file. The Migrator owns everything of the run: the files, the
// record reader, the path tree, the name caches, the depot maps, the
// translation and policy maps and the policy object. The stages read and
// fill the fields below by these names.
#ifndef ZT_MIGRATE_MIGRATOR_H_
#define ZT_MIGRATE_MIGRATOR_H_

#include <cstdint>
#include <memory>

#include <map>
#include <string>

#include "migrate/name_fixes.h"
#include "support/files/filesys.h"
#include "support/messages/debug.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

class DomainCache;
class GroupCache;
class JournalRecord;
class PathTree;
class Policy;
class ArchiveRenamer;
struct RenameOptions;
class TranslationMap;
class ViewMap;
class ZtJournal;

// Bits of `mode`.
enum MigratorMode { kModeRenameArchives = 1, kModeJournalPatch = 2 };

// Values of `policyKind`.
enum PolicyKind { kPolicyNone = 0, kPolicyLower = 1, kPolicyUpper = 2, kPolicyMixed = 3, kPolicyHead = 4 };

class Migrator {
 public:
  // Takes ownership of the files; any of the last four may be null.
  // requireVariants is the -n setting given to the translation map.
  Migrator(std::unique_ptr<FileSys> input, std::unique_ptr<FileSys> translationMapFile,
           std::unique_ptr<FileSys> policyMapFile, std::unique_ptr<FileSys> conflictMapFile,
           std::unique_ptr<FileSys> outputFile, bool requireVariants);
  // Closes (errors ignored) and deletes every file and structure of the run.
  ~Migrator();
  Migrator(const Migrator&) = delete;
  Migrator& operator=(const Migrator&) = delete;

  // Prepares the -O directory: remembers it, creates it with its missing
  // parents and turns the run into one that writes output.
  void SetOutputDirectory(const StrPtr& directory, Error* e);
  // Opens the optional files (-t, -P for reading; -c, -o for writing),
  // stopping at the first failure. The input is opened by its reader.
  void OpenFiles(Error* e);
  // Loads the translation map and the policy map.
  void LoadMaps(Error* e);
  // Reads every record, fills the tree and caches, writes the output and
  // renames archives; sets every counter the verdict reads except
  // conflictsRemain.
  void Scan(int mode, int policyKind, Error* e);
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
  // -R: true when archive names can be looked up: in a run that writes
  // output always, else once the archive root has been entered (entering
  // it now when no db.counters record did).
  bool ArchiveRootReady(Error* e);

  // ---- The scan and the output pass ----

  // Handles one journal note: header template, Unicode flag, output header.
  void ProcessNote(JournalRecord* note, Error* e);
  // Writes currentRecord to the -o file (whole checkpoint or journal patch).
  void WriteRecord(Error* e);
  // Writes currentRecord to its table's file in the -O directory.
  void WriteTableRecord(Error* e);
  // The output's header and trailer notes, made from headerRecord.
  std::unique_ptr<JournalRecord> MakeHeader();
  std::unique_ptr<JournalRecord> MakeTrailer();
  // Writes the trailers and closes the per-table files, or writes the
  // trailer of the -o file.
  void EndOutput(Error* e);

  // ---- The table catalogue ----

  // Applies the catalogue's treatments to currentRecord.
  void ProcessRecord(bool renameArchives, Error* e);
  void EnterDepotPath(const StrPtr& field, Error* e);
  void FixDomainPrefix(const StrPtr& field, Error* e);
  void FixDomainName(const StrPtr& field, Error* e);
  void FixGroupName(const StrPtr& field, Error* e);
  void MapDepotName(Error* e);
  void RegisterDomainOf(Error* e);
  // Registers a domain in `domains` and `depotNameMap` (first spelling wins).
  void RegisterDomain(const StrPtr& name, int type, Error* e);

  // --- State of the run, in the order the stages know it. ---
  StrBuf serverId;
  StrBuf serverRoot;
  bool inArchiveRoot;
  std::unique_ptr<JournalRecord> headerRecord;  // the first note of the input
  bool headerWritten;
  int32_t lostData;
  int32_t archiveConflicts;
  int32_t renameCount;
  // Archives the rename left unsettled (missing, in conflict, failed).
  int32_t archivesUnsettled = 0;
  // Archives named by the checkpoint but found on disk in no case.
  int32_t archivesMissing = 0;
  // The working directory is the archive root.
  bool archiveRootEntered = false;
  int32_t startTicks;
  int32_t lastTicks;
  int32_t renameTime;
  Timer timer;
  StrBuf outputDirectory;
  // Per-table files of a parallel output, by table name (null until -O).
  std::unique_ptr<std::map<std::string, std::unique_ptr<FileSys>>> tableFiles;
  std::unique_ptr<FileSys> input;
  std::unique_ptr<FileSys> translationMapFile;
  std::unique_ptr<FileSys> policyMapFile;
  std::unique_ptr<FileSys> conflictMapFile;
  std::unique_ptr<FileSys> outputFile;
  std::unique_ptr<ViewMap> depotMap;      // depot syntax -> archive directories
  std::unique_ptr<ViewMap> depotNameMap;  // "//name/..." lowered -> as registered
  std::unique_ptr<PathTree> pathTree;
  std::unique_ptr<TranslationMap> translationMap;  // -t, built with requireVariants
  std::unique_ptr<TranslationMap> policyMap;       // -P, variants required
  std::unique_ptr<ZtJournal> reader;  // a ZtJournalDir for a directory input
  std::unique_ptr<DomainCache> domains;
  std::unique_ptr<GroupCache> groups;
  std::unique_ptr<Policy> policy;
  int32_t mode;
  int32_t policyKind;
  int32_t minorInconsistencies;
  int32_t conflictsRemain;
  bool scanOnly;
  int32_t skippedRecords;
  JournalRecord* currentRecord;  // not owned: the record being processed
  StrBuf lastPath;
  bool requireVariants;
  // Names replaced by the spelling of their definition, for the report.
  NameFixes nameFixes;
  // Records read by the scan and records written to the outputs.
  int64_t recordsRead = 0;
  int64_t recordsWritten = 0;
  // Conflict lines of the conflict map (set with conflictsRemain).
  int64_t conflictLines = 0;
  // The archive renamer (-R): its directory cache and counters.
  std::unique_ptr<ArchiveRenamer> renamer;

 private:
  // ---- fold mode of the maps ----
  // Chooses the path fold mode and the C library's locale from the run's
  // settings, without printing; false when the locale name was refused.
  static bool ChooseFoldMode();
  // A text naming the fold mode now in force (fold flags and locale).
  static std::string FoldModeName();
  // The fold mode the maps' partition keys were made in; empty when no map
  // was loaded before the fold mode was settled.
  std::string mapsFoldMode;

  // ---- scan and output private state ----
  StrBuf deletion;  // -j: the record as read, as a "dv" line
  StrBuf line;      // the output line being written
  int64_t droppedTableRecords = 0;  // -O records whose table file could not be made
  // ---- end scan and output private state ----

  // ---- catalogue private state ----
  // The catalogue row of the table last seen and the field positions
  // resolved for it, so that a run of records of one table costs a byte
  // comparison per record and per field instead of schema lookups.
  static constexpr int kCatalogueFieldSlots = 12;
  StrBuf catTable;    // the table name the cache below was filled for
  StrBuf catVersion;  // ... and the table version text
  int catKind = 0;    // its catalogue row (a CatalogueKind of catalogue.cc)
  uint32_t catTableBit = 0;  // its path tree table bit; 0 until asked for
  int catFieldCount = 0;
  StrBuf catFieldName[kCatalogueFieldSlots];
  int catFieldPos[kCatalogueFieldSlots] = {};
  // Scratch buffers reused by every field treatment.
  StrBuf catPolicyOut;   // the policy's re-cased path
  StrBuf catTranslated;  // a map's translation
  StrBuf catKey;         // a lowered lookup key or a path being looked up
  StrBuf catWork;        // a new field value being assembled
  // Points the caches at currentRecord's table and version.
  void SyncCatalogue();
  // The named field of currentRecord and its position, or null with e set.
  const StrPtr* CatalogueField(const StrPtr& name, int* pos, Error* e);
  // The numeric value of the named field; 0 with e set when it is missing.
  int CatalogueNumber(const char* name, Error* e);
  // The path tree table bit of currentRecord's table.
  uint32_t PathTables();
  // Steps 5 to 8 of a depot path for db.revbx records.
  void EnterArchivedPath(int pos, const StrPtr& value, const StrPtr& recased, Error* e);
  // The treatments of the catalogue row for currentRecord.
  void ApplyCatalogueRow(Error* e);
  // db.view, db.view.rp, db.haveview: viewFile by the type of its domain.
  void FixViewFile(Error* e);
  // db.rev under the head policy: marks the first revision of each file.
  void MarkHeadRevision(Error* e);
  // db.counters: refuses a database level above the supported maximum.
  void CheckUpgradeLevel(Error* e);
  // ---- end catalogue private state ----
};

#endif  // ZT_MIGRATE_MIGRATOR_H_
