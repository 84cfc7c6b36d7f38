#include "journal/zt_journal.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "journal/journal_messages.h"
#include "support/files/filesys.h"
#include "support/messages/message_log.h"
#include "support/text/byte_scan.h"

namespace {

// The reader's own buffer, for a file that cannot lend its blocks: above
// the buffered file's own buffer, so that the file reads straight into it.
const int kReadBufferSize = 256 << 10;

const char* const kOpCodes[] = {"pv", "dv", "rv", "vv", "mx", "ex", "nx", "dl"};

// The op code's place in kOpCodes, or -1.
int OpIndex(const char* p, uint32_t n) {
  if (n != 2) return -1;
  for (int i = 0; i < 8; ++i)
    if (p[0] == kOpCodes[i][0] && p[1] == kOpCodes[i][1]) return i;
  return -1;
}

bool IsTableOp(int opIndex) { return opIndex >= 0 && opIndex <= 3; }

// Fields a record of this op code must have before its table is known.
int ExpectedForOp(int opIndex) {
  switch (opIndex) {
    case 6: return 14;  // nx: journal note
    case 7: return 6;   // dl
    default: return 3;  // markers; table records until the table is read
  }
}

// Bytes that end a bare token: blanks, newline and NUL.
struct DelimTable {
  bool ends[256] = {};
  DelimTable() {
    for (unsigned char c : {'\0', ' ', '\t', '\r', '\v', '\f', '\n'}) ends[c] = true;
  }
};
const DelimTable kDelims;

// Bytes dropped between tokens: blanks other than the newline, and NUL.
struct BetweenTokensTable {
  bool drop[256] = {};
  BetweenTokensTable() {
    for (unsigned char c : {'\0', ' ', '\t', '\r', '\v', '\f'}) drop[c] = true;
  }
};
const BetweenTokensTable kBetweenTokens;

inline bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The first byte in [p, end) that ends a bare token (a blank, newline or
// NUL), or end. Every such byte is at most a space, and few other bytes
// are, so whole blocks are tested for those first.
inline const char* FindBareEnd(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' ');
  while (end - p >= 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i upToSpace = _mm_cmpeq_epi8(_mm_min_epu8(v, space), v);
    unsigned low = static_cast<unsigned>(_mm_movemask_epi8(upToSpace));
    for (; low; low &= low - 1) {
      const char* q = p + std::countr_zero(low);
      if (kDelims.ends[static_cast<unsigned char>(*q)]) return q;
    }
    p += 16;
  }
#else
  if constexpr (std::endian::native == std::endian::little) {
    while (end - p >= 8) {
      uint64_t v;
      memcpy(&v, p, 8);
      // Bytes below 0x21, exact for the lowest one.
      constexpr uint64_t kOnes = 0x0101010101010101ull;
      uint64_t low = (v - 0x21 * kOnes) & ~v & (0x80 * kOnes);
      if (!low) {
        p += 8;
        continue;
      }
      const char* q = p + std::countr_zero(low) / 8;
      if (kDelims.ends[static_cast<unsigned char>(*q)]) return q;
      p = q + 1;
    }
  }
#endif
  while (p < end && !kDelims.ends[static_cast<unsigned char>(*p)]) ++p;
  return p;
}

// The first "@", newline or NUL in [p, end), or end: the bytes at which a
// run of quoted text stops.
inline const char* FindQuotedStop(const char* p, const char* end) {
  return FindAnyOf(p, end, '@', '\n', '\0');
}

const StrPtr kNoName;

}  // namespace

ZtJournal::ZtJournal(FileSys* f)
    : opened(0),
      reports(nullptr),
      file(f),
      readPos(nullptr),
      readEnd(nullptr),
      tokenState(kBetween),
      damaged(false),
      line(0),
      skipped(0),
      consumed(0),
      records(0),
      headerOpen(false),
      lastTrailer(false),
      ended(false),
      lastVersion(0),
      lastExpected(0),
      lastValid(false) {}

ZtJournal::ZtJournal() : ZtJournal(nullptr) { opened = 1; }

ZtJournal::~ZtJournal() = default;

const StrPtr& ZtJournal::Name() const { return file ? file->GetPath() : kNoName; }

int64_t ZtJournal::Size() { return file ? file->GetSize() : 0; }

bool ZtJournal::Compressed() const {
  return file && (file->GetType() & kFileCompressMask) == kFileGzipBit;
}

int ZtJournal::Fill(Error* e) {
  if (!file) return 0;
  const char* data = nullptr;
  int n = FileSys::kCannotLend;
  if (mayBorrow) n = file->ReadLent(&data, e);
  if (n == FileSys::kCannotLend) {
    mayBorrow = false;
    if (!readBuffer) readBuffer.reset(new char[kReadBufferSize]);
    data = readBuffer.get();
    n = file->Read(readBuffer.get(), kReadBufferSize, e);
  }
  if (n < 0 || e->Test()) return -1;
  consumed += n;
  readPos = data;
  readEnd = data + n;
  return n;
}

int ZtJournal::TokenFailure(const MessageId& msg, Error* e) {
  e->Set(msg) << line;
  tokenState = kBetween;
  damaged = false;
  return kFailure;
}

int ZtJournal::QuickToken(StrBuf* out) {
  if (tokenState != kBetween || Position() - recordStart > kMaxRecordBytes ||
      out->Length() > kMaxRecordBytes)
    return kMore;
  const char* p = readPos;
  while (p < readEnd && *p == ' ') ++p;
  readPos = p;  // blanks between tokens are dropped whichever way goes on
  if (p == readEnd) return kMore;
  unsigned char c = static_cast<unsigned char>(*p);
  if (c == '\n') {
    readPos = p + 1;
    ++line;
    return kEndOfLine;
  }
  if (c == '@') {
    // Quoted text without a newline, NUL or doubled "@", closed by an "@"
    // and a blank or newline, all in the buffered bytes.
    const char* stop = FindQuotedStop(p + 1, readEnd);
    if (readEnd - stop < 2 || *stop != '@') return kMore;
    unsigned char after = static_cast<unsigned char>(stop[1]);
    if (after != '\n' && !IsBlank(after)) return kMore;
    out->AppendUnterminated(p + 1, static_cast<uint32_t>(stop - p - 1));
    readPos = after == '\n' ? stop + 1 : stop + 2;
    return kToken;
  }
  if (c == 0 || IsBlank(c)) return kMore;
  const char* end = FindBareEnd(p, readEnd);
  if (end == readEnd) return kMore;
  out->AppendUnterminated(p, static_cast<uint32_t>(end - p));
  readPos = *end == '\n' ? end : end + 1;  // a newline is left to end the line
  return kToken;
}

int ZtJournal::NextToken(StrBuf* out, Error* e) {
  for (;;) {
    if (readPos == readEnd) {
      int n = Fill(e);
      if (n < 0) return kFailure;
      if (n == 0) return tokenState == kBetween ? kEndOfInput : TokenFailure(kMsgPrematureEof, e);
    }
    if (out->Length() > kMaxRecordBytes || Position() - recordStart > kMaxRecordBytes)
      return TokenFailure(kMsgRecordTooLarge, e);
    // A token that begins and ends in the buffered bytes goes from one step
    // to the next without coming back here.
    int r = kMore;
    switch (tokenState) {
      case kBetween:
        r = ScanBetween();
        if (r != kMore || readPos == readEnd) break;
        if (tokenState == kBare) {
          r = ScanBare(out);
          break;
        }
        [[fallthrough]];  // into a quoted token
      case kQuoted:
        ScanQuoted(out);
        if (tokenState != kAfterAt || readPos == readEnd) break;
        [[fallthrough]];
      case kAfterAt: r = ScanAfterAt(out, e); break;
      case kBare: r = ScanBare(out); break;
    }
    if (r != kMore) return r;
  }
}

int ZtJournal::ScanBetween() {
  while (readPos < readEnd) {
    unsigned char c = static_cast<unsigned char>(*readPos);
    if (c == '\n') {
      ++readPos;
      ++line;
      return kEndOfLine;
    }
    if (c == '@') {
      ++readPos;
      tokenState = kQuoted;
      return kMore;
    }
    if (c == 0 || IsBlank(c)) {
      ++readPos;
      continue;
    }
    tokenState = kBare;
    return kMore;
  }
  return kMore;
}

int ZtJournal::ScanBare(StrBuf* out) {
  const char* p = FindBareEnd(readPos, readEnd);
  out->AppendUnterminated(readPos, static_cast<uint32_t>(p - readPos));
  readPos = p;
  if (p == readEnd) return kMore;  // the token goes on in the next block
  if (*p != '\n') ++readPos;       // a newline is left to end the line
  tokenState = kBetween;
  return kToken;
}

void ZtJournal::ScanQuoted(StrBuf* out) {
  // Copy the run up to the next "@" at once, counting its newlines.
  const char* p = readPos;
  for (;;) {
    const char* stop = FindQuotedStop(p, readEnd);
    if (stop < readEnd && *stop == '\n') {
      ++line;
      p = stop + 1;
      continue;
    }
    if (stop < readEnd && *stop == 0) {
      if (damaged) {
        p = stop + 1;
        continue;
      }
      // A NUL inside quoted text: the token is corrupt. Skip the rest of it
      // so that the reader resynchronises after the field.
      readPos = stop + 1;
      damaged = true;
      return;
    }
    if (!damaged) out->AppendUnterminated(readPos, static_cast<uint32_t>(stop - readPos));
    readPos = stop;
    if (stop < readEnd) {
      ++readPos;
      tokenState = kAfterAt;
    }
    return;
  }
}

int ZtJournal::ScanAfterAt(StrBuf* out, Error* e) {
  unsigned char c = static_cast<unsigned char>(*readPos);
  if (c == '\n' || IsBlank(c)) {
    if (c != '\n') ++readPos;
    tokenState = kBetween;
    if (damaged) {
      damaged = false;
      return kCorrupt;
    }
    return kToken;
  }
  if (c == '@') {  // a doubled "@"
    ++readPos;
    if (!damaged) out->AppendUnterminated("@", 1);
    tokenState = kQuoted;
    return kMore;
  }
  if (c == 0) {
    ++readPos;
    damaged = true;
    tokenState = kQuoted;
    return kMore;
  }
  return TokenFailure(kMsgParseError, e);
}

void ZtJournal::Warn(Error* e) {
  if (reports)
    reports->Report(*e);
  else
    GetMessageLog()->Report(e);
}

void ZtJournal::ReportCorrupt(Error* e) {
  ++skipped;
  e->Set(kMsgSkippingCorrupt) << line;
  Warn(e);
  e->Clear();
}

int ZtJournal::ExpectedFields(int opIndex, const StrPtr& version, const StrPtr& table, Error* e) {
  if (!IsTableOp(opIndex)) return ExpectedForOp(opIndex);
  int v = ParseDecimal(version);
  if (!lastValid || v != lastVersion || !lastTable.EqualExact(table)) {
    const SchemaTable* entry = FindSchemaTable(table);
    if (entry && (v < 0 || v >= entry->versionCount)) {
      e->Set(kMsgVersionNotInSchema) << v << table;
      Warn(e);
      return -1;
    }
    lastTable.Set(table);
    lastVersionText.Set(version);
    lastVersion = v;
    lastExpected = 3 + SchemaFieldCount(entry, v);
    lastValid = true;
  }
  return lastExpected;
}

std::unique_ptr<JournalRecord> ZtJournal::GetRecord(Error* e) {
  std::unique_ptr<JournalRecord> rec(new JournalRecord);
  if (!ReadRecord(rec.get(), e)) return nullptr;
  return rec;
}

namespace {

// True for a journal note of the given type ("nx" records carry the type
// in their field 1: 0 the checkpoint header, 1 its trailer).
bool IsNoteOfType(const JournalRecord& rec, int type) {
  const StrPtr* op = rec.Get(0);
  const StrPtr* t = rec.Get(1);
  return op && t && op->EqualExact("nx") && t->Length() && ParseDecimal(*t) == type;
}

}  // namespace

bool ZtJournal::ReadRecord(JournalRecord* rec, Error* e) {
  if (ended) return false;
  if (ReadOne(rec, e)) {
    if (records++ == 0) headerOpen = IsNoteOfType(*rec, 0);
    lastTrailer = IsNoteOfType(*rec, 1);
    return true;
  }
  ended = true;
  if (!e->Test()) CheckComplete(e);
  return false;
}

void ZtJournal::CheckComplete(Error* e) {
  if (records == 0) {
    e->Set(kMsgNoRecords) << Name();
  } else if (headerOpen && !lastTrailer) {
    e->Set(kMsgTruncatedCheckpoint) << Name() << line;
  }
}

bool ZtJournal::OpenInput(Error* e) {
  if (opened || !file) return true;
  file->Open(kOpenRead, e);
  if (e->Test()) return false;
  opened = 1;
  line = 1;
  return true;
}

bool ZtJournal::ReadOne(JournalRecord* rec, Error* e) {
  if (!opened && !OpenInput(e)) return false;
  rec->Reset();
  recordStart = Position();
  if (tokenState == kBetween && QuickRecord(rec)) return true;
  RecordParse p;
  for (;;) {
    StrBuf* arena = rec->Arena();
    uint32_t start = arena->Length();
    int r = QuickToken(arena);
    if (r == kMore) r = NextToken(arena, e);
    if (p.resync) {
      // Looking for the next op code: ends of lines and corrupt tokens are
      // passed over silently.
      if (r == kEndOfInput || r == kFailure) return false;
      Resynchronise(rec, r, start, &p);
      continue;
    }
    int step = kStepMore;
    p.restartOp = -1;
    switch (r) {
      case kFailure: return false;
      case kEndOfInput:
        // A last record without its newline is still checked, not dropped.
        if (rec->Count() == 0) return false;
        [[fallthrough]];
      case kEndOfLine: step = EndOfLine(rec, p, e); break;
      case kCorrupt:
        arena->SetLength(start);
        step = kStepCorrupt;
        break;
      case kToken: step = AddToken(rec, start, &p, e); break;
    }
    if (step == kStepDone) return true;
    if (step == kStepFail) return false;
    if (step == kStepCorrupt) RestartAfterCorrupt(rec, &p, e);
  }
}

bool ZtJournal::QuickRecord(JournalRecord* rec) {
  const char* p = readPos;
  const char* const end = readEnd;
  if (p == end) return false;  // nothing buffered yet (no buffer at all, at first)
  const char* newline = static_cast<const char*>(memchr(p, '\n', end - p));
  if (!newline || newline - p > kMaxRecordBytes) return false;
  // The fields are parts of the line, each followed by at least one byte
  // (a blank, or the newline) that their NULs take the place of; 16 bytes
  // more let short fields be copied whole.
  const uint32_t lineBytes = static_cast<uint32_t>(newline - p);
  char* d = rec->BeginFields(lineBytes + 17);
  // Copies a field of n bytes at from to d, a short one by one or two
  // whole blocks of 16 when the input has the bytes to read (the room has
  // the 15 more to write).
  auto put = [&](const char* from, uint32_t n) {
    if (n <= 16 && end - from >= 16) {
      memcpy(d, from, 16);
    } else if (n <= 32 && end - from >= 32) {
      memcpy(d, from, 16);
      memcpy(d + 16, from + 16, 16);
    } else {
      memcpy(d, from, n);
    }
    d[n] = 0;
    rec->PutField(d, n);
    d += n + 1;
  };
  for (;;) {
    while (p < end && kBetweenTokens.drop[static_cast<unsigned char>(*p)]) ++p;
    if (p == end) break;
    if (*p == '\n') {
      ++p;
      int n = rec->Count();
      if (n < 3) break;  // an empty line, or one without its table
      int op = OpIndex(rec->Pending(0).Text(), rec->Pending(0).Length());
      if (op < 0) break;
      int expected = ExpectedForOp(op);
      if (IsTableOp(op)) {
        if (!lastValid || !lastVersionText.EqualExact(rec->Pending(1)) ||
            !lastTable.EqualExact(rec->Pending(2)))
          break;  // a table or version to look up (and maybe report) first
        expected = lastExpected;
      }
      StrPtr table = rec->Pending(2);
      bool oneShort = n == expected - 1 &&
                      (table.EqualExact("db.traits") || table.EqualExact("db.object"));
      if (n != expected && !oneShort) break;
      ++line;
      readPos = p;
      rec->EndFields(d);
      return true;
    }
    if (*p == '@') {
      const char* stop = FindQuotedStop(p + 1, end);
      if (end - stop < 2 || *stop != '@') break;
      unsigned char after = static_cast<unsigned char>(stop[1]);
      if (after != '\n' && !IsBlank(after)) break;
      put(p + 1, static_cast<uint32_t>(stop - p - 1));
      p = after == ' ' ? stop + 2 : stop + 1;
    } else {
      const char* stop = FindBareEnd(p, end);
      if (stop == end) break;
      put(p, static_cast<uint32_t>(stop - p));
      // Its delimiter is dropped as any byte between tokens.
      p = *stop == ' ' ? stop + 1 : stop;
    }
  }
  rec->Reset();
  return false;
}

void ZtJournal::Resynchronise(JournalRecord* rec, int result, uint32_t start, RecordParse* p) {
  StrBuf* arena = rec->Arena();
  int op = (result == kToken) ? OpIndex(arena->Text() + start, arena->Length() - start) : -1;
  if (op < 0) {
    arena->SetLength(start);
    return;
  }
  rec->EndField(start);
  p->opIndex = op;
  p->expected = ExpectedForOp(op);
  p->resync = false;
}

int ZtJournal::EndOfLine(JournalRecord* rec, const RecordParse& p, Error* e) {
  int n = rec->Count();
  if (n == 0) return kStepMore;  // an empty line between records
  StrPtr table = n > 2 ? rec->Pending(2) : StrPtr();
  bool oneShort =
      n == p.expected - 1 && (table.EqualExact("db.traits") || table.EqualExact("db.object"));
  if (n >= 3 && (n >= p.expected || oneShort)) {
    rec->Finish();
    return kStepDone;
  }
  e->Set(kMsgSkippingIncomplete) << line << (n > 1 ? ParseDecimal(rec->Pending(1)) : 0) << table
                                 << p.expected - 3;
  return kStepCorrupt;
}

int ZtJournal::AddToken(JournalRecord* rec, uint32_t start, RecordParse* p, Error* e) {
  StrBuf* arena = rec->Arena();
  int n = rec->Count();
  if (n == 0) {
    p->opIndex = OpIndex(arena->Text() + start, arena->Length() - start);
    if (p->opIndex < 0) {
      arena->SetLength(start);
      return kStepCorrupt;
    }
    p->expected = ExpectedForOp(p->opIndex);
    rec->EndField(start);
  } else if (n == 2) {
    rec->EndField(start);
    p->expected = ExpectedFields(p->opIndex, rec->Pending(1), rec->Pending(2), e);
    if (p->expected < 0) return kStepFail;
  } else if (n == 1 || n < p->expected) {
    rec->EndField(start);
  } else {
    // One field too many: the record is corrupt, and the token may be the
    // op code of a record whose newline was lost.
    p->restartOp = OpIndex(arena->Text() + start, arena->Length() - start);
    arena->SetLength(start);
    return kStepCorrupt;
  }
  return kStepMore;
}

void ZtJournal::RestartAfterCorrupt(JournalRecord* rec, RecordParse* p, Error* e) {
  ReportCorrupt(e);
  rec->Reset();
  recordStart = Position();
  if (p->restartOp >= 0) {
    rec->AddField(kOpCodes[p->restartOp]);
    p->opIndex = p->restartOp;
    p->expected = ExpectedForOp(p->restartOp);
  } else {
    p->resync = true;
  }
}
