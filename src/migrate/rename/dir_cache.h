// DirCache: the archive renamer's cache of directory listings.
//
// Maps a directory name (compared byte by byte, exactly as the renamer joins
// it: "." for the current directory, "/" for the file system root) to a
// DirListing of the names in that directory. Each name is kept with its
// folded form (FoldArchiveName) and an index sorted by that form, so looking up the
// case variants of one name costs a binary search instead of a walk of the
// whole directory and no folding per lookup. The cache owns every listing;
// references stay valid until Clear.
//
// The cache is kept true to the disk for the renamer's own changes: after a
// move the name leaves its old directory's listing and enters its new one,
// and directories made on the way enter their parents' listings.
#ifndef ZT_MIGRATE_RENAME_DIR_CACHE_H_
#define ZT_MIGRATE_RENAME_DIR_CACHE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/text/strbuf.h"
#include "support/text/var_array.h"

// The fold that decides which names are case variants of each other: ASCII
// letters only, as the path analysis and the conflict map fold them, so
// that names the analysis calls distinct are never moved onto each other.
void FoldArchiveName(const StrPtr& name, StrBuf* out);

// Lists a directory (a name as the cache keys it) into names; 0 or the
// errno of the failure.
using DirLister = std::function<int(const StrPtr& dir, StrVarArray* names)>;

// The names of one directory, in listing order. Every name and its folded
// form live in one byte buffer (each followed by a NUL), so a listing costs
// a few allocations however many names it holds.
class DirListing {
 public:
  DirListing() = default;
  DirListing(const DirListing&) = delete;
  DirListing& operator=(const DirListing&) = delete;

  // Number of live names.
  int Count() const { return static_cast<int>(byFold_.size()); }
  // The live names whose folded form equals folded, in listing order:
  // [*begin, *end) index Name()/Folded().
  void Matches(const StrPtr& folded, const uint32_t** begin, const uint32_t** end) const;
  // The name and its folded form; valid until the next Add.
  StrPtr Name(uint32_t i) const { return Slice(entries_[i].name, entries_[i].nameLength); }
  StrPtr Folded(uint32_t i) const { return Slice(entries_[i].folded, entries_[i].foldedLength); }
  // True when the exact name is live in the listing.
  bool Contains(const StrPtr& name) const;
  // Appends name (folding it) unless it is already there.
  void Add(const StrPtr& name);
  // Drops the exact name; false when it was not there.
  bool Remove(const StrPtr& name);
  // The errno of a listing that failed (it then holds no name), else 0.
  int ListError() const { return error_; }

 private:
  friend class DirCache;
  struct Entry {
    uint32_t name;  // offsets into bytes_
    uint32_t nameLength;
    uint32_t folded;
    uint32_t foldedLength;
  };
  StrPtr Slice(uint32_t at, uint32_t length) const {
    return StrPtr(bytes_.data() + at, length);
  }
  std::string_view FoldedView(uint32_t i) const { return Folded(i).View(); }
  // Appends an entry for name whose fold is folded; returns its index.
  uint32_t Append(const StrPtr& name, const StrPtr& folded);
  // Position in byFold_ of the exact name, or -1. scratch holds its fold.
  int Find(const StrPtr& name, StrBuf* scratch) const;
  // Where an entry with this fold and index goes in byFold_.
  size_t InsertPoint(const StrPtr& folded, uint32_t index) const;

  std::string bytes_;             // every name then its fold
  std::vector<Entry> entries_;    // every name ever listed or added
  std::vector<uint32_t> byFold_;  // live entries by (folded, listing order)
  int error_ = 0;
};

class DirCache {
 public:
  // The renamer empties the cache when it holds more than this many
  // directories.
  static const int kMaxDirectories = 1000;

  DirCache() = default;
  // Listings are made by lister instead of by name from the working
  // directory.
  explicit DirCache(DirLister lister) : lister_(std::move(lister)) {}
  DirCache(const DirCache&) = delete;
  DirCache& operator=(const DirCache&) = delete;

  // Number of directories cached.
  int Size() const { return static_cast<int>(dirs_.size()); }
  // Forgets every listing.
  void Clear() {
    dirs_.clear();
    ++generation_;
  }
  // Changes whenever a listing handed out may have changed or gone, so a
  // caller may keep references to listings while it stays the same.
  uint64_t Generation() const { return generation_; }
  // The listing of dir, read from disk on first use (an unreadable or
  // missing directory lists as empty and is cached as such).
  const DirListing& List(const StrPtr& dir);
  // True when dir's listing is cached.
  bool Has(const StrPtr& dir) const;

  // path now exists: every component of it enters the cached listing of the
  // directory above it, where that listing is cached.
  void NoteExists(const StrPtr& path);
  // path no longer exists: its last component leaves the cached listing of
  // its directory.
  void NoteGone(const StrPtr& path);

 private:
  DirListing* Cached(std::string_view dir);

  DirLister lister_;
  std::map<std::string, std::unique_ptr<DirListing>, std::less<>> dirs_;
  uint64_t generation_ = 0;
};

#endif  // ZT_MIGRATE_RENAME_DIR_CACHE_H_
