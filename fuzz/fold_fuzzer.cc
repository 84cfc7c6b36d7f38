// Fuzzes FoldPath in UTF-8 mode (and, on odd first bytes, 7-bit mode).
// Folding is idempotent: the fold of a folded path is the folded path, and
// folding never changes a path's ASCII bytes other than A-Z.
#include <string>

#include "fuzz/fuzz_util.h"
#include "support/text/fold.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietMessageLog();
  if (size < 1) return 0;
  bool utf8 = !(data[0] & 1);
  const FoldRules rules{utf8 ? FoldMode::kUtf8 : FoldMode::kSevenBit};
  StrBuf in, once, twice;
  in.Set(reinterpret_cast<const char*>(data + 1), static_cast<uint32_t>(size - 1));
  FoldPath(in, &once, rules);
  FoldPath(once, &twice, rules);
  FUZZ_CHECK(once.Length() == twice.Length());
  FUZZ_CHECK(memcmp(once.Text(), twice.Text(), once.Length()) == 0);
  if (!utf8) {
    FUZZ_CHECK(once.Length() == in.Length());
    for (uint32_t i = 0; i < in.Length(); ++i) {
      unsigned char c = in.Text()[i];
      unsigned char f = once.Text()[i];
      FUZZ_CHECK(f == ((c >= 'A' && c <= 'Z') ? c + 32 : c));
    }
  }
  return 0;
}
