// JournalRecord: one journal record (one database row) as an ordered list of
// field texts: op code, table version, table name, then the table's fields
// in the order the schema lists them.
//
// The record owns its field texts. They live in one arena buffer, each
// followed by a NUL byte, so reading a record costs a few allocations however
// many fields it has, and a record reused by ReadRecord costs none. The
// pointers handed out by Get/GetField stay valid until the next SetField,
// SetOp or Reset of the record.
#ifndef ZT_JOURNAL_JOURNAL_RECORD_H_
#define ZT_JOURNAL_JOURNAL_RECORD_H_

#include <cstdint>
#include <vector>

#include "support/messages/error.h"
#include "support/text/strbuf.h"

class JournalRecord {
 public:
  JournalRecord();
  // Deep copy of every field value; the copy's change count starts at 0.
  JournalRecord(const JournalRecord& other);
  JournalRecord& operator=(const JournalRecord&) = delete;
  ~JournalRecord();

  // Number of fields.
  int Count() const { return static_cast<int>(spans_.size()); }
  // Number of field values changed through SetField since the record was made.
  int Changes() const { return changes_; }

  // Fields 0, 1 and 2; null with the index error when the record is shorter.
  const StrPtr* Op(Error* e) const { return GetField(0, e); }
  const StrPtr* Version(Error* e) const { return GetField(1, e); }
  const StrPtr* Table(Error* e) const { return GetField(2, e); }

  // The field at index, or null (no error) when out of range.
  const StrPtr* Get(int index) const {
    return (index >= 0 && index < Count()) ? &views_[index] : nullptr;
  }
  // The field at index, or null with "Index ... too large" when out of range.
  const StrPtr* GetField(int index, Error* e) const;
  // The field the schema names `name` in this record's table and version.
  const StrPtr* GetField(const StrPtr& name, Error* e) const;
  // Replaces the field when the value differs byte for byte; counts a change.
  void SetField(int index, const StrPtr& value, Error* e);
  void SetField(const StrPtr& name, const StrPtr& value, Error* e);
  // Replaces field 0 without counting a change.
  void SetOp(const StrPtr& value, Error* e);

  // Empties out, then writes the record in standard format ending in "\n".
  // With an op code, it is written in place of field 0.
  void Format(StrBuf* out, const StrPtr* op = nullptr) const;
  // As Format, appending to out instead of emptying it first.
  void AppendFormat(StrBuf* out, const StrPtr* op = nullptr) const;
  // Every field in standard format followed by one space, no newline.
  const StrBuf* Text();

  // The position of a field name in this record (3 + its schema place), or
  // -1 with the schema's error.
  int FieldPosition(const StrPtr& name, Error* e) const;

  // Exchanges contents (fields, storage, change count) with other; the
  // pointers handed out by both stay valid and follow their bytes.
  void Swap(JournalRecord* other);

  // ---- Building, for the readers ----

  // Drops every field (storage kept) and zeroes the change count.
  void Reset();
  // The buffer a new field's bytes are appended to.
  StrBuf* Arena() { return &arena_; }
  // Makes the bytes appended to the arena since offset `start` a new field.
  // Get and GetField see the new fields only after Finish.
  void EndField(uint32_t start) {
    uint32_t length = arena_.Length() - start;
    *arena_.Alloc(1) = 0;  // every field is NUL-terminated in the arena
    spans_.push_back(Span{start, length});
  }
  // A field added since the last Finish, by position (no range check).
  StrPtr Pending(int index) const {
    return StrPtr(arena_.Text() + spans_[index].offset, spans_[index].length);
  }
  // Makes every field added by EndField visible.
  void Finish() { RebuildViews(); }
  // Appends a field holding a copy of value (visible at once).
  void AddField(const StrPtr& value);

  // ---- Building in one pass, for a reader that knows a bound on the
  // bytes of a whole record ----

  // On an empty record: makes room for `bytes` bytes of field text, NULs
  // included, and returns where the first field goes.
  char* BeginFields(uint32_t bytes) {
    views_.clear();
    char* room = arena_.Alloc(bytes);
    arena_.SetLength(0);
    return room;
  }
  // Makes the n bytes written at `at` in that room (followed by a NUL the
  // caller wrote) the next field, visible at once.
  void PutField(const char* at, uint32_t n) {
    spans_.push_back(Span{static_cast<uint32_t>(at - arena_.Text()), n});
    views_.emplace_back(at, n);
  }
  // Ends the building; end is just past the last field's NUL.
  void EndFields(const char* end) {
    arena_.SetLength(static_cast<uint32_t>(end - arena_.Text()));
  }

 private:
  struct Span {
    uint32_t offset;
    uint32_t length;
  };
  // Points every view at its bytes again (after the arena moved).
  void RebuildViews();

  StrBuf arena_;
  std::vector<Span> spans_;
  std::vector<StrPtr> views_;
  StrBuf text_;
  int32_t changes_;
};

// Appends one field in standard format followed by one space: bare when it
// is 1 to 32 decimal digits or exactly 32 hexadecimal digits, otherwise
// between "@" signs with every "@" doubled.
void AppendStandardField(StrBuf* out, const StrPtr& field);

// True when the field is written bare in standard format.
bool IsBareField(const char* bytes, uint32_t n);

// The decimal value of a version text: leading blanks, an optional sign,
// then digits up to the first non-digit; no digits gives 0.
int ParseDecimal(const StrPtr& text);

#endif  // ZT_JOURNAL_JOURNAL_RECORD_H_
