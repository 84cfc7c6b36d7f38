#include "support/messages/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const MessageId kTestUsage = {0x10011c00, "USAGE"};
const char kFlags[] = "Rc:C:hjl:L:n:o:O:P:p:r:S:st:uv:V";

// Holds mutable copies of the words and runs one parse.
struct ParseRun {
  explicit ParseRun(std::vector<std::string> w, const char* flags = kFlags, int mask = 0x1f,
                    const LongOption* longs = nullptr)
      : words(std::move(w)) {
    for (auto& s : words) ptrs.push_back(s.data());
    argc = static_cast<int>(ptrs.size());
    argv = ptrs.data();
    opts.Parse(&argc, &argv, flags, mask, kTestUsage, &e, longs);
  }
  std::string Value(char letter, int n = 0) {
    const StrPtr* v = opts.GetValue(letter, 0, n);
    return v ? v->ToString() : "<none>";
  }
  std::vector<std::string> words;
  std::vector<char*> ptrs;
  int argc;
  char** argv;
  OptionSet opts;
  Error e;
};

TEST(OptionsTest, AttachedAndSeparateArgumentsAndFlagRuns) {
  ParseRun a({"-v3"}), b({"-v", "3"});
  EXPECT_EQ(a.Value('v'), "3");
  EXPECT_EQ(b.Value('v'), "3");
  EXPECT_EQ(b.argc, 0);

  ParseRun c({"-sju", "x.ckp"});
  EXPECT_EQ(c.opts.Count(), 3);
  EXPECT_EQ(c.Value('s'), "true");
  EXPECT_EQ(c.Value('j'), "true");
  EXPECT_EQ(c.Value('u'), "true");
  ASSERT_EQ(c.argc, 1);
  EXPECT_STREQ(c.argv[0], "x.ckp");

  ParseRun d({"-sv3"});
  EXPECT_EQ(d.Value('s'), "true");
  EXPECT_EQ(d.Value('v'), "3");
  EXPECT_EQ(d.e.GetSeverity(), E_EMPTY);
}

TEST(OptionsTest, MissingArgumentReportsUsageThenMessage) {
  ParseRun r({"-c", "map.txt", "-t"});
  EXPECT_EQ(r.e.GetSeverity(), E_FAILED);
  EXPECT_TRUE(r.e.Has(kMsgNeedsArg));
  EXPECT_EQ(r.e.Text(), "USAGE\nOption: -t needs argument.");
  // Options stored before the failure stay stored.
  EXPECT_EQ(r.Value('c'), "map.txt");
}

TEST(OptionsTest, UnknownLettersAndLongOptions) {
  ParseRun x({"-x"});
  EXPECT_EQ(x.e.Text(), "USAGE\nInvalid option: -x.");
  ParseRun sx({"-sxq"});
  EXPECT_EQ(sx.e.Text(), "USAGE\nInvalid option: -xq.");
  ParseRun help({"--help"});
  EXPECT_EQ(help.e.Text(), "USAGE\nInvalid option: --help.");
  // Modifier characters are not letters.
  ParseRun colon({"-:"});
  EXPECT_TRUE(colon.e.Has(kMsgBadOption));
}

TEST(OptionsTest, RemainingWords) {
  ParseRun lone({"-s", "-", "-v", "3"});
  EXPECT_EQ(lone.e.GetSeverity(), E_EMPTY);
  ASSERT_EQ(lone.argc, 3);
  EXPECT_STREQ(lone.argv[0], "-");
  EXPECT_STREQ(lone.argv[1], "-v");
  EXPECT_EQ(lone.Value('v'), "<none>");

  ParseRun twice({"-t", "first", "-t", "second", "x.ckp"});
  EXPECT_EQ(twice.Value('t'), "first");
  EXPECT_EQ(twice.Value('t', 1), "second");
}

TEST(OptionsTest, WordCountMask) {
  ParseRun none({}, "v:", 0x01);
  EXPECT_EQ(none.e.Text(), "USAGE\nMissing/wrong number of arguments.");
  ParseRun extra({"a", "b"}, "v:", 0x10 | 0x01);
  EXPECT_EQ(extra.e.Text(), "USAGE\nUnexpected arguments.");
  ParseRun four({"a", "b", "c", "d"}, "v:", 0x08);
  EXPECT_EQ(four.e.GetSeverity(), E_EMPTY);
  ParseRun three({"a", "b", "c"}, "v:", 0x08);
  EXPECT_TRUE(three.e.Has(kMsgWrongArgCount));
}

TEST(OptionsTest, IntegerStopAndSubFlagModifiers) {
  EXPECT_EQ(ParseRun({"-n", " 12"}, "n#").Value('n'), " 12");
  EXPECT_EQ(ParseRun({"-n", "-0"}, "n#").e.GetSeverity(), E_EMPTY);
  for (const char* bad : {"-1", "1x", "", "+", "9223372036854775808"}) {
    ParseRun r({"-n", bad}, "n#");
    EXPECT_EQ(r.e.Text(), "USAGE\nOption: -n needs a non-negative integer argument.") << bad;
  }
  EXPECT_EQ(ParseRun({"-n9223372036854775807"}, "n#").e.GetSeverity(), E_EMPTY);

  ParseRun stop({"-x", "arg", "-s", "w"}, "x$s");
  EXPECT_EQ(stop.Value('x'), "arg");
  EXPECT_EQ(stop.Value('s'), "<none>");
  EXPECT_EQ(stop.argc, 2);

  ParseRun sub({"-zqval", "-zr", "other"}, "z+");
  EXPECT_EQ(sub.opts.GetValue('z', 'q')->ToString(), "val");
  EXPECT_EQ(sub.opts.GetValue('z', 'r')->ToString(), "other");
  EXPECT_EQ(sub.opts.GetValue('z'), nullptr);
  ParseRun nosub({"-z"}, "z+");
  EXPECT_EQ(nosub.e.Text(), "USAGE\nOption: -z needs a flag and an argument.");

  ParseRun opt({"-d", "-dxyz", "w"}, "d.");
  EXPECT_EQ(opt.Value('d', 0), "");
  EXPECT_EQ(opt.Value('d', 1), "xyz");
  EXPECT_EQ(opt.argc, 1);
}

TEST(OptionsTest, ExplainEndsWithUsageAtInfo) {
  ParseRun at_letter({"--explain", "-v", "3"});
  EXPECT_EQ(at_letter.e.GetSeverity(), E_INFO);
  EXPECT_EQ(at_letter.e.Text(), "USAGE");
  ParseRun at_end({"--explain"});
  EXPECT_EQ(at_end.e.GetSeverity(), E_INFO);
  ParseRun bad_letter({"--explain", "-x"});
  EXPECT_TRUE(bad_letter.e.Has(kMsgBadOption));
  ParseRun second({"--explain", "--explain"});
  EXPECT_EQ(second.e.GetSeverity(), E_FAILED);
  ParseRun with_value({"--explain=1"});
  EXPECT_EQ(with_value.e.Text(), "USAGE\nInvalid option: --explain=1.");
}

const LongOption kLongs[] = {{"help", false}, {"report", true}, {"dry-run", false}, {nullptr, false}};

TEST(OptionsTest, LongOptionsFromTheTable) {
  ParseRun r({"--report=a.json", "-v2", "--dry-run", "--report", "b.csv", "x.ckp"}, kFlags, 0x1f,
             kLongs);
  EXPECT_EQ(r.e.GetSeverity(), E_EMPTY);
  ASSERT_NE(r.opts.GetLong("report"), nullptr);
  EXPECT_EQ(r.opts.GetLong("report")->ToString(), "a.json");
  EXPECT_EQ(r.opts.GetLong("report", 1)->ToString(), "b.csv");
  EXPECT_EQ(r.opts.GetLong("dry-run")->ToString(), "true");
  EXPECT_EQ(r.opts.GetLong("help"), nullptr);
  EXPECT_EQ(r.opts.GetLong("unknown"), nullptr);
  EXPECT_EQ(r.Value('v'), "2");
  ASSERT_EQ(r.argc, 1);
  EXPECT_STREQ(r.argv[0], "x.ckp");

  // A prefix is not the option, a flag takes no value, an argument must
  // follow.
  ParseRun prefix({"--hel"}, kFlags, 0x1f, kLongs);
  EXPECT_EQ(prefix.e.Text(), "USAGE\nInvalid option: --hel.");
  ParseRun valued({"--help=1"}, kFlags, 0x1f, kLongs);
  EXPECT_EQ(valued.e.Text(), "USAGE\nInvalid option: --help=1.");
  ParseRun missing({"--report"}, kFlags, 0x1f, kLongs);
  EXPECT_EQ(missing.e.Text(), "USAGE\nOption: --report needs argument.");
}

TEST(OptionsTest, DoubleDashEndsTheOptions) {
  ParseRun r({"-v3", "--", "-odd.ckp"});
  EXPECT_EQ(r.e.GetSeverity(), E_EMPTY);
  EXPECT_EQ(r.Value('v'), "3");
  EXPECT_EQ(r.Value('o'), "<none>");
  ASSERT_EQ(r.argc, 1);
  EXPECT_STREQ(r.argv[0], "-odd.ckp");
}

TEST(OptionsTest, OptionLimit) {
  std::vector<std::string> words(256, "-s");
  ParseRun ok(words);
  EXPECT_EQ(ok.e.GetSeverity(), E_EMPTY);
  EXPECT_EQ(ok.opts.Count(), 256);

  words.push_back("-j");
  ParseRun over(words);
  EXPECT_EQ(over.e.GetSeverity(), E_FATAL);
  EXPECT_EQ(over.e.Count(), 1);
  EXPECT_EQ(over.e.Text(), "Too many options on command!");
  EXPECT_EQ(over.opts.Count(), 256);
}

}  // namespace
