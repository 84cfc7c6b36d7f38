// DirectoryEntries: the map entries that can match a path of one directory,
// split for a quick lookup. An entry whose pattern is all literal (a file's
// own line) is filed by the rest of its text after the directory, folded as
// the comparison mode folds, in a small open-addressed hash table, so that a
// name is found by one pass over its bytes without copying them;
// every other entry (with wildcards) is kept in a list, highest slot first,
// to be matched in turn. Entries all literal that end inside the directory
// can match none of its paths and are dropped.
#ifndef ZT_MAP_DIRECTORY_ENTRIES_H_
#define ZT_MAP_DIRECTORY_ENTRIES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "map/map_entry.h"
#include "support/text/strbuf.h"

class DirectoryEntries {
 public:
  // Fills from entries (side 0 matched; highest slot first), all of which
  // can match a path of the dirLen-byte directory, under the comparison
  // mode of their map. False (and empty) when more than wildLimit of them
  // have wildcards.
  bool Build(const std::vector<const MapEntry*>& entries, uint32_t dirLen, int wildLimit,
             StrCaseMode mode);
  void Clear();

  // The all-literal entry of highest slot that matches name (the path's
  // bytes after the directory), or null.
  const MapEntry* FindLiteral(const char* name, uint32_t len);
  // The entries with wildcards, highest slot first.
  const std::vector<const MapEntry*>& Wild() const { return wild; }
  // The comparison mode Build was given.
  StrCaseMode Mode() const { return mode; }

 private:
  struct Literal {
    uint32_t offset;  // of the folded name in names
    uint32_t length;
    const MapEntry* entry;
  };

  std::vector<const MapEntry*> wild;
  // The hash of a name as folded in mode.
  uint32_t Hash(const char* p, uint32_t n) const;
  // True when name, folded, is the literal's name.
  bool Same(const Literal& l, const char* name, uint32_t n) const;

  std::vector<Literal> literals;  // one per name, the highest slot's
  std::vector<uint32_t> table;    // 1 + index into literals, 0 empty
  std::string names;              // the folded names
  StrCaseMode mode = CaseFold;
};

#endif  // ZT_MAP_DIRECTORY_ENTRIES_H_
