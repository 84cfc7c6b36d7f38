#include "migrate/output_notes.h"

namespace {

// Index of the note fields the program sets.
const int kNoteOp = 0, kNoteType = 1, kNoteFlags = 4, kNoteRoot = 9, kNoteJournal = 10,
          kNoteHeaderTable = 11, kNoteTrailerTable = 9;

void SetNoteField(JournalRecord* note, int index, const StrPtr& value) {
  Error ignored;  // a note always has its 14 fields
  note->SetField(index, value, &ignored);
}

}  // namespace

OutputNotes::OutputNotes(const StrBuf* serverRoot, const bool* unicode, bool caseInsensitive)
    : serverRoot_(serverRoot), unicode_(unicode), caseInsensitive_(caseInsensitive) {}

void OutputNotes::SetTemplate(const JournalRecord& note, Error* e) {
  templ_ = std::make_unique<JournalRecord>(note);
  static const StrPtr kZero("0");
  static const StrPtr kEmpty("");
  for (int i = 4; i < templ_->Count(); ++i) templ_->SetField(i, i <= 8 ? kZero : kEmpty, e);
}

std::unique_ptr<JournalRecord> OutputNotes::Header(const StrPtr* table) const {
  auto header = std::make_unique<JournalRecord>(*templ_);
  int flags = 1 + (caseInsensitive_ ? 1 : 0) + (*unicode_ ? 8 : 0);
  StrBuf flagText;
  flagText.AppendInt(flags);
  SetNoteField(header.get(), kNoteOp, StrPtr("nx"));
  SetNoteField(header.get(), kNoteType, StrPtr("0"));
  SetNoteField(header.get(), kNoteFlags, flagText);
  SetNoteField(header.get(), kNoteRoot, *serverRoot_);
  SetNoteField(header.get(), kNoteJournal, StrPtr("journal"));
  if (table) SetNoteField(header.get(), kNoteHeaderTable, *table);
  return header;
}

std::unique_ptr<JournalRecord> OutputNotes::Trailer(const StrPtr* table) const {
  auto trailer = std::make_unique<JournalRecord>(*templ_);
  SetNoteField(trailer.get(), kNoteOp, StrPtr("nx"));
  SetNoteField(trailer.get(), kNoteType, StrPtr("1"));
  if (table) SetNoteField(trailer.get(), kNoteTrailerTable, *table);
  return trailer;
}
