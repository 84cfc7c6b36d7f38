// DirEntry ordering, child lookup and alias bookkeeping.
#include "migrate/dir_entry.h"

#include <climits>
#include <cstring>

namespace {

// Unsigned byte order, the first difference deciding and a prefix first.
inline int CompareNames(const char* a, uint32_t an, const char* b, uint32_t bn) {
  // Siblings mostly differ in their first byte: decide that without more.
  if (an && bn && a[0] != b[0])
    return static_cast<int>(static_cast<unsigned char>(a[0])) -
           static_cast<int>(static_cast<unsigned char>(b[0]));
  const uint32_t n = an < bn ? an : bn;
  // Names in one directory often share a long start ("file_1234.c"):
  // their first difference is found eight bytes at a time.
  uint32_t i = CommonPrefixLength(a, b, n);
  if (i < n)
    return static_cast<int>(static_cast<unsigned char>(a[i])) -
           static_cast<int>(static_cast<unsigned char>(b[i]));
  return an < bn ? -1 : (an > bn ? 1 : 0);
}

}  // namespace

int DirEntry::Compare(const void* a, const void* b) const {
  const DirEntry* x = FromNode(static_cast<const AVLNode*>(a));
  const DirEntry* y = FromNode(static_cast<const AVLNode*>(b));
  return CompareNames(x->NameBytes(), x->nameLength, y->NameBytes(), y->nameLength);
}

int DirEntry::NumAliases() const {
  return FirstExtraIndex() + (more ? more->aliases.Count() : 0);
}

StrPtr DirEntry::AliasVariant(int i) const {
  if (i == 0 && (flags & kHasFirstAlias)) {
    return StrPtr((flags & kFirstIsName) ? NameBytes() : FirstBytes(), nameLength);
  }
  return StrPtr(Extra(i)->Variant(), nameLength);
}

int32_t DirEntry::AliasCount(int i) const {
  if (i == 0 && (flags & kHasFirstAlias)) return firstCount;
  return Extra(i)->count;
}

uint32_t DirEntry::AliasTables(int i) const {
  if (i == 0 && (flags & kHasFirstAlias)) return firstTables;
  return Extra(i)->tables;
}

DirEntry* DirEntry::FindChild(const char* key, uint32_t n) const {
  if (more && more->children) return more->children->Find(key, n);
  const AVLNode* node = root;
  while (node) {
    const DirEntry* child = FromNode(node);
    int c = CompareNames(key, n, child->NameBytes(), child->nameLength);
    if (c == 0) return const_cast<DirEntry*>(child);
    node = c < 0 ? node->left : node->right;
  }
  return nullptr;
}

bool DirEntry::InsertChild(DirEntry* child, Error* e) {
  // Deeper than any balanced tree of 2^31 entries can be.
  constexpr int kMaxDepth = 64;
  AVLNode** links[kMaxDepth + 1];
  bool wentLeft[kMaxDepth];
  AVLNode** link = &root;
  int depth = 0;
  while (*link) {
    if (depth == kMaxDepth) return Insert(static_cast<AVLNode*>(child), e);
    const DirEntry* node = FromNode(*link);
    int c = CompareNames(child->NameBytes(), child->nameLength, node->NameBytes(), node->nameLength);
    if (c == 0) return false;
    links[depth] = link;
    wentLeft[depth] = c < 0;
    ++depth;
    link = c < 0 ? &(*link)->left : &(*link)->right;
  }
  links[depth] = link;
  InsertAtPath(links, wentLeft, depth, child, e);
  return true;
}

int DirEntry::FindAlias(const char* bytes) const {
  if (flags & kHasFirstAlias) {
    const char* first = (flags & kFirstIsName) ? NameBytes() : FirstBytes();
    if (CommonPrefixLength(first, bytes, nameLength) == nameLength) return 0;
  }
  if (more) {
    int base = FirstExtraIndex();
    int n = more->aliases.Count();
    for (int i = 0; i < n; i++) {
      const DirAlias* alias = static_cast<const DirAlias*>(more->aliases.Get(i));
      if (memcmp(alias->Variant(), bytes, nameLength) == 0) return base + i;
    }
  }
  return -1;
}
