#include "support/messages/debug.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "support/messages/fd_capture.h"
#include "support/messages/message_log.h"

namespace {

std::string Seconds(int ms) {
  StrBuf out;
  FormatSeconds(ms, &out);
  return out.ToString();
}

TEST(FormatSecondsTest, ThreeSignificantDigits) {
  EXPECT_EQ(Seconds(5), ".005");
  EXPECT_EQ(Seconds(567), ".567");
  EXPECT_EQ(Seconds(999), ".999");
  EXPECT_EQ(Seconds(1000), "1.00");
  EXPECT_EQ(Seconds(1234), "1.23");
  EXPECT_EQ(Seconds(9999), "9.99");
  EXPECT_EQ(Seconds(10000), "10.0");
  EXPECT_EQ(Seconds(12345), "12.3");
  EXPECT_EQ(Seconds(99999), "99.9");
  EXPECT_EQ(Seconds(100000), "100");
  EXPECT_EQ(Seconds(123456), "123");
  EXPECT_EQ(Seconds(2147483647), "2147483");
  EXPECT_EQ(Seconds(0), ".000");
}

class SettingsTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetSettings(); }
};

TEST_F(SettingsTest, BuiltInValuesComeBackAfterAReset) {
  EXPECT_EQ(GetLevel(kDebugVerbosity), 0);
  EXPECT_EQ(GetLevel(kFileBufferSize), 65536);
  EXPECT_EQ(GetLevel(kRenameWaitMs), 1000);
  EXPECT_EQ(GetLevel(kGzipLevel), -1);
  SetLevel(kDebugMap, 3);
  SetLevel(kFileBufferSize, 4096);
  SetLevel(kSettingCount, 7);  // no such setting: ignored
  EXPECT_EQ(GetLevel(kDebugMap), 3);
  EXPECT_EQ(GetLevel(kFileBufferSize), 4096);
  EXPECT_EQ(GetLevel(kSettingCount), 0);
  EXPECT_EQ(GetLevel(-1), 0);
  ResetSettings();
  EXPECT_EQ(GetLevel(kDebugMap), 0);
  EXPECT_EQ(GetLevel(kFileBufferSize), 65536);
}

TEST(TimerTest, ElapsedAndWrap) {
  Timer t;
  t.StartAt(1000);
  EXPECT_EQ(t.ElapsedAt(3500), 2500);
  t.StartAt(4294967000u);  // 296 ms before the 32-bit counter wraps
  EXPECT_EQ(t.ElapsedAt(500), 796);
  t.StartAt(4294967295u);
  EXPECT_EQ(t.ElapsedAt(0), 1);

  Timer live;
  live.Start();
  int ms = live.Elapsed();
  EXPECT_GE(ms, 0);
  EXPECT_LT(ms, 1000);
}

void Collect(void* context, const StrPtr& line) {
  static_cast<std::vector<std::string>*>(context)->push_back(line.ToString());
}

TEST(DebugPrintfTest, LineAssembledFromSeveralCalls) {
  ZtDebugConfig config;
  std::vector<std::string> lines;
  config.SetOutputFunction(Collect, &lines);
  config.Install();

  DebugPrintf("Scanning %s ", "x.ckp");
  EXPECT_TRUE(lines.empty());
  errno = EACCES;
  DebugPrintf("done: %d records\n", 42);
  EXPECT_EQ(errno, EACCES);  // debug output never changes errno
  std::string long_text(500, 'p');
  DebugPrintf("%s|%d\n", long_text.c_str(), 7);

  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Scanning x.ckp done: 42 records\n");
  EXPECT_EQ(lines[1], long_text + "|7\n");
  EXPECT_EQ(ZtDebugConfig::Current(), &config);
}

TEST(DebugPrintfTest, DestroyedConfigurationLeavesTheThread) {
  {
    ZtDebugConfig config;
    config.Install();
  }
  EXPECT_EQ(ZtDebugConfig::Current(), nullptr);
  FdCapture out(1);
  DebugPrintf("plain %d\n", 1);
  EXPECT_EQ(out.Text(), "plain 1\n");
}

TEST(DebugPrintfTest, LinesGoToTheSink) {
  MessageLog log;
  log.SetSink("stdout");
  ZtDebugConfig config;
  config.SetSink(&log);
  config.Install();
  FdCapture out(1);
  DebugPrintf("progress %d", 1);
  DebugPrintf("\n");
  EXPECT_EQ(out.Text(), "progress 1\n");
}

}  // namespace
