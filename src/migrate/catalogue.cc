// The table catalogue: its rows, the plans made from them and the
// treatments they apply.
#include "migrate/catalogue.h"

#include <algorithm>
#include <cstring>

#include "journal/journal_record.h"
#include "journal/schema.h"
#include "map/case_policy.h"
#include "map/translation_map.h"
#include "map/view_map.h"
#include "migrate/catalogue_messages.h"
#include "migrate/run_counters.h"
#include "migrate/name_caches.h"
#include "migrate/name_fixes.h"
#include "migrate/path_tree.h"
#include "migrate/register_domain.h"
#include "migrate/rename/archive_renamer.h"
#include "migrate/rename/rename_setup.h"
#include "migrate/rename/rename_stage.h"
#include "support/messages/message_log.h"

namespace {

using T = Treatment;

struct CatalogueRow {
  const char* table;  // lower case
  const char* field;  // null for a treatment of the whole record
  int firstVersion;   // the row applies from this table version on
  Treatment treatment;
};

// Every treatment of every table, a table's rows in the order they apply.
// A table no row names is left as read, path-like fields included.
constexpr CatalogueRow kRows[] = {
    {"db.archive", "depotFile", 0, T::kDepotPath},
    {"db.archive", "lbrFile", 0, T::kDepotPath},
    {"db.archmap", "lbrFile", 0, T::kDepotPath},
    {"db.archmap", "depotFile", 0, T::kDepotPath},
    {"db.bodresolve", "client", 0, T::kDomainName},
    {"db.bodtextwx", "client", 0, T::kDomainName},
    {"db.change", "client", 0, T::kDomainName},
    {"db.change", "root", 1, T::kDepotPath},
    {"db.change", "stream", 6, T::kDepotPath},
    {"db.changex", "client", 0, T::kDomainName},
    {"db.changex", "root", 1, T::kDepotPath},
    {"db.changex", "stream", 6, T::kDepotPath},
    {"db.config", nullptr, 0, T::kConfiguration},
    {"db.counters", nullptr, 0, T::kArchiveRoot},
    {"db.counters", "name", 0, T::kUpgradeLevel},
    {"db.depot", "name", 0, T::kDepotRecord},
    {"db.domain", "name", 0, T::kStreamName},
    {"db.domain", "stream", 5, T::kClientStream},
    {"db.domain", "name", 0, T::kDomainRecord},
    {"db.excl", "depotFile", 0, T::kDepotPath},
    {"db.exclg", "file", 0, T::kDepotPath},
    {"db.exclgx", "file", 0, T::kDepotPath},
    {"db.fix", "client", 0, T::kDomainName},
    {"db.fixrev", "client", 0, T::kDomainName},
    {"db.graphperm", "name", 0, T::kDomainName},
    {"db.graphperm", "repo", 0, T::kDepotPath},
    {"db.graphperm", "ref", 0, T::kDepotPath},
    {"db.group", "group", 0, T::kGroupRecord},
    {"db.groupx", "group", 0, T::kGroupRecord},
    {"db.have", "clientFile", 0, T::kDomainPrefix},
    {"db.have", "depotFile", 0, T::kDepotPath},
    {"db.have.pt", "clientFile", 0, T::kDomainPrefix},
    {"db.have.pt", "depotFile", 0, T::kDepotPath},
    {"db.have.rp", "clientFile", 0, T::kDomainPrefix},
    {"db.have.rp", "depotFile", 0, T::kDepotPath},
    {"db.haveg", "clientFile", 0, T::kDomainPrefix},
    {"db.haveg", "depotFile", 0, T::kDepotPath},
    {"db.haveg", "client", 0, T::kDomainName},
    {"db.haveview", "name", 0, T::kDomainName},
    {"db.haveview", "viewFile", 0, T::kViewFile},
    {"db.haveview", "depotFile", 0, T::kDepotPath},
    {"db.integ", "fromFile", 0, T::kDepotPath},
    {"db.integ", "toFile", 0, T::kDepotPath},
    {"db.integed", "fromFile", 0, T::kDepotPath},
    {"db.integed", "toFile", 0, T::kDepotPath},
    {"db.integtx", "fromFile", 0, T::kDepotPath},
    {"db.integtx", "toFile", 0, T::kDepotPath},
    {"db.label", "name", 0, T::kDomainName},
    {"db.label", "depotFile", 0, T::kDepotPath},
    {"db.locks", "depotFile", 0, T::kDepotPath},
    {"db.locks", "client", 0, T::kDomainName},
    {"db.locksg", "depotFile", 0, T::kDepotPath},
    {"db.locksg", "client", 0, T::kDomainName},
    {"db.monitor", "client", 0, T::kDomainName},
    {"db.property", "scope", 0, T::kPropertyGroup},
    {"db.protect", "user", 0, T::kProtectGroup},
    {"db.protect", "depotFile", 4, T::kDepotPath},
    {"db.protect", "subPath", 5, T::kDepotPath},
    {"db.ref", "symref", 0, T::kDepotPath},
    {"db.refhist", "symref", 0, T::kDepotPath},
    {"db.repo", "branch", 0, T::kDepotPath},
    {"db.resolve", "fromFile", 0, T::kDepotPath},
    {"db.resolve", "baseFile", 0, T::kDepotPath},
    {"db.resolveg", "fromFile", 0, T::kDepotPath},
    {"db.resolvex", "fromFile", 0, T::kDepotPath},
    {"db.resolvex", "baseFile", 0, T::kDepotPath},
    {"db.rev", "depotFile", 0, T::kDepotPath},
    {"db.rev", "lbrFile", 0, T::kDepotPath},
    {"db.rev", "depotFile", 0, T::kHeadRevision},
    {"db.rev", nullptr, 0, T::kRenameArchive},
    {"db.revbx", "depotFile", 0, T::kArchivedPath},
    {"db.revbx", "lbrFile", 0, T::kArchivedPath},
    {"db.revbx", nullptr, 0, T::kRenameArchive},
    {"db.revcx", "depotFile", 0, T::kDepotPath},
    {"db.revdx", "depotFile", 0, T::kDepotPath},
    {"db.revdx", "lbrFile", 0, T::kDepotPath},
    {"db.revhx", "depotFile", 0, T::kDepotPath},
    {"db.revhx", "lbrFile", 0, T::kDepotPath},
    {"db.review", "depotFile", 0, T::kDepotPath},
    {"db.revpx", "depotFile", 0, T::kDepotPath},
    {"db.revpx", "lbrFile", 0, T::kDepotPath},
    {"db.revsh", "depotFile", 0, T::kDepotPath},
    {"db.revsh", "lbrFile", 0, T::kDepotPath},
    {"db.revsh", nullptr, 0, T::kRenameArchive},
    {"db.revstg", "depotFile", 0, T::kDepotPath},
    {"db.revstg", "lbrFile", 0, T::kDepotPath},
    {"db.revsx", "depotFile", 0, T::kDepotPath},
    {"db.revsx", "lbrFile", 0, T::kDepotPath},
    {"db.revsx", nullptr, 0, T::kRenameArchive},
    {"db.revtx", "depotFile", 0, T::kDepotPath},
    {"db.revtx", "lbrFile", 0, T::kDepotPath},
    {"db.revtx", nullptr, 0, T::kRenameArchive},
    {"db.revux", nullptr, 0, T::kUnloadedData},
    {"db.rmtview", "localfile", 0, T::kDepotPath},
    {"db.rmtview", "remotefile", 0, T::kDepotPath},
    {"db.sendq", "depotFile", 0, T::kDepotPath},
    {"db.sendq", "lbrFile", 0, T::kDepotPath},
    {"db.sendq.pt", "depotFile", 0, T::kDepotPath},
    {"db.sendq.pt", "lbrFile", 0, T::kDepotPath},
    {"db.storage", "file", 0, T::kDepotPath},
    {"db.storagesh", "file", 0, T::kDepotPath},
    {"db.stream", "stream", 0, T::kDepotPath},
    {"db.stream", "parent", 0, T::kDepotPath},
    {"db.streamq", "stream", 0, T::kDepotPath},
    {"db.streamrelation", "indep", 0, T::kDepotPath},
    {"db.streamrelation", "dep", 0, T::kDepotPath},
    {"db.streamviewx", "stream", 0, T::kStreamViewPath},
    {"db.submodule", "path", 0, T::kDepotPath},
    {"db.svrview", "viewFile", 0, T::kServerViewFile},
    {"db.template", "name", 0, T::kDepotPath},
    {"db.template", "parent", 0, T::kDepotPath},
    {"db.template", "depotFile", 0, T::kDepotPath},
    {"db.templatesx", "name", 0, T::kDepotPath},
    {"db.templatesx", "parent", 0, T::kDepotPath},
    {"db.templatesx", "depotFile", 0, T::kDepotPath},
    {"db.templatewx", "client", 0, T::kDomainPrefix},
    {"db.templatewx", "name", 0, T::kDepotPath},
    {"db.templatewx", "parent", 0, T::kDepotPath},
    {"db.templatewx", "depotFile", 0, T::kDepotPath},
    {"db.trigger", "depotFile", 0, T::kDepotPath},
    {"db.trigger", "triggerDepotFile", 3, T::kDepotPath},
    {"db.view", "name", 0, T::kDomainName},
    {"db.view", "depotFile", 0, T::kDepotPath},
    {"db.view", "viewFile", 0, T::kViewFile},
    {"db.view.rp", "name", 0, T::kDomainName},
    {"db.view.rp", "depotFile", 0, T::kDepotPath},
    {"db.view.rp", "viewFile", 0, T::kViewFile},
    {"db.working", "clientFile", 0, T::kDomainPrefix},
    {"db.working", "depotFile", 0, T::kDepotPath},
    {"db.working", "client", 0, T::kDomainName},
    {"db.workingg", "clientFile", 0, T::kDomainPrefix},
    {"db.workingg", "depotFile", 0, T::kDepotPath},
    {"db.workingg", "client", 0, T::kDomainName},
    {"db.workingx", "clientFile", 0, T::kDomainPrefix},
    {"db.workingx", "depotFile", 0, T::kDepotPath},
    {"db.workingx", "client", 0, T::kDomainName},
};

// Plans kept at most; a checkpoint whose table or version texts vary
// without end has its plans made again rather than kept.
constexpr size_t kMaxPlans = 256;

// The fields a treatment reads besides the row's own, in a table version.
void ExtraFields(Treatment t, int version, const char* names[2]) {
  names[0] = names[1] = nullptr;
  switch (t) {
    case T::kViewFile: names[0] = "name"; break;
    case T::kUpgradeLevel: names[0] = "value"; break;
    case T::kProtectGroup: names[0] = version == 4 ? "type" : "isGroup"; break;
    case T::kDepotRecord: names[0] = "type"; names[1] = "map"; break;
    case T::kServerViewFile:
    case T::kStreamName:
    case T::kClientStream:
    case T::kDomainRecord:
    case T::kPropertyGroup: names[0] = "type"; break;
    default: break;
  }
}

// Whether a treatment applies in a scan-only run too.
bool InEveryRun(Treatment t) { return t >= T::kConfiguration; }

// True when the table name equals the lower-case row name, ASCII case
// folded: table names are matched as the schema matches them.
bool SameTable(const StrPtr& table, const char* row) {
  uint32_t n = table.Length();
  if (strlen(row) != n) return false;
  for (uint32_t i = 0; i < n; ++i)
    if (FoldByte(static_cast<unsigned char>(table[i])) != static_cast<unsigned char>(row[i]))
      return false;
  return true;
}

// The position of the first "/" at or after from in s, or -1.
int FindSlash(const StrPtr& s, uint32_t from) {
  if (from >= s.Length()) return -1;
  const void* p = memchr(s.Text() + from, '/', s.Length() - from);
  return p ? static_cast<int>(static_cast<const char*>(p) - s.Text()) : -1;
}

}  // namespace

StrPtr AfterStreamPrefix(const StrPtr& value) {
  if (value.Length() <= 2) return value;
  const char* end = value.End();
  for (const char* p = value.Text() + 1; p + 1 < end; ++p) {
    p = static_cast<const char*>(memchr(p, '/', static_cast<size_t>(end - p - 1)));
    if (!p) break;
    if (p[1] == '/') return StrPtr(p, static_cast<uint32_t>(end - p));
  }
  return value;
}

bool TreatmentRespells(Treatment t) {
  switch (t) {
    case T::kHeadRevision:
    case T::kUnloadedData:
    case T::kConfiguration:
    case T::kArchiveRoot:
    case T::kUpgradeLevel:
    case T::kGroupRecord:
    case T::kRenameArchive:
      return false;
    default:
      return true;
  }
}

bool TreatmentNamesDomain(Treatment t) {
  switch (t) {
    case T::kDomainName:
    case T::kDomainRecord:
    case T::kPropertyGroup:
    case T::kProtectGroup:
    case T::kDepotRecord:
      return true;
    default:
      return false;
  }
}

// The steps of one table and version, with the texts they were made for.
struct Catalogue::TablePlan {
  StrBuf table;
  StrBuf version;
  int versionNumber = 0;
  uint32_t tableBit = 0;  // its path tree table bit; 0 until asked for
  std::vector<CatalogueStep> steps;
};

namespace {

// The record position of a field in a schema entry's version, or -1.
int16_t Position(const SchemaTable* entry, int version, const char* name) {
  if (!name) return -1;
  int place = SchemaFieldIndex(entry, version, StrPtr(name));
  return static_cast<int16_t>(place < 0 ? -1 : 3 + place);
}

}  // namespace

void CataloguePlanSteps(const StrPtr& table, int version, std::vector<CatalogueStep>* steps) {
  steps->clear();
  const SchemaTable* entry = FindSchemaTable(table);
  for (const CatalogueRow& row : kRows) {
    if (!SameTable(table, row.table) || version < row.firstVersion) continue;
    CatalogueStep step{row.treatment, {-1, -1, -1}, {row.field, nullptr, nullptr}};
    ExtraFields(row.treatment, version, step.name + 1);
    for (int i = 0; i < CatalogueStep::kFields; ++i)
      step.position[i] = Position(entry, version, step.name[i]);
    steps->push_back(step);
  }
}

Catalogue::Catalogue(const ScanState& state, const CatalogueFlags& flags)
    : state_(state), flags_(flags), record_(nullptr), plan_(nullptr) {}

Catalogue::~Catalogue() = default;

const std::vector<CatalogueStep>& Catalogue::Plan(const StrPtr& table, const StrPtr& version) {
  SelectPlan(table, version);
  return plan_->steps;
}

void Catalogue::SelectPlan(const StrPtr& table, const StrPtr& version) {
  if (plan_ && plan_->table.EqualExact(table) && plan_->version.EqualExact(version)) return;
  for (const std::unique_ptr<TablePlan>& p : plans_) {
    if (p->table.EqualExact(table) && p->version.EqualExact(version)) {
      plan_ = p.get();
      return;
    }
  }
  if (plans_.size() >= kMaxPlans) plans_.clear();
  auto plan = std::make_unique<TablePlan>();
  plan->table.Set(table);
  plan->version.Set(version);
  plan->versionNumber = ParseDecimal(version);
  CataloguePlanSteps(table, plan->versionNumber, &plan->steps);
  plans_.push_back(std::move(plan));
  plan_ = plans_.back().get();
}

void Catalogue::ProcessRecord(JournalRecord* record, Error* e) {
  const StrPtr* table = record->Table(e);
  if (!table) return;
  SelectPlan(*table, *record->Get(1));
  record_ = record;
  // A rename run enters its paths too: two spellings of one path would
  // move an archive back and forth, and the run refuses them.
  bool analyse = !flags_.scanOnly || flags_.renameArchives;
  for (const CatalogueStep& step : plan_->steps) {
    if (e->Test()) break;
    if (analyse || InEveryRun(step.treatment)) Apply(step, e);
  }
  record_ = nullptr;
}

void Catalogue::Apply(const CatalogueStep& step, Error* e) {
  const int pos = step.position[0];
  const StrPtr* v;
  switch (step.treatment) {
    case T::kDepotPath:
      if ((v = Field(step, 0, e))) EnterDepotPath(pos, *v, PathForm::kPlain, e);
      break;
    case T::kStreamViewPath:
      if ((v = Field(step, 0, e))) EnterDepotPath(pos, *v, PathForm::kStreamView, e);
      break;
    case T::kArchivedPath:
      // Without a map or a re-casing policy there is nothing to translate,
      // and these paths are not entered as they are.
      if (!flags_.translates) break;
      if ((v = Field(step, 0, e))) EnterDepotPath(pos, *v, PathForm::kArchived, e);
      break;
    case T::kDomainPrefix:
      if ((v = Field(step, 0, e))) FixDomainPrefix(pos, *v, e);
      break;
    case T::kDomainName:
      if ((v = Field(step, 0, e))) FixDomainName(pos, *v, e);
      break;
    case T::kViewFile: FixViewFile(step, e); break;
    case T::kServerViewFile: FixServerViewFile(step, e); break;
    case T::kHeadRevision:
      if (flags_.markHeads) MarkHeadRevision(step, e);
      break;
    case T::kStreamName:
    case T::kClientStream: {
      int type = Number(step, 1, e);
      int wanted = step.treatment == T::kStreamName ? kDomainStream : kDomainClient;
      if (!e->Test() && type == wanted && (v = Field(step, 0, e)))
        EnterDepotPath(pos, *v, PathForm::kPlain, e);
      break;
    }
    case T::kDomainRecord:
      MapDepotName(step, true, e);
      RegisterDomainOf(step, true, e);
      break;
    case T::kUnloadedData: e->Set(kMsgUnloadedData); break;
    case T::kConfiguration:
      OnConfigRecord(*record_, flags_.scanOnly || state_.rename, state_.serverId,
                     state_.serverRoot, e);
      break;
    case T::kArchiveRoot:
      if (state_.rename && !state_.rename->RootTried()) ArchiveRootReady(e);
      break;
    case T::kUpgradeLevel: CheckUpgradeLevel(step, e); break;
    case T::kGroupRecord:
      if ((v = Field(step, 0, e)) && !state_.groups->Find(*v)) state_.groups->Add(*v, e);
      break;
    case T::kPropertyGroup: ProcessGroupFlag(step, 2, e); break;
    case T::kProtectGroup: ProcessGroupFlag(step, 1, e); break;
    case T::kDepotRecord: ProcessDepot(step, e); break;
    case T::kRenameArchive:
      if (flags_.renameArchives) RenameArchive(e);
      break;
  }
}

const StrPtr* Catalogue::Field(const CatalogueStep& step, int index, Error* e) {
  int pos = step.position[index];
  // A field the schema lacks: the lookup by name sets the schema's error.
  if (pos < 0) pos = record_->FieldPosition(StrPtr(step.name[index]), e);
  return pos < 0 ? nullptr : record_->GetField(pos, e);
}

int Catalogue::Number(const CatalogueStep& step, int index, Error* e) {
  const StrPtr* v = Field(step, index, e);
  return v ? ParseDecimal(*v) : 0;
}

uint32_t Catalogue::PathTables() {
  if (!plan_->tableBit) plan_->tableBit = state_.pathTree->TableBit(plan_->table);
  return plan_->tableBit;
}

void Catalogue::EnterDepotPath(int pos, const StrPtr& field, PathForm form, Error* e) {
  StrPtr value = field;
  StrPtr path = form == PathForm::kStreamView ? AfterStreamPrefix(value) : value;
  StrPtr recased = path;
  if (state_.policy) {
    state_.policy->Translate(path, &policyOut_);
    recased = policyOut_;
  }
  if (form == PathForm::kArchived) {
    EnterArchivedPath(pos, value, recased, e);
    return;
  }

  TranslationMap* map = state_.translationMap;
  if (map && map->TranslatePath(recased, &translated_)) {
    record_->SetField(pos, translated_, e);
    if (e->Test()) return;
    state_.pathTree->AddPath(translated_, PathTables());
  } else if (!recased.EqualExact(value)) {
    // recased may point into the record, whose storage SetField moves: the
    // path entered is the field as set.
    record_->SetField(pos, recased, e);
    if (e->Test()) return;
    state_.pathTree->AddPath(*record_->Get(pos), PathTables());
  } else {
    state_.pathTree->AddPath(value, PathTables());
  }
}

void Catalogue::EnterArchivedPath(int pos, const StrPtr& value, const StrPtr& recased,
                                  Error* e) {
  // X is the first component (up to the first "/" from the third byte on),
  // R the rest from that "/"; X is lowered, R is a depot path of its own.
  int slash = FindSlash(recased, 2);
  uint32_t split = slash < 0 ? recased.Length() : static_cast<uint32_t>(slash);
  StrPtr rest(recased.Text() + split, recased.Length() - split);

  work_.Set(recased.Text(), split);
  work_.LowerAscii();

  key_.Set("/");
  key_.Append(rest);
  TranslationMap* map = state_.translationMap;
  if (map && map->TranslatePath(key_, &translated_)) {
    // A translation of "//..." keeps its second "/" onwards.
    int from = rest.IsEmpty() ? -1 : FindSlash(translated_, 1);
    if (from < 0) {
      work_.Append(translated_);
    } else {
      work_.Append(translated_.Text() + from, translated_.Length() - from);
    }
  } else if (!recased.EqualExact(value)) {
    if (rest.IsEmpty()) {
      work_.AppendChar('/');
    } else {
      work_.Append(rest);
    }
  } else {
    state_.pathTree->AddPath(value, PathTables());
    return;
  }
  record_->SetField(pos, work_, e);
  if (e->Test()) return;
  state_.pathTree->AddPath(work_, PathTables());
}

namespace {

// True when h is "//" followed by a name without "/" and then "/...".
bool PlainNamePattern(const MapSide& h) {
  const int lpl = h.LiteralPrefixLength();
  if (h.WildcardCount() != 1 || lpl < 4 || lpl != h.End() - 1) return false;
  const PatternElements el = h.Elements();
  if (el[lpl].kind != ElementDots || el.Byte(0) != '/' || el.Byte(1) != '/' || el.Byte(lpl - 1) != '/')
    return false;
  return !memchr(el.Text(2), '/', static_cast<size_t>(lpl - 3));
}

}  // namespace

bool Catalogue::SettledByFirst(const ViewMap& names, const StrPtr& first) {
  if (names.Version() != plainVersion_) {
    // Lines are only added (newest first) or all cleared: the new ones are
    // looked at, or all of them after a clear.
    int fresh = names.Count() - plainLines_;
    if (fresh < 0) {
      fresh = names.Count();
      namesPlain_ = true;
      namesBlocked_.clear();
    }
    for (const MapEntry* m = names.Head(); m && fresh > 0; m = m->next, --fresh) {
      if (PlainNamePattern(m->left) && PlainNamePattern(m->right)) continue;
      // The line matches only paths whose first component is its own.
      const PatternElements el = m->left.Elements();
      std::string own;
      int i = 2;
      for (; i < m->left.End() && el.IsLiteral(i) && el.Byte(i) != '/'; ++i)
        own.push_back(static_cast<char>(FoldByte(el.Byte(i))));
      if (i < m->left.End() && !el.IsLiteral(i)) namesPlain_ = false;  // a wildcard in it
      if (std::find(namesBlocked_.begin(), namesBlocked_.end(), own) == namesBlocked_.end())
        namesBlocked_.push_back(std::move(own));
    }
    plainLines_ = names.Count();
    plainVersion_ = names.Version();
  }
  if (!namesPlain_) return false;
  for (const std::string& own : namesBlocked_) {
    if (own.size() != first.Length()) continue;
    uint32_t i = 0;
    while (i < first.Length() && FoldByte(first.Text()[i]) == static_cast<unsigned char>(own[i])) ++i;
    if (i == first.Length()) return false;
  }
  return true;
}

void Catalogue::FixDomainPrefix(int pos, const StrPtr& field, Error* e) {
  if (field.IsEmpty()) return;
  StrPtr value = field;
  int slash = FindSlash(value, 2);
  uint32_t split = slash < 0 ? value.Length() : static_cast<uint32_t>(slash);
  ViewMap* names = state_.depotNameMap;
  if (!names) return;
  // Settled by the last path of the same first component, spelled alike
  // (traced lookups are made afresh).
  const bool byPrefix = split < value.Length() && GetLevel(kDebugMap) == 0 &&
                        SettledByFirst(*names, StrPtr(value.Text() + 2, split - 2));
  if (byPrefix && settledVersion_ == names->Version() && settledPrefix_.Length() == split &&
      memcmp(settledPrefix_.Text(), value.Text(), split) == 0)
    return;
  key_.Set(value.Text(), split);
  key_.LowerAscii();
  key_.Append(value.Text() + split, value.Length() - split);
  if (!names->Translate(0, key_, &translated_) || translated_.EqualExact(value)) {
    if (byPrefix) {
      settledPrefix_.Set(value.Text(), split);
      settledVersion_ = names->Version();
    }
    return;
  }
  if (split > 2) {
    StrPtr seen(value.Text() + 2, split - 2);
    if (DomainRec* rec = state_.domains->Find(seen)) {
      if (!rec->name.EqualExact(seen))
        state_.nameFixes->Note(NameFixes::DomainKind(rec->type), rec->name, seen);
    }
  }
  record_->SetField(pos, translated_, e);
  if (!e->Test() && record_->Changes() != 0) ++state_.counters->minorInconsistencies;
}

void Catalogue::FixDomainName(int pos, const StrPtr& value, Error* e) {
  if (DomainRec* rec = state_.domains->Find(value))
    FixName(pos, value, rec->name, NameFixes::DomainKind(rec->type), e);
}

void Catalogue::FixGroupName(int pos, const StrPtr& value, Error* e) {
  if (GroupRec* rec = state_.groups->Find(value)) FixName(pos, value, rec->name, "group", e);
}

void Catalogue::FixName(int pos, const StrPtr& value, const StrPtr& registered,
                        const char* kind, Error* e) {
  if (!registered.EqualExact(value)) state_.nameFixes->Note(kind, registered, value);
  record_->SetField(pos, registered, e);
  if (!e->Test() && record_->Changes() != 0) ++state_.counters->minorInconsistencies;
}

void Catalogue::FixViewFile(const CatalogueStep& step, Error* e) {
  const StrPtr* n = Field(step, 1, e);
  if (!n) return;
  DomainRec* rec = state_.domains->Find(*n);
  if (!rec) {
    e->Set(kMsgViewUnknownDomain) << *n;
    return;
  }
  if (!rec->IsBranch() && !rec->IsClient() && !rec->IsLabel()) return;
  const StrPtr* v = Field(step, 0, e);
  if (!v) return;
  if (rec->IsBranch()) {
    EnterDepotPath(step.position[0], *v, PathForm::kPlain, e);
  } else {
    FixDomainPrefix(step.position[0], *v, e);
  }
}

void Catalogue::FixServerViewFile(const CatalogueStep& step, Error* e) {
  int type = Number(step, 1, e);
  if (e->Test()) return;
  const StrPtr* v = Field(step, 0, e);
  if (!v) return;
  if (type == 0) {
    FixDomainPrefix(step.position[0], *v, e);
  } else {
    EnterDepotPath(step.position[0], *v, PathForm::kPlain, e);
  }
}

void Catalogue::MarkHeadRevision(const CatalogueStep& step, Error* e) {
  const StrPtr* v = Field(step, 0, e);
  if (!v) return;
  if (CompareFold(*v, lastPath_) != 0) {
    state_.pathTree->MarkHead(*v);
    lastPath_.Set(*v);
  }
}

void Catalogue::CheckUpgradeLevel(const CatalogueStep& step, Error* e) {
  const StrPtr* n = Field(step, 0, e);
  if (!n || !n->EqualExact("upgrade")) return;
  const StrPtr* v = Field(step, 1, e);
  if (!v) return;
  if (v->Atoi64() > kMaxDatabaseLevel) e->Set(kMsgDatabaseLevel) << *v << kMaxDatabaseLevel;
}

void Catalogue::ProcessGroupFlag(const CatalogueStep& step, int flag, Error* e) {
  if (Number(step, 1, e) != flag) return;
  if (const StrPtr* v = Field(step, 0, e)) FixGroupName(step.position[0], *v, e);
}

void Catalogue::ProcessDepot(const CatalogueStep& step, Error* e) {
  MapDepotName(step, false, e);
  if (e->Test()) return;
  const StrPtr* name = Field(step, 0, e);
  if (!name) return;
  StrPtr nameNow = *name;
  const StrPtr* map = Field(step, 2, e);
  if (!map) return;
  AddDepot(nameNow, *map, state_.depotMap, e);
  if (state_.rename) state_.rename->Renamer()->DepotMapChanged(*map);
  RegisterDomainOf(step, false, e);
}

void Catalogue::MapDepotName(const CatalogueStep& step, bool isDomain, Error* e) {
  if (e->Test()) return;
  const StrPtr* n = Field(step, 0, e);
  if (!n) return;
  int type = Number(step, 1, e);
  if (e->Test()) return;
  if (isDomain && type != kDomainDepot) return;
  StrPtr name = *n;
  const int namePos = step.position[0];

  StrPtr recased = name;
  if (state_.policy) {
    state_.policy->Translate(name, &policyOut_);
    recased = policyOut_;
  }
  key_.Set("//");
  key_.Append(recased);
  key_.Append("/...");
  TranslationMap* map = state_.translationMap;
  if (map && map->TranslatePath(key_, &translated_)) {
    // Only a translation still of the form "//name/..." names a depot; any
    // other shape (a map line whose right side drops the "/..." or adds a
    // component) is not taken as a depot name.
    const StrPtr& u = translated_;
    uint32_t len = u.Length();
    if (len > 6 && u[0] == '/' && u[1] == '/' && u.EndsWith("/...", 4) &&
        !memchr(u.Text() + 2, '/', len - 6)) {
      work_.Set(u.Text() + 2, len - 6);
      record_->SetField(namePos, work_, e);
      return;
    }
  }
  if (!isDomain && type == 4) {
    work_.Set(recased);
    work_.LowerAscii();
    record_->SetField(namePos, work_, e);
  } else if (!recased.EqualExact(name)) {
    // A depot re-cased by the policy takes the same spelling in db.depot as
    // in db.domain and in its paths, whatever its type.
    work_.Set(recased);
    record_->SetField(namePos, work_, e);
  }
}

void Catalogue::RegisterDomainOf(const CatalogueStep& step, bool isDomain, Error* e) {
  if (e->Test()) return;
  int type = kDomainDepot;
  if (isDomain) {
    type = Number(step, 1, e);
    if (e->Test()) return;
  }
  if (const StrPtr* n = Field(step, 0, e))
    RegisterDomain(state_.domains, state_.depotNameMap, *n, type, e);
}

void Catalogue::RenameArchive(Error* e) {
  if (!state_.rename || !ArchiveRootReady(e)) return;
  // The renamer's failures concern the archive, not the record: they are
  // reported here and go no further.
  Error renameError;
  ArchiveRenamer* renamer = state_.rename->Renamer();
  renamer->RenameArchive(*record_, state_.depotMap, &renameError);
  renamer->Report(&renameError);
}

bool Catalogue::ArchiveRootReady(Error* e) {
  return state_.rename->RootReady(*state_.serverRoot, e);
}
