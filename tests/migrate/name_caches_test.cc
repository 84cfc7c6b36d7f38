#include "migrate/name_caches.h"

#include <gtest/gtest.h>

#include <string>

#include "map/view_map.h"
#include "migrate/register_domain.h"
#include "migrate/tree_messages.h"

namespace {

std::string Described(const DomainRec* r) {
  StrBuf out("old text");
  r->Describe(&out);
  return out.ToString();
}

TEST(NameCachesTest, FirstSpellingIsKeptAndFoundInAnyCase) {
  DomainCache domains;
  Error e;
  domains.Add("WS1", kDomainClient, &e);
  domains.Add("ws1", kDomainClient, &e);
  domains.Add("Ws1", kDomainLabel, &e);
  EXPECT_FALSE(e.Test());
  for (const char* probe : {"ws1", "Ws1", "WS1", "wS1"}) {
    DomainRec* r = domains.Find(probe);
    ASSERT_NE(r, nullptr) << probe;
    EXPECT_EQ(r->name.ToString(), "WS1");
    EXPECT_TRUE(r->IsClient());
    EXPECT_FALSE(r->IsLabel());
  }
  EXPECT_EQ(domains.Find("ws2"), nullptr);
  EXPECT_EQ(domains.Find("ws"), nullptr);
  EXPECT_EQ(domains.Find("ws1x"), nullptr);
}

TEST(NameCachesTest, RepeatedLookupsBetweenAddsFindTheirOwnRecords) {
  // The record found last is tried first: lookups of one name, of others
  // and of names added meanwhile must each still find their own record.
  DomainCache domains;
  Error e;
  domains.Add("ws-a", kDomainClient, &e);
  EXPECT_EQ(domains.Find("ws-b"), nullptr);
  domains.Add("WS-B", kDomainLabel, &e);
  for (int i = 0; i < 3; ++i) {
    for (const char* probe : {"ws-a", "ws-a", "WS-A", "ws-b", "ws-b", "Ws-B", "ws-a"}) {
      DomainRec* r = domains.Find(probe);
      ASSERT_NE(r, nullptr) << probe;
      EXPECT_EQ(r->IsClient(), (probe[3] | 0x20) == 'a') << probe;
    }
    EXPECT_EQ(domains.Find("ws-"), nullptr);
    EXPECT_EQ(domains.Find("ws-ab"), nullptr);
    domains.Add(("ws-" + std::to_string(i)).c_str(), kDomainBranch, &e);
    EXPECT_EQ(domains.Find(("WS-" + std::to_string(i)).c_str())->name.ToString(),
              "ws-" + std::to_string(i));
  }
  EXPECT_FALSE(e.Test());
}

TEST(NameCachesTest, OnlyAsciiLettersIgnoreCase) {
  DomainCache domains;
  Error e;
  domains.Add("caf\xc3\xa9", kDomainClient, &e);
  domains.Add("CAF\xc3\x89", kDomainClient, &e);
  ASSERT_NE(domains.Find("Caf\xc3\xa9"), nullptr);
  EXPECT_EQ(domains.Find("Caf\xc3\xa9")->name.ToString(), "caf\xc3\xa9");
  ASSERT_NE(domains.Find("caf\xc3\x89"), nullptr);
  EXPECT_EQ(domains.Find("caf\xc3\x89")->name.ToString(), "CAF\xc3\x89");
}

TEST(NameCachesTest, ManyNamesStayFindable) {
  GroupCache groups;
  Error e;
  for (int i = 0; i < 2000; i++) groups.Add(StrPtr(("Group" + std::to_string(i * 7)).c_str()), &e);
  EXPECT_FALSE(e.Test());
  for (int i = 0; i < 2000; i++) {
    GroupRec* r = groups.Find(StrPtr(("GROUP" + std::to_string(i * 7)).c_str()));
    ASSERT_NE(r, nullptr) << i;
    ASSERT_EQ(r->name.ToString(), "Group" + std::to_string(i * 7));
  }
  EXPECT_EQ(groups.Find("group1"), nullptr);
  // Ascending iteration follows the case-blind order.
  AVLIterator it(&groups);
  std::string last;
  int n = 0;
  while (void* item = it.Next(&e)) {
    std::string name = static_cast<GroupRec*>(item)->name.ToString();
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_LT(last, name);
    last = name;
    ++n;
  }
  EXPECT_EQ(n, 2000);
}

TEST(NameCachesTest, AnErrorAlreadySetMakesAddDoNothing) {
  GroupCache groups;
  Error e;
  e.Set(kMsgDuplicateKey);
  groups.Add("Dev", &e);
  EXPECT_EQ(groups.Find("dev"), nullptr);
  Error ok;
  groups.Add("Dev", &ok);
  ASSERT_NE(groups.Find("dev"), nullptr);
}

TEST(NameCachesTest, TextForms) {
  DomainRec client("ws1", kDomainClient);
  EXPECT_EQ(Described(&client), "Domain: ws1 (99)");
  GroupRec group("Dev");
  StrBuf out("x");
  group.Describe(&out);
  EXPECT_EQ(out.ToString(), "Group: Dev");

  // The caches' FormatItem is the record's text form.
  DomainCache domains;
  Error e;
  domains.Add("Main", kDomainStream, &e);
  out.Clear();
  domains.FormatItem(domains.Find("main"), &out);
  EXPECT_EQ(out.ToString(), "Domain: Main (115)");
}

std::string Translated(ViewMap* map, const char* path) {
  StrBuf out;
  if (!map->Translate(0, StrPtr(path), &out)) return "(none)";
  return out.ToString();
}

TEST(NameCachesTest, RegisterDomainMapsPathsToTheFirstSpelling) {
  DomainCache domains;
  ViewMap depotNameMap;
  Error e;
  RegisterDomain(&domains, &depotNameMap, "depot", kDomainDepot, &e);
  RegisterDomain(&domains, &depotNameMap, "ws-BOB", kDomainClient, &e);
  // Later spellings of registered names change nothing.
  RegisterDomain(&domains, &depotNameMap, "Depot", kDomainDepot, &e);
  RegisterDomain(&domains, &depotNameMap, "WS-bob", kDomainLabel, &e);
  EXPECT_FALSE(e.Test());
  EXPECT_EQ(depotNameMap.Count(), 2);
  EXPECT_EQ(domains.Find("DEPOT")->name.ToString(), "depot");
  EXPECT_EQ(domains.Find("ws-bob")->type, kDomainClient);

  EXPECT_EQ(Translated(&depotNameMap, "//WS-Bob/a/B.c"), "//ws-BOB/a/B.c");
  EXPECT_EQ(Translated(&depotNameMap, "//ws-bob/x"), "//ws-BOB/x");
  EXPECT_EQ(Translated(&depotNameMap, "//Depot/x/Y.c"), "//depot/x/Y.c");
  EXPECT_EQ(Translated(&depotNameMap, "//other/x"), "(none)");

  // Nothing is registered while an error is set.
  Error failed;
  failed.Set(kMsgDuplicateKey);
  RegisterDomain(&domains, &depotNameMap, "late", kDomainClient, &failed);
  EXPECT_EQ(domains.Find("late"), nullptr);
  EXPECT_EQ(depotNameMap.Count(), 2);
}

}  // namespace
