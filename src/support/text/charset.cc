#include "support/text/charset.h"

#include <errno.h>
#include <string.h>

void SysErrorText(int err, StrBuf* out) {
  if (err == 0 && errno == EMFILE) err = EMFILE;
  char buf[256];
  buf[0] = 0;
  // The GNU strerror_r may return a static text instead of filling buf.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
  const char* text = strerror_r(err, buf, sizeof(buf));
#else
  const char* text = strerror_r(err, buf, sizeof(buf)) == 0 ? buf : "Unknown error";
#endif
  out->Set(text ? text : "");
}
