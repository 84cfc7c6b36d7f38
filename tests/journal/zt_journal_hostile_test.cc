// Hostile inputs for the checkpoint readers: a 100 MB quoted field, ten
// million records of one table, a gzip bomb (memory must stay bounded) and
// a parallel checkpoint of thousands of table files. Big inputs are made in
// a temporary directory at test time.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <memory>
#include <string>

#include "journal/journal_messages.h"
#include "journal/zt_journal.h"
#include "journal/zt_journal_dir.h"
#include "support/files/filesys.h"
#include "test_util.h"

namespace {

using testutil::TempDir;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Peak resident set of this process in MiB.
long PeakRssMiB() {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss / 1024;
}

// Runs body in a child process and returns its exit status (or 128 + the
// signal), so that its peak memory is its own.
template <typename F>
int InChild(F body) {
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int st = 0;
  waitpid(pid, &st, 0);
  return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

std::unique_ptr<FileSys> OpenInput(const std::string& path, int type) {
  std::unique_ptr<FileSys> f = FileSys::Create(type);
  f->SetPath(StrPtr(path.c_str()));
  return f;
}

TEST(ZtJournalHostileTest, HundredMegabyteQuotedFieldIsReadWhole) {
  TempDir dir;
  const size_t kField = 100u << 20;
  std::string path = dir.File("big.ckp");
  {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("@pv@ 0 @db.desc@ 7 @", f);
    std::string block(1 << 20, 'x');
    for (int i = 0; i < 64; ++i) block[i * 997 % block.size()] = '\n';
    block[5] = '@';  // doubled below: a quote inside the field
    for (size_t done = 0; done < kField; done += block.size()) {
      fwrite(block.data(), 1, 5, f);
      fputs("@@", f);
      fwrite(block.data() + 6, 1, block.size() - 6, f);
    }
    fputs("@ \n@pv@ 1 @db.counters@ @change@ 42 \n", f);
    fclose(f);
  }
  std::unique_ptr<FileSys> file = OpenInput(path, kFileText);
  ZtJournal reader(file.get());
  Error e;
  std::unique_ptr<JournalRecord> rec = reader.GetRecord(&e);
  ASSERT_NE(rec, nullptr) << e.Text();
  ASSERT_EQ(rec->Count(), 5);
  const StrPtr* text = rec->Get(4);
  ASSERT_EQ(text->Length(), kField);
  EXPECT_EQ(text->Text()[5], '@');
  EXPECT_EQ(text->Text()[6], 'x');
  rec = reader.GetRecord(&e);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->Get(3)->ToString(), "change");
  EXPECT_EQ(reader.GetRecord(&e), nullptr);
  EXPECT_FALSE(e.Test());
  EXPECT_EQ(reader.SkippedCount(), 0);
}

TEST(ZtJournalHostileTest, TenMillionRecordsOfOneTable) {
  const int kRecords = kSanitized ? 1000000 : 10000000;
  TempDir dir;
  std::string path = dir.File("many.ckp");
  {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::string chunk;
    for (int i = 0; i < kRecords; ++i) {
      chunk += "@pv@ 1 @db.counters@ @c@ ";
      chunk += std::to_string(i);
      chunk += " \n";
      if (chunk.size() > (1 << 20)) {
        fwrite(chunk.data(), 1, chunk.size(), f);
        chunk.clear();
      }
    }
    fwrite(chunk.data(), 1, chunk.size(), f);
    fclose(f);
  }
  std::unique_ptr<FileSys> file = OpenInput(path, kFileText);
  ZtJournal reader(file.get());
  JournalRecord rec;
  Error e;
  int n = 0;
  long long sum = 0;
  while (reader.ReadRecord(&rec, &e)) {
    sum += std::stoll(rec.Get(4)->ToString());
    ++n;
  }
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(n, kRecords);
  EXPECT_EQ(sum, static_cast<long long>(kRecords) * (kRecords - 1) / 2);
  EXPECT_EQ(reader.SkippedCount(), 0);
}

// Deflates `total` zero bytes into a gzip file: about a thousandth of the
// size on disk.
void WriteZeroBomb(const std::string& path, size_t total) {
  gzFile gz = gzopen(path.c_str(), "wb9");
  ASSERT_NE(gz, nullptr);
  std::string zeros(1 << 20, '\0');
  for (size_t done = 0; done < total; done += zeros.size())
    ASSERT_EQ(gzwrite(gz, zeros.data(), static_cast<unsigned>(zeros.size())), (int)zeros.size());
  gzclose(gz);
}

TEST(ZtJournalHostileTest, GzipBombIsReadInBoundedMemory) {
  const size_t kInflated = kSanitized ? (128u << 20) : (512u << 20);
  TempDir dir;
  std::string path = dir.File("bomb.ckp.gz");
  WriteZeroBomb(path, kInflated);
  FILE* f = fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  fseek(f, 0, SEEK_END);
  long onDisk = ftell(f);
  fclose(f);
  EXPECT_LT(onDisk, static_cast<long>(kInflated / 500));

  // Zeros are blanks between tokens: the whole stream is read, nothing
  // accumulates, and the input is refused for holding no record. The child reports its peak memory in its exit status.
  int status = InChild([&] {
    long before = PeakRssMiB();
    std::unique_ptr<FileSys> file = OpenInput(path, kFileGzip);
    ZtJournal reader(file.get());
    Error e;
    int records = 0;
    while (reader.GetRecord(&e)) ++records;
    if (records != 0 || !e.Has(kMsgNoRecords)) return 1;
    long grown = PeakRssMiB() - before;
    return grown < 64 ? 0 : 2;
  });
  EXPECT_EQ(status, 0) << "1: records appeared or no refusal, 2: memory grew past 64 MiB";
}

TEST(ZtJournalHostileTest, BombInsideAQuotedFieldStopsAtTheRecordLimit) {
  // A quoted field that never closes: reading must end with an error or a
  // skip once the record limit is passed, never by exhausting memory.
  TempDir dir;
  std::string path = dir.File("field.ckp.gz");
  {
    gzFile gz = gzopen(path.c_str(), "wb9");
    ASSERT_NE(gz, nullptr);
    gzputs(gz, "@pv@ 0 @db.desc@ 7 @");
    std::string xs(1 << 20, 'x');
    size_t total = kSanitized ? (32u << 20) : (128u << 20);
    for (size_t done = 0; done < total; done += xs.size())
      gzwrite(gz, xs.data(), static_cast<unsigned>(xs.size()));
    gzclose(gz);
  }
  std::unique_ptr<FileSys> file = OpenInput(path, kFileGzip);
  ZtJournal reader(file.get());
  Error e;
  EXPECT_EQ(reader.GetRecord(&e), nullptr);
  EXPECT_TRUE(e.Test() || reader.SkippedCount() == 1);
}

TEST(ZtJournalHostileTest, ParallelDirectoryOfThousandsOfParts) {
  const int kParts = 3000;
  TempDir dir;
  for (int i = 0; i < kParts; ++i) {
    char name[64];
    snprintf(name, sizeof name, "db.counters#%08x.ckp", i);
    testutil::WriteFile(dir.File(name),
                        "@pv@ 1 @db.counters@ @c" + std::to_string(i) + "@ " + std::to_string(i) + " \n");
    if (i % 3 == 0) testutil::WriteFile(dir.File(std::string(name) + ".md5"), "nonsense\n");
  }
  ZtJournalDir reader(StrPtr(dir.path().c_str()));
  EXPECT_EQ(reader.FileCount(), kParts);
  Error e;
  int n = 0;
  bool ordered = true;
  while (std::unique_ptr<JournalRecord> r = reader.GetRecord(&e)) {
    if (std::stoi(r->Get(4)->ToString()) != n) ordered = false;
    ++n;
  }
  EXPECT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(n, kParts);
  EXPECT_TRUE(ordered);
  EXPECT_EQ(reader.SkippedCount(), 0);
}

}  // namespace
