// Pattern parsing, matching, expansion and covering for one map half.
#include "map/map_pattern.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "support/messages/debug.h"

void MapSide::Parse(const StrPtr& source, int mode) {
  text.Set(source);
  caseMode = mode;
  chars.clear();
  chars.reserve(text.Length() + 1);
  usable = true;
  slotMask = 0;
  int stars = 0, dots = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.Text());
  const unsigned char* e = p + text.Length();
  while (p < e && *p) {
    PatternElement el = {0, 0, ElementLiteral, static_cast<int8_t>(mode)};
    if (*p == '/') {
      el.kind = ElementSlash;
      el.byte = '/';
      ++p;
    } else if (*p == '.' && e - p >= 3 && p[1] == '.' && p[2] == '.') {
      el.kind = ElementDots;
      int n = dots++;
      if (n >= kMaxDots) { n = kMaxDots - 1; usable = false; }
      el.slot = static_cast<uint8_t>(kDotsSlotBase + n);
      p += 3;
    } else if (*p == '%' && e - p >= 3 && p[1] == '%' && p[2] >= '0' && p[2] <= '9') {
      el.kind = ElementPositional;
      el.slot = static_cast<uint8_t>(p[2] - '0');
      p += 3;
    } else if (*p == '*') {
      el.kind = ElementStar;
      int n = stars++;
      if (n >= kMaxStars) { n = kMaxStars - 1; usable = false; }
      el.slot = static_cast<uint8_t>(kStarSlotBase + n);
      ++p;
    } else {
      el.byte = *p++;
    }
    if (IsWildcardKind(el.kind)) slotMask |= 1u << el.slot;
    chars.push_back(el);
  }
  chars.push_back(PatternElement{0, 0, ElementEnd, static_cast<int8_t>(mode)});
  end = static_cast<int>(chars.size()) - 1;
  tail = end;
  while (tail > 0 && IsLiteralKind(chars[tail - 1].kind)) --tail;
  literalPrefixLength = 0;
  while (IsLiteralKind(chars[literalPrefixLength].kind)) ++literalPrefixLength;
  hasWildcards = chars[literalPrefixLength].kind != ElementEnd;
  wildcardCount = 0;
  for (const PatternElement& el : chars)
    if (IsWildcardKind(el.kind)) ++wildcardCount;
  if (wildcardCount > kMaxWildcards) usable = false;
  lower = middle = higher = nullptr;
  maxSlot = -1;
  sharedWithParent = 0;
}

bool MapSide::SlotsSetBy(const MapSide& other) const {
  return (slotMask & ~other.slotMask) == 0;
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
  void Activate(const PatternElement* el, int elements, int len, bool captures) {
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
  const PatternElement* el = chars.data();
  if (len < literalPrefixLength) return false;

  // The rest of the literal prefix that the caller has not verified.
  for (int i = verified; i < literalPrefixLength; ++i)
    if (!PatternByteEqual(el[i].byte, s[i], el[i].caseMode)) return false;

  // The trailing literal run must end the path: this rejects most
  // non-matching paths before any backtracking.
  if (hasWildcards) {
    int j = len - 1;
    for (int i = end - 1; i >= tail && j >= literalPrefixLength; --i, --j)
      if (!PatternByteEqual(el[i].byte, s[j], el[i].caseMode)) return false;
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
        while (IsLiteralKind(el[e].kind)) {
          if (pos >= len || !PatternByteEqual(el[e].byte, s[pos], el[e].caseMode)) {
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
  if (trace >= 6) DebugPrintf("Expand %s\n", text.Text());
  const char* t = text.Text();
  uint32_t tpos = 0;  // offset of the current element in the pattern text
  int e = 0;
  while (chars[e].kind != ElementEnd) {
    const PatternElement& el = chars[e];
    if (IsLiteralKind(el.kind)) {
      // A run of literal elements is a run of pattern text: copy it whole.
      uint32_t from = tpos;
      while (IsLiteralKind(chars[e].kind)) { ++e; ++tpos; }
      out->AppendUnterminated(t + from, tpos - from);
      continue;
    }
    int slot = el.slot;
    if (caps.start[slot] >= 0) {
      int n = caps.end[slot] - caps.start[slot];
      if (trace >= 6)
        DebugPrintf("... %d %p to '%.*s'\n", slot, static_cast<const void*>(&caps.start[slot]), n,
                    source.Text() + caps.start[slot]);
      out->AppendUnterminated(source.Text() + caps.start[slot], static_cast<uint32_t>(n));
    } else {
      out->AppendUnterminated(el.kind == ElementDots ? "..." : "*", el.kind == ElementDots ? 3 : 1);
    }
    tpos += el.kind == ElementStar ? 1 : 3;
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
  const PatternElement* A = chars.data();
  const PatternElement* B = other.chars.data();
  // Most pairs differ within the literal prefix: settle those first.
  int a = 0;
  while (IsLiteralKind(A[a].kind)) {
    if (A[a].kind != B[a].kind || A[a].byte != B[a].byte) return false;
    ++a;
  }
  const int nb = other.end;  // other's end element: every position is 0..nb
  if (A[a].kind == ElementEnd) return a == nb;
  // And the literal tail after the last wildcard must end other.
  for (int i = end - 1, j = nb - 1; IsLiteralKind(A[i].kind); --i, --j)
    if (j < a || A[i].kind != B[j].kind || A[i].byte != B[j].byte) return false;
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
    const PatternElement& el = A[a];
    int nlo = nb + 1, nhi = -1;
    if (IsLiteralKind(el.kind)) {
      for (int b = lo; b <= hi && b < nb; ++b) {
        const bool on = cur[b] && B[b].kind == el.kind && B[b].byte == el.byte;
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
  const PatternElement* x = a.Elements();
  const PatternElement* y = b.Elements();
  int n = a.LiteralPrefixLength() < b.LiteralPrefixLength() ? a.LiteralPrefixLength() : b.LiteralPrefixLength();
  for (int i = 0; i < n; ++i) {
    int d = PatternByteCompare(x[i].byte, y[i].byte, x[i].caseMode);
    if (d) return d;
  }
  return a.LiteralPrefixLength() - b.LiteralPrefixLength();
}

int CommonPrefix(const MapSide& x, const MapSide& y) {
  const PatternElement* p = x.Elements();
  const PatternElement* q = y.Elements();
  int n = x.LiteralPrefixLength();
  int i = 0;
  // y's end element (byte 0) stops the walk: literal bytes are never 0.
  while (i < n && q[i].kind != ElementEnd && PatternByteEqual(p[i].byte, q[i].byte, p[i].caseMode) &&
         IsLiteralKind(q[i].kind))
    ++i;
  return i;
}
