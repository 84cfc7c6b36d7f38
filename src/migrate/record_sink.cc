// The three writers of the output pass.
#include "migrate/record_sink.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "journal/zt_journal_dir.h"

#include "migrate/output_messages.h"
#include "support/files/path_sys.h"
#include "support/messages/message_log.h"
#include "support/text/var_array.h"

namespace {

void WriteLine(FileSys* file, const StrBuf& line, Error* e) {
  file->Write(line.Text(), static_cast<int>(line.Length()), e);
}

}  // namespace

void CheckpointWriter::Noted(Error* e) {
  if (headerWritten_) return;
  notes_->Header()->Format(&line_);
  WriteLine(file_, line_, e);
  headerWritten_ = true;
  ++notesWritten_;
}

void CheckpointWriter::Put(const JournalRecord& record, Error* e) {
  record.Format(&line_);
  WriteLine(file_, line_, e);
  ++written_;
}

void CheckpointWriter::Finish(bool whole, Error* e) {
  if (notes_->HasTemplate() && whole) {
    notes_->Trailer()->Format(&line_);
    WriteLine(file_, line_, e);
    ++notesWritten_;
  }
  file_->Close(e);
}

void JournalPatchWriter::Read(const JournalRecord& record) {
  static const StrPtr kDeleteOp("dv");
  record.Format(&deletion_, &kDeleteOp);
}

void JournalPatchWriter::Put(const JournalRecord& record, Error* e) {
  if (record.Changes() == 0) return;
  line_.Set(deletion_);
  record.AppendFormat(&line_);
  WriteLine(file_, line_, e);
  ++written_;
}

void JournalPatchWriter::Finish(bool, Error* e) { file_->Close(e); }

TableFilesWriter::TableFilesWriter(const StrPtr& directory, const OutputNotes* notes,
                                   bool force)
    : directory_(directory), notes_(notes), force_(force) {}

FileSys* TableFilesWriter::TableFile(const StrPtr& spelt, Error* e) {
  if (lastFile_ && spelt.EqualExact(lastTable_)) return lastFile_;
  // The reader takes table names in any case: every spelling of a table
  // goes to the one file of its lower-case name.
  StrBuf table(spelt);
  table.LowerAscii();
  std::string key(table.Text(), table.Length());
  auto it = files_.find(key);
  if (it != files_.end()) {
    lastTable_.Set(spelt);
    return lastFile_ = it->second.get();
  }

  StrBuf path(directory_);
  path.AppendChar('/');
  path.Append(table);
  path.Append(".ckp");
  std::unique_ptr<FileSys> file = FileSys::Create(kFileText);
  file->SetPerms(kPermReadWrite);
  file->SetPath(path);
  file->SetAtomicReplace();
  if (!force_) file->SetKeepExisting();
  Error openError;
  file->Open(kOpenWrite, &openError);
  if (openError.Test()) {
    // The record is lost from the output; the run must not end as a
    // success, so the loss is counted and reported at the end.
    RunBeforeOutputHook();
    fprintf(stderr, "could not open %s for writing\n", path.Text());
    return nullptr;
  }
  FileSys* f = files_.emplace(std::move(key), std::move(file)).first->second.get();
  lastTable_.Set(spelt);
  lastFile_ = f;
  if (notes_->HasTemplate()) {
    notes_->Header(&table)->Format(&line_);
    WriteLine(f, line_, e);
    ++notesWritten_;
  }
  return f;
}

void TableFilesWriter::Put(const JournalRecord& record, Error* e) {
  Error nameError;
  const StrPtr* table = record.Table(&nameError);
  if (!table || table->Length() < 3 || strncasecmp(table->Text(), "db.", 3) != 0) return;
  FileSys* file = TableFile(*table, e);
  if (!file) {
    ++dropped_;
    return;
  }
  record.Format(&line_);
  WriteLine(file, line_, e);
  ++written_;
}

void TableFilesWriter::Finish(bool whole, Error* e) {
  for (auto& [table, file] : files_) {
    if (notes_->HasTemplate() && whole) {
      StrPtr name(table.data(), static_cast<uint32_t>(table.size()));
      notes_->Trailer(&name)->Format(&line_);
      WriteLine(file.get(), line_, e);
      ++notesWritten_;
    }
    file->Close(e);
  }
  // The closed files wait for Commit.
  if (dropped_) e->Set(kMsgTableRecordsLost) << dropped_ << directory_;
}

TableFilesWriter::~TableFilesWriter() {
  if (committed_ || !madeDirectory_) return;
  // The uncommitted tables go with their FileSys; the directory is then
  // empty, unless something else was put in it meanwhile.
  files_.clear();
  std::unique_ptr<FileSys> dir = FileSys::Create(kFileText);
  PathSys parent(directory_);
  if (parent.StripLastComponent()) dir->SetStopDir(parent);
  PathSys inside(directory_);
  inside.Append("/.ztmigrate");
  Error ignored;
  dir->RmDir(inside, &ignored);
}

void TableFilesWriter::Commit(Error* e) {
  // Together: the first failure stops the rest, which are then removed
  // with their FileSys, and takes back the tables already committed.
  for (auto& entry : files_) {
    entry.second->Commit(e);
    if (e->GetSeverity() <= E_INFO) continue;
    // The failing table too, when only its directory's flush failed.
    for (auto& done : files_) {
      Error ignored;
      if (!done.second->AwaitsCommit()) done.second->Unlink(&ignored);
    }
    return;
  }
  committed_ = true;
  if (force_) RemoveEarlierTables(e);
}

void TableFilesWriter::RemoveEarlierTables(Error* e) {
  std::unique_ptr<FileSys> dir = FileSys::Create(kFileText);
  dir->SetPath(directory_);
  std::unique_ptr<StrVarArray> names = dir->ScanDir(e);
  for (int i = 0; names && i < names->Count() && !e->Test(); ++i) {
    const StrBuf& name = *names->At(i);
    ::TableFile table;
    if (!ZtJournalDir::ParseTableFileName(name, &table)) continue;
    if (!table.compressed && table.part == 0 && name.Length() == table.table.Length() + 4 &&
        files_.count(std::string(table.table.Text(), table.table.Length())))
      continue;  // written by this run
    StrBuf path(directory_);
    path.AppendChar('/');
    path.Append(name);
    std::unique_ptr<FileSys> earlier = FileSys::Create(kFileText);
    earlier->SetPath(path);
    earlier->Unlink(e);
  }
}
