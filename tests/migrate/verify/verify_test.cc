// The comparison core of a verification: one row against another, tables
// of rows against the original's (file or directory, any table order), and
// the archive lookup under a root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "journal/journal_record.h"
#include "journal/zt_journal.h"
#include "migrate/verify/archive_check.h"
#include "migrate/verify/differences.h"
#include "migrate/verify/original_tables.h"
#include "migrate/verify/row_compare.h"
#include "migrate/verify/table_compare.h"
#include "support/files/filesys.h"
#include "support/text/fold.h"
#include "test_util.h"

namespace {

// One record from fields.
std::unique_ptr<JournalRecord> Rec(const std::vector<std::string>& fields) {
  auto r = std::make_unique<JournalRecord>();
  for (const std::string& f : fields) r->AddField(StrPtr(f.c_str()));
  return r;
}

// A db.rev version 9 row.
std::vector<std::string> Rev(const std::string& depotFile, const std::string& digest,
                             const std::string& rev = "1") {
  return {"pv", "9", "db.rev", depotFile, rev, "0", "0", "1", "1700000000", "1700000000",
          digest, "12", "0", "0", depotFile, "1." + rev, "0"};
}

std::string Line(const std::vector<std::string>& fields) {
  std::string s;
  for (const std::string& f : fields) s += "@" + f + "@ ";
  return s + "\n";
}

const char kDigest[] = "0123456789ABCDEF0123456789ABCDEF";

class RowCompareTest : public ::testing::Test {
 protected:
  FoldRules fold{FoldMode::kSevenBit};
  RowComparer cmp{&fold};
};

TEST_F(RowCompareTest, PathsMayDifferInCaseOnlyAndOtherFieldsNotAtAll) {
  auto a = Rec(Rev("//depot/Main/a.c", kDigest));
  int respelt = -1;
  EXPECT_EQ(cmp.Compare(*a, *Rec(Rev("//depot/Main/a.c", kDigest)), 0, &respelt), -1);
  EXPECT_EQ(respelt, 0);
  // depotFile and lbrFile in another case: the same row, two fields re-spelt.
  EXPECT_EQ(cmp.Compare(*a, *Rec(Rev("//depot/main/A.c", kDigest)), 0, &respelt), -1);
  EXPECT_EQ(respelt, 2);
  // A path changed beyond case is a difference at depotFile.
  EXPECT_EQ(cmp.Compare(*a, *Rec(Rev("//depot/main/b.c", kDigest))), 3);
  // The digest is no path: its case must stay.
  std::string lower = kDigest;
  for (char& c : lower) c = static_cast<char>(tolower(c));
  EXPECT_EQ(cmp.Compare(*a, *Rec(Rev("//depot/Main/a.c", lower))), 10);
  StrBuf name;
  RowComparer::FieldName(*a, 10, &name);
  EXPECT_STREQ(name.Text(), "digest");
  // Another version, and a field less.
  auto v = Rev("//depot/Main/a.c", kDigest);
  v[1] = "8";
  EXPECT_EQ(cmp.Compare(*a, *Rec(v)), 1);
  auto shorter = Rev("//depot/Main/a.c", kDigest);
  shorter.pop_back();
  EXPECT_EQ(cmp.Compare(*a, *Rec(shorter)), 16);
}

TEST_F(RowCompareTest, FoldsInTheRunsFoldMode) {
  auto a = Rec(Rev("//depot/\xC3\x84.c", kDigest));  // U+00C4
  auto b = Rec(Rev("//depot/\xC3\xA4.c", kDigest));  // U+00E4
  // 7-bit folding knows only A-Z: another letter, not another case.
  EXPECT_EQ(cmp.Compare(*a, *b), 3);
  fold.mode = FoldMode::kUtf8;
  EXPECT_EQ(cmp.Compare(*a, *b), -1);
}

TEST_F(RowCompareTest, NamesFoldAndStreamViewsMayLoseTheirPrefix) {
  auto have = Rec({"pv", "3", "db.have", "//WS-Alice/a.c", "//depot/A.c", "1", "0", "0"});
  EXPECT_EQ(cmp.Compare(*have, *Rec({"pv", "3", "db.have", "//ws-alice/a.c", "//depot/a.c", "1",
                                     "0", "0"})),
            -1);
  // The client's path beyond its first component is a path as well; a name
  // spelt with other letters is not the same name.
  EXPECT_EQ(cmp.Compare(*have, *Rec({"pv", "3", "db.have", "//ws-bob/a.c", "//depot/A.c", "1",
                                     "0", "0"})),
            3);
  std::vector<std::string> view = {"pv", "0", "db.streamviewx", "//s/a", "a", "0",
                                   "abc//Depot/s1", "1", "0", "p"};
  std::vector<std::string> trimmed = view;
  trimmed[6] = "//depot/s1";
  EXPECT_EQ(cmp.Compare(*Rec(view), *Rec(trimmed)), -1);
  trimmed[6] = "//depot/s2";
  EXPECT_EQ(cmp.Compare(*Rec(view), *Rec(trimmed)), 6);
  EXPECT_TRUE(cmp.Roles(*Rec(Rev("//a", kDigest))).namesArchive);
  EXPECT_FALSE(cmp.Roles(*have).namesArchive);
}

// Compares the rows of an edited checkpoint file with an original (file or
// directory) and keeps what the log counted.
struct Outcome {
  int64_t counts[static_cast<int>(DiffKind::kCount)] = {};
  int passes = 0;
  int64_t respelt = 0;
  int64_t Of(DiffKind k) const { return counts[static_cast<int>(k)]; }
  int64_t Total() const {
    int64_t n = 0;
    for (int64_t c : counts) n += c;
    return n;
  }
};

Outcome Compare(const std::string& original, const std::string& edited) {
  Outcome out;
  Error e;
  std::unique_ptr<OriginalTables> tables = OriginalTables::Open(StrPtr(original.c_str()), 2, &e);
  EXPECT_TRUE(tables) << e.Text();
  if (!tables) return out;
  DifferenceLog log(StrPtr("orig"), StrPtr("edit"));
  const FoldRules fold{FoldMode::kSevenBit};
  RowComparer comparer(&fold);
  TableComparison cmp(tables.get(), &comparer, &log, false);
  std::unique_ptr<FileSys> file = OriginalTables::CheckpointFile(StrPtr(edited.c_str()));
  ZtJournal reader(file.get());
  JournalRecord rec;
  while (reader.ReadRecord(&rec, &e)) {
    if (!OriginalTables::IsNote(rec)) cmp.Edited(rec, &e);
  }
  cmp.Finish(&e);
  EXPECT_FALSE(e.Test()) << e.Text();
  for (int k = 0; k < static_cast<int>(DiffKind::kCount); ++k)
    out.counts[k] = log.Count(static_cast<DiffKind>(k));
  out.passes = tables->Passes();
  out.respelt = cmp.respeltFields;
  return out;
}

std::string Revs(const std::vector<int>& order, const char* dir = "Main") {
  std::string s;
  for (int i : order)
    s += Line(Rev(std::string("//depot/") + dir + "/f" + std::to_string(i) + ".c", kDigest));
  return s;
}

TEST(TableComparisonTest, NamesEachKindOfFault) {
  testutil::TempDir dir;
  const std::string orig = dir.File("orig.ckp");
  const std::string counters = Line({"pv", "1", "db.counters", "change", "4"});
  testutil::WriteFile(orig, counters + Revs({1, 2, 3, 4, 5, 6}));
  auto run = [&](const std::string& edited) {
    testutil::WriteFile(dir.File("edit.ckp"), edited);
    return Compare(orig, dir.File("edit.ckp"));
  };

  Outcome same = run(counters + Revs({1, 2, 3, 4, 5, 6}, "main"));
  EXPECT_EQ(same.Total(), 0);
  EXPECT_EQ(same.respelt, 12);
  EXPECT_EQ(same.passes, 1);

  Outcome lost = run(counters + Revs({1, 2, 4, 5, 6}));
  EXPECT_EQ(lost.Of(DiffKind::kRowMissing), 1);
  EXPECT_EQ(lost.Total(), 1);

  Outcome twice = run(counters + Revs({1, 2, 3, 3, 4, 5, 6}));
  EXPECT_EQ(twice.Of(DiffKind::kRowDuplicated), 1);
  EXPECT_EQ(twice.Total(), 1);

  Outcome swapped = run(counters + Revs({1, 3, 2, 4, 5, 6}));
  EXPECT_EQ(swapped.Of(DiffKind::kRowMoved), 1);
  EXPECT_EQ(swapped.Total(), 1);

  Outcome extra = run(counters + Revs({1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(extra.Of(DiffKind::kRowExtra), 1);
  EXPECT_EQ(extra.Total(), 1);

  std::string changed = counters + Revs({1, 2});
  auto row = Rev("//depot/Main/f3.c", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF");
  row[4] = "2";  // depotRev as well: two fields of one row
  changed += Line(row) + Revs({4, 5, 6});
  Outcome fields = run(changed);
  EXPECT_EQ(fields.Of(DiffKind::kFieldChanged), 2);
  EXPECT_EQ(fields.Total(), 2);

  Outcome renamed = run(counters + Revs({1, 2, 3, 4, 5, 6}, "Other"));
  EXPECT_EQ(renamed.Of(DiffKind::kSpellingChanged), 12);

  // A whole table gone.
  Outcome noCounters = run(Revs({1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(noCounters.Of(DiffKind::kRowMissing), 1);
  EXPECT_EQ(noCounters.Total(), 1);
}

TEST(TableComparisonTest, TablesInAnotherOrderAreComparedTableByTable) {
  testutil::TempDir dir;
  const std::string a = Line({"pv", "1", "db.counters", "change", "4"});
  const std::string b = Line({"pv", "1", "db.config", "any", "security", "2"});
  testutil::WriteFile(dir.File("orig.ckp"), b + Revs({1, 2, 3}) + a);
  // The edited file holds the tables in another order: the original file
  // is read in more than one pass, and nothing differs.
  testutil::WriteFile(dir.File("edit.ckp"), a + b + Revs({1, 2, 3}, "main"));
  Outcome o = Compare(dir.File("orig.ckp"), dir.File("edit.ckp"));
  EXPECT_EQ(o.Total(), 0);
  EXPECT_GT(o.passes, 1);

  // A parallel original: each table from its own file, whatever the order.
  ASSERT_EQ(mkdir(dir.File("par").c_str(), 0755), 0);
  testutil::WriteFile(dir.File("par/db.counters.ckp"), a);
  testutil::WriteFile(dir.File("par/db.rev.ckp"), Revs({1, 2, 3}));
  testutil::WriteFile(dir.File("par/db.config.ckp"), b);
  EXPECT_EQ(Compare(dir.File("par"), dir.File("edit.ckp")).Total(), 0);
  // Without its db.rev file every revision of the edited one is extra.
  ASSERT_EQ(unlink(dir.File("par/db.rev.ckp").c_str()), 0);
  Outcome missing = Compare(dir.File("par"), dir.File("edit.ckp"));
  EXPECT_EQ(missing.Of(DiffKind::kRowExtra), 3);
  EXPECT_EQ(missing.Total(), 3);
}

TEST(ArchiveCheckTest, FindsOnlyTheExactNameInsideTheRoot) {
  testutil::TempDir dir;
  const std::string root = dir.File("root");
  ASSERT_EQ(mkdir(root.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((root + "/depot").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((root + "/depot/A.c,d").c_str(), 0755), 0);
  testutil::WriteFile(root + "/depot/b.c,v", "x");
  testutil::WriteFile(root + "/depot/A.c,d/1.1", "x");
  testutil::WriteFile(dir.File("outside,v"), "x");
  ASSERT_EQ(symlink(dir.path().c_str(), (root + "/link").c_str()), 0);
  ASSERT_EQ(symlink((root + "/depot/b.c,v").c_str(), (root + "/depot/l.c,v").c_str()), 0);

  ArchiveCheck check;
  Error e;
  ASSERT_TRUE(check.Open(StrPtr(root.c_str()), &e));
  EXPECT_EQ(check.Lookup("depot/b.c,v"), nullptr);
  EXPECT_EQ(check.Lookup("depot/A.c,d/1.1"), nullptr);
  EXPECT_EQ(check.Lookup("./depot//b.c,v"), nullptr);
  EXPECT_STREQ(check.Lookup("depot/B.c,v"), "not found");
  EXPECT_STREQ(check.Lookup("Depot/b.c,v"), "not found");
  EXPECT_STREQ(check.Lookup("depot/a.c,d/1.1"), "not found");
  EXPECT_STREQ(check.Lookup("link/outside,v"), "a symbolic link on the way");
  EXPECT_STREQ(check.Lookup("depot/l.c,v"), "a symbolic link on the way");
  EXPECT_STREQ(check.Lookup("depot/../../outside,v"), "outside the archive root");
  EXPECT_STREQ(check.Lookup("depot/A.c,d"), "not a regular file");
  Error missingRoot;
  ArchiveCheck none;
  EXPECT_FALSE(none.Open(StrPtr(dir.File("nothere").c_str()), &missingRoot));
  EXPECT_TRUE(missingRoot.Test());
}

TEST(DifferenceLogTest, ShowsTheFirstOfEachKindAndReportsEveryOne) {
  testutil::TempDir dir;
  std::unique_ptr<FileSys> file = FileSys::Create(kFileText);
  file->SetPath(StrPtr(dir.File("r.csv").c_str()));
  DifferenceLog log(StrPtr("a"), StrPtr("b"));
  Error e;
  log.SetReport(file.get(), ReportFormat::kCsv, &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  for (int i = 1; i <= DifferenceLog::kShown + 5; ++i) {
    Difference d(DiffKind::kFieldChanged, StrPtr("db.rev"), i, i);
    d.field = StrPtr("digest");
    d.original = StrPtr("x,\"y\"");
    d.edited = StrPtr("z");
    log.Add(d);
  }
  log.Add(Difference(DiffKind::kRowMissing, StrPtr("db.have"), 3));
  log.FinishReport(&e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(log.Count(DiffKind::kFieldChanged), DifferenceLog::kShown + 5);
  EXPECT_EQ(log.Total(), DifferenceLog::kShown + 6);
  std::string csv = testutil::ReadFile(dir.File("r.csv"));
  // A header line and one line per difference, none left out; a value with
  // a comma and quotes is quoted.
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), DifferenceLog::kShown + 7);
  EXPECT_NE(csv.find("field-changed,db.rev,25,25,digest,\"x,\"\"y\"\"\",z\n"), std::string::npos);
  EXPECT_NE(csv.find("row-missing,db.have,3,,,,\n"), std::string::npos);
}

}  // namespace
