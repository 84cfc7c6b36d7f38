// ZtJournalDir: table file naming, read order across groups, tables and
// parts, compressed parts, sizes and skipped counts across files, and the
// entries that are never read: stray names, pipes and subdirectories.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "journal/journal_messages.h"
#include "journal/zt_journal_dir.h"
#include "journal_test_util.h"
#include "test_util.h"

namespace {

using testutil::TempDir;
using testutil::WriteFile;

void WriteGzip(const std::string& path, const std::string& content) {
  gzFile gz = gzopen(path.c_str(), "wb");
  ASSERT_NE(gz, nullptr);
  ASSERT_EQ(gzwrite(gz, content.data(), static_cast<unsigned>(content.size())),
            static_cast<int>(content.size()));
  gzclose(gz);
}

std::string Counter(const std::string& name, int value) {
  return "@pv@ 1 @db.counters@ @" + name + "@ " + std::to_string(value) + " \n";
}

std::string Record(const std::string& table, const std::string& tag) {
  // A record of a table the schema lacks carries no fields.
  return "@pv@ 0 @" + table + "@ \n@mx@ 0 @" + tag + "@ \n";
}

int64_t SizeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

TEST(ZtJournalDirTest, ParsesTableFileNames) {
  TableFile f;
  ASSERT_TRUE(ZtJournalDir::ParseTableFileName("db.rev#0000001a.ckp.gz", &f));
  EXPECT_EQ(f.table.ToString(), "db.rev");
  EXPECT_EQ(f.part, 0x1au);
  EXPECT_TRUE(f.compressed);
  ASSERT_TRUE(ZtJournalDir::ParseTableFileName("db.config%extra.ckp", &f));
  EXPECT_EQ(f.table.ToString(), "db.config%extra");
  EXPECT_EQ(f.group, 0);
  EXPECT_FALSE(f.compressed);
  // Anything else is not a table file: copies, backups, digests, other
  // suffixes, part markers that are not 8 hexadecimal digits.
  for (const char* name : {"db.rev.ckp.md5", "db.rev.ckp.bak", "db.rev.ckp~", "#db.rev.ckp#",
                           "README", "README.ckp", "db.rev", "db.rev.gz", ".ckp", "db..ckp.gz",
                           "db.rev#0001a.ckp", "db.rev#0000001g.ckp", "x.db.rev.ckp"})
    EXPECT_FALSE(ZtJournalDir::ParseTableFileName(name, &f)) << name;
  EXPECT_EQ(ZtJournalDir::TableGroup("db.groupx"), 3);
  EXPECT_EQ(ZtJournalDir::TableGroup("db.Config"), 100);
}

TEST(ZtJournalDirTest, ReadsTablesInOrderAcrossFiles) {
  TempDir dir;
  // Tables "<name>%t" order as <name> and are unknown to the schema, so
  // their rows need no fields; each file holds rows of its own table.
  WriteGzip(dir.File("db.rev%t.ckp.gz"), Record("db.rev%t", "rev0"));
  WriteFile(dir.File("db.rev%t#00000002.ckp"), Record("db.rev%t", "rev2"));
  WriteFile(dir.File("db.rev%t#00000001.ckp"), Record("db.rev%t", "rev1"));
  WriteFile(dir.File("db.config%t.ckp"), Record("db.config%t", "config"));
  WriteFile(dir.File("db.rev.ckp.md5"), "not a journal\n");
  WriteFile(dir.File("db.archive%t.ckp"), Record("db.archive%t", "archive"));
  WriteFile(dir.File("db.domain%t.ckp"), Record("db.domain%t", "domain"));
  WriteFile(dir.File("db.depot%t.ckp"), Record("db.depot%t", "depot"));
  WriteFile(dir.File("db.groupx%t.ckp"), Record("db.groupx%t", "groupx"));
  WriteFile(dir.File("db.group%t.ckp"), Record("db.group%t", "group"));
  WriteFile(dir.File("db.counters.ckp"), Counter("a", 1) + "junk line\n" + Counter("b", 2));
  WriteFile(dir.File("README"), "just text\n" + Record("db.readme", "readme"));
  WriteFile(dir.File("db.rev.ckp.bak"), Record("db.rev0", "rev0 again"));

  ZtJournalDir reader(dir.path().c_str());
  EXPECT_EQ(reader.Name().ToString(), dir.path());
  std::vector<std::string> tags;
  Error e;
  {
    ReportCapture capture;
    while (std::unique_ptr<JournalRecord> r = reader.GetRecord(&e))
      if (r->Get(0)->ToString() == "mx") tags.push_back(r->Get(2)->ToString());
      else if (r->Get(2)->ToString() == "db.counters") tags.push_back(r->Get(3)->ToString());
    EXPECT_EQ(capture.reports.size(), 1u);  // "junk line"
  }
  EXPECT_FALSE(e.Test());
  EXPECT_EQ(tags, (std::vector<std::string>{"config", "a", "b", "group", "groupx", "depot",
                                            "domain", "archive", "rev0", "rev1", "rev2"}));
  EXPECT_EQ(reader.SkippedCount(), 1);
  int64_t total = 0;
  for (const char* name : {"db.rev%t.ckp.gz", "db.rev%t#00000002.ckp", "db.rev%t#00000001.ckp",
                           "db.config%t.ckp", "db.archive%t.ckp", "db.domain%t.ckp", "db.depot%t.ckp",
                           "db.groupx%t.ckp", "db.group%t.ckp", "db.counters.ckp"})
    total += SizeOf(dir.File(name));
  EXPECT_EQ(reader.Size(), total);
  EXPECT_EQ(reader.FileCount(), 10);
}

TEST(ZtJournalDirTest, ARowOfAnotherTableStopsTheReadNamingFileAndLine) {
  TempDir dir;
  // A row spelt in another case is its table's; markers carry no table.
  WriteFile(dir.File("db.custom.ckp"), "@pv@ 0 @DB.CUSTOM@ \n" + Record("db.custom", "tag"));
  WriteFile(dir.File("db.link.ckp"), Counter("a", 1) + Record("db.link", "after"));
  ZtJournalDir reader(dir.path().c_str());
  Error e;
  int n = 0;
  while (reader.GetRecord(&e)) ++n;
  EXPECT_EQ(n, 3);  // db.custom whole; db.link's first row is a counter
  EXPECT_TRUE(e.Has(kMsgRowOfOtherTable));
  EXPECT_NE(e.Text().find(dir.File("db.link.ckp") + " line 1 holds a row of table db.counters"),
            std::string::npos) << e.Text();

  TempDir ok;
  WriteFile(ok.File("db.custom.ckp"), "@pv@ 0 @DB.CUSTOM@ \n" + Record("db.custom", "tag"));
  ZtJournalDir own(ok.path().c_str());
  Error none;
  n = 0;
  while (own.GetRecord(&none)) ++n;
  EXPECT_FALSE(none.Test()) << none.Text();
  EXPECT_EQ(n, 3);
}

TEST(ZtJournalDirTest, StrayEntriesAreReportedOnceAndNeverRead) {
  TempDir dir;
  WriteFile(dir.File("db.counters.ckp"), Counter("a", 1));
  WriteFile(dir.File("db.counters.ckp.md5"), "digest\n");
  WriteFile(dir.File("db.counters.ckp.bak"), Counter("a", 1));
  WriteFile(dir.File("notes.txt"), Counter("b", 2));
  ASSERT_EQ(mkfifo(dir.File("db.rev.ckp").c_str(), 0600), 0);  // would block a reader for good
  ASSERT_EQ(mkdir(dir.File("db.have.ckp").c_str(), 0700), 0);
  TempDir outside;  // a link to a table file kept elsewhere is read as it
  WriteFile(outside.File("domain"), "@pv@ 0 @db.domain%t@ \n");
  ASSERT_EQ(symlink(outside.File("domain").c_str(), dir.File("db.domain%t.ckp").c_str()), 0);

  ReportCapture capture;
  ZtJournalDir reader(dir.path().c_str());
  std::vector<std::string> reports = capture.reports;
  std::sort(reports.begin(), reports.end());
  EXPECT_EQ(reports, (std::vector<std::string>{
                         dir.File("db.counters.ckp.bak") + " is not a table file of the parallel "
                                                           "checkpoint; it is not read",
                         dir.File("db.have.ckp") + " is not a regular file; it is not read",
                         dir.File("db.rev.ckp") + " is not a regular file; it is not read",
                         dir.File("notes.txt") + " is not a table file of the parallel "
                                                 "checkpoint; it is not read"}));
  Error e;
  int n = 0;
  while (reader.GetRecord(&e)) ++n;
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(n, 2);  // the table and the link to it
  EXPECT_EQ(capture.reports.size(), 4u);  // nothing more at reading
}

TEST(ZtJournalDirTest, ATableFileCutShortNamesItself) {
  TempDir dir;
  const std::string header = "@nx@ 0 1 @ckp@ 1 0 0 0 0 @r@ @journal@ @db.counters@ @@ @@ \n";
  const std::string trailer = "@nx@ 1 1 @ckp@ 0 0 0 0 0 @db.counters@ @@ @@ @@ @@ \n";
  WriteFile(dir.File("db.config.ckp"), header + trailer);
  WriteFile(dir.File("db.counters.ckp"), header + Counter("a", 1));
  WriteFile(dir.File("db.rev.ckp"), header + trailer);
  ZtJournalDir reader(dir.path().c_str());
  Error e;
  int n = 0;
  while (reader.GetRecord(&e)) ++n;
  EXPECT_EQ(n, 4);  // db.rev is never reached
  EXPECT_EQ(e.Text(), dir.File("db.counters.ckp") +
                          " is truncated: it opens with a checkpoint header note but ends at line "
                          "3 without the trailer note");

  // An empty table file holds no records, which is no table at all.
  WriteFile(dir.File("db.counters.ckp"), "");
  ZtJournalDir again(dir.path().c_str());
  Error empty;
  while (again.GetRecord(&empty)) {
  }
  EXPECT_EQ(empty.Text(), "no records in " + dir.File("db.counters.ckp"));
}

TEST(ZtJournalDirTest, AFailingFileStopsTheDirectory) {
  TempDir dir;
  WriteFile(dir.File("db.config.ckp"), "@pv@ 1 @db.config@ @s@ @n@ @v@x\n");
  WriteFile(dir.File("db.counters.ckp"), Counter("a", 1));
  ZtJournalDir reader(dir.path().c_str());
  Error e;
  EXPECT_EQ(reader.GetRecord(&e), nullptr);
  EXPECT_EQ(e.Text(), "Parse error at line 1");
}

TEST(ZtJournalDirTest, UnlistedOrEmptyDirectoryIsAnError) {
  TempDir dir;
  ZtJournalDir reader(dir.File("nosuch").c_str());
  Error e;
  EXPECT_EQ(reader.GetRecord(&e), nullptr);
  EXPECT_EQ(e.Text(), "the parallel checkpoint directory " + dir.File("nosuch") +
                          " cannot be read\nlist directory: " + dir.File("nosuch") +
                          ": No such file or directory");
  EXPECT_EQ(reader.Size(), 0);
  EXPECT_EQ(reader.SkippedCount(), 0);

  WriteFile(dir.File("README"), Counter("a", 1));
  ZtJournalDir empty(dir.path().c_str());
  Error none;
  EXPECT_EQ(empty.GetRecord(&none), nullptr);
  EXPECT_EQ(none.Text(), "no records in " + dir.path());
}

}  // namespace
