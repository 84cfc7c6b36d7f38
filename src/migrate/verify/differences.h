// DifferenceLog: the differences a verification finds, by kind. The first
// kShown of each kind are kept as lines for the screen, the rest counted;
// every one goes to the report file when there is one (JSON or CSV),
// written as found, so that the report holds all of them in bounded memory.
#ifndef ZT_MIGRATE_VERIFY_DIFFERENCES_H_
#define ZT_MIGRATE_VERIFY_DIFFERENCES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "migrate/conflict_report.h"
#include "support/files/filesys.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

enum class DiffKind : int {
  kRowMissing,      // a row of the original has no row in the edited checkpoint
  kRowExtra,        // a row of the edited checkpoint has none in the original
  kRowDuplicated,   // a row of the edited checkpoint repeats the one before it
  kRowMoved,        // a row of the edited checkpoint comes from another place of its table
  kFieldChanged,    // a field other than a path or name differs
  kSpellingChanged, // a path or name differs in more than case
  kNote,            // the header or trailer note does not fit the original
  kUnreadable,      // records a reader skipped as corrupt
  kPathConflict,    // a path component still spelt in several cases
  kNameInconsistent,// a name not in the spelling of its definition
  kArchiveMissing,  // an archive not on disk with exactly its name
  kCount
};

// One difference; views valid for the call to Add only. Row numbers count
// the rows of one table in one file from 1; 0 means none.
struct Difference {
  explicit Difference(DiffKind k, const StrPtr& t = StrPtr(), int64_t o = 0, int64_t e = 0)
      : kind(k), table(t), originalRow(o), editedRow(e) {}
  DiffKind kind;
  StrPtr table;
  int64_t originalRow;
  int64_t editedRow;
  StrPtr field;
  StrPtr original;
  StrPtr edited;
};

class DifferenceLog {
 public:
  static const int kShown = 20;

  // originalName and editedName stand for the two files in the lines.
  DifferenceLog(const StrPtr& originalName, const StrPtr& editedName);
  DifferenceLog(const DifferenceLog&) = delete;
  DifferenceLog& operator=(const DifferenceLog&) = delete;

  // Writes every difference to file (opened here, not owned) in format.
  void SetReport(FileSys* file, ReportFormat format, Error* e);

  void Add(const Difference& d);
  int64_t Count(DiffKind kind) const { return counts_[static_cast<int>(kind)]; }
  int64_t Total() const;

  // The shown lines of every kind, then the counts of those not shown.
  void Print() const;
  // Ends and closes the report; errors of the file in e.
  void FinishReport(Error* e);

  // The heading of a kind, as printed.
  static const char* KindText(DiffKind kind);
  // The kind's word in the report.
  static const char* KindWord(DiffKind kind);

 private:
  void AppendLine(const Difference& d, StrBuf* out) const;
  void AppendRecord(const Difference& d);
  void FlushReport(bool force);

  StrBuf originalName_;
  StrBuf editedName_;
  int64_t counts_[static_cast<int>(DiffKind::kCount)] = {};
  std::vector<std::string> shown_[static_cast<int>(DiffKind::kCount)];
  FileSys* report_ = nullptr;
  ReportFormat format_ = ReportFormat::kNone;
  int64_t reported_ = 0;
  StrBuf pending_;  // report text not written yet
  Error reportError_;
};

#endif  // ZT_MIGRATE_VERIFY_DIFFERENCES_H_
