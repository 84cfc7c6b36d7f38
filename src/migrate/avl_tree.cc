// AVLTree insertion with its rebalancing, lookup, destruction and iteration.
#include "migrate/avl_tree.h"

#include <cstdio>

#include "migrate/tree_messages.h"

namespace {

// Frees the item nodes of a plain tree without touching the items.
void FreeNodes(AVLNode* node) {
  while (node) {
    FreeNodes(node->left);  // depth is bounded by the tree's height
    AVLNode* right = node->right;
    delete static_cast<AVLItemNode*>(node);
    node = right;
  }
}

}  // namespace

AVLTree::~AVLTree() {
  if (!intrusive) FreeNodes(root);
  root = nullptr;
}

void AVLTree::FormatItem(const void* item, StrBuf* out) const {
  char text[32];
  int n = snprintf(text, sizeof(text), "%p", item);
  if (n > 0) out->Append(text, static_cast<uint32_t>(n));
}

void* AVLTree::Find(const void* item) const {
  const AVLNode* node = root;
  while (node) {
    int c = Compare(item, ItemOf(node));
    if (c == 0) return ItemOf(node);
    node = c < 0 ? node->left : node->right;
  }
  return nullptr;
}

bool AVLTree::Insert(void* item, Error* e) {
  AVLNode* n = intrusive ? static_cast<AVLNode*>(item) : new AVLItemNode(item);
  bool inserted = false;
  InsertBelow(&root, n, e, &inserted);
  if (!inserted && !intrusive) delete static_cast<AVLItemNode*>(n);
  return inserted;
}

void AVLTree::InsertAtPath(AVLNode** const* links, const bool* wentLeft, int depth, AVLNode* n,
                           Error* e) {
  n->left = n->right = nullptr;
  n->balance = 1;
  *links[depth] = n;
  // As InsertBelow unwinds: each subtree that grew rebalances its parent.
  for (int i = depth - 1; i >= 0; --i) {
    bool grew = wentLeft[i] ? LeftGrew(links[i], e) : RightGrew(links[i], e);
    if (!grew) return;
  }
}

bool AVLTree::InsertBelow(AVLNode** link, AVLNode* n, Error* e, bool* inserted) {
  AVLNode* node = *link;
  if (!node) {
    n->left = n->right = nullptr;
    n->balance = 1;
    *link = n;
    *inserted = true;
    return true;
  }
  int c = Compare(ItemOf(n), ItemOf(node));
  if (c == 0) {
    e->Set(kMsgDuplicateKey);
    return false;
  }
  if (c < 0) {
    return InsertBelow(&node->left, n, e, inserted) && LeftGrew(link, e);
  }
  return InsertBelow(&node->right, n, e, inserted) && RightGrew(link, e);
}

bool AVLTree::LeftGrew(AVLNode** link, Error* e) {
  AVLNode* node = *link;
  switch (node->balance) {
    case 1:
      node->balance = 0;
      return true;
    case 2:
      node->balance = 1;
      return false;
    default:
      break;
  }
  // The left side is now two levels higher.
  AVLNode* child = node->left;
  if (!child) {
    RotateRight(link, e);  // reports the missing subtree
    return false;
  }
  if (child->balance == 0) {
    node->balance = 1;
    child->balance = 1;
    RotateRight(link, e);
  } else if (child->balance == 2) {
    AVLNode* g = child->right;
    if (g) {
      switch (g->balance) {
        case 0: node->balance = 2; child->balance = 1; break;
        case 1: node->balance = 1; child->balance = 1; break;
        default: node->balance = 1; child->balance = 0; break;
      }
      g->balance = 1;
    }
    RotateLeft(&node->left, e);
    if (!e->IsFatal()) RotateRight(link, e);
  } else {
    e->Set(kMsgTreeBalanced);
  }
  return false;
}

bool AVLTree::RightGrew(AVLNode** link, Error* e) {
  AVLNode* node = *link;
  switch (node->balance) {
    case 1:
      node->balance = 2;
      return true;
    case 0:
      node->balance = 1;
      return false;
    default:
      break;
  }
  // The right side is now two levels higher.
  AVLNode* child = node->right;
  if (!child) {
    RotateLeft(link, e);
    return false;
  }
  if (child->balance == 2) {
    node->balance = 1;
    child->balance = 1;
    RotateLeft(link, e);
  } else if (child->balance == 0) {
    AVLNode* g = child->left;
    if (g) {
      switch (g->balance) {
        case 2: node->balance = 0; child->balance = 1; break;
        case 1: node->balance = 1; child->balance = 1; break;
        default: node->balance = 1; child->balance = 2; break;
      }
      g->balance = 1;
    }
    RotateRight(&node->right, e);
    if (!e->IsFatal()) RotateLeft(link, e);
  } else {
    e->Set(kMsgTreeBalanced);
  }
  return false;
}

void AVLTree::RotateLeft(AVLNode** link, Error* e) {
  AVLNode* node = *link;
  AVLNode* pivot = node->right;
  if (!pivot) {
    e->Set(kMsgCannotRotate) << "right";
    return;
  }
  node->right = pivot->left;
  pivot->left = node;
  *link = pivot;
}

void AVLTree::RotateRight(AVLNode** link, Error* e) {
  AVLNode* node = *link;
  AVLNode* pivot = node->left;
  if (!pivot) {
    e->Set(kMsgCannotRotate) << "left";
    return;
  }
  node->left = pivot->right;
  pivot->right = node;
  *link = pivot;
}

void AVLTree::DestroyAll() {
  AVLNode* node = root;
  root = nullptr;
  DestroySubtree(node);
}

void AVLTree::DestroySubtree(AVLNode* node) {
  if (!node) return;
  // Recursion depth is the tree's height: about 1.44 log2 of its size.
  DestroySubtree(node->left);
  DestroySubtree(node->right);
  void* item = ItemOf(node);
  if (!intrusive) delete static_cast<AVLItemNode*>(node);
  DestroyItem(item);
}

void AVLIterator::PushLeftChain(AVLNode* node) {
  for (; node; node = node->left) stack_.Push(node);
}

void* AVLIterator::Next(Error* e) {
  if (done_) return nullptr;
  if (!started_) {
    started_ = true;
    PushLeftChain(tree_->root);
  } else {
    AVLNode* cur = static_cast<AVLNode*>(stack_.Top());
    if (!cur) {
      done_ = true;
      return nullptr;
    }
    if (cur->right) {
      PushLeftChain(cur->right);
    } else {
      // Climb until we leave a left subtree.
      stack_.Pop();
      for (;;) {
        AVLNode* parent = static_cast<AVLNode*>(stack_.Top());
        if (!parent) {
          done_ = true;
          return nullptr;
        }
        if (parent->left == cur) break;
        if (parent->right != cur) {
          e->Set(kMsgBadIteratorStack);
          done_ = true;
          return nullptr;
        }
        cur = parent;
        stack_.Pop();
      }
    }
  }
  AVLNode* top = static_cast<AVLNode*>(stack_.Top());
  if (!top) {
    done_ = true;
    return nullptr;
  }
  return tree_->ItemOf(top);
}
