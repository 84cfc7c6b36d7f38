// The differences of a verification: lines for the screen and the report.
#include "migrate/verify/differences.h"

#include "support/messages/message_log.h"

namespace {

// Report text is written in pieces of about this size.
constexpr uint32_t kReportChunk = 1u << 16;
// A value longer than this is cut on the screen (never in the report).
constexpr uint32_t kShownValue = 160;

void AppendShown(const StrPtr& value, StrBuf* out) {
  out->AppendChar('"');
  uint32_t n = value.Length() > kShownValue ? kShownValue : value.Length();
  for (uint32_t i = 0; i < n; ++i) {
    char c = value[i];
    if (c == '\n') out->Append("\\n");
    else if (c == '\r') out->Append("\\r");
    else out->AppendChar(c);
  }
  out->AppendChar('"');
  if (n < value.Length()) out->Append("...");
}

}  // namespace

DifferenceLog::DifferenceLog(const StrPtr& originalName, const StrPtr& editedName)
    : originalName_(originalName), editedName_(editedName) {}

const char* DifferenceLog::KindText(DiffKind kind) {
  switch (kind) {
    case DiffKind::kRowMissing: return "rows of the original missing from the edited checkpoint";
    case DiffKind::kRowExtra: return "rows of the edited checkpoint not in the original";
    case DiffKind::kRowDuplicated: return "rows the edited checkpoint has twice";
    case DiffKind::kRowMoved: return "rows in another order than in the original";
    case DiffKind::kFieldChanged: return "fields changed (other than paths and names)";
    case DiffKind::kSpellingChanged: return "paths or names changed in more than case";
    case DiffKind::kNote: return "header or trailer notes that do not fit the original";
    case DiffKind::kUnreadable: return "records skipped as unreadable";
    case DiffKind::kPathConflict: return "paths still spelt in several cases";
    case DiffKind::kNameInconsistent: return "names not in the spelling of their definition";
    case DiffKind::kArchiveMissing: return "archives not on disk with exactly their name";
    case DiffKind::kCount: break;
  }
  return "";
}

const char* DifferenceLog::KindWord(DiffKind kind) {
  static const char* const kWords[] = {"row-missing",  "row-extra",       "row-duplicated",
                                       "row-moved",    "field-changed",   "spelling-changed",
                                       "note",         "unreadable",      "path-conflict",
                                       "name-inconsistent", "archive-missing"};
  int k = static_cast<int>(kind);
  return k >= 0 && k < static_cast<int>(DiffKind::kCount) ? kWords[k] : "";
}

int64_t DifferenceLog::Total() const {
  int64_t n = 0;
  for (int64_t c : counts_) n += c;
  return n;
}

void DifferenceLog::SetReport(FileSys* file, ReportFormat format, Error* e) {
  file->Open(kOpenWrite, e);
  if (e->Test()) return;
  report_ = file;
  format_ = format;
  if (format_ == ReportFormat::kCsv)
    pending_.Append("kind,table,original_row,edited_row,field,original,edited\n");
  else
    pending_.Append("{\"differences\": [");
}

void DifferenceLog::AppendLine(const Difference& d, StrBuf* out) const {
  out->Append("    ");
  if (!d.table.IsEmpty()) {
    out->Append(d.table);
    if (d.originalRow) {
      out->Append(" row ");
      out->AppendInt(d.originalRow);
      out->Append(" of ");
      out->Append(originalName_);
    }
    if (d.editedRow) {
      out->Append(d.originalRow ? ", row " : " row ");
      out->AppendInt(d.editedRow);
      out->Append(" of ");
      out->Append(editedName_);
    }
    out->Append(": ");
  }
  if (!d.field.IsEmpty()) {
    out->Append(d.field);
    out->Append(" ");
  }
  const bool both = !d.original.IsEmpty() && !d.edited.IsEmpty();
  if (!d.original.IsEmpty()) AppendShown(d.original, out);
  if (both) {
    out->Append(d.kind == DiffKind::kNameInconsistent || d.kind == DiffKind::kArchiveMissing
                    ? " as "
                    : " became ");
  }
  if (!d.edited.IsEmpty()) AppendShown(d.edited, out);
  out->AppendChar('\n');
}

void DifferenceLog::AppendRecord(const Difference& d) {
  if (format_ == ReportFormat::kCsv) {
    pending_.Append(KindWord(d.kind));
    pending_.AppendChar(',');
    AppendCsvField(d.table.Text(), d.table.Length(), &pending_);
    pending_.AppendChar(',');
    if (d.originalRow) pending_.AppendInt(d.originalRow);
    pending_.AppendChar(',');
    if (d.editedRow) pending_.AppendInt(d.editedRow);
    pending_.AppendChar(',');
    AppendCsvField(d.field.Text(), d.field.Length(), &pending_);
    pending_.AppendChar(',');
    AppendCsvField(d.original.Text(), d.original.Length(), &pending_);
    pending_.AppendChar(',');
    AppendCsvField(d.edited.Text(), d.edited.Length(), &pending_);
    pending_.AppendChar('\n');
    return;
  }
  pending_.Append(reported_ ? ",\n  {\"kind\": \"" : "\n  {\"kind\": \"");
  pending_.Append(KindWord(d.kind));
  pending_.Append("\", \"table\": ");
  AppendJsonString(d.table.Text(), d.table.Length(), &pending_);
  pending_.Append(", \"originalRow\": ");
  pending_.AppendInt(d.originalRow);
  pending_.Append(", \"editedRow\": ");
  pending_.AppendInt(d.editedRow);
  pending_.Append(", \"field\": ");
  AppendJsonString(d.field.Text(), d.field.Length(), &pending_);
  pending_.Append(", \"original\": ");
  AppendJsonString(d.original.Text(), d.original.Length(), &pending_);
  pending_.Append(", \"edited\": ");
  AppendJsonString(d.edited.Text(), d.edited.Length(), &pending_);
  pending_.AppendChar('}');
}

void DifferenceLog::Add(const Difference& d) {
  const int k = static_cast<int>(d.kind);
  if (++counts_[k] <= kShown) {
    StrBuf line;
    AppendLine(d, &line);
    shown_[k].emplace_back(line.Text(), line.Length());
  }
  if (!report_) return;
  AppendRecord(d);
  ++reported_;
  FlushReport(false);
}

void DifferenceLog::FlushReport(bool force) {
  if (!report_ || reportError_.Test()) return;
  if (!force && pending_.Length() < kReportChunk) return;
  report_->Write(pending_.Text(), static_cast<int>(pending_.Length()), &reportError_);
  pending_.Clear();
}

void DifferenceLog::FinishReport(Error* e) {
  if (!report_) return;
  if (format_ == ReportFormat::kJson) pending_.Append(reported_ ? "\n]}\n" : "]}\n");
  FlushReport(true);
  report_->Close(&reportError_);
  report_ = nullptr;
  if (reportError_.Test()) {
    e->Merge(reportError_);
  }
}

void DifferenceLog::Print() const {
  StrBuf text;
  for (int k = 0; k < static_cast<int>(DiffKind::kCount); ++k) {
    if (!counts_[k]) continue;
    text.Append("\n");
    text.Append(KindText(static_cast<DiffKind>(k)));
    text.Append(": ");
    text.AppendInt(counts_[k]);
    text.Append("\n");
    for (const std::string& line : shown_[k]) text.Append(line.data(), static_cast<uint32_t>(line.size()));
    if (counts_[k] > kShown) {
      text.Append("    ... and ");
      text.AppendInt(counts_[k] - kShown);
      text.Append(" more\n");
    }
  }
  if (!text.IsEmpty()) GetMessageLog()->Output(text);
}
