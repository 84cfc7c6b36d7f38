// The conflict map writer: turns the path tree into a translation map
// skeleton, one mapping from a conflicting component's chosen path to
// itself for each way the component is used (file line before directory
// line), and decides whether the checkpoint still holds inconsistencies.
//
// The tree is walked without recursion (PathTree::Walk keeps its own
// stack) by the ConflictVisitor that the conflict report shares.
#include <cstring>
#include <vector>

#include "migrate/conflict_map.h"

#include "map/translation_map.h"
#include "migrate/conflict_report.h"
#include "migrate/conflict_walk.h"
#include "migrate/dir_entry.h"
#include "migrate/path_tree.h"
#include "support/files/filesys.h"
#include "support/messages/debug.h"

namespace {

// True when the map reader would end an unquoted path inside p: it splits
// at any white space of the "C" locale.
bool NeedsQuotes(const StrPtr& p) {
  for (uint32_t i = 0; i < p.Length(); ++i) {
    switch (p[i]) {
      case ' ':
      case '\t':
      case '\n':
      case '\v':
      case '\f':
      case '\r':
        return true;
      default:
        break;
    }
  }
  return false;
}

class ConflictWalker : public ConflictVisitor {
 public:
  // out (not owned) receives the conflict lines; decisions (not owned, may
  // be null) is the map in use, whose directory spellings the lines keep.
  ConflictWalker(bool head, const TranslationMap* decisions, StrBuf* out)
      : ConflictVisitor(head), decisions_(decisions), out_(out) {}

  // Number of conflict lines emitted.
  int64_t lines() const { return lines_; }

 private:
  // One side of a line: the path, "/..." for a directory, quoted when the
  // path holds white space.
  void AppendSide(const StrBuf& path, bool dir, bool quote) {
    if (quote) out_->AppendChar('"');
    out_->Append(path);
    if (dir) out_->Append("/...", 4);
    if (quote) out_->AppendChar('"');
  }

  void Conflict(const DirEntry* entry, const StrBuf& path) override {
    if (entry->Usage() & DirEntry::kUsedAsFile) EmitLine(path, false);
    if (entry->Usage() & DirEntry::kUsedAsDir) EmitLine(path, true);
  }

  void EmitLine(const StrBuf& path, bool dir) {
    ++lines_;
    // A line never spells a directory against the map in use: accepted as
    // written, it would undo that decision for everything below it.
    const StrBuf* side = &path;
    if (decisions_) {
      spelt_.Set(path);
      if (decisions_->SpellDecided(&spelt_, dir)) side = &spelt_;
    }
    bool quote = NeedsQuotes(*side);
    AppendSide(*side, dir, quote);
    out_->AppendChar(' ');
    AppendSide(*side, dir, quote);
    out_->AppendChar('\n');
  }

  int64_t lines_ = 0;
  const TranslationMap* decisions_;
  StrBuf spelt_;
  StrBuf* out_;
};

}  // namespace

ConflictMapLines WriteConflictMap(const PathTree& tree, bool head,
                                  const TranslationMap* decisions, FileSys* out, Error* e) {
  ConflictMapLines lines;
  StrBuf text;
  ConflictWalker walker(head, decisions, &text);
  if (!tree.Walk(&walker)) return lines;
  lines.count = walker.lines();

  if (!out) return lines;
  DebugPrintf("Writing conflict map...\n");
  if (decisions) {
    // The trailer introduces the lines added below the map: without any,
    // the new map is the map in use, unchanged.
    decisions->WriteLines(out, e, !text.IsEmpty());
  } else {
    out->Write(TranslationMap::kHeader, static_cast<int>(strlen(TranslationMap::kHeader)), e);
  }
  if (!e->Test()) WriteText(out, text, e);
  // Closing here flushes the buffered tail, so a full disk shows as an
  // error of this run instead of being lost at destruction.
  if (!e->Test()) out->Close(e);
  return lines;
}

bool ConflictVisitor::Visit(const DirEntry* entry, int depth) {
  if (depth == 0) {
    path_.Set("/");
  } else {
    // Parents are visited before their children, so lengths_[depth - 1]
    // is the length of this entry's parent path.
    path_.SetLength(lengths_[static_cast<size_t>(depth - 1)]);
    path_.AppendChar('/');
    path_.Append(head_ ? entry->HeadVariant() : entry->MostCommonVariant());
  }
  if (lengths_.size() <= static_cast<size_t>(depth)) lengths_.resize(static_cast<size_t>(depth) + 1);
  lengths_[static_cast<size_t>(depth)] = path_.Length();
  if (depth > 0 && entry->NumAliases() > 1) Conflict(entry, path_);
  return true;
}
