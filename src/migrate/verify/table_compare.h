// TableComparison: compares the rows of an edited checkpoint, as they come,
// with the rows of the original at the same place of the same table.
//
// Each table is compared on its own, row by row in the order both files
// hold it. When a row is not the original's next row, a short look-ahead
// tells what happened: the row comes a few rows later in the original (the
// rows between are missing, or turn up later out of order), it repeats the
// row before it (a duplicate), it is one of the rows passed over before (out
// of order), or it is the original's next row with fields changed. Memory is
// a few rows per table besides the readers; nothing grows with the size of
// the checkpoints.
#ifndef ZT_MIGRATE_VERIFY_TABLE_COMPARE_H_
#define ZT_MIGRATE_VERIFY_TABLE_COMPARE_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "journal/journal_record.h"
#include "migrate/verify/differences.h"
#include "migrate/verify/original_tables.h"
#include "migrate/verify/row_compare.h"
#include "support/messages/error.h"

// A row as one line of standard format, without its line end.
void RowText(const JournalRecord& rec, StrBuf* out);

class TableComparison {
 public:
  // Rows of the original ahead of the current one looked at for a match.
  static const int kLookAhead = 16;
  // Rows passed over that may still turn up out of order, per table.
  static const int kPassedOver = 64;

  // None of the objects is owned. editedIsDirectory: the edited checkpoint
  // is a parallel checkpoint, which holds no rows of tables whose names do
  // not begin with "db.".
  TableComparison(OriginalTables* original, RowComparer* comparer, DifferenceLog* log,
                  bool editedIsDirectory);
  TableComparison(const TableComparison&) = delete;
  TableComparison& operator=(const TableComparison&) = delete;

  // One row of the edited checkpoint (not a note), in its order.
  void Edited(const JournalRecord& rec, Error* e);
  // After the edited checkpoint's last row: the original's rows not met are
  // missing. Reads the rest of the original.
  void Finish(Error* e);

  struct TableCount {
    std::string name;
    int64_t original;
    int64_t edited;
  };
  // Rows of each table in each file, by table name.
  std::vector<TableCount> Counts() const;

  int64_t respeltRows = 0;    // rows matched with some field in another case
  int64_t respeltFields = 0;  // fields in another case, in matched rows
  int64_t respeltPaths = 0;   // of them, paths
  int64_t respeltNames = 0;   // of them, names
  int64_t leftOut = 0;        // original rows a parallel checkpoint cannot hold

 private:
  struct Row {
    std::unique_ptr<JournalRecord> rec;
    int64_t number = 0;  // its row number in the original's table
  };
  struct Table {
    StrBuf name;
    int64_t originalRows = 0;  // rows taken from the original so far
    int64_t editedRows = 0;
    std::deque<Row> window;  // the original's next rows, read ahead
    std::deque<Row> passed;  // rows passed over, not matched yet
    Row last;                // the original row matched last
  };

  Table* TableOf(const StrPtr& name);
  // Reads the original's next rows of t until the window holds n (or the
  // table ends); false on a failure.
  bool Fill(Table* t, size_t n, Error* e);
  // A matched original row becomes t's last; its respelt fields in
  // another case are counted.
  void Matched(Table* t, Row row, const JournalRecord& edited, int respelt);
  // Reports each field where edited differs from row.
  void FieldDifferences(Table* t, const Row& row, const JournalRecord& edited, int64_t number,
                        int first);
  // Reports a whole row missing from one side.
  void RowDifference(DiffKind kind, const StrPtr& table, int64_t originalRow, int64_t editedRow,
                     const JournalRecord& rec);
  void Missing(Table* t, Row row);
  std::unique_ptr<JournalRecord> Spare();
  void Recycle(Row* row);

  OriginalTables* original_;
  RowComparer* comparer_;
  DifferenceLog* log_;
  bool editedIsDirectory_;
  std::unordered_map<std::string, std::unique_ptr<Table>> tables_;
  Table* lastTable_ = nullptr;
  std::vector<std::unique_ptr<JournalRecord>> spare_;
  StrBuf text_;
  StrBuf name_;
  StrBuf other_;
};

#endif  // ZT_MIGRATE_VERIFY_TABLE_COMPARE_H_
