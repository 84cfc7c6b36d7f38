// DirEntry: one path component in the path tree, with the spellings
// (aliases) it was seen in and its children.
//
// An entry is filed under its parent by its name, the component lower-cased
// in ASCII (A-Z only). Its children form an intrusive AVLTree ordered by
// name (unsigned bytes, a prefix first). Every distinct spelling of the
// component is an alias with a count of the paths entered through it.
//
// Entries are made and owned by the PathTree, which places them in its
// arena; an entry is never freed on its own. Its storage is compact because
// a tree may hold many millions of them: the name follows the object in the
// same allocation, and so does the first alias, whose spelling is not
// stored at all when it equals the name. Further aliases, which only
// conflicting components have, are DirAlias records in the arena listed in
// a SmallArray that the PathTree owns. All aliases of an entry have the
// name's length, since lower-casing keeps the length. A directory with many
// children also has them hashed by name in a ChildIndex.
#ifndef ZT_MIGRATE_DIR_ENTRY_H_
#define ZT_MIGRATE_DIR_ENTRY_H_

#include <climits>
#include <cstdint>
#include <memory>

#include "migrate/child_index.h"

#include "migrate/avl_tree.h"
#include "support/text/strbuf.h"

// One spelling beyond an entry's first: its count, then its bytes (the
// entry's name length, NUL-terminated) right after the record.
struct DirAlias {
  int32_t count;
  uint32_t tables;  // PathTree table bits of the records it came from
  char* Variant() { return reinterpret_cast<char*>(this + 1); }
  const char* Variant() const { return reinterpret_cast<const char*>(this + 1); }
};

// What only some entries have: further aliases and a child index. Chained
// in the PathTree for freeing.
struct DirEntryExtras {
  SmallArray aliases;  // of DirAlias*, in the arena
  std::unique_ptr<ChildIndex> children;  // null until the entry has many
  DirEntryExtras* next = nullptr;
};

class DirEntry : public AVLTree, public AVLNode {
 public:
  // Bits of Usage().
  static constexpr uint8_t kUsedAsFile = 1;  // seen as the last component
  static constexpr uint8_t kUsedAsDir = 2;   // seen with components below it
  // Alias indexes are 16-bit.
  static constexpr int kMaxAliases = 32767;

  // Children are ordered by name: unsigned bytes, a prefix first.
  int Compare(const void* a, const void* b) const override;
  // Children belong to the PathTree's arena: nothing to free here.
  void DestroyItem(void*) override {}
  // Appends nothing.
  void FormatItem(const void*, StrBuf*) const override {}

  // The component lowered in ASCII; the sort key among siblings.
  StrPtr Name() const { return StrPtr(NameBytes(), nameLength); }
  int32_t ChildCount() const { return childCount; }
  int32_t MaxCount() const { return maxCount; }
  int16_t MostCommon() const { return mostCommon; }
  int16_t HeadAlias() const { return headAlias; }
  uint8_t Usage() const { return usage; }

  // Number of aliases; the aliases in order of first appearance.
  int NumAliases() const;
  // The spelling and the count of alias i (0 <= i < NumAliases()).
  StrPtr AliasVariant(int i) const;
  int32_t AliasCount(int i) const;
  // The PathTree table bits of the records alias i was seen in.
  uint32_t AliasTables(int i) const;
  // The alias at MostCommon() / HeadAlias(); the name when there is none.
  StrPtr MostCommonVariant() const { return ChosenVariant(mostCommon); }
  StrPtr HeadVariant() const { return ChosenVariant(headAlias); }

  // The child named key (already lowered), or null. No virtual calls; hashed
  // in a directory with a child index.
  DirEntry* FindChild(const char* key, uint32_t n) const;
  // Inserts child among the children as Insert does, comparing names
  // without virtual calls; false (and no error) when a child of that name
  // is there already.
  bool InsertChild(DirEntry* child, Error* e);

  // The entry holding a node / item of a child tree.
  static DirEntry* FromNode(AVLNode* node) { return static_cast<DirEntry*>(node); }
  static const DirEntry* FromNode(const AVLNode* node) {
    return static_cast<const DirEntry*>(node);
  }
  static DirEntry* FromItem(void* item) { return FromNode(static_cast<AVLNode*>(item)); }

 private:
  friend class PathTree;

  // Bits of flags.
  static constexpr uint8_t kHasFirstAlias = 1;  // alias 0 lives in the entry
  static constexpr uint8_t kFirstIsName = 2;    // ... and is spelled as the name

  DirEntry(uint32_t length, uint8_t aliasFlags)
      : AVLTree(true), usage(0), flags(aliasFlags), mostCommon(0), headAlias(0),
        childCount(0), maxCount(0), firstCount(0), nameLength(length), firstTables(0),
        more(nullptr) {}

  const char* NameBytes() const { return reinterpret_cast<const char*>(this + 1); }
  char* NameBytes() { return reinterpret_cast<char*>(this + 1); }
  // The first alias's spelling when it differs from the name.
  const char* FirstBytes() const { return NameBytes() + nameLength + 1; }
  int FirstExtraIndex() const { return (flags & kHasFirstAlias) ? 1 : 0; }
  DirAlias* Extra(int i) const {
    return static_cast<DirAlias*>(more->aliases.Get(i - FirstExtraIndex()));
  }
  StrPtr ChosenVariant(int i) const {
    return (i >= 0 && i < NumAliases()) ? AliasVariant(i) : Name();
  }
  // The index of the alias spelled exactly as bytes (nameLength long),
  // or -1.
  int FindAlias(const char* bytes) const;
  // Adds 1 to alias i's count (saturating), moves the most common and
  // notes the table bits. Inline: every path counts each of its components.
  void CountAlias(int i, uint32_t tables) {
    int32_t* count;
    if (i == 0 && (flags & kHasFirstAlias)) {
      count = &firstCount;
      firstTables |= tables;
    } else {
      DirAlias* alias = Extra(i);
      count = &alias->count;
      alias->tables |= tables;
    }
    // A count stops at the largest value rather than wrapping negative.
    if (*count < INT32_MAX) ++*count;
    if (*count > maxCount) {
      maxCount = *count;
      mostCommon = static_cast<int16_t>(i);
    }
  }

  uint8_t usage;
  uint8_t flags;
  int16_t mostCommon;
  int16_t headAlias;
  int32_t childCount;
  int32_t maxCount;
  int32_t firstCount;    // count of alias 0 when it lives in the entry
  uint32_t nameLength;
  uint32_t firstTables;  // table bits of alias 0 when it lives in the entry
  DirEntryExtras* more;  // further aliases, child index, or null; owned by the PathTree
  // Followed in the same allocation by the name and its NUL, then, unless
  // kFirstIsName, the first alias's spelling and its NUL.
};

#endif  // ZT_MIGRATE_DIR_ENTRY_H_
