// The output pass: the header and trailer notes the program makes and the
// per-table files of -O.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "journal/journal_record.h"
#include "migrate/migrator.h"
#include "support/files/filesys.h"
#include "support/messages/settings.h"
#include "test_util.h"

namespace {

std::unique_ptr<JournalRecord> Record(std::initializer_list<const char*> fields) {
  auto r = std::make_unique<JournalRecord>();
  for (const char* f : fields) r->AddField(StrPtr(f));
  return r;
}

std::string Line(const JournalRecord& r) {
  StrBuf out;
  r.Format(&out);
  return std::string(out.Text(), out.Length());
}

class OutputTest : public ::testing::Test {
 protected:
  OutputTest() : m(nullptr, nullptr, nullptr, nullptr, nullptr, true) {
    ResetRunSettings();
    // The template as the scan leaves it: fields 4 to 8 "0", later ones empty.
    m.headerRecord = Record({"nx", "2", "111", "journal", "0", "0", "0", "0", "0", "", "", "",
                             "", ""});
  }
  ~OutputTest() override { ResetRunSettings(); }

  testutil::TempDir dir;
  Migrator m;
  Error e;
};

TEST_F(OutputTest, HeaderFlagsFollowCaseAndUnicodeSettings) {
  struct {
    bool insensitive, unicode;
    const char* flags;
  } cases[] = {{false, false, "1"}, {true, false, "2"}, {false, true, "9"}, {true, true, "10"}};
  m.serverRoot.Set("/srv/root");
  for (const auto& c : cases) {
    caseInsensitiveOutput = c.insensitive;
    unicodeCheckpoint = c.unicode;
    EXPECT_EQ(Line(*m.MakeHeader()),
              std::string("@nx@ 0 111 @journal@ ") + c.flags +
                  " 0 0 0 0 @/srv/root@ @journal@ @@ @@ @@ \n");
  }
  EXPECT_EQ(Line(*m.headerRecord), "@nx@ 2 111 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n");
}

TEST_F(OutputTest, TrailerKeepsTheTemplatesFields) {
  m.serverRoot.Set("/srv/root");
  caseInsensitiveOutput = true;
  EXPECT_EQ(Line(*m.MakeTrailer()), "@nx@ 1 111 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n");
}

TEST_F(OutputTest, ParallelOutputFilesPerTableWithTheirOwnNotes) {
  m.SetOutputDirectory(StrPtr(dir.File("out/sub").c_str()), &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_FALSE(m.scanOnly);
  auto a = Record({"pv", "1", "db.counters", "change", "42"});
  auto other = Record({"pv", "1", "xx.counters", "change", "42"});
  auto b = Record({"pv", "1", "db.counters", "journal", "3"});
  for (JournalRecord* r : {a.get(), other.get(), b.get()}) {
    m.currentRecord = r;
    m.WriteTableRecord(&e);
  }
  m.EndOutput(&e);
  ASSERT_FALSE(e.Test()) << e.Text();
  // The table files wait under temporary names until the run commits them.
  EXPECT_FALSE(testutil::FileExists(dir.File("out/sub/db.counters.ckp")));
  m.CommitOutputs(&e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(testutil::ListDir(dir.File("out/sub")), std::vector<std::string>{"db.counters.ckp"});
  EXPECT_EQ(testutil::ReadFile(dir.File("out/sub/db.counters.ckp")),
            "@nx@ 0 111 @journal@ 1 0 0 0 0 @@ @journal@ @db.counters@ @@ @@ \n" + Line(*a) +
                Line(*b) + "@nx@ 1 111 @journal@ 0 0 0 0 0 @db.counters@ @@ @@ @@ @@ \n");
  EXPECT_FALSE(testutil::FileExists(dir.File("out/sub/xx.counters.ckp")));
  EXPECT_FALSE(testutil::FileExists(dir.File("out/sub/.ztmigrate")));
}

TEST_F(OutputTest, UncreatableTableFileIsAnErrorAtTheEnd) {
  m.SetOutputDirectory(StrPtr(dir.path().c_str()), &e);
  ASSERT_EQ(mkdir(dir.File("db.rev.ckp").c_str(), 0700), 0);
  auto rec = Record({"pv", "1", "db.rev", "x"});
  m.currentRecord = rec.get();
  testing::internal::CaptureStderr();
  m.WriteTableRecord(&e);
  m.WriteTableRecord(&e);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(e.Test());  // the loss is not hidden, but reported at the end
  m.EndOutput(&e);
  EXPECT_GE(e.GetSeverity(), E_FAILED);
  EXPECT_NE(e.Text().find("2 records"), std::string::npos) << e.Text();
  EXPECT_NE(err.find("could not open " + dir.File("db.rev.ckp") + " for writing\n"),
            std::string::npos);
}

}  // namespace
