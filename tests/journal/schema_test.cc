// The schema against a second, independent transcription of the table
// listing: for every table, the number of fields of each version in turn.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "journal/schema.h"

namespace {

const char kExpectedCounts[] =
      "db.archive 5 5 5\n"
      "db.archmap 2\n"
      "db.boddate 3 3\n"
      "db.bodresolve 8 10 10\n"
      "db.bodresolvex 11 11\n"
      "db.bodtext 3 4\n"
      "db.bodtextcx 5 5\n"
      "db.bodtexthx 5\n"
      "db.bodtextsx 6 8 8\n"
      "db.bodtextwx 6 8 8\n"
      "db.change 7 8 8 10 11 12 13 13\n"
      "db.changex 7 8 8 10 11 12 13 13\n"
      "db.changeidx 2 2 2\n"
      "db.config 0 3\n"
      "db.configh 8 9\n"
      "db.counters 2 2\n"
      "db.nameval 2 2\n"
      "db.depot 4 4 5\n"
      "db.desc 2 2\n"
      "db.domain 8 9 10 12 11 12 14 14 14\n"
      "db.excl 0 3\n"
      "db.exclg 6\n"
      "db.exclgx 6\n"
      "db.fix 6 6 6\n"
      "db.fixrev 6 6 6\n"
      "db.graphindex 6 9 9\n"
      "db.graphperm 6\n"
      "db.group 2 3 4 5 6 7 7 7 8 9 10 11\n"
      "db.groupx 4 5 6\n"
      "db.have 3 4 4 5 5\n"
      "db.have.pt 3 4 4 5 5\n"
      "db.have.rp 3 4 4 5 5\n"
      "db.haveg 9\n"
      "db.haveview 5 5 6\n"
      "db.repoview 5 5 6\n"
      "db.streamview 5 5 6\n"
      "db.view 5 5 6\n"
      "db.view.rp 5 5 6\n"
      "db.integ 9 9\n"
      "db.integed 8 8\n"
      "db.integtx 8 8\n"
      "db.integedss 8 11 11 11\n"
      "db.ixdate 3 3\n"
      "db.ixtext 3\n"
      "db.uxtext 3\n"
      "db.ixtexthx 4\n"
      "db.jnlack 9 11 11\n"
      "db.job 5 5\n"
      "db.jobpend 5 5\n"
      "db.jobdesc 2\n"
      "db.label 3 3\n"
      "db.ldap 19\n"
      "db.locks 4 5 6 6\n"
      "db.locksg 4 5 6 6\n"
      "db.logger 3\n"
      "db.message 3\n"
      "db.monitor 6 9 10 10 12\n"
      "db.object 4 5\n"
      "db.property 7 7\n"
      "db.protect 6 7 7 7 7 9 9\n"
      "db.pubkey 5 5\n"
      "db.ref 5\n"
      "db.refcntadjust 4\n"
      "db.refhist 8 8\n"
      "db.remote 9 10 10\n"
      "db.repo 7 8 10 11 15 15\n"
      "db.resolve 10 10 10\n"
      "db.resolvex 10 10 10\n"
      "db.resolveg 6\n"
      "db.rev 10 11 10 11 12 13 13 14 14 14 14\n"
      "db.revbx 10 11 10 11 12 13 13 14 14 14 14\n"
      "db.revdx 10 11 10 11 12 13 13 14 14 14 14\n"
      "db.revhx 10 11 10 11 12 13 13 14 14 14 14\n"
      "db.revpx 10 11 10 11 12 13 13 14 14 14 14\n"
      "db.revsh 10 11 10 11 12 13 13 14 14 14 14\n"
      "db.revstg 10 11 10 11 12 13 13 14 14 14 14\n"
      "db.revsx 10 11 10 11 12 13 13 14 14 14 14\n"
      "db.revtr 10 11 10 11 12 13 13 14 14 14 14\n"
      "db.revtx 10 11 10 11 12 13 13 14 14 14 14\n"
      "db.revux 10 11 10 11 12 13 13 14 14 14 14\n"
      "db.revcx 4 4\n"
      "db.revfs 4 4\n"
      "db.review 5 5\n"
      "db.rmtview 5 6\n"
      "db.scanctl 10 16\n"
      "db.scandir 3\n"
      "db.sendq 14 14 18 19 21 21 24\n"
      "db.sendq.pt 14 14 18 19 21 21\n"
      "db.server 6 7 8 11\n"
      "db.stash 5 5\n"
      "db.storage 9 9 9\n"
      "db.storagesh 9 9 9\n"
      "db.storageg 5 5\n"
      "db.storagesx 5\n"
      "db.stream 5 11 12 12\n"
      "db.streamq 1\n"
      "db.streamrelation 4\n"
      "db.streamviewx 7 8 9\n"
      "db.submodule 3\n"
      "db.svrview 5\n"
      "db.template 8 9 9 9\n"
      "db.templatesx 10 11 13 13\n"
      "db.templatewx 10 11 13 13\n"
      "db.ticket 6 6\n"
      "db.ticket.rp 6 6\n"
      "db.topology 7 8 12 12 13\n"
      "db.traits 5 5\n"
      "db.trigger 5 6 6 7\n"
      "db.upgrades 6 6\n"
      "db.upgrades.rp 6 6\n"
      "db.user 6 0 7 10 12 13 14 15 15\n"
      "db.user.rp 6 0 7 10 12 13 14 15 15\n"
      "db.working 11 11 12 13 14 15 15 16 17 18 19 19\n"
      "db.workingx 11 11 12 13 14 15 15 16 17 18 19 19\n"
      "db.workingg 21 21\n"
    ;

TEST(SchemaTest, EveryTableAndVersionHasTheListedFieldCount) {
  std::istringstream in(kExpectedCounts);
  std::string line;
  std::set<std::string> listed;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string table;
    words >> table;
    listed.insert(table);
    const SchemaTable* entry = FindSchemaTable(table.c_str());
    ASSERT_NE(entry, nullptr) << table;
    int version = 0;
    int count;
    while (words >> count) {
      EXPECT_EQ(FieldCount(table.c_str(), version), count) << table << " version " << version;
      EXPECT_EQ(CheckVersion(table.c_str(), version), 1) << table << " version " << version;
      ++version;
    }
    EXPECT_EQ(entry->versionCount, version) << table;
    EXPECT_EQ(CheckVersion(table.c_str(), version), -2) << table;
    EXPECT_EQ(FieldCount(table.c_str(), version), 0) << table;
  }
  // The built-in table holds exactly the listed tables, each once.
  int n = 0;
  for (const SchemaTable* t = kSchemaTables; t->name; ++t, ++n)
    EXPECT_TRUE(listed.count(t->name)) << t->name;
  EXPECT_EQ(n, static_cast<int>(listed.size()));
  EXPECT_EQ(n, 115);
}

TEST(SchemaTest, FieldLookupsIgnoreCaseAndReportEachFailure) {
  EXPECT_EQ(FieldIndex("db.rev", 9, "depotFile"), 0);
  EXPECT_EQ(FieldIndex("db.have", 3, "depotFile"), 1);
  EXPECT_EQ(FieldIndex("db.counters", 0, "VALUE"), 1);
  EXPECT_EQ(FieldIndex("DB.REV", 9, "LBRTYPE"), 13);
  EXPECT_EQ(FieldIndex("db.rev", 9, "nosuch"), -3);
  EXPECT_EQ(FieldIndex("db.rev", 11, "depotFile"), -2);
  EXPECT_EQ(FieldIndex("db.rev", -1, "depotFile"), -2);
  EXPECT_EQ(FieldIndex("db.nosuch", 0, "depotFile"), -1);
  EXPECT_EQ(FieldCount("db.config", 0), 0);
  EXPECT_EQ(FieldCount("db.config", 1), 3);
  EXPECT_EQ(CheckVersion("db.rev", 11), -2);
  EXPECT_EQ(CheckVersion("db.nosuch", 0), 0);
  // A prefix or an extension of a table name is a different table.
  EXPECT_EQ(CheckVersion("db.re", 0), 0);
  EXPECT_EQ(CheckVersion("db.revx", 0), 0);
  // Lower-case spellings kept in the schema are found in either case.
  EXPECT_EQ(FieldIndex("db.resolve", 0, "fromFile"), 1);
  EXPECT_EQ(FieldIndex("db.integedss", 2, "ENDFROMCHANGE"), 3);
  // Names that share one listing are distinct entries with the same fields.
  EXPECT_EQ(FieldIndex("db.revsh", 10, "lbrIsLazy"), 10);
  EXPECT_EQ(FieldCount("db.view.rp", 2), 6);
}

TEST(SchemaTest, FieldNamesAreSpelledAsListed) {
  const SchemaTable* rev = FindSchemaTable("db.rev");
  ASSERT_NE(rev, nullptr);
  const char* const expected[] = {"depotFile", "depotRev", "type",    "action",    "change",
                                  "date",      "modTime",  "digest",  "size",      "traitLot",
                                  "lbrIsLazy", "lbrFile",  "lbrRev",  "lbrType",   nullptr};
  for (int i = 0; expected[i]; ++i) EXPECT_STREQ(rev->versions[10][i], expected[i]);
  EXPECT_EQ(rev->versions[10][14], nullptr);
  EXPECT_STREQ(FindSchemaTable("db.resolvex")->versions[0][1], "fromfile");
  EXPECT_STREQ(FindSchemaTable("db.integedss")->versions[3][6], "starttoChange");
  EXPECT_STREQ(FindSchemaTable("db.sendq")->versions[6][23], "olbrtype");
}

}  // namespace
