#include "support/files/file_io.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "support/files/files_messages.h"
#include "support/files/handle_bytes.h"
#include "support/files/path_sys.h"
#include "support/files/posix/os_file.h"
#include "support/files/posix/os_move.h"
#include "support/messages/debug.h"
#include "support/text/charset.h"

const char* OpenModeName(int mode) {
  switch (mode) {
    case kOpenRead: return "open for read";
    default: return "open for write";
  }
}

void FileIO::SetOsError(Error* e, const char* op, const StrPtr& arg, int err) {
  if (!e) return;
  StrBuf text;
  SysErrorText(err, &text);
  e->Set(kMsgOsFail) << op << arg << text;
}

FileIO::FileIO() : isStdStream(false), position(0) {
  OsUmask();  // read the creation mask once, before anything changes it
}

FileIO::~FileIO() {}

int FileIO::Stat() {
  OsStatus st;
  if (path.IsEmpty() || OsStat(path.Text(), &st) != 0 || !st.exists) return 0;
  int flags = kStatExists;
  if (st.isLink) flags |= kStatSymlink;
  if (st.isDir) flags |= kStatDirectory;
  if (!st.isRegular) flags |= kStatSpecial;
  return flags;
}

int64_t FileIO::GetSize() {
  OsStatus st;
  if (OsStat(path.Text(), &st) != 0 || !st.exists) return -1;
  return st.size;
}

void FileIO::Unlink(Error* e) {
  if (path.IsEmpty()) return;
  // Removing a name needs no permission on the file itself here, so the
  // file's permissions are left alone (a link's target is never touched).
  int err = OsUnlink(path.Text());
  if (err && (err == EACCES || err == EPERM || err == EBUSY)) {
    int attempts = GetLevel(kRenameRetries);
    int wait = GetLevel(kRenameWaitMs);
    for (int i = 0; i < attempts && err; ++i) {
      OsSleepMs(wait);
      err = OsUnlink(path.Text());
    }
  }
  if (err && e && e->GetSeverity() < E_FAILED) SetOsError(e, "unlink", path, err);
}

void FileIO::ApplyPerms(Error* e) {
  if (OsIsLink(path.Text())) return;
  int bits = (perms == kPermReadWrite ? 0600 : 0400) & ~OsUmask();
  int err = OsChmod(path.Text(), bits);
  if (err) SetOsError(e, "chmod", path, err);
}

// FileIOBinary.

FileIOBinary::~FileIOBinary() { Cleanup(); }

int FileIOBinary::OpenFlags(int m) const {
  switch (m) {
    case kOpenRead: return OSF_READ;
    default: return OSF_WRITE | OSF_CREATE | OSF_TRUNC;
  }
}

void FileIOBinary::OpenHandle(int m, int flags, Error* e) {
  if ((type & kFileExclusive) && (flags & OSF_CREATE)) flags |= OSF_EXCL;
  int err = OsOpen(path.Text(), flags, 0600, &handle);
  if (err) {
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
    if (m == kOpenRead) {
      handle = OsWrapStd(0);
    } else {
      if (m == kOpenWrite) fflush(stdout);
      handle = OsWrapStd(1);
    }
    isStdStream = true;
    return;
  }
  // An atomic write goes to a new temporary file; opened again before
  // Commit, it starts that temporary file over.
  bool freshTemporary = m == kOpenWrite && atomicReplace && finalPath.IsEmpty();
  if (!(freshTemporary && OpenTemporary(m, e))) OpenHandle(m, OpenFlags(m), e);
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
  return n;
}

void FileIOBinary::Close(Error* e) {
  if (!handle) return;
  if (isStdStream) {
    handle.reset();  // the standard stream itself stays open
    return;
  }
  // An atomic file is on the disk before it can take its name.
  if (!finalPath.IsEmpty()) {
    int syncErr = OsSync(handle.get());
    if (syncErr) SetOsError(e, "fsync", finalPath, syncErr);
  }
  int err = OsClose(handle.get());
  handle.reset();
  if (err) SetOsError(e, "close", FinalPath(), err);
  // Permissions belong to files this program writes; a device or pipe
  // written through (-o /dev/null, a link to /dev/full) keeps its own.
  if (mode == kOpenWrite && !(Stat() & kStatSpecial)) ApplyPerms(e);
}
