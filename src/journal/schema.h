// The journal table schema: for every database table the program knows, and
// each version of it, the names of the record's fields in record order.
//
// The schema is constant data built into the program (schema_table.cc); a
// table or version it lacks cannot be processed. Table and field names are
// compared without regard to ASCII case; when two entries could match, the
// first one listed wins.
#ifndef ZT_JOURNAL_SCHEMA_H_
#define ZT_JOURNAL_SCHEMA_H_

#include "support/text/strbuf.h"

// One table entry. versions[v] is the null-terminated list of field names
// of version v, for v from 0 to versionCount - 1.
struct SchemaTable {
  const char* name;
  int versionCount;
  const char* const* const* versions;
};

// Every table, in listing order, ended by an entry whose name is null.
extern const SchemaTable kSchemaTables[];

// The entry of a table (case ignored), or null when the schema lacks it.
const SchemaTable* FindSchemaTable(const StrPtr& table);

// 0 when the table is not in the schema; -2 when the version is not valid
// for it (negative or not below its number of versions); 1 otherwise.
int CheckVersion(const StrPtr& table, int version);

// The number of field names of that version; 0 for an unknown table or an
// invalid version.
int FieldCount(const StrPtr& table, int version);

// The name's place (from 0) in that version's list; -1 for an unknown
// table, -2 for an invalid version, -3 when the name is not in the list.
int FieldIndex(const StrPtr& table, int version, const StrPtr& name);

// The same lookups on an entry already found (entry may be null).
int SchemaFieldCount(const SchemaTable* entry, int version);
int SchemaFieldIndex(const SchemaTable* entry, int version, const StrPtr& name);

#endif  // ZT_JOURNAL_SCHEMA_H_
