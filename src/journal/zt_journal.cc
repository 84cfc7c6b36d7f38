#include "journal/zt_journal.h"

#include "journal/journal_messages.h"
#include "support/files/filesys.h"
#include "support/messages/message_log.h"

namespace {

const int kReadBufferSize = 32768;

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

inline bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

int CountNewlines(const char* p, const char* end) {
  int n = 0;
  while (p < end) {
    const char* nl = static_cast<const char*>(memchr(p, '\n', end - p));
    if (!nl) break;
    ++n;
    p = nl + 1;
  }
  return n;
}

const StrPtr kNoName;

}  // namespace

ZtJournal::ZtJournal(FileSys* f)
    : opened(0),
      file(f),
      readBuffer(new char[kReadBufferSize]),
      readBytes(0),
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
      lastValid(false) {
  readPos = readEnd = readBuffer.get();
}

ZtJournal::ZtJournal() : ZtJournal(nullptr) { opened = 1; }

ZtJournal::~ZtJournal() = default;

const StrPtr& ZtJournal::Name() const { return file ? file->GetPath() : kNoName; }

int64_t ZtJournal::Size() { return file ? file->GetSize() : 0; }

bool ZtJournal::Compressed() const {
  return file && (file->GetType() & FST_C_MASK) == FST_C_GZIP;
}

int ZtJournal::Fill(Error* e) {
  if (!file) return 0;
  int n = file->Read(readBuffer.get(), kReadBufferSize, e);
  if (n < 0 || e->Test()) return -1;
  readBytes = n;
  consumed += n;
  readPos = readBuffer.get();
  readEnd = readPos + n;
  return n;
}

int ZtJournal::NextToken(StrBuf* out, Error* e) {
  for (;;) {
    if (readPos == readEnd) {
      int n = Fill(e);
      if (n < 0) return kFailure;
      if (n == 0) {
        if (tokenState == kBetween) return kEndOfInput;
        e->Set(kMsgPrematureEof) << line;
        tokenState = kBetween;
        damaged = false;
        return kFailure;
      }
    }
    if (out->Length() > kMaxRecordBytes) {
      e->Set(kMsgRecordTooLarge) << line;
      tokenState = kBetween;
      damaged = false;
      return kFailure;
    }
    switch (tokenState) {
      case kBetween:
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
            break;
          }
          if (c == 0 || IsBlank(c)) {
            ++readPos;
            continue;
          }
          tokenState = kBare;
          break;
        }
        break;

      case kBare: {
        const char* p = readPos;
        while (p < readEnd && !kDelims.ends[static_cast<unsigned char>(*p)]) ++p;
        out->AppendUnterminated(readPos, static_cast<uint32_t>(p - readPos));
        readPos = p;
        if (p == readEnd) break;  // the token goes on in the next block
        if (*p != '\n') ++readPos;  // a newline is left to end the line
        tokenState = kBetween;
        return kToken;
      }

      case kQuoted: {
        // Copy the run up to the next "@" at once, counting its newlines.
        const char* at = static_cast<const char*>(memchr(readPos, '@', readEnd - readPos));
        if (!at) at = readEnd;
        if (!damaged) {
          const char* nul = static_cast<const char*>(memchr(readPos, 0, at - readPos));
          if (nul) {
            // A NUL inside quoted text: the token is corrupt. Skip the rest
            // of it so that the reader resynchronises after the field.
            line += CountNewlines(readPos, nul);
            readPos = nul + 1;
            damaged = true;
            break;
          }
          out->AppendUnterminated(readPos, static_cast<uint32_t>(at - readPos));
        }
        line += CountNewlines(readPos, at);
        readPos = at;
        if (at < readEnd) {
          ++readPos;
          tokenState = kAfterAt;
        }
        break;
      }

      case kAfterAt: {
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
          break;
        }
        if (c == 0) {
          ++readPos;
          damaged = true;
          tokenState = kQuoted;
          break;
        }
        e->Set(kMsgParseError) << line;
        tokenState = kBetween;
        damaged = false;
        return kFailure;
      }
    }
  }
}

void ZtJournal::ReportCorrupt(Error* e) {
  ++skipped;
  e->Set(kMsgSkippingCorrupt) << line;
  GetMessageLog()->Report(e);
  e->Clear();
}

int ZtJournal::ExpectedFields(int opIndex, const StrPtr& version, const StrPtr& table, Error* e) {
  if (!IsTableOp(opIndex)) return ExpectedForOp(opIndex);
  int v = ParseDecimal(version);
  if (!lastValid || v != lastVersion || !lastTable.EqualExact(table)) {
    const SchemaTable* entry = FindSchemaTable(table);
    if (entry && (v < 0 || v >= entry->versionCount)) {
      e->Set(kMsgVersionNotInSchema) << v << table;
      GetMessageLog()->Report(e);
      return -1;
    }
    lastTable.Set(table);
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

bool ZtJournal::ReadOne(JournalRecord* rec, Error* e) {
  if (!opened) {
    file->Open(FOM_READ, e);
    if (e->Test()) return false;
    opened = 1;
    line = 1;
  }
  rec->Reset();
  StrBuf* arena = rec->Arena();
  int opIndex = -1;
  int expected = 0;
  bool resync = false;

  for (;;) {
    uint32_t start = arena->Length();
    int r = NextToken(arena, e);

    if (resync) {
      // Looking for the next op code: ends of lines and corrupt tokens are
      // passed over silently.
      if (r == kEndOfInput || r == kFailure) return false;
      int op = (r == kToken) ? OpIndex(arena->Text() + start, arena->Length() - start) : -1;
      if (op < 0) {
        arena->SetLength(start);
        continue;
      }
      rec->EndField(start);
      opIndex = op;
      expected = ExpectedForOp(op);
      resync = false;
      continue;
    }

    bool corrupt = false;
    int restartOp = -1;  // the token that made the record corrupt, as op code
    switch (r) {
      case kFailure:
        return false;

      case kEndOfInput:
        // A last record without its newline is still checked, not dropped.
        if (rec->Count() == 0) return false;
        [[fallthrough]];
      case kEndOfLine: {
        int n = rec->Count();
        if (n == 0) continue;  // an empty line between records
        StrPtr table = n > 2 ? rec->Pending(2) : StrPtr();
        bool oneShort = n == expected - 1 &&
                        (table.EqualExact("db.traits") || table.EqualExact("db.object"));
        if (n >= 3 && (n >= expected || oneShort)) {
          rec->Finish();
          return true;
        }
        e->Set(kMsgSkippingIncomplete)
            << line << (n > 1 ? ParseDecimal(rec->Pending(1)) : 0) << table << expected - 3;
        corrupt = true;
        break;
      }

      case kCorrupt:
        arena->SetLength(start);
        corrupt = true;
        break;

      case kToken: {
        int n = rec->Count();
        if (n == 0) {
          opIndex = OpIndex(arena->Text() + start, arena->Length() - start);
          if (opIndex < 0) {
            arena->SetLength(start);
            corrupt = true;
            break;
          }
          expected = ExpectedForOp(opIndex);
          rec->EndField(start);
        } else if (n == 1) {
          rec->EndField(start);
        } else if (n == 2) {
          rec->EndField(start);
          expected = ExpectedFields(opIndex, rec->Pending(1), rec->Pending(2), e);
          if (expected < 0) return false;
        } else if (n < expected) {
          rec->EndField(start);
        } else {
          restartOp = OpIndex(arena->Text() + start, arena->Length() - start);
          arena->SetLength(start);
          corrupt = true;
        }
        break;
      }
    }

    if (corrupt) {
      ReportCorrupt(e);
      rec->Reset();
      arena = rec->Arena();
      if (restartOp >= 0) {
        rec->AddField(kOpCodes[restartOp]);
        opIndex = restartOp;
        expected = ExpectedForOp(restartOp);
      } else {
        resync = true;
      }
    }
  }
}
