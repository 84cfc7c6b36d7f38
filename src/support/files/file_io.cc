#include "support/files/file_io.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "support/files/digest.h"
#include "support/files/files_messages.h"
#include "support/files/handle_bytes.h"
#include "support/files/path_sys.h"
#include "support/files/posix/os_file.h"
#include "support/files/posix/os_move.h"
#include "support/messages/debug.h"
#include "support/text/charset.h"

const char* OpenModeName(int mode) {
  switch (mode) {
    case FOM_READ: return "open for read";
    case FOM_WRITE: return "open for write";
    case FOM_RW: return "open for read/write";
    default: return "open for untranslated write";
  }
}

void FileIO::SetOsError(Error* e, const char* op, const StrPtr& arg, int err) {
  if (!e) return;
  StrBuf text;
  SysErrorText(err, &text);
  e->Set(kMsgOsFail) << op << arg << text;
}

FileIO::FileIO() : isStdStream(false), position(0), lastOpenError(0) {
  OsUmask();  // read the creation mask once, before anything changes it
}

FileIO::~FileIO() {}

int FileIO::Stat() {
  OsStatus st;
  if (path.IsEmpty() || OsStat(path.Text(), &st) != 0 || !st.exists) return 0;
  int flags = FSF_EXISTS;
  if (st.isLink) flags |= FSF_SYMLINK;
  if (st.ownerWrite) flags |= FSF_WRITEABLE;
  if (st.ownerExec) flags |= FSF_EXECUTABLE;
  if (st.isDir) flags |= FSF_DIRECTORY;
  if (!st.isRegular) flags |= FSF_SPECIAL;
  if (st.size == 0) flags |= FSF_EMPTY;
  return flags;
}

int64_t FileIO::GetModTime() {
  OsStatus st;
  if (OsStat(path.Text(), &st) != 0 || !st.exists) return -1;
  return st.modTime;
}

int64_t FileIO::GetAccessTime() {
  OsStatus st;
  if (OsStat(path.Text(), &st) != 0 || !st.exists) return -1;
  return st.accessTime;
}

void FileIO::GetModTimeNs(int64_t* secs, int64_t* nsecs) {
  OsStatus st;
  if (OsStat(path.Text(), &st) != 0 || !st.exists) {
    *secs = -1;
    *nsecs = 0;
    return;
  }
  *secs = st.modTime;
  // Millisecond resolution, as the platform's times are kept.
  *nsecs = (st.modTimeNs / 1000000) * 1000000;
}

int FileIO::GetOwner() {
  OsStatus st;
  if (OsStat(path.Text(), &st) != 0 || !st.exists) return 0;
  return st.owner;
}

int64_t FileIO::GetSize() {
  OsStatus st;
  if (OsStat(path.Text(), &st) != 0 || !st.exists) return -1;
  return st.size;
}

bool FileIO::OpenWasRefused() { return lastOpenError == EEXIST || lastOpenError == EACCES; }

void FileIO::Truncate(int64_t size, Error* e) {
  int err = handle ? OsTruncate(handle.get(), size) : OsTruncateName(path.Text(), size);
  if (err) SetOsError(e, "truncate", path, err);
}

void FileIO::TruncateToZero(Error* e) { Truncate(0, e); }

void FileIO::Unlink(Error* e) { Unlink(e, true); }
void FileIO::UnlinkOnce(Error* e) { Unlink(e, false); }

void FileIO::Unlink(Error* e, bool retry) {
  if (path.IsEmpty()) return;
  // Removing a name needs no permission on the file itself here, so the
  // file's permissions are left alone (a link's target is never touched).
  int err = OsUnlink(path.Text());
  if (err && retry && (err == EACCES || err == EPERM || err == EBUSY)) {
    int attempts = GetLevel(ZT_SYS_RENAME_MAX);
    int wait = GetLevel(ZT_SYS_RENAME_WAIT);
    for (int i = 0; i < attempts && err; ++i) {
      OsSleepMs(wait);
      err = OsUnlink(path.Text());
    }
  }
  if (err && e && e->GetSeverity() < E_FAILED) SetOsError(e, "unlink", path, err);
}

int FileIO::PermBits(int code) const {
  int base = (type & FST_M_EXEC) ? 0700 : 0600;
  int bits;
  switch (code) {
    case FPM_RO:
    case FPM_ROO: bits = base & ~0200; break;
    case FPM_RW: bits = base; break;
    case FPM_RXO: bits = 0100; break;
    case FPM_RWO: bits = 0200; break;
    case FPM_RWXO: bits = 0300; break;
    default: bits = base; break;
  }
  return bits & ~OsUmask();
}

void FileIO::Chmod(int code, Error* e) {
  if (OsIsLink(path.Text())) return;
  int err = OsChmod(path.Text(), PermBits(code));
  if (err) SetOsError(e, "chmod", path, err);
}

void FileIO::StampModTime(Error* e) {
  if (modTime) SetModTime(modTime, e);
}

void FileIO::SetModTime(int64_t secs, Error* e) { SetModTimeNs(secs, 0, e); }

void FileIO::SetModTimeNs(int64_t secs, int64_t nsecs, Error* e) {
  int err = OsSetTimes(path.Text(), secs, nsecs);
  if (err) SetOsError(e, "utime", path, err);
}

int FileIO::RenamePrimitive(const StrPtr& from, const StrPtr& to, FileSys* target) {
  (void)target;
  StrBuf f(from), t(to);
  return OsRename(f.Text(), t.Text());
}

// A temporary name: base followed by a name of MakeTemp's pattern.
static void TempNameAfter(const StrPtr& base, StrBuf* out) {
  std::unique_ptr<FileSys> probe = FileSys::Create(FST_BINARY);
  for (int i = 0; i < 10; ++i) {
    probe->MakeTemp(StrPtr("x"));  // no directory: just the leaf
    out->Set(base);
    out->Append(probe->GetPath());
    OsStatus st;
    OsStat(out->Text(), &st);
    if (!st.exists && !OsIsLink(out->Text())) return;
  }
}

bool FileIO::RenameAside(StrBuf* temp, FileSys* target, Error* e) {
  TempNameAfter(path, temp);
  if (RenamePrimitive(path, *temp, target) != 0) {
    e->Set(kMsgRenameTemp) << path;
    return false;
  }
  Error mk;
  target->MkDir(target->GetPath(), &mk);
  if (mk.Test()) {
    // Put the source back where it was.
    RenamePrimitive(*temp, path, target);
    e->Set(kMsgRenameMkDir) << target->GetPath();
    return false;
  }
  return true;
}

bool FileIO::RenameIntoDir(StrBuf* temp, FileSys* target, Error* e) {
  // The target directory may hold nothing but the chain of single entries
  // that leads down to this file.
  PathSys dir(target->GetPath());
  for (;;) {
    StrVarArray names;
    if (OsListDir(dir.Text(), &names) != 0) {
      e->Set(kMsgRenameDirSearch) << dir;
      return false;
    }
    if (names.Count() != 1) {
      e->Set(kMsgRenameDirNotEmpty) << target->GetPath();
      return false;
    }
    PathSys child;
    child.JoinLocal(dir, *names.At(0));
    if (child.EqualExact(path)) break;
    OsStatus st;
    OsStat(child.Text(), &st);
    if (!st.isDir || st.isLink) {
      e->Set(kMsgRenameDirNotEmpty) << target->GetPath();
      return false;
    }
    dir.Set(child);
  }
  TempNameAfter(target->GetPath(), temp);
  if (RenamePrimitive(path, *temp, target) != 0) {
    e->Set(kMsgRenameTemp) << path;
    return false;
  }
  // Remove the emptied directories from the one above the old name up to
  // and including the target directory.
  PathSys p(path);
  while (p.StripLastComponent() && !p.IsEmpty()) {
    if (OsRmDir(p.Text()) != 0) {
      // Put the file back under its old name.
      Error ignored;
      MkDir(path, &ignored);
      RenamePrimitive(*temp, path, target);
      e->Set(kMsgRenameRmDir) << p;
      return false;
    }
    if (p.EqualExact(target->GetPath())) break;
  }
  return true;
}

// True when inner lies below outer ("outer/...").
static bool LiesInside(const StrPtr& inner, const StrPtr& outer) {
  return inner.Length() > outer.Length() && memcmp(inner.Text(), outer.Text(), outer.Length()) == 0 &&
         inner.Text()[outer.Length()] == '/';
}

void FileIO::Rename(FileSys* target, Error* e) {
  const StrBuf& to = target->GetPath();
  // The move replaces an existing different target in one step, so the
  // target is never removed beforehand, and a target that differs only in
  // case (on a case-insensitive file system, the source itself) is never
  // at risk. The file's permission bits travel with it unchanged.
  int err = RenamePrimitive(path, to, target);
  if (err && (LiesInside(to, path) || LiesInside(path, to))) {
    StrBuf temp;
    bool ok;
    if (LiesInside(to, path)) {
      ok = RenameAside(&temp, target, e);
    } else if (target->Stat() & FSF_DIRECTORY) {
      ok = RenameIntoDir(&temp, target, e);
    } else {
      e->Set(kMsgRenameDirNotEmpty) << to;
      ok = false;
    }
    if (!ok) return;
    err = RenamePrimitive(temp, to, target);
  }
  if (err) {
    int attempts = GetLevel(ZT_SYS_RENAME_MAX);
    int wait = GetLevel(ZT_SYS_RENAME_WAIT);
    for (int i = 0; i < attempts && err; ++i) {
      OsSleepMs(wait);
      err = RenamePrimitive(path, to, target);
    }
    if (err) {
      StrBuf arg("failed to rename ");
      arg.Append(to);
      arg.Append(" after ");
      arg.AppendInt(attempts);
      arg.Append(" attempts");
      SetOsError(e, "rename", arg, err);
      return;
    }
  }
  target->SetPerms(perms);
  SetDeleteOnClose(false);
}

// FileIOBinary.

FileIOBinary::~FileIOBinary() { Cleanup(); }

int FileIOBinary::OpenFlags(int m) const {
  switch (m) {
    case FOM_READ: return OSF_READ;
    case FOM_RW: return OSF_RDWR | OSF_CREATE;
    default: return OSF_WRITE | OSF_CREATE | OSF_TRUNC;
  }
}

void FileIOBinary::OpenHandle(int m, int flags, Error* e) {
  if ((type & FST_M_EXCL) && (flags & OSF_CREATE)) flags |= OSF_EXCL;
  int err = OsOpen(path.Text(), flags, 0600, &handle);
  if (err) {
    lastOpenError = err;
    SetOsError(e, OpenModeName(m), path, err);
    // An existing file that this object did not create is never removed
    // by it.
    if ((flags & OSF_CREATE) && (flags & OSF_EXCL)) SetDeleteOnClose(false);
  }
}

bool FileIOBinary::OpenTemporary(int m, Error* e) {
  OsStatus st;
  if (OsStat(path.Text(), &st) == 0 && st.exists && !st.isRegular) return false;
  PathSys dir(path);
  bool hasDir = dir.StripLastComponent() && !dir.IsEmpty();
  const char* slash = strrchr(path.Text(), '/');
  StrPtr leaf(slash ? slash + 1 : path.Text());
  // Room for the prefix and suffix within the longest leaf a file system
  // takes.
  uint32_t keep = leaf.Length() > 200 ? 200 : leaf.Length();
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  int err = EEXIST;
  StrBuf temp;
  for (int attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
    temp.Clear();
    if (hasDir) {
      temp.Append(dir);
      if (!dir.EndsWith("/", 1)) temp.AppendChar('/');
    }
    temp.AppendChar('.');
    temp.Append(leaf.Text(), keep);
    temp.Append(".ztmigrate-");
    for (int i = 0; i < 6; ++i) temp.AppendChar(kLetters[OsRandom() % (sizeof(kLetters) - 1)]);
    err = OsOpen(temp.Text(), OSF_WRITE | OSF_CREATE | OSF_EXCL, 0600, &handle);
  }
  if (err) {
    lastOpenError = err;
    SetOsError(e, OpenModeName(m), path, err);
    return true;
  }
  finalPath.Set(path);
  path.Set(temp);
  SetDeleteOnClose(true);
  return true;
}

void FileIO::Commit(Error* e) {
  if (finalPath.IsEmpty()) return;
  if (handle) {
    Close(e);
    if (e->GetSeverity() >= E_FAILED) return;
  }
  int err = keepExisting ? OsMoveNoReplace(path.Text(), finalPath.Text())
                         : OsRename(path.Text(), finalPath.Text());
  if (err) {
    // The temporary file stays marked and goes with the object.
    StrBuf arg(path);
    arg.Append(" to ");
    arg.Append(finalPath);
    SetOsError(e, "rename", arg, err);
    return;
  }
  path.Set(finalPath);
  finalPath.Clear();
  SetDeleteOnClose(false);
  // The new name is durable only once its directory is: a failed sync is
  // an error of the commit (the file has its name, but a crash could lose
  // it).
  PathSys dir(path);
  if (!dir.StripLastComponent() || dir.IsEmpty()) dir.Set(".");
  if (int syncErr = OsSyncDir(dir.Text())) SetOsError(e, "fsync", dir, syncErr);
}

void FileIOBinary::Open(int m, Error* e) {
  lastOpenError = 0;
  mode = m;
  isStdStream = false;
  position = 0;
  if (handle) {
    // Opening an open file starts over.
    Error ignored;
    Close(&ignored);
    mode = m;
  }
  if (path.Length() == 1 && path.Text()[0] == '-') {
    if (m == FOM_READ) {
      handle = OsWrapStd(0);
    } else {
      if (m == FOM_WRITE) fflush(stdout);
      handle = OsWrapStd(1);
    }
    isStdStream = true;
    return;
  }
  // An atomic write goes to a new temporary file; opened again before
  // Commit, it starts that temporary file over.
  bool freshTemporary = m == FOM_WRITE && atomicReplace && finalPath.IsEmpty();
  if (!(freshTemporary && OpenTemporary(m, e))) OpenHandle(m, OpenFlags(m), e);
  if (!handle) return;
  if (preallocate > 0) {
    if (OsSeek(handle.get(), preallocate - 1) == 0) OsWrite(handle.get(), "", 1);
    OsSeek(handle.get(), 0);
  }
}

void FileIOBinary::Write(const char* buf, int len, Error* e) { WriteBytes(buf, len, e); }

bool FileIOBinary::WriteBytes(const char* buf, int len, Error* e) {
  if (!handle) {
    SetOsError(e, "Write", path, EBADF);
    return false;
  }
  if (len <= 0) return true;
  int err = OsWrite(handle.get(), buf, len);
  if (err) {
    SetOsError(e, "write", FinalPath(), err);
    return false;
  }
  position += len;
  if (digest) digest->Update(buf, len);
  return true;
}

int FileIOBinary::Read(char* buf, int len, Error* e) {
  if (!handle) {
    SetOsError(e, "Read", path, EBADF);
    return -1;
  }
  int n = HandleSource::ReadHandle(handle.get(), path, buf, len, e);
  if (n < 0) return -1;
  position += n;
  if (digest && n > 0) digest->Update(buf, n);
  return n;
}

void FileIOBinary::Close(Error* e) {
  if (!handle) return;
  if (isStdStream) {
    handle.reset();  // the standard stream itself stays open
    return;
  }
  if (type & FST_M_HOOK) CloseHook(e, 0);
  // An atomic file is on the disk before it can take its name.
  if (!finalPath.IsEmpty()) {
    int syncErr = OsSync(handle.get());
    if (syncErr) SetOsError(e, "fsync", finalPath, syncErr);
  }
  int err = OsClose(handle.get());
  handle.reset();
  if (err) SetOsError(e, "close", FinalPath(), err);
  // Times and permissions belong to files this program writes; a device or
  // pipe written through (-o /dev/null, a link to /dev/full) keeps its own.
  if (mode == FOM_WRITE && !(Stat() & FSF_SPECIAL)) {
    if (modTime) StampModTime(e);
    Chmod(perms, e);
  }
}

void FileIOBinary::Seek(int64_t offset, Error* e) {
  if (!handle) {
    SetOsError(e, "Seek", path, EBADF);
    return;
  }
  int err = OsSeek(handle.get(), offset);
  if (err) {
    SetOsError(e, "Seek", path, err);
    return;
  }
  position = offset;
}
