// PathSys: a file name in its string, with the few manipulations the file
// layer needs. "/" is the only separator and "/" the root.
#ifndef ZT_SUPPORT_FILES_PATH_SYS_H_
#define ZT_SUPPORT_FILES_PATH_SYS_H_

#include "support/text/strbuf.h"

class PathSys : public StrBuf {
 public:
  PathSys() {}
  explicit PathSys(const StrPtr& p) : StrBuf(p) {}
  virtual ~PathSys() {}

  // root + "/" + rel, where rel is in "/" form (a root of "null" is left out).
  virtual void JoinCanonical(const StrPtr& root, const StrPtr& rel);
  // Joins a path to root: an absolute path stands alone; each leading ".."
  // removes the root's last component and each leading "." is dropped.
  virtual void JoinLocal(const StrPtr& root, const StrPtr& path);
  // Writes this path relative to root into out; a root of "null" gives the
  // whole path. False when the path is not within root.
  virtual bool RelativeCanonical(const StrPtr& root, StrBuf* out) const;
  // Removes the last component (keeping the root "/"); the removed
  // component goes to last when given. False when nothing was removed.
  virtual bool StripLastComponent(StrBuf* last = nullptr);
  // True when the path is root or lies under it.
  virtual bool IsWithinRoot(const StrPtr& root) const;
  virtual void SetNameCharset(int cs) { charset = cs; }

 private:
  int charset = 0;
};

#endif  // ZT_SUPPORT_FILES_PATH_SYS_H_
