// RowComparer: decides whether a row of an edited checkpoint is the row of
// the original spelt in another case.
//
// Two rows are the same row when they have the same op code, table version,
// table name and field count, and every field is byte-identical, except the
// fields the table catalogue may re-spell (depot paths, domain-prefixed
// paths, client, label, depot, stream, branch and group names), which need
// only be equal once folded in the run's fold mode. A stream view path may
// also have lost the prefix before its own "//", as every edited
// checkpoint drops it. Which fields those are comes from the catalogue's
// rows for the record's table and version, looked up once per table and
// version and kept.
#ifndef ZT_MIGRATE_VERIFY_ROW_COMPARE_H_
#define ZT_MIGRATE_VERIFY_ROW_COMPARE_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "journal/journal_record.h"
#include "support/text/fold.h"
#include "support/text/strbuf.h"

// What the catalogue says of each field of a table and version.
struct TableRoles {
  enum Role : uint8_t { kExact, kPath, kName, kStreamView };
  StrBuf table;
  StrBuf version;
  std::vector<Role> roles;     // by record position; kExact beyond its end
  bool namesArchive = false;   // its rows name archive files (-R renames them)
  Role At(int position) const {
    return position < static_cast<int>(roles.size()) ? roles[static_cast<size_t>(position)]
                                                     : kExact;
  }
};

class RowComparer {
 public:
  // fold: how the run folds paths (not owned; read at each comparison, so
  // the run may settle it after the comparer is made).
  explicit RowComparer(const FoldRules* fold) : fold_(fold) {}
  RowComparer(const RowComparer&) = delete;
  RowComparer& operator=(const RowComparer&) = delete;

  // The roles of the record's table and version.
  const TableRoles& Roles(const JournalRecord& record);

  // The position of the first field at which edited is not original in
  // another case (the shorter record's count when one record has fewer
  // fields and all before agree), or -1 when it is the same row. From
  // position `from` on only. *respelt, when not null, gets the number of
  // fields that differ in case only (counted up to the first difference).
  int Compare(const JournalRecord& original, const JournalRecord& edited, int from = 0,
              int* respelt = nullptr);

  // True when two values of a field of this role are the same in the run's
  // fold mode (byte-identical for kExact).
  bool SameValue(TableRoles::Role role, const StrPtr& original, const StrPtr& edited);

  // The name of a record position: "op code", "version", "table", the
  // schema's field name, or "field N" past the schema.
  static void FieldName(const JournalRecord& record, int position, StrBuf* out);

 private:
  const FoldRules* fold_;
  std::vector<std::unique_ptr<TableRoles>> roles_;  // every table and version met
  TableRoles* last_ = nullptr;
  StrBuf foldA_;
  StrBuf foldB_;
};

#endif  // ZT_MIGRATE_VERIFY_ROW_COMPARE_H_
