// The conflict map writer: turns the path tree into a translation map
// skeleton, one mapping from a conflicting component's chosen path to
// itself for each way the component is used (file line before directory
// line), and decides whether the checkpoint still holds inconsistencies.
//
// The tree is walked without recursion (PathTree::Walk keeps its own
// stack); the visitor keeps the path of the entry being visited in one
// buffer, cut back to the parent's length at every step, so paths of any
// depth cost neither stack nor an allocation per entry.
#include <cstring>
#include <vector>

#include "map/translation_map.h"
#include "migrate/dir_entry.h"
#include "migrate/migrator.h"
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

class ConflictWalker : public PathTreeVisitor {
 public:
  // head: choose each entry's head alias instead of its most common one.
  // out (not owned) receives the conflict lines.
  ConflictWalker(bool head, StrBuf* out) : head_(head), out_(out) {}

  bool Visit(const DirEntry* entry, int depth) override {
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

    if (depth > 0 && entry->NumAliases() > 1) {
      if (entry->Usage() & DirEntry::kUsedAsFile) EmitLine(false);
      if (entry->Usage() & DirEntry::kUsedAsDir) EmitLine(true);
    }
    return true;
  }

 private:
  // One side of a line: the path, "/..." for a directory, quoted when the
  // path holds white space.
  void AppendSide(bool dir, bool quote) {
    if (quote) out_->AppendChar('"');
    out_->Append(path_);
    if (dir) out_->Append("/...", 4);
    if (quote) out_->AppendChar('"');
  }

  void EmitLine(bool dir) {
    bool quote = NeedsQuotes(path_);
    AppendSide(dir, quote);
    out_->AppendChar(' ');
    AppendSide(dir, quote);
    out_->AppendChar('\n');
  }

  bool head_;
  StrBuf* out_;
  StrBuf path_;
  std::vector<uint32_t> lengths_;
};

}  // namespace

void Migrator::WriteConflictMap(Error* e) {
  StrBuf text;
  ConflictWalker walker(policyKind == kPolicyHead, &text);
  if (!pathTree->Walk(&walker)) return;

  if (!text.IsEmpty()) ++conflictsRemain;

  if (!conflictMapFile) return;
  DebugPrintf("Writing conflict map...\n");
  if (translationMap) {
    translationMap->WriteLines(conflictMapFile.get(), e);
  } else {
    conflictMapFile->Write(TranslationMap::kHeader,
                           static_cast<int>(strlen(TranslationMap::kHeader)), e);
  }
  // Written in pieces an int length can hold.
  const uint32_t kPiece = 1u << 30;
  for (uint32_t done = 0; !e->Test() && done < text.Length();) {
    uint32_t n = text.Length() - done < kPiece ? text.Length() - done : kPiece;
    conflictMapFile->Write(text.Text() + done, static_cast<int>(n), e);
    done += n;
  }
  // Closing here flushes the buffered tail, so a full disk shows as an
  // error of this run instead of being lost at destruction.
  if (!e->Test()) conflictMapFile->Close(e);
}
