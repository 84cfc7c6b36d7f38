// AVLTree: a height-balanced binary search tree ordered by a virtual Compare.
//
// The tree owns its nodes; what happens to the items is up to the derived
// class, through DestroyItem, which the derived class's destructor triggers
// by calling DestroyAll (a base destructor cannot reach the derived
// DestroyItem). Each node carries a balance code: 0 when its left subtree is
// one level higher, 1 when balanced, 2 when its right subtree is one level
// higher.
//
// A tree is either plain or intrusive. A plain tree allocates an AVLItemNode
// for every item it holds. An intrusive tree's items are themselves AVLNodes
// (the item pointer is the node pointer), so a tree of millions of items
// costs no node allocation at all; the path tree uses this for its entries.
//
// AVLIterator walks a tree in ascending order with an explicit stack.
#ifndef ZT_MIGRATE_AVL_TREE_H_
#define ZT_MIGRATE_AVL_TREE_H_

#include <cstdint>

#include "migrate/small_array.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

// The links of one node. Intrusive items derive from it.
struct AVLNode {
  AVLNode() : left(nullptr), right(nullptr), balance(1) {}

  AVLNode* left;
  AVLNode* right;
  int8_t balance;  // 0 left higher, 1 balanced, 2 right higher
};

// The node of a plain tree: the links and the item pointer (not owned).
struct AVLItemNode : AVLNode {
  explicit AVLItemNode(void* i) : item(i) {}
  void* item;
};

class AVLTree {
 public:
  AVLTree(const AVLTree&) = delete;
  AVLTree& operator=(const AVLTree&) = delete;
  // Frees the nodes still held; derived classes call DestroyAll first.
  virtual ~AVLTree();

  // Negative, zero or positive as item a orders before, with or after b.
  virtual int Compare(const void* a, const void* b) const = 0;
  // Disposes of an item when the tree is destroyed.
  virtual void DestroyItem(void* item) = 0;
  // Appends a diagnostic text form of an item (by default its address).
  virtual void FormatItem(const void* item, StrBuf* out) const;

  // The item comparing equal to the given one, or null.
  void* Find(const void* item) const;
  // Inserts item and rebalances; true when inserted. An item equal to one
  // already held is not inserted and "Can't insert duplicate key." is set.
  bool Insert(void* item, Error* e);

  bool IsEmpty() const { return root == nullptr; }
  // The root node (null when empty), for walks that need the node links.
  const AVLNode* RootNode() const { return root; }
  // The item held by a node of this tree.
  void* ItemOf(const AVLNode* node) const {
    return intrusive ? const_cast<AVLNode*>(node)
                     : static_cast<const AVLItemNode*>(node)->item;
  }

 protected:
  explicit AVLTree(bool intrusiveItems) : root(nullptr), intrusive(intrusiveItems) {}

  // Destroys every node bottom-up (left subtree, right subtree, node),
  // calling DestroyItem for each item; the tree is empty afterwards.
  void DestroyAll();

  // Insert for a derived class that found the place itself: links[0] is
  // &root, links[i + 1] the link it took below *links[i] (left when
  // wentLeft[i]), and links[depth] the empty link where n goes. Rebalances
  // exactly as Insert does.
  void InsertAtPath(AVLNode** const* links, const bool* wentLeft, int depth, AVLNode* n,
                    Error* e);

  AVLNode* root;
  bool intrusive;

 private:
  friend class AVLIterator;

  // Inserts n below *link; true when the subtree at *link grew in height.
  bool InsertBelow(AVLNode** link, AVLNode* n, Error* e, bool* inserted);
  // Rebalancing after the left (right) subtree of *link grew; true when
  // the subtree at *link still grew.
  bool LeftGrew(AVLNode** link, Error* e);
  bool RightGrew(AVLNode** link, Error* e);
  void RotateLeft(AVLNode** link, Error* e);
  void RotateRight(AVLNode** link, Error* e);
  void DestroySubtree(AVLNode* node);
};

// Ascending iteration over a tree. The tree must not change meanwhile.
class AVLIterator {
 public:
  explicit AVLIterator(const AVLTree* tree) : tree_(tree), started_(false), done_(false) {}

  // The next item in ascending order, or null at the end. A stack that no
  // longer matches the tree sets "Bad iterator stack." and ends the walk.
  void* Next(Error* e);

 private:
  // Pushes node and its chain of left children.
  void PushLeftChain(AVLNode* node);

  const AVLTree* tree_;
  SmallArray stack_;  // the path from the root to the current node
  bool started_;
  bool done_;
};

#endif  // ZT_MIGRATE_AVL_TREE_H_
