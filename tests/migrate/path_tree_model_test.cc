// The path tree against a plain model of path entering: runs of paths that
// share, nearly share or differ in their leading components (the tree reuses
// the lookups of the last path's directories) must count exactly what the
// model counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "migrate/path_tree.h"

namespace {

// What the tree should hold for one entry: its aliases in order of first
// appearance with their counts, and its usage bits.
struct ModelEntry {
  std::vector<std::pair<std::string, int>> aliases;
  int usage = 0;
};

std::string Lower(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

bool HasWildcard(const std::string& c) {
  return c.find("...") != std::string::npos || c.find('*') != std::string::npos ||
         c.find("%%") != std::string::npos;
}

// Enters a path the slow, obvious way: split, test, count, recurse on the
// rest; entries are keyed by their lowered components from the root.
void ModelAdd(std::map<std::vector<std::string>, ModelEntry>* model, std::string path) {
  std::vector<std::string> key;
  for (;;) {
    if (path.size() >= 2 && path[0] == '/' && path[1] == '/') path = path.substr(2);
    size_t slash = path.find('/');
    std::string c = slash == std::string::npos ? path : path.substr(0, slash);
    std::string rest = slash == std::string::npos ? "" : path.substr(slash + 1);
    if (HasWildcard(c) && (!rest.empty() || (c != "..." && c != "*"))) return;
    key.push_back(Lower(c));
    ModelEntry& e = (*model)[key];
    bool found = false;
    for (auto& a : e.aliases) {
      if (a.first == c) {
        ++a.second;
        found = true;
      }
    }
    if (!found) e.aliases.emplace_back(c, 1);
    if (rest.empty()) {
      e.usage |= DirEntry::kUsedAsFile;
      return;
    }
    e.usage |= DirEntry::kUsedAsDir;
    path = rest;
  }
}

void ExpectSameAsModel(const PathTree& tree,
                       const std::map<std::vector<std::string>, ModelEntry>& model) {
  EXPECT_EQ(tree.EntryCount(), static_cast<int64_t>(model.size()) + 1);
  for (const auto& [key, want] : model) {
    const DirEntry* d = tree.Root();
    std::string where;
    for (const std::string& c : key) {
      where += "/" + c;
      d = d ? d->FindChild(c.data(), static_cast<uint32_t>(c.size())) : nullptr;
    }
    ASSERT_NE(d, nullptr) << where;
    ASSERT_EQ(d->NumAliases(), static_cast<int>(want.aliases.size())) << where;
    int best = 0;
    for (int i = 0; i < d->NumAliases(); ++i) {
      EXPECT_EQ(std::string(d->AliasVariant(i).Text(), d->AliasVariant(i).Length()),
                want.aliases[i].first)
          << where;
      EXPECT_EQ(d->AliasCount(i), want.aliases[i].second) << where;
      if (want.aliases[i].second > want.aliases[best].second) best = i;
    }
    EXPECT_EQ(d->Usage(), want.usage) << where;
    EXPECT_EQ(d->MaxCount(), want.aliases[best].second) << where;
  }
}

TEST(PathTreeModelTest, RunsOfRelatedPathsCountLikeTheModel) {
  // Few component spellings, so that consecutive paths often share a prefix
  // exactly, share it only up to a case difference, or share the bytes
  // around a "/" that splits differently ("//" inside a path, empty
  // components, wildcards).
  const char* const kParts[] = {"depot", "Depot", "a", "A", "ab", "aB", "",  "x.c",
                                "X.c",   "...",   "*", "b%%1", "a...", "é", "É"};
  std::mt19937 rng(12345);
  PathTree tree;
  std::map<std::vector<std::string>, ModelEntry> model;
  std::string last;
  for (int i = 0; i < 20000; ++i) {
    std::string path;
    if (!last.empty() && rng() % 4 != 0) {
      // Keep a prefix of the last path and change the rest.
      path = last.substr(0, rng() % (last.size() + 1));
    } else if (rng() % 4 != 0) {
      path = "//";
    }
    int more = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < more; ++k) {
      path += kParts[rng() % (sizeof kParts / sizeof kParts[0])];
      if (k + 1 < more || rng() % 8 == 0) path += (rng() % 6 == 0) ? "//" : "/";
    }
    tree.AddPath(StrPtr(path.data(), static_cast<uint32_t>(path.size())));
    ModelAdd(&model, path);
    last = path;
  }
  ExpectSameAsModel(tree, model);
}

TEST(PathTreeModelTest, SharedPrefixWithAnotherSpellingIsCountedAsThatSpelling) {
  PathTree tree;
  std::map<std::vector<std::string>, ModelEntry> model;
  for (const char* p : {"//depot/Main/a.c", "//depot/Main/b.c", "//depot/main/b.c",
                        "//depot/Main/b.c", "//depot/Mainline/c.c", "//depot/Main",
                        "//depot/Main/...", "//depot//Main/a.c", "//depot/Main/a.c"}) {
    tree.AddPath(StrPtr(p, static_cast<uint32_t>(strlen(p))));
    ModelAdd(&model, p);
  }
  ExpectSameAsModel(tree, model);
  const DirEntry* main = tree.Root()->FindChild("depot", 5)->FindChild("main", 4);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->AliasCount(0), 6);  // Main, bare and as a directory
  EXPECT_EQ(main->AliasCount(1), 1);  // main
}

// Every entry's children in walk order must be in strictly ascending
// unsigned byte order of their names.
class OrderChecker : public PathTreeVisitor {
 public:
  bool Visit(const DirEntry* entry, int depth) override {
    const std::string name = entry->Name().ToString();
    if (static_cast<size_t>(depth) < last.size()) {
      // A later sibling: the deeper levels were its elder's subtree.
      EXPECT_LT(last[depth], name) << "depth " << depth;
      last[depth] = name;
      last.resize(depth + 1);
    } else {
      last.push_back(name);  // the first child of the entry before
    }
    ++visited;
    return true;
  }
  std::vector<std::string> last;  // the last name seen at each depth
  int64_t visited = 0;
};

// The height of a child tree, checking on the way that every node is
// balanced and carries the balance code of its subtrees (0 left higher,
// 1 even, 2 right higher).
int CheckedHeight(const AVLNode* node) {
  if (!node) return 0;
  int left = CheckedHeight(node->left);
  int right = CheckedHeight(node->right);
  EXPECT_LE(std::abs(left - right), 1);
  EXPECT_EQ(node->balance, left > right ? 0 : left == right ? 1 : 2);
  return 1 + std::max(left, right);
}

class BalanceChecker : public PathTreeVisitor {
 public:
  bool Visit(const DirEntry* entry, int) override {
    CheckedHeight(entry->RootNode());
    return true;
  }
};

TEST(PathTreeModelTest, LargeDirectoriesCountLikeTheModel) {
  // Directories of hundreds of files (their children are hashed as well as
  // kept in order), entered in random order so that each is revisited
  // after others: names in several cases, names that are prefixes of each
  // other or share a long start, a very deep directory.
  std::vector<std::string> dirs = {"//depot/Big/", "//depot/big/", "//depot/BIG/sub/",
                                   "//depot/other/", "//Depot/Big/"};
  std::string deep = "//depot/";
  for (int i = 0; i < 200; ++i) deep += (i % 2 ? "D" : "d") + std::to_string(i) + "/";
  dirs.push_back(deep);
  std::vector<std::string> files;
  for (int i = 0; i < 300; ++i) {
    files.push_back("file_" + std::to_string(i) + ".c");
    files.push_back("File_" + std::to_string(i) + ".c");
  }
  for (int n = 1; n <= 40; ++n) files.push_back(std::string(n, 'a'));
  files.push_back("a_rather_long_common_start_of_a_name_x");
  files.push_back("a_rather_long_common_start_of_a_name_X");
  files.push_back("a_rather_long_common_start_of_a_name_xy");
  std::mt19937 rng(777);
  PathTree tree;
  std::map<std::vector<std::string>, ModelEntry> model;
  for (int i = 0; i < 30000; ++i) {
    std::string path = dirs[rng() % dirs.size()] + files[rng() % files.size()];
    tree.AddPath(StrPtr(path.data(), static_cast<uint32_t>(path.size())));
    ModelAdd(&model, path);
  }
  ExpectSameAsModel(tree, model);
  OrderChecker order;
  tree.Walk(&order);
  EXPECT_EQ(order.visited, tree.EntryCount());
  BalanceChecker balance;
  tree.Walk(&balance);
  // Head marking finds the entries the lookups found: it makes none.
  const int64_t entries = tree.EntryCount();
  tree.MarkHead(StrPtr("//DEPOT/bIG/FILE_7.C"));
  EXPECT_EQ(tree.EntryCount(), entries);
  const DirEntry* big = tree.Root()->FindChild("depot", 5)->FindChild("big", 3);
  ASSERT_NE(big, nullptr);
  EXPECT_GT(big->ChildCount(), 300);
}

}  // namespace
