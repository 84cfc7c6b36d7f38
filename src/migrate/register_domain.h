// Domain registration: enters a domain's first spelling into the domain
// cache and the depot name map, through which paths that begin with the
// domain's name in any spelling are given the registered one.
#ifndef ZT_MIGRATE_REGISTER_DOMAIN_H_
#define ZT_MIGRATE_REGISTER_DOMAIN_H_

#include <cstdint>

#include "support/messages/error.h"
#include "support/text/strbuf.h"

class DomainCache;
class ViewMap;

// Unless domains already holds a spelling of name or e holds an error:
// maps "//" + name lowered (A-Z only) + "/..." to "//" + name + "/..." in
// depotNameMap and adds name with its type to domains. Neither is owned.
void RegisterDomain(DomainCache* domains, ViewMap* depotNameMap, const StrPtr& name,
                    int32_t type, Error* e);

#endif  // ZT_MIGRATE_REGISTER_DOMAIN_H_
