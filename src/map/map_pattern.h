// MapSide: one parsed half of a mapping, a depot-path pattern that may hold
// the wildcards "...", "*" and "%%" followed by a digit, together with the
// links of the prefix-tree node it forms in its side's index.
//
// PatternElement is one parsed element; MapCaptures records, per wildcard
// slot, which bytes of a matched text each wildcard took. A MapSide owns its
// text and elements; its tree links point at entries owned by the ViewMap.
#ifndef ZT_MAP_MAP_PATTERN_H_
#define ZT_MAP_MAP_PATTERN_H_

#include <cstdint>
#include <vector>

#include "support/text/strbuf.h"

class MapEntry;

enum PatternElementKind {
  ElementEnd = 0,
  ElementLiteral = 1,
  ElementSlash = 2,
  ElementPositional = 3,
  ElementStar = 4,
  ElementDots = 5
};

// Wildcard slots: 0-9 the positional %%0-%%9, 10-19 the first to tenth "*",
// 20-29 the first to tenth "...".
inline constexpr int kStarSlotBase = 10;
inline constexpr int kDotsSlotBase = 20;
inline constexpr int kCaptureSlots = 30;
// Limits a pattern must keep to be usable: at most 10 "*", 10 "..." and 20
// wildcards in all (the capture table and the backtracking stacks are sized
// for these).
inline constexpr int kMaxStars = 10;
inline constexpr int kMaxDots = 10;
inline constexpr int kMaxWildcards = 20;

struct PatternElement {
  uint8_t byte;      // the literal byte; 0 for wildcards and the end
  uint8_t slot;      // wildcard slot
  uint8_t kind;      // PatternElementKind
  int8_t caseMode;   // -1 process mode, 0 exact, 1 ASCII-insensitive
};

inline bool IsWildcardKind(int kind) { return kind >= ElementPositional; }
inline bool IsLiteralKind(int kind) { return kind == ElementLiteral || kind == ElementSlash; }

// Byte offsets into a matched (or joined) text, one pair per wildcard slot.
// A slot not set by the match has start -1.
struct MapCaptures {
  int start[kCaptureSlots];
  int end[kCaptureSlots];
  void Reset() {
    for (int i = 0; i < kCaptureSlots; ++i) start[i] = end[i] = -1;
  }
};

// True when pattern byte p and text byte t are the same under case mode m.
inline bool PatternByteEqual(unsigned char p, unsigned char t, int m) {
  if (p == t) return true;
  if ((p ^ t) != 0x20) return false;
  if (m < 0) return EqualChar(p, t);
  return m == 1 && FoldByte(p) == FoldByte(t);
}

// Ordering difference of pattern byte p and text byte t under case mode m.
inline int PatternByteCompare(unsigned char p, unsigned char t, int m) {
  if (m < 0) return CompareChar(p, t);
  if (m == 1) return FoldByte(p) - FoldByte(t);
  return p - t;
}

class MapSide {
 public:
  MapSide() = default;

  // Parses text into elements and sets the derived fields. Patterns with
  // more wildcards than the limits allow are parsed all the same (their
  // extra wildcards share the last slot) and report false from Usable.
  void Parse(const StrPtr& text, int caseMode = -1);

  // True when the pattern keeps within the wildcard limits.
  bool Usable() const { return usable; }
  // True when every wildcard slot this pattern uses is set by other.
  bool SlotsSetBy(const MapSide& other) const;
  // Bit i set when this pattern sets wildcard slot i.
  uint32_t SlotMask() const { return slotMask; }

  // Matches a NUL-terminated path, filling caps. The first verified bytes
  // of the literal prefix are taken as already checked by the caller.
  bool Match(const StrPtr& path, MapCaptures* caps, int trace, int verified = 0) const;
  // Sets out to this pattern with every wildcard replaced by the captured
  // bytes of source; a slot that caps does not set keeps a wildcard of its
  // own family ("*" or "...").
  void Expand(const StrPtr& source, const MapCaptures& caps, StrBuf* out, int trace) const;
  // True when every text that other can match, this pattern can match too
  // (judged on the elements, bytes compared exactly).
  bool Covers(const MapSide& other) const;

  const StrBuf& Text() const { return text; }
  const PatternElement* Elements() const { return chars.data(); }
  int LiteralPrefixLength() const { return literalPrefixLength; }
  bool HasWildcards() const { return hasWildcards; }
  int WildcardCount() const { return wildcardCount; }
  int Tail() const { return tail; }
  int End() const { return end; }

  // Prefix-tree node links of this half (entries owned by the map).
  MapEntry* lower = nullptr;
  MapEntry* middle = nullptr;
  MapEntry* higher = nullptr;
  int maxSlot = -1;
  int sharedWithParent = 0;

 private:
  StrBuf text;
  std::vector<PatternElement> chars;
  int tail = 0;
  int end = 0;
  int literalPrefixLength = 0;
  bool hasWildcards = false;
  int wildcardCount = 0;
  int caseMode = -1;
  bool usable = true;
  uint32_t slotMask = 0;
};

// Orders two patterns by their literal prefixes (a proper prefix first);
// wildcards and what follows them take no part.
int ComparePatterns(const MapSide& a, const MapSide& b);
// Number of leading positions, up to x's literal prefix length, at which
// x's literal bytes equal y's element bytes.
int CommonPrefix(const MapSide& x, const MapSide& y);

#endif  // ZT_MAP_MAP_PATTERN_H_
