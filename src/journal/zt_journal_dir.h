// ZtJournalDir: reads a parallel checkpoint directory (one journal file per
// table, large tables split into numbered parts, optionally gzip-compressed,
// with digest files beside them) as one stream of records in a fixed table
// order: configuration, counters, groups, depots, domains, then the rest.
//
// Only the directory's own table files are read: regular files named
// <table>.ckp or <table>#<part>.ckp, either with ".gz" when compressed, the
// table name beginning with "db.". Digest files (".md5") are passed over
// quietly; any other entry (a stray copy, a README, a pipe or a
// subdirectory) is reported once as a warning and not read, so that no row
// is read twice and no entry can block the run.
//
// A table file holds only rows of its own table (its name without the
// suffixes, matched without regard to case): a row of another table, as a
// link to a whole checkpoint would give, is an error naming the file and
// line, and reading stops there. Links to table files are otherwise read
// like the files themselves.
//
// The reader owns its list of table files and, while a file is being read,
// that file's object and its ZtJournal; each file is opened when its turn
// comes and closed once it is exhausted. A directory that cannot be listed,
// or that holds no table file, is an error of the first read.
#ifndef ZT_JOURNAL_ZT_JOURNAL_DIR_H_
#define ZT_JOURNAL_ZT_JOURNAL_DIR_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "journal/zt_journal.h"

class FileSys;

// One table file of the directory.
struct TableFile {
  StrBuf path;      // the directory, "/" and the entry's name
  StrBuf table;     // the name without ".gz", ".ckp" and "#" part suffixes
  int32_t group;    // read order group: 0 config ... 5 domain, 100 others
  uint32_t part;    // the part number (0 when absent)
  bool compressed;  // the name ended in ".gz"
};

class ZtJournalDir : public ZtJournal {
 public:
  // Lists the directory and sorts its table files; a listing failure is
  // kept for the first read.
  explicit ZtJournalDir(const StrPtr& directory);
  ~ZtJournalDir() override;

  bool ReadRecord(JournalRecord* rec, Error* e) override;
  const StrPtr& Name() const override { return directory; }
  int SkippedCount() const override;
  int64_t Size() override { return totalSize; }
  // The bytes of the files finished so far plus those of the current one.
  int64_t BytesRead() const override;
  // True when any table file is gzip-compressed.
  bool Compressed() const override;
  // Also for the reader of the file being read and those of the next ones.
  void SetReports(ReaderReports* r) override;

  // The sorted table files.
  int FileCount() const { return static_cast<int>(tableFiles.size()); }
  const TableFile& FileAt(int i) const { return *tableFiles[i]; }

  // Parses an entry name into f (path not set); false for a name that is
  // not a table file's.
  static bool ParseTableFileName(const StrPtr& name, TableFile* f);
  // True for an entry of the directory to read, parsed into f with its
  // path; every other entry but a digest file is reported as a warning.
  static bool TableEntry(const StrPtr& directory, const StrPtr& name, TableFile* f);
  // The read order group of a table name (looked at up to its first "%").
  static int TableGroup(const StrPtr& table);
  // True for a record that is no row (a note or a marker), or a row of
  // table (the table name of a table file, matched without regard to case,
  // whole or up to its "%").
  static bool RowOfTable(const JournalRecord& rec, const StrPtr& table);

 private:

  StrBuf directory;
  std::vector<std::unique_ptr<TableFile>> tableFiles;
  int32_t current;
  std::unique_ptr<ZtJournal> currentReader;
  std::unique_ptr<FileSys> currentFile;
  int64_t totalSize;
  int32_t doneSkipped;
  int64_t doneBytes;  // BytesRead of the files already finished
  Error listError;    // why the directory could not be listed
  bool started;       // the first read has been made
};

#endif  // ZT_JOURNAL_ZT_JOURNAL_DIR_H_
