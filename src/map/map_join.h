// Joiner: enumerates the intersection of two map patterns. Each result is
// a joined text holding only wildcard text (literal parts are taken from
// the patterns when they are expanded) and, for each pattern, captures
// telling which part of the joined text each of its wildcards stands for.
// Where two wildcards overlap, the joined text gets a wildcard of its own:
// "..." when both are "...", otherwise "%%1", "%%2", ... in order.
//
// Joiner is a StrBuf: that string is the joined text. Subclasses receive
// each result through Joined. MapJoiner adds the map that receives new
// entries (not owned) and the pair of entries being joined (not owned).
#ifndef ZT_MAP_MAP_JOIN_H_
#define ZT_MAP_MAP_JOIN_H_

#include "map/map_entry.h"
#include "map/map_pattern.h"
#include "support/text/strbuf.h"

class ViewMap;

class Joiner : public StrBuf {
 public:
  // A join stops (tooManyWildcards) past this many new wildcards.
  static const int kMaxNewWildcards = 10;
  // Backtracking frames; patterns within the wildcard limits need at most
  // one per wildcard of either pattern.
  static const int kMaxFrames = 2 * kMaxWildcards + 4;
  // Patterns dense with wildcards ("*****x") have exponentially many ways
  // to overlap; a join stops (tooManyWildcards) after this many steps.
  static const int kMaxSteps = 1 << 20;

  Joiner() = default;
  virtual ~Joiner() = default;

  // Enumerates the intersections of a and b, calling Joined for each.
  void Join(const MapSide& a, const MapSide& b);
  // Receives one intersection: the text and both capture tables are valid
  // during the call.
  virtual void Joined() = 0;

  bool tooManyWildcards = false;  // the last join was stopped early
  MapCaptures firstCaptures;
  MapCaptures secondCaptures;
};

class MapJoiner : public Joiner {
 public:
  explicit MapJoiner(ViewMap* r) : result(r) {}

  ViewMap* result;              // not owned
  const MapEntry* entry0 = nullptr;  // the entry whose halves are expanded
  const MapEntry* entry1 = nullptr;  // the other entry of the pair
  StrBuf newLeft;
  StrBuf newRight;
};

#endif  // ZT_MAP_MAP_JOIN_H_
