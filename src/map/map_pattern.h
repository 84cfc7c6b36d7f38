// MapSide: one parsed half of a mapping, a depot-path pattern that may hold
// the wildcards "...", "*" and "%%" followed by a digit, together with the
// links of the prefix-tree node it forms in its side's index.
//
// PatternElement is one parsed element; PatternElements reads them by
// position; MapCaptures records, per wildcard slot, which bytes of a matched
// text each wildcard took. A parsed side keeps one byte per element (the
// literal byte, or 0 for a wildcard and the end) and, only when it has
// wildcards, a second row of one byte per element holding wildcard kinds
// and slots; the text is not kept, since the elements spell it again. A
// MapSide parsed on its own owns that block; a side of a map entry points
// into the block its map allocated with the entry.
#ifndef ZT_MAP_MAP_PATTERN_H_
#define ZT_MAP_MAP_PATTERN_H_

#include <cstddef>
#include <cstdint>

#include "support/text/strbuf.h"

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
  int8_t caseMode;   // 0 exact, 1 ASCII-insensitive, below 0 the map's mode (MapCaseMode)
};

inline bool IsWildcardKind(int kind) { return kind >= ElementPositional; }
inline bool IsLiteralKind(int kind) { return kind == ElementLiteral || kind == ElementSlash; }

// The elements of a parsed pattern, by position (0 to the end element).
// A cheap view: valid while its MapSide is.
class PatternElements {
 public:
  PatternElements(const uint8_t* bytes, const uint8_t* kinds, int caseMode)
      : bytes_(bytes), kinds_(kinds), caseMode_(static_cast<int8_t>(caseMode)) {}

  PatternElement operator[](int i) const {
    const uint8_t b = bytes_[i];
    if (b) return PatternElement{b, 0, static_cast<uint8_t>(b == '/' ? ElementSlash : ElementLiteral), caseMode_};
    const uint8_t k = kinds_ ? kinds_[i] : 0;
    return PatternElement{0, static_cast<uint8_t>(k & kSlotBits), static_cast<uint8_t>(k >> kKindShift), caseMode_};
  }
  // The byte of element i: a literal's byte, 0 for a wildcard or the end.
  uint8_t Byte(int i) const { return bytes_[i]; }
  // True when element i is a literal (a slash included).
  bool IsLiteral(int i) const { return bytes_[i] != 0; }
  // The literal bytes from element i on, as consecutive bytes.
  const char* Text(int i) const { return reinterpret_cast<const char*>(bytes_ + i); }

  // A wildcard's entry in the kinds row: its kind and slot in one byte.
  static uint8_t KindSlot(int kind, int slot) { return static_cast<uint8_t>(kind << kKindShift | slot); }

 private:
  static constexpr int kKindShift = 5;
  static constexpr int kSlotBits = (1 << kKindShift) - 1;

  const uint8_t* bytes_;
  const uint8_t* kinds_;  // null when the pattern has no wildcards
  int8_t caseMode_;
};

// Byte offsets into a matched (or joined) text, one pair per wildcard slot.
// A slot not set by the match has start -1.
struct MapCaptures {
  int start[kCaptureSlots];
  int end[kCaptureSlots];
  void Reset() {
    for (int i = 0; i < kCaptureSlots; ++i) start[i] = end[i] = -1;
  }
};

// The case mode of a pattern that follows the comparison mode of its map:
// -1 CaseFold, -2 CaseExact, -3 CaseFoldThenExact; and back.
inline int8_t MapCaseMode(StrCaseMode mode) {
  return static_cast<int8_t>(mode == CaseFold ? -1 : mode == CaseExact ? -2 : -3);
}
inline StrCaseMode MapCaseModeOf(int m) {
  return m == -2 ? CaseExact : m == -3 ? CaseFoldThenExact : CaseFold;
}

// True when pattern byte p and text byte t are the same under case mode m.
inline bool PatternByteEqual(unsigned char p, unsigned char t, int m) {
  if (p == t) return true;
  if ((p ^ t) != 0x20) return false;
  if (m < 0) return EqualChar(p, t, MapCaseModeOf(m));
  return m == 1 && FoldByte(p) == FoldByte(t);
}

// Ordering difference of pattern byte p and text byte t under case mode m.
inline int PatternByteCompare(unsigned char p, unsigned char t, int m) {
  if (m < 0) return CompareChar(p, t, MapCaseModeOf(m));
  if (m == 1) return FoldByte(p) - FoldByte(t);
  return p - t;
}

class MapSide {
 public:
  MapSide() = default;
  MapSide(const MapSide&) = delete;
  MapSide& operator=(const MapSide&) = delete;
  ~MapSide() { Release(); }

  // Parses text (up to its first NUL) into elements and sets the derived
  // fields, reusing the block this side owns. Patterns with more wildcards
  // than the limits allow are parsed all the same (their extra wildcards
  // share the last slot) and report false from Usable. caseMode: 0, 1, or
  // the mode of the map the side is entered into (MapCaseMode).
  void Parse(const StrPtr& text, int caseMode = -1);
  // Bytes of the block that holds this side's elements.
  size_t BlockSize() const { return static_cast<size_t>(end + 1) * (HasWildcards() ? 2 : 1); }
  // Makes this side a copy of other (tree links cleared) whose elements
  // live in block, BlockSize() bytes of other's that the caller owns.
  void CopyFrom(const MapSide& other, void* block);

  // True when the pattern keeps within the wildcard limits.
  bool Usable() const { return usable; }
  // True when every wildcard slot this pattern uses is set by other.
  bool SlotsSetBy(const MapSide& other) const;
  // Bit i set when this pattern sets wildcard slot i.
  uint32_t SlotMask() const;

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

  // The pattern's text, spelled again from its elements.
  StrBuf Text() const;
  PatternElements Elements() const { return PatternElements(bytes_, HasWildcards() ? bytes_ + end + 1 : nullptr, caseMode); }
  int LiteralPrefixLength() const { return literalPrefixLength; }
  bool HasWildcards() const { return literalPrefixLength != end; }
  // Wildcards of the pattern (counted up to 255).
  int WildcardCount() const { return wildcardCount; }
  // Where the literal run that ends the pattern starts.
  int Tail() const;
  int End() const { return end; }

  // Prefix-tree node links of this half: positions, counted from 1, in
  // the map's sorted index of this side; 0 for none.
  uint32_t lower = 0;
  uint32_t middle = 0;
  uint32_t higher = 0;
  int maxSlot = -1;
  int sharedWithParent = 0;

 private:
  // The end element alone: the empty pattern of a side never parsed.
  static const uint8_t kEmpty[1];

  // An owned block starts with its capacity (kHeader bytes) before the
  // elements.
  static constexpr size_t kHeader = sizeof(size_t);
  // Frees the owned block, if any.
  void Release();

  // (The four small fields fill the room after the public links.)
  uint8_t wildcardCount = 0;
  int8_t caseMode = -1;
  bool usable = true;
  bool owned = false;  // bytes_ is kHeader bytes into a block of this side's
  const uint8_t* bytes_ = kEmpty;  // end+1 element bytes, then the kinds row
  int end = 0;
  int literalPrefixLength = 0;
};

// Orders two patterns by their literal prefixes (a proper prefix first);
// wildcards and what follows them take no part.
int ComparePatterns(const MapSide& a, const MapSide& b);
// Number of leading positions, up to x's literal prefix length, at which
// x's literal bytes equal y's element bytes.
int CommonPrefix(const MapSide& x, const MapSide& y);

#endif  // ZT_MAP_MAP_PATTERN_H_
