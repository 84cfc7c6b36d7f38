#include "migrate/rename/path_part.h"

void PathPart(const StrPtr& path, int n, StrBuf* out) {
  out->Clear();
  const char* p = path.Text();
  const uint32_t len = path.Length();
  if (n > 0) {
    int seen = 0;
    for (uint32_t i = 0; i < len; ++i) {
      if (p[i] == '/' && ++seen == n) {
        out->Set(p, i);
        return;
      }
    }
    // Fewer than n separators: the whole path when it has exactly n - 1.
    if (seen == n - 1) out->Set(p, len);
    else out->Set("", 0);
    return;
  }
  if (n < 0) {
    const int want = -n;
    int seen = 0;
    for (uint32_t i = len; i > 0; --i) {
      if (p[i - 1] == '/' && ++seen == want) {
        out->Set(p + i, len - i);
        return;
      }
    }
    out->Set(p, len);
    return;
  }
  out->Set("", 0);
}
