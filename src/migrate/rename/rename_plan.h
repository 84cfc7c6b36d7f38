// RenamePlan: the archive moves a rename run would make, collected during
// the scan and carried out after it.
//
// Each move names the variant found on disk, the wanted archive name (both
// relative to one archive location) and the revision record that asked for
// it (lbrFile and lbrRev). A wanted name
// enters the plan once, whatever the number of revision records naming it;
// so does a source. The names live in an arena, so the plan's memory grows
// with the archives that need a move and nothing else.
#ifndef ZT_MIGRATE_RENAME_RENAME_PLAN_H_
#define ZT_MIGRATE_RENAME_RENAME_PLAN_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "support/arena.h"
#include "support/text/strbuf.h"

struct PlannedMove {
  std::string_view from;     // the variant on disk
  std::string_view to;       // the wanted archive name
  std::string_view lbrFile;  // the revision record that wants it
  std::string_view lbrRev;
  uint32_t depth = 0;        // the slashes in `to`, counted once for the sort
  std::string_view sortKey;  // `to` with "/" as NUL: orders by component
  uint32_t location = 0;     // the archive location the names are under
};

class RenamePlan {
 public:
  RenamePlan() = default;
  RenamePlan(const RenamePlan&) = delete;
  RenamePlan& operator=(const RenamePlan&) = delete;

  // Adds a move; false (and nothing added) when the wanted name or the
  // source is already in the plan for that location.
  bool Add(const StrPtr& from, const StrPtr& to, const StrPtr& lbrFile, const StrPtr& lbrRev,
           int location = 0);
  // True when a move to this wanted name is planned.
  bool HasTarget(const StrPtr& to, int location = 0) const {
    return Find(byTarget_, &PlannedMove::to, to.View(), location) >= 0;
  }
  // The move planned from this source, or null.
  const PlannedMove* FromSource(const StrPtr& from, int location = 0) const;

  // Puts the moves in their order of execution: shallower wanted names
  // first, so that a directory is settled before the directories inside
  // it, and names of one depth component by component, so that every run
  // of the same plan moves in the same order.
  void Sort();
  size_t Count() const { return moves_.size(); }
  const PlannedMove& At(size_t i) const { return moves_[i]; }
  // Bytes held for the names.
  size_t BytesUsed() const { return arena_.BytesUsed(); }


 private:
  // An open-addressing index of the moves by one of their names: each slot
  // holds a name's hash (high half) and its move's position plus one (low
  // half, 0 for an empty slot). A lookup costs a hash and, nearly always,
  // one name comparison; an insertion allocates nothing until the table
  // doubles.
  using Index = std::vector<uint64_t>;
  using Field = std::string_view PlannedMove::*;

  // The position of the move whose field equals key in location, or -1.
  long Find(const Index& index, Field field, std::string_view key, int location) const;
  // Enters moves_.size() - 1 under its field into index.
  void Insert(Index* index, Field field);
  std::string_view Keep(const StrPtr& s);

  Arena arena_;
  std::vector<PlannedMove> moves_;
  Index byTarget_;
  Index bySource_;
};

#endif  // ZT_MIGRATE_RENAME_RENAME_PLAN_H_
