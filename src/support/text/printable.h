// Names as they may be shown: a name read from a checkpoint, a journal or
// the disk can hold any byte, and a line end or a terminal escape inside it
// would forge or hide lines of the report.
#ifndef ZT_SUPPORT_TEXT_PRINTABLE_H_
#define ZT_SUPPORT_TEXT_PRINTABLE_H_

#include "support/text/strbuf.h"

// Appends name to out with every control byte escaped ("\n", "\t", "\r",
// "\x1b" ...) and a backslash doubled, so that what is shown reads back
// as one name on one line.
void AppendPrintable(const StrPtr& name, StrBuf* out);

// The printable form of name, in a buffer of its own.
class Printable {
 public:
  explicit Printable(const StrPtr& name) { AppendPrintable(name, &text_); }
  const StrBuf& Text() const { return text_; }
  const char* c_str() const { return text_.Text(); }

 private:
  StrBuf text_;
};

#endif  // ZT_SUPPORT_TEXT_PRINTABLE_H_
