// FoldPath: the canonical lower-case form of a path, used to decide whether
// two paths are the same path in another case (partition keys of the
// translation and policy maps, the verification's comparison of fields).
//
// Three fold modes: UTF-8 folding with the Unicode 5.2.0 simple case folding
// table, 7-bit folding of A-Z only, and the C library's per-byte tolower in
// a locale. A run settles its mode once and hands it, as a FoldRules value,
// to what folds; nothing here keeps state from one call to the next, so two
// runs in one process may fold differently.
#ifndef ZT_SUPPORT_TEXT_FOLD_H_
#define ZT_SUPPORT_TEXT_FOLD_H_

#include <locale.h>

#include <cstdint>

#include "support/messages/error.h"
#include "support/text/strbuf.h"

inline constexpr MessageId kMsgUtf8FoldFailure = {0x21011d97, "Utf8 fold failure for path %path%"};

enum class FoldMode : uint8_t { kLocale, kSevenBit, kUtf8 };

// How one run folds paths: the mode and, in kLocale, the locale whose
// tolower folds each byte (not owned; null folds as the "C" locale does).
struct FoldRules {
  FoldMode mode = FoldMode::kLocale;
  locale_t locale = nullptr;

  bool operator==(const FoldRules& o) const { return mode == o.mode && locale == o.locale; }
  bool operator!=(const FoldRules& o) const { return !(*this == o); }
};

// Sets out to the folded form of in under rules. Never fails from the
// caller's view: a malformed UTF-8 path is reported to the message log and
// copied unchanged.
void FoldPath(const StrPtr& in, StrBuf* out, const FoldRules& rules);

// Appends the UTF-8 fold of len bytes of text to out. False (out partly
// written) when the text is not well-formed enough to decode.
bool FoldUtf8(const char* text, uint32_t len, StrBuf* out);

// The simple case fold of one code point (itself when it has no entry).
uint32_t FoldCodePoint(uint32_t cp);

// The generated tables (casefold_table.cc): pairs sorted by code point.
extern const uint16_t kCaseFoldBmp[][2];
extern const int kCaseFoldBmpCount;
extern const uint32_t kCaseFoldSupplementary[][2];
extern const int kCaseFoldSupplementaryCount;

#endif  // ZT_SUPPORT_TEXT_FOLD_H_
