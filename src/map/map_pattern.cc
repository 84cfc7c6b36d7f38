// Pattern parsing, matching, expansion and covering for one map half.
#include "map/map_pattern.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "support/messages/debug.h"

const uint8_t MapSide::kEmpty[1] = {0};

void MapSide::Parse(const StrPtr& source, int mode) {
  // At most one element per text byte, and the end: the bytes row, and the
  // kinds row written after the longest bytes row, then moved up to follow
  // the real one.
  const size_t limit = static_cast<size_t>(source.Length()) + 1;
  size_t capacity = 0;
  if (owned) memcpy(&capacity, bytes_ - kHeader, kHeader);
  if (capacity < 2 * limit) {
    Release();
    capacity = 2 * limit;
    uint8_t* block = new uint8_t[kHeader + capacity];
    memcpy(block, &capacity, kHeader);
    bytes_ = block + kHeader;
    owned = true;
  }
  uint8_t* bytes = const_cast<uint8_t*>(bytes_);
  uint8_t* kinds = bytes + limit;
  caseMode = static_cast<int8_t>(mode);
  usable = true;
  int stars = 0, dots = 0, wildcards = 0;
  int n = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(source.Text());
  const unsigned char* e = p + source.Length();
  while (p < e && *p) {
    int kind = ElementLiteral, slot = 0;
    if (*p == '.' && e - p >= 3 && p[1] == '.' && p[2] == '.') {
      kind = ElementDots;
      int k = dots++;
      if (k >= kMaxDots) { k = kMaxDots - 1; usable = false; }
      slot = kDotsSlotBase + k;
      p += 3;
    } else if (*p == '%' && e - p >= 3 && p[1] == '%' && p[2] >= '0' && p[2] <= '9') {
      kind = ElementPositional;
      slot = p[2] - '0';
      p += 3;
    } else if (*p == '*') {
      kind = ElementStar;
      int k = stars++;
      if (k >= kMaxStars) { k = kMaxStars - 1; usable = false; }
      slot = kStarSlotBase + k;
      ++p;
    }
    if (kind == ElementLiteral) {
      bytes[n] = *p++;  // a slash too: the byte tells it apart
      kinds[n] = 0;
    } else {
      bytes[n] = 0;
      kinds[n] = PatternElements::KindSlot(kind, slot);
      ++wildcards;
    }
    ++n;
  }
  bytes[n] = 0;
  kinds[n] = ElementEnd;
  end = n;
  if (wildcards) memmove(bytes + end + 1, kinds, static_cast<size_t>(end) + 1);
  wildcardCount = static_cast<uint8_t>(wildcards < 255 ? wildcards : 255);
  if (wildcards > kMaxWildcards) usable = false;
  literalPrefixLength = 0;
  while (bytes[literalPrefixLength]) ++literalPrefixLength;
  lower = middle = higher = 0;
  maxSlot = -1;
  sharedWithParent = 0;
}

void MapSide::Release() {
  if (owned) delete[] (bytes_ - kHeader);
  bytes_ = kEmpty;
  owned = false;
}

void MapSide::CopyFrom(const MapSide& other, void* block) {
  Release();
  memcpy(block, other.bytes_, other.BlockSize());
  bytes_ = static_cast<const uint8_t*>(block);
  end = other.end;
  literalPrefixLength = other.literalPrefixLength;
  wildcardCount = other.wildcardCount;
  caseMode = other.caseMode;
  usable = other.usable;
  lower = middle = higher = 0;
  maxSlot = -1;
  sharedWithParent = 0;
}

StrBuf MapSide::Text() const {
  StrBuf out;
  const PatternElements el = Elements();
  for (int i = 0; i < end; ++i) {
    const PatternElement x = el[i];
    switch (x.kind) {
      case ElementDots: out.Append("...", 3); break;
      case ElementStar: out.Append("*", 1); break;
      case ElementPositional: {
        const char t[3] = {'%', '%', static_cast<char>('0' + x.slot)};
        out.Append(t, 3);
        break;
      }
      default: out.AppendChar(static_cast<char>(x.byte)); break;
    }
  }
  return out;
}

bool MapSide::SlotsSetBy(const MapSide& other) const {
  return (SlotMask() & ~other.SlotMask()) == 0;
}

int MapSide::Tail() const {
  int tail = end;
  while (tail > 0 && bytes_[tail - 1]) --tail;
  return tail;
}

uint32_t MapSide::SlotMask() const {
  uint32_t mask = 0;
  const PatternElements el = Elements();
  for (int i = literalPrefixLength; i < end; ++i)
    if (!el.IsLiteral(i)) mask |= 1u << el[i].slot;
  return mask;
}

namespace {

struct MatchFrame {
  int element;  // the element after the wildcard
  int slot;     // the wildcard's capture
  int start;    // where the wildcard began
};

// Backtracking steps before Match starts remembering dead ends. Patterns
// with several wildcards over a long path that almost matches would
// otherwise take time exponential in the number of wildcards.
constexpr int kMemoAfterSteps = 1 << 14;

// The (wildcard, position) pairs from which the rest of a pattern is known
// not to match. Whether the rest matches depends only on the pair, never
// on what earlier wildcards took, so a failed pair can be skipped on
// later visits without changing which match is found first.
class DeadEnds {
 public:
  bool Active() const { return !bits.empty(); }
  // Starts remembering for a pattern of `elements` elements over positions
  // 0..len. With captures, a slot used twice shares its capture between two
  // wildcards, so the rest of the match no longer depends on the pair
  // alone: then nothing is remembered.
  void Activate(const PatternElements& el, int elements, int len, bool captures) {
    uint32_t slots = 0;
    for (int i = 0; captures && i < elements; ++i) {
      if (!IsWildcardKind(el[i].kind)) continue;
      if (slots & (1u << el[i].slot)) return;
      slots |= 1u << el[i].slot;
    }
    ordinal.assign(elements + 1, -1);
    int n = 0;
    for (int i = 0; i < elements; ++i)
      if (IsWildcardKind(el[i].kind)) ordinal[i] = n++;
    stride = len + 1;
    bits.assign((static_cast<size_t>(n) * stride + 63) / 64, 0);
  }
  bool Dead(int element, int pos) const {
    size_t i = static_cast<size_t>(ordinal[element]) * stride + pos;
    return bits[i / 64] >> (i % 64) & 1;
  }
  void Mark(int element, int pos) {
    size_t i = static_cast<size_t>(ordinal[element]) * stride + pos;
    bits[i / 64] |= uint64_t{1} << (i % 64);
  }

 private:
  std::vector<int> ordinal;  // per element: its wildcard number, or -1
  std::vector<uint64_t> bits;
  int stride = 0;
};

}  // namespace

bool MapSide::Match(const StrPtr& path, MapCaptures* caps, int trace, int verified) const {
  if (!usable) return false;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(path.Text());
  const int len = static_cast<int>(path.Length());
  const PatternElements el = Elements();
  if (len < literalPrefixLength) return false;

  // The rest of the literal prefix that the caller has not verified.
  for (int i = verified; i < literalPrefixLength; ++i)
    if (!PatternByteEqual(el.Byte(i), s[i], caseMode)) return false;

  // The trailing literal run must end the path: this rejects most
  // non-matching paths before any backtracking.
  if (HasWildcards()) {
    int j = len - 1;
    // The run stops at the last wildcard, there being one.
    for (int i = end - 1; el.IsLiteral(i) && j >= literalPrefixLength; --i, --j)
      if (!PatternByteEqual(el.Byte(i), s[j], caseMode)) return false;
  }

  MatchFrame stack[kMaxWildcards];
  int depth = 0;
  int steps = 0;
  DeadEnds dead;
  int e = literalPrefixLength;
  int pos = literalPrefixLength;
  for (;;) {
    bool ok;
    if (trace >= 6) DebugPrintf("matching %c vs %s\n", el[e].byte ? el[e].byte : '*', reinterpret_cast<const char*>(s + pos));
    switch (el[e].kind) {
      case ElementEnd:
        ok = pos == len;
        if (ok) return true;
        break;
      case ElementLiteral:
      case ElementSlash:
        ok = true;
        while (el.IsLiteral(e)) {
          if (pos >= len || !PatternByteEqual(el.Byte(e), s[pos], caseMode)) {
            ok = false;
            break;
          }
          ++e;
          ++pos;
        }
        if (ok) continue;
        break;
      default: {
        if (dead.Active() && dead.Dead(e, pos)) {
          ok = false;
          break;
        }
        int slot = el[e].slot;
        caps->start[slot] = pos;
        if (el[e].kind == ElementDots) {
          pos = len;
        } else {
          const void* slash = memchr(s + pos, '/', len - pos);
          pos = slash ? static_cast<int>(static_cast<const unsigned char*>(slash) - s) : len;
        }
        caps->end[slot] = pos;
        stack[depth++] = MatchFrame{e + 1, slot, caps->start[slot]};
        ++e;
        continue;
      }
    }
    // Backtrack: the newest wildcard gives up one byte.
    if (++steps == kMemoAfterSteps) dead.Activate(el, end, len, true);
    for (;;) {
      if (depth == 0) return false;
      MatchFrame& f = stack[depth - 1];
      if (caps->end[f.slot] > caps->start[f.slot]) {
        pos = --caps->end[f.slot];
        e = f.element;
        break;
      }
      if (dead.Active()) dead.Mark(f.element - 1, f.start);
      --depth;
    }
  }
}

void MapSide::Expand(const StrPtr& source, const MapCaptures& caps, StrBuf* out, int trace) const {
  out->Clear();
  if (trace >= 6) DebugPrintf("Expand %s\n", Text().Text());
  const PatternElements el = Elements();
  int e = 0;
  for (;;) {
    if (el.IsLiteral(e)) {
      // A run of literal elements is a run of consecutive bytes: copy it whole.
      const int from = e;
      while (el.IsLiteral(e)) ++e;
      out->AppendUnterminated(el.Text(from), static_cast<uint32_t>(e - from));
      continue;
    }
    const PatternElement x = el[e];
    if (x.kind == ElementEnd) break;
    int slot = x.slot;
    if (caps.start[slot] >= 0) {
      int n = caps.end[slot] - caps.start[slot];
      if (trace >= 6)
        DebugPrintf("... %d %p to '%.*s'\n", slot, static_cast<const void*>(&caps.start[slot]), n,
                    source.Text() + caps.start[slot]);
      out->AppendUnterminated(source.Text() + caps.start[slot], static_cast<uint32_t>(n));
    } else {
      out->AppendUnterminated(x.kind == ElementDots ? "..." : "*", x.kind == ElementDots ? 3 : 1);
    }
    ++e;
  }
  out->NulTerminate();
  if (trace >= 6) DebugPrintf("Expanded to %s\n", out->Text());
}

// Covers walks this pattern once, keeping the set of positions in other at
// which the text covered so far can end: a literal moves each position on
// by one where other has the same element there, a "*" (or positional)
// spreads each position up to the next slash, "..." or end of other, and a
// "..." spreads the first position to the end. That is linear in the
// product of the two lengths, whatever the wildcards.
bool MapSide::Covers(const MapSide& other) const {
  if (!usable || !other.usable) return false;
  const PatternElements A = Elements();
  const PatternElements B = other.Elements();
  // Most pairs differ within the literal prefix: settle those first.
  int a = 0;
  while (A.IsLiteral(a)) {
    if (A.Byte(a) != B.Byte(a)) return false;  // equal literal bytes are equal kinds
    ++a;
  }
  const int nb = other.end;  // other's end element: every position is 0..nb
  if (A[a].kind == ElementEnd) return a == nb;
  // And the literal tail after the last wildcard must end other.
  for (int i = end - 1, j = nb - 1; A.IsLiteral(i); --i, --j)
    if (j < a || A.Byte(i) != B.Byte(j)) return false;
  unsigned char small[2][256];
  std::vector<unsigned char> large;
  unsigned char* cur = small[0];
  unsigned char* next = small[1];
  if (nb + 1 > 256) {
    large.assign(2 * static_cast<size_t>(nb + 1), 0);
    cur = large.data();
    next = cur + nb + 1;
  }
  // Positions outside lo..hi are not set; only that range of cur is read.
  int lo = a, hi = a;
  cur[a] = 1;
  for (; A[a].kind != ElementEnd; ++a) {
    const PatternElement el = A[a];
    int nlo = nb + 1, nhi = -1;
    if (IsLiteralKind(el.kind)) {
      for (int b = lo; b <= hi && b < nb; ++b) {
        const bool on = cur[b] && B.Byte(b) == el.byte;
        next[b + 1] = on;
        if (on) {
          if (nlo > nb) nlo = b + 1;
          nhi = b + 1;
        }
      }
    } else if (el.kind == ElementDots) {
      int b = lo;
      while (b <= hi && !cur[b]) ++b;
      if (b <= hi) {
        nlo = b;
        nhi = nb;
        for (; b <= nb; ++b) next[b] = 1;
      }
    } else {
      bool active = false;
      for (int b = lo; b <= nb; ++b) {
        if (b <= hi) active |= cur[b] != 0;
        else if (!active) break;
        next[b] = active;
        if (active) {
          if (nlo > nb) nlo = b;
          nhi = b;
        }
        const int k = B[b].kind;
        if (k == ElementEnd || k == ElementSlash || k == ElementDots) active = false;
      }
    }
    if (nhi < 0) return false;
    std::swap(cur, next);
    lo = nlo;
    hi = nhi;
  }
  return hi == nb && cur[nb] != 0;
}

int ComparePatterns(const MapSide& a, const MapSide& b) {
  const PatternElements x = a.Elements();
  const PatternElements y = b.Elements();
  int n = a.LiteralPrefixLength() < b.LiteralPrefixLength() ? a.LiteralPrefixLength() : b.LiteralPrefixLength();
  for (int i = 0; i < n; ++i) {
    int d = PatternByteCompare(x[i].byte, y[i].byte, x[i].caseMode);
    if (d) return d;
  }
  return a.LiteralPrefixLength() - b.LiteralPrefixLength();
}

int CommonPrefix(const MapSide& x, const MapSide& y) {
  const PatternElements p = x.Elements();
  const PatternElements q = y.Elements();
  int n = x.LiteralPrefixLength();
  int i = 0;
  // y's first wildcard or end (byte 0) stops the walk.
  while (i < n && q.IsLiteral(i) && PatternByteEqual(p.Byte(i), q.Byte(i), p[i].caseMode)) ++i;
  return i;
}
