// Registration of a domain's first spelling.
#include "migrate/register_domain.h"

#include "map/map_entry.h"
#include "map/view_map.h"
#include "migrate/name_caches.h"

void RegisterDomain(DomainCache* domains, ViewMap* depotNameMap, const StrPtr& name,
                    int32_t type, Error* e) {
  if (e->Test() || domains->Find(name)) return;
  StrBuf registered;
  registered.Append("//", 2);
  registered.Append(name);
  registered.Append("/...", 4);
  StrBuf lowered(registered);
  lowered.LowerAscii();
  depotNameMap->Insert(lowered, registered, IncludeMapping);
  domains->Add(name, type, e);
}
