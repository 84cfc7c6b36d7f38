// ScanState: what the table catalogue reads and changes from one record to
// the next, lent to it by whoever owns the run (the Migrator, or a test):
// the depot maps, the path tree, the translation map, the name caches, the
// name fixes, the counters and the server id and root. Nothing here is
// owned; everything named outlives the catalogue.
//
// CatalogueFlags: what kind of run the catalogue treats records for, fixed
// when the catalogue is made.
#ifndef ZT_MIGRATE_SCAN_STATE_H_
#define ZT_MIGRATE_SCAN_STATE_H_

class DomainCache;
class GroupCache;
class NameFixes;
class PathTree;
class Policy;
class RenameStage;
class StrBuf;
class TranslationMap;
class ViewMap;
struct RunCounters;

struct ScanState {
  ViewMap* depotMap = nullptr;              // depot syntax -> archive directories
  ViewMap* depotNameMap = nullptr;          // "//name/..." lowered -> as registered
  PathTree* pathTree = nullptr;             // every depot path entered
  TranslationMap* translationMap = nullptr;  // -t; empty (or null) without one
  DomainCache* domains = nullptr;
  GroupCache* groups = nullptr;
  NameFixes* nameFixes = nullptr;  // names re-spelt to their definition
  RunCounters* counters = nullptr;
  StrBuf* serverId = nullptr;    // taken from db.config when empty
  StrBuf* serverRoot = nullptr;  // taken from db.config when empty
  Policy* policy = nullptr;      // -p; null without one
  RenameStage* rename = nullptr;  // -R; null in every other run
};

struct CatalogueFlags {
  // Only what the archive rename needs is treated (-R without outputs).
  bool scanOnly = false;
  // Archived revision paths are translated (a -t map or a policy given).
  bool translates = false;
  // Head revisions are marked in the path tree (-p head, --report).
  bool markHeads = false;
  // Revision records are handed to the archive rename (-R).
  bool renameArchives = false;
};

#endif  // ZT_MIGRATE_SCAN_STATE_H_
