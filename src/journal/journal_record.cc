#include "journal/journal_record.h"

#include <climits>
#include <utility>

#include "journal/journal_messages.h"
#include "journal/schema.h"

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

bool IsBareField(const char* bytes, uint32_t n) {
  if (n == 0 || n > 32) return false;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
  unsigned seen = 3;  // the classes every byte so far belongs to
  for (uint32_t i = 0; i < n; ++i) {
    unsigned c = kDigitClasses.of[p[i]];
    if (!c) return false;
    seen &= (c == 1) ? 3 : 2;
  }
  return (seen & 1) || n == 32;
}

void AppendStandardField(StrBuf* out, const StrPtr& field) {
  const char* p = field.Text();
  uint32_t n = field.Length();
  if (IsBareField(p, n)) {
    char* d = out->Alloc(n + 1);
    memcpy(d, p, n);
    d[n] = ' ';
    return;
  }
  // Worst case: every byte an "@" (doubled), two quotes and the space.
  uint32_t before = out->Length();
  char* d = out->Alloc(2 * n + 3);
  char* const start = d;
  *d++ = '@';
  const char* end = p + n;
  while (p < end) {
    const char* at = static_cast<const char*>(memchr(p, '@', end - p));
    if (!at) {
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
  // Appended one by one rather than resized: a resize would first make
  // every new view empty, for each record read.
  views_.clear();
  const char* base = arena_.Text();
  for (const Span& span : spans_) views_.emplace_back(base + span.offset, span.length);
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
  spans_.clear();
  views_.clear();
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
  if (inArena) from = arena_.Text() + offset;
  memcpy(to, from, n);
  to[n] = 0;
  spans_[index] = Span{start, n};
  RebuildViews();
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
  int i = 0;
  if (op) {
    AppendStandardField(out, *op);
    i = 1;
  }
  for (; i < Count(); ++i) AppendStandardField(out, views_[i]);
  out->AppendChar('\n');
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
