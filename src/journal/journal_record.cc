#include "journal/journal_record.h"

#include <climits>
#include <utility>

#include "journal/journal_messages.h"
#include "journal/schema.h"
#include "support/text/byte_scan.h"

namespace {

inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Byte classes for the bare-field test: 1 decimal digit, 2 other hex digit.
struct DigitClasses {
  unsigned char of[256] = {};
  DigitClasses() {
    for (int c = '0'; c <= '9'; ++c) of[c] = 1;
    for (int c = 'a'; c <= 'f'; ++c) of[c] = of[c - 'a' + 'A'] = 2;
  }
};
const DigitClasses kDigitClasses;

}  // namespace

namespace {

// True when every one of the n bytes is a decimal digit; eight at a time,
// a byte outside '0'..'9' setting a high bit in one of the three words
// (a borrow or carry from a lower byte only happens after such a byte).
inline bool AllDigits(const unsigned char* p, uint32_t n) {
  if (n < 8) {
    for (uint32_t i = 0; i < n; ++i)
      if (!IsDigit(p[i])) return false;
    return true;
  }
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  auto digits = [](const unsigned char* at) {
    uint64_t v;
    memcpy(&v, at, 8);
    return ((v | (v + 0x46 * kOnes) | (v - 0x30 * kOnes)) & (0x80 * kOnes)) == 0;
  };
  for (uint32_t i = 0; i + 8 <= n; i += 8)
    if (!digits(p + i)) return false;
  return digits(p + n - 8);  // the last eight, overlapping
}

// IsBareField, inline for the writer.
inline bool IsBare(const char* bytes, uint32_t n) {
  if (n == 0 || n > 32) return false;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
  // Mostly a number: decimal digits decide it.
  if (AllDigits(p, n)) return true;
  if (n != 32) return false;
  for (uint32_t i = 0; i < n; ++i)
    if (!kDigitClasses.of[p[i]]) return false;
  return true;
}

}  // namespace

bool IsBareField(const char* bytes, uint32_t n) { return IsBare(bytes, n); }

namespace {

// Copies n bytes (at most 32) by two overlapping moves of a fixed size,
// which the compiler makes single loads and stores.
inline void CopyShort(char* d, const char* p, uint32_t n) {
  if (n >= 16) {
    memcpy(d, p, 16);
    memcpy(d + n - 16, p + n - 16, 16);
  } else if (n >= 8) {
    memcpy(d, p, 8);
    memcpy(d + n - 8, p + n - 8, 8);
  } else if (n >= 4) {
    memcpy(d, p, 4);
    memcpy(d + n - 4, p + n - 4, 4);
  } else if (n > 0) {
    d[0] = p[0];
    d[n / 2] = p[n / 2];
    d[n - 1] = p[n - 1];
  }
}

// Room a field may take in standard format: every byte an "@" (doubled),
// two quotes and the space.
inline uint64_t FieldRoom(uint32_t n) { return 2 * static_cast<uint64_t>(n) + 3; }

// Writes one field in standard format and its space at d (FieldRoom bytes
// free); returns the end of what was written.
[[gnu::always_inline]] inline char* WriteStandardField(char* d, const char* p, uint32_t n) {
  if (IsBare(p, n)) {
    CopyShort(d, p, n);
    d[n] = ' ';
    return d + n + 1;
  }
  *d++ = '@';
  const char* end = p + n;
  while (p < end) {
    const char* at = FindAnyOf(p, end, '@', '@', '@');
    if (at == end) {
      memcpy(d, p, end - p);
      d += end - p;
      break;
    }
    size_t run = at - p + 1;  // the run and its "@"
    memcpy(d, p, run);
    d += run;
    *d++ = '@';
    p = at + 1;
  }
  *d++ = '@';
  *d++ = ' ';
  return d;
}

}  // namespace

void AppendStandardField(StrBuf* out, const StrPtr& field) {
  uint32_t before = out->Length();
  char* start = out->Alloc(static_cast<uint32_t>(FieldRoom(field.Length())));
  char* d = WriteStandardField(start, field.Text(), field.Length());
  out->SetLength(before + static_cast<uint32_t>(d - start));
}

int ParseDecimal(const StrPtr& text) {
  const char* p = text.Text();
  const char* e = p + text.Length();
  while (p < e && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f'))
    ++p;
  bool neg = false;
  if (p < e && (*p == '-' || *p == '+')) neg = (*p++ == '-');
  int64_t v = 0;
  while (p < e && IsDigit(static_cast<unsigned char>(*p))) {
    if (v < INT_MAX) v = v * 10 + (*p - '0');  // saturates instead of overflowing
    ++p;
  }
  if (v > INT_MAX) v = INT_MAX;
  return static_cast<int>(neg ? -v : v);
}

JournalRecord::JournalRecord() : changes_(0) {}

JournalRecord::JournalRecord(const JournalRecord& other)
    : arena_(other.arena_), spans_(other.spans_), changes_(0) {
  RebuildViews();
}

JournalRecord::~JournalRecord() = default;

void JournalRecord::RebuildViews() {
  // Reset keeps the views, so that a record reused for records of about the
  // same shape resizes them seldom; each is then overwritten in place.
  const size_t n = spans_.size();
  if (views_.size() != n) views_.resize(n);
  const char* base = arena_.Text();
  const Span* span = spans_.data();
  StrPtr* view = views_.data();
  for (size_t i = 0; i < n; ++i) view[i].Set(base + span[i].offset, span[i].length);
}

void JournalRecord::Swap(JournalRecord* other) {
  std::swap(arena_, other->arena_);
  spans_.swap(other->spans_);
  views_.swap(other->views_);
  std::swap(text_, other->text_);
  std::swap(changes_, other->changes_);
}

void JournalRecord::Reset() {
  arena_.Clear();
  spans_.clear();  // the views are left to the next RebuildViews
  changes_ = 0;
}

void JournalRecord::AddField(const StrPtr& value) {
  uint32_t start = arena_.Length();
  arena_.AppendUnterminated(value.Text(), value.Length());
  EndField(start);
  RebuildViews();
}

const StrPtr* JournalRecord::GetField(int index, Error* e) const {
  if (index < 0 || index >= Count()) {
    e->Set(kMsgIndexTooLarge) << index;
    return nullptr;
  }
  return &views_[index];
}

int JournalRecord::FieldPosition(const StrPtr& name, Error* e) const {
  const StrPtr* table = GetField(2, e);
  if (!table) return -1;
  const StrPtr* version = GetField(1, e);
  if (!version) return -1;
  int v = ParseDecimal(*version);
  const SchemaTable* entry = FindSchemaTable(*table);
  int place = SchemaFieldIndex(entry, v, name);
  if (place == -1) {
    e->Set(kMsgTableNotInSchema) << *table;
    return -1;
  }
  if (place == -2) {
    e->Set(kMsgVersionNotInSchema) << *version << *table;
    return -1;
  }
  if (place == -3) {
    e->Set(kMsgFieldNotInSchema) << name << *version << *table;
    return -1;
  }
  return 3 + place;
}

const StrPtr* JournalRecord::GetField(const StrPtr& name, Error* e) const {
  int pos = FieldPosition(name, e);
  if (pos < 0) return nullptr;
  return GetField(pos, e);
}

void JournalRecord::SetField(int index, const StrPtr& value, Error* e) {
  if (index < 0 || index >= Count()) {
    e->Set(kMsgIndexTooLarge) << index;
    return;
  }
  if (views_[index].EqualExact(value)) return;
  // The new value goes to the end of the arena, with its NUL; the old bytes
  // stay unused. The value may itself lie in the arena, which growing may
  // move: it is then found again by its offset.
  const uint32_t n = value.Length();
  const char* from = value.Text();
  const uint32_t start = arena_.Length();
  const uintptr_t at = reinterpret_cast<uintptr_t>(from);
  const uintptr_t base = reinterpret_cast<uintptr_t>(arena_.Text());
  const bool inArena = at >= base && at < base + start;
  const uint32_t offset = inArena ? static_cast<uint32_t>(from - arena_.Text()) : 0;
  char* to = arena_.Alloc(n + 1);
  const bool moved = arena_.Text() != reinterpret_cast<const char*>(base);
  if (inArena) from = arena_.Text() + offset;
  memcpy(to, from, n);
  to[n] = 0;
  spans_[index] = Span{start, n};
  // The other views stay right unless the arena moved (or the record is
  // still being read).
  if (moved || views_.size() != spans_.size())
    RebuildViews();
  else
    views_[index].Set(to, n);
  ++changes_;
}

void JournalRecord::SetField(const StrPtr& name, const StrPtr& value, Error* e) {
  int pos = FieldPosition(name, e);
  if (pos < 0) return;
  SetField(pos, value, e);
}

void JournalRecord::SetOp(const StrPtr& value, Error* e) {
  if (Count() == 0) {
    e->Set(kMsgIndexTooLarge) << 0;
    return;
  }
  StrBuf copy(value);
  uint32_t start = arena_.Length();
  arena_.AppendUnterminated(copy.Text(), copy.Length());
  arena_.NulTerminate();
  arena_.Alloc(1);
  spans_[0] = Span{start, copy.Length()};
  RebuildViews();
}

void JournalRecord::AppendFormat(StrBuf* out, const StrPtr* op) const {
  // Room for the whole record is made once; fields then go in unchecked.
  const int first = op ? 1 : 0;
  uint64_t room = 2 + (op ? FieldRoom(op->Length()) : 0);
  for (int i = first; i < Count(); ++i) room += FieldRoom(views_[i].Length());
  if (room > UINT32_MAX - out->Length()) {
    // Beyond a buffer's reach: field by field, as the buffer allows.
    if (op) AppendStandardField(out, *op);
    for (int i = first; i < Count(); ++i) AppendStandardField(out, views_[i]);
    out->AppendChar('\n');
    return;
  }
  uint32_t before = out->Length();
  char* start = out->Alloc(static_cast<uint32_t>(room));
  char* d = start;
  if (op) d = WriteStandardField(d, op->Text(), op->Length());
  for (int i = first; i < Count(); ++i)
    d = WriteStandardField(d, views_[i].Text(), views_[i].Length());
  *d++ = '\n';
  *d = 0;
  out->SetLength(before + static_cast<uint32_t>(d - start));
}

void JournalRecord::Format(StrBuf* out, const StrPtr* op) const {
  out->Clear();
  AppendFormat(out, op);
}

const StrBuf* JournalRecord::Text() {
  text_.Clear();
  for (int i = 0; i < Count(); ++i) AppendStandardField(&text_, views_[i]);
  text_.NulTerminate();
  return &text_;
}
