// Fuzzes the translation-map loader and path translation. The input is a
// flag byte, the map file's text, a NUL byte, then paths one per line. The
// map is loaded (partitions filled and disambiguated) and each path is
// translated; with requireVariants a translation may change only case.
#include <cstring>
#include <string>

#include "fuzz/fuzz_util.h"
#include "map/translation_map.h"
#include "support/text/fold.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietMessageLog();
  if (size < 1) return 0;
  bool requireVariants = data[0] & 1;
  const FoldRules fold{(data[0] & 2) ? FoldMode::kUtf8 : FoldMode::kSevenBit};
  ++data;
  --size;

  const uint8_t* nul = static_cast<const uint8_t*>(memchr(data, 0, size));
  size_t mapSize = nul ? static_cast<size_t>(nul - data) : size;

  TranslationMap map(requireVariants, fold);
  FuzzFile file(data, mapSize, 1 << 15);
  Error e;
  map.Load(&file, &e);
  bool clean = !e.Test();

  if (!nul) return 0;
  std::string paths(reinterpret_cast<const char*>(nul + 1), size - mapSize - 1);
  StrBuf out;
  size_t at = 0;
  while (at <= paths.size()) {
    size_t end = paths.find('\n', at);
    if (end == std::string::npos) end = paths.size();
    StrBuf path;
    path.Set(paths.data() + at, static_cast<uint32_t>(end - at));
    out.Clear();
    if (map.TranslatePath(path, &out) && requireVariants && clean) {
      FUZZ_CHECK(out.Length() == path.Length());
      FUZZ_CHECK(CompareFold(out, path) == 0);
    }
    map.Contains(path);
    at = end + 1;
  }
  return 0;
}
