// The conflict report, from the path tree and the name fixes of a scan.
#include "migrate/conflict_report.h"

#include <strings.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "migrate/conflict_walk.h"
#include "migrate/disk_spelling.h"
#include "migrate/name_fixes.h"
#include "migrate/path_tree.h"
#include "support/text/charset_valid.h"

// A JSON string: valid UTF-8 is kept as it is (control characters, quote
// and backslash escaped); a name that is not valid UTF-8 gives each byte
// above 0x7f as the code point of the same value.
void AppendJsonString(const char* text, size_t n, StrBuf* out) {
  CharSetUTF8Valid validator;
  const char* pos;
  bool utf8 = validator.Valid(text, static_cast<int>(n), &pos) == 1;
  static const char kHex[] = "0123456789abcdef";
  out->AppendChar('"');
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out->AppendChar('\\');
      out->AppendChar(static_cast<char>(c));
    } else if (c < 0x20 || c == 0x7f || (c >= 0x80 && !utf8)) {
      char esc[7] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15], 0};
      out->Append(esc, 6);
    } else {
      out->AppendChar(static_cast<char>(c));
    }
  }
  out->AppendChar('"');
}

namespace {

void AppendJsonString(const std::string& s, StrBuf* out) { AppendJsonString(s.data(), s.size(), out); }
void AppendJsonString(const StrPtr& s, StrBuf* out) { AppendJsonString(s.Text(), s.Length(), out); }

}  // namespace

void AppendCsvField(const char* text, size_t n, StrBuf* out) {
  bool quote = false;
  for (size_t i = 0; i < n && !quote; ++i)
    quote = text[i] == ',' || text[i] == '"' || text[i] == '\n' || text[i] == '\r';
  if (!quote) {
    out->Append(text, static_cast<uint32_t>(n));
    return;
  }
  out->AppendChar('"');
  for (size_t i = 0; i < n; ++i) {
    if (text[i] == '"') out->AppendChar('"');
    out->AppendChar(text[i]);
  }
  out->AppendChar('"');
}

namespace {

void AppendCsvField(const std::string& s, StrBuf* out) { AppendCsvField(s.data(), s.size(), out); }
void AppendCsvField(const StrPtr& s, StrBuf* out) { AppendCsvField(s.Text(), s.Length(), out); }

// What the summary at the top of a report counts.
struct ReportSummary {
  int64_t conflicts = 0;
  // Conflicts whose spellings other than the proposed one were each seen
  // once: most likely stray spellings, safe to map to the proposal.
  int64_t othersSeenOnce = 0;
  // Conflicts whose head revision uses a spelling less frequent than the
  // most frequent one: the proposal and the head revision disagree.
  int64_t headNotMostFrequent = 0;
  // Conflicts whose spelling in the archive tree differs from the proposal
  // (only when the archive root is known).
  int64_t diskDiffers = 0;
};

// Rows and objects of the path conflicts, in the conflict map's order.
class ReportWalker : public ConflictVisitor {
 public:
  // disk (not owned) finds the archive tree's spellings; null when the
  // archive root is not known.
  ReportWalker(const PathTree& tree, bool head, ReportFormat format, DiskSpelling* disk, StrBuf* out)
      : ConflictVisitor(head), tree_(tree), format_(format), disk_(disk), out_(out) {}

  const ReportSummary& summary() const { return summary_; }

 private:
  void Count(const DirEntry* entry, int chosen) {
    ++summary_.conflicts;
    bool once = true;
    for (int i = 0; i < entry->NumAliases() && once; ++i)
      once = i == chosen || entry->AliasCount(i) == 1;
    if (once) ++summary_.othersSeenOnce;
    int head = entry->HeadAlias() < entry->NumAliases() ? entry->HeadAlias() : 0;
    if (entry->AliasCount(head) < entry->MaxCount()) ++summary_.headNotMostFrequent;
  }

  void Conflict(const DirEntry* entry, const StrBuf& path) override {
    const int chosen = Chosen(entry) < entry->NumAliases() ? Chosen(entry) : 0;
    StrPtr proposed = entry->AliasVariant(chosen);
    // The spelling of the head revision (the one -p head proposes).
    StrPtr head = entry->AliasVariant(entry->HeadAlias() < entry->NumAliases() ? entry->HeadAlias() : 0);
    Count(entry, chosen);
    std::string disk = disk_ ? disk_->Find(path) : std::string();
    if (!disk.empty() && !proposed.EqualExact(StrPtr(disk.c_str()))) ++summary_.diskDiffers;
    if (format_ == ReportFormat::kCsv) {
      for (int i = 0; i < entry->NumAliases(); ++i) {
        out_->Append("path,");
        AppendCsvField(path, out_);
        out_->AppendChar(',');
        AppendCsvField(entry->AliasVariant(i), out_);
        out_->AppendChar(',');
        out_->AppendInt(entry->AliasCount(i));
        out_->AppendChar(',');
        AppendCsvField(proposed, out_);
        out_->AppendChar(',');
        tree_.TableNames(entry->AliasTables(i), &tables_);
        std::string joined;
        for (const std::string& t : tables_) joined += (joined.empty() ? "" : " ") + t;
        AppendCsvField(joined, out_);
        out_->AppendChar(',');
        AppendCsvField(head, out_);
        out_->AppendChar(',');
        AppendCsvField(disk, out_);
        out_->Append("\r\n");
      }
      return;
    }
    out_->Append(first_ ? "\n    {\"path\": " : ",\n    {\"path\": ");
    first_ = false;
    AppendJsonString(path, out_);
    out_->Append(", \"usedAs\": [");
    bool file = entry->Usage() & DirEntry::kUsedAsFile;
    if (file) out_->Append("\"file\"");
    if (entry->Usage() & DirEntry::kUsedAsDir) out_->Append(file ? ", \"directory\"" : "\"directory\"");
    out_->Append("], \"proposed\": ");
    AppendJsonString(proposed, out_);
    out_->Append(", \"head\": ");
    AppendJsonString(head, out_);
    if (disk_) {
      // null: not found on disk; several spellings are separated by spaces.
      out_->Append(", \"disk\": ");
      if (disk.empty()) out_->Append("null");
      else AppendJsonString(disk, out_);
    }
    out_->Append(", \"spellings\": [");
    for (int i = 0; i < entry->NumAliases(); ++i) {
      out_->Append(i ? ",\n      {\"spelling\": " : "\n      {\"spelling\": ");
      AppendJsonString(entry->AliasVariant(i), out_);
      out_->Append(", \"count\": ");
      out_->AppendInt(entry->AliasCount(i));
      out_->Append(", \"tables\": [");
      tree_.TableNames(entry->AliasTables(i), &tables_);
      for (size_t t = 0; t < tables_.size(); ++t) {
        if (t) out_->Append(", ");
        AppendJsonString(tables_[t], out_);
      }
      out_->Append("]}");
    }
    out_->Append("]}");
  }

  const PathTree& tree_;
  ReportFormat format_;
  DiskSpelling* disk_;
  StrBuf* out_;
  ReportSummary summary_;
  bool first_ = true;
  std::vector<std::string> tables_;
};

}  // namespace

ReportFormat ReportFormatOf(const char* name) {
  size_t n = strlen(name);
  if (n > 5 && strcasecmp(name + n - 5, ".json") == 0) return ReportFormat::kJson;
  if (n > 4 && strcasecmp(name + n - 4, ".csv") == 0) return ReportFormat::kCsv;
  return ReportFormat::kNone;
}

void FormatConflictReport(const ReportSource& source, ReportFormat format, StrBuf* out) {
  bool csv = format == ReportFormat::kCsv;
  // The conflicts are walked first, so that their summary can head the
  // report.
  StrBuf paths;
  std::unique_ptr<DiskSpelling> disk;
  if (!source.serverRoot.IsEmpty())
    disk = std::make_unique<DiskSpelling>(source.serverRoot, source.depotMap);
  ReportWalker walker(*source.pathTree, source.head, format, disk.get(), &paths);
  source.pathTree->Walk(&walker);
  const ReportSummary& sum = walker.summary();
  const std::pair<const char*, int64_t> counts[] = {{"conflicts", sum.conflicts},
                                                    {"othersSeenOnce", sum.othersSeenOnce},
                                                    {"headNotMostFrequent", sum.headNotMostFrequent},
                                                    {"diskDiffers", sum.diskDiffers}};
  const int shown = disk ? 4 : 3;  // the disk count only when the root is known
  if (csv) {
    out->Append("kind,name,spelling,count,proposed,tables,head,disk\r\n");
    for (int i = 0; i < shown; ++i) {
      const auto& [name, n] = counts[i];
      out->Append("summary,");
      out->Append(name);
      out->Append(",,");
      out->AppendInt(n);
      out->Append(",,,,\r\n");
    }
  } else {
    out->Append("{\n  \"checkpoint\": ");
    AppendJsonString(source.checkpoint, out);
    out->Append(",\n  \"summary\": {");
    for (int i = 0; i < shown; ++i) {
      const auto& [name, n] = counts[i];
      out->Append(name == counts[0].first ? "\"" : ", \"");
      out->Append(name);
      out->Append("\": ");
      out->AppendInt(n);
    }
    out->Append("},\n  \"pathConflicts\": [");
  }
  out->Append(paths);
  if (!csv) out->Append(out->EndsWith("[", 1) ? "],\n  \"nameInconsistencies\": [" : "\n  ],\n  \"nameInconsistencies\": [");

  bool firstName = true;
  for (const NameFixes::Name* name : source.nameFixes->Names()) {
    if (csv) {
      for (const auto& [spelling, count] : name->others) {
        AppendCsvField(name->kind, out);
        out->AppendChar(',');
        AppendCsvField(name->defined, out);
        out->AppendChar(',');
        AppendCsvField(spelling, out);
        out->AppendChar(',');
        out->AppendInt(count);
        out->AppendChar(',');
        AppendCsvField(name->defined, out);
        out->Append(",,,\r\n");
      }
      continue;
    }
    out->Append(firstName ? "\n    {\"kind\": " : ",\n    {\"kind\": ");
    firstName = false;
    AppendJsonString(name->kind, out);
    out->Append(", \"defined\": ");
    AppendJsonString(name->defined, out);
    out->Append(", \"others\": [");
    bool firstOther = true;
    for (const auto& [spelling, count] : name->others) {
      out->Append(firstOther ? "\n      {\"spelling\": " : ",\n      {\"spelling\": ");
      firstOther = false;
      AppendJsonString(spelling, out);
      out->Append(", \"count\": ");
      out->AppendInt(count);
      out->AppendChar('}');
    }
    out->Append("]}");
  }
  if (!csv) out->Append(firstName ? "]\n}\n" : "\n  ]\n}\n");
}

void WriteText(FileSys* file, const StrBuf& text, Error* e) {
  // Written in pieces an int length can hold.
  const uint32_t kPiece = 1u << 30;
  for (uint32_t done = 0; !e->Test() && done < text.Length();) {
    uint32_t n = text.Length() - done < kPiece ? text.Length() - done : kPiece;
    file->Write(text.Text() + done, static_cast<int>(n), e);
    done += n;
  }
}

void WriteConflictReport(const ReportSource& source, ReportFormat format, FileSys* file,
                         Error* e) {
  StrBuf text;
  FormatConflictReport(source, format, &text);
  file->Open(kOpenWrite, e);
  WriteText(file, text, e);
  if (!e->Test()) file->Close(e);
}
