// FoldPath: the canonical lower-case form of a path, used to decide whether
// two paths are the same path in another case (partition keys of the
// translation and policy maps, the archive renamer's name comparisons).
//
// Three fold modes, chosen once per run through two process-wide flags:
// UTF-8 folding with the Unicode 5.2.0 simple case folding table (when
// utf8Folding is set), 7-bit folding of A-Z only (when sevenBitFolding is
// set), and otherwise the C library's per-byte tolower in the installed
// locale. Both flags start false; utf8Folding wins when both are set.
#ifndef ZT_SUPPORT_TEXT_FOLD_H_
#define ZT_SUPPORT_TEXT_FOLD_H_

#include <cstdint>

#include "support/messages/error.h"
#include "support/text/strbuf.h"

inline constexpr MessageId kMsgUtf8FoldFailure = {0x21011d97, "Utf8 fold failure for path %path%"};

// The process-wide fold flags.
bool Utf8Folding();
bool SevenBitFolding();
void SetUtf8Folding(bool on);
void SetSevenBitFolding(bool on);

// Sets out to the folded form of in, in the current fold mode. Never fails
// from the caller's view: a malformed UTF-8 path is reported to the message
// log and copied unchanged.
void FoldPath(const StrPtr& in, StrBuf* out);

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
