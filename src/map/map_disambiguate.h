// Disambiguation of a ViewMap: every mapping is preceded, in priority, by
// exclusions that cut out of it whatever a later (higher-priority) mapping
// claims, on the left side (paths the later line translates) and on the
// right side (targets the later line produces).
//
// MapDisambiguate is the joiner that turns each intersection into an
// exclusion entry of its result map.
#ifndef ZT_MAP_MAP_DISAMBIGUATE_H_
#define ZT_MAP_MAP_DISAMBIGUATE_H_

#include "map/map_join.h"
#include "map/view_map.h"

class MapDisambiguate : public MapJoiner {
 public:
  explicit MapDisambiguate(ViewMap* r) : MapJoiner(r) {}
  // Expands entry0's halves with the second captures and adds them to the
  // result as an exclusion (unless a recent entry already covers it).
  void Joined() override;
};

// Rewrites map so that each mapping is preceded by the exclusions its
// higher-priority mappings imply; window is InsertUnique's duplicate window.
void Disambiguate(ViewMap* map, int window);

#endif  // ZT_MAP_MAP_DISAMBIGUATE_H_
