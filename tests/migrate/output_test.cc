// The output pass: the header and trailer notes the program makes and the
// three record writers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "journal/journal_record.h"
#include "migrate/migrator.h"
#include "migrate/output_notes.h"
#include "migrate/record_sink.h"
#include "support/files/filesys.h"
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

const char kHeader[] = "@nx@ 0 111 @journal@ 1 0 0 0 0 @/srv/root@ @journal@ @@ @@ @@ \n";
const char kTrailer[] = "@nx@ 1 111 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n";

class OutputTest : public ::testing::Test {
 protected:
  OutputTest() : root("/srv/root"), notes(&root, &unicode, false) {
    // The first note of an input; the template zeroes its fields 4 to 8 and
    // empties the later ones.
    auto first = Record({"nx", "2", "111", "journal", "7", "7", "7", "7", "7", "r", "j", "t",
                         "x", "y"});
    notes.SetTemplate(*first, &e);
  }

  std::unique_ptr<FileSys> Output(const std::string& name) {
    std::unique_ptr<FileSys> f = FileSys::Create(kFileText);
    f->SetPath(StrPtr(dir.File(name).c_str()));
    f->SetAtomicReplace();
    f->Open(kOpenWrite, &e);
    return f;
  }

  testutil::TempDir dir;
  StrBuf root;
  bool unicode = false;
  OutputNotes notes;
  Error e;
};

TEST_F(OutputTest, HeaderFlagsFollowCaseAndUnicodeSettings) {
  struct {
    bool insensitive, unicode;
    const char* flags;
  } cases[] = {{false, false, "1"}, {true, false, "2"}, {false, true, "9"}, {true, true, "10"}};
  for (const auto& c : cases) {
    OutputNotes n(&root, &unicode, c.insensitive);
    n.SetTemplate(*notes.Template(), &e);
    unicode = c.unicode;
    EXPECT_EQ(Line(*n.Header()), std::string("@nx@ 0 111 @journal@ ") + c.flags +
                                     " 0 0 0 0 @/srv/root@ @journal@ @@ @@ @@ \n");
  }
  EXPECT_EQ(Line(*notes.Template()), "@nx@ 2 111 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n");
  // The archive root is read when the header is made, not when set up.
  root.Set("/later");
  unicode = false;
  EXPECT_EQ(Line(*notes.Header()), "@nx@ 0 111 @journal@ 1 0 0 0 0 @/later@ @journal@ @@ @@ @@ \n");
  EXPECT_EQ(Line(*notes.Trailer()), kTrailer);
}

TEST_F(OutputTest, CheckpointHasOneHeaderAndATrailerOnlyWhenWhole) {
  auto a = Record({"pv", "1", "db.counters", "change", "42"});
  for (bool whole : {true, false}) {
    std::string name = whole ? "whole.ckp" : "cut.ckp";
    std::unique_ptr<FileSys> file = Output(name);
    CheckpointWriter w(file.get(), &notes);
    w.Noted(&e);
    w.Put(*a, &e);
    w.Noted(&e);  // a later note makes no second header
    w.Put(*a, &e);
    w.Finish(whole, &e);
    EXPECT_FALSE(testutil::FileExists(dir.File(name)));  // not before Commit
    w.Commit(&e);
    ASSERT_FALSE(e.Test()) << e.Text();
    EXPECT_EQ(w.Written(), 2);
    EXPECT_EQ(testutil::ReadFile(dir.File(name)),
              kHeader + Line(*a) + Line(*a) + (whole ? kTrailer : ""));
  }
}

TEST_F(OutputTest, JournalPatchHoldsOnlyChangedRowsAsDeleteThenPut) {
  std::unique_ptr<FileSys> file = Output("patch.jnl");
  JournalPatchWriter w(file.get());
  auto same = Record({"pv", "1", "db.user", "bob"});
  auto changed = Record({"pv", "1", "db.user", "BOB"});
  w.Noted(&e);
  w.Read(*same);
  w.Put(*same, &e);
  w.Read(*changed);
  changed->SetField(3, StrPtr("Bob"), &e);
  w.Put(*changed, &e);
  w.Finish(true, &e);
  w.Commit(&e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(w.Written(), 1);
  EXPECT_EQ(testutil::ReadFile(dir.File("patch.jnl")),
            "@dv@ 1 @db.user@ @BOB@ \n@pv@ 1 @db.user@ @Bob@ \n");
}

TEST_F(OutputTest, ParallelOutputFilesPerTableWithTheirOwnNotes) {
  RunConfig config;
  Migrator m(config, nullptr, nullptr, nullptr, nullptr, nullptr);
  m.SetOutputDirectory(StrPtr(dir.File("out/sub").c_str()), false, &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_TRUE(m.HasOutputs());
  EXPECT_FALSE(testutil::FileExists(dir.File("out/sub/.ztmigrate")));

  TableFilesWriter w(StrPtr(dir.File("out/sub").c_str()), &notes, false);
  auto a = Record({"pv", "1", "db.counters", "change", "42"});
  auto other = Record({"pv", "1", "xx.counters", "change", "42"});
  auto b = Record({"pv", "1", "db.counters", "journal", "3"});
  for (JournalRecord* r : {a.get(), other.get(), b.get()}) w.Put(*r, &e);
  w.Finish(true, &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  // The table files wait under temporary names until the run commits them.
  EXPECT_FALSE(testutil::FileExists(dir.File("out/sub/db.counters.ckp")));
  w.Commit(&e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(w.Written(), 2);
  EXPECT_EQ(testutil::ListDir(dir.File("out/sub")), std::vector<std::string>{"db.counters.ckp"});
  EXPECT_EQ(testutil::ReadFile(dir.File("out/sub/db.counters.ckp")),
            "@nx@ 0 111 @journal@ 1 0 0 0 0 @/srv/root@ @journal@ @db.counters@ @@ @@ \n" +
                Line(*a) + Line(*b) +
                "@nx@ 1 111 @journal@ 0 0 0 0 0 @db.counters@ @@ @@ @@ @@ \n");
}

TEST_F(OutputTest, ParallelOutputTakesEverySpellingOfATableIntoItsFile) {
  TableFilesWriter w(StrPtr(dir.path().c_str()), &notes, false);
  auto a = Record({"pv", "1", "DB.rev", "x"});
  auto b = Record({"pv", "1", "db.rev", "y"});
  auto c = Record({"pv", "1", "db.REV", "z"});
  for (JournalRecord* r : {a.get(), b.get(), c.get()}) w.Put(*r, &e);
  w.Finish(true, &e);
  w.Commit(&e);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(w.Written(), 3);
  EXPECT_EQ(testutil::ListDir(dir.path()), std::vector<std::string>{"db.rev.ckp"});
  EXPECT_EQ(testutil::ReadFile(dir.File("db.rev.ckp")),
            "@nx@ 0 111 @journal@ 1 0 0 0 0 @/srv/root@ @journal@ @db.rev@ @@ @@ \n" + Line(*a) +
                Line(*b) + Line(*c) + "@nx@ 1 111 @journal@ 0 0 0 0 0 @db.rev@ @@ @@ @@ @@ \n");
}

TEST_F(OutputTest, UncreatableTableFileIsAnErrorAtTheEnd) {
  ASSERT_EQ(mkdir(dir.File("db.rev.ckp").c_str(), 0700), 0);
  TableFilesWriter w(StrPtr(dir.path().c_str()), &notes, false);
  auto rec = Record({"pv", "1", "db.rev", "x"});
  testing::internal::CaptureStderr();
  w.Put(*rec, &e);
  w.Put(*rec, &e);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(e.Test());  // the loss is not hidden, but reported at the end
  w.Finish(true, &e);
  EXPECT_GE(e.GetSeverity(), E_FAILED);
  EXPECT_NE(e.Text().find("2 records"), std::string::npos) << e.Text();
  EXPECT_NE(err.find("could not open " + dir.File("db.rev.ckp") + " for writing\n"),
            std::string::npos);
}

}  // namespace
