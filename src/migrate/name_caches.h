// The name caches: the domains (depots, streams, clients, branches, labels)
// and the user groups the checkpoint has introduced, each under the first
// spelling it was registered with.
//
// DomainCache and GroupCache are plain AVLTrees ordered by name without
// regard to ASCII case, so a lookup in any spelling finds the registered
// one. Each cache owns its records and destroys them with itself.
#ifndef ZT_MIGRATE_NAME_CACHES_H_
#define ZT_MIGRATE_NAME_CACHES_H_

#include <cstdint>

#include "migrate/avl_tree.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

// Domain types as stored in db.domain's type field.
enum DomainType {
  kDomainBranch = 98,
  kDomainClient = 99,
  kDomainDepot = 100,
  kDomainLabel = 108,
  kDomainStream = 115,
};

// A domain as first registered.
class DomainRec {
 public:
  DomainRec(const StrPtr& n, int32_t t) : name(n), type(t) {}
  virtual ~DomainRec() {}

  // Replaces out with "Domain: <name> (<type>)".
  virtual void Describe(StrBuf* out) const;

  bool IsBranch() const { return type == kDomainBranch; }
  bool IsClient() const { return type == kDomainClient; }
  bool IsLabel() const { return type == kDomainLabel; }

  StrBuf name;
  int32_t type;
};

// A group as first registered.
class GroupRec {
 public:
  explicit GroupRec(const StrPtr& n) : name(n) {}
  virtual ~GroupRec() {}

  // Replaces out with "Group: <name>".
  virtual void Describe(StrBuf* out) const;

  StrBuf name;
};

// The operations both caches share, over records of type Rec (which has a
// `name` and a `Describe`).
template <class Rec>
class NameCache : public AVLTree {
 public:
  NameCache() : AVLTree(false) {}
  // Destroys every record.
  ~NameCache() override { DestroyAll(); }

  // ASCII letters compare without case; everything else exactly.
  int Compare(const void* a, const void* b) const override {
    return CompareFold(static_cast<const Rec*>(a)->name, static_cast<const Rec*>(b)->name);
  }
  void DestroyItem(void* item) override { delete static_cast<Rec*>(item); }
  void FormatItem(const void* item, StrBuf* out) const override {
    static_cast<const Rec*>(item)->Describe(out);
  }

  // The record whose name equals name without regard to ASCII case, or
  // null. Walks the tree with the name itself: no probe record is built.
  // Consecutive records mostly name the same client or depot in the same
  // spelling: the record found last is tried first. Records are never
  // removed, so it stays the answer for its name.
  Rec* Find(const StrPtr& name) const {
    if (lastFound_ && lastFound_->name.EqualExact(name)) return lastFound_;
    const AVLNode* node = RootNode();
    while (node) {
      Rec* rec = static_cast<Rec*>(ItemOf(node));
      int c = CompareFold(name, rec->name);
      if (c == 0) return lastFound_ = rec;
      node = c < 0 ? node->left : node->right;
    }
    return nullptr;
  }

 protected:
  // Inserts a new record; ownership passes to the cache either way.
  void AddRecord(Rec* rec, Error* e) {
    if (!Insert(rec, e)) delete rec;
  }

 private:
  mutable Rec* lastFound_ = nullptr;  // owned by the tree
};

class DomainCache : public NameCache<DomainRec> {
 public:
  // Registers name with its type unless a spelling of it is held already;
  // does nothing when e already holds an error.
  void Add(const StrPtr& name, int32_t type, Error* e);
};

class GroupCache : public NameCache<GroupRec> {
 public:
  // Registers name unless a spelling of it is held already; does nothing
  // when e already holds an error.
  void Add(const StrPtr& name, Error* e);
};

#endif  // ZT_MIGRATE_NAME_CACHES_H_
