// Fuzzes map joins and disambiguation. The input is patterns one per line:
// the first two are joined directly, and consecutive pairs of all lines
// become the mappings of a ViewMap that is disambiguated and then asked to
// translate each line. A join of a pattern with a plain path it matches
// must find that path; both halves of every join must expand alike.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "map/map_disambiguate.h"
#include "map/map_join.h"
#include "map/view_map.h"

namespace {

// True when no wildcard slot occurs twice in the pattern (a repeated slot
// keeps only its last capture, so its expansions need not agree).
bool DistinctSlots(const MapSide& side) {
  uint32_t seen = 0;
  const PatternElements el = side.Elements();
  for (int i = 0; i < side.End(); ++i) {
    if (!IsWildcardKind(el[i].kind)) continue;
    if (seen & (1u << el[i].slot)) return false;
    seen |= 1u << el[i].slot;
  }
  return true;
}

class CheckingJoiner : public Joiner {
 public:
  CheckingJoiner(const MapSide* a, const MapSide* b)
      : a(a), b(b), check(DistinctSlots(*a) && DistinctSlots(*b)) {}
  void Joined() override {
    ++results;
    a->Expand(*this, firstCaptures, &ea, 0);
    b->Expand(*this, secondCaptures, &eb, 0);
    if (check) FUZZ_CHECK(CompareFold(ea, eb) == 0);
  }
  const MapSide* a;
  const MapSide* b;
  bool check;
  StrBuf ea, eb;
  int results = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietMessageLog();
  if (size > 2048) return 0;  // disambiguation is quadratic in the lines
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<StrBuf> lines;
  size_t at = 0;
  while (at < text.size() && lines.size() < 40) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.emplace_back();
    lines.back().Set(text.data() + at, static_cast<uint32_t>(end - at));
    at = end + 1;
  }
  if (lines.size() < 2) return 0;

  MapSide a, b;
  a.Parse(lines[0]);
  b.Parse(lines[1]);
  if (a.Usable() && b.Usable()) {
    CheckingJoiner j(&a, &b);
    j.Join(a, b);
    bool plain = !b.HasWildcards() && !memchr(lines[1].Text(), 0, lines[1].Length());
    if (plain && !j.tooManyWildcards) {
      MapCaptures caps;
      caps.Reset();
      if (a.Match(lines[1], &caps, 0)) FUZZ_CHECK(j.results > 0);
    }
  }

  ViewMap map;
  for (size_t i = 0; i + 1 < lines.size(); i += 2) map.Insert(lines[i], lines[i + 1], IncludeMapping);
  Disambiguate(&map, 8);
  StrBuf out;
  for (const StrBuf& line : lines) {
    map.Translate(0, line, &out);
    map.Translate(1, line, &out);
  }
  return 0;
}
