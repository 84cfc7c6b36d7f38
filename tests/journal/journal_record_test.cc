// JournalRecord: the standard-format writer, field access by position and
// by schema name, and change counting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "journal/journal_messages.h"
#include "journal/journal_record.h"

namespace {

JournalRecord Make(const std::vector<std::string>& fields) {
  JournalRecord r;
  for (const auto& f : fields) r.AddField(StrPtr(f.data(), static_cast<uint32_t>(f.size())));
  return r;
}

std::string Field(const std::string& f) {
  StrBuf out;
  AppendStandardField(&out, StrPtr(f.data(), static_cast<uint32_t>(f.size())));
  return out.ToString();
}

TEST(JournalRecordTest, StandardFieldRule) {
  EXPECT_EQ(Field("1"), "1 ");
  EXPECT_EQ(Field("0123"), "0123 ");
  EXPECT_EQ(Field(std::string(32, '9')), std::string(32, '9') + " ");
  EXPECT_EQ(Field(std::string(33, '9')), "@" + std::string(33, '9') + "@ ");
  const std::string hex = "0123456789ABCDEFabcdef0123456789";
  ASSERT_EQ(hex.size(), 32u);
  EXPECT_EQ(Field(hex), hex + " ");
  EXPECT_EQ(Field(hex.substr(1)), "@" + hex.substr(1) + "@ ");
  EXPECT_EQ(Field(hex.substr(0, 31) + "g"), "@" + hex.substr(0, 31) + "g@ ");
  EXPECT_EQ(Field("-5"), "@-5@ ");
  EXPECT_EQ(Field(""), "@@ ");
  EXPECT_EQ(Field("a@b"), "@a@@b@ ");
  EXPECT_EQ(Field("@@"), "@@@@@@ ");
  EXPECT_EQ(Field("line1\nline2\r\n"), "@line1\nline2\r\n@ ");
  EXPECT_EQ(Field(std::string("a\0b", 3)), std::string("@a\0b@ ", 6));
  // Bytes next to the digits, anywhere in numbers of every length.
  for (size_t n = 1; n <= 32; ++n) {
    for (size_t at = 0; at < n; ++at) {
      for (char c : {'/', ':', '\x80', '\xb9', '\xf0', '\0'}) {
        std::string f(n, '5');
        f[at] = c;
        EXPECT_EQ(Field(f), "@" + f + "@ ") << n << " " << at << " " << static_cast<int>(c);
      }
    }
  }
}

TEST(JournalRecordTest, FormatAndText) {
  JournalRecord r = Make({"pv", "1", "db.counters", "change", "42"});
  StrBuf out("old contents");
  r.Format(&out);
  EXPECT_EQ(out.ToString(), "@pv@ 1 @db.counters@ @change@ 42 \n");
  StrPtr dv("dv");
  r.Format(&out, &dv);
  EXPECT_EQ(out.ToString(), "@dv@ 1 @db.counters@ @change@ 42 \n");
  r.AppendFormat(&out);
  EXPECT_EQ(out.ToString(), "@dv@ 1 @db.counters@ @change@ 42 \n@pv@ 1 @db.counters@ @change@ 42 \n");
  EXPECT_EQ(r.Text()->ToString(), "@pv@ 1 @db.counters@ @change@ 42 ");
  EXPECT_EQ(r.Changes(), 0);  // formatting changes nothing
}

TEST(JournalRecordTest, PositionAccessAndIndexErrors) {
  JournalRecord r = Make({"pv", "1"});
  Error e;
  EXPECT_EQ(r.Count(), 2);
  EXPECT_EQ(r.Op(&e)->ToString(), "pv");
  EXPECT_EQ(r.Version(&e)->ToString(), "1");
  EXPECT_FALSE(e.Test());
  EXPECT_EQ(r.Table(&e), nullptr);
  EXPECT_EQ(e.Text(), "Index 2 too large for this record!");
  EXPECT_TRUE(e.IsFatal());
  EXPECT_EQ(r.Get(2), nullptr);
  EXPECT_EQ(r.Get(-1), nullptr);
  e.Clear();
  r.SetField(5, "x", &e);
  EXPECT_EQ(e.Text(), "Index 5 too large for this record!");
  EXPECT_EQ(r.Changes(), 0);
  // Fields are NUL-terminated texts.
  EXPECT_STREQ(r.Get(0)->Text(), "pv");
}

TEST(JournalRecordTest, NamedAccessThroughTheSchema) {
  JournalRecord r = Make({"pv", "3", "db.have", "//ws/a", "//depot/a", "4", "text", "99"});
  Error e;
  const StrPtr* f = r.GetField("DEPOTFILE", &e);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->ToString(), "//depot/a");
  EXPECT_EQ(r.GetField("time", &e)->ToString(), "99");

  EXPECT_EQ(r.GetField("nosuch", &e), nullptr);
  EXPECT_EQ(e.Text(),
            "Field nosuch not found in version 3 db.have records. You need a new version of this "
            "program!");
  e.Clear();

  JournalRecord old = Make({"pv", " +7x", "db.have", "a", "b", "1", "t", "9"});
  EXPECT_EQ(old.GetField("depotFile", &e), nullptr);
  EXPECT_EQ(e.Text(),
            "Version  +7x of db.have not found in schema. You need a new version of this program!");
  e.Clear();

  JournalRecord unknown = Make({"pv", "1", "db.nosuch", "a"});
  EXPECT_EQ(unknown.GetField("a", &e), nullptr);
  EXPECT_EQ(e.Text(), "Table db.nosuch not found in schema! You need a new version of this program!");
  e.Clear();

  // A record shorter than its schema gives the index error for the field.
  JournalRecord shortRec = Make({"pv", "1", "db.counters", "name"});
  EXPECT_EQ(shortRec.GetField("value", &e), nullptr);
  EXPECT_EQ(e.Text(), "Index 4 too large for this record!");
  e.Clear();

  JournalRecord noTable = Make({"pv"});
  EXPECT_EQ(noTable.GetField("value", &e), nullptr);
  EXPECT_EQ(e.Text(), "Index 2 too large for this record!");
}

TEST(JournalRecordTest, SetFieldCountsOnlyRealChanges) {
  JournalRecord r = Make({"pv", "1", "db.counters", "change", "42"});
  Error e;
  const StrPtr* before = r.Get(4);
  r.SetField(4, "42", &e);
  EXPECT_EQ(r.Changes(), 0);
  EXPECT_EQ(r.Get(4), before);
  r.SetField("NAME", "journal", &e);
  r.SetField(4, std::string(10000, '7').c_str(), &e);  // moves the arena
  EXPECT_FALSE(e.Test());
  EXPECT_EQ(r.Changes(), 2);
  EXPECT_EQ(r.Get(0)->ToString(), "pv");
  EXPECT_EQ(r.Get(3)->ToString(), "journal");
  EXPECT_EQ(r.Get(4)->Length(), 10000u);
  // Setting a field from another field of the same record, also when the
  // copy makes the arena grow (and move) under it.
  r.SetField(3, *r.Get(2), &e);
  EXPECT_EQ(r.Get(3)->ToString(), "db.counters");
  EXPECT_EQ(r.Changes(), 3);
  for (int i = 0; i < 8; ++i) {
    std::string v(3000 * (i + 1), static_cast<char>('a' + i));
    r.SetField(3, v.c_str(), &e);
    r.SetField(4, *r.Get(3), &e);
    EXPECT_TRUE(r.Get(4)->ToString() == v) << "copy " << i;
  }
  r.SetField(3, *r.Get(2), &e);
  EXPECT_EQ(r.Get(3)->ToString(), "db.counters");
  EXPECT_EQ(r.Changes(), 20);
  r.SetOp("dv", &e);
  EXPECT_EQ(r.Get(0)->ToString(), "dv");
  EXPECT_EQ(r.Changes(), 20);
  // A failed lookup leaves the record as it was.
  r.SetField("nosuch", "x", &e);
  EXPECT_TRUE(e.Test());
  EXPECT_EQ(r.Changes(), 20);
}

TEST(JournalRecordTest, CopyIsDeepAndStartsWithoutChanges) {
  JournalRecord r = Make({"pv", "1", "db.counters", "change", "42"});
  Error e;
  r.SetField(4, "43", &e);
  JournalRecord copy(r);
  EXPECT_EQ(copy.Changes(), 0);
  r.SetField(4, "44", &e);
  r.Reset();
  EXPECT_EQ(r.Count(), 0);
  ASSERT_EQ(copy.Count(), 5);
  EXPECT_EQ(copy.Get(4)->ToString(), "43");
  EXPECT_EQ(copy.Get(2)->ToString(), "db.counters");
}

TEST(JournalRecordTest, ParseDecimalVersion) {
  EXPECT_EQ(ParseDecimal("9"), 9);
  EXPECT_EQ(ParseDecimal("  -3x"), -3);
  EXPECT_EQ(ParseDecimal("+12"), 12);
  EXPECT_EQ(ParseDecimal("abc"), 0);
  EXPECT_EQ(ParseDecimal(""), 0);
  EXPECT_EQ(ParseDecimal("99999999999999999999"), 2147483647);
}

}  // namespace
