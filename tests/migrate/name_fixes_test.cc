#include "migrate/name_fixes.h"

#include <gtest/gtest.h>

#include "migrate/name_caches.h"

namespace {

TEST(NameFixesTest, GroupsSpellingsByKindAndDefinedName) {
  NameFixes fixes;
  fixes.Note("client", StrPtr("ws-Alice"), StrPtr("WS-alice"));
  fixes.Note("client", StrPtr("ws-Alice"), StrPtr("ws-alice"));
  fixes.Note("client", StrPtr("ws-Alice"), StrPtr("ws-alice"));
  // The same word as a label is another name.
  fixes.Note("label", StrPtr("WS-Alice"), StrPtr("ws-alice"));
  fixes.Note("group", StrPtr("Dev"), StrPtr("DEV"));
  EXPECT_EQ(fixes.Count(), 5);
  std::vector<const NameFixes::Name*> names = fixes.Names();
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0]->kind, "client");
  EXPECT_EQ(names[0]->defined, "ws-Alice");
  EXPECT_EQ(names[0]->others, (std::map<std::string, int64_t>{{"WS-alice", 1}, {"ws-alice", 2}}));
  EXPECT_EQ(names[1]->kind, "group");
  EXPECT_EQ(names[2]->kind, "label");
  EXPECT_EQ(names[2]->defined, "WS-Alice");
}

TEST(NameFixesTest, DomainKinds) {
  EXPECT_STREQ(NameFixes::DomainKind(kDomainDepot), "depot");
  EXPECT_STREQ(NameFixes::DomainKind(kDomainStream), "stream");
  EXPECT_STREQ(NameFixes::DomainKind(kDomainClient), "client");
  EXPECT_STREQ(NameFixes::DomainKind(kDomainBranch), "branch");
  EXPECT_STREQ(NameFixes::DomainKind(kDomainLabel), "label");
  EXPECT_STREQ(NameFixes::DomainKind(7), "domain");
}

}  // namespace
