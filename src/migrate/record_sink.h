// RecordSink: where the scan sends each record once the catalogue has
// treated it. Three writers, each over files written under a temporary name
// and renamed into place only by Commit: the whole checkpoint (-o), the
// journal patch (-j: only changed rows, as a "dv" line of the row as read
// and the new row) and the parallel directory (-O: one file per table).
#ifndef ZT_MIGRATE_RECORD_SINK_H_
#define ZT_MIGRATE_RECORD_SINK_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "journal/journal_record.h"
#include "migrate/output_notes.h"
#include "support/files/filesys.h"
#include "support/text/strbuf.h"

class RecordSink {
 public:
  virtual ~RecordSink() = default;

  // After each note of the input (the template is set by then).
  virtual void Noted(Error*) {}
  // Each note of the input as read, before Noted.
  virtual void NoteRead(const JournalRecord&) {}
  // The record as read, before the catalogue changes it.
  virtual void Read(const JournalRecord&) {}
  // The record as treated.
  virtual void Put(const JournalRecord& record, Error* e) = 0;
  // Ends the output: trailers only when whole (a failed run must not leave
  // an output that passes for complete), then closes its files so that a
  // failed final flush counts in the verdict.
  virtual void Finish(bool whole, Error* e) = 0;
  // Gives every closed file its name; stops at the first failure.
  virtual void Commit(Error* e) = 0;

  // Data records written so far.
  int64_t Written() const { return written_; }
  // Header and trailer notes written so far.
  int64_t NotesWritten() const { return notesWritten_; }
  // True when the output holds every data record read (all but a patch).
  virtual bool HoldsEveryRecord() const { return true; }
  // The output's name, for messages.
  virtual StrPtr Name() const = 0;

 protected:
  int64_t written_ = 0;
  int64_t notesWritten_ = 0;
  StrBuf line_;  // the output line being written
};

// -o: the header note, every record, the trailer note. The file is owned by
// the caller and opened by it.
class CheckpointWriter : public RecordSink {
 public:
  CheckpointWriter(FileSys* file, const OutputNotes* notes) : file_(file), notes_(notes) {}
  void Noted(Error* e) override;
  void Put(const JournalRecord& record, Error* e) override;
  void Finish(bool whole, Error* e) override;
  void Commit(Error* e) override { file_->Commit(e); }
  StrPtr Name() const override { return file_->FinalPath(); }

 private:
  FileSys* file_;
  const OutputNotes* notes_;
  bool headerWritten_ = false;
};

// -j: for each changed row, the row as read deleted then the new row put;
// no notes.
class JournalPatchWriter : public RecordSink {
 public:
  explicit JournalPatchWriter(FileSys* file) : file_(file) {}
  void Read(const JournalRecord& record) override;
  void Put(const JournalRecord& record, Error* e) override;
  void Finish(bool whole, Error* e) override;
  void Commit(Error* e) override { file_->Commit(e); }
  bool HoldsEveryRecord() const override { return false; }
  StrPtr Name() const override { return file_->FinalPath(); }

 private:
  FileSys* file_;
  StrBuf deletion_;  // the record as read, as a "dv" line
};

// -O: one "<table>.ckp" per db.* table, made at its first record, each with
// its own header and trailer, under a temporary name until Commit (so a
// table file can never be the input being read: the directory was refused
// before the run if it held table files). Table names are matched without
// regard to case: a "DB.rev" row goes to db.rev.ckp. With force the table
// files of an earlier run are replaced, and those this run did not write
// are removed once its own are in place.
class TableFilesWriter : public RecordSink {
 public:
  TableFilesWriter(const StrPtr& directory, const OutputNotes* notes, bool force);
  // Removes the directory again when this run made it and did not commit.
  ~TableFilesWriter() override;
  void Put(const JournalRecord& record, Error* e) override;
  void Finish(bool whole, Error* e) override;
  // All tables or none: a commit that fails part-way removes the tables it
  // had already put in place (new files: a directory holding tables is
  // refused before the run).
  void Commit(Error* e) override;
  // The directory did not exist before this run.
  void MadeDirectory() { madeDirectory_ = true; }
  StrPtr Name() const override { return directory_; }

 private:
  // The open file of a table, made with its header; null when it could not
  // be made (reported on standard error and counted).
  FileSys* TableFile(const StrPtr& table, Error* e);

  // With force: removes the directory's table files that this run did not
  // write.
  void RemoveEarlierTables(Error* e);

  StrBuf directory_;
  const OutputNotes* notes_;
  bool force_;
  std::map<std::string, std::unique_ptr<FileSys>> files_;
  // The table of the previous record and its file: records come in runs of
  // one table, so most records need no map lookup.
  StrBuf lastTable_;
  FileSys* lastFile_ = nullptr;
  int64_t dropped_ = 0;  // records whose table file could not be made
  bool madeDirectory_ = false;
  bool committed_ = false;
};

#endif  // ZT_MIGRATE_RECORD_SINK_H_
