// The scan's progress line: its text, its drawing and erasing, the reader's
// byte count it is built on, and whole runs with standard error on a
// pseudo-terminal, on a file, at verbosity 0 and with a log file.
#include "migrate/progress.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/driver.h"
#include "journal/zt_journal.h"
#include "journal/zt_journal_dir.h"
#include "support/files/filesys.h"
#include "support/messages/message_log.h"
#include "test_util.h"

namespace {

std::string Line(int64_t bytes, int64_t total, int64_t records, int64_t ms) {
  StrBuf out;
  ScanProgress::FormatLine(bytes, total, records, ms, &out);
  return out.ToString();
}

TEST(ProgressTextTest, BytesPercentRateAndTimeLeft) {
  // A quarter read in one second: three more seconds at that pace.
  EXPECT_EQ(Line(250, 1000, 5000, 1000), "250 B read (25%), 5000 records/s, 0:03 left");
  // Unknown or incomparable size (a compressed input, or more read than
  // stored): no percentage and no estimate.
  EXPECT_EQ(Line(3 << 20, 0, 100, 2000), "3.0 MB read, 50 records/s");
  EXPECT_EQ(Line(2000, 1000, 10, 1000), "2.0 KB read, 10 records/s");
  // Nothing measured yet gives no division by zero.
  EXPECT_EQ(Line(0, 1000, 0, 0), "0 B read (0%), 0 records/s");
  // Large inputs: the percentage and estimate do not overflow.
  int64_t total = 200LL << 30;
  EXPECT_EQ(Line(total / 2, total, 1000000, 3600 * 1000),
            "100.00 GB read (50%), 277 records/s, 1:00:00 left");
}

TEST(ProgressTextTest, UnitsAndDurations) {
  auto bytes = [](int64_t b) {
    StrBuf s;
    ScanProgress::FormatBytes(b, &s);
    return s.ToString();
  };
  EXPECT_EQ(bytes(1023), "1023 B");
  EXPECT_EQ(bytes(1536), "1.5 KB");
  EXPECT_EQ(bytes(5LL << 30), "5.00 GB");
  auto duration = [](int64_t s) {
    StrBuf out;
    ScanProgress::FormatDuration(s, &out);
    return out.ToString();
  };
  EXPECT_EQ(duration(0), "0:00");
  EXPECT_EQ(duration(59), "0:59");
  EXPECT_EQ(duration(3599), "59:59");
  EXPECT_EQ(duration(3661), "1:01:01");
  EXPECT_EQ(duration(-5), "0:00");
}

// What has been written to the read end of a non-blocking pipe.
std::string Drain(int fd) {
  std::string s;
  char buf[4096];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof(buf));
    if (n <= 0) break;
    s.append(buf, static_cast<size_t>(n));
  }
  return s;
}

class ProgressDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
  }
  void TearDown() override {
    close(fds[0]);
    close(fds[1]);
  }
  int fds[2];
};

TEST_F(ProgressDrawTest, DrawsOverwritesAndErases) {
  ScanProgress p(nullptr, fds[1], 0, 0);
  p.Draw(10);
  std::string first = Drain(fds[0]);
  ASSERT_EQ(first.rfind("\r0 B read, ", 0), 0u) << first;
  EXPECT_EQ(first.find('\n'), std::string::npos);
  EXPECT_TRUE(p.Shown());
  // A redraw starts at the line's beginning again and is never shorter
  // on the terminal than what it overwrites.
  p.Draw(20);
  std::string second = Drain(fds[0]);
  EXPECT_EQ(second[0], '\r');
  EXPECT_GE(second.size(), first.size());
  // Erasing blanks the whole line and leaves the cursor at its start.
  p.Erase();
  std::string erase = Drain(fds[0]);
  EXPECT_EQ(erase, "\r" + std::string(second.size() - 1, ' ') + "\r");
  EXPECT_FALSE(p.Shown());
  // Erasing again writes nothing.
  p.Erase();
  EXPECT_EQ(Drain(fds[0]), "");
}

TEST_F(ProgressDrawTest, AnyMessageLogOutputErasesTheLineFirst) {
  {
    ScanProgress p(nullptr, fds[1], 0, 0);
    p.Draw(1);
    Drain(fds[0]);
    // Empty text: nothing reaches standard error, but the hook runs.
    GetMessageLog()->Output(StrPtr(""));
    EXPECT_FALSE(p.Shown());
    EXPECT_EQ(Drain(fds[0]).back(), '\r');
    // Once erased, the hook is gone: further output writes nothing here.
    GetMessageLog()->Output(StrPtr(""));
    EXPECT_EQ(Drain(fds[0]), "");
    p.Draw(2);
    Drain(fds[0]);
  }
  // Destroying a shown indicator erases it and removes the hook.
  EXPECT_FALSE(Drain(fds[0]).empty());
  RunBeforeOutputHook();
  EXPECT_EQ(Drain(fds[0]), "");
}

TEST_F(ProgressDrawTest, RecordChecksTheClockOnlyEveryFewRecords) {
  ScanProgress eager(nullptr, fds[1], 0, 0);
  eager.Record(ScanProgress::kCheckEvery - 1);
  EXPECT_FALSE(eager.Shown());
  eager.Record(ScanProgress::kCheckEvery);
  EXPECT_TRUE(eager.Shown());
  eager.Erase();
  // Before the first delay has passed nothing is drawn: a short run stays
  // silent.
  ScanProgress patient(nullptr, fds[1], 60 * 1000, 0);
  patient.Record(ScanProgress::kCheckEvery * 5);
  EXPECT_FALSE(patient.Shown());
  Drain(fds[0]);
}

// The records of a small checkpoint: three lines.
const char kThreeRecords[] =
    "@pv@ 1 @db.excl@ @//depot/Main/a.c@ @ws1@ @alice@ \n"
    "@pv@ 1 @db.excl@ @//depot/main/b.c@ @ws1@ @bob@ \n"
    "@pv@ 1 @db.excl@ @//depot/main/c.c@ @ws1@ @bob@ \n";

int64_t ReadAll(ZtJournal* reader) {
  JournalRecord rec;
  Error e;
  int64_t n = 0;
  while (reader->ReadRecord(&rec, &e)) ++n;
  EXPECT_FALSE(e.Test());
  return n;
}

TEST(ReaderBytesTest, CountsWhatTheRecordsUsed) {
  testutil::TempDir dir;
  std::string path = dir.File("x.ckp");
  testutil::WriteFile(path, kThreeRecords);
  std::unique_ptr<FileSys> file = FileSys::Create(kFileText);
  file->SetPath(StrPtr(path.c_str()));
  ZtJournal reader(file.get());
  EXPECT_EQ(reader.BytesRead(), 0);
  EXPECT_FALSE(reader.Compressed());
  JournalRecord rec;
  Error e;
  ASSERT_TRUE(reader.ReadRecord(&rec, &e));
  // One record read: at least its line, not the whole buffered file.
  int64_t firstLine = std::string(kThreeRecords).find('\n') + 1;
  EXPECT_GE(reader.BytesRead(), firstLine - 1);
  EXPECT_LT(reader.BytesRead(), static_cast<int64_t>(sizeof(kThreeRecords) - 1));
  EXPECT_EQ(ReadAll(&reader), 2);
  EXPECT_EQ(reader.BytesRead(), reader.Size());
}

TEST(ReaderBytesTest, DirectorySumsItsTableFiles) {
  testutil::TempDir dir;
  testutil::WriteFile(dir.File("db.excl.ckp"), kThreeRecords);
  testutil::WriteFile(dir.File("db.counters.ckp"), "@pv@ 1 @db.counters@ @change@ 4 \n");
  ZtJournalDir reader{StrPtr(dir.path().c_str())};
  EXPECT_FALSE(reader.Compressed());
  EXPECT_EQ(ReadAll(&reader), 4);
  EXPECT_EQ(reader.BytesRead(), reader.Size());
  EXPECT_GT(reader.Size(), static_cast<int64_t>(sizeof(kThreeRecords)));
}

TEST(ReaderBytesTest, GzipInputIsMarkedCompressed) {
  testutil::TempDir dir;
  std::string path = dir.File("x.ckp.gz");
  {
    std::unique_ptr<FileSys> out = FileSys::Create(kFileGzip);
    ASSERT_TRUE(out);
    out->SetPath(StrPtr(path.c_str()));
    Error e;
    out->Open(kOpenWrite, &e);
    out->Write(kThreeRecords, sizeof(kThreeRecords) - 1, &e);
    out->Close(&e);
    ASSERT_FALSE(e.Test());
  }
  std::unique_ptr<FileSys> file = FileSys::Create(kFileGzip);
  file->SetPath(StrPtr(path.c_str()));
  ZtJournal reader(file.get());
  EXPECT_TRUE(reader.Compressed());
  EXPECT_EQ(ReadAll(&reader), 3);
  // The decompressed bytes, which the stored size says nothing about.
  EXPECT_EQ(reader.BytesRead(), static_cast<int64_t>(sizeof(kThreeRecords) - 1));
}

// ---------------------------------------------------------------------------
// Whole runs. The driver runs in a child process whose standard error is a
// pseudo-terminal (or a file); the parent collects what reached it.

struct RunResult {
  int status = -1;
  std::string err;  // what reached standard error
};

// Runs the driver with args in a child, in directory cwd, standard output
// to cwd/stdout.txt and standard error to a new pseudo-terminal (terminal)
// or to cwd/stderr.txt. False when no pseudo-terminal can be had.
bool RunChild(const std::string& cwd, std::vector<std::string> args, bool terminal,
              RunResult* result) {
  int master = -1;
  std::string slaveName;
  if (terminal) {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
      if (master >= 0) close(master);
      return false;
    }
    slaveName = ptsname(master);
  }
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(120);
    int out = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = terminal ? open(slaveName.c_str(), O_RDWR | O_NOCTTY)
                       : open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0) _exit(121);
    if (terminal) {
      // Bytes pass unchanged (no newline translation), so that the two
      // runs compare byte for byte.
      termios t;
      if (tcgetattr(err, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(err, TCSANOW, &t);
      }
      close(master);
    }
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    int in = open("/dev/null", O_RDONLY);
    dup2(in, STDIN_FILENO);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    _exit(RunDriver(static_cast<int>(args.size()), argv.data()) & 0xff);
  }
  if (pid < 0) return false;
  if (terminal) {
    char buf[8192];
    for (;;) {
      ssize_t n = read(master, buf, sizeof(buf));
      if (n > 0) {
        result->err.append(buf, static_cast<size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      break;  // EIO once the child has closed the terminal
    }
    close(master);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  result->status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  if (!terminal) result->err = testutil::ReadFile(cwd + "/stderr.txt");
  return true;
}

// True when the two files hold the same bytes (compared in chunks: the
// outputs of these runs are large).
bool SameFile(const std::string& a, const std::string& b) {
  FILE* fa = fopen(a.c_str(), "rb");
  FILE* fb = fopen(b.c_str(), "rb");
  bool same = fa && fb;
  static char ba[1 << 16], bb[1 << 16];
  while (same) {
    size_t na = fread(ba, 1, sizeof(ba), fa);
    size_t nb = fread(bb, 1, sizeof(bb), fb);
    if (na != nb || memcmp(ba, bb, na) != 0) same = false;
    if (na == 0) break;
  }
  if (fa) fclose(fa);
  if (fb) fclose(fb);
  return same;
}

// The report with every millisecond count masked (they differ between runs).
std::string MaskTimes(const std::string& s) {
  std::string t = std::regex_replace(s, std::regex("[0-9]+ ms"), "N ms");
  return std::regex_replace(t, std::regex("[0-9]+\\.[0-9]+s\n"), "Ns\n");
}

// The text without the periodic "Record N" lines.
std::string WithoutRecordLines(const std::string& s) {
  return std::regex_replace(s, std::regex("Record [0-9]+, Processed [^\n]*\n"), "");
}

// The text with the progress line's drawings and erasures removed.
std::string WithoutProgress(const std::string& s) {
  std::string t = std::regex_replace(s, std::regex("\r[^\r\n]* records/s[^\r\n]*"), "");
  return std::regex_replace(t, std::regex("\r *\r"), "");
}

// A sanitizer build scans several times slower: a quarter of the rows last
// as long there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kRows = 1000000;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr int kRows = 1000000;
#else
constexpr int kRows = 4000000;
#endif
#else
constexpr int kRows = 4000000;
#endif

class ProgressRunTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new testutil::TempDir;
    // Enough records for a scan that lasts well past the first delay (half
    // a second) on a fast machine with the parsing on a thread of its own:
    // kRows rows over a few thousand paths, two spellings of one directory
    // among them.
    std::string text;
    text.reserve(180u << 20);
    char line[96];
    for (int i = 0; i < kRows; ++i) {
      snprintf(line, sizeof(line), "@pv@ 1 @db.excl@ @//depot/%s%d/f%d@ @w@ @u@ \n",
               i % 7 == 0 ? "Dir" : "dir", i % 40, i % 97);
      text.append(line);
    }
    testutil::WriteFile(dir->File("big.ckp"), text);
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }

  // A fresh working directory for one run.
  std::string RunDir(const std::string& name) {
    std::string d = dir->File(name);
    mkdir(d.c_str(), 0755);
    return d;
  }

  static testutil::TempDir* dir;
};

testutil::TempDir* ProgressRunTest::dir = nullptr;

TEST_F(ProgressRunTest, TerminalGetsTheLineAndOutputsStayTheSame) {
  std::string big = dir->File("big.ckp");
  std::string onTerminal = RunDir("tty"), onFile = RunDir("file");
  std::vector<std::string> args = {"ztmigrate", "-c", "map.txt", "-o", "out.ckp", big};
  RunResult tty, file;
  if (!RunChild(onTerminal, args, true, &tty)) GTEST_SKIP() << "no pseudo-terminal";
  ASSERT_TRUE(RunChild(onFile, args, false, &file));

  // Conflicts remain (dir and Dir): both runs end with the warning.
  EXPECT_EQ(tty.status, 255);
  EXPECT_EQ(file.status, 255);
  // The line appeared on the terminal, with a percentage.
  EXPECT_NE(tty.err.find(" records/s"), std::string::npos) << tty.err;
  EXPECT_TRUE(std::regex_search(tty.err, std::regex("\r[0-9.]+ [KMG]?B read \\([0-9]+%\\)")))
      << tty.err;
  // Each drawing is followed by a redraw or by its erasure, never by other
  // text, and the last one is erased before the run ends.
  std::regex drawing("\r[^\r\n]* records/s[^\r\n]*");
  for (auto it = std::sregex_iterator(tty.err.begin(), tty.err.end(), drawing);
       it != std::sregex_iterator(); ++it) {
    size_t after = static_cast<size_t>(it->position() + it->length());
    ASSERT_LT(after, tty.err.size());
    EXPECT_EQ(tty.err[after], '\r') << tty.err.substr(after, 40);
  }
  // Nothing of it reaches a file.
  EXPECT_EQ(file.err.find("records/s"), std::string::npos);
  EXPECT_EQ(file.err.find('\r'), std::string::npos);
  // The line replaces the periodic record lines, which a file still gets.
  EXPECT_EQ(tty.err.find("Record 100000,"), std::string::npos);
  EXPECT_NE(file.err.find("Record 100000, Processed 100000 records in"), std::string::npos);
  // Every line printed during the scan starts on a clean line: the report
  // is the same once the progress line's drawings are taken out.
  EXPECT_EQ(MaskTimes(WithoutProgress(tty.err)), MaskTimes(WithoutRecordLines(file.err)));
  // And no output changes by a byte.
  for (const char* name : {"map.txt", "out.ckp", "stdout.txt"})
    EXPECT_TRUE(SameFile(onTerminal + "/" + name, onFile + "/" + name)) << name;
  struct stat st;
  ASSERT_EQ(stat((onFile + "/out.ckp").c_str(), &st), 0);
  EXPECT_GT(st.st_size, 1 << 20);
}

TEST_F(ProgressRunTest, QuietRunsAndLogFilesGetNoLine) {
  std::string big = dir->File("big.ckp");
  RunResult quiet;
  if (!RunChild(RunDir("quiet"), {"ztmigrate", "-v", "0", "-c", "map.txt", big}, true, &quiet))
    GTEST_SKIP() << "no pseudo-terminal";
  EXPECT_EQ(quiet.status, 255);
  EXPECT_EQ(quiet.err.find("records/s"), std::string::npos) << quiet.err;

  // -q: the verdict alone, neither the line nor the scan's lines.
  RunResult q;
  ASSERT_TRUE(RunChild(RunDir("q"), {"ztmigrate", "-q", "-c", "map.txt", big}, true, &q));
  EXPECT_EQ(q.status, 255);
  EXPECT_EQ(q.err.find("records/s"), std::string::npos) << q.err;
  EXPECT_EQ(q.err.find("Starting scan"), std::string::npos) << q.err;
  EXPECT_NE(q.err.find("still contains inconsistencies"), std::string::npos) << q.err;

  std::string logged = RunDir("logged");
  RunResult withLog;
  ASSERT_TRUE(RunChild(logged, {"ztmigrate", "-l", "run.log", "-c", "map.txt", big}, true, &withLog));
  EXPECT_EQ(withLog.status, 255);
  EXPECT_EQ(withLog.err.find("records/s"), std::string::npos) << withLog.err;
  std::string log = testutil::ReadFile(logged + "/run.log");
  EXPECT_NE(log.find("Starting scan"), std::string::npos);
  EXPECT_EQ(log.find('\r'), std::string::npos);
}

}  // namespace
