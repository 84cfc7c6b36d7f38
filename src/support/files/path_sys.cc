#include "support/files/path_sys.h"

void PathSys::JoinLocal(const StrPtr& root, const StrPtr& path) {
  if (path.Length() && path.Text()[0] == '/') {
    StrBuf copy(path);
    Set(copy);
    return;
  }
  PathSys base(root);
  const char* p = path.Text();
  const char* end = path.End();
  for (;;) {
    if (end - p >= 2 && p[0] == '.' && p[1] == '.' && (end - p == 2 || p[2] == '/')) {
      base.StripLastComponent();
      p += end - p == 2 ? 2 : 3;
    } else if (end - p >= 1 && p[0] == '.' && (end - p == 1 || p[1] == '/')) {
      p += end - p == 1 ? 1 : 2;
    } else {
      break;
    }
  }
  if (p < end && base.Length() && base.Text()[base.Length() - 1] != '/') base.AppendChar('/');
  base.Append(p, static_cast<uint32_t>(end - p));
  Set(base);
}

bool PathSys::StripLastComponent(StrBuf* last) {
  uint32_t n = Length();
  const char* t = Text();
  while (n > 1 && t[n - 1] == '/') --n;  // trailing separators
  if (n == 0 || (n == 1 && t[0] == '/')) return false;
  uint32_t slash = n;
  while (slash > 0 && t[slash - 1] != '/') --slash;
  if (last) last->Set(t + slash, n - slash);
  uint32_t keep = slash;
  while (keep > 1 && t[keep - 1] == '/') --keep;  // the separator(s) before it
  if (keep == 1 && t[0] == '/') keep = 1;
  else if (keep == 0) keep = 0;
  SetLength(keep);
  NulTerminate();
  return true;
}
