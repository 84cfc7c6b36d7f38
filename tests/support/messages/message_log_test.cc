#include "support/messages/message_log.h"

#include <gtest/gtest.h>

#include <openssl/crypto.h>

#include <string>

#include "support/messages/fd_capture.h"
#include "test_util.h"

namespace {

const MessageId kWarn = {0x20010001, "first warning"};
const MessageId kFail = {0x31010002, "failed on %path%"};
const MessageId kNote = {0x10010003, "a note"};

TEST(MessageLogTest, ReportHeaderTabAndNewestFirst) {
  MessageLog log;
  log.SetName("ztmigrate");
  Error e;
  e.Set(kWarn);
  e.Set(kFail) << "a/b";

  FdCapture err(2);
  log.Report(&e);
  EXPECT_EQ(err.Text(), "ztmigrate error:\n\tfailed on a/b\n\tfirst warning\n");
}

TEST(MessageLogTest, ReportFlagsAndSinks) {
  MessageLog log;
  EXPECT_STREQ(log.Name(), "Error");
  log.SetName("tool");
  Error e;
  e.Set(kWarn);
  {
    FdCapture err(2);
    log.Report(&e, 0);
    EXPECT_EQ(err.Text(), "first warning\n");
  }
  {
    Error info;
    info.Set(kNote);
    FdCapture err(2);
    log.Report(&info);
    EXPECT_EQ(err.Text(), "tool info:\n\ta note\n");
  }
  {
    Error empty;
    FdCapture err(2);
    log.Report(&empty);
    EXPECT_EQ(err.Text(), "");
  }
  log.SetSink("stdout");
  EXPECT_EQ(log.Type(), MessageLog::kStdout);
  {
    FdCapture out(1);
    FdCapture err(2);
    log.Report(&e);
    EXPECT_EQ(out.Text(), "tool warning:\n\tfirst warning\n");
    EXPECT_EQ(err.Text(), "");
  }
  {
    // Also to the terminal: standard error gets a copy unless both streams
    // are terminals (here they are files).
    FdCapture out(1);
    FdCapture err(2);
    log.Report(&e, MessageLog::kHeader | MessageLog::kTerminal);
    EXPECT_EQ(out.Text(), "tool warning:\n\tfirst warning\n");
    EXPECT_EQ(err.Text(), "tool warning:\n\tfirst warning\n");
  }
}

void CountHook(void* context, Error*) { ++*static_cast<int*>(context); }

TEST(MessageLogTest, HookCalledOnlyWhenAsked) {
  MessageLog log;
  int calls = 0;
  log.SetHook(CountHook, &calls);
  Error e;
  e.Set(kNote);
  FdCapture err(2);
  log.Report(&e, MessageLog::kHeader);
  log.Report(&e, MessageLog::kHeader | MessageLog::kCallHook);
  err.Text();
  EXPECT_EQ(calls, 1);
}

TEST(MessageLogTest, LogFileInMissingDirectoryIsCreatedAndAppended) {
  testutil::TempDir dir;
  std::string name = dir.File("logs/deeper/run.log");
  MessageLog log;
  log.SetName("ztmigrate");
  log.SetSink(name.c_str());
  EXPECT_EQ(log.Type(), MessageLog::kLogFile);
  ASSERT_TRUE(testutil::FileExists(name));
  EXPECT_EQ(testutil::ReadFile(name), "");

  Error e;
  e.Set(kWarn);
  FdCapture err(2);
  log.Report(&e);
  log.Output(StrPtr("plain line\n"));
  EXPECT_EQ(err.Text(), "");
  EXPECT_EQ(testutil::ReadFile(name), "ztmigrate warning:\n\tfirst warning\nplain line\n");
  EXPECT_STREQ(log.LogFileName(), name.c_str());
}

TEST(MessageLogTest, BannerNamesOpenSslAndEndsWithRevision) {
  StrBuf banner;
  MessageLog::BuildBanner(kVersionString, kVersionDate, 0, &banner);
  std::string text = banner.ToString();
  EXPECT_NE(text.find(std::string("Version of OpenSSL Libraries: ") +
                      OpenSSL_version(OPENSSL_VERSION) + "\n"),
            std::string::npos);
  EXPECT_NE(text.find("\nParallel sync threading built-in.\n"), std::string::npos);
  const std::string tail = "these licenses and others.\nParallel sync threading built-in.\n"
                           "Rev. ZTMIGRATE/NTX64/2026.1/2996624 (2026/06/30).\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

  StrBuf other;
  MessageLog::BuildBanner("@(#)X/Y", "D", 1, &other);
  EXPECT_NE(other.ToString().find("these licenses and others.\nRev. X/Y (D).\n"), std::string::npos);
}

}  // namespace
