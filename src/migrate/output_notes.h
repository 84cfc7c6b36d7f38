// OutputNotes: the header and trailer notes every output begins and ends
// with, made from the first note of the input (the template) and the run's
// current archive root and Unicode flag.
#ifndef ZT_MIGRATE_OUTPUT_NOTES_H_
#define ZT_MIGRATE_OUTPUT_NOTES_H_

#include <memory>

#include "journal/journal_record.h"
#include "support/text/strbuf.h"

class OutputNotes {
 public:
  // serverRoot and unicode are read each time a header is made; they must
  // outlive this object.
  OutputNotes(const StrBuf* serverRoot, const bool* unicode, bool caseInsensitive);

  // Makes note the template: its fields 4 to 8 become "0", later ones empty.
  void SetTemplate(const JournalRecord& note, Error* e);
  bool HasTemplate() const { return templ_ != nullptr; }
  const JournalRecord* Template() const { return templ_.get(); }
  void Clear() { templ_.reset(); }

  // The output's header ("nx" type 0, flags from the run) and trailer
  // ("nx" type 1); the template must be set. table, when not null, goes
  // into the table field of a per-table file's note.
  std::unique_ptr<JournalRecord> Header(const StrPtr* table = nullptr) const;
  std::unique_ptr<JournalRecord> Trailer(const StrPtr* table = nullptr) const;

 private:
  const StrBuf* serverRoot_;
  const bool* unicode_;
  bool caseInsensitive_;
  std::unique_ptr<JournalRecord> templ_;
};

#endif  // ZT_MIGRATE_OUTPUT_NOTES_H_
