// ZtJournal: reads journal records one at a time from a checkpoint file.
//
// The reader tokenises the file's bytes where the file holds them (its blocks
// read ahead) or through a 256 KiB read buffer of its own, assembles each
// record, checks its field count against the table schema, skips a corrupt
// record with a warning (resynchronising on the next op code) and counts what
// it skipped. Memory use is bounded by the largest record, not by the file.
//
// The file is not owned: its owner creates it before the reader and deletes
// it after. The first read opens it. ZtJournalDir derives from this class to
// read a parallel checkpoint directory as one stream.
#ifndef ZT_JOURNAL_ZT_JOURNAL_H_
#define ZT_JOURNAL_ZT_JOURNAL_H_

#include <cstdint>
#include <memory>

#include "journal/journal_record.h"
#include "journal/schema.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

class FileSys;

// Where a reader sends the warnings it reports as it reads (a skipped
// corrupt record, a table version the schema lacks).
class ReaderReports {
 public:
  virtual ~ReaderReports() = default;
  // Takes one warning; e stays the reader's, which may change it afterwards.
  virtual void Report(const Error& e) = 0;
};

class ZtJournal {
 public:
  // A reader on file (not owned; opened by the first read).
  explicit ZtJournal(FileSys* file);
  ZtJournal(const ZtJournal&) = delete;
  ZtJournal& operator=(const ZtJournal&) = delete;
  virtual ~ZtJournal();

  // The next record, owned by the caller; null at the end of input (error
  // empty) or on a failure (error set; an empty or truncated input is one).
  virtual std::unique_ptr<JournalRecord> GetRecord(Error* e);
  // As GetRecord, reading into a record the caller reuses (its storage is
  // kept). True when a record was read.
  virtual bool ReadRecord(JournalRecord* rec, Error* e);
  // The file's name.
  virtual const StrPtr& Name() const;
  // Number of corrupt records skipped so far.
  virtual int SkippedCount() const { return skipped; }
  // The file's size in bytes (0 without a file).
  virtual int64_t Size();
  // Opens the file now rather than at the first read, so that a run can
  // report an input it cannot open before it starts; true when open (or
  // when there is no single file to open). Failures go into e.
  bool OpenInput(Error* e);
  // Bytes of input the records read so far have used, as the file delivers
  // them (decompressed for a gzip file).
  virtual int64_t BytesRead() const { return consumed - (readEnd - readPos); }
  // True when some input is gzip-compressed: BytesRead then counts more
  // bytes than Size, which is the size as stored.
  virtual bool Compressed() const;

  // Sends the warnings reported from now on to reports (not owned) instead
  // of the message log; null for the message log again.
  virtual void SetReports(ReaderReports* r) { reports = r; }

  // The line counter: 1 once the file is open, plus one per newline read.
  int Line() const { return line; }

  // The largest record the reader accepts, counted in bytes of input from
  // where the record (or the search for the next one) began, blanks and
  // NULs included, so that an input that never ends a line cannot be read
  // for ever; beyond it reading stops.
  static const uint32_t kMaxRecordBytes = 1u << 30;

 protected:
  // A reader without a file of its own (for ZtJournalDir).
  ZtJournal();

  // Reports a warning of the reader where SetReports said.
  void Warn(Error* e);

  int32_t opened;
  ReaderReports* reports;  // not owned; null for the message log

 private:
  // Results of NextToken (kMore only between its steps: the token goes on).
  enum { kToken, kEndOfLine, kEndOfInput, kFailure, kCorrupt, kMore };
  // Results of the steps of ReadOne.
  enum { kStepMore, kStepDone, kStepCorrupt, kStepFail };
  // The parse of one record in progress.
  struct RecordParse {
    int opIndex = -1;
    int expected = 0;     // fields the record must have
    bool resync = false;  // looking for the next op code
    int restartOp = -1;   // the token that made the record corrupt, as op code
  };
  // Token states.
  enum { kBetween = 0, kBare = 1, kQuoted = 2, kAfterAt = 3 };

  // ReadRecord without the whole-input checks.
  bool ReadOne(JournalRecord* rec, Error* e);
  // ReadOne's common case: a whole, well-formed record line in the buffered
  // bytes, of a table whose field count is the one known from the record
  // before, without quoted newlines, doubled "@" or NULs. Anything else
  // leaves the input and rec as they were and returns false, for the token
  // by token reading (which reports what is wrong).
  bool QuickRecord(JournalRecord* rec);
  // At the end of the input: sets the error for an input without records
  // or one cut short after its header note.
  void CheckComplete(Error* e);

  // Appends the next token's bytes to out and returns one of the results.
  int NextToken(StrBuf* out, Error* e);
  // NextToken's common case, inline: a token or an end of line wholly in
  // the buffered bytes, read between tokens; kMore (blanks passed over,
  // nothing else taken) leaves the rest to NextToken.
  inline int QuickToken(StrBuf* out);
  // The steps of NextToken, one per token state, over the buffered bytes
  // (inline: they run for every field, and only zt_journal.cc calls them).
  inline int ScanBetween();
  inline int ScanBare(StrBuf* out);
  inline void ScanQuoted(StrBuf* out);
  inline int ScanAfterAt(StrBuf* out, Error* e);
  // Sets msg with the line number, forgets the token and returns kFailure.
  int TokenFailure(const MessageId& msg, Error* e);
  // The steps of ReadOne: a token while looking for an op code, the end of
  // a line, a token of the record, and the restart after a corrupt record.
  void Resynchronise(JournalRecord* rec, int result, uint32_t start, RecordParse* p);
  inline int EndOfLine(JournalRecord* rec, const RecordParse& p, Error* e);
  inline int AddToken(JournalRecord* rec, uint32_t start, RecordParse* p, Error* e);
  void RestartAfterCorrupt(JournalRecord* rec, RecordParse* p, Error* e);
  // Refills the read buffer: the byte count, 0 at the end, -1 on failure.
  int Fill(Error* e);
  // Counts, reports and clears a corrupt record.
  void ReportCorrupt(Error* e);
  // The number of fields a record must have once its table is known; sets
  // the version error and returns -1 for a version the schema lacks.
  int ExpectedFields(int opIndex, const StrPtr& version, const StrPtr& table, Error* e);

  FileSys* file;  // not owned
  // The bytes being scanned are the file's own block when it lends them,
  // or the reader's buffer (made at the first read the file cannot lend).
  std::unique_ptr<char[]> readBuffer;
  bool mayBorrow = true;
  const char* readPos;
  const char* readEnd;
  int32_t tokenState;
  bool damaged;  // inside a quoted token that held a NUL: skipped to its end
  int32_t line;
  int32_t skipped;
  int64_t consumed;  // bytes delivered by the file so far
  int64_t recordStart = 0;  // the input position where the record began
  // The input position of the next byte to scan.
  int64_t Position() const { return consumed - (readEnd - readPos); }
  int64_t records;   // records returned
  bool headerOpen;   // the first record was a checkpoint header note
  bool lastTrailer;  // the last record returned was a trailer note
  bool ended;        // the end (or a failure) has been reported

  // The schema answer for the last table and version seen.
  StrBuf lastTable;
  StrBuf lastVersionText;  // field 1 as it was written
  int lastVersion;
  int lastExpected;
  bool lastValid;
};

#endif  // ZT_JOURNAL_ZT_JOURNAL_H_
