// ZtJournal: tokenising, record checks, recovery from corrupt records and
// the failures that end reading. Every case runs with reads of several
// sizes so that tokens are split across block boundaries everywhere.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "journal/journal_messages.h"
#include "journal/zt_journal.h"
#include "journal_test_util.h"

namespace {

using namespace std::string_literals;

struct Result {
  std::vector<std::vector<std::string>> records;
  std::string error;  // the error left when reading ended
  std::vector<std::string> reports;
  int skipped = 0;
  int line = 0;
  std::vector<int64_t> positions;  // BytesRead after each record
};

// With lend, the file hands its bytes over in place (a file read ahead);
// firstPiece, when set, cuts the input once, there.
Result ReadAll(const std::string& text, int chunk, bool lend = false, size_t firstPiece = 0) {
  MemFile file(text, chunk);
  file.lend = lend;
  file.firstPiece = firstPiece;
  ZtJournal reader(&file);
  ReportCapture capture;
  Result res;
  Error e;
  while (std::unique_ptr<JournalRecord> r = reader.GetRecord(&e)) {
    std::vector<std::string> fields;
    for (int i = 0; i < r->Count(); ++i) fields.push_back(r->Get(i)->ToString());
    res.records.push_back(fields);
    res.positions.push_back(reader.BytesRead());
  }
  res.error = e.Text();
  res.reports = capture.reports;
  res.skipped = reader.SkippedCount();
  res.line = reader.Line();
  return res;
}

void ExpectSameResult(const Result& r, const Result& first, const std::string& how) {
  EXPECT_EQ(r.records, first.records) << how;
  EXPECT_EQ(r.error, first.error) << how;
  EXPECT_EQ(r.reports, first.reports) << how;
  EXPECT_EQ(r.skipped, first.skipped) << how;
  EXPECT_EQ(r.line, first.line) << how;
  EXPECT_EQ(r.positions, first.positions) << how;
}

// Reads text with several block sizes, copied and lent; every way must
// give the same result.
Result Read(const std::string& text) {
  Result first = ReadAll(text, 1 << 30);
  for (int chunk : {1, 2, 3, 7, 4096, 1 << 30}) {
    for (bool lend : {false, true}) {
      ExpectSameResult(ReadAll(text, chunk, lend), first,
                       "chunk " + std::to_string(chunk) + (lend ? " lent" : ""));
    }
  }
  return first;
}

using Fields = std::vector<std::string>;

const char kCounter[] = "@pv@ 1 @db.counters@ @change@ 42 \n";

TEST(ZtJournalTest, QuotedAndBareTokens) {
  Result r = Read(
      "@pv@ 1 @db.counters@ @a@@b@ 0042 \n"
      "pv\t1 db.counters\r\v\f@@ @multi\nline\r\n@\r\n"
      "\n\n"
      "\0@rv@ 1 @db.counters@ @x@ @\0@ \n"s);
  ASSERT_EQ(r.records.size(), 2u);
  EXPECT_EQ(r.records[0], (Fields{"pv", "1", "db.counters", "a@b", "0042"}));
  // CR between tokens is dropped, inside quotes kept; "@@" is an empty field.
  EXPECT_EQ(r.records[1], (Fields{"pv", "1", "db.counters", "", "multi\nline\r\n"}));
  // The NUL inside the last quoted field makes that record corrupt.
  EXPECT_EQ(r.skipped, 1);
  ASSERT_EQ(r.reports.size(), 1u);
  EXPECT_EQ(r.reports[0], "Skipping corrupt record at line 7");
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.line, 8);
}

TEST(ZtJournalTest, NulInsideQuotedFieldSkipsOnlyThatRecord) {
  // The damaged field holds text and newlines after the NUL; the reader
  // must not take its closing "@" for the start of a new token.
  Result r = Read("@pv@ 1 @db.counters@ @bad\0 text\n more@ 1 \n"s + kCounter);
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_EQ(r.records[0][3], "change");
  EXPECT_EQ(r.skipped, 1);
  ASSERT_EQ(r.reports.size(), 1u);
  EXPECT_EQ(r.reports[0], "Skipping corrupt record at line 2");
  EXPECT_EQ(r.error, "");
}

TEST(ZtJournalTest, LineCounterCountsNewlinesInsideQuotes) {
  Result r = Read(std::string("@pv@ 1 @db.counters@ @a\nb\nc@ 1 \n") +
                  "@pv@ 1 @db.counters@ @a@ 1 2 \n" + kCounter);
  ASSERT_EQ(r.records.size(), 2u);
  EXPECT_EQ(r.records[0][3], "a\nb\nc");
  EXPECT_EQ(r.reports, (std::vector<std::string>{"Skipping corrupt record at line 4"}));
  EXPECT_EQ(r.skipped, 1);
  EXPECT_EQ(r.line, 6);
}

TEST(ZtJournalTest, IncompleteRecordsAndTheOneShortTables) {
  Result r = Read(std::string(
      "@pv@ 0 @db.traits@ 1 @n@ @t@ 3 \n"          // one short: accepted
      "@pv@ 1 @db.object@ @sha@ @t@ 4 @data@ \n"   // one short: accepted
      "@pv@ 9 @db.rev@ @//d/f@ 1 @text@ 0 1 2 3 @d@ 4 @l@ @1.1@ 0 \n"  // 13 of 14
      "@pv@ 0 @db.traits@ 1 @n@ \n"                 // two short
      "@pv@ 1 \n") +                                 // before its table name
      kCounter);
  ASSERT_EQ(r.records.size(), 3u);
  EXPECT_EQ(r.records[0].size(), 7u);
  EXPECT_EQ(r.records[1].size(), 7u);
  EXPECT_EQ(r.records[2][3], "change");
  EXPECT_EQ(r.skipped, 3);
  ASSERT_EQ(r.reports.size(), 3u);
  EXPECT_EQ(r.reports[0],
            "Skipping corrupt record at line 4\n"
            "Skipping incomplete record at line 4: version 9 db.rev\n\trecords should have 14 "
            "columns");
  EXPECT_EQ(r.reports[1],
            "Skipping corrupt record at line 5\n"
            "Skipping incomplete record at line 5: version 0 db.traits\n\trecords should have 5 "
            "columns");
  EXPECT_EQ(r.reports[2],
            "Skipping corrupt record at line 6\n"
            "Skipping incomplete record at line 6: version 1 \n\trecords should have 0 columns");
}

TEST(ZtJournalTest, ResynchronisesOnTheNextOpCode) {
  Result r = Read(
      "@xx@ 1 @db.counters@ @a@ 1 \n"      // bad op code
      "garbage text here\n"
      "@pv@ 1 @db.nosuch@ @f@ \n"          // table the schema lacks, with a field
      "@pv@ 1 @db.nosuch@ \n"              // ... without fields: a record
      "@pv@ 1 @db.counters@ @a@ 1 @pv@ 1 @db.counters@ @b@ 2 \n"  // extra token is an op code
      "@mx@ 1 @db.x@ \n@nx@ 1 @n@ \n");
  ASSERT_EQ(r.records.size(), 3u);
  EXPECT_EQ(r.records[0], (Fields{"pv", "1", "db.nosuch"}));
  EXPECT_EQ(r.records[1], (Fields{"pv", "1", "db.counters", "b", "2"}));
  EXPECT_EQ(r.records[2], (Fields{"mx", "1", "db.x"}));
  // bad op code, unknown table, the first counters record, the short note
  EXPECT_EQ(r.skipped, 4);
  EXPECT_EQ(r.reports.size(), 4u);
}

TEST(ZtJournalTest, FailuresEndReading) {
  Result parse = Read(std::string(kCounter) + "@pv@ 1 @db.counters@ @a@b 1 \n" + kCounter);
  EXPECT_EQ(parse.records.size(), 1u);
  EXPECT_EQ(parse.error, "Parse error at line 2");

  Result eofQuoted = Read(std::string(kCounter) + "@pv@ 1 @db.counters@ @a\nb");
  EXPECT_EQ(eofQuoted.records.size(), 1u);
  EXPECT_EQ(eofQuoted.error, "Premature EOF at line 3");

  Result eofBare = Read(std::string(kCounter) + "@pv@ 1 @db.counters@ @a@ 12");
  EXPECT_EQ(eofBare.error, "Premature EOF at line 2");

  Result version = Read(std::string(kCounter) + "@pv@ 11 @db.rev@ @a@ \n" + kCounter);
  EXPECT_EQ(version.records.size(), 1u);
  EXPECT_EQ(version.error,
            "Version 11 of db.rev not found in schema. You need a new version of this program!");
  ASSERT_EQ(version.reports.size(), 1u);  // reported by the reader at once
  EXPECT_EQ(version.reports[0], version.error);
}

TEST(ZtJournalTest, LastRecordWithoutNewline) {
  // Ending on a blank: the last record is still checked and returned.
  Result r = Read(std::string(kCounter) + "@pv@ 1 @db.counters@ @z@ 9 ");
  ASSERT_EQ(r.records.size(), 2u);
  EXPECT_EQ(r.records[1][3], "z");
  EXPECT_EQ(r.error, "");
  // An incomplete one is skipped and counted, not silently dropped.
  Result cut = Read(std::string(kCounter) + "@pv@ 1 @db.counters@ @z@ ");
  EXPECT_EQ(cut.records.size(), 1u);
  EXPECT_EQ(cut.skipped, 1);
  EXPECT_EQ(cut.error, "");
}

TEST(ZtJournalTest, CorruptRecordAtTheVeryEndIsCounted) {
  Result r = Read(std::string(kCounter) + "@pv@ 1 @db.counters@ @a@ 1 2 \n");
  EXPECT_EQ(r.records.size(), 1u);
  EXPECT_EQ(r.skipped, 1);
  EXPECT_EQ(r.error, "");
}

TEST(ZtJournalTest, AnInputIsWholeOnlyWithItsTrailer) {
  const std::string header = "@nx@ 0 111 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n";
  const std::string trailer = "@nx@ 1 111 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n";
  const std::string truncated =
      "mem.ckp is truncated: it opens with a checkpoint header note but ends at line ";

  Result whole = Read(header + kCounter + trailer);
  EXPECT_EQ(whole.records.size(), 3u);
  EXPECT_EQ(whole.error, "");
  // Two checkpoints one after the other are whole too.
  EXPECT_EQ(Read(header + kCounter + trailer + header + trailer).error, "");
  // No header note at all: older servers write none.
  EXPECT_EQ(Read(std::string(kCounter) + kCounter).error, "");

  // Cut anywhere after the header: every record before the cut is given,
  // then the refusal.
  Result cut = Read(header + kCounter + kCounter);
  EXPECT_EQ(cut.records.size(), 3u);
  EXPECT_EQ(cut.error, truncated + "4 without the trailer note");
  EXPECT_EQ(Read(header).error, truncated + "2 without the trailer note");
  // A trailer with records after it is not the end of the checkpoint; nor
  // is a trailer that was skipped as corrupt.
  EXPECT_EQ(Read(header + trailer + kCounter).error, truncated + "4 without the trailer note");
  Result bad = Read(header + kCounter + "@nx@ 1 111 @journal@ 0 \n");
  EXPECT_EQ(bad.skipped, 1);
  EXPECT_EQ(bad.error, truncated + "4 without the trailer note");
  // A note of another type first does not open a checkpoint.
  EXPECT_EQ(Read("@nx@ 2 111 @journal@ 0 0 0 0 0 @@ @@ @@ @@ @@ \n"s + kCounter).error, "");
}

TEST(ZtJournalTest, AnInputWithoutRecordsIsRefused) {
  for (const std::string& text : {""s, "\n\n  \n"s, "\0\0\0"s, "@zz@ 1 2 \n@pv@ 1 @db.counters@ 1 2 3 \n"s}) {
    Result r = Read(text);
    EXPECT_TRUE(r.records.empty());
    EXPECT_EQ(r.error, "no records in mem.ckp") << testing::PrintToString(text);
  }
  // The refusal is given once: the reader stays at its end.
  MemFile file("");
  ZtJournal reader(&file);
  Error e;
  EXPECT_FALSE(reader.GetRecord(&e));
  EXPECT_TRUE(e.Test());
  Error again;
  EXPECT_FALSE(reader.GetRecord(&again));
  EXPECT_FALSE(again.Test());
}

TEST(ZtJournalTest, ReadFailureAndOpenFailure) {
  MemFile file(std::string(kCounter) + kCounter + kCounter, 16);
  file.failAt = 40;
  ZtJournal reader(&file);
  Error e;
  int n = 0;
  while (reader.GetRecord(&e)) ++n;
  EXPECT_EQ(n, 1);
  EXPECT_EQ(e.Text(), "read of mem.ckp failed");
  EXPECT_EQ(file.opens, 1);
}

TEST(ZtJournalTest, BinaryNoiseNeverHangsOrCrashes) {
  uint32_t seed = 12345;
  for (int round = 0; round < 200; ++round) {
    std::string noise;
    for (int i = 0; i < 3000; ++i) {
      seed = seed * 1103515245u + 12345u;
      // Weight the bytes that drive the tokeniser.
      static const char kInteresting[] = "@@@  \n\n\0pvdx1";
      noise.push_back((seed >> 24) & 1 ? kInteresting[(seed >> 16) % 14] : char(seed >> 16));
    }
    MemFile file(noise + kCounter, 1 + round % 50);
    ZtJournal reader(&file);
    Error e;
    int guard = 0;
    while (reader.GetRecord(&e) && ++guard < 100000) {
    }
    EXPECT_LT(guard, 100000);
    EXPECT_LE(file.pos, file.data.size());
  }
}

TEST(ZtJournalTest, HugeQuotedFieldIsReadWhole) {
  const size_t kSize = 100u << 20;
  std::string text = "@pv@ 1 @db.desc@ 7 @";
  text.reserve(kSize + 64);
  for (size_t i = 0; i < kSize / 64; ++i)
    text.append("abcdefghijklmnopqrstuvwxyz0123456789 abcdefghijklmnopqrstuvwxyz\n");
  text += "@@x@ \n";
  MemFile file(text, 32768);
  ZtJournal reader(&file);
  Error e;
  std::unique_ptr<JournalRecord> r = reader.GetRecord(&e);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Get(4)->Length(), kSize + 2);
  EXPECT_EQ(memcmp(r->Get(4)->Text() + kSize, "@x", 2), 0);
  EXPECT_EQ(reader.Line(), 1 + static_cast<int>(kSize / 64) + 1);
  EXPECT_EQ(reader.GetRecord(&e), nullptr);
  EXPECT_FALSE(e.Test());
}

TEST(ZtJournalTest, ReusedRecordAndFormatRoundTrip) {
  const std::string standard =
      "@pv@ 1 @db.counters@ @a@@b@ 0042 \n"
      "@pv@ 9 @db.rev@ @//d/f@ 1 @text@ 0 1 2 3 0123456789ABCDEF0123456789abcdef 4 @@ 1 @l@ "
      "@1.1@ 0 \n"
      "@nx@ 0 1 2 3 4 5 6 7 8 9 10 11 @x\ny@ \n";
  MemFile file(standard, 5);
  ZtJournal reader(&file);
  JournalRecord rec;
  Error e;
  StrBuf out;
  while (reader.ReadRecord(&rec, &e)) rec.AppendFormat(&out);
  EXPECT_FALSE(e.Test());
  EXPECT_EQ(out.ToString(), standard);
}

}  // namespace

namespace {

TEST(ZtJournalTest, LentBlocksCutAnywhere) {
  // Every kind of token and record boundary, cut at every byte: a bare and
  // a quoted field, a doubled "@", a newline inside quotes, a corrupt
  // record to resynchronise after and a last record without its newline.
  const std::string text = "@nx@ 0 1 @ckp@ 1 0 0 0 0 @r@ @journal@ @db.counters@ @@ @@ \n"s +
                           "@pv@ 1 @db.counters@ @a@@b@ 7 \n" +
                           "@pv@ 1 @db.counters@ @two\nlines@ 8 \n" + "junk @x@ 1\n" +
                           "@pv@ 1 @db.counters@ @short@\n" + "@pv@ 1 @db.counters@ @end@ 9 ";
  Result whole = ReadAll(text, 1 << 30);
  ASSERT_EQ(whole.records.size(), 4u);
  EXPECT_EQ(whole.records[1][3], "a@b");
  EXPECT_EQ(whole.records[2][3], "two\nlines");
  EXPECT_EQ(whole.skipped, 2);
  for (size_t cut = 1; cut < text.size(); ++cut) {
    for (bool lend : {false, true})
      ExpectSameResult(ReadAll(text, 1 << 30, lend, cut), whole,
                       "cut at " + std::to_string(cut) + (lend ? " lent" : ""));
  }
}

TEST(ZtJournalTest, LongTokensAreScannedWhole) {
  // Tokens of many bytes are searched a block at a time: control bytes
  // that do not end a bare token, and stops of a quoted one ("@@", a
  // newline, the closing "@") on both sides of every block boundary.
  const std::string bare = "12345678\x01" "9012345\x1f" "67890abcdefg\x02";
  std::string text = "@pv@ 1 @db.counters@ @c@ "s + bare + "\n";
  std::vector<std::string> quoted;
  for (size_t at = 0; at < 40; at += 3) {
    std::string q = std::string(at, 'x') + "@" + std::string(40 - at, 'y');
    std::string nl = std::string(at, 'n') + "\n" + std::string(20, 'z');
    quoted.push_back(q.substr(0, at) + q.substr(at + 1));  // no "@"
    quoted.push_back(q);
    quoted.push_back(nl);
  }
  for (const std::string& q : quoted) {
    std::string doubled;
    for (char c : q) doubled += (c == '@') ? "@@" : std::string(1, c);
    text += "@pv@ 1 @db.counters@ @" + doubled + "@ 7\t\n";
  }
  Result r = Read(text);
  ASSERT_EQ(r.records.size(), 1 + quoted.size());
  EXPECT_EQ(r.records[0][4], bare);
  for (size_t i = 0; i < quoted.size(); ++i) {
    EXPECT_EQ(r.records[i + 1][3], quoted[i]) << i;
    EXPECT_EQ(r.records[i + 1][4], "7") << i;
  }
  EXPECT_EQ(r.line, 1 + 1 + static_cast<int>(quoted.size() + quoted.size() / 3));
  EXPECT_TRUE(r.error.empty()) << r.error;
}

TEST(ZtJournalTest, FormattedFieldsOfEveryLengthReadBack) {
  // Numbers, digests and texts of every length up to beyond 32, with an
  // "@" placed anywhere, written in standard format and read again.
  std::string text;
  std::vector<Fields> written;
  for (uint32_t n = 1; n <= 40; ++n) {
    std::string digits, hex, at;
    for (uint32_t i = 0; i < n; ++i) {
      digits += static_cast<char>('0' + i % 10);
      hex += "0123456789abcDEF"[i % 16];
      at += (i == n / 2) ? '@' : static_cast<char>('a' + i % 26);
    }
    JournalRecord rec;
    for (const std::string& f : {"pv"s, "3"s, "db.have"s, digits, hex, at, "//d/"s + at, "9"s})
      rec.AddField(StrPtr(f.data(), static_cast<uint32_t>(f.size())));
    StrBuf line;
    rec.Format(&line);
    text += line.ToString();
    written.push_back({"pv", "3", "db.have", digits, hex, at, "//d/" + at, "9"});
    // Bare exactly when 1 to 32 decimal digits, or 32 hexadecimal digits.
    const std::string& l = line.ToString();
    EXPECT_EQ(l.find(" " + digits + " ") != std::string::npos, n <= 32) << n;
    EXPECT_EQ(l.find(" " + hex + " ") != std::string::npos, n == 32 || n <= 10) << n;
  }
  Result r = Read(text);
  EXPECT_EQ(r.records, written);
  EXPECT_TRUE(r.error.empty()) << r.error;
}

}  // namespace
