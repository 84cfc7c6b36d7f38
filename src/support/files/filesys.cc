// The operations of FileSys written once on top of the others: names,
// lines, directory walks, and the process-wide list of live file objects.
#include "support/files/filesys.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>

#include "support/files/file_io.h"
#include "support/files/files_messages.h"
#include "support/files/path_sys.h"
#include "support/files/posix/os_file.h"

// Constant-initialised, so that it is ready before any file object.
Mutex FileSys::liveLock;
FileSys* FileSys::liveHead = nullptr;

// The list of live file objects, walked by the interrupt handler.
class FileSysRegistry {
 public:
  static void Add(FileSys* f) {
    MutexLock lock(&FileSys::liveLock);
    f->prevLive = nullptr;
    f->nextLive = FileSys::liveHead;
    if (FileSys::liveHead) FileSys::liveHead->prevLive = f;
    FileSys::liveHead = f;
  }
  static void Remove(FileSys* f) {
    MutexLock lock(&FileSys::liveLock);
    if (f->prevLive) f->prevLive->nextLive = f->nextLive;
    else FileSys::liveHead = f->nextLive;
    if (f->nextLive) f->nextLive->prevLive = f->prevLive;
    f->prevLive = f->nextLive = nullptr;
  }
  static void SetMarked(FileSys* f, const StrPtr* name) {
    MutexLock lock(&FileSys::liveLock);
    if (name) f->markedPath.Set(*name);
    else f->markedPath.Clear();
  }
  static void UnlinkAllMarked() {
    MutexLock lock(&FileSys::liveLock);
    for (FileSys* f = FileSys::liveHead; f; f = f->nextLive)
      if (!f->markedPath.IsEmpty()) OsUnlink(f->markedPath.Text());
  }
};

FileSys::FileSys()
    : mode(0),
      perms(0),
      type(0),
      deleteOnClose(false),
      atomicReplace(false),
      threads(2),
      prevLive(nullptr),
      nextLive(nullptr) {
  FileSysRegistry::Add(this);
}

FileSys::~FileSys() { FileSysRegistry::Remove(this); }

void FileSys::UnlinkAllMarked() { FileSysRegistry::UnlinkAllMarked(); }

void FileSys::SetDeleteOnClose(bool on) {
  deleteOnClose = on;
  FileSysRegistry::SetMarked(this, on && !path.IsEmpty() ? &path : nullptr);
}

void FileSys::SetPath(const StrPtr& name) {
  if (name.Text() == path.Text()) return;
  path.Set(name);
  if (deleteOnClose) SetDeleteOnClose(true);
}

int FileSys::ReadLine(StrBuf* line, Error* e) {
  line->Clear();
  char c;
  for (;;) {
    int n = Read(&c, 1, e);
    if (n < 0 || e->Test()) {
      line->NulTerminate();
      return 0;
    }
    if (n == 0) break;
    if (c == '\n') {
      line->NulTerminate();
      return 1;
    }
    if (line->Length() >= lineLimit) {
      e->Set(kMsgLineTooLong) << path << lineLimit;
      line->NulTerminate();
      return 0;
    }
    line->AppendUnterminated(&c, 1);
  }
  line->NulTerminate();
  return line->Length() ? -1 : 0;
}

void FileSys::Cleanup() {
  Error ignored;
  // An atomic file that never took its name is thrown away: no need to
  // flush it to the disk first.
  if (deleteOnClose) finalPath.Clear();
  Close(&ignored);
  if (deleteOnClose) {
    // Only once: a later Cleanup must not remove a file made since.
    SetDeleteOnClose(false);
    Unlink(nullptr);
  }
}

std::unique_ptr<StrVarArray> FileSys::ScanDir(Error* e) {
  auto names = std::make_unique<StrVarArray>();
  // A directory that cannot be listed gives an empty list and the reason.
  if (int err = OsListDir(path.Text(), names.get())) {
    names->ClearStrings();
    FileIO::SetOsError(e, "list directory", path, err);
  }
  return names;
}

void FileSys::MkDir(const StrPtr& name, Error* e) {
  if (name.Length() > PATH_MAX) {
    e->Set(kMsgPathTooLong) << name << static_cast<int>(name.Length()) << PATH_MAX;
    return;
  }
  PathSys parent(name);
  if (!parent.StripLastComponent() || parent.IsEmpty()) return;
  // Walk up to the first ancestor that exists, then create downwards; no
  // recursion, so a deep name cannot exhaust the stack.
  StrVarArray missing;
  PathSys p(parent);
  for (;;) {
    OsStatus st;
    OsStat(p.Text(), &st);
    if (st.exists) break;
    missing.Append(p);
    if (!p.StripLastComponent() || p.IsEmpty()) break;
  }
  for (int i = missing.Count() - 1; i >= 0; --i) {
    const StrBuf* dir = missing.At(i);
    int err = OsMkDir(dir->Text());
    if (err && err != EEXIST) {
      FileIO::SetOsError(e, "mkdir", *dir, err);
      return;
    }
  }
}

void FileSys::RmDir(const StrPtr& name, Error* e) {
  (void)e;  // the walk stops at the first directory it cannot remove
  PathSys p(name);
  while (p.StripLastComponent() && !p.IsEmpty()) {
    if (p.Length() == 1 && p.Text()[0] == '/') break;
    if (stopDir.Length() && p.EqualExact(stopDir)) break;
    if (OsIsLink(p.Text()) || OsIsMountPoint(p.Text())) break;
    int err = OsRmDir(p.Text());
    if (err == ENOTEMPTY || err == EEXIST) {
      // A directory holding nothing but the Finder's ".DS_Store" counts as
      // empty.
      StrVarArray names;
      if (OsListDir(p.Text(), &names) == 0 && names.Count() == 1 &&
          strcmp(names.At(0)->Text(), ".DS_Store") == 0) {
        PathSys ds;
        ds.JoinLocal(p, StrPtr(".DS_Store"));
        OsUnlink(ds.Text());
        err = OsRmDir(p.Text());
      }
    }
    if (err) break;
  }
}
