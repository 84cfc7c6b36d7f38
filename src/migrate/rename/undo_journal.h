// The undo journal of an archive rename: a text file of the moves made, in
// the order they were made, from which --undo puts every archive back.
//
// One line per step, fields separated by a tab:
//
//   # ztmigrate undo journal ...          a comment
//   #root<TAB>/srv/ztroot                 the directory the names are under
//   #mkdir<TAB>depot/main                 a directory the run made
//   depot/Main/a.c,v<TAB>depot/main/a.c,v a move (from, to)
//   #not-moved<TAB>from<TAB>to            a journalled move that failed
//   #rmdir<TAB>depot/Main                 an emptied directory it removed
//
// Names are escaped so that any byte survives: a backslash, tab, newline,
// other control bytes, bytes that are not UTF-8, and a "#" that would begin
// a line become backslash sequences ("\\", "\t", "\n", "\xHH").
#ifndef ZT_MIGRATE_RENAME_UNDO_JOURNAL_H_
#define ZT_MIGRATE_RENAME_UNDO_JOURNAL_H_

#include <memory>
#include <string>
#include <vector>

#include "support/messages/error.h"
#include "support/text/strbuf.h"

class FileHandle;

// Appends the escaped form of name to out. lineStart: a leading "#" is
// escaped too.
void EscapeJournalName(const StrPtr& name, bool lineStart, std::string* out);
// Appends the name that text escapes to out; false on a malformed escape.
bool UnescapeJournalName(std::string_view text, std::string* out);

class UndoJournalWriter {
 public:
  UndoJournalWriter();
  ~UndoJournalWriter();
  UndoJournalWriter(const UndoJournalWriter&) = delete;
  UndoJournalWriter& operator=(const UndoJournalWriter&) = delete;

  // Creates path, which must not exist yet, and writes the header naming
  // root (absolute) and forces it and its directory entry to disk.
  void Create(const StrPtr& path, const StrPtr& root, Error* e);
  bool IsOpen() const { return handle_ != nullptr; }
  const StrBuf& Path() const { return path_; }

  // Steps are buffered until the next Sync.
  void AddMove(const StrPtr& from, const StrPtr& to);
  void AddMkDir(const StrPtr& dir);
  void AddRmDir(const StrPtr& dir);
  void AddNotMoved(const StrPtr& from, const StrPtr& to);
  // Writes the buffered steps and forces them to disk.
  void Sync(Error* e);
  // Syncs and closes.
  void Close(Error* e);

 private:
  void Field(const StrPtr& name, bool lineStart);

  StrBuf path_;
  std::unique_ptr<FileHandle> handle_;
  std::string pending_;
};

// One step read back from a journal.
struct UndoStep {
  enum Kind { kMove, kMkDir, kRmDir, kNotMoved };
  Kind kind;
  std::string from;  // the directory of kMkDir and kRmDir
  std::string to;
};

// Reads a whole journal: its root and its steps in the order written. A
// line that cannot be read is an error naming the file and the line; a
// journal whose last line lacks its newline (the run was cut off while
// writing it) ends before that line.
void ReadUndoJournal(const StrPtr& path, std::string* root, std::vector<UndoStep>* steps,
                     Error* e);

#endif  // ZT_MIGRATE_RENAME_UNDO_JOURNAL_H_
