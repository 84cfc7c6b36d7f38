// The table catalogue: which fields of which tables carry depot paths,
// domain names and group names, and what is done to each of them, record by
// record, as the scan hands them over.
//
// The dispatcher keeps nothing of its own between records beyond caches:
// the catalogue row and schema positions of the table last seen (records of
// one table come in runs, so a record usually costs one byte comparison of
// its table name) and scratch buffers reused for every field. Everything
// that persists lives in the Migrator: the name caches, depotNameMap,
// depotMap, the path tree, lastPath and the counters.
#include <cstring>

#include "journal/journal_record.h"
#include "map/case_policy.h"
#include "map/translation_map.h"
#include "map/view_map.h"
#include "migrate/catalogue_messages.h"
#include "migrate/migrator.h"
#include "migrate/name_caches.h"
#include "migrate/name_fixes.h"
#include "migrate/path_tree.h"
#include "migrate/register_domain.h"
#include "migrate/rename/archive_renamer.h"
#include "migrate/rename/rename_setup.h"
#include "support/messages/message_log.h"

namespace {

// The catalogue rows. Tables that share every treatment share a row.
enum CatalogueKind {
  kCatNone = 0,       // left as read
  kCatConfig,         // db.config
  kCatCounters,       // db.counters
  kCatGroup,          // db.group, db.groupx
  kCatProperty,       // db.property
  kCatProtect,        // db.protect
  kCatDepot,          // db.depot
  kCatDomain,         // db.domain
  kCatClient,         // client: domain name
  kCatChange,         // db.change, db.changex
  kCatDepotFile,      // depotFile: depot path
  kCatFile,           // file: depot path
  kCatGraphPerm,      // db.graphperm
  kCatHave,           // db.have, db.have.pt, db.have.rp
  kCatHaveG,          // db.haveg
  kCatHaveView,       // db.haveview
  kCatRmtView,        // db.rmtview
  kCatFromFile,       // fromFile: depot path
  kCatRev,            // db.rev
  kCatRevBx,          // db.revbx
  kCatRevArchived,    // depotFile, lbrFile; archives renamed (revsh, revsx, revtx)
  kCatDepotLbr,       // depotFile, lbrFile: depot path
  kCatRevUx,          // db.revux: refused
  kCatInteg,          // fromFile, toFile: depot path
  kCatLabel,          // db.label
  kCatLocks,          // db.locks, db.locksg
  kCatArchMap,        // db.archmap
  kCatSymref,         // db.ref, db.refhist
  kCatRepo,           // db.repo
  kCatResolve,        // db.resolve, db.resolvex
  kCatStream,         // db.stream
  kCatStreamQ,        // db.streamq
  kCatStreamRelation, // db.streamrelation
  kCatStreamViewX,    // db.streamviewx
  kCatSubmodule,      // db.submodule
  kCatSvrView,        // db.svrview
  kCatTemplate,       // db.template, db.templatesx
  kCatTemplateWx,     // db.templatewx
  kCatTrigger,        // db.trigger
  kCatView,           // db.view, db.view.rp
  kCatWorking,        // db.working, db.workingx, db.workingg
};

struct CatalogueRow {
  const char* table;  // lower case; the rows are sorted by it
  int kind;
};

// Sorted by table name (bytes), for the binary search in FindKind.
// db.graphindex has no row: its schema holds no field that carries a path.
constexpr CatalogueRow kRows[] = {
    {"db.archive", kCatDepotLbr},
    {"db.archmap", kCatArchMap},
    {"db.bodresolve", kCatClient},
    {"db.bodtextwx", kCatClient},
    {"db.change", kCatChange},
    {"db.changex", kCatChange},
    {"db.config", kCatConfig},
    {"db.counters", kCatCounters},
    {"db.depot", kCatDepot},
    {"db.domain", kCatDomain},
    {"db.excl", kCatDepotFile},
    {"db.exclg", kCatFile},
    {"db.exclgx", kCatFile},
    {"db.fix", kCatClient},
    {"db.fixrev", kCatClient},
    {"db.graphperm", kCatGraphPerm},
    {"db.group", kCatGroup},
    {"db.groupx", kCatGroup},
    {"db.have", kCatHave},
    {"db.have.pt", kCatHave},
    {"db.have.rp", kCatHave},
    {"db.haveg", kCatHaveG},
    {"db.haveview", kCatHaveView},
    {"db.integ", kCatInteg},
    {"db.integed", kCatInteg},
    {"db.integtx", kCatInteg},
    {"db.label", kCatLabel},
    {"db.locks", kCatLocks},
    {"db.locksg", kCatLocks},
    {"db.monitor", kCatClient},
    {"db.property", kCatProperty},
    {"db.protect", kCatProtect},
    {"db.ref", kCatSymref},
    {"db.refhist", kCatSymref},
    {"db.repo", kCatRepo},
    {"db.resolve", kCatResolve},
    {"db.resolveg", kCatFromFile},
    {"db.resolvex", kCatResolve},
    {"db.rev", kCatRev},
    {"db.revbx", kCatRevBx},
    {"db.revcx", kCatDepotFile},
    {"db.revdx", kCatDepotLbr},
    {"db.revhx", kCatDepotLbr},
    {"db.review", kCatDepotFile},
    {"db.revpx", kCatDepotLbr},
    {"db.revsh", kCatRevArchived},
    {"db.revstg", kCatDepotLbr},
    {"db.revsx", kCatRevArchived},
    {"db.revtx", kCatRevArchived},
    {"db.revux", kCatRevUx},
    {"db.rmtview", kCatRmtView},
    {"db.sendq", kCatDepotLbr},
    {"db.sendq.pt", kCatDepotLbr},
    {"db.storage", kCatFile},
    {"db.storagesh", kCatFile},
    {"db.stream", kCatStream},
    {"db.streamq", kCatStreamQ},
    {"db.streamrelation", kCatStreamRelation},
    {"db.streamviewx", kCatStreamViewX},
    {"db.submodule", kCatSubmodule},
    {"db.svrview", kCatSvrView},
    {"db.template", kCatTemplate},
    {"db.templatesx", kCatTemplate},
    {"db.templatewx", kCatTemplateWx},
    {"db.trigger", kCatTrigger},
    {"db.view", kCatView},
    {"db.view.rp", kCatView},
    {"db.working", kCatWorking},
    {"db.workingg", kCatWorking},
    {"db.workingx", kCatWorking},
};

// True when the rows are in strictly ascending byte order of their names.
constexpr bool RowsSorted() {
  for (size_t i = 1; i < sizeof(kRows) / sizeof(kRows[0]); ++i) {
    const char* a = kRows[i - 1].table;
    const char* b = kRows[i].table;
    while (*a && *a == *b) ++a, ++b;
    if (static_cast<unsigned char>(*a) >= static_cast<unsigned char>(*b)) return false;
  }
  return true;
}
static_assert(RowsSorted(), "catalogue rows must be sorted for the binary search");

// Byte order of the table name folded in ASCII against a lower-case row
// name: table names are matched without regard to case, as the schema
// matches them.
int CompareTable(const StrPtr& table, const char* row) {
  const unsigned char* a = reinterpret_cast<const unsigned char*>(table.Text());
  const unsigned char* b = reinterpret_cast<const unsigned char*>(row);
  uint32_t n = table.Length();
  for (uint32_t i = 0; i < n; ++i) {
    unsigned char x = FoldByte(a[i]);
    if (b[i] == 0) return 1;
    if (x != b[i]) return x < b[i] ? -1 : 1;
  }
  return b[n] == 0 ? 0 : -1;
}

// The catalogue row of a table name; kCatNone when no row names it.
int FindKind(const StrPtr& table) {
  size_t lo = 0;
  size_t hi = sizeof(kRows) / sizeof(kRows[0]);
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    int c = CompareTable(table, kRows[mid].table);
    if (c == 0) return kRows[mid].kind;
    if (c < 0) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return kCatNone;
}

// The position of the first "/" at or after from in s, or -1.
int FindSlash(const StrPtr& s, uint32_t from) {
  if (from >= s.Length()) return -1;
  const void* p = memchr(s.Text() + from, '/', s.Length() - from);
  return p ? static_cast<int>(static_cast<const char*>(p) - s.Text()) : -1;
}

}  // namespace

void Migrator::SyncCatalogue() {
  const StrPtr* table = currentRecord->Get(2);
  const StrPtr* version = currentRecord->Get(1);
  if (!table || !version) {
    catKind = kCatNone;
    catTable.Clear();
    catVersion.Clear();
    catFieldCount = 0;
    return;
  }
  if (!table->EqualExact(catTable)) {
    catTable.Set(*table);
    catKind = FindKind(*table);
    catFieldCount = 0;
    catTableBit = 0;
  }
  if (!version->EqualExact(catVersion)) {
    catVersion.Set(*version);
    catFieldCount = 0;
  }
}

const StrPtr* Migrator::CatalogueField(const StrPtr& name, int* pos, Error* e) {
  SyncCatalogue();
  for (int i = 0; i < catFieldCount; ++i) {
    if (catFieldName[i].EqualExact(name)) {
      *pos = catFieldPos[i];
      return currentRecord->GetField(*pos, e);
    }
  }
  // Not resolved yet for this table and version: ask the schema, which also
  // sets the error for a table, version or field it lacks.
  int p = currentRecord->FieldPosition(name, e);
  if (p < 0) return nullptr;
  if (catFieldCount < kCatalogueFieldSlots) {
    catFieldName[catFieldCount].Set(name);
    catFieldPos[catFieldCount] = p;
    ++catFieldCount;
  }
  *pos = p;
  return currentRecord->GetField(p, e);
}

int Migrator::CatalogueNumber(const char* name, Error* e) {
  int pos;
  const StrPtr* v = CatalogueField(name, &pos, e);
  return v ? ParseDecimal(*v) : 0;
}

void Migrator::EnterDepotPath(const StrPtr& field, Error* e) {
  if (e->Test()) return;
  int pos;
  const StrPtr* v = CatalogueField(field, &pos, e);
  if (!v) return;
  StrPtr value = *v;

  // A stream view path may carry a prefix before the stream's own "//".
  StrPtr path = value;
  if (catKind == kCatStreamViewX && value.Length() > 2) {
    const char* s = value.Text();
    const char* end = value.End();
    for (const char* p = s + 1; p + 1 < end; ++p) {
      p = static_cast<const char*>(memchr(p, '/', static_cast<size_t>(end - p - 1)));
      if (!p) break;
      if (p[1] == '/') {
        path.Set(p, static_cast<uint32_t>(end - p));
        break;
      }
    }
  }

  StrPtr recased = path;
  if (policy) {
    policy->Translate(path, &catPolicyOut);
    recased = catPolicyOut;
  }

  if (catKind == kCatRevBx) {
    EnterArchivedPath(pos, value, recased, e);
    return;
  }

  if (translationMap && translationMap->TranslatePath(recased, &catTranslated)) {
    currentRecord->SetField(pos, catTranslated, e);
    if (e->Test()) return;
    pathTree->AddPath(catTranslated, PathTables());
  } else if (!recased.EqualExact(value)) {
    // recased may point into the record, whose storage SetField moves: the
    // path entered is the field as set.
    currentRecord->SetField(pos, recased, e);
    if (e->Test()) return;
    pathTree->AddPath(*currentRecord->Get(pos), PathTables());
  } else {
    pathTree->AddPath(value, PathTables());
  }
}

uint32_t Migrator::PathTables() {
  if (!catTableBit) catTableBit = pathTree->TableBit(catTable);
  return catTableBit;
}

void Migrator::EnterArchivedPath(int pos, const StrPtr& value, const StrPtr& recased,
                                 Error* e) {
  // X is the first component (up to the first "/" from the third byte on),
  // R the rest from that "/"; X is lowered, R is a depot path of its own.
  int slash = FindSlash(recased, 2);
  uint32_t split = slash < 0 ? recased.Length() : static_cast<uint32_t>(slash);
  StrPtr rest(recased.Text() + split, recased.Length() - split);

  catWork.Set(recased.Text(), split);
  catWork.LowerAscii();

  catKey.Set("/");
  catKey.Append(rest);
  if (translationMap && translationMap->TranslatePath(catKey, &catTranslated)) {
    if (rest.IsEmpty()) {
      catWork.Append(catTranslated);
    } else {
      // A translation of "//..." keeps its second "/" onwards.
      int from = FindSlash(catTranslated, 1);
      if (from < 0) {
        catWork.Append(catTranslated);
      } else {
        catWork.Append(catTranslated.Text() + from, catTranslated.Length() - from);
      }
    }
  } else if (!recased.EqualExact(value)) {
    if (rest.IsEmpty()) {
      catWork.AppendChar('/');
    } else {
      catWork.Append(rest);
    }
  } else {
    pathTree->AddPath(value, PathTables());
    return;
  }
  currentRecord->SetField(pos, catWork, e);
  if (e->Test()) return;
  pathTree->AddPath(catWork, PathTables());
}

void Migrator::FixDomainPrefix(const StrPtr& field, Error* e) {
  if (e->Test()) return;
  int pos;
  const StrPtr* v = CatalogueField(field, &pos, e);
  if (!v || v->IsEmpty()) return;
  StrPtr value = *v;
  int slash = FindSlash(value, 2);
  uint32_t split = slash < 0 ? value.Length() : static_cast<uint32_t>(slash);
  catKey.Set(value.Text(), split);
  catKey.LowerAscii();
  catKey.Append(value.Text() + split, value.Length() - split);
  if (!depotNameMap || !depotNameMap->Translate(0, catKey, &catTranslated)) return;
  if (catTranslated.EqualExact(value)) return;
  if (split > 2) {
    StrPtr seen(value.Text() + 2, split - 2);
    if (DomainRec* rec = domains->Find(seen)) {
      if (!rec->name.EqualExact(seen)) nameFixes.Note(NameFixes::DomainKind(rec->type), rec->name, seen);
    }
  }
  currentRecord->SetField(pos, catTranslated, e);
  if (!e->Test() && currentRecord->Changes() != 0) ++counters.minorInconsistencies;
}

void Migrator::FixDomainName(const StrPtr& field, Error* e) {
  if (e->Test()) return;
  int pos;
  const StrPtr* v = CatalogueField(field, &pos, e);
  if (!v) return;
  DomainRec* rec = domains->Find(*v);
  if (!rec) return;
  if (!rec->name.EqualExact(*v)) nameFixes.Note(NameFixes::DomainKind(rec->type), rec->name, *v);
  currentRecord->SetField(pos, rec->name, e);
  if (!e->Test() && currentRecord->Changes() != 0) ++counters.minorInconsistencies;
}

void Migrator::FixGroupName(const StrPtr& field, Error* e) {
  if (e->Test()) return;
  int pos;
  const StrPtr* v = CatalogueField(field, &pos, e);
  if (!v) return;
  GroupRec* rec = groups->Find(*v);
  if (!rec) return;
  if (!rec->name.EqualExact(*v)) nameFixes.Note("group", rec->name, *v);
  currentRecord->SetField(pos, rec->name, e);
  if (!e->Test() && currentRecord->Changes() != 0) ++counters.minorInconsistencies;
}

void Migrator::MapDepotName(Error* e) {
  if (e->Test()) return;
  SyncCatalogue();
  bool isDomain = catKind == kCatDomain;
  int namePos;
  const StrPtr* n = CatalogueField("name", &namePos, e);
  if (!n) return;
  int type = CatalogueNumber("type", e);
  if (e->Test()) return;
  if (isDomain && type != kDomainDepot) return;
  StrPtr name = *n;

  StrPtr recased = name;
  if (policy) {
    policy->Translate(name, &catPolicyOut);
    recased = catPolicyOut;
  }
  catKey.Set("//");
  catKey.Append(recased);
  catKey.Append("/...");
  if (translationMap && translationMap->TranslatePath(catKey, &catTranslated)) {
    // Only a translation still of the form "//name/..." names a depot; any
    // other shape (a map line whose right side drops the "/..." or adds a
    // component) is not taken as a depot name.
    const StrPtr& u = catTranslated;
    uint32_t len = u.Length();
    if (len > 6 && u[0] == '/' && u[1] == '/' && u.EndsWith("/...", 4) &&
        !memchr(u.Text() + 2, '/', len - 6)) {
      catWork.Set(u.Text() + 2, len - 6);
      currentRecord->SetField(namePos, catWork, e);
      return;
    }
  }
  if (!isDomain && type == 4) {
    catWork.Set(recased);
    catWork.LowerAscii();
    currentRecord->SetField(namePos, catWork, e);
  } else if (!recased.EqualExact(name)) {
    // A depot re-cased by the policy takes the same spelling in db.depot as
    // in db.domain and in its paths, whatever its type.
    catWork.Set(recased);
    currentRecord->SetField(namePos, catWork, e);
  }
}

void Migrator::RegisterDomainOf(Error* e) {
  if (e->Test()) return;
  SyncCatalogue();
  int type = kDomainDepot;
  if (catKind != kCatDepot) {
    type = CatalogueNumber("type", e);
    if (e->Test()) return;
  }
  int pos;
  const StrPtr* n = CatalogueField("name", &pos, e);
  if (!n) return;
  RegisterDomain(*n, type, e);
}

void Migrator::RegisterDomain(const StrPtr& name, int type, Error* e) {
  ::RegisterDomain(domains.get(), depotNameMap.get(), name, type, e);
}

void Migrator::FixViewFile(Error* e) {
  if (e->Test()) return;
  int pos;
  const StrPtr* n = CatalogueField("name", &pos, e);
  if (!n) return;
  DomainRec* rec = domains->Find(*n);
  if (!rec) {
    e->Set(kMsgViewUnknownDomain) << *n;
    return;
  }
  if (rec->IsBranch()) {
    EnterDepotPath("viewFile", e);
  } else if (rec->IsClient() || rec->IsLabel()) {
    FixDomainPrefix("viewFile", e);
  }
}

void Migrator::MarkHeadRevision(Error* e) {
  if (e->Test()) return;
  int pos;
  const StrPtr* v = CatalogueField("depotFile", &pos, e);
  if (!v) return;
  if (CompareFold(*v, lastPath) != 0) {
    pathTree->MarkHead(*v);
    lastPath.Set(*v);
  }
}

void Migrator::CheckUpgradeLevel(Error* e) {
  if (e->Test()) return;
  int pos;
  const StrPtr* n = CatalogueField("name", &pos, e);
  if (!n || !n->EqualExact("upgrade")) return;
  const StrPtr* v = CatalogueField("value", &pos, e);
  if (!v) return;
  if (v->Atoi64() > kMaxDatabaseLevel) {
    e->Set(kMsgDatabaseLevel) << *v << kMaxDatabaseLevel;
  }
}

void Migrator::ApplyCatalogueRow(Error* e) {
  int version = catVersion.IsEmpty() ? 0 : ParseDecimal(catVersion);
  switch (catKind) {
    case kCatClient:
      FixDomainName("client", e);
      break;
    case kCatDomain: {
      int type = CatalogueNumber("type", e);
      if (e->Test()) return;
      if (type == kDomainStream) {
        EnterDepotPath("name", e);
      } else if (type == kDomainClient && version >= 5) {
        EnterDepotPath("stream", e);
      }
      MapDepotName(e);
      RegisterDomainOf(e);
      break;
    }
    case kCatChange:
      FixDomainName("client", e);
      if (version >= 1) EnterDepotPath("root", e);
      if (version >= 6) EnterDepotPath("stream", e);
      break;
    case kCatDepotFile:
      EnterDepotPath("depotFile", e);
      break;
    case kCatFile:
      EnterDepotPath("file", e);
      break;
    case kCatGraphPerm:
      FixDomainName("name", e);
      EnterDepotPath("repo", e);
      EnterDepotPath("ref", e);
      break;
    case kCatHave:
      FixDomainPrefix("clientFile", e);
      EnterDepotPath("depotFile", e);
      break;
    case kCatHaveG:
    case kCatWorking:
      FixDomainPrefix("clientFile", e);
      EnterDepotPath("depotFile", e);
      FixDomainName("client", e);
      break;
    case kCatHaveView:
      FixDomainName("name", e);
      FixViewFile(e);
      EnterDepotPath("depotFile", e);
      break;
    case kCatRmtView:
      EnterDepotPath("localfile", e);
      EnterDepotPath("remotefile", e);
      break;
    case kCatFromFile:
      EnterDepotPath("fromFile", e);
      break;
    case kCatRev:
      EnterDepotPath("depotFile", e);
      EnterDepotPath("lbrFile", e);
      if (config.policyKind == kPolicyHead) MarkHeadRevision(e);
      break;
    case kCatRevBx:
      // Without a map or a re-casing policy there is nothing to translate,
      // and these paths are not entered as they are.
      if (translationMapFile || policy) {
        EnterDepotPath("depotFile", e);
        EnterDepotPath("lbrFile", e);
      }
      break;
    case kCatRevArchived:
    case kCatDepotLbr:
      EnterDepotPath("depotFile", e);
      EnterDepotPath("lbrFile", e);
      break;
    case kCatRevUx:
      e->Set(kMsgUnloadedData);
      break;
    case kCatInteg:
      EnterDepotPath("fromFile", e);
      EnterDepotPath("toFile", e);
      break;
    case kCatLocks:
      EnterDepotPath("depotFile", e);
      FixDomainName("client", e);
      break;
    case kCatArchMap:
      EnterDepotPath("lbrFile", e);
      EnterDepotPath("depotFile", e);
      break;
    case kCatProtect:
      if (version >= 4) EnterDepotPath("depotFile", e);
      if (version >= 5) EnterDepotPath("subPath", e);
      break;
    case kCatSymref:
      EnterDepotPath("symref", e);
      break;
    case kCatRepo:
      EnterDepotPath("branch", e);
      break;
    case kCatResolve:
      EnterDepotPath("fromFile", e);
      EnterDepotPath("baseFile", e);
      break;
    case kCatStream:
      EnterDepotPath("stream", e);
      EnterDepotPath("parent", e);
      break;
    case kCatStreamQ:
    case kCatStreamViewX:
      EnterDepotPath("stream", e);
      break;
    case kCatStreamRelation:
      EnterDepotPath("indep", e);
      EnterDepotPath("dep", e);
      break;
    case kCatSubmodule:
      EnterDepotPath("path", e);
      break;
    case kCatSvrView: {
      int type = CatalogueNumber("type", e);
      if (e->Test()) return;
      if (type == 0) {
        FixDomainPrefix("viewFile", e);
      } else {
        EnterDepotPath("viewFile", e);
      }
      break;
    }
    case kCatTemplateWx:
      FixDomainPrefix("client", e);
      [[fallthrough]];
    case kCatTemplate:
      EnterDepotPath("name", e);
      EnterDepotPath("parent", e);
      EnterDepotPath("depotFile", e);
      break;
    case kCatTrigger:
      EnterDepotPath("depotFile", e);
      if (version >= 3) EnterDepotPath("triggerDepotFile", e);
      break;
    case kCatView:
      FixDomainName("name", e);
      EnterDepotPath("depotFile", e);
      FixViewFile(e);
      break;
    case kCatLabel:
      FixDomainName("name", e);
      EnterDepotPath("depotFile", e);
      break;
    default:
      break;
  }
}

void Migrator::ProcessRecord(bool renameArchives, Error* e) {
  if (!currentRecord->Table(e)) return;
  SyncCatalogue();
  const int kind = catKind;

  switch (kind) {
    case kCatConfig:
      OnConfigRecord(*currentRecord, scanOnly, &serverId, &serverRoot, e);
      return;
    case kCatCounters:
      if (scanOnly && !inArchiveRoot) {
        ArchiveRootReady(e);
        if (e->Test()) return;
      }
      CheckUpgradeLevel(e);
      return;
    case kCatGroup: {
      int pos;
      const StrPtr* g = CatalogueField("group", &pos, e);
      if (g && !groups->Find(*g)) groups->Add(*g, e);
      return;
    }
    case kCatProperty:
      if (CatalogueNumber("type", e) == 2) FixGroupName("scope", e);
      if (e->Test()) return;
      break;
    case kCatProtect: {
      int version = ParseDecimal(catVersion);
      if (CatalogueNumber(version == 4 ? "type" : "isGroup", e) == 1) FixGroupName("user", e);
      if (e->Test()) return;
      break;
    }
    case kCatDepot: {
      MapDepotName(e);
      if (e->Test()) return;
      int pos;
      const StrPtr* name = CatalogueField("name", &pos, e);
      if (!name) return;
      StrPtr nameNow = *name;
      const StrPtr* map = CatalogueField("map", &pos, e);
      if (!map) return;
      AddDepot(nameNow, *map, depotMap.get(), e);
      RegisterDomainOf(e);
      return;
    }
    default:
      break;
  }

  // A rename run enters its paths too: two spellings of one path would
  // move an archive back and forth, and the run refuses them.
  if (!scanOnly || renameArchives) ApplyCatalogueRow(e);

  if (renameArchives && renamer && !e->Test() &&
      (kind == kCatRev || kind == kCatRevArchived || kind == kCatRevBx) && ArchiveRootReady(e)) {
    // The renamer's failures concern the archive, not the record: they are
    // reported here and go no further.
    Error renameError;
    renamer->RenameArchive(*currentRecord, depotMap.get(), &renameError);
    if (renameError.GetSeverity() != E_EMPTY) {
      GetMessageLog()->Report(&renameError);
      renameError.Clear();
    }
  }
}
