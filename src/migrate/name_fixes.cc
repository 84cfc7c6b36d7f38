#include "migrate/name_fixes.h"

#include "migrate/name_caches.h"

const char* NameFixes::DomainKind(int type) {
  switch (type) {
    case kDomainDepot: return "depot";
    case kDomainStream: return "stream";
    case kDomainClient: return "client";
    case kDomainBranch: return "branch";
    case kDomainLabel: return "label";
    default: return "domain";
  }
}

void NameFixes::Note(const char* kind, const StrPtr& defined, const StrPtr& seen) {
  std::string key(kind);
  key.push_back('\0');
  for (uint32_t i = 0; i < defined.Length(); ++i) {
    char c = defined[i];
    key.push_back((c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c);
  }
  Name& name = names_[key];
  if (name.kind.empty()) {
    name.kind = kind;
    name.defined.assign(defined.Text(), defined.Length());
  }
  ++name.others[std::string(seen.Text(), seen.Length())];
  ++count_;
}

std::vector<const NameFixes::Name*> NameFixes::Names() const {
  std::vector<const Name*> out;
  out.reserve(names_.size());
  for (const auto& [key, name] : names_) out.push_back(&name);
  return out;
}
