// ZtJournalDir: table file naming, read order across groups, tables and
// parts, compressed parts, sizes and skipped counts across files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <string>
#include <vector>

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
  EXPECT_FALSE(ZtJournalDir::ParseTableFileName("db.rev.ckp.md5", &f));
  ASSERT_TRUE(ZtJournalDir::ParseTableFileName("db.rev#0000001a.ckp.gz", &f));
  EXPECT_EQ(f.table.ToString(), "db.rev");
  EXPECT_EQ(f.part, 0x1au);
  EXPECT_TRUE(f.compressed);
  ASSERT_TRUE(ZtJournalDir::ParseTableFileName("db.rev#0001a.ckp", &f));
  EXPECT_EQ(f.table.ToString(), "db.rev#0001a");
  EXPECT_EQ(f.part, 0u);
  EXPECT_FALSE(f.compressed);
  ASSERT_TRUE(ZtJournalDir::ParseTableFileName("db.rev#0000001g.ckp", &f));
  EXPECT_EQ(f.table.ToString(), "db.rev#0000001g");
  ASSERT_TRUE(ZtJournalDir::ParseTableFileName(".gz", &f));  // too short to be cut
  EXPECT_EQ(f.table.ToString(), ".gz");
  ASSERT_TRUE(ZtJournalDir::ParseTableFileName("db.config%extra.gz", &f));
  EXPECT_EQ(f.table.ToString(), "db.config%extra");
  EXPECT_EQ(f.group, 0);
  EXPECT_EQ(ZtJournalDir::TableGroup("db.groupx"), 3);
  EXPECT_EQ(ZtJournalDir::TableGroup("db.Config"), 100);
}

TEST(ZtJournalDirTest, ReadsTablesInOrderAcrossFiles) {
  TempDir dir;
  WriteGzip(dir.File("db.rev.ckp.gz"), Record("db.rev0", "rev0"));
  WriteFile(dir.File("db.rev#00000002.ckp"), Record("db.rev2", "rev2"));
  WriteFile(dir.File("db.rev#00000001.ckp"), Record("db.rev1", "rev1"));
  WriteFile(dir.File("db.config.ckp"), Record("db.config0", "config"));
  WriteFile(dir.File("db.rev.ckp.md5"), "not a journal\n");
  WriteFile(dir.File("db.archive.ckp"), Record("db.arch", "archive"));
  WriteFile(dir.File("db.domain.ckp"), Record("db.dom", "domain"));
  WriteFile(dir.File("db.depot.ckp"), Record("db.dep", "depot"));
  WriteFile(dir.File("db.groupx.ckp"), Record("db.gx", "groupx"));
  WriteFile(dir.File("db.group.ckp"), Record("db.g", "group"));
  WriteFile(dir.File("db.counters.ckp"), Counter("a", 1) + "junk line\n" + Counter("b", 2));
  WriteFile(dir.File("README"), "just text\n" + Record("db.readme", "readme"));

  ZtJournalDir reader(dir.path().c_str());
  EXPECT_EQ(reader.Name().ToString(), dir.path());
  std::vector<std::string> tags;
  Error e;
  {
    ReportCapture capture;
    while (std::unique_ptr<JournalRecord> r = reader.GetRecord(&e))
      if (r->Get(0)->ToString() == "mx") tags.push_back(r->Get(2)->ToString());
      else if (r->Get(2)->ToString() == "db.counters") tags.push_back(r->Get(3)->ToString());
    EXPECT_EQ(capture.reports.size(), 2u);
  }
  EXPECT_FALSE(e.Test());
  EXPECT_EQ(tags, (std::vector<std::string>{"config", "a", "b", "group", "groupx", "depot",
                                            "domain", "readme", "archive", "rev0", "rev1",
                                            "rev2"}));
  EXPECT_EQ(reader.SkippedCount(), 2);  // "junk line" and "just text"
  int64_t total = 0;
  for (const char* name : {"db.rev.ckp.gz", "db.rev#00000002.ckp", "db.rev#00000001.ckp",
                           "db.config.ckp", "db.archive.ckp", "db.domain.ckp", "db.depot.ckp",
                           "db.groupx.ckp", "db.group.ckp", "db.counters.ckp", "README"})
    total += SizeOf(dir.File(name));
  EXPECT_EQ(reader.Size(), total);
  EXPECT_EQ(reader.FileCount(), 11);
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

TEST(ZtJournalDirTest, MissingDirectoryReadsAsEmpty) {
  TempDir dir;
  ZtJournalDir reader(dir.File("nosuch").c_str());
  Error e;
  EXPECT_EQ(reader.GetRecord(&e), nullptr);
  EXPECT_FALSE(e.Test());
  EXPECT_EQ(reader.Size(), 0);
  EXPECT_EQ(reader.SkippedCount(), 0);
}

}  // namespace
