// DirectoryDecisions: the spelling a translation map gives each directory.
//
// A line whose left side is a directory spelt without wildcards followed by
// "/..." (//depot/Alpha/... //depot/alpha/...) decides how that directory is
// spelt; the last such line of a directory decides. A map is one decision
// per directory, not a list of independent lines: every other line below a
// decided directory takes the decided spelling for that directory's
// component, whatever its own right side says there, since a second
// spelling would split the directory in two on a case-sensitive server. The
// rest of such a line (the components below the decided directory, and
// those no line decides) stays as its author wrote it.
//
// Matching ignores ASCII case, so directories are keyed by their
// ASCII-lowered path.
#ifndef ZT_MAP_DIRECTORY_DECISIONS_H_
#define ZT_MAP_DIRECTORY_DECISIONS_H_

#include <string>
#include <string_view>
#include <unordered_map>

#include "support/text/strbuf.h"

class DirectoryDecisions {
 public:
  // What Apply did to one line.
  struct Change {
    bool changed = false;
    // The line spelt a decided directory differently on both of its sides
    // (an edit of its own, overruled by the directory's line).
    bool overruled = false;
    int decidedBy = 0;  // the line of the deepest decision applied
    std::string directory;  // that decision's spelling of its directory
  };

  // Registers the line as the decision of its directory when it is one: a
  // literal directory and "/..." on the left, the same directory spelt in
  // any case and "/..." on the right. A later decision of a directory
  // replaces an earlier one.
  void Add(const StrPtr& left, const StrPtr& right, int line);

  // Re-spells, in right, the components of decided directories that lie
  // above the line's own path (never the line's own last component, and
  // never a directory line's own directory). line is the line's number, so
  // that a decision does not apply to itself.
  Change Apply(const StrPtr& left, StrBuf* right, int line) const;

  // Re-spells the decided directories of path that lie above its last
  // component, and its last component too when ownDirectory is set (the
  // path names a directory whose own spelling is decided). For the lines a
  // run adds to a new conflict map. True when path changed.
  bool Spell(StrBuf* path, bool ownDirectory) const;

  bool Empty() const { return decisions_.empty(); }
  int Count() const { return static_cast<int>(decisions_.size()); }

 private:
  struct Decision {
    std::string spelling;  // the directory as the deciding line spells it
    int line;
  };
  // The decision of the directory whose lowered path is the first n bytes
  // of lowered, or null.
  const Decision* Find(const std::string& lowered, size_t n) const;

  std::unordered_map<std::string, Decision> decisions_;
  size_t longest_ = 0;  // length of the longest decided directory
  mutable std::string lowered_;  // scratch
  mutable std::string probe_;    // scratch
};

#endif  // ZT_MAP_DIRECTORY_DECISIONS_H_
