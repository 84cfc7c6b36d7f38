// Name cache records and registration.
#include "migrate/name_caches.h"

void DomainRec::Describe(StrBuf* out) const {
  out->Set("Domain: ");
  out->Append(name);
  out->Append(" (");
  out->AppendInt(type);
  out->Append(")");
}

void GroupRec::Describe(StrBuf* out) const {
  out->Set("Group: ");
  out->Append(name);
}

void DomainCache::Add(const StrPtr& name, int32_t type, Error* e) {
  if (e->Test() || Find(name)) return;
  AddRecord(new DomainRec(name, type), e);
}

void GroupCache::Add(const StrPtr& name, Error* e) {
  if (e->Test() || Find(name)) return;
  AddRecord(new GroupRec(name), e);
}
