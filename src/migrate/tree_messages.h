// Messages raised by the balanced trees (AVLTree and the trees built on it).
#ifndef ZT_MIGRATE_TREE_MESSAGES_H_
#define ZT_MIGRATE_TREE_MESSAGES_H_

#include "support/messages/error.h"

inline constexpr MessageId kMsgDuplicateKey = {0x30011c0a, "Can't insert duplicate key."};
inline constexpr MessageId kMsgBadIteratorStack = {0x30211c0a, "Bad iterator stack."};
inline constexpr MessageId kMsgTreeBalanced = {0x20211c32, "Tree already balanced!"};
inline constexpr MessageId kMsgCannotRotate = {0x41211c02, "Cannot rotate: NULL %side% subtree."};

#endif  // ZT_MIGRATE_TREE_MESSAGES_H_
