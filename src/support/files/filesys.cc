// The operations of FileSys written once on top of the others: names,
// lines, digests, temporary names, directory walks, and the process-wide
// list of live file objects.
#include "support/files/filesys.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>

#include "support/files/digest.h"
#include "support/files/file_io.h"
#include "support/files/files_messages.h"
#include "support/files/path_sys.h"
#include "support/files/posix/os_file.h"
#include "support/messages/debug.h"
#include "support/text/charset.h"

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
      modTime(0),
      preallocate(0),
      type(0),
      digest(nullptr),
      hint(0),
      handler(nullptr),
      pathFlags(0),
      deleteOnClose(false),
      atomicReplace(false),
      keepCwd(false),
      nameCharset(CharSetApi::Current()),
      contentCharset(CharSetApi::Current()),
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

void FileSys::CheckPath(const StrPtr& name) {
  (void)name;
  // Names go to the system as bytes: no long-name or wide-name forms.
  pathFlags = 0;
}

void FileSys::SetPath(const StrPtr& name) {
  if (!(name.Length() && name.Text()[0] == '-')) CheckPath(name);
  if (name.Text() == path.Text()) return;
  path.Set(name);
  if (deleteOnClose) SetDeleteOnClose(true);
}

void FileSys::SetPathChecked(const StrPtr& name, Error* e) {
  SetPath(name);
  if (pathFlags == 0 && path.Length() > PATH_MAX) {
    e->Set(kMsgPathTooLong) << path << static_cast<int>(path.Length()) << PATH_MAX;
  }
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

int64_t FileSys::DigestMD5(StrBuf* out, Error* e) {
  FileDigest md5("MD5");
  Open(FOM_READ, e);
  if (e->Test()) return 0;
  int size = GetLevel(ZT_FILESYS_BUFSIZE);
  std::unique_ptr<char[]> buf(new char[size]);
  int64_t total = 0;
  for (;;) {
    int n = Read(buf.get(), size, e);
    if (n <= 0 || e->Test()) break;
    if (out) md5.Update(buf.get(), n);
    total += n;
  }
  Error closeErr;
  Close(e->Test() ? &closeErr : e);
  if (out) md5.Final(out);
  return total;
}

namespace {

// Feeds every byte of the file to d, opening it for reading and closing it
// again; false when it could not be opened.
bool HashContent(FileSys* f, FileDigest* d, Error* e) {
  f->Open(FOM_READ, e);
  if (e->Test()) return false;
  char buf[4096];
  for (;;) {
    int n = f->Read(buf, sizeof(buf), e);
    if (n <= 0 || e->Test()) break;
    d->Update(buf, n);
  }
  Error ignored;
  f->Close(&ignored);
  return true;
}

// The blob form's header: "blob <size>" and its zero byte.
void HashBlobHeader(FileDigest* d, int64_t size) {
  char head[40];
  int n = snprintf(head, sizeof(head), "blob %lld", static_cast<long long>(size));
  d->Update(head, n + 1);
}

// SHA-1 of the blob form, its size found by reading so that it matches
// what is hashed; a link's target (the first piece, without a final line
// end) stands for its content.
void DigestGitBlob(FileSys* f, bool isLink, StrBuf* out, Error* e) {
  const int kPiece = 4096;
  char buf[kPiece];
  f->Open(FOM_READ, e);
  if (e->Test()) return;
  int64_t count = 0;
  int first = 0;
  for (;;) {
    int n = f->Read(buf, kPiece, e);
    if (n <= 0 || e->Test()) break;
    if (count == 0) first = n;
    count += n;
    if (isLink) break;  // a link's target fits in the first piece
  }
  Error ignored;
  f->Close(&ignored);
  if (e->Test()) return;
  if (isLink && first > 0 && buf[first - 1] == '\n') {
    --first;
    --count;
  }
  FileDigest sha("SHA1");
  HashBlobHeader(&sha, count);
  if (isLink) {
    sha.Update(buf, first);
  } else if (!HashContent(f, &sha, e) || e->Test()) {
    return;
  }
  sha.Final(out);
}

}  // namespace

void FileSys::Digest(int kind, StrBuf* out, Error* e) {
  switch (kind) {
    case FDK_MD5:
      DigestMD5(out, e);
      return;
    case FDK_GITBLOB:
      DigestGitBlob(this, (type & FST_MASK) == FST_SYMLINK, out, e);
      return;
    case FDK_GITBLOB_SIZE: {
      FileDigest sha("SHA1");
      HashBlobHeader(&sha, GetSize());
      HashContent(this, &sha, e);
      sha.Final(out);
      return;
    }
    case FDK_SHA256: {
      FileDigest sha("SHA256");
      HashContent(this, &sha, e);
      if (!e->Test()) sha.Final(out);
      return;
    }
    default:
      return;
  }
}

void FileSys::MakeTemp(const StrPtr& name) {
  static thread_local uint32_t counter = 0;
  PathSys dir(name);
  dir.StripLastComponent();
  int attempts = GetLevel(ZT_FILESYS_MAKETMP);
  int range = GetLevel(ZT_FILESYS_MAXTMP);
  if (attempts < 1) attempts = 1;
  if (range < 1) range = 1;
  for (int i = 0; i < attempts; ++i) {
    counter = (counter + 1 + OsRandom() % 100) % static_cast<uint32_t>(range);
    char leaf[80];
    snprintf(leaf, sizeof(leaf), "t%dt%dt%u.tmp", OsProcessId(), OsThreadId(), counter);
    PathSys p;
    p.JoinLocal(dir, StrPtr(leaf));
    SetPath(p);
    int st = Stat();
    if (!(st & (FSF_EXISTS | FSF_SYMLINK))) break;
  }
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
  PathSys p(name);
  StrBuf cwd;
  if (keepCwd) {
    int err = OsGetCwd(&cwd);
    if (err) {
      FileIO::SetOsError(e, "getcwd", name, err);
      return;
    }
  }
  while (p.StripLastComponent() && !p.IsEmpty()) {
    if (p.Length() == 1 && p.Text()[0] == '/') break;
    if (keepCwd) {
      PathSys abs;
      abs.JoinLocal(cwd, p);
      if (abs.EqualExact(cwd)) break;
    }
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

void FileSys::RemoveTree(const StrPtr& name, Error* e) {
  OsStatus st;
  StrBuf dir(name);
  OsStat(dir.Text(), &st);
  if (!st.exists) return;
  StrVarArray names;
  OsListDir(dir.Text(), &names);
  for (int i = 0; i < names.Count(); ++i) {
    PathSys child;
    child.JoinLocal(dir, *names.At(i));
    OsStatus cst;
    OsStat(child.Text(), &cst);
    if (cst.isDir && !cst.isLink) {
      RemoveTree(child, e);
    } else {
      std::unique_ptr<FileSys> f = FileSys::Create(FST_BINARY);
      f->SetPath(child);
      f->Unlink(e);
    }
    if (e->Test()) return;
  }
  OsChmod(dir.Text(), 0700);
  int err = OsRmDir(dir.Text());
  if (err) {
    FileIO::SetOsError(e, "rmdir", dir, err);
  }
}
