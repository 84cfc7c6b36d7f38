// PathSys: a file name in its string, with the few manipulations the file
// layer needs. "/" is the only separator and "/" the root.
#ifndef ZT_SUPPORT_FILES_PATH_SYS_H_
#define ZT_SUPPORT_FILES_PATH_SYS_H_

#include "support/text/strbuf.h"

class PathSys : public StrBuf {
 public:
  PathSys() {}
  explicit PathSys(const StrPtr& p) : StrBuf(p) {}

  // Joins a path to root: an absolute path stands alone; each leading ".."
  // removes the root's last component and each leading "." is dropped.
  void JoinLocal(const StrPtr& root, const StrPtr& path);
  // Removes the last component (keeping the root "/"); the removed
  // component goes to last when given. False when nothing was removed.
  bool StripLastComponent(StrBuf* last = nullptr);
};

#endif  // ZT_SUPPORT_FILES_PATH_SYS_H_
