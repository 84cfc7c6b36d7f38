#include "migrate/path_tree.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <string>
#include <vector>

#include "debug_capture.h"

namespace {

using testutil::DebugCapture;

const DirEntry* Child(const DirEntry* parent, const char* name) {
  return parent->FindChild(name, static_cast<uint32_t>(strlen(name)));
}

std::string Aliases(const DirEntry* d) {
  std::string s;
  for (int i = 0; i < d->NumAliases(); i++) {
    if (i) s += " ";
    s += d->AliasVariant(i).ToString() + "(" + std::to_string(d->AliasCount(i)) + ")";
  }
  return s;
}

// Names of every entry in walk order, indented by depth.
class NameWalker : public PathTreeVisitor {
 public:
  bool Visit(const DirEntry* entry, int depth) override {
    names.push_back(std::string(indent ? depth : 0, '.') + entry->Name().ToString());
    return limit < 0 || static_cast<int>(names.size()) < limit;
  }
  std::vector<std::string> names;
  int limit = -1;
  bool indent = true;
};

TEST(PathTreeTest, CountsEverySpellingOfEachComponent) {
  PathTree tree;
  tree.AddPath("//Depot/A/x.c");
  tree.AddPath("//depot/a/x.c");
  const DirEntry* depot = Child(tree.Root(), "depot");
  ASSERT_NE(depot, nullptr);
  EXPECT_EQ(tree.Root()->ChildCount(), 1);
  EXPECT_EQ(Aliases(depot), "Depot(1) depot(1)");
  EXPECT_EQ(depot->MostCommon(), 0);
  EXPECT_EQ(depot->MostCommonVariant().ToString(), "Depot");
  const DirEntry* a = Child(depot, "a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(Aliases(a), "A(1) a(1)");
  const DirEntry* x = Child(a, "x.c");
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(Aliases(x), "x.c(2)");
  EXPECT_EQ(x->MaxCount(), 2);
  EXPECT_EQ(x->Usage(), DirEntry::kUsedAsFile);
  EXPECT_EQ(depot->Usage(), DirEntry::kUsedAsDir);
  EXPECT_EQ(tree.EntryCount(), 4);
}

TEST(PathTreeTest, MostCommonMovesOnlyOnAStrictlyGreaterCount) {
  PathTree tree;
  tree.AddPath("//Main/f");
  tree.AddPath("//main/f");
  const DirEntry* main = Child(tree.Root(), "main");
  EXPECT_EQ(main->MostCommonVariant().ToString(), "Main");
  tree.AddPath("//main/f");
  EXPECT_EQ(main->MostCommon(), 1);
  EXPECT_EQ(main->MostCommonVariant().ToString(), "main");
  EXPECT_EQ(main->MaxCount(), 2);

  // Many spellings: order of first appearance is kept.
  PathTree many;
  const char* spellings[] = {"ab", "AB", "Ab", "aB", "AB", "aB", "aB"};
  for (const char* s : spellings) many.AddPath(StrPtr(s));
  const DirEntry* ab = Child(many.Root(), "ab");
  EXPECT_EQ(Aliases(ab), "ab(1) AB(2) Ab(1) aB(3)");
  EXPECT_EQ(ab->MostCommon(), 3);
  EXPECT_EQ(many.Root()->ChildCount(), 1);
}

TEST(PathTreeTest, WildcardComponentsEndTheEntering) {
  PathTree tree;
  tree.AddPath("//depot/dir/...");
  const DirEntry* depot = Child(tree.Root(), "depot");
  const DirEntry* dir = Child(depot, "dir");
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(dir->Usage(), DirEntry::kUsedAsDir);
  const DirEntry* dots = Child(dir, "...");
  ASSERT_NE(dots, nullptr);
  EXPECT_EQ(dots->Usage(), DirEntry::kUsedAsFile);

  tree.AddPath("//depot/*.c");
  tree.AddPath("//depot/x%%1/y");
  tree.AddPath("//depot/a...b");
  tree.AddPath("//depot/.../z");
  tree.AddPath("//depot/*");
  EXPECT_EQ(Aliases(depot), "depot(6)");
  EXPECT_EQ(depot->ChildCount(), 2);  // dir and the bare "*"
  EXPECT_NE(Child(depot, "*"), nullptr);
  EXPECT_EQ(Child(depot, "*.c"), nullptr);
  EXPECT_EQ(Child(depot, "x%%1"), nullptr);

  // A wildcard as the first component enters nothing at all.
  tree.AddPath("//*/a");
  EXPECT_EQ(tree.Root()->ChildCount(), 1);
  // "..." as part of a component other than "..." stops too; a lone "%" does not.
  tree.AddPath("//depot/50%/a..b");
  EXPECT_NE(Child(Child(depot, "50%"), "a..b"), nullptr);
}

TEST(PathTreeTest, SplittingAndUsage) {
  PathTree tree;
  tree.AddPath("depot/a");   // no leading "//": same entries
  tree.AddPath("//depot/a/b");
  tree.AddPath("//depot//c");   // an empty component between the slashes
  tree.AddPath("//depot///c");  // every rest is split like a path: "//c" is "c"
  tree.AddPath("//depot/d/");  // an empty rest: d is a file
  const DirEntry* depot = Child(tree.Root(), "depot");
  ASSERT_NE(depot, nullptr);
  EXPECT_EQ(depot->AliasCount(0), 5);
  const DirEntry* a = Child(depot, "a");
  EXPECT_EQ(a->Usage(), DirEntry::kUsedAsFile | DirEntry::kUsedAsDir);
  ASSERT_NE(Child(depot, ""), nullptr);
  EXPECT_NE(Child(Child(depot, ""), "c"), nullptr);
  EXPECT_EQ(Child(depot, "c")->AliasCount(0), 1);
  EXPECT_EQ(Child(depot, "d")->Usage(), DirEntry::kUsedAsFile);
  tree.AddPath("//depot/e//f");
  EXPECT_NE(Child(Child(Child(depot, "e"), ""), "f"), nullptr);
  tree.AddPath("//depot/g/h");
  tree.AddPath("//depot/g/");
  EXPECT_EQ(Child(depot, "g")->Usage(), DirEntry::kUsedAsFile | DirEntry::kUsedAsDir);
}

TEST(PathTreeTest, OnlyAsciiLettersFold) {
  PathTree tree;
  tree.AddPath("//depot/\xc3\xa9t\xc3\xa9");  // é
  tree.AddPath("//depot/\xc3\x89T\xc3\x89");  // É
  const DirEntry* depot = Child(tree.Root(), "depot");
  EXPECT_EQ(depot->ChildCount(), 2);
  const DirEntry* upper = Child(depot, "\xc3\x89t\xc3\x89");
  ASSERT_NE(upper, nullptr);
  EXPECT_EQ(Aliases(upper), "\xc3\x89T\xc3\x89(1)");
}

TEST(PathTreeTest, MarkHead) {
  PathTree tree;
  tree.AddPath("//Depot/A/x.c");
  tree.AddPath("//depot/a/x.c");
  tree.AddPath("//DEPOT/a/x.c");
  tree.MarkHead("//depot/A/x.c");
  const DirEntry* depot = Child(tree.Root(), "depot");
  const DirEntry* a = Child(depot, "a");
  EXPECT_EQ(depot->HeadAlias(), 1);
  EXPECT_EQ(depot->HeadVariant().ToString(), "depot");
  EXPECT_EQ(a->HeadAlias(), 0);
  EXPECT_EQ(a->HeadVariant().ToString(), "A");

  // A spelling never entered leaves the head where it was.
  tree.MarkHead("//dEpot/a/x.c");
  EXPECT_EQ(depot->HeadAlias(), 1);
  EXPECT_EQ(a->HeadAlias(), 1);

  // Missing entries are made without aliases and without usage.
  tree.MarkHead("//depot/new/*.c");
  const DirEntry* fresh = Child(depot, "new");
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->NumAliases(), 0);
  EXPECT_EQ(fresh->Usage(), 0);
  EXPECT_EQ(fresh->HeadVariant().ToString(), "new");
  ASSERT_NE(Child(fresh, "*.c"), nullptr);

  // A later AddPath gives it its first alias.
  tree.AddPath("//depot/NEW/b");
  tree.AddPath("//depot/new/b");
  EXPECT_EQ(Aliases(fresh), "NEW(1) new(1)");
  EXPECT_EQ(fresh->MostCommonVariant().ToString(), "NEW");
  EXPECT_EQ(fresh->HeadAlias(), 0);
}

TEST(PathTreeTest, WalkVisitsChildrenInUnsignedByteOrder) {
  PathTree tree;
  for (const char* p : {"//d/b", "//d/\xe9", "//d/ab", "//d/A", "//d/a/z", "//d/a/y", "//c/x",
                        "//d/_", "//d/a b"}) {
    tree.AddPath(StrPtr(p));
  }
  NameWalker w;
  EXPECT_TRUE(tree.Walk(&w));
  // "_" (0x5f) sorts before the letters, the byte 0xe9 after them.
  std::vector<std::string> want = {"",      ".c",    "..x",  ".d",  ".._", "..a",
                                    "...y",  "...z",  "..a b", "..ab", "..b", "..\xe9"};
  EXPECT_EQ(w.names, want);

  NameWalker stop;
  stop.limit = 3;
  EXPECT_FALSE(tree.Walk(&stop));
  EXPECT_EQ(stop.names.size(), 3u);
}

TEST(PathTreeTest, StatisticsLines) {
  PathTree tree;
  tree.AddPath("//depot/a");
  DebugCapture capture;
  tree.PrintStatistics();
  EXPECT_EQ(capture.Text(),
            "\nPath Tree Statistics\n\n"
            "Nodes in tree:             3\n"
            "Leaf nodes in tree:        1\n"
            "No. of Aliases used:       2\n"
            "Max Aliases per node:      1\n"
            "Max Tree depth:            2\n"
            "\n");
}

TEST(PathTreeTest, StatisticsOfAnEmptyTree) {
  PathTree tree;
  DebugCapture capture;
  tree.PrintStatistics();
  EXPECT_NE(capture.Text().find("Nodes in tree:             1\n"), std::string::npos);
  EXPECT_NE(capture.Text().find("Leaf nodes in tree:        1\n"), std::string::npos);
  EXPECT_NE(capture.Text().find("Max Tree depth:            0\n"), std::string::npos);
}

TEST(PathTreeTest, DumpLines) {
  PathTree tree;
  tree.AddPath("//Depot/x.c");
  tree.AddPath("//depot/x.c");
  tree.AddPath("//depot/b/y");
  tree.MarkHead("//depot/*/q");
  DebugCapture capture;
  tree.DumpTree();
  EXPECT_EQ(capture.Text(),
            "Entry name: depot\n"
            "Alias: Depot (1)\n"
            "Alias: depot (2)\n"
            "Most common alias: depot (2:2)\n"
            "... Entry name: *\n"
            "... Most common alias: * (0:0)\n"
            "... ... Entry name: q\n"
            "... ... Most common alias: q (0:0)\n"
            "... Entry name: b\n"
            "... Alias: b (1)\n"
            "... Most common alias: b (1:1)\n"
            "... ... Entry name: y\n"
            "... ... Alias: y (1)\n"
            "... ... Most common alias: y (1:1)\n"
            "... Entry name: x.c\n"
            "... Alias: x.c (2)\n"
            "... Most common alias: x.c (2:2)\n");
}

// Runs body on a thread with a small stack, so that recursion over path
// components would crash the test rather than pass by luck.
void RunOnSmallStack(void (*body)()) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 256 * 1024);
  pthread_t thread;
  auto trampoline = [](void* arg) -> void* {
    reinterpret_cast<void (*)()>(arg)();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, trampoline, reinterpret_cast<void*>(body)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

void DeepPathBody() {
  const int kDepth = 100000;
  std::string path = "//depot";
  for (int i = 0; i < kDepth; i++) path += (i % 2) ? "/D" : "/d";
  std::string lower = path;
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  PathTree tree;
  tree.AddPath(StrPtr(path.c_str(), static_cast<uint32_t>(path.size())));
  tree.AddPath(StrPtr(lower.c_str(), static_cast<uint32_t>(lower.size())));
  tree.MarkHead(StrPtr(path.c_str(), static_cast<uint32_t>(path.size())));
  EXPECT_EQ(tree.EntryCount(), kDepth + 2);
  NameWalker w;
  w.indent = false;
  EXPECT_TRUE(tree.Walk(&w));
  EXPECT_EQ(w.names.size(), static_cast<size_t>(kDepth + 2));
  DebugCapture capture;
  tree.PrintStatistics();
  EXPECT_NE(capture.Text().find("Max Tree depth:            100001\n"), std::string::npos);
  EXPECT_NE(capture.Text().find("No. of Aliases used:       150001\n"), std::string::npos);
}

TEST(PathTreeTest, DeepPathNeedsNoDeepStack) { RunOnSmallStack(&DeepPathBody); }

}  // namespace

namespace {

std::vector<std::string> Tables(const PathTree& tree, const DirEntry* d, int alias) {
  std::vector<std::string> names;
  tree.TableNames(d->AliasTables(alias), &names);
  return names;
}

TEST(PathTreeTablesTest, EachSpellingKeepsTheTablesItCameFrom) {
  PathTree tree;
  uint32_t rev = tree.TableBit(StrPtr("db.rev"));
  uint32_t have = tree.TableBit(StrPtr("db.have"));
  EXPECT_NE(rev, have);
  EXPECT_EQ(tree.TableBit(StrPtr("db.rev")), rev);
  tree.AddPath(StrPtr("//depot/Main/a.c"), rev);
  tree.AddPath(StrPtr("//depot/main/a.c"), have);
  // The second path shares the cached directory steps of the first one.
  tree.AddPath(StrPtr("//depot/main/b.c"), rev);
  const DirEntry* main = Child(Child(tree.Root(), "depot"), "main");
  ASSERT_EQ(main->NumAliases(), 2);
  EXPECT_EQ(Tables(tree, main, 0), std::vector<std::string>{"db.rev"});
  EXPECT_EQ(Tables(tree, main, 1), (std::vector<std::string>{"db.rev", "db.have"}));
  const DirEntry* depot = Child(tree.Root(), "depot");
  EXPECT_EQ(Tables(tree, depot, 0), (std::vector<std::string>{"db.rev", "db.have"}));
  // A path entered without tables adds none.
  tree.AddPath(StrPtr("//depot/MAIN/c.c"));
  EXPECT_TRUE(Tables(tree, main, 2).empty());
}

TEST(PathTreeTablesTest, APathEnteredAgainCountsEveryComponentAgain) {
  // The two path fields of a record and the revisions of one file enter
  // the same path again and again, between other paths.
  PathTree tree;
  uint32_t rev = tree.TableBit(StrPtr("db.rev"));
  uint32_t have = tree.TableBit(StrPtr("db.have"));
  tree.AddPath(StrPtr("//depot/Main/a.c"), rev);
  tree.AddPath(StrPtr("//depot/Main/a.c"), rev);
  tree.AddPath(StrPtr("//depot/main/b.c"), have);
  tree.AddPath(StrPtr("//depot/Main/a.c"), have);
  tree.AddPath(StrPtr("//depot/Main/a.c/x"), rev);  // a.c is a directory too
  tree.AddPath(StrPtr("//depot/Main/a.c"), rev);
  const DirEntry* depot = Child(tree.Root(), "depot");
  const DirEntry* main = Child(depot, "main");
  const DirEntry* a = Child(main, "a.c");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(Aliases(depot), "depot(6)");
  EXPECT_EQ(Aliases(main), "Main(5) main(1)");
  EXPECT_EQ(Aliases(a), "a.c(5)");
  EXPECT_EQ(Tables(tree, a, 0), (std::vector<std::string>{"db.rev", "db.have"}));
  EXPECT_EQ(Tables(tree, main, 0), (std::vector<std::string>{"db.rev", "db.have"}));
  EXPECT_EQ(a->Usage(), DirEntry::kUsedAsFile | DirEntry::kUsedAsDir);
}

TEST(PathTreeTablesTest, TablesBeyondTheBitsShareOne) {
  PathTree tree;
  std::vector<uint32_t> bits;
  for (int i = 0; i < 33; ++i) bits.push_back(tree.TableBit(StrPtr(("db.t" + std::to_string(i)).c_str())));
  EXPECT_EQ(bits[30], 1u << 30);
  EXPECT_EQ(bits[31], 1u << 31);
  EXPECT_EQ(bits[32], 1u << 31);
  tree.AddPath(StrPtr("//d/x"), bits[0] | bits[32]);
  EXPECT_EQ(Tables(tree, Child(tree.Root(), "d"), 0),
            (std::vector<std::string>{"db.t0", "(other tables)"}));
}

}  // namespace
