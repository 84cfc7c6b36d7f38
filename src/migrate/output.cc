// The output pass: the edited records leave as one checkpoint file (-o)
// between a header and a trailer of the program's own making, as a journal
// patch (-j: a "dv" line of the old row and the new row, for changed rows
// only), or as a parallel checkpoint (-O: one file per table, each with its
// own header and trailer).
#include "journal/journal_record.h"
#include "migrate/migrator.h"
#include "migrate/output_messages.h"
#include "support/files/posix/os_file.h"
#include "support/messages/message_log.h"
#include "support/messages/settings.h"

#include <cstdio>

namespace {

// Index of the header fields the program sets.
const int kNoteOp = 0, kNoteType = 1, kNoteFlags = 4, kNoteRoot = 9, kNoteJournal = 10,
          kNoteHeaderTable = 11, kNoteTrailerTable = 9;

void SetNoteField(JournalRecord* note, int index, const StrPtr& value) {
  Error ignored;  // a note always has its 14 fields
  note->SetField(index, value, &ignored);
}

}  // namespace

std::unique_ptr<JournalRecord> Migrator::MakeHeader() {
  auto header = std::make_unique<JournalRecord>(*headerRecord);
  int flags = 1 + (caseInsensitiveOutput ? 1 : 0) + (unicodeCheckpoint ? 8 : 0);
  StrBuf flagText;
  flagText.AppendInt(flags);
  SetNoteField(header.get(), kNoteOp, StrPtr("nx"));
  SetNoteField(header.get(), kNoteType, StrPtr("0"));
  SetNoteField(header.get(), kNoteFlags, flagText);
  SetNoteField(header.get(), kNoteRoot, serverRoot);
  SetNoteField(header.get(), kNoteJournal, StrPtr("journal"));
  return header;
}

std::unique_ptr<JournalRecord> Migrator::MakeTrailer() {
  auto trailer = std::make_unique<JournalRecord>(*headerRecord);
  SetNoteField(trailer.get(), kNoteOp, StrPtr("nx"));
  SetNoteField(trailer.get(), kNoteType, StrPtr("1"));
  return trailer;
}

void Migrator::WriteRecord(Error* e) {
  if (!(mode & kModeJournalPatch)) {
    currentRecord->Format(&line);
    outputFile->Write(line.Text(), static_cast<int>(line.Length()), e);
    ++recordsWritten;
    return;
  }
  // A journal patch holds only the rows that changed: the old row deleted,
  // then the new row put.
  if (currentRecord->Changes() == 0) return;
  line.Set(deletion);
  currentRecord->AppendFormat(&line);
  outputFile->Write(line.Text(), static_cast<int>(line.Length()), e);
  ++recordsWritten;
}

void Migrator::WriteTableRecord(Error* e) {
  Error nameError;
  const StrPtr* table = currentRecord->Table(&nameError);
  if (!table || table->Length() < 3 || memcmp(table->Text(), "db.", 3) != 0) return;

  std::string key(table->Text(), table->Length());
  auto it = tableFiles->find(key);
  if (it == tableFiles->end()) {
    StrBuf path(outputDirectory);
    path.AppendChar('/');
    path.Append(*table);
    path.Append(".ckp");
    std::unique_ptr<FileSys> file = FileSys::Create(FST_TEXT);
    file->SetPerms(FPM_RW);
    file->SetPath(path);
    file->SetAtomicReplace();
    Error openError;
    // A table file that is the checkpoint being read (-O given the
    // directory the input file lies in) is never opened: creating it would
    // truncate the input under the reader.
    bool isInput = input && OsSameFile(path.Text(), input->GetPath().Text());
    if (!isInput) file->Open(FOM_WRITE, &openError);
    if (isInput || openError.Test()) {
      // The record is lost from the output; the run must not end as a
      // success, so the loss is counted and reported at the end.
      RunBeforeOutputHook();
      fprintf(stderr, "could not open %s for writing\n", path.Text());
      ++droppedTableRecords;
      return;
    }
    it = tableFiles->emplace(std::move(key), std::move(file)).first;
    if (headerRecord) {
      std::unique_ptr<JournalRecord> header = MakeHeader();
      SetNoteField(header.get(), kNoteHeaderTable, *table);
      header->Format(&line);
      it->second->Write(line.Text(), static_cast<int>(line.Length()), e);
    }
  }
  currentRecord->Format(&line);
  it->second->Write(line.Text(), static_cast<int>(line.Length()), e);
  ++recordsWritten;
}

void Migrator::EndOutput(Error* e) {
  // After a failure (an input cut short, say) no trailer is written: an
  // output with a trailer would pass for a whole checkpoint.
  const bool whole = !e->Test();
  if (!outputDirectory.IsEmpty()) {
    if (!tableFiles) return;
    for (auto& [table, file] : *tableFiles) {
      if (headerRecord && whole) {
        std::unique_ptr<JournalRecord> trailer = MakeTrailer();
        SetNoteField(trailer.get(), kNoteTrailerTable,
                     StrPtr(table.data(), static_cast<uint32_t>(table.size())));
        trailer->Format(&line);
        file->Write(line.Text(), static_cast<int>(line.Length()), e);
      }
      file->Close(e);
    }
    // The closed files wait for CommitOutputs.
    if (droppedTableRecords)
      e->Set(kMsgTableRecordsLost) << droppedTableRecords << outputDirectory;
    return;
  }
  if (headerRecord && outputFile && !(mode & kModeJournalPatch) && whole) {
    std::unique_ptr<JournalRecord> trailer = MakeTrailer();
    trailer->Format(&line);
    outputFile->Write(line.Text(), static_cast<int>(line.Length()), e);
  }
  // Closing the output here makes a failed final flush part of the run's
  // verdict instead of being lost in the destructor.
  if (outputFile) outputFile->Close(e);
}
