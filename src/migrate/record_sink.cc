// The three writers of the output pass.
#include "migrate/record_sink.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "journal/zt_journal_dir.h"

#include "migrate/output_messages.h"
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

FileSys* TableFilesWriter::TableFile(const StrPtr& table, Error* e) {
  if (lastFile_ && table.EqualExact(lastTable_)) return lastFile_;
  std::string key(table.Text(), table.Length());
  auto it = files_.find(key);
  if (it != files_.end()) {
    lastTable_.Set(table);
    return lastFile_ = it->second.get();
  }

  StrBuf path(directory_);
  path.AppendChar('/');
  path.Append(table);
  path.Append(".ckp");
  std::unique_ptr<FileSys> file = FileSys::Create(FST_TEXT);
  file->SetPerms(FPM_RW);
  file->SetPath(path);
  file->SetAtomicReplace();
  if (!force_) file->SetKeepExisting();
  Error openError;
  file->Open(FOM_WRITE, &openError);
  if (openError.Test()) {
    // The record is lost from the output; the run must not end as a
    // success, so the loss is counted and reported at the end.
    RunBeforeOutputHook();
    fprintf(stderr, "could not open %s for writing\n", path.Text());
    return nullptr;
  }
  FileSys* f = files_.emplace(std::move(key), std::move(file)).first->second.get();
  lastTable_.Set(table);
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
  lowered_.Set(*table);
  lowered_.LowerAscii();
  FileSys* file = TableFile(lowered_, e);
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

void TableFilesWriter::Commit(Error* e) {
  // Together: the first failure stops the rest, which are then removed
  // with their FileSys.
  for (auto& entry : files_) {
    entry.second->Commit(e);
    if (e->GetSeverity() > E_INFO) return;
  }
  if (force_) RemoveEarlierTables(e);
}

void TableFilesWriter::RemoveEarlierTables(Error* e) {
  std::unique_ptr<FileSys> dir = FileSys::Create(FST_TEXT);
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
    std::unique_ptr<FileSys> earlier = FileSys::Create(FST_TEXT);
    earlier->SetPath(path);
    earlier->Unlink(e);
  }
}
