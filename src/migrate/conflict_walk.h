// ConflictVisitor: a path tree walk that gives every conflicting component
// (an entry with more than one spelling) together with its chosen path,
// each component spelled by its chosen alias: the head alias under the head
// policy, the most common one otherwise. The conflict map and the conflict
// report are both written from it, so they always name the same paths.
//
// The visitor keeps the path of the entry being visited in one buffer, cut
// back to the parent's length at every step, so paths of any depth cost
// neither stack nor an allocation per entry.
#ifndef ZT_MIGRATE_CONFLICT_WALK_H_
#define ZT_MIGRATE_CONFLICT_WALK_H_

#include <cstdint>
#include <vector>

#include "migrate/dir_entry.h"
#include "migrate/path_tree.h"
#include "support/text/strbuf.h"

class ConflictVisitor : public PathTreeVisitor {
 public:
  // head: choose each entry's head alias instead of its most common one.
  explicit ConflictVisitor(bool head) : head_(head) {}

  bool Visit(const DirEntry* entry, int depth) final;

 protected:
  // Called for each conflicting entry, parents before children, with its
  // chosen path ("//depot/dir/name").
  virtual void Conflict(const DirEntry* entry, const StrBuf& path) = 0;
  // The alias index the walk chose for entry.
  int Chosen(const DirEntry* entry) const {
    return head_ ? entry->HeadAlias() : entry->MostCommon();
  }

 private:
  bool head_;
  StrBuf path_;
  std::vector<uint32_t> lengths_;
};

#endif  // ZT_MIGRATE_CONFLICT_WALK_H_
