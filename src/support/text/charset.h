// The system's text for an error number.
#ifndef ZT_SUPPORT_TEXT_CHARSET_H_
#define ZT_SUPPORT_TEXT_CHARSET_H_

#include "support/text/strbuf.h"

// Replaces out with the system's text for an error number. The C library's
// "too many open files" is reported as such even when err is 0.
void SysErrorText(int err, StrBuf* out);

#endif  // ZT_SUPPORT_TEXT_CHARSET_H_
