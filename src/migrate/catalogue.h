// The table catalogue: which fields of which tables carry depot paths,
// domain names and group names, and what is done to each of them, record by
// record, as the scan hands them over.
//
// The catalogue is one list of rows {table, field, first version,
// treatment}. The first time a table and version are met, their rows become
// a plan: the treatments in order, each with the record positions of the
// fields it reads, found in the schema once. Records of one table come in
// runs, so a record costs one comparison of its table and version with the
// plan last used, and no field is looked up by its name. What persists from
// record to record and outlives the scan (the name caches, the depot maps,
// the path tree, the name fixes and the counters) is the run's, lent to the
// catalogue as a ScanState.
#ifndef ZT_MIGRATE_CATALOGUE_H_
#define ZT_MIGRATE_CATALOGUE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "migrate/scan_state.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

class JournalRecord;
class ViewMap;

// What is done to a record: to the row's field and any fields read with it.
enum class Treatment : uint8_t {
  // Only in a run that analyses paths and names (not a scan-only rename):
  kDepotPath,       // policy, then map; written back when changed; entered into the tree
  kStreamViewPath,  // a depot path from its "//" on, dropping what comes before
  kArchivedPath,    // with a map or policy: first component lowered, the rest a depot path
  kDomainPrefix,    // the first component takes its domain's registered spelling
  kDomainName,      // the domain's registered spelling
  kViewFile,        // by the type of the domain in `name`
  kServerViewFile,  // domain-prefixed when `type` is 0, else a depot path
  kHeadRevision,    // under the head policy: the first revision of each file
  kStreamName,      // db.domain: `name` is a depot path when `type` is a stream
  kClientStream,    // db.domain: `stream` is a depot path when `type` is a client
  kDomainRecord,    // db.domain: its depot name and its registration
  kUnloadedData,    // db.revux: refused
  // In every run:
  kConfiguration,   // db.config: server id and root
  kArchiveRoot,     // db.counters of a scan-only run: enter the archive root
  kUpgradeLevel,    // db.counters: refuses a database level above the maximum
  kGroupRecord,     // db.group, db.groupx: registers the group
  kPropertyGroup,   // db.property: the group in `scope` when `type` is 2
  kProtectGroup,    // db.protect: the group in `user` when flagged as one
  kDepotRecord,     // db.depot: its name, archive map and registration
  kRenameArchive,   // -R: the revision's archive file
};

// One treatment of a plan with the record positions of its fields: the
// row's field first, then those the treatment reads with it; -1 where the
// schema lacks the field for the table and version.
struct CatalogueStep {
  static constexpr int kFields = 3;
  Treatment treatment;
  int16_t position[kFields];
  const char* name[kFields];  // the field names, for the schema's error
};

// The steps of a table and version: the catalogue's rows for them, in
// order, with their fields' record positions (the table matched without
// regard to case, as the schema matches it).
void CataloguePlanSteps(const StrPtr& table, int version, std::vector<CatalogueStep>* steps);

// True when a treatment may re-spell its row's field (a path, a prefix or a
// name), false for one that only reads, registers or refuses.
bool TreatmentRespells(Treatment t);
// True when the field a treatment re-spells holds a name rather than a path.
bool TreatmentNamesDomain(Treatment t);

// A stream view path from the stream's own "//" on, when a prefix comes
// before it; else the value.
StrPtr AfterStreamPrefix(const StrPtr& value);

class Catalogue {
 public:
  // state: the maps, caches, tree and counters the treatments use; flags:
  // the kind of run.
  Catalogue(const ScanState& state, const CatalogueFlags& flags);
  ~Catalogue();
  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;

  // Applies the catalogue's treatments to the record; on return e holds the
  // first error met, and the record keeps every change made before it.
  void ProcessRecord(JournalRecord* record, Error* e);

  // The plan of a table and version (the table matched without regard to
  // case, as the schema matches it).
  const std::vector<CatalogueStep>& Plan(const StrPtr& table, const StrPtr& version);

 private:
  struct TablePlan;
  enum class PathForm { kPlain, kStreamView, kArchived };

  // Makes the plan of the record's table and version the current one.
  void SelectPlan(const StrPtr& table, const StrPtr& version);
  // One step of the plan on record_.
  void Apply(const CatalogueStep& step, Error* e);
  // The value of a step's field, or null with e set.
  const StrPtr* Field(const CatalogueStep& step, int index, Error* e);
  // The numeric value of a step's field; 0 with e set when it is missing.
  int Number(const CatalogueStep& step, int index, Error* e);
  // The path tree table bit of the current table.
  uint32_t PathTables();

  // The treatments, given the position of the field and its value.
  void EnterDepotPath(int pos, const StrPtr& value, PathForm form, Error* e);
  void EnterArchivedPath(int pos, const StrPtr& value, const StrPtr& recased, Error* e);
  void FixDomainPrefix(int pos, const StrPtr& value, Error* e);
  // True when the translation through the name map of a path below
  // "//" + first + "/" depends on first alone: every line that could match
  // such a path is "//name/..." on both sides, a name without "/" or
  // wildcards.
  bool SettledByFirst(const ViewMap& names, const StrPtr& first);
  void FixDomainName(int pos, const StrPtr& value, Error* e);
  void FixGroupName(int pos, const StrPtr& value, Error* e);
  // Sets the field to the registered spelling of a name; counts the fix.
  void FixName(int pos, const StrPtr& value, const StrPtr& registered, const char* kind,
               Error* e);
  // The named treatments, each given its step.
  void FixViewFile(const CatalogueStep& step, Error* e);
  void FixServerViewFile(const CatalogueStep& step, Error* e);
  void MarkHeadRevision(const CatalogueStep& step, Error* e);
  void CheckUpgradeLevel(const CatalogueStep& step, Error* e);
  // The group name of the row's field when the flag field holds flag.
  void ProcessGroupFlag(const CatalogueStep& step, int flag, Error* e);
  // db.depot: MapDepotName, the archive map, RegisterDomainOf.
  void ProcessDepot(const CatalogueStep& step, Error* e);
  void MapDepotName(const CatalogueStep& step, bool isDomain, Error* e);
  void RegisterDomainOf(const CatalogueStep& step, bool isDomain, Error* e);
  // -R: hands the record to the archive renamer; reports its failures.
  void RenameArchive(Error* e);
  // True when the archive root is open (opening it at the first call).
  bool ArchiveRootReady(Error* e);

  const ScanState state_;
  const CatalogueFlags flags_;
  JournalRecord* record_;         // not owned: the record being processed
  TablePlan* plan_;               // the plan of record_'s table and version
  std::vector<std::unique_ptr<TablePlan>> plans_;  // every plan made, oldest first
  // Scratch buffers reused by every field treatment.
  StrBuf policyOut_;   // the policy's re-cased path
  StrBuf translated_;  // a map's translation
  StrBuf key_;         // a lowered lookup key or a path being looked up
  StrBuf work_;        // a new field value being assembled
  // The depot path of the last head revision marked.
  StrBuf lastPath_;
  // The first component ("//name") of the last path FixDomainPrefix left as
  // it was, and the version of the name map that said so: the paths of one
  // client come in a run, and are settled by that alone while the map is
  // plain.
  StrBuf settledPrefix_;
  uint64_t settledVersion_ = ~uint64_t{0};
  // What SettledByFirst found in the lines of the map's version below: the
  // lowered first components of the lines that are not plain (or false
  // when one has a wildcard in it).
  bool namesPlain_ = true;
  std::vector<std::string> namesBlocked_;
  int plainLines_ = 0;
  uint64_t plainVersion_ = ~uint64_t{0};
};

#endif  // ZT_MIGRATE_CATALOGUE_H_
