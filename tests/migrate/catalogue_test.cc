// The table catalogue: what ProcessRecord does to each kind of record, the
// path tree it fills and the names it registers and fixes.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include "journal/journal_messages.h"
#include "journal/journal_record.h"
#include "journal/schema.h"
#include "map/case_policy.h"
#include "map/translation_map.h"
#include "map/view_map.h"
#include "migrate/catalogue.h"
#include "migrate/catalogue_messages.h"
#include "migrate/dir_entry.h"
#include "migrate/name_fixes.h"
#include "migrate/name_caches.h"
#include "migrate/path_tree.h"
#include "migrate/register_domain.h"
#include "migrate/run_counters.h"
#include "migrate/scan_state.h"
#include "support/files/filesys.h"
#include "support/messages/debug.h"
#include "debug_capture.h"
#include "test_util.h"

namespace {

using testutil::DebugCapture;
using Fields = std::map<std::string, std::string>;

// A "pv" record of the table and version with every schema field present:
// the given values by name, "0" for the others.
std::unique_ptr<JournalRecord> MakeRecord(const char* table, int version, const Fields& values) {
  const SchemaTable* entry = FindSchemaTable(table);
  EXPECT_NE(entry, nullptr) << table;
  auto rec = std::make_unique<JournalRecord>();
  rec->AddField("pv");
  rec->AddField(StrPtr(std::to_string(version).c_str()));
  rec->AddField(table);
  int used = 0;
  for (const char* const* f = entry->versions[version]; *f; ++f) {
    auto it = values.find(*f);
    if (it != values.end()) ++used;
    rec->AddField(it != values.end() ? StrPtr(it->second.c_str()) : StrPtr("0"));
  }
  EXPECT_EQ(used, static_cast<int>(values.size())) << "a field not in the schema of " << table;
  return rec;
}

std::string Field(const JournalRecord& rec, const char* name) {
  Error e;
  const StrPtr* v = rec.GetField(name, &e);
  return v ? v->ToString() : "<" + e.Text() + ">";
}

// What a run lends its catalogue, owned here as the Migrator owns it: the
// default depot mapped and registered, as in every run.
struct ScanParts {
  explicit ScanParts(bool variants) : translationMap(variants) {
    depotMap.Insert(StrPtr("//depot/..."), StrPtr("depot/..."), IncludeMapping);
    Error ignored;
    RegisterDomain(&domains, &depotNameMap, StrPtr("depot"), kDomainDepot, &ignored);
  }
  ScanState State() {
    ScanState s;
    s.depotMap = &depotMap;
    s.depotNameMap = &depotNameMap;
    s.pathTree = &pathTree;
    s.translationMap = &translationMap;
    s.domains = &domains;
    s.groups = &groups;
    s.nameFixes = &nameFixes;
    s.counters = &counters;
    s.serverId = &serverId;
    s.serverRoot = &serverRoot;
    s.policy = policy.get();
    return s;
  }

  ViewMap depotMap;
  ViewMap depotNameMap;
  PathTree pathTree;
  TranslationMap translationMap;
  DomainCache domains;
  GroupCache groups;
  NameFixes nameFixes;
  RunCounters counters;
  StrBuf serverId;
  StrBuf serverRoot;
  std::unique_ptr<Policy> policy;
};

class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() { Build(true); }

  // Fresh state of a run with the given flags; the -t map's lines need not
  // be variants unless variants is set.
  void Build(bool variants, const CatalogueFlags& runFlags = CatalogueFlags()) {
    catalogue.reset();
    m = std::make_unique<ScanParts>(variants);
    flags = runFlags;
    Remake();
  }
  // A catalogue over the state, with the flags; made again when a test
  // gives the run a map or a policy, as a run has them from its start.
  void Remake() { catalogue = std::make_unique<Catalogue>(m->State(), flags); }

  // Loads map text as the -t map.
  void LoadMap(const std::string& text) {
    testutil::WriteFile(dir.File("map.txt"), text);
    std::unique_ptr<FileSys> file = FileSys::Create(kFileText);
    file->SetPath(StrPtr(dir.File("map.txt").c_str()));
    Error e;
    file->Open(kOpenRead, &e);
    m->translationMap.Load(file.get(), &e);
    ASSERT_FALSE(e.Test()) << e.Text();
    flags.translates = true;
    Remake();
  }

  void UseLowerPolicy() {
    m->policy = std::make_unique<LowerCasePolicy>();
    flags.translates = true;
    Remake();
  }

  // Runs the record through ProcessRecord; returns the error text.
  std::string Process(JournalRecord* rec, Error* e) {
    catalogue->ProcessRecord(rec, e);
    return e->Text();
  }
  std::unique_ptr<JournalRecord> Run(const char* table, int version, const Fields& values) {
    auto rec = MakeRecord(table, version, values);
    Error e;
    Process(rec.get(), &e);
    EXPECT_EQ(e.GetSeverity(), E_EMPTY) << table << ": " << e.Text();
    return rec;
  }

  // The tree entry of a path ("depot/a", any case), or null.
  const DirEntry* Entry(const std::string& path) {
    const DirEntry* e = m->pathTree.Root();
    size_t start = 0;
    while (e && start <= path.size()) {
      size_t end = path.find('/', start);
      if (end == std::string::npos) end = path.size();
      std::string part = path.substr(start, end - start);
      for (char& c : part) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
      e = e->FindChild(part.data(), static_cast<uint32_t>(part.size()));
      start = end + 1;
    }
    return e;
  }
  std::string Aliases(const std::string& path) {
    const DirEntry* d = Entry(path);
    if (!d) return "<none>";
    std::string s;
    for (int i = 0; i < d->NumAliases(); ++i) {
      if (i) s += " ";
      s += d->AliasVariant(i).ToString() + "(" + std::to_string(d->AliasCount(i)) + ")";
    }
    return s;
  }

  testutil::TempDir dir;
  std::unique_ptr<ScanParts> m;
  CatalogueFlags flags;
  std::unique_ptr<Catalogue> catalogue;
};

TEST_F(CatalogueTest, AnalyseOnlyEntersPathsAsRead) {
  auto rev = Run("db.rev", 9, {{"depotFile", "//Depot/A/x.c"}, {"lbrFile", "//depot/a/x.c"}});
  EXPECT_EQ(rev->Changes(), 0);
  EXPECT_EQ(Field(*rev, "depotFile"), "//Depot/A/x.c");
  EXPECT_EQ(Aliases("depot"), "Depot(1) depot(1)");
  EXPECT_EQ(Aliases("depot/a/x.c"), "x.c(2)");
  // Table names match without regard to case, as in the schema.
  auto upper = Run("DB.REV", 9, {{"depotFile", "//DEPOT/b"}, {"lbrFile", "//DEPOT/b"}});
  EXPECT_EQ(Aliases("depot"), "Depot(1) depot(1) DEPOT(2)");
  // A table no row names is left alone, path-like fields included.
  auto view = Run("db.streamview", 0, {{"name", "//Other/s"}, {"depotFile", "//Other/x"}});
  EXPECT_EQ(Entry("other"), nullptr);
  EXPECT_EQ(m->counters.minorInconsistencies, 0);
}

// A catalogue made over state that no run owns re-spells a record and
// leaves what it learns in that state, and in no other.
TEST_F(CatalogueTest, TreatmentsChangeOnlyTheStateTheyAreLent) {
  ScanParts other(true);
  CatalogueFlags scanOnly;
  scanOnly.scanOnly = true;
  Catalogue elsewhere(other.State(), scanOnly);
  Run("db.domain", 5, {{"name", "ws-BOB"}, {"type", "99"}});
  auto fix = Run("db.fix", 2, {{"client", "WS-Bob"}});
  EXPECT_EQ(Field(*fix, "client"), "ws-BOB");
  EXPECT_EQ(m->nameFixes.Count(), 1);
  EXPECT_EQ(m->counters.minorInconsistencies, 1);
  EXPECT_NE(m->domains.Find("ws-bob"), nullptr);

  // The other state's catalogue reads the configuration a rename needs.
  auto config = MakeRecord("db.config", 1, {{"serverName", "svr"}, {"name", "configurationVersion"},
                                            {"value", "1"}});
  Error e;
  DebugCapture quiet;
  elsewhere.ProcessRecord(config.get(), &e);
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(other.serverId.ToString(), "svr");
  EXPECT_TRUE(m->serverId.IsEmpty());
  EXPECT_EQ(other.domains.Find("ws-bob"), nullptr);
  EXPECT_EQ(other.nameFixes.Count(), 0);
  EXPECT_EQ(other.counters.minorInconsistencies, 0);
}

TEST_F(CatalogueTest, EveryDepotPathFieldOfTheCatalogueIsEntered) {
  const std::pair<const char*, const char*> kFields[] = {
      {"db.change", "root"}, {"db.changex", "stream"}, {"db.excl", "depotFile"},
      {"db.exclg", "file"}, {"db.exclgx", "file"}, {"db.graphperm", "repo"},
      {"db.graphperm", "ref"}, {"db.have", "depotFile"}, {"db.have.pt", "depotFile"},
      {"db.have.rp", "depotFile"}, {"db.haveg", "depotFile"}, {"db.rmtview", "localFile"},
      {"db.rmtview", "remoteFile"}, {"db.resolveg", "fromFile"}, {"db.rev", "lbrFile"},
      {"db.revcx", "depotFile"}, {"db.revdx", "depotFile"}, {"db.revhx", "lbrFile"},
      {"db.revpx", "depotFile"}, {"db.revsh", "depotFile"}, {"db.revstg", "lbrFile"},
      {"db.revsx", "depotFile"}, {"db.revtx", "lbrFile"}, {"db.sendq", "depotFile"},
      {"db.sendq.pt", "lbrFile"}, {"db.integed", "toFile"}, {"db.integtx", "fromFile"},
      {"db.integ", "toFile"}, {"db.label", "depotFile"}, {"db.locks", "depotFile"},
      {"db.locksg", "depotFile"}, {"db.archive", "lbrFile"}, {"db.archmap", "depotFile"},
      {"db.protect", "subPath"}, {"db.ref", "symref"}, {"db.refhist", "symref"},
      {"db.repo", "branch"}, {"db.resolve", "baseFile"}, {"db.resolvex", "fromFile"},
      {"db.review", "depotFile"}, {"db.storage", "file"}, {"db.storagesh", "file"},
      {"db.stream", "parent"}, {"db.streamq", "stream"}, {"db.streamrelation", "dep"},
      {"db.streamviewx", "stream"}, {"db.submodule", "path"}, {"db.template", "parent"},
      {"db.templatesx", "depotFile"}, {"db.templatewx", "name"}, {"db.trigger", "triggerDepotFile"},
      {"db.view", "depotFile"}, {"db.view.rp", "depotFile"}, {"db.working", "depotFile"},
      {"db.workingx", "depotFile"}, {"db.workingg", "depotFile"},
  };
  Run("db.domain", 5, {{"name", "someone"}, {"type", "100"}});
  for (const auto& [table, field] : kFields) {
    const SchemaTable* entry = FindSchemaTable(table);
    ASSERT_NE(entry, nullptr) << table;
    Fields values = {{field, std::string("//T/") + table + "/" + field}};
    if (!strncmp(table, "db.view", 7)) values["name"] = "someone";
    Run(table, entry->versionCount - 1, values);
    EXPECT_NE(Entry(std::string("t/") + table + "/" + field), nullptr) << table << " " << field;
  }
}

TEST_F(CatalogueTest, StreamViewPrefixIsTrimmedEvenWithoutMapOrPolicy) {
  auto rec = Run("db.streamviewx", 1, {{"stream", "abc//Depot/s1"}});
  EXPECT_EQ(Field(*rec, "stream"), "//Depot/s1");
  EXPECT_EQ(rec->Changes(), 1);
  EXPECT_EQ(Aliases("depot/s1"), "s1(1)");
  // A value whose only "//" is at its start is untouched.
  auto plain = Run("db.streamviewx", 1, {{"stream", "//Depot/s2"}});
  EXPECT_EQ(plain->Changes(), 0);
}

TEST_F(CatalogueTest, PolicyThenMapAndNoChangeWhenNeitherApplies) {
  LoadMap("//depot/main/... //depot/MAIN/...\n");
  UseLowerPolicy();
  auto rec = Run("db.integed", 0, {{"fromFile", "//Depot/Main/A.c"}, {"toFile", "//depot/rel/b.c"}});
  EXPECT_EQ(Field(*rec, "fromFile"), "//depot/MAIN/a.c");  // the map overrides the policy
  EXPECT_EQ(Field(*rec, "toFile"), "//depot/rel/b.c");     // already lower: untouched
  EXPECT_EQ(rec->Changes(), 1);
  EXPECT_EQ(Aliases("depot/main"), "MAIN(1)");
  EXPECT_EQ(Aliases("depot/rel/b.c"), "b.c(1)");
}

TEST_F(CatalogueTest, ArchivedRevisionsOnlyWithMapOrPolicy) {
  auto skipped = Run("db.revbx", 9, {{"depotFile", "//Ab/Depot/X.c"}, {"lbrFile", "//Ab/Depot/X.c"}});
  EXPECT_EQ(skipped->Changes(), 0);
  EXPECT_TRUE(m->pathTree.Root()->IsEmpty());

  UseLowerPolicy();
  auto lowered = Run("db.revbx", 9, {{"depotFile", "//Ab/Depot/X.c"}, {"lbrFile", "//ab"}});
  EXPECT_EQ(Field(*lowered, "depotFile"), "//ab/depot/x.c");
  EXPECT_EQ(Field(*lowered, "lbrFile"), "//ab");  // already lower: as read
  EXPECT_EQ(Aliases("ab/depot/x.c"), "x.c(1)");
}

TEST_F(CatalogueTest, ArchivedRevisionTranslatesTheRestAsADepotPath) {
  LoadMap("//depot/... //DEPOT/...\n");
  auto rec = Run("db.revbx", 9, {{"depotFile", "//Ab/depot/x.c"}, {"lbrFile", "//Ab/other/x.c"}});
  // The first component is lowered; the rest goes through the map.
  EXPECT_EQ(Field(*rec, "depotFile"), "//ab/DEPOT/x.c");
  // No mapping and nothing re-cased: as read, entered as read.
  EXPECT_EQ(Field(*rec, "lbrFile"), "//Ab/other/x.c");
  EXPECT_EQ(Aliases("ab"), "ab(1) Ab(1)");
}

TEST_F(CatalogueTest, DomainPrefixAndNameFixes) {
  Run("db.domain", 5, {{"name", "ws-BOB"}, {"type", "99"}});
  auto have = Run("db.have", 3, {{"clientFile", "//WS-Bob/a/B.c"}, {"depotFile", "//depot/a/B.c"}});
  EXPECT_EQ(Field(*have, "clientFile"), "//ws-BOB/a/B.c");
  EXPECT_EQ(m->counters.minorInconsistencies, 1);
  // Not a registered domain, or not a "//" path: as read.
  auto other = Run("db.have", 3, {{"clientFile", "//ws-bobby/a"}, {"depotFile", "//depot/c"}});
  auto bare = Run("db.have", 3, {{"clientFile", "ws-bob/a"}, {"depotFile", "//depot/d"}});
  EXPECT_EQ(Field(*other, "clientFile"), "//ws-bobby/a");
  EXPECT_EQ(Field(*bare, "clientFile"), "ws-bob/a");
  EXPECT_EQ(m->counters.minorInconsistencies, 1);

  auto fix = Run("db.fix", 2, {{"client", "WS-BOB"}});
  EXPECT_EQ(Field(*fix, "client"), "ws-BOB");
  EXPECT_EQ(m->counters.minorInconsistencies, 2);
  // The right spelling already and nothing else changed: not counted.
  Run("db.fix", 2, {{"client", "ws-BOB"}});
  EXPECT_EQ(m->counters.minorInconsistencies, 2);
  // The same spelling still counts once an earlier field of the record changed.
  auto working = Run("db.working", 11, {{"clientFile", "//WS-BOB/x"}, {"depotFile", "//depot/x"},
                                        {"client", "ws-BOB"}});
  EXPECT_EQ(Field(*working, "clientFile"), "//ws-BOB/x");
  EXPECT_EQ(working->Changes(), 1);
  EXPECT_EQ(m->counters.minorInconsistencies, 4);
}

// A client path's fix is kept for the next paths of the same first
// component: runs of paths, domains whose names hold "/" or a wildcard and
// domains registered between the runs must give what each path alone gives
// (a traced lookup is made afresh).
TEST_F(CatalogueTest, RunsOfClientPathsAreFixedAsEachPathAlone) {
  ScanParts fresh(true);
  Catalogue freshCatalogue(fresh.State(), CatalogueFlags());
  auto both = [&](const char* table, int version, const Fields& values) {
    auto kept = Run(table, version, values);
    auto rec = MakeRecord(table, version, values);
    Error e;
    SetLevel(kDebugMap, 1);
    freshCatalogue.ProcessRecord(rec.get(), &e);
    SetLevel(kDebugMap, 0);
    EXPECT_EQ(e.GetSeverity(), E_EMPTY) << e.Text();
    if (table == std::string("db.have")) {
      EXPECT_EQ(Field(*kept, "clientFile"), Field(*rec, "clientFile"));
    }
    EXPECT_EQ(m->counters.minorInconsistencies, fresh.counters.minorInconsistencies);
    return kept;
  };
  const char* const kPaths[] = {"//WS-Bob/a", "//ws-BOB/b", "//ws-bob/c/d", "//ws/sub/x",
                                "//WS/Sub/y", "//ws/other", "//Ws/other", "//streams/main/z",
                                "///x", "//ws-bob", "//nobody/q", "//NOBODY/r", "//ws-bobby/s"};
  std::mt19937 rng(5);
  auto runOfPaths = [&]() {
    for (int i = 0; i < 400; ++i) {
      const char* path = kPaths[rng() % std::size(kPaths)];
      const int repeat = 1 + static_cast<int>(rng() % 4);
      for (int k = 0; k < repeat; ++k)
        both("db.have", 3, {{"clientFile", path}, {"depotFile", "//depot/f"}});
    }
  };
  both("db.domain", 5, {{"name", "ws-BOB"}, {"type", "99"}});
  both("db.domain", 5, {{"name", "//streams/Main"}, {"type", "115"}});
  both("db.domain", 5, {{"name", "ws"}, {"type", "99"}});
  runOfPaths();
  both("db.domain", 5, {{"name", "ws/Sub"}, {"type", "99"}});
  both("db.domain", 5, {{"name", "Nobody"}, {"type", "99"}});
  runOfPaths();
  EXPECT_EQ(Field(*both("db.have", 3, {{"clientFile", "//WS/SUB/x"}, {"depotFile", "//depot/g"}}),
                  "clientFile"),
            "//ws/Sub/x");
  both("db.domain", 5, {{"name", "ws-B*"}, {"type", "99"}});
  runOfPaths();
  EXPECT_GT(m->counters.minorInconsistencies, 0);
}

TEST_F(CatalogueTest, GroupsRegisterFirstSpellingAndFixReferences) {
  Run("db.groupx", 0, {{"group", "Dev"}});
  Run("db.group", 11, {{"group", "DEV"}});
  ASSERT_NE(m->groups.Find("dev"), nullptr);
  EXPECT_EQ(m->groups.Find("dev")->name.ToString(), "Dev");

  // db.protect: version 4 takes the flag from type, the others from isGroup.
  auto v4 = Run("db.protect", 4, {{"type", "1"}, {"user", "dEV"}, {"depotFile", "//depot/..."}});
  auto v4user = Run("db.protect", 4, {{"type", "0"}, {"user", "dEV"}});
  auto v5 = Run("db.protect", 5, {{"isGroup", "1"}, {"user", "DEV"}, {"subPath", "//Depot/x/..."}});
  auto v5two = Run("db.protect", 5, {{"isGroup", "2"}, {"user", "DEV"}});
  EXPECT_EQ(Field(*v4, "user"), "Dev");
  EXPECT_EQ(Field(*v4user, "user"), "dEV");
  EXPECT_EQ(Field(*v5, "user"), "Dev");
  EXPECT_EQ(Field(*v5two, "user"), "DEV");
  EXPECT_EQ(Aliases("depot/x"), "x(1)");  // subPath from version 5
  EXPECT_EQ(m->counters.minorInconsistencies, 2);

  auto scope = Run("db.property", 1, {{"type", "2"}, {"scope", "DEV"}});
  auto notGroup = Run("db.property", 1, {{"type", "1"}, {"scope", "DEV"}});
  EXPECT_EQ(Field(*scope, "scope"), "Dev");
  EXPECT_EQ(Field(*notGroup, "scope"), "DEV");
}

TEST_F(CatalogueTest, ScanOnlyHandlesOnlyConfigurationNamesAndDepots) {
  // A rename without outputs analyses only what the rename needs.
  CatalogueFlags scanOnly;
  scanOnly.scanOnly = true;
  Build(true, scanOnly);
  Run("db.group", 11, {{"group", "Dev"}});
  auto protect = Run("db.protect", 4, {{"type", "1"}, {"user", "DEV"}, {"depotFile", "//Depot/x"}});
  EXPECT_EQ(Field(*protect, "user"), "Dev");
  auto rev = Run("db.rev", 9, {{"depotFile", "//Depot/y"}, {"lbrFile", "//Depot/y"}});
  auto depot = Run("db.depot", 2, {{"name", "Spec"}, {"type", "4"}, {"map", "spec/..."}});
  EXPECT_EQ(Field(*depot, "name"), "spec");
  EXPECT_TRUE(m->pathTree.Root()->IsEmpty());
  // Unloaded data is refused only where the catalogue rows apply.
  auto unloaded = MakeRecord("db.revux", 9, {});
  Error e;
  Process(unloaded.get(), &e);
  EXPECT_EQ(e.GetSeverity(), E_EMPTY);
}

TEST_F(CatalogueTest, DepotNamesTranslateRegisterAndMapArchives) {
  LoadMap("//depot2/... //Depot2/...\n");
  auto mapped = Run("db.depot", 2, {{"name", "depot2"}, {"type", "0"}, {"map", "d2/..."}});
  EXPECT_EQ(Field(*mapped, "name"), "Depot2");
  auto archive = Run("db.depot", 2, {{"name", "Spec"}, {"type", "4"}, {"map", "spec/..."}});
  EXPECT_EQ(Field(*archive, "name"), "spec");
  auto local = Run("db.depot", 2, {{"name", "Main"}, {"type", "0"}, {"map", "main/..."}});
  EXPECT_EQ(Field(*local, "name"), "Main");

  // The matching domain record of an unmapped type-4 depot keeps its name.
  auto domain = Run("db.domain", 5, {{"name", "Spec"}, {"type", "100"}});
  EXPECT_EQ(Field(*domain, "name"), "Spec");
  ASSERT_NE(m->domains.Find("SPEC"), nullptr);
  EXPECT_EQ(m->domains.Find("SPEC")->name.ToString(), "spec");
  EXPECT_EQ(m->domains.Find("depot2")->name.ToString(), "Depot2");
  // The default depot keeps its registered spelling.
  Run("db.domain", 5, {{"name", "Depot"}, {"type", "100"}});
  EXPECT_EQ(m->domains.Find("DEPOT")->name.ToString(), "depot");

  StrBuf out;
  ASSERT_NE(m->depotMap.Translate(0, "//Depot2/a/b", &out), nullptr);
  EXPECT_EQ(out.ToString(), "d2/a/b");
  ASSERT_NE(m->depotNameMap.Translate(0, "//spec/a", &out), nullptr);
  EXPECT_EQ(out.ToString(), "//spec/a");
  EXPECT_TRUE(m->pathTree.Root()->IsEmpty());  // names are not paths
  EXPECT_EQ(m->counters.minorInconsistencies, 0);
}

TEST_F(CatalogueTest, PolicyRecasesDepotNamesOfEveryType) {
  UseLowerPolicy();
  auto depot = Run("db.depot", 2, {{"name", "Main"}, {"type", "0"}, {"map", "main/..."}});
  auto domain = Run("db.domain", 5, {{"name", "Main"}, {"type", "100"}});
  auto client = Run("db.domain", 5, {{"name", "WS1"}, {"type", "99"}});
  // The depot's name follows its paths and its domain record.
  EXPECT_EQ(Field(*depot, "name"), "main");
  EXPECT_EQ(Field(*domain, "name"), "main");
  EXPECT_EQ(Field(*client, "name"), "WS1");  // clients are not re-cased
}

TEST_F(CatalogueTest, MapAnswerThatIsNoDepotNameIsIgnored) {
  Build(false);  // the map's sides need not be variants
  LoadMap("//odd/... //odd/sub/...\n");
  auto rec = Run("db.depot", 2, {{"name", "Odd"}, {"type", "0"}, {"map", "odd/..."}});
  EXPECT_EQ(Field(*rec, "name"), "Odd");
}

TEST_F(CatalogueTest, DomainRowsByTypeAndVersion) {
  UseLowerPolicy();
  auto stream = Run("db.domain", 5, {{"name", "//Streams/Main"}, {"type", "115"}});
  EXPECT_EQ(Field(*stream, "name"), "//streams/main");
  auto v4 = Run("db.domain", 4, {{"name", "ws4"}, {"type", "99"}});
  EXPECT_EQ(v4->Changes(), 0);
  auto v5 = Run("db.domain", 5, {{"name", "ws5"}, {"type", "99"}, {"stream", "//Streams/Dev"}});
  EXPECT_EQ(Field(*v5, "stream"), "//streams/dev");
  EXPECT_EQ(Aliases("streams"), "streams(2)");
  ASSERT_NE(m->domains.Find("WS5"), nullptr);
  EXPECT_EQ(m->domains.Find("WS5")->type, kDomainClient);
}

TEST_F(CatalogueTest, ViewFilesByDomainType) {
  Run("db.domain", 5, {{"name", "Br"}, {"type", "98"}});
  Run("db.domain", 5, {{"name", "Cl"}, {"type", "99"}});
  Run("db.domain", 5, {{"name", "//S/main"}, {"type", "115"}});
  auto branch = Run("db.view", 1, {{"name", "br"}, {"viewFile", "//depot/B/x"}});
  EXPECT_EQ(Field(*branch, "name"), "Br");
  EXPECT_EQ(Aliases("depot/b"), "B(1)");
  auto client = Run("db.view", 1, {{"name", "Cl"}, {"viewFile", "//CL/x"}, {"depotFile", "//depot/c"}});
  EXPECT_EQ(Field(*client, "viewFile"), "//Cl/x");
  EXPECT_EQ(Entry("cl"), nullptr);
  auto stream = Run("db.view", 1, {{"name", "//s/MAIN"}, {"viewFile", "//Q/x"}});
  EXPECT_EQ(Field(*stream, "viewFile"), "//Q/x");
  EXPECT_EQ(Entry("q"), nullptr);

  // An unknown domain: a warning, and the rest of the record is skipped.
  auto unknown = MakeRecord("db.haveview", 2, {{"name", "nobody"}, {"viewFile", "//V/x"},
                                               {"depotFile", "//Unknown/x"}});
  Error e;
  Process(unknown.get(), &e);
  EXPECT_EQ(e.GetSeverity(), E_WARN);
  EXPECT_TRUE(e.Has(kMsgViewUnknownDomain));
  EXPECT_EQ(e.Text(), "db.view record for unknown domain nobody");
  EXPECT_EQ(Entry("unknown"), nullptr);
}

TEST_F(CatalogueTest, ServerViewByType) {
  Run("db.domain", 5, {{"name", "Ws"}, {"type", "99"}});
  auto prefix = Run("db.svrview", 0, {{"type", "0"}, {"viewFile", "//WS/a"}});
  auto path = Run("db.svrview", 0, {{"type", "1"}, {"viewFile", "//WS/a"}});
  EXPECT_EQ(Field(*prefix, "viewFile"), "//Ws/a");
  EXPECT_EQ(Field(*path, "viewFile"), "//WS/a");
  EXPECT_EQ(Aliases("ws"), "WS(1)");
}

TEST_F(CatalogueTest, HeadPolicyMarksFirstRevisionOfEachFile) {
  flags.markHeads = true;
  Remake();
  Run("db.rev", 9, {{"depotFile", "//depot/Main/a.c"}, {"lbrFile", "//depot/main/a.c"}});
  Run("db.rev", 9, {{"depotFile", "//depot/MAIN/A.c"}, {"lbrFile", "//depot/main/a.c"}});
  const DirEntry* main = Entry("depot/main");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->AliasVariant(main->HeadAlias()).ToString(), "Main");
  Run("db.rev", 9, {{"depotFile", "//depot/MAIN/b.c"}, {"lbrFile", "//depot/main/b.c"}});
  EXPECT_EQ(main->AliasVariant(main->HeadAlias()).ToString(), "MAIN");
}

TEST_F(CatalogueTest, UpgradeLevelAboveMaximumIsFatal) {
  Run("db.counters", 1, {{"name", "upgrade"}, {"value", "60"}});
  Run("db.counters", 1, {{"name", "Upgrade"}, {"value", "99"}});
  auto rec = MakeRecord("db.counters", 1, {{"name", "upgrade"}, {"value", "61"}});
  Error e;
  Process(rec.get(), &e);
  EXPECT_TRUE(e.IsFatal());
  EXPECT_EQ(e.Text(),
            "Database level (61) exceeds supported maximum (60).\n"
            "\tPlease contact support@zentory.com for an updated version of this\n"
            "\tprogram.");
  // A level beyond any int is still refused.
  auto huge = MakeRecord("db.counters", 1, {{"name", "upgrade"}, {"value", "99999999999"}});
  Error e2;
  Process(huge.get(), &e2);
  EXPECT_TRUE(e2.IsFatal());
}

TEST_F(CatalogueTest, UnloadedDataIsFatal) {
  auto rec = MakeRecord("db.revux", 9, {{"depotFile", "//Depot/x"}});
  Error e;
  Process(rec.get(), &e);
  EXPECT_TRUE(e.IsFatal());
  EXPECT_NE(e.Text().find("Run \"zt labels -U\" and \"zt clients -U\" to see"), std::string::npos);
  EXPECT_EQ(rec->Changes(), 0);
}

TEST_F(CatalogueTest, MissingFieldStopsTheRecordKeepingEarlierChanges) {
  UseLowerPolicy();
  // A record one field short: lbrFile is treated, depotFile is missing.
  auto rec = std::make_unique<JournalRecord>();
  for (const char* f : {"pv", "0", "db.archmap", "//Depot/L"}) rec->AddField(f);
  Error e;
  Process(rec.get(), &e);
  EXPECT_TRUE(e.Test());
  EXPECT_EQ(Field(*rec, "lbrFile"), "//depot/l");
  // A version 0 protection has no group flag field.
  auto old = MakeRecord("db.protect", 0, {{"user", "x"}});
  Error e2;
  Process(old.get(), &e2);
  EXPECT_TRUE(e2.Test());
  // db.graphindex has no path field to treat: no error.
  Run("db.graphindex", 0, {{"name", "Some/File"}});
}

TEST_F(CatalogueTest, FieldPositionsFollowTableAndVersion) {
  UseLowerPolicy();
  // Alternating versions whose fields sit at different places.
  for (int i = 0; i < 3; ++i) {
    auto v0 = Run("db.trigger", 0, {{"trigger", "T"}, {"depotFile", "//D/A"}});
    auto v3 = Run("db.trigger", 3, {{"name", "N"}, {"depotFile", "//D/B"},
                                    {"triggerDepotFile", "//D/C"}, {"trigger", "T"}});
    auto change = Run("db.change", 7, {{"root", "//D/R"}, {"stream", "//D/S"}});
    EXPECT_EQ(Field(*v0, "trigger"), "T");
    EXPECT_EQ(Field(*v0, "depotFile"), "//d/a");
    EXPECT_EQ(Field(*v3, "triggerDepotFile"), "//d/c");
    EXPECT_EQ(Field(*v3, "trigger"), "T");
    EXPECT_EQ(Field(*change, "root"), "//d/r");
    EXPECT_EQ(Field(*change, "stream"), "//d/s");
  }
}

// The plan of a table and version: treatments in row order, each with the
// record positions of its fields, as "treatment:position,position,...".
std::string Describe(Catalogue* catalogue, const char* table, const char* version) {
  std::string s;
  for (const CatalogueStep& step : catalogue->Plan(table, version)) {
    if (!s.empty()) s += " ";
    s += std::to_string(static_cast<int>(step.treatment)) + ":";
    for (int i = 0; i < CatalogueStep::kFields && step.name[i]; ++i)
      s += (i ? "," : "") + std::to_string(step.position[i]);
  }
  return s;
}

std::string Step(Treatment t, std::initializer_list<int> positions) {
  std::string s = std::to_string(static_cast<int>(t)) + ":";
  bool first = true;
  for (int p : positions) {
    s += (first ? "" : ",") + std::to_string(p);
    first = false;
  }
  return s;
}

TEST_F(CatalogueTest, PlanResolvesFieldPositionsPerTableAndVersion) {
  Catalogue* c = catalogue.get();
  const std::string rev9 = Step(Treatment::kDepotPath, {3}) + " " +
                           Step(Treatment::kDepotPath, {14}) + " " +
                           Step(Treatment::kHeadRevision, {3}) + " " +
                           Step(Treatment::kRenameArchive, {});
  EXPECT_EQ(Describe(c, "db.rev", "9"), rev9);
  EXPECT_EQ(Describe(c, "db.rev", "0"), Step(Treatment::kDepotPath, {3}) + " " +
                                            Step(Treatment::kDepotPath, {10}) + " " +
                                            Step(Treatment::kHeadRevision, {3}) + " " +
                                            Step(Treatment::kRenameArchive, {}));
  // Rows from a later version on join the plan only from that version.
  EXPECT_EQ(Describe(c, "db.change", "0"), Step(Treatment::kDomainName, {5}));
  EXPECT_EQ(Describe(c, "db.change", "7"), Step(Treatment::kDomainName, {5}) + " " +
                                               Step(Treatment::kDepotPath, {10}) + " " +
                                               Step(Treatment::kDepotPath, {15}));
  // A named treatment carries the positions of the fields it reads too:
  // the protection's group flag is `type` in version 4, `isGroup` otherwise.
  EXPECT_EQ(Describe(c, "db.protect", "4"), Step(Treatment::kProtectGroup, {5, 4}) + " " +
                                                Step(Treatment::kDepotPath, {9}));
  EXPECT_EQ(Describe(c, "db.protect", "6"), Step(Treatment::kProtectGroup, {5, 4}) + " " +
                                                Step(Treatment::kDepotPath, {9}) + " " +
                                                Step(Treatment::kDepotPath, {10}));
  EXPECT_EQ(Describe(c, "db.depot", "2"), Step(Treatment::kDepotRecord, {3, 4, 6}));
  // Table names match without regard to case; a table no row names has an
  // empty plan.
  EXPECT_EQ(Describe(c, "DB.Rev", "9"), rev9);
  EXPECT_EQ(Describe(c, "db.user", "8"), "");
  EXPECT_EQ(Describe(c, "db.nosuch", "0"), "");
  // The plan of a pair is made once and kept.
  const std::vector<CatalogueStep>* first = &c->Plan("db.rev", "9");
  c->Plan("db.have", "3");
  EXPECT_EQ(&c->Plan("db.rev", "9"), first);
  // Endless distinct version texts of one version: the plans kept are
  // dropped and made again, and a record is treated as before.
  std::string zeros;
  for (int i = 0; i < 600; ++i, zeros += "0") c->Plan("db.rev", (zeros + "9").c_str());
  EXPECT_EQ(Describe(c, "db.rev", "9"), rev9);
  UseLowerPolicy();
  auto rec = Run("db.rev", 9, {{"depotFile", "//Depot/A"}, {"lbrFile", "//Depot/A"}});
  EXPECT_EQ(Field(*rec, "lbrFile"), "//depot/a");
}

TEST_F(CatalogueTest, VersionTheSchemaLacksFailsAtItsFirstField) {
  Catalogue* c = catalogue.get();
  EXPECT_EQ(Describe(c, "db.rev", "11"), Step(Treatment::kDepotPath, {-1}) + " " +
                                             Step(Treatment::kDepotPath, {-1}) + " " +
                                             Step(Treatment::kHeadRevision, {-1}) + " " +
                                             Step(Treatment::kRenameArchive, {}));
  auto rec = MakeRecord("db.rev", 10, {{"depotFile", "//Depot/x"}, {"lbrFile", "//Depot/x"}});
  Error ignored;
  rec->SetField(1, StrPtr("11"), &ignored);
  Error e;
  Process(rec.get(), &e);
  EXPECT_EQ(e.GetSeverity(), E_FAILED);
  EXPECT_TRUE(e.Has(kMsgVersionNotInSchema)) << e.Text();
  EXPECT_NE(e.Text().find("Version 11 of db.rev"), std::string::npos) << e.Text();
  EXPECT_EQ(Entry("depot"), nullptr);
  // The same table in a known version goes on as before.
  Run("db.rev", 10, {{"depotFile", "//Depot/y"}, {"lbrFile", "//Depot/y"}});
  EXPECT_EQ(Aliases("depot"), "Depot(2)");
}

TEST_F(CatalogueTest, FieldMissingInAnOldVersionFailsWhenReached) {
  UseLowerPolicy();
  // db.trigger: triggerDepotFile only from version 3; version 0 has no row
  // for it and treats depotFile at its own place.
  EXPECT_EQ(Describe(catalogue.get(), "db.trigger", "0"), Step(Treatment::kDepotPath, {6}));
  // Version 0 of db.protect has no group flag: the record stops there,
  // with the schema's error naming the field and the record's version.
  auto rec = MakeRecord("db.protect", 0, {{"user", "Dev"}, {"depotFile", "//Depot/p"}});
  Error e;
  Process(rec.get(), &e);
  EXPECT_TRUE(e.Has(kMsgFieldNotInSchema)) << e.Text();
  EXPECT_NE(e.Text().find("Field isGroup not found in version 0 db.protect"), std::string::npos)
      << e.Text();
  EXPECT_EQ(rec->Changes(), 0);
  EXPECT_EQ(Entry("depot/p"), nullptr);
}

}  // namespace
