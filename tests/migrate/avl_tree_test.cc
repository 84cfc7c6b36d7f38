#include "migrate/avl_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "migrate/small_array.h"
#include "migrate/tree_messages.h"
#include "support/messages/debug.h"

namespace {

// A plain tree of ints that records the order in which items are destroyed.
class IntTree : public AVLTree {
 public:
  explicit IntTree(std::vector<int>* log = nullptr) : AVLTree(false), destroyed(log) {}
  ~IntTree() override { DestroyAll(); }

  int Compare(const void* a, const void* b) const override {
    int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  void DestroyItem(void* item) override {
    if (destroyed) destroyed->push_back(*static_cast<int*>(item));
    delete static_cast<int*>(item);
  }

  bool Add(int v, Error* e) {
    int* item = new int(v);
    if (Insert(item, e)) return true;
    delete item;
    return false;
  }

  // In-order text with subtrees in parentheses and each balance code after
  // a colon: "(1:1)2:1(3:1)".
  std::string Shape() const { return ShapeOf(root); }

  // Height of the subtree; -1 when a balance code or the order is wrong.
  int Check(const AVLNode* node, const int* lo, const int* hi) const {
    if (!node) return 0;
    int v = *static_cast<const int*>(ItemOf(node));
    if ((lo && v <= *lo) || (hi && v >= *hi)) return -1;
    int l = Check(node->left, lo, &v);
    int r = Check(node->right, &v, hi);
    if (l < 0 || r < 0) return -1;
    int want = l > r ? 0 : (l == r ? 1 : 2);
    if (node->balance != want || std::abs(l - r) > 1) return -1;
    return std::max(l, r) + 1;
  }

  AVLNode* MutableRoot() { return root; }

  std::vector<int>* destroyed;

 private:
  std::string ShapeOf(const AVLNode* node) const {
    if (!node) return "";
    std::string s;
    if (node->left) s += "(" + ShapeOf(node->left) + ")";
    s += std::to_string(*static_cast<const int*>(ItemOf(node))) + ":" +
         std::to_string(node->balance);
    if (node->right) s += "(" + ShapeOf(node->right) + ")";
    return s;
  }
};

std::string ShapeAfter(std::initializer_list<int> keys) {
  IntTree t;
  Error e;
  for (int k : keys) t.Add(k, &e);
  EXPECT_FALSE(e.Test()) << e.Text();
  return t.Shape();
}

TEST(AVLTreeTest, SingleAndDoubleRotations) {
  EXPECT_EQ(ShapeAfter({1, 2}), "1:2(2:1)");
  EXPECT_EQ(ShapeAfter({2, 1}), "(1:1)2:0");
  EXPECT_EQ(ShapeAfter({1, 2, 3}), "(1:1)2:1(3:1)");
  EXPECT_EQ(ShapeAfter({3, 2, 1}), "(1:1)2:1(3:1)");
  EXPECT_EQ(ShapeAfter({3, 1, 2}), "(1:1)2:1(3:1)");
  EXPECT_EQ(ShapeAfter({1, 3, 2}), "(1:1)2:1(3:1)");
}

TEST(AVLTreeTest, DoubleRotationBalancesFollowTheGrandchild) {
  // Left-right, grandchild left-high: the node ends right-high.
  EXPECT_EQ(ShapeAfter({50, 25, 75, 10, 30, 27}), "((10:1)25:1(27:1))30:1(50:2(75:1))");
  // Left-right, grandchild right-high: the left child ends left-high.
  EXPECT_EQ(ShapeAfter({50, 25, 75, 10, 30, 35}), "((10:1)25:0)30:1((35:1)50:1(75:1))");
  // The mirror images.
  EXPECT_EQ(ShapeAfter({50, 25, 75, 70, 90, 72}), "((25:1)50:0)70:1((72:1)75:1(90:1))");
  EXPECT_EQ(ShapeAfter({50, 25, 75, 70, 90, 60}), "((25:1)50:1(60:1))70:1(75:2(90:1))");
}

TEST(AVLTreeTest, RandomInsertionsKeepTheTreeBalancedAndOrdered) {
  std::vector<int> keys(5000);
  for (int i = 0; i < 5000; i++) keys[i] = i * 3;
  std::mt19937 rng(7);
  std::shuffle(keys.begin(), keys.end(), rng);
  IntTree t;
  Error e;
  for (size_t i = 0; i < keys.size(); i++) {
    ASSERT_TRUE(t.Add(keys[i], &e));
    if (i % 500 == 0) {
      ASSERT_GE(t.Check(t.RootNode(), nullptr, nullptr), 0) << i;
    }
  }
  int height = t.Check(t.RootNode(), nullptr, nullptr);
  ASSERT_GT(height, 0);
  EXPECT_LE(height, 17);  // 1.44 log2(5000) is about 17.7
  EXPECT_FALSE(e.Test());

  int probe = 300;
  ASSERT_NE(t.Find(&probe), nullptr);
  EXPECT_EQ(*static_cast<int*>(t.Find(&probe)), 300);
  probe = 301;
  EXPECT_EQ(t.Find(&probe), nullptr);

  AVLIterator it(&t);
  int expect = 0, seen = 0;
  while (void* item = it.Next(&e)) {
    ASSERT_EQ(*static_cast<int*>(item), expect);
    expect += 3;
    ++seen;
  }
  EXPECT_EQ(seen, 5000);
  EXPECT_EQ(it.Next(&e), nullptr);
  EXPECT_FALSE(e.Test());
}

TEST(AVLTreeTest, DuplicateIsRefusedAndTreeUnchanged) {
  IntTree t;
  Error e;
  t.Add(2, &e);
  t.Add(1, &e);
  std::string before = t.Shape();
  EXPECT_FALSE(t.Add(1, &e));
  EXPECT_TRUE(e.Has(kMsgDuplicateKey));
  EXPECT_EQ(e.GetSeverity(), E_FAILED);
  EXPECT_EQ(t.Shape(), before);
}

TEST(AVLTreeTest, DestroysBottomUpLeftThenRight) {
  std::vector<int> order;
  {
    IntTree t(&order);
    Error e;
    for (int k : {4, 2, 6, 1, 3, 5, 7}) t.Add(k, &e);
  }
  EXPECT_EQ(order, (std::vector<int>{1, 3, 2, 5, 7, 6, 4}));
}

TEST(AVLTreeTest, IteratorDetectsAStackThatNoLongerMatches) {
  IntTree t;
  Error e;
  for (int k : {2, 1, 3}) t.Add(k, &e);
  AVLIterator it(&t);
  ASSERT_EQ(*static_cast<int*>(it.Next(&e)), 1);
  // Rotating 1 away from under 2 invalidates the iterator's stack.
  t.Add(0, &e);
  t.Add(-1, &e);
  ASSERT_FALSE(e.Test());
  EXPECT_EQ(it.Next(&e), nullptr);
  EXPECT_TRUE(e.Has(kMsgBadIteratorStack));
  EXPECT_EQ(it.Next(&e), nullptr);
}

TEST(AVLTreeTest, IteratorOverEmptyTree) {
  IntTree t;
  Error e;
  AVLIterator it(&t);
  EXPECT_EQ(it.Next(&e), nullptr);
  EXPECT_FALSE(e.Test());
}

TEST(AVLTreeTest, InconsistentBalanceCodeWarnsAndLeavesTheSubtree) {
  IntTree t;
  Error e;
  t.Add(10, &e);
  t.MutableRoot()->balance = 0;  // claims a left subtree it does not have
  EXPECT_TRUE(t.Add(5, &e));
  EXPECT_TRUE(e.Has(kMsgTreeBalanced));
  EXPECT_EQ(e.GetSeverity(), E_WARN);
  EXPECT_EQ(t.Shape(), "(5:1)10:0");
}

TEST(AVLTreeTest, DefaultFormatItemIsTheAddress) {
  IntTree t;
  int x = 0;
  StrBuf out;
  out.Append("at ");
  t.FormatItem(&x, &out);
  char want[40];
  snprintf(want, sizeof(want), "at %p", static_cast<void*>(&x));
  EXPECT_EQ(out.ToString(), want);
}

TEST(SmallArrayTest, GrowthDoublesUpTo128ThenAdds128) {
  SmallArray a;
  std::vector<int32_t> capacities;
  std::vector<int> values(700);
  for (int i = 0; i < 700; i++) {
    int32_t before = a.Capacity();
    *a.Append() = &values[i];
    if (a.Capacity() != before) capacities.push_back(a.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{1, 2, 4, 8, 16, 32, 64, 128, 256, 384, 512, 640, 768}));
  ASSERT_EQ(a.Count(), 700);
  for (int i = 0; i < 700; i++) ASSERT_EQ(a.Get(i), &values[i]);
  EXPECT_EQ(a.Pop(), &values[699]);
  EXPECT_EQ(a.Top(), &values[698]);
}

TEST(SmallArrayTest, TracesGrowthAndDestructionByRecordsLevel) {
  int v = 0;
  testing::internal::CaptureStdout();
  SetLevel(kDebugRecords, 2);
  {
    SmallArray a;
    for (int i = 0; i < 3; i++) a.Push(&v);
  }
  SetLevel(kDebugRecords, 1);
  {
    SmallArray b;
    b.Push(&v);
  }
  SetLevel(kDebugRecords, 0);
  {
    SmallArray c;
    c.Push(&v);
  }
  fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "SmallArray extend 1\nSmallArray extend 2\nSmallArray extend 4\n~SmallArray 3/4\n"
            "~SmallArray 1/1\n");
}

}  // namespace
