#include "migrate/rename/undo_journal.h"

#include <cstring>
#include <utility>

#include "migrate/rename/archive_locations.h"
#include "migrate/rename/rename_messages.h"
#include "support/files/posix/os_file.h"
#include "support/files/posix/os_move.h"
#include "support/text/charset.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// Length of the well-formed UTF-8 sequence at p (at most n bytes), or 0.
size_t Utf8Length(const unsigned char* p, size_t n) {
  unsigned char c = p[0];
  size_t len;
  uint32_t min;
  if (c >= 0xC2 && c <= 0xDF) { len = 2; min = 0x80; }
  else if (c >= 0xE0 && c <= 0xEF) { len = 3; min = 0x800; }
  else if (c >= 0xF0 && c <= 0xF4) { len = 4; min = 0x10000; }
  else return 0;
  if (len > n) return 0;
  uint32_t cp = c & (0x7F >> len);
  for (size_t i = 1; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

const char kHeader[] = "# ztmigrate undo journal";

// A location's number as written: plain decimal digits.
bool ParseLocation(std::string_view text, int* out) {
  if (text.empty() || text.size() > 6) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *out = v;
  return true;
}

void SetOsError(const MessageId& id, const StrPtr& file, int err, Error* e) {
  StrBuf text;
  SysErrorText(err, &text);
  e->Set(id) << file << text;
}

}  // namespace

void EscapeJournalName(const StrPtr& name, bool lineStart, std::string* out) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(name.Text());
  const size_t n = name.Length();
  for (size_t i = 0; i < n;) {
    unsigned char c = p[i];
    if (c == '\\') { out->append("\\\\"); ++i; continue; }
    if (c == '\t') { out->append("\\t"); ++i; continue; }
    if (c == '\n') { out->append("\\n"); ++i; continue; }
    bool plain = c >= 0x20 && c < 0x7F && !(c == '#' && i == 0 && lineStart);
    if (plain) { out->push_back(static_cast<char>(c)); ++i; continue; }
    if (c >= 0x80) {
      if (size_t len = Utf8Length(p + i, n - i)) {
        out->append(reinterpret_cast<const char*>(p + i), len);
        i += len;
        continue;
      }
    }
    out->append("\\x");
    out->push_back(kHexDigits[c >> 4]);
    out->push_back(kHexDigits[c & 0xF]);
    ++i;
  }
}

bool UnescapeJournalName(std::string_view text, std::string* out) {
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\t' || c == '\n') return false;
    if (c != '\\') { out->push_back(c); continue; }
    if (++i >= text.size()) return false;
    switch (text[i]) {
      case '\\': out->push_back('\\'); break;
      case 't': out->push_back('\t'); break;
      case 'n': out->push_back('\n'); break;
      case 'x': {
        if (i + 2 >= text.size()) return false;
        int hi = HexValue(text[i + 1]), lo = HexValue(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out->push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        break;
      }
      default: return false;
    }
  }
  return true;
}

UndoJournalWriter::UndoJournalWriter() = default;

UndoJournalWriter::~UndoJournalWriter() {
  Error ignored;
  if (handle_) Close(&ignored);
}

void UndoJournalWriter::Create(const StrPtr& path, ArchiveLocations* locations, Error* e) {
  path_.Set(path);
  // It lists every archive path: for the administrator's eyes only.
  int err = OsOpen(path_.Text(), OSF_WRITE | OSF_CREATE | OSF_EXCL | OSF_APPEND, 0600, &handle_);
  if (err) {
    SetOsError(kMsgJournalFailed, path_, err, e);
    return;
  }
  pending_ = std::string(kHeader) +
             ": moves of archive files, oldest first.\n"
             "# Put every archive back with: ztmigrate --undo <this file>\n"
             "#root\t";
  EscapeJournalName(locations->Name(0), false, &pending_);
  pending_.push_back('\n');
  std::string before = PredecessorJournal(std::string(path_.View()),
                                          std::string(locations->Name(0).View()));
  if (!before.empty()) {
    pending_.append("#follows\t");
    EscapeJournalName(StrPtr(before.data(), static_cast<uint32_t>(before.size())), false,
                      &pending_);
    pending_.push_back('\n');
  }
  for (int i = 1; i < locations->Count(); ++i) {
    pending_.append("#location\t" + std::to_string(i) + "\t");
    EscapeJournalName(locations->Name(i), false, &pending_);
    pending_.push_back('\n');
  }
  for (int i = 0; i < locations->Count(); ++i) {
    for (const std::string& top : locations->DepotTops(i)) {
      pending_.append("#depot\t" + std::to_string(i) + "\t");
      EscapeJournalName(StrPtr(top.data(), static_cast<uint32_t>(top.size())), false, &pending_);
      pending_.push_back('\n');
    }
  }
  Sync(e);
  if (e->Test()) return;
  // The journal's own directory entry must survive a crash as well.
  std::string dir(path_.View());
  size_t slash = dir.rfind('/');
  dir = slash == std::string::npos ? "." : slash == 0 ? "/" : dir.substr(0, slash);
  if ((err = OsSyncDir(dir.c_str())) != 0) SetOsError(kMsgJournalFailed, path_, err, e);
}

void UndoJournalWriter::Field(const StrPtr& name, bool lineStart) {
  EscapeJournalName(name, lineStart, &pending_);
}

void UndoJournalWriter::EndStep(int location) {
  if (location) pending_.append("\t" + std::to_string(location));
  pending_.push_back('\n');
}

void UndoJournalWriter::AddMove(const StrPtr& from, const StrPtr& to, int location) {
  Field(from, true);
  pending_.push_back('\t');
  Field(to, false);
  EndStep(location);
}

void UndoJournalWriter::AddMkDir(const StrPtr& dir, int location) {
  pending_.append("#mkdir\t");
  Field(dir, false);
  EndStep(location);
}

void UndoJournalWriter::AddRmDir(const StrPtr& dir, int location) {
  pending_.append("#rmdir\t");
  Field(dir, false);
  EndStep(location);
}

void UndoJournalWriter::AddNotMoved(const StrPtr& from, const StrPtr& to, int location) {
  pending_.append("#not-moved\t");
  Field(from, false);
  pending_.push_back('\t');
  Field(to, false);
  EndStep(location);
}

void UndoJournalWriter::Finish(Error* e) {
  if (!handle_) return;
  pending_.append("#end\n");
  Close(e);
}

void UndoJournalWriter::Sync(Error* e) {
  if (!handle_) return;
  int err = 0;
  if (!pending_.empty())
    err = OsWrite(handle_.get(), pending_.data(), static_cast<int>(pending_.size()));
  pending_.clear();
  if (!err) err = OsSyncFd(handle_->osHandle);
  if (err) SetOsError(kMsgJournalFailed, path_, err, e);
}

void UndoJournalWriter::Close(Error* e) {
  if (!handle_) return;
  Sync(e);
  int err = OsClose(handle_.get());
  handle_.reset();
  if (err) SetOsError(kMsgJournalFailed, path_, err, e);
}

void ReadUndoJournal(const StrPtr& path, UndoJournal* journal, Error* e) {
  StrBuf name(path);
  std::unique_ptr<FileHandle> h;
  int err = OsOpen(name.Text(), OSF_READ, 0, &h);
  std::string text;
  if (!err) {
    char buf[65536];
    int got;
    while ((err = OsRead(h.get(), buf, sizeof buf, &got)) == 0 && got > 0) text.append(buf, got);
    OsClose(h.get());
  }
  if (err) {
    SetOsError(kMsgJournalUnreadable, name, err, e);
    return;
  }
  // Nothing is trusted before the header: an empty file, or any other
  // file, is not a journal.
  if (text.compare(0, sizeof kHeader - 1, kHeader) != 0) {
    e->Set(kMsgJournalNotJournal) << name;
    return;
  }

  UndoJournal read;
  bool haveRoot = false;
  size_t pos = 0;
  int lineNo = 0;
  auto bad = [&]() { e->Set(kMsgJournalBadLine) << name << lineNo; };
  auto unsafe = [&]() { e->Set(kMsgJournalUnsafeName) << name << lineNo; };
  // A step's optional last field: the number of a location named above.
  auto location = [&](const std::vector<std::string_view>& fields, size_t plain, int* out) {
    *out = 0;
    if (fields.size() == plain) return true;
    if (fields.size() != plain + 1) return false;
    return ParseLocation(fields.back(), out) && *out >= 1 &&
           *out <= static_cast<int>(read.locations.size());
  };
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) break;  // a line cut off while it was written
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (line == "#undone") {
      read.undone = true;
      continue;
    }
    if (read.finished) return bad();  // nothing follows the closing line
    std::vector<std::string_view> fields;
    for (size_t at = 0;;) {
      size_t tab = line.find('\t', at);
      fields.push_back(line.substr(at, tab == std::string_view::npos ? tab : tab - at));
      if (tab == std::string_view::npos) break;
      at = tab + 1;
    }
    UndoStep step{UndoStep::kMove, std::string(), std::string(), 0};
    std::string_view word = line.empty() || line[0] != '#' ? std::string_view() : fields[0];
    if (line.size() >= 2 && line[0] == '#' && line[1] == ' ') continue;  // a comment
    if (word == "#end" && fields.size() == 1) {
      read.finished = true;
      continue;
    }
    if (word == "#root" && fields.size() == 2) {
      read.root.clear();
      if (haveRoot || !UnescapeJournalName(fields[1], &read.root)) return bad();
      if (read.root.empty() || read.root[0] != '/') return unsafe();
      haveRoot = true;
      continue;
    }
    if (!haveRoot) {
      e->Set(kMsgJournalNotJournal) << name;
      return;
    }
    if (word == "#follows" && fields.size() == 2) {
      if (!UnescapeJournalName(fields[1], &read.follows)) return bad();
      continue;
    }
    if (word == "#location" && fields.size() == 3) {
      std::string dir;
      int n;
      if (!ParseLocation(fields[1], &n) || n != static_cast<int>(read.locations.size()) + 1 ||
          !UnescapeJournalName(fields[2], &dir))
        return bad();
      if (dir.empty() || dir[0] != '/') return unsafe();
      read.locations.push_back(dir);
      continue;
    }
    if (word == "#depot" && fields.size() == 3) {
      std::string top;
      int n;
      if (!ParseLocation(fields[1], &n) || n > static_cast<int>(read.locations.size()) ||
          !UnescapeJournalName(fields[2], &top))
        return bad();
      if (!IsConfinedRelative(top)) return unsafe();
      read.depotTops.emplace_back(n, top);
      continue;
    }
    if (word == "#mkdir" || word == "#rmdir") {
      step.kind = word == "#mkdir" ? UndoStep::kMkDir : UndoStep::kRmDir;
      if (!location(fields, 2, &step.location) || !UnescapeJournalName(fields[1], &step.from))
        return bad();
    } else if (word == "#not-moved") {
      step.kind = UndoStep::kNotMoved;
      if (!location(fields, 3, &step.location) || !UnescapeJournalName(fields[1], &step.from) ||
          !UnescapeJournalName(fields[2], &step.to))
        return bad();
    } else if (!word.empty()) {
      return bad();
    } else {
      if (!location(fields, 2, &step.location) || !UnescapeJournalName(fields[0], &step.from) ||
          !UnescapeJournalName(fields[1], &step.to))
        return bad();
    }
    if (!IsConfinedRelative(step.from) || (step.kind != UndoStep::kMkDir &&
                                       step.kind != UndoStep::kRmDir && !IsConfinedRelative(step.to)))
      return unsafe();
    read.steps.push_back(std::move(step));
  }
  if (!haveRoot) {
    e->Set(kMsgJournalNotJournal) << name;
    return;
  }
  *journal = std::move(read);
}

namespace {

// What the chain needs of a journal: its root, the journal it follows,
// whether it was undone, and its time. False for a file that is not one.
struct JournalHead {
  std::string root;
  std::string follows;
  bool undone = false;
  int64_t time = 0;
};

bool ReadJournalHead(const std::string& path, JournalHead* head) {
  // Only regular files: a pipe or a device beside the journal is never
  // opened.
  OsStatus st;
  if (OsStat(path.c_str(), &st) != 0 || !st.isRegular || st.isLink) return false;
  head->time = st.modTime * 1000000000 + st.modTimeNs;
  std::unique_ptr<FileHandle> h;
  if (OsOpen(path.c_str(), OSF_READ, 0, &h) != 0) return false;
  std::string text(8192, '\0');
  int got = 0;
  bool ok = OsRead(h.get(), text.data(), static_cast<int>(text.size()), &got) == 0;
  text.resize(ok ? static_cast<size_t>(got) : 0);
  // The undone mark is the journal's last line.
  int64_t size = 0;
  char tail[9] = {0};
  if (ok && OsHandleSize(h.get(), &size) == 0 && size >= 8 && OsSeek(h.get(), size - 8) == 0) {
    int n = 0;
    OsRead(h.get(), tail, 8, &n);
  }
  OsClose(h.get());
  if (text.compare(0, sizeof kHeader - 1, kHeader) != 0) return false;
  head->undone = std::string_view(tail, 8) == "#undone\n";
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) break;
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    if (line.substr(0, 6) == "#root\t") UnescapeJournalName(line.substr(6), &head->root);
    else if (line.substr(0, 9) == "#follows\t") UnescapeJournalName(line.substr(9), &head->follows);
    else if (!line.empty() && line[0] != '#') break;
  }
  return !head->root.empty();
}

std::string DirectoryOfName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Every journal beside path (itself excluded), with its head.
void JournalsBeside(const std::string& path,
                    std::vector<std::pair<std::string, JournalHead>>* out) {
  const std::string dir = DirectoryOfName(path);
  StrVarArray names;
  if (OsListDir(dir.c_str(), &names) != 0) return;
  for (int i = 0; i < names.Count(); ++i) {
    std::string other = dir + (dir == "/" ? "" : "/") + std::string(names.At(i)->View());
    if (other == path) continue;
    JournalHead head;
    if (ReadJournalHead(other, &head)) out->emplace_back(other, head);
  }
}

}  // namespace

std::string PredecessorJournal(const std::string& journal, const std::string& root) {
  std::vector<std::pair<std::string, JournalHead>> all;
  JournalsBeside(journal, &all);
  std::string best;
  int64_t bestTime = 0;
  for (const auto& [name, head] : all) {
    if (head.root != root || head.undone) continue;
    if (best.empty() || head.time > bestTime) {
      best = name;
      bestTime = head.time;
    }
  }
  return best;
}

std::string SuccessorJournal(const std::string& journal) {
  std::vector<std::pair<std::string, JournalHead>> all;
  JournalsBeside(journal, &all);
  for (const auto& [name, head] : all)
    if (head.follows == journal && !head.undone) return name;
  return std::string();
}

void MarkJournalUndone(const StrPtr& path, Error* e) {
  StrBuf name(path);
  std::unique_ptr<FileHandle> h;
  int err = OsOpen(name.Text(), OSF_WRITE | OSF_APPEND, 0, &h);
  if (!err) {
    err = OsWrite(h.get(), "#undone\n", 8);
    if (!err) err = OsSyncFd(h->osHandle);
    int closing = OsClose(h.get());
    if (!err) err = closing;
  }
  if (err) SetOsError(kMsgJournalFailed, name, err, e);
}
