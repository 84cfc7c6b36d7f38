#include "map/translation_map.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <string>

#include "map/map_messages.h"
#include "support/files/filesys.h"
#include "support/messages/debug.h"
#include "support/text/fold.h"
#include "test_util.h"

namespace {

struct Parsed {
  int result;
  std::string left, right, message;
};

Parsed Parse(const std::string& line) {
  TranslationMap map(false);
  StrBuf l, r;
  Error e;
  Parsed p;
  p.result = map.ParseMapLine(StrPtr(line.data(), static_cast<uint32_t>(line.size())), &l, &r, &e);
  p.left = l.ToString();
  p.right = r.ToString();
  p.message = e.Text();
  return p;
}

TEST(ParseMapLineTest, MappingsCommentsAndRejections) {
  Parsed p = Parse("//depot/a //depot/A # comment");
  EXPECT_EQ(p.result, 1);
  EXPECT_EQ(p.left, "//depot/a");
  EXPECT_EQ(p.right, "//depot/A");

  p = Parse("  \"//depot/my dir/...\"\t\"//depot/My Dir/...\" trailing");
  EXPECT_EQ(p.result, 1);
  EXPECT_EQ(p.left, "//depot/my dir/...");
  EXPECT_EQ(p.right, "//depot/My Dir/...");

  p = Parse("\"//a b\"//A\r");  // quoted left needs no blank after it
  EXPECT_EQ(p.result, 1);
  EXPECT_EQ(p.left, "//a b");
  EXPECT_EQ(p.right, "//A");

  EXPECT_EQ(Parse("").result, -1);
  EXPECT_EQ(Parse("# a comment").result, -1);
  EXPECT_EQ(Parse(" \t# indented comment").result, -1);

  const std::string incomplete = "Incomplete mapping. Are all quotes properly terminated?";
  p = Parse("   ");
  EXPECT_EQ(p.result, 0);
  EXPECT_EQ(p.message, "Ignored bad mapping on line 0 of translation map:\n\t" + incomplete + ".");
  EXPECT_EQ(Parse("//depot/a").message.find(incomplete) != std::string::npos, true);
  EXPECT_EQ(Parse("//depot/a   ").result, 0);
  EXPECT_EQ(Parse("\"//depot/a //depot/b").result, 0);
  EXPECT_EQ(Parse("//depot/a \"//depot/b").result, 0);

  p = Parse("-//depot/a //depot/a");
  EXPECT_EQ(p.result, 0);
  EXPECT_NE(p.message.find("Bad character at start of line"), std::string::npos);
  EXPECT_NE(Parse("+//depot/a //depot/a").message.find("Bad character at start of line"), std::string::npos);
  p = Parse("//depot/a x//depot/a");
  EXPECT_EQ(p.result, 0);
  EXPECT_NE(p.message.find("Bad character at start of right hand side"), std::string::npos);
}

// Loads a map from text written to a temporary file.
class MapFileTest : public testing::Test {
 protected:
  void Load(TranslationMap* map, const std::string& text, Error* e) {
    std::string path = dir.File("map.txt");
    testutil::WriteFile(path, text);
    std::unique_ptr<FileSys> f = FileSys::Create(kFileText);
    f->SetPath(StrPtr(path.c_str()));
    f->Open(kOpenRead, e);
    ASSERT_FALSE(e->Test()) << e->Text();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    map->Load(f.get(), e);
    output = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
    Error closeErr;
    f->Close(&closeErr);
  }

  std::string Written(TranslationMap* map) {
    std::string path = dir.File("out.txt");
    std::unique_ptr<FileSys> f = FileSys::Create(kFileText);
    f->SetPath(StrPtr(path.c_str()));
    Error e;
    f->Open(kOpenWrite, &e);
    map->WriteLines(f.get(), &e);
    f->Close(&e);
    EXPECT_FALSE(e.Test()) << e.Text();
    return testutil::ReadFile(path);
  }

  std::string Tr(TranslationMap* map, const std::string& path) {
    StrBuf out;
    out.Set("<none>");
    if (!map->TranslatePath(StrPtr(path.c_str()), &out)) {
      EXPECT_EQ(out.ToString(), "<none>");  // untouched
      return "<none>";
    }
    return out.ToString();
  }

  testutil::TempDir dir;
  std::string output;
};

TEST_F(MapFileTest, CommentsOnlyMapKeepsItsLinesForTheConflictMap) {
  TranslationMap map(true);
  Error e;
  Load(&map, "# one\n\n# two\n", &e);
  EXPECT_FALSE(e.Test());
  EXPECT_TRUE(map.Loaded());
  EXPECT_EQ(map.PartitionCount(), 0);
  EXPECT_EQ(map.MappingCount(), 0);
  EXPECT_NE(output.find("Finished Load, 0 maps loaded\n"), std::string::npos) << output;
  EXPECT_NE(output.find("TransMap entries, 3\n"), std::string::npos) << output;
  EXPECT_EQ(Written(&map), std::string("# one\n\n# two\n") + TranslationMap::kTrailer);

  TranslationMap none(true);
  EXPECT_EQ(Written(&none), TranslationMap::kHeader);
  EXPECT_NE(std::string(TranslationMap::kHeader).find("#    subdirectories \n"), std::string::npos);
}

TEST_F(MapFileTest, BadLinesRefuseTheWholeMapNamingEachLine) {
  TranslationMap map(true);
  Error e;
  Load(&map, "//depot/a //depot/A\n   \n-//depot/b //depot/b\n//depot/c //depot/C", &e);
  EXPECT_EQ(e.GetSeverity(), E_FAILED);
  EXPECT_TRUE(e.Has(kMsgMapRefused));
  const std::string text = e.Text();
  EXPECT_NE(text.find("2 of its lines cannot be used"), std::string::npos) << text;
  EXPECT_NE(text.find("\tline 2: Incomplete mapping. Are all quotes properly terminated?\n"),
            std::string::npos) << text;
  EXPECT_NE(text.find("\tline 3: Bad character at start of line\n"), std::string::npos) << text;
  EXPECT_EQ(output.find("Ignored bad mapping"), std::string::npos) << output;
  EXPECT_EQ(output.find("Disambiguating"), std::string::npos) << output;
}

TEST_F(MapFileTest, NonVariantIsABadLineOnlyWhenVariantsAreRequired) {
  TranslationMap strict(true);
  Error e;
  Load(&strict, "//depot/x //depot/X\n//depot/a //depot/b\n//depot/y //depot/Y\n", &e);
  EXPECT_EQ(e.GetSeverity(), E_FAILED);
  EXPECT_NE(e.Text().find("1 of its lines cannot be used"), std::string::npos) << e.Text();
  EXPECT_NE(e.Text().find("\tline 2: the right hand side must be a variant of the left hand side"),
            std::string::npos) << e.Text();
  EXPECT_EQ(output.find("Disambiguating"), std::string::npos);

  TranslationMap loose(false);
  Error e2;
  Load(&loose, "//depot/a //depot/b\n", &e2);
  EXPECT_FALSE(e2.Test());
  EXPECT_EQ(Tr(&loose, "//depot/a"), "//depot/b");
}

TEST_F(MapFileTest, PatternsBeyondTheWildcardLimitsAreBadLines) {
  TranslationMap map(false);
  Error e;
  std::string stars = "//depot/x/" + std::string(11, '*');
  Load(&map, stars + " " + stars + "\n//depot/y/* //depot/y/%%1\n//depot/z/... //Depot/Z/...\n", &e);
  EXPECT_EQ(e.GetSeverity(), E_FAILED);
  EXPECT_NE(e.Text().find("\tline 1: Too many wildcards"), std::string::npos) << e.Text();
  EXPECT_NE(e.Text().find("\tline 2: Right hand side uses a wildcard"), std::string::npos);
}

TEST_F(MapFileTest, ARefusalNamesTheFirstTwentyBadLinesThenACount) {
  TranslationMap map(true);
  Error e;
  std::string text;
  for (int i = 0; i < 25; ++i) text += "+//depot/x //depot/x\n";
  Load(&map, text, &e);
  EXPECT_NE(e.Text().find("25 of its lines cannot be used"), std::string::npos);
  EXPECT_NE(e.Text().find("\tline 20: "), std::string::npos);
  EXPECT_EQ(e.Text().find("\tline 21: "), std::string::npos);
  EXPECT_NE(e.Text().find("\t... and 5 more\n"), std::string::npos) << e.Text();
}

TEST_F(MapFileTest, PartitionKeys) {
  StrBuf key;
  TranslationMap map(true, FoldRules{FoldMode::kSevenBit});
  map.PartitionKey("//depot/main/src/a.c", &key);
  EXPECT_EQ(key.ToString(), "depot/main");
  map.PartitionKey("//Depot/Main", &key);
  EXPECT_EQ(key.ToString(), "depot/main");
  map.PartitionKey("//depot/...", &key);
  EXPECT_EQ(key.ToString(), "depot/...");
  map.PartitionKey("///depot", &key);
  EXPECT_EQ(key.ToString(), "depot");
  map.PartitionKey("", &key);
  EXPECT_EQ(key.ToString(), "");
}

TEST_F(MapFileTest, TranslationWithPrefixFallback) {
  TranslationMap map(true);
  Error e;
  Load(&map, "//depot/... //Depot/...\n//depot/main/... //depot/MAIN/...\n", &e);
  ASSERT_FALSE(e.Test());
  EXPECT_EQ(Tr(&map, "//depot/x/y.c"), "//Depot/x/y.c");        // fallback at i = 1
  EXPECT_EQ(Tr(&map, "//Depot/Main/a.c"), "//depot/MAIN/a.c");   // own partition
  EXPECT_EQ(Tr(&map, "//depot/..."), "//Depot/...");             // direct
  EXPECT_EQ(Tr(&map, "//depot/x/..."), "//Depot/x/...");         // suffix put back
  EXPECT_EQ(Tr(&map, "//depot"), "<none>");                      // no prefix to try
  EXPECT_EQ(Tr(&map, "//other/x"), "<none>");
  EXPECT_EQ(Tr(&map, "/x"), "<none>");
  EXPECT_EQ(Tr(&map, "//DEPOT/Main/f"), "//depot/MAIN/f");       // folded key
  // Lookups create no partitions.
  EXPECT_EQ(map.PartitionCount(), 2);
}

TEST_F(MapFileTest, OwnPartitionAnswersBeforeTheFallback) {
  TranslationMap map(true);
  Error e;
  Load(&map, "//depot/x/... //depot/X/...\n//depot/... //Depot/...\n", &e);
  EXPECT_EQ(Tr(&map, "//depot/x/y"), "//depot/X/y");
  EXPECT_EQ(Tr(&map, "//depot/w/y"), "//Depot/w/y");
}

TEST_F(MapFileTest, FallbackNeedsATranslationEndingInDots) {
  // Not a variant map: the prefix mapping translates to a single file, which
  // says nothing about where the rest of a longer path goes.
  TranslationMap map(false);
  Error e;
  Load(&map, "//depot/... //Other/file\n//depot/a/... //Depot/A/...\n", &e);
  EXPECT_EQ(Tr(&map, "//depot/q/r"), "<none>");
  EXPECT_EQ(Tr(&map, "//depot/a/b/c"), "//Depot/A/b/c");
}

TEST_F(MapFileTest, Utf8KeysFoldButLinesMatchOnlyAscii) {
  TranslationMap map(true, FoldRules{FoldMode::kUtf8});
  Error e;
  Load(&map, "//d\xC3\xA9pot/x/... //d\xC3\xA9pot/X/...\n", &e);
  ASSERT_FALSE(e.Test());
  EXPECT_EQ(Tr(&map, "//D\xC3\xA9POT/x/f"), "//d\xC3\xA9pot/X/f");
  // Same partition (folded key), but E-acute differs from e-acute in the
  // line's ASCII-only matching.
  EXPECT_EQ(Tr(&map, "//D\xC3\x89POT/x/f"), "<none>");
  EXPECT_EQ(map.PartitionCount(), 1);
}

TEST_F(MapFileTest, ContainsLooksOnlyInTheOwnPartition) {
  TranslationMap map(true);
  Error e;
  Load(&map, "//depot/main/... //Depot/Main/...\n//depot/... //depot/...\n", &e);
  EXPECT_TRUE(map.Contains("//DEPOT/main/x"));
  EXPECT_FALSE(map.Contains("//depot/rel/x"));
  EXPECT_TRUE(map.Contains("//depot/..."));
}

TEST_F(MapFileTest, LinesAreWholeHoweverLong) {
  // The tail of a comment longer than any buffer is still the comment, and
  // a mapping of a very deep path is one mapping.
  const std::string comment = "#" + std::string(65535, 'x') + "//depot/a //depot/A";
  std::string deep = "//depot/";
  for (int i = 0; i < 30000; ++i) deep += "d/";
  TranslationMap map(true);
  Error e;
  Load(&map, comment + "\n" + deep + "... " + deep + "...\n", &e);
  EXPECT_FALSE(e.Test()) << e.Text();
  ASSERT_EQ(map.Lines().Count(), 2);
  EXPECT_TRUE(map.Lines().At(0)->ToString() == comment);
  EXPECT_EQ(map.MappingCount(), 1);
  EXPECT_EQ(Tr(&map, "//depot/a"), "<none>");
  EXPECT_TRUE(Tr(&map, deep + "f.c") == deep + "f.c");
}

TEST_F(MapFileTest, ALineTooLongToHoldFailsTheLoadWithItsNumber) {
  std::string path = dir.File("map.txt");
  testutil::WriteFile(path, "//depot/a //depot/A\n# " + std::string(5000, 'y') + "\n//depot/b //depot/B\n");
  std::unique_ptr<FileSys> f = FileSys::Create(kFileText);
  f->SetPath(StrPtr(path.c_str()));
  f->SetLineLimit(4096);
  Error e;
  f->Open(kOpenRead, &e);
  TranslationMap map(true);
  testing::internal::CaptureStdout();
  map.Load(f.get(), &e);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(e.Text(), "Line 2 of map " + path + " could not be read whole; the map is not used.\n" +
                          path + ": a line is longer than 4096 bytes");
}

TEST_F(MapFileTest, ProgressLineEveryTenThousandLines) {
  std::string text;
  for (int i = 0; i < 10001; ++i) text += "//depot/d" + std::to_string(i % 50) + "/f" + std::to_string(i) + " //depot/D" +
                                          std::to_string(i % 50) + "/f" + std::to_string(i) + "\n";
  TranslationMap map(true);
  Error e;
  Load(&map, text, &e);
  ASSERT_FALSE(e.Test());
  EXPECT_NE(output.find("  map line 10000 : "), std::string::npos);
  EXPECT_EQ(output.find("  map line 20000"), std::string::npos);
  EXPECT_EQ(map.PartitionCount(), 50);
  EXPECT_NE(output.find("Finished Load, 50 maps loaded\nTransMap entries, 10001\n"), std::string::npos);
  EXPECT_EQ(Tr(&map, "//depot/d7/f507"), "//depot/D7/f507");
  EXPECT_EQ(Tr(&map, "//depot/d7/f508"), "<none>");
}

TEST_F(MapFileTest, AMapOfOneLinePartitionsTakesLittleMorePerLineThanItsText) {
  // Every line its own partition, as in a conflict map of many projects:
  // a partition costs its entry, its dictionary node and its line, not a
  // block reserved for the lines it might get.
  const int lines = 20000;
  std::string text;
  for (int i = 0; i < lines; ++i) {
    const std::string n = std::to_string(i);
    text += "//depot/p" + n + "/src/file" + n + ".c //depot/P" + n + "/src/file" + n + ".c\n";
  }
  const size_t before = mallinfo2().uordblks;
  TranslationMap map(true);
  map.CarryDirectoryDecisions();
  Error e;
  Load(&map, text, &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  std::string().swap(output);  // a progress line per partition
  const size_t held = mallinfo2().uordblks - before;
  if (held == 0) GTEST_SKIP() << "the allocator in use does not count its blocks";
  EXPECT_EQ(map.PartitionCount(), lines);
  EXPECT_LT(held / lines, 640u) << held / lines << " bytes per line of " << text.size() / lines;
  EXPECT_EQ(Tr(&map, "//depot/p123/src/file123.c"), "//depot/P123/src/file123.c");
  EXPECT_EQ(Tr(&map, "//depot/p123/src/other.c"), "<none>");
}

TEST_F(MapFileTest, ADirectoryLineReSpellsTheLinesBelowIt) {
  // The conflict map of a directory and its subdirectories, with only the
  // directory's line edited: one line re-cases the whole subtree.
  const std::string text =
      "//depot/Alpha/... //depot/alpha/...\n"
      "//depot/Alpha/Alpha/... //depot/Alpha/Alpha/...\n"
      "//depot/Alpha/Beta/x.c //depot/Alpha/Beta/x.c\n"
      "//depot/Alpha/Gamma/... //depot/ALPHA/Gamma/...\n"
      "//depot/Other/... //depot/Other/...\n";
  const int verbosity = GetLevel(kDebugVerbosity);
  SetLevel(kDebugVerbosity, 2);
  TranslationMap map(true);
  map.CarryDirectoryDecisions();
  Error e;
  Load(&map, text, &e);
  SetLevel(kDebugVerbosity, 1);
  ASSERT_FALSE(e.Test()) << e.Text();
  EXPECT_EQ(Tr(&map, "//DEPOT/alpha/ALPHA/f"), "//depot/alpha/Alpha/f");
  EXPECT_EQ(Tr(&map, "//depot/ALPHA/beta/X.C"), "//depot/alpha/Beta/x.c");
  EXPECT_EQ(Tr(&map, "//depot/alpha/gamma/g"), "//depot/alpha/Gamma/g");
  EXPECT_EQ(Tr(&map, "//depot/ALPHA/delta/d"), "//depot/alpha/delta/d");
  EXPECT_EQ(Tr(&map, "//depot/OTHER/o"), "//depot/Other/o");
  EXPECT_NE(output.find("Map line 2 now maps //depot/Alpha/Alpha/... to //depot/alpha/Alpha/... "
                        "(line 1 decides //depot/alpha).\n"),
            std::string::npos) << output;
  EXPECT_NE(output.find("Map line 4 now maps //depot/Alpha/Gamma/... to //depot/alpha/Gamma/..., not "
                        "//depot/ALPHA/Gamma/... (line 1 decides //depot/alpha).\n"),
            std::string::npos) << output;
  EXPECT_NE(output.find("Directory lines of the translation map re-spell 3 other lines below them "
                        "(-v2 lists them).\n1 of those spelt a decided directory their own way"),
            std::string::npos) << output;
  // The map is written back as it was read.
  EXPECT_EQ(Written(&map), text + TranslationMap::kTrailer);

  // At the default verbosity only the overruled line and the count show;
  // and a map that carries nothing says nothing.
  TranslationMap quieter(true);
  quieter.CarryDirectoryDecisions();
  Load(&quieter, text, &e);
  EXPECT_EQ(output.find("Map line 2 "), std::string::npos) << output;
  EXPECT_NE(output.find("Map line 4 "), std::string::npos) << output;
  TranslationMap plain(true);
  Load(&plain, text, &e);
  EXPECT_EQ(output.find("Directory lines"), std::string::npos) << output;
  EXPECT_EQ(Tr(&plain, "//depot/alpha/ALPHA/f"), "//depot/Alpha/Alpha/f");
  SetLevel(kDebugVerbosity, verbosity);
}

TEST_F(MapFileTest, RekeyKeepsTheDirectoryDecisions) {
  TranslationMap map(true);
  map.CarryDirectoryDecisions();
  Error e;
  Load(&map, "//depot/Alpha/Alpha/... //depot/Alpha/Alpha/...\n//depot/Alpha/... //depot/alpha/...\n", &e);
  ASSERT_FALSE(e.Test()) << e.Text();
  map.Rekey();
  EXPECT_EQ(Tr(&map, "//depot/Alpha/Alpha/f"), "//depot/alpha/Alpha/f");
  StrBuf added("//depot/Alpha/Alpha/Zeta");
  EXPECT_TRUE(map.SpellDecided(&added, true));
  EXPECT_EQ(added.ToString(), "//depot/alpha/Alpha/Zeta");
}

TEST_F(MapFileTest, NoTrailerWhenNothingFollowsIt) {
  TranslationMap map(true);
  Error e;
  Load(&map, "//depot/a //depot/A\n", &e);
  std::string path = dir.File("out2.txt");
  std::unique_ptr<FileSys> f = FileSys::Create(kFileText);
  f->SetPath(StrPtr(path.c_str()));
  f->Open(kOpenWrite, &e);
  map.WriteLines(f.get(), &e, false);
  f->Close(&e);
  EXPECT_EQ(testutil::ReadFile(path), "//depot/a //depot/A\n");
}

}  // namespace
