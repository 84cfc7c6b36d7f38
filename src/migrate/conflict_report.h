// The conflict report: what an administrator needs to edit a conflict map.
// For every conflicting path component, every spelling seen with its count
// and the tables it came from, and the spelling the conflict map proposes;
// for every client, label, depot, stream, branch or group name met in
// another spelling than its definition, the defined spelling and the others
// with their counts. Written as one JSON document or as CSV, one row per
// spelling.
#ifndef ZT_MIGRATE_CONFLICT_REPORT_H_
#define ZT_MIGRATE_CONFLICT_REPORT_H_

#include "support/files/filesys.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

class NameFixes;
class PathTree;
class ViewMap;

enum class ReportFormat { kNone, kJson, kCsv };

// The format a report file name asks for by its suffix (".json", ".csv";
// letters in any case); kNone for any other name.
ReportFormat ReportFormatOf(const char* name);

// What a report is made from: the path tree and the name fixes of a
// finished scan, and where the archive tree's spellings are looked up.
struct ReportSource {
  const PathTree* pathTree = nullptr;    // not owned
  const NameFixes* nameFixes = nullptr;  // not owned
  bool head = false;                     // each path spelt as its head revision (-p head)
  StrPtr checkpoint;                     // the checkpoint's name, as given
  StrPtr serverRoot;  // the archive root; empty when not known (no disk spellings)
  ViewMap* depotMap = nullptr;  // not owned: depot syntax -> archive directories
};

// Appends the report of a finished scan to out.
void FormatConflictReport(const ReportSource& source, ReportFormat format, StrBuf* out);

// Appends a JSON string (valid UTF-8 kept, control characters, quote and
// backslash escaped, other bytes above 0x7f as code points of that value).
void AppendJsonString(const char* text, size_t n, StrBuf* out);
// Appends a CSV field, quoted when it holds a comma, a quote or a line end.
void AppendCsvField(const char* text, size_t n, StrBuf* out);

// Writes text to the open file, stopping at the first error.
void WriteText(FileSys* file, const StrBuf& text, Error* e);

// Opens file for writing, writes the report into it and closes it; errors
// of the file in e.
void WriteConflictReport(const ReportSource& source, ReportFormat format, FileSys* file,
                         Error* e);

#endif  // ZT_MIGRATE_CONFLICT_REPORT_H_
