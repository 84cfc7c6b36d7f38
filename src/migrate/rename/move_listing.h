// MoveListing: the "Would rename A to B" lines of a dry run, collected and
// written to standard error in large pieces instead of one write per line.
// (A real run writes each "Renaming" line before its move, so that a run
// that dies leaves the move in flight on the screen.) The holder flushes
// before any other message, so the lines keep their place among them.
#ifndef ZT_MIGRATE_RENAME_MOVE_LISTING_H_
#define ZT_MIGRATE_RENAME_MOVE_LISTING_H_

#include <stdio.h>

#include <string_view>

#include "support/messages/message_log.h"
#include "support/text/printable.h"
#include "support/text/strbuf.h"

class MoveListing {
 public:
  explicit MoveListing(const char* verb) : verb_(verb) {}
  MoveListing(const MoveListing&) = delete;
  MoveListing& operator=(const MoveListing&) = delete;
  ~MoveListing() { Flush(); }

  // Adds "<verb> from to to", the names shown printable; with inLocation,
  // followed by " in " and the location they are under.
  void Add(std::string_view from, std::string_view to, const StrPtr& location = StrPtr(),
           bool inLocation = false) {
    text_.Append(verb_);
    text_.AppendChar(' ');
    AppendPrintable(StrPtr(from.data(), static_cast<uint32_t>(from.size())), &text_);
    text_.Append(" to ");
    AppendPrintable(StrPtr(to.data(), static_cast<uint32_t>(to.size())), &text_);
    if (inLocation) {
      text_.Append(" in ");
      AppendPrintable(location, &text_);
    }
    text_.AppendChar('\n');
    if (text_.Length() >= kFlushAt) Flush();
  }
  // Writes the lines held so far.
  void Flush() {
    if (text_.Length() == 0) return;
    RunBeforeOutputHook();
    fwrite(text_.Text(), 1, text_.Length(), stderr);
    fflush(stderr);
    text_.Clear();
  }

 private:
  static const uint32_t kFlushAt = 64 * 1024;
  const char* verb_;
  StrBuf text_;
};

#endif  // ZT_MIGRATE_RENAME_MOVE_LISTING_H_
