// OriginalTables: the rows of a checkpoint, one table at a time, in the
// order the checkpoint holds them within each table, whatever order its
// tables come in. Notes (header and trailer) are passed over.
//
// A parallel checkpoint directory gives each table from its own files, each
// read once. A checkpoint file is read in passes: one pass reads the file
// from its start and hands out the rows of the table asked for, passing over
// those of other tables and counting, by table, every row it passes. A pass
// can go on serving a table when it has passed exactly the rows of that
// table handed out so far; when no open pass can, a new one starts. A file
// whose tables come in the order the rows are asked for (an edited
// checkpoint against its original) is thus read once; a parallel
// checkpoint's order against a file sorted by table name takes about three
// passes. Memory is a reader per pass and a count per table and pass.
#ifndef ZT_MIGRATE_VERIFY_ORIGINAL_TABLES_H_
#define ZT_MIGRATE_VERIFY_ORIGINAL_TABLES_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "journal/journal_record.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

class OriginalTables {
 public:
  virtual ~OriginalTables() = default;

  // The rows of the checkpoint file or directory at path; null with e set
  // when it cannot be read. With threads above 1 the first pass over a
  // file is parsed on a thread of its own, ahead of the comparison.
  static std::unique_ptr<OriginalTables> Open(const StrPtr& path, int threads, Error* e);

  // Reads the next row of table not handed out yet into rec; false at the
  // table's end, or on a failure (e set).
  virtual bool Next(const StrPtr& table, JournalRecord* rec, Error* e) = 0;
  // Every table name the checkpoint holds (reading to its end when needed).
  virtual void Tables(std::vector<std::string>* out, Error* e) = 0;
  // Corrupt records passed over (each counted once).
  virtual int Skipped() const = 0;
  // Times the checkpoint was read from its start (1 for a directory).
  virtual int Passes() const = 0;

  // A file object of a checkpoint name (gzip for ".gz").
  static std::unique_ptr<class FileSys> CheckpointFile(const StrPtr& name);
  // True for a note record (its op code begins with "n" or "N").
  static bool IsNote(const JournalRecord& rec);
};

#endif  // ZT_MIGRATE_VERIFY_ORIGINAL_TABLES_H_
