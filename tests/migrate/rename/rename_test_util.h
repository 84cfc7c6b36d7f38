// Helpers for the archive rename tests: building archive trees in a
// temporary directory that is the working directory for the test, listing
// them back, and building revision and configuration records.
#ifndef ZT_TESTS_MIGRATE_RENAME_RENAME_TEST_UTIL_H_
#define ZT_TESTS_MIGRATE_RENAME_RENAME_TEST_UTIL_H_

#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "journal/journal_record.h"
#include "debug_capture.h"
#include "test_util.h"

namespace renametest {

using testutil::DebugCapture;

// Makes a fresh temporary directory the working directory for the life of
// the object and returns to the old one afterwards.
class InTempDir {
 public:
  InTempDir() {
    char buf[4096];
    old_ = getcwd(buf, sizeof buf) ? buf : "/";
    if (chdir(dir_.path().c_str()) != 0) abort();
  }
  ~InTempDir() {
    if (chdir(old_.c_str()) != 0) abort();
  }
  const std::string& path() const { return dir_.path(); }

 private:
  testutil::TempDir dir_;
  std::string old_;
};

// Writes a file, creating the directories above it.
inline void Put(const std::string& path, const std::string& content) {
  std::filesystem::path p(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  testutil::WriteFile(path, content);
}

// Every regular file under root, as paths relative to root.
inline std::set<std::string> Tree(const std::string& root = ".") {
  std::set<std::string> out;
  for (auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_directory())
      out.insert(std::filesystem::relative(entry.path(), root).generic_string());
  }
  return out;
}

// A record from its fields: op, version, table, then the table's fields.
inline void MakeRecord(JournalRecord* rec, const std::vector<std::string>& fields) {
  rec->Reset();
  for (const std::string& f : fields)
    rec->AddField(StrPtr(f.data(), static_cast<uint32_t>(f.size())));
}

// A db.rev record of version 9 with the fields the renamer reads.
inline void MakeRev(JournalRecord* rec, const std::string& lbrFile, const std::string& lbrRev,
                    const std::string& lbrType, const std::string& action = "0",
                    const std::string& type = "0") {
  MakeRecord(rec, {"pv", "9", "db.rev", lbrFile, "1", type, action, "1", "0", "0",
                   "00000000000000000000000000000000", "0", "", "0", lbrFile, lbrRev, lbrType});
}

}  // namespace renametest

#endif  // ZT_TESTS_MIGRATE_RENAME_RENAME_TEST_UTIL_H_
