// ViewMap: an ordered table of mappings between depot-path patterns. The
// highest-priority (latest inserted) mapping whose left pattern matches a
// path wins; its right pattern, filled with the wildcard parts of the path,
// is the translation. An ExcludeMapping winner means "no translation".
//
// The map owns its entries, each one allocation (the entry and the
// elements of its two halves) from an arena of the map. Entries form a
// list, most recent first. Each
// side keeps a lazily built index: the entries sorted by literal prefix and
// a prefix tree over them whose nodes carry the highest slot beneath them,
// so that a lookup visits only entries whose literal prefix is a prefix of
// the path and stops as soon as no better entry can follow. Every Insert
// drops the index; the next lookup rebuilds it.
#ifndef ZT_MAP_VIEW_MAP_H_
#define ZT_MAP_VIEW_MAP_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "map/map_entry.h"
#include "support/arena.h"
#include "support/text/strbuf.h"

class ViewMap {
 public:
  // mode: how the map's patterns compare their letters with a path's.
  explicit ViewMap(StrCaseMode mode = CaseFold) : mode_(mode) {}
  ViewMap(const ViewMap&) = delete;
  ViewMap& operator=(const ViewMap&) = delete;
  ~ViewMap() = default;

  // Why a mapping cannot be entered, or null when it can: too many
  // wildcards on a side, or (for an include) a right side using a wildcard
  // that the left side does not set.
  static const char* CheckMapping(const MapSide& left, const MapSide& right, int kind);

  // Removes every entry; count 0; no index.
  void Clear();
  // Adds a mapping with the next slot at the head of the list. A mapping
  // that CheckMapping refuses is not entered (returns false).
  bool Insert(const StrPtr& left, const StrPtr& right, int kind);
  // Insert for halves the caller parsed (into scratch of its own, so that
  // a map that is filled once keeps none).
  bool InsertParsed(const MapSide& left, const MapSide& right, int kind);
  // As Insert, unless one of the dupWindow most recent entries covers the
  // new one on both sides. True when the entry was added.
  bool InsertUnique(const StrPtr& left, const StrPtr& right, int kind);
  // Reverses the list and mirrors the slots (h - slot, h the head's slot).
  void Reverse();
  // Inserts every entry of other in its list order (forward: left to right,
  // backward: right to left), then reverses.
  void AppendAll(const ViewMap& other, bool forward, bool backward);
  // Takes other's entries, order and slots; other is left empty.
  void TakeEntries(ViewMap* other);
  // Empties the list, giving its entries (most recent first) to out. They
  // stay owned by the map, unchanged, until Relink puts each back (or Clear).
  void Unlink(std::vector<MapEntry*>* out);
  // Links an entry that Unlink gave at the head with the next slot.
  void Relink(MapEntry* e);

  // Matches side s of the path (NUL-terminated) and expands the other side
  // into out. The winning entry, or null (out untouched).
  const MapEntry* Translate(int side, const StrPtr& path, StrBuf* out);
  // The winning entry for the path on side s, or null; no expansion.
  const MapEntry* Find(int side, const StrPtr& path);
  // Gathers into out the entries of side s that can match a path made of
  // dir (ending in "/") and a name without "/": those whose literal prefix
  // is a prefix of dir, or dir followed by bytes without "/". Highest slot
  // first. False (out empty) when there are more than limit of them.
  bool GatherDirectory(int side, const StrPtr& dir, int limit, std::vector<const MapEntry*>* out);
  // Translate for a path of a directory whose entries GatherDirectory gave:
  // those of them with wildcards (highest slot first) and the all-literal
  // one that matches the path, if any (literal, or null). The first
  // verified bytes of the path are known to equal those of each entry's
  // literal prefix (up to its length).
  const MapEntry* TranslateAmong(const std::vector<const MapEntry*>& entries,
                                 const MapEntry* literal, int verified, int side,
                                 const StrPtr& path, StrBuf* out);
  // Changes whenever the entries or their order change.
  uint64_t Version() const { return version; }
  // How the map's patterns compare letters.
  StrCaseMode CaseMode() const { return mode_; }

  int Count() const { return count; }
  bool IsEmpty() const { return count == 0; }
  // The most recently inserted entry (highest slot before any Reverse).
  const MapEntry* Head() const { return head; }
  int DupWindow() const { return dupWindow; }
  // Frees the scratch that inserting keeps for the next insert: for a map
  // that is complete (the next insert makes it again).
  void ReleaseScratch() { parsed.reset(); }
  void SetDupWindow(int w) { dupWindow = w; }

  // Number of pattern Match calls made by lookups (a measure of the index).
  uint64_t MatchCount() const { return matchCount; }

 private:
  StrCaseMode mode_;
  struct SideIndex {
    std::vector<MapEntry*> sorted;
    uint32_t root = 0;  // a tree link: position + 1 in sorted, 0 none
  };

  // An entry holding copies of the two halves, allocated in the arena.
  MapEntry* NewEntry(const MapSide& left, const MapSide& right, int kind);
  void LinkHead(MapEntry* e);
  void DropIndex();
  void BuildIndex(int side);
  // BuildIndex's steps: the side's entries sorted by pattern, then linked
  // into the prefix tree (order receives every node after its parent), then
  // each node's highest slot below it.
  void SortSide(int side);
  void LinkSide(int side, std::vector<MapEntry*>* order);
  void SetMaxSlots(int side, const std::vector<MapEntry*>& order);
  // The winner for the path on side s; *capturesOf is the entry whose
  // match last filled caps (null when the last match failed).
  const MapEntry* Search(int side, const StrPtr& path, int trace, MapCaptures* caps,
                         const MapEntry** capturesOf);
  // The scratch halves of a mapping being inserted, made when first needed.
  MapSide* Parsed();
  // The entry a tree link of side s names, or null.
  MapEntry* Node(int s, uint32_t link) const { return link ? index[s].sorted[link - 1] : nullptr; }

  int count = 0;
  MapEntry* head = nullptr;
  // Owns the entries; made with the first, whose size its first block
  // takes: most maps of a partitioned translation map hold one line, and a
  // map of a million partitions must not reserve more than each needs.
  std::unique_ptr<Arena> arena;
  // Scratch: the halves of a mapping being inserted (null until an insert,
  // and again after ReleaseScratch).
  std::unique_ptr<MapSide[]> parsed;
  SideIndex index[2];
  int dupWindow = 8;
  uint64_t matchCount = 0;
  uint64_t version = 0;
};

#endif  // ZT_MAP_VIEW_MAP_H_
