// NameFixes: the spellings of client, label, depot, stream, branch and group
// names that the scan replaced by the spelling of their definition, with
// how often each was met, for the conflict report.
//
// Only replaced spellings are noted, so the cost is one lookup per fix and
// the memory one entry per distinct spelling.
#ifndef ZT_MIGRATE_NAME_FIXES_H_
#define ZT_MIGRATE_NAME_FIXES_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/text/strbuf.h"

class NameFixes {
 public:
  // One defined name and the other spellings met for it.
  struct Name {
    std::string kind;     // "client", "label", "depot", "stream", "branch", "group"
    std::string defined;  // the spelling of the definition
    std::map<std::string, int64_t> others;  // spelling -> times replaced
  };

  // The kind word of a domain type (100 depot, 115 stream, ...).
  static const char* DomainKind(int type);

  // Notes that seen was replaced by defined, a name of this kind.
  void Note(const char* kind, const StrPtr& defined, const StrPtr& seen);
  // Number of replacements noted.
  int64_t Count() const { return count_; }
  // The names, ordered by kind and then by lower-cased defined spelling.
  std::vector<const Name*> Names() const;

 private:
  std::map<std::string, Name> names_;  // key: kind, NUL, lowered name
  int64_t count_ = 0;
};

#endif  // ZT_MIGRATE_NAME_FIXES_H_
