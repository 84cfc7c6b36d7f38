// RecordPrefetch: what the caller sees through it (records, skipped counts,
// positions, warnings and their order, the end or the failure) must be what
// it sees reading the source itself, wherever batches begin and end; and
// the thread must stop and be joined wherever the caller leaves off.
#include "journal/record_prefetch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "journal/zt_journal.h"
#include "journal/zt_journal_dir.h"
#include "journal_test_util.h"
#include "test_util.h"

namespace {

using testutil::TempDir;
using testutil::WriteFile;

// One step of a read, as the caller saw it.
struct Step {
  bool got;
  std::string fields;  // the record's fields joined by "|"
  int skipped;
  int64_t bytesRead;
  size_t reportsSoFar;  // reports that had reached the message log
  std::string error;
  bool operator==(const Step& o) const {
    return got == o.got && fields == o.fields && skipped == o.skipped &&
           bytesRead == o.bytesRead && reportsSoFar == o.reportsSoFar && error == o.error;
  }
};

std::ostream& operator<<(std::ostream& os, const Step& s) {
  return os << (s.got ? "record " : "end ") << s.fields << " skipped " << s.skipped << " at "
            << s.bytesRead << " after " << s.reportsSoFar << " reports; " << s.error;
}

struct Trace {
  std::vector<Step> steps;
  std::vector<std::string> reports;
};

// How the prefetcher shares the reading with its caller (FixPlan's n), or
// kMeasure to let it measure.
const int kMeasure = -1;

// Reads every record of source, through a prefetcher with that plan when
// prefetch is set.
Trace ReadAll(ZtJournal* source, bool prefetch, int plan = 0) {
  RecordPrefetch ahead(source);
  if (plan != kMeasure) ahead.FixPlan(plan);
  ZtJournal* reader = prefetch ? static_cast<ZtJournal*>(&ahead) : source;
  ReportCapture capture;
  Trace t;
  JournalRecord rec;
  for (;;) {
    Error e;
    bool got = reader->ReadRecord(&rec, &e);
    Step s{got, "", reader->SkippedCount(), reader->BytesRead(), capture.reports.size(), e.Text()};
    for (int i = 0; got && i < rec.Count(); ++i) s.fields += rec.Get(i)->ToString() + "|";
    t.steps.push_back(s);
    if (!got || e.Test()) break;
  }
  t.reports = capture.reports;
  return t;
}

Trace ReadAll(const std::string& text, bool prefetch, int chunk, long failAt, int plan = 0) {
  MemFile file(text, chunk);
  file.failAt = failAt;
  ZtJournal source(&file);
  return ReadAll(&source, prefetch, plan);
}

// Expects the same trace from both reads.
void ExpectSameTrace(const Trace& alone, const Trace& ahead) {
  EXPECT_EQ(alone.steps.size(), ahead.steps.size());
  for (size_t i = 0; i < alone.steps.size() && i < ahead.steps.size(); ++i)
    EXPECT_EQ(alone.steps[i], ahead.steps[i]) << "step " << i;
  EXPECT_EQ(alone.reports, ahead.reports);
}

// Reads text both ways and expects the same trace: with the thread reading
// throughout, with the reading handed back and forth between the thread
// and the caller every few records or batches, and as measured.
Trace ExpectSame(const std::string& text, int chunk = 1 << 30, long failAt = -1) {
  Trace alone = ReadAll(text, false, chunk, failAt);
  Trace ahead = ReadAll(text, true, chunk, failAt);
  ExpectSameTrace(alone, ahead);
  for (int plan : {1, 5, RecordPrefetch::kBatchRecords + 1, kMeasure}) {
    SCOPED_TRACE("plan " + std::to_string(plan));
    ExpectSameTrace(alone, ReadAll(text, true, chunk, failAt, plan));
  }
  return ahead;
}

std::string Counter(int i) {
  return "@pv@ 1 @db.counters@ @c" + std::to_string(i) + "@ " + std::to_string(i) + " \n";
}

const char kHeader[] = "@nx@ 0 1 @ckp@ 1 0 0 0 0 @r@ @journal@ @db.counters@ @@ @@ \n";
const char kTrailer[] = "@nx@ 1 1 @ckp@ 0 0 0 0 0 @db.counters@ @@ @@ @@ @@ \n";

// Records over several batches, with corrupt lines among them: the first
// record, records at batch boundaries and the very last line.
std::string CorruptSpread(int records) {
  std::string text = "garbage first\n";
  for (int i = 0; i < records; ++i) {
    text += Counter(i);
    if (i % 97 == 0 || i == RecordPrefetch::kBatchRecords - 1 ||
        i == RecordPrefetch::kBatchRecords)
      text += "@pv@ 1 @db.counters@ @short@\n";
  }
  return text + "@pv@ 1 @db.counters@\n";
}

TEST(RecordPrefetchTest, RecordsCountsAndWarningsAsTheSourceGivesThem) {
  Trace t = ExpectSame(CorruptSpread(5 * RecordPrefetch::kBatchRecords + 3));
  EXPECT_EQ(t.steps.size(), 5u * RecordPrefetch::kBatchRecords + 4);
  EXPECT_GT(t.reports.size(), 10u);
  // Small reads split tokens and records across blocks of the source too.
  ExpectSame(CorruptSpread(600), 7);
}

TEST(RecordPrefetchTest, BatchesEndAtTheirByteBudgetAndLargeRecordsPass) {
  // Records of 300 KB fill a batch's bytes long before its record count; one
  // of 3 MB is larger than a whole batch.
  std::string text;
  for (int i = 0; i < 20; ++i) {
    size_t n = (i == 11) ? 3u << 20 : 300u << 10;
    std::string field(n, static_cast<char>('a' + i % 26));
    text += "@pv@ 1 @db.counters@ @" + field + "@ " + std::to_string(i) + " \n";
    if (i % 5 == 0) text += "@pv@ 1 @db.counters@ @x@ 1 2 3\n";
  }
  Trace t = ExpectSame(text);
  EXPECT_EQ(t.steps.size(), 21u);
  EXPECT_EQ(t.reports.size(), 4u);
}

TEST(RecordPrefetchTest, LongRunsOfCorruptRecordsBetweenRecords) {
  // Batches that end for their warnings alone, some holding no record.
  std::string text;
  for (int run : {3000, 1, 600, 0, 257}) {
    for (int i = 0; i < run; ++i) text += "@pv@ 1 @db.counters@ @short@\n";
    text += Counter(run);
  }
  Trace t = ExpectSame(text + "@pv@ 1 @db.counters@\n");
  EXPECT_EQ(t.steps.size(), 6u);
  EXPECT_EQ(t.reports.size(), 3859u);
}

TEST(RecordPrefetchTest, EndOfInputChecksComeAfterTheRecords) {
  // Header without trailer: the truncation error follows the last record.
  Trace cut = ExpectSame(std::string(kHeader) + Counter(1) + Counter(2));
  EXPECT_NE(cut.steps.back().error.find("is truncated"), std::string::npos);
  // A whole checkpoint ends without error; an empty one fails.
  Trace whole = ExpectSame(std::string(kHeader) + Counter(1) + kTrailer);
  EXPECT_EQ(whole.steps.back().error, "");
  Trace empty = ExpectSame("\n\n");
  ASSERT_EQ(empty.steps.size(), 1u);
  EXPECT_NE(empty.steps[0].error.find("no records"), std::string::npos);
}

TEST(RecordPrefetchTest, FailuresComeAfterTheRecordsBeforeThem) {
  std::string text = CorruptSpread(3 * RecordPrefetch::kBatchRecords);
  // A read failure in the second batch, with small and large reads.
  for (int chunk : {64, 1 << 30}) {
    long at = static_cast<long>(text.size() / 2);
    Trace t = ExpectSame(text, chunk, chunk == 64 ? at : 0);
    EXPECT_NE(t.steps.back().error.find("read of mem.ckp failed"), std::string::npos);
    EXPECT_FALSE(t.steps.back().got);
    if (chunk == 64) {
      EXPECT_GT(t.steps.size(), static_cast<size_t>(RecordPrefetch::kBatchRecords));
    }
  }
  // A table version the schema lacks: reported, then the reading stops.
  Trace v = ExpectSame(Counter(1) + Counter(2) + "@pv@ 999 @db.counters@ @c@ 1 \n" + Counter(3));
  ASSERT_EQ(v.steps.size(), 3u);
  EXPECT_EQ(v.reports.size(), 1u);
  EXPECT_NE(v.steps.back().error.find("Version 999"), std::string::npos);
}

TEST(RecordPrefetchTest, ParallelDirectoryWithAFailingTableFile) {
  // Corrupt records in the first table, the second cut after its header
  // note: the truncation error of that file comes after its records.
  TempDir dir;
  std::string counters = std::string(kHeader);
  for (int i = 0; i < 700; ++i)
    counters += Counter(i) + (i % 50 ? "" : "@pv@ 1 @db.counters@ @short@\n");
  WriteFile(dir.File("db.counters.ckp"), counters + kTrailer);
  WriteFile(dir.File("db.counters#00000001.ckp"), std::string(kHeader) + Counter(1));
  WriteFile(dir.File("db.counters#00000002.ckp"), std::string(kHeader) + Counter(2) + kTrailer);
  Trace alone, ahead;
  {
    ZtJournalDir source(StrPtr(dir.path().c_str()));
    alone = ReadAll(&source, false);
  }
  {
    ZtJournalDir source(StrPtr(dir.path().c_str()));
    ahead = ReadAll(&source, true);
  }
  ExpectSameTrace(alone, ahead);
  {
    // Handed back and forth across the files' ends.
    ZtJournalDir source(StrPtr(dir.path().c_str()));
    ExpectSameTrace(alone, ReadAll(&source, true, 3));
  }
  ASSERT_EQ(ahead.steps.size(), 705u);
  EXPECT_NE(ahead.steps.back().error.find("db.counters#00000001.ckp is truncated"), std::string::npos);
  EXPECT_EQ(ahead.reports.size(), 14u);
}

TEST(RecordPrefetchTest, StoppingEarlyDropsWhatWasReadAhead) {
  std::string text;
  for (int i = 0; i < 4 * RecordPrefetch::kBatchRecords * RecordPrefetch::kBatches; ++i)
    text += Counter(i) + (i > 2 ? "@pv@ 1 @db.counters@ @short@\n" : "");
  MemFile file(text);
  ZtJournal source(&file);
  ReportCapture capture;
  {
    RecordPrefetch ahead(&source);
    JournalRecord rec;
    Error e;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(ahead.ReadRecord(&rec, &e));
    EXPECT_EQ(rec.Get(3)->ToString(), "c2");
    // The thread is well ahead (or blocked on a full queue); stopping
    // returns, reads end without error and its warnings never appear.
    ahead.Stop();
    EXPECT_FALSE(ahead.ReadRecord(&rec, &e));
    EXPECT_FALSE(e.Test());
    EXPECT_EQ(ahead.SkippedCount(), 0);
    EXPECT_TRUE(capture.reports.empty());
  }
  // The source reports to the message log again.
  Error e;
  JournalRecord rec;
  while (source.ReadRecord(&rec, &e) && source.SkippedCount() == 0) {
  }
  EXPECT_FALSE(capture.reports.empty());
  // Destroyed without a read, and after one record: nothing hangs.
  { RecordPrefetch idle(&source); }
  MemFile again(text);
  ZtJournal fresh(&again);
  {
    RecordPrefetch ahead(&fresh);
    ASSERT_TRUE(ahead.ReadRecord(&rec, &e));
  }
}

// A file whose reads run out of memory from a byte offset on.
class ExhaustedFile : public MemFile {
 public:
  ExhaustedFile(std::string content, size_t at, int chunk) : MemFile(std::move(content), chunk), at_(at) {}
  int Read(char* buf, int len, Error* e) override {
    if (pos >= at_) throw std::bad_alloc();
    return MemFile::Read(buf, std::min(len, static_cast<int>(at_ - pos)), e);
  }

 private:
  size_t at_;
};

// Reads every record of a file that runs out of memory at byte at, through
// a prefetcher when prefetch is set: the records read before the failure,
// or -1 when no failure came through.
int RecordsBeforeOutOfMemory(const std::string& text, size_t at, bool prefetch) {
  ExhaustedFile file(text, at, 100);
  ZtJournal source(&file);
  RecordPrefetch ahead(&source);
  ZtJournal* reader = prefetch ? static_cast<ZtJournal*>(&ahead) : &source;
  JournalRecord rec;
  Error e;
  int got = 0;
  try {
    while (reader->ReadRecord(&rec, &e)) ++got;
  } catch (const std::bad_alloc&) {
    return e.Test() ? -1 : got;
  }
  return -1;
}

TEST(RecordPrefetchTest, RunningOutOfMemoryComesAfterTheRecordsBeforeIt) {
  const int records = 3 * RecordPrefetch::kBatchRecords + 5;
  std::string text;
  for (int i = 0; i < records; ++i) text += Counter(i);
  // Out of memory in the first batch, at a batch boundary and in the last.
  for (int cut : {7, RecordPrefetch::kBatchRecords, records - 1}) {
    size_t at = 0;
    for (int i = 0; i < cut; ++i) at += Counter(i).size();
    const int alone = RecordsBeforeOutOfMemory(text, at, false);
    EXPECT_GE(alone, cut - 1) << "cut " << cut;
    EXPECT_EQ(RecordsBeforeOutOfMemory(text, at, true), alone) << "cut " << cut;
  }
}

TEST(RecordPrefetchTest, RecordsAreSwappedNotCopied) {
  MemFile file(Counter(1) + Counter(2) + Counter(3));
  ZtJournal source(&file);
  RecordPrefetch ahead(&source);
  JournalRecord rec;
  Error e;
  ASSERT_TRUE(ahead.ReadRecord(&rec, &e));
  const StrPtr* first = rec.Get(3);
  std::string kept = first->ToString();
  // The caller may change its record; the next read replaces it whole.
  rec.SetField(3, StrPtr("changed"), &e);
  ASSERT_TRUE(ahead.ReadRecord(&rec, &e));
  EXPECT_EQ(rec.Get(3)->ToString(), "c2");
  EXPECT_EQ(rec.Changes(), 0);
  EXPECT_EQ(kept, "c1");
}

TEST(RecordPrefetchTest, StoppingWhileTheCallerReads) {
  // Stopped while the caller reads on its own thread, and while the thread
  // is ending its last batch: nothing hangs, and nothing is read after.
  std::string text;
  for (int i = 0; i < 8 * RecordPrefetch::kBatchRecords; ++i) text += Counter(i);
  for (int plan : {1, 2 * RecordPrefetch::kBatchRecords}) {
    for (int reads : {1, 2, RecordPrefetch::kBatchRecords + 2, 7 * RecordPrefetch::kBatchRecords}) {
      MemFile file(text);
      ZtJournal source(&file);
      RecordPrefetch ahead(&source);
      ahead.FixPlan(plan);
      JournalRecord rec;
      Error e;
      for (int i = 0; i < reads; ++i) ASSERT_TRUE(ahead.ReadRecord(&rec, &e));
      EXPECT_EQ(rec.Get(3)->ToString(), "c" + std::to_string(reads - 1));
      ahead.Stop();
      EXPECT_FALSE(ahead.ReadRecord(&rec, &e));
      EXPECT_FALSE(e.Test());
    }
  }
}

TEST(JournalRecordTest, SwapKeepsEachSidesFields) {
  JournalRecord a, b;
  a.AddField("pv");
  a.AddField("1");
  b.AddField("dv");
  const char* bytes = a.Get(1)->Text();
  a.Swap(&b);
  ASSERT_EQ(a.Count(), 1);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(a.Get(0)->ToString(), "dv");
  EXPECT_EQ(b.Get(1)->ToString(), "1");
  EXPECT_EQ(b.Get(1)->Text(), bytes);  // moved with its storage, not copied
}

}  // namespace
