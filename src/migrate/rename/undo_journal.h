// The undo journal of an archive rename: a text file of the moves made, in
// the order they were made, from which --undo puts every archive back.
//
// One line per step, fields separated by a tab:
//
//   # ztmigrate undo journal ...          the header; "# " lines are comments
//   #root<TAB>/srv/ztroot                 the archive root (location 0)
//   #location<TAB>1<TAB>/data/archives    a further archive location
//   #depot<TAB>0<TAB>depot                a depot's top directory in a location
//   #mkdir<TAB>depot/main                 a directory the run made
//   depot/Main/a.c,v<TAB>depot/main/a.c,v a move (from, to)
//   #not-moved<TAB>from<TAB>to            a journalled move that failed
//   #rmdir<TAB>depot/Main                 an emptied directory it removed
//   #follows<TAB>/srv/ztmigrate-undo-...  the journal of the run before, on this root
//   #end                                  the run ended (also when interrupted)
//   #undone                               added once --undo took every move back
//
// Names are relative to a location: to the root, or, when a step ends with
// a further field holding a location's number, to that location. Reading a
// journal back treats it as an input: a name that is absolute or holds an
// empty, "." or ".." component refuses the whole journal.
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

class ArchiveLocations;
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

  // Creates path, which must not exist yet, with mode 0600, writes the
  // header naming the locations and their depot tops, and forces it and
  // its directory entry to disk.
  void Create(const StrPtr& path, ArchiveLocations* locations, Error* e);
  bool IsOpen() const { return handle_ != nullptr; }
  const StrBuf& Path() const { return path_; }

  // Steps are buffered until the next Sync.
  // Steps inside location (0, the root, by default).
  void AddMove(const StrPtr& from, const StrPtr& to, int location = 0);
  void AddMkDir(const StrPtr& dir, int location = 0);
  void AddRmDir(const StrPtr& dir, int location = 0);
  void AddNotMoved(const StrPtr& from, const StrPtr& to, int location = 0);
  // Writes the buffered steps and forces them to disk.
  void Sync(Error* e);
  // Writes the closing line, syncs and closes: the run ended.
  void Finish(Error* e);
  // Syncs and closes without the closing line.
  void Close(Error* e);

 private:
  void Field(const StrPtr& name, bool lineStart);
  void EndStep(int location);

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
  int location = 0;
};

// A journal read back.
struct UndoJournal {
  std::string root;
  std::string follows;  // the journal of the run before, or empty
  std::vector<std::string> locations;  // the further locations, from 1
  std::vector<std::pair<int, std::string>> depotTops;
  std::vector<UndoStep> steps;  // in the order written
  bool finished = false;        // the closing line was there
  bool undone = false;          // an undo took every move back
};

// The journal, beside journal (absolute) and for the same root, that the
// run writing journal follows: the newest one not yet undone; empty when
// there is none.
std::string PredecessorJournal(const std::string& journal, const std::string& root);
// A journal beside journal (absolute) that follows it and is not undone
// yet, or empty: journal must not be undone before it.
std::string SuccessorJournal(const std::string& journal);
// Marks a journal whose moves were all taken back.
void MarkJournalUndone(const StrPtr& path, Error* e);

// Reads a whole journal. A file without the header or the #root line, a
// line that cannot be read, and a name that could leave its location are
// errors naming the file (and the line); nothing is returned then. A journal
// whose last line lacks its newline (the run was cut off while writing it)
// ends before that line, and is not finished.
void ReadUndoJournal(const StrPtr& path, UndoJournal* journal, Error* e);

#endif  // ZT_MIGRATE_RENAME_UNDO_JOURNAL_H_
