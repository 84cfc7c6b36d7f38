// The standard conversion: single files, compressed input, directories in
// both directions, and the failures that must not pass for success.
#include "driver/convert.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <string>

#include "test_util.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
using testutil::FileExists;
using testutil::ListDir;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

const char kStandard[] =
    "@nx@ 0 @db.journal@ 0 0 0 0 0 0 0 0 0 0 0 \n"
    "@pv@ 1 @db.counters@ @change@ 42 \n"
    "@pv@ 0 @db.desc@ 7 @two\r\nlines with @@ sign@ \n"
    "@pv@ 9 @db.rev@ @//depot/a@ 3 0 1 12 1500000000 1400000000 "
    "0123456789ABCDEF0123456789ABCDEF 10 0 0 @//depot/a@ @1.3@ 1 \n"
    "@nx@ 1 @db.journal@ 0 0 0 0 0 0 0 0 0 0 0 \n";

void WriteGzip(const std::string& path, const std::string& content) {
  gzFile gz = gzopen(path.c_str(), "wb");
  ASSERT_NE(gz, nullptr);
  gzwrite(gz, content.data(), static_cast<unsigned>(content.size()));
  gzclose(gz);
}

struct Outcome {
  int result;
  std::string stderrText;
  std::string error;
  bool failed;
};

Outcome ToFile(const std::string& in, const std::string& out, int threads = 2) {
  Error e;
  CaptureStderr();
  int n = ConvertToFile(in.c_str(), out.c_str(), threads, &e);
  return Outcome{n, GetCapturedStderr(), e.Text(), e.Test()};
}

Outcome ToDirectory(const std::string& in, const std::string& out, int threads = 2) {
  Error e;
  CaptureStderr();
  int n = ConvertDirectory(in.c_str(), out.c_str(), threads, &e);
  return Outcome{n, GetCapturedStderr(), e.Text(), e.Test()};
}

TEST(ConvertTest, StandardInputIsCopiedByteForByte) {
  TempDir dir;
  WriteFile(dir.File("in.ckp"), kStandard);
  Outcome r = ToFile(dir.File("in.ckp"), dir.File("out.ckp"));
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(ReadFile(dir.File("out.ckp")), kStandard);
  EXPECT_EQ(r.stderrText, "Skipped 0 records, Copied 5 records, 55 fields total\n");
}

TEST(ConvertTest, NonStandardInputIsNormalised) {
  TempDir dir;
  WriteFile(dir.File("in.ckp"),
            "pv 1 db.counters change -5\r\n"
            "\n"
            "@pv@\t1   @db.counters@ 0042 @a@@b@\n");
  Outcome r = ToFile(dir.File("in.ckp"), dir.File("out.gz"));  // no compression on output
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_EQ(ReadFile(dir.File("out.gz")),
            "@pv@ 1 @db.counters@ @change@ @-5@ \n"
            "@pv@ 1 @db.counters@ 0042 @a@@b@ \n");
  EXPECT_NE(r.stderrText.find("Skipped 0 records, Copied 2 records, 10 fields total\n"),
            std::string::npos);

  // A corrupt record would be missing from the output: nothing is written,
  // and an earlier output of the name stays as it was.
  WriteFile(dir.File("in.ckp"), "@pv@ 1 @db.counters@ @a@ 1 \n@pv@ 1 @db.counters@ @x@ 1 2 \n");
  Outcome corrupt = ToFile(dir.File("in.ckp"), dir.File("out.gz"));
  EXPECT_TRUE(corrupt.failed);
  EXPECT_NE(corrupt.stderrText.find("Skipping corrupt record at line 2"), std::string::npos);
  EXPECT_NE(corrupt.error.find("1 corrupt record was skipped (each reported above);\n"
                               "no output was written, since it would lack them"),
            std::string::npos) << corrupt.error;
  EXPECT_EQ(ReadFile(dir.File("out.gz")),
            "@pv@ 1 @db.counters@ @change@ @-5@ \n"
            "@pv@ 1 @db.counters@ 0042 @a@@b@ \n");
  EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"in.ckp", "out.gz"}));

  // Allowed, the output is written without the corrupt record, and the run
  // still fails.
  Error e;
  testing::internal::CaptureStderr();
  ConvertToFile(StrPtr(dir.File("in.ckp").c_str()), StrPtr(dir.File("out.gz").c_str()), 1, &e,
                /*force=*/true, /*allowSkipped=*/true);
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(e.Test());
  EXPECT_NE(e.Text().find("the outputs were written without them"), std::string::npos) << e.Text();
  EXPECT_EQ(ReadFile(dir.File("out.gz")), "@pv@ 1 @db.counters@ @a@ 1 \n");
}

TEST(ConvertTest, CompressedInputIsDecompressed) {
  TempDir dir;
  WriteGzip(dir.File("in.ckp.gz"), kStandard);
  Outcome r = ToFile(dir.File("in.ckp.gz"), dir.File("out.ckp"));
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_EQ(ReadFile(dir.File("out.ckp")), kStandard);

  // A truncated compressed file fails; the output is reported incomplete.
  std::string gz = ReadFile(dir.File("in.ckp.gz"));
  WriteFile(dir.File("cut.ckp.gz"), gz.substr(0, gz.size() - 12));
  Outcome cut = ToFile(dir.File("cut.ckp.gz"), dir.File("cut.ckp"));
  EXPECT_TRUE(cut.failed);
  EXPECT_NE(cut.error.find("stopped early"), std::string::npos) << cut.error;
}

TEST(ConvertTest, ParallelDirectoryBecomesOneFileInTableOrder) {
  TempDir dir;
  mkdir(dir.File("in").c_str(), 0777);
  WriteFile(dir.File("in/db.xrev.ckp"), "@pv@ 0 @db.xrev@ \n");
  WriteGzip(dir.File("in/db.xdomain.ckp.gz"), "@pv@ 0 @db.xdomain@ \n");
  WriteFile(dir.File("in/db.config.ckp"), "@pv@ 0 @db.config@ \n");
  WriteFile(dir.File("in/db.config.ckp.md5"), "ABC\n");
  Outcome r = ToFile(dir.File("in"), dir.File("one.ckp"));
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_EQ(ReadFile(dir.File("one.ckp")),
            "@pv@ 0 @db.config@ \n@pv@ 0 @db.xdomain@ \n@pv@ 0 @db.xrev@ \n");
  EXPECT_EQ(r.stderrText, "Skipped 0 records, Copied 3 records, 9 fields total\n");
}

TEST(ConvertTest, DirectoryIsCopiedFileByFile) {
  TempDir dir;
  mkdir(dir.File("in").c_str(), 0777);
  WriteFile(dir.File("in/db.counters.ckp"), "pv 1 db.counters a 1\n");
  WriteGzip(dir.File("in/db.counters#00000001.ckp.gz"), "@pv@ 1 @db.counters@ @b@ 2 \n");
  WriteFile(dir.File("in/db.counters#00000001.ckp.md5"), "ABC\n");
  Outcome r = ToDirectory(dir.File("in"), dir.File("out/deeper"));
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(ReadFile(dir.File("out/deeper/db.counters.ckp")), "@pv@ 1 @db.counters@ @a@ 1 \n");
  EXPECT_EQ(ReadFile(dir.File("out/deeper/db.counters#00000001.ckp")),
            "@pv@ 1 @db.counters@ @b@ 2 \n");
  EXPECT_FALSE(FileExists(dir.File("out/deeper/db.counters#00000001.ckp.md5")));
  EXPECT_FALSE(FileExists(dir.File("out/deeper/.ztmigrate")));
  EXPECT_EQ(r.stderrText, "Skipped 0 records, Copied 2 records, 10 fields total into 2 files\n");

  // Input that is not a directory, or one without table files: nothing
  // to copy is an error, never an empty success.
  WriteFile(dir.File("plain.ckp"), kStandard);
  Outcome none = ToDirectory(dir.File("plain.ckp"), dir.File("out2"));
  EXPECT_TRUE(none.failed);
  EXPECT_NE(none.error.find("list directory: " + dir.File("plain.ckp") + ": Not a directory"),
            std::string::npos) << none.error;
  mkdir(dir.File("empty").c_str(), 0777);
  WriteFile(dir.File("empty/README"), "not a table\n");
  Outcome empty = ToDirectory(dir.File("empty"), dir.File("out3"));
  EXPECT_TRUE(empty.failed);
  EXPECT_EQ(empty.error, "no records in " + dir.File("empty"));
  EXPECT_NE(empty.stderrText.find(dir.File("empty/README") + " is not a table file"), std::string::npos);
}

TEST(ConvertTest, DirectoryCopyGoesOnPastABadFileButWritesNothing) {
  TempDir dir;
  mkdir(dir.File("in").c_str(), 0777);
  mkdir(dir.File("out").c_str(), 0777);
  mkdir(dir.File("out/db.a.ckp").c_str(), 0777);  // cannot be created as a file
  WriteFile(dir.File("in/db.a.ckp"), "@pv@ 0 @db.a@ \n");
  WriteFile(dir.File("in/db.b.ckp"), "@pv@ 0 @db.b@ \n@pv@ 0 @db.b@ @x@y \n");
  WriteFile(dir.File("in/db.c.ckp"), "@pv@ 0 @db.c@ \n");
  Outcome r = ToDirectory(dir.File("in"), dir.File("out"));
  EXPECT_EQ(r.result, 1);
  EXPECT_TRUE(r.failed);
  EXPECT_NE(r.stderrText.find("could not open " + dir.File("out/db.a.ckp") + " for writing\n"),
            std::string::npos);
  EXPECT_NE(r.stderrText.find("Parse error at line 2"), std::string::npos);
  EXPECT_NE(r.stderrText.find("Skipped 1 records, Copied 2 records, 6 fields total into 2 files"),
            std::string::npos);
  // The directory's files appear together or not at all.
  EXPECT_EQ(ListDir(dir.File("out")), std::vector<std::string>{"db.a.ckp"});
}

TEST(ConvertTest, DirectoryCopyStopsAtARowOfAnotherTable) {
  TempDir dir;
  mkdir(dir.File("in").c_str(), 0777);
  WriteFile(dir.File("in/db.a.ckp"), "@pv@ 0 @DB.A@ \n");  // its own table, another case
  WriteFile(dir.File("whole.ckp"), "@pv@ 1 @db.counters@ @a@ 1 \n");
  ASSERT_EQ(symlink(dir.File("whole.ckp").c_str(), dir.File("in/db.link.ckp").c_str()), 0);
  Outcome r = ToDirectory(dir.File("in"), dir.File("out"));
  EXPECT_TRUE(r.failed);
  EXPECT_NE(r.stderrText.find(dir.File("in/db.link.ckp") + " record 1 holds a row of table db.counters"),
            std::string::npos) << r.stderrText;
  EXPECT_TRUE(ListDir(dir.File("out")).empty());
}

TEST(ConvertTest, OutputOverTheInputIsRefusedBeforeWriting) {
  TempDir dir;
  WriteFile(dir.File("in.ckp"), kStandard);
  link(dir.File("in.ckp").c_str(), dir.File("alias.ckp").c_str());
  for (const std::string& out : {dir.File("in.ckp"), dir.File("alias.ckp"),
                                 dir.path() + "/./in.ckp"}) {
    Outcome r = ToFile(dir.File("in.ckp"), out);
    EXPECT_TRUE(r.failed) << out;
    EXPECT_EQ(ReadFile(dir.File("in.ckp")), kStandard);
  }
  // A table file of the input directory.
  mkdir(dir.File("pdir").c_str(), 0777);
  WriteFile(dir.File("pdir/db.rev.ckp"), "@pv@ 0 @db.xrev@ \n");
  Outcome table = ToFile(dir.File("pdir"), dir.File("pdir/db.rev.ckp"));
  EXPECT_TRUE(table.failed);
  EXPECT_EQ(ReadFile(dir.File("pdir/db.rev.ckp")), "@pv@ 0 @db.xrev@ \n");
  // The same directory, by another name.
  Outcome same = ToDirectory(dir.File("pdir"), dir.path() + "/../" +
                                               dir.path().substr(dir.path().rfind('/') + 1) +
                                               "/pdir");
  EXPECT_TRUE(same.failed);
  EXPECT_EQ(ReadFile(dir.File("pdir/db.rev.ckp")), "@pv@ 0 @db.xrev@ \n");
}

TEST(ConvertTest, OutputFailuresAreErrors) {
  TempDir dir;
  WriteFile(dir.File("in.ckp"), kStandard);
  Outcome cant = ToFile(dir.File("in.ckp"), dir.File("nosuchdir/out.ckp"));
  EXPECT_TRUE(cant.failed);
  EXPECT_EQ(cant.stderrText, "could not open " + dir.File("nosuchdir/out.ckp") + " for writing\n");

  if (access("/dev/full", W_OK) == 0) {
    Outcome full = ToFile(dir.File("in.ckp"), "/dev/full");
    EXPECT_TRUE(full.failed);
    EXPECT_NE(full.error.find("Write to /dev/full failed"), std::string::npos) << full.error;
  }
}

TEST(ConvertTest, ReaderFailureLeavesTheErrorAndStopsTheCopy) {
  TempDir dir;
  WriteFile(dir.File("in.ckp"), std::string(kStandard) + "@pv@ 1 @db.counters@ @x");
  Outcome r = ToFile(dir.File("in.ckp"), dir.File("out.ckp"));
  EXPECT_TRUE(r.failed);
  EXPECT_NE(r.error.find("Premature EOF at line 7"), std::string::npos) << r.error;
  EXPECT_NE(r.error.find("stopped early"), std::string::npos);
  EXPECT_FALSE(FileExists(dir.File("out.ckp")));
  EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"in.ckp"});
}

}  // namespace

namespace {

TEST(ConvertTest, SampleCheckpointConvertsToItsStandardForm) {
  TempDir dir;
  const std::string data = ZT_TEST_DATA_DIR "/journal/";
  // The sample's corrupt line 11 left out: a corrupt record fails the
  // conversion.
  std::string sample = ReadFile(data + "mixed.ckp");
  size_t bad = sample.find("@pv@ 1 @db.counters@ @bad@ 1 2\n");
  ASSERT_NE(bad, std::string::npos);
  WriteFile(dir.File("in.ckp"), sample.substr(0, bad) + "\n" +
                                    sample.substr(sample.find('\n', bad) + 1));
  Outcome r = ToFile(dir.File("in.ckp"), dir.File("out.ckp"));
  EXPECT_FALSE(r.failed) << r.error;
  EXPECT_EQ(ReadFile(dir.File("out.ckp")), ReadFile(data + "mixed_standard.ckp"));
  EXPECT_EQ(r.stderrText.find("Skipping corrupt record"), std::string::npos) << r.stderrText;
  EXPECT_NE(r.stderrText.find("Skipped 0 records, Copied 9 records, 72 fields total"),
            std::string::npos)
      << r.stderrText;
  // Converting the standard form again changes nothing.
  Outcome again = ToFile(dir.File("out.ckp"), dir.File("again.ckp"));
  EXPECT_FALSE(again.failed);
  EXPECT_EQ(ReadFile(dir.File("again.ckp")), ReadFile(dir.File("out.ckp")));
}

}  // namespace
