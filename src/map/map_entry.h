// MapEntry: one mapping of a ViewMap, a left and a right pattern with a kind
// and a priority slot. The ViewMap owns the entry and the elements of its
// halves (allocated with it). `next` is the next (older) entry of the map's
// list, not owned.
#ifndef ZT_MAP_MAP_ENTRY_H_
#define ZT_MAP_MAP_ENTRY_H_

#include "map/map_pattern.h"

enum MapKind { IncludeMapping = 0, ExcludeMapping = 1 };

class MapEntry {
 public:
  MapEntry() = default;
  MapEntry(const MapEntry&) = delete;
  MapEntry& operator=(const MapEntry&) = delete;

  // The half of side s (0 left, 1 right).
  MapSide& Half(int s) { return s ? right : left; }
  const MapSide& Half(int s) const { return s ? right : left; }

  MapEntry* next = nullptr;  // not owned
  int kind = IncludeMapping;
  int slot = 0;
  MapSide left;
  MapSide right;
};

// A map line costs its entries (two or three after disambiguation) and the
// line kept as read: the fixed part of an entry stays small.
static_assert(sizeof(MapSide) <= 40, "a map half grew");
static_assert(sizeof(MapEntry) <= 96, "a map entry grew");

#endif  // ZT_MAP_MAP_ENTRY_H_
