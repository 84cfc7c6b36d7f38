// PathTree: the tree of depot path components that counts every spelling.
//
// The PathTree owns the root DirEntry (empty name, no aliases; depot names
// are its children) and every entry and alias below it: they live in its
// arena and die with it. Entering a path costs one lookup per component and
// a scan of that component's aliases; nothing recurses over the components
// of a path, so paths of any depth are safe.
#ifndef ZT_MIGRATE_PATH_TREE_H_
#define ZT_MIGRATE_PATH_TREE_H_

#include <cstddef>
#include <cstdint>

#include <string>
#include <vector>

#include "support/arena.h"
#include "migrate/dir_entry.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

// Called by PathTree::Walk for every entry, parents before children.
class PathTreeVisitor {
 public:
  virtual ~PathTreeVisitor() {}
  // depth is 0 for the root, 1 for its children, ...; false ends the walk.
  virtual bool Visit(const DirEntry* entry, int depth) = 0;
};

class PathTree {
 public:
  PathTree();
  PathTree(const PathTree&) = delete;
  PathTree& operator=(const PathTree&) = delete;
  // Frees every entry, alias and alias array.
  ~PathTree();

  const DirEntry* Root() const { return root_; }

  // Enters one depot path, counting the spelling of each component and
  // noting on it the table bits (TableBit) of the record it came from. A
  // component with a wildcard ends the entering, except a last component
  // that is exactly "..." or "*".
  void AddPath(const StrPtr& path, uint32_t tables = 0);

  // The bit that stands for a table in AddPath's table bits. The first 31
  // tables asked for get bits of their own; later ones share the last bit.
  uint32_t TableBit(const StrPtr& table);
  // The names of the tables in a set of table bits, in the order they were
  // first asked for ("(other tables)" for the shared bit).
  void TableNames(uint32_t tables, std::vector<std::string>* names) const;
  // Makes each component's spelling in path its head alias, when that
  // spelling was entered; missing entries are created without aliases.
  void MarkHead(const StrPtr& path);

  // Depth-first walk from the root, each entry before its children and
  // children in ascending name order. False when the visitor ended it.
  bool Walk(PathTreeVisitor* visitor) const;

  // The statistics lines (entries, leaves, aliases, depth) on the debug
  // output.
  void PrintStatistics() const;
  // Every entry below the root with its aliases on the debug output.
  void DumpTree() const;

  // Number of entries, the root included.
  int64_t EntryCount() const { return entries_; }
  // Bytes held by the tree (arena blocks and alias arrays).
  size_t MemoryUsage() const;

 private:
  // Splits off the next component at *pos of the path held in text/lowered
  // (end at len): the component starts at *start and is *n long; *pos moves
  // to the rest. True when a rest follows.
  static bool NextComponent(const char* text, uint32_t len, uint32_t* pos,
                            uint32_t* start, uint32_t* n);
  // The child of parent named lowered (n bytes), made when missing; a new
  // child gets spelling as its first alias when withAlias is set.
  DirEntry* Child(DirEntry* parent, const char* spelling, const char* lowered,
                  uint32_t n, bool withAlias);
  // Makes and inserts a new child of parent (which has none of that name).
  DirEntry* AddChild(DirEntry* parent, const char* spelling, const char* lowered, uint32_t n,
                     bool withAlias);
  DirEntry* NewEntry(const char* spelling, const char* lowered, uint32_t n, bool withAlias);
  // Appends a new alias spelled bytes (entry's name length) with count 0;
  // its index, or -1 when the entry has no room for another.
  int AppendAlias(DirEntry* entry, const char* bytes);
  // The entry's extras, made when it has none.
  DirEntryExtras* Extras(DirEntry* entry);
  // Files a new child of parent in parent's child index, making the index
  // when parent has just reached kIndexedFrom children.
  void IndexChild(DirEntry* parent, DirEntry* child);

  // One directory component of the last path entered: its entry, the
  // alias it was counted under and the position of the "/" after it.
  struct CachedStep {
    DirEntry* entry;
    int alias;
    uint32_t slash;
  };
  // Counts one spelling (alias, -1 for none) of entry for tables and marks
  // how the entry was used.
  static void Count(DirEntry* entry, int alias, uint32_t tables, uint8_t usage);
  // Counts the directory steps of a recent path again; returns the entry of
  // the last one (the root when there are none).
  DirEntry* CountSteps(const std::vector<CachedStep>& steps, uint32_t tables);

  static constexpr size_t kOtherTables = 31;  // the shared bit
  // Children from which a directory's children are hashed as well.
  static constexpr int32_t kIndexedFrom = 32;

  Arena arena_{1 << 20, Arena::Pages::kHuge};
  DirEntry* root_;
  std::vector<std::string> tableNames_;  // by bit
  DirEntryExtras* extras_;  // every entry's extras
  StrBuf lowered_;              // the path being entered, lowered
  // Consecutive paths of a checkpoint mostly share their directories, or
  // alternate between two paths that each do (the two files of an
  // integration record): each of the two last paths kept, with the steps of
  // its directory components, lets a new path skip the lookups of the
  // components it has in common. Entries are never removed, so the
  // pointers stay valid.
  // A path entered again as it stands (the two path fields of one record,
  // the revisions of one file) skips even the lookup of its last
  // component: `leaf` is that component's entry once the path has been
  // entered whole, with the alias it was counted under.
  struct RecentPath {
    StrBuf text;
    std::vector<CachedStep> steps;
    DirEntry* leaf = nullptr;
    int leafAlias = -1;
  };
  RecentPath recent_[2];
  int lastUsed_ = 0;  // the slot of the last path entered
  Error insertError_;           // insertion errors are of no interest
  int64_t entries_;
  size_t extrasBytes_;  // held by the extras: alias arrays, child indexes
};

#endif  // ZT_MIGRATE_PATH_TREE_H_
