// The built-in journal table schema: for every database table and each of
// its versions, the names of the record's fields in record order. Plain
// constant data; the lookups live in schema.cc.
#include "journal/schema.h"

namespace {

const char* const kF0[] = {"lbrFile", "lbrRev", "depotFile", "depotRev", "lbrType", nullptr};
const char* const kF1[] = {"lbrFile", "depotFile", nullptr};
const char* const kF2[] = {"key", "attr", "date", nullptr};
const char* const kF3[] = {"type", "client", "toKey", "attr", "fromKey", "fromChange", "baseKey", "baseChange", nullptr};
const char* const kF4[] = {"type", "client", "toKey", "attr", "fromKey", "fromChange", "baseKey", "baseChange", "how", "state", nullptr};
const char* const kF5[] = {"type", "shelf", "toKey", "attr", "fromKey", "fromChange", "baseKey", "baseChange", "how", "state", "client", nullptr};
const char* const kF6[] = {"key", "attr", "text", nullptr};
const char* const kF7[] = {"key", "attr", "isBulk", "text", nullptr};
const char* const kF8[] = {"type", "key", "change", "attr", "text", nullptr};
const char* const kF9[] = {"type", "key", "attr", "bulk", "text", nullptr};
const char* const kF10[] = {"type", "shelf", "key", "attr", "text", "workChange", nullptr};
const char* const kF11[] = {"type", "shelf", "key", "attr", "text", "workChange", "user", "action", nullptr};
const char* const kF12[] = {"type", "client", "key", "attr", "text", "workChange", nullptr};
const char* const kF13[] = {"type", "client", "key", "attr", "text", "workChange", "user", "action", nullptr};
const char* const kF14[] = {"change", "descKey", "client", "user", "date", "status", "description", nullptr};
const char* const kF15[] = {"change", "descKey", "client", "user", "date", "status", "description", "root", nullptr};
const char* const kF16[] = {"change", "descKey", "client", "user", "date", "status", "description", "root", "importer", "identity", nullptr};
const char* const kF17[] = {"change", "descKey", "client", "user", "date", "status", "description", "root", "importer", "identity", "access", nullptr};
const char* const kF18[] = {"change", "descKey", "client", "user", "date", "status", "description", "root", "importer", "identity", "access", "updateDate", nullptr};
const char* const kF19[] = {"change", "descKey", "client", "user", "date", "status", "description", "root", "importer", "identity", "access", "update", "stream", nullptr};
const char* const kF20[] = {"identity", "change", nullptr};
const char* const kF21[] = {nullptr};
const char* const kF22[] = {"serverName", "name", "value", nullptr};
const char* const kF23[] = {"sName", "name", "version", "date", "server", "user", "ovalue", "nvalue", nullptr};
const char* const kF24[] = {"sName", "name", "version", "date", "server", "user", "ovalue", "nvalue", "comment", nullptr};
const char* const kF25[] = {"name", "value", nullptr};
const char* const kF26[] = {"name", "type", "address", "map", nullptr};
const char* const kF27[] = {"name", "type", "extra", "map", nullptr};
const char* const kF28[] = {"name", "type", "extra", "map", "objattr", nullptr};
const char* const kF29[] = {"descKey", "description", nullptr};
const char* const kF30[] = {"name", "type", "extra", "mount", "owner", "updateDate", "options", "description", nullptr};
const char* const kF31[] = {"name", "type", "extra", "mount", "owner", "updateDate", "accessDate", "options", "description", nullptr};
const char* const kF32[] = {"name", "type", "extra", "mount", "owner", "updateDate", "accessDate", "options", "mapState", "description", nullptr};
const char* const kF33[] = {"name", "type", "extra", "mount", "mount2", "mount3", "owner", "updateDate", "accessDate", "options", "mapState", "description", nullptr};
const char* const kF34[] = {"name", "type", "extra", "mount", "mount2", "mount3", "owner", "updateDate", "accessDate", "options", "description", nullptr};
const char* const kF35[] = {"name", "type", "extra", "mount", "mount2", "mount3", "owner", "updateDate", "accessDate", "options", "description", "stream", nullptr};
const char* const kF36[] = {"name", "type", "extra", "mount", "mount2", "mount3", "owner", "updateDate", "accessDate", "options", "description", "stream", "serverID", "partition", nullptr};
const char* const kF37[] = {"name", "type", "extra", "mount", "mount2", "mount3", "owner", "updateDate", "accessDate", "options", "description", "stream", "serverID", "contents", nullptr};
const char* const kF38[] = {"depotFile", "client", "user", nullptr};
const char* const kF39[] = {"repo", "ref", "file", "lockId", "user", "created", nullptr};
const char* const kF40[] = {"lockId", "repo", "ref", "file", "user", "created", nullptr};
const char* const kF41[] = {"job", "change", "date", "status", "client", "user", nullptr};
const char* const kF42[] = {"id", "name", "date", "blobSHA", "commitSHA", "flags", nullptr};
const char* const kF43[] = {"id", "name", "date", "blobSHA", "commitSHA", "flags", "size", "type", "lfsoid", nullptr};
const char* const kF44[] = {"name", "repo", "ref", "type", "user", "perm", nullptr};
const char* const kF45[] = {"user", "group", nullptr};
const char* const kF46[] = {"user", "group", "maxResults", nullptr};
const char* const kF47[] = {"user", "group", "isSubgroup", "maxResults", nullptr};
const char* const kF48[] = {"user", "group", "isSubgroup", "maxResults", "maxScanRows", nullptr};
const char* const kF49[] = {"user", "group", "isSubgroup", "maxResults", "maxScanRows", "timeout", nullptr};
const char* const kF50[] = {"user", "group", "isSubgroup", "maxResults", "maxScanRows", "maxLockTime", "timeout", nullptr};
const char* const kF51[] = {"user", "group", "type", "maxResults", "maxScanRows", "maxLockTime", "timeout", nullptr};
const char* const kF52[] = {"user", "group", "type", "maxResults", "maxScanRows", "maxLockTime", "timeout", "passwordTimeout", nullptr};
const char* const kF53[] = {"user", "group", "type", "maxResults", "maxScanRows", "maxLockTime", "maxOpenFiles", "timeout", "passwordTimeout", nullptr};
const char* const kF54[] = {"user", "group", "type", "maxResults", "maxScanRows", "maxLockTime", "maxOpenFiles", "timeout", "passwordTimeout", "maxMemory", nullptr};
const char* const kF55[] = {"user", "group", "type", "maxResults", "maxScanRows", "maxLockTime", "maxOpenFiles", "timeout", "passwordTimeout", "maxMemory", "idleTimeout", nullptr};
const char* const kF56[] = {"group", "ldapConf", "groupQuery", "uidAttr", nullptr};
const char* const kF57[] = {"group", "ldapConf", "ldapSearchQuery", "ldapUserAttribute", "ldapDNAttribute", nullptr};
const char* const kF58[] = {"group", "ldapConf", "ldapSearchQuery", "ldapUserAttribute", "ldapDNAttribute", "description", nullptr};
const char* const kF59[] = {"clientFile", "depotFile", "haveRev", nullptr};
const char* const kF60[] = {"clientFile", "depotFile", "haveRev", "type", nullptr};
const char* const kF61[] = {"clientFile", "depotFile", "haveRev", "type", "time", nullptr};
const char* const kF62[] = {"repo", "clientFile", "depotFile", "client", "type", "action", "blobSHA", "commitSHA", "flags", nullptr};
const char* const kF63[] = {"name", "seq", "mapFlag", "viewFile", "depotFile", nullptr};
const char* const kF64[] = {"name", "seq", "mapFlag", "viewFile", "depotFile", "comment", nullptr};
const char* const kF65[] = {"toFile", "fromFile", "startFromRev", "endFromRev", "toRev", "how", "committed", "resolved", "change", nullptr};
const char* const kF66[] = {"toFile", "fromFile", "startFromRev", "endFromRev", "startToRev", "endToRev", "how", "change", nullptr};
const char* const kF67[] = {"toKey", "attr", "fromKey", "endFromChange", "baseKey", "baseChange", "how", "change", nullptr};
const char* const kF68[] = {"toKey", "attr", "fromKey", "endFromChange", "startFromChange", "endToChange", "startToChange", "baseKey", "baseChange", "how", "change", nullptr};
const char* const kF69[] = {"toKey", "attr", "fromKey", "endfromChange", "endtoChange", "startfromChange", "starttoChange", "baseKey", "baseChange", "how", "change", nullptr};
const char* const kF70[] = {"date", "attr", "value", nullptr};
const char* const kF71[] = {"word", "attr", "value", nullptr};
const char* const kF72[] = {"type", "word", "attr", "value", nullptr};
const char* const kF73[] = {"serverId", "lastUpdate", "serverType", "persistedJnl", "appliedJnl", "persistedPos", "appliedPos", "jcflags", "isAlive", nullptr};
const char* const kF74[] = {"serverId", "lastUpdate", "serverType", "persistedJnl", "appliedJnl", "persistedPos", "appliedPos", "jcflags", "isAlive", "serverOptions", "failoverSeen", nullptr};
const char* const kF75[] = {"job", "xuser", "xdate", "xstatus", "description", nullptr};
const char* const kF76[] = {"xjob", "description", nullptr};
const char* const kF77[] = {"name", "depotFile", "haveRev", nullptr};
const char* const kF78[] = {"name", "host", "port", "ssl", "type", "pattern", "baseDn", "filter", "scope", "bindDn", "bindPass", "realm", "groupBaseDN", "groupFilter", "groupScope", "options", "attrUid", "attrEmail", "attrName", nullptr};
const char* const kF79[] = {"depotFile", "client", "user", "isLocked", nullptr};
const char* const kF80[] = {"depotFile", "client", "user", "action", "isLocked", nullptr};
const char* const kF81[] = {"depotFile", "client", "user", "action", "isLocked", "change", nullptr};
const char* const kF82[] = {"seq", "key", "attr", nullptr};
const char* const kF83[] = {"language", "id", "message", nullptr};
const char* const kF84[] = {"id", "user", "function", "args", "startDate", "runstate", nullptr};
const char* const kF85[] = {"id", "user", "function", "args", "startDate", "runstate", "client", "host", "prog", nullptr};
const char* const kF86[] = {"id", "user", "function", "args", "startDate", "runstate", "client", "host", "prog", "lockInfo", nullptr};
const char* const kF87[] = {"id", "user", "function", "args", "startDate", "runstate", "client", "host", "prog", "lockInfo", "cmt", "ident", nullptr};
const char* const kF88[] = {"sha", "type", "dataLength", "data", nullptr};
const char* const kF89[] = {"sha", "type", "dataLength", "data", "refcount", nullptr};
const char* const kF90[] = {"name", "seq", "type", "scope", "value", "date", "user", nullptr};
const char* const kF91[] = {"seq", "user", "host", "perm", "mapFlag", "depotFile", nullptr};
const char* const kF92[] = {"seq", "isGroup", "user", "host", "perm", "mapFlag", "depotFile", nullptr};
const char* const kF93[] = {"seq", "type", "user", "host", "perm", "mapFlag", "depotFile", nullptr};
const char* const kF94[] = {"seq", "isGroup", "user", "host", "perm", "mapFlag", "depotFile", "subPath", "update", nullptr};
const char* const kF95[] = {"user", "scope", "key", "digest", "update", nullptr};
const char* const kF96[] = {"repo", "name", "type", "ref", "symref", nullptr};
const char* const kF97[] = {"walked", "sha", "adjustment", "adjustObject", nullptr};
const char* const kF98[] = {"repo", "name", "type", "action", "date", "user", "ref", "symref", nullptr};
const char* const kF99[] = {"id", "owner", "options", "address", "desc", "update", "access", "fetch", "push", nullptr};
const char* const kF100[] = {"id", "owner", "options", "address", "desc", "update", "access", "fetch", "push", "rmtUser", nullptr};
const char* const kF101[] = {"repo", "owner", "created", "pushed", "forked", "desc", "branch", nullptr};
const char* const kF102[] = {"repo", "owner", "created", "pushed", "forked", "desc", "branch", "mirror", nullptr};
const char* const kF103[] = {"repo", "owner", "created", "pushed", "forked", "desc", "branch", "mirror", "options", "id", nullptr};
const char* const kF104[] = {"repo", "owner", "created", "pushed", "forked", "desc", "branch", "mirror", "options", "id", "gcmrrserver", nullptr};
const char* const kF105[] = {"repo", "owner", "created", "pushed", "forked", "desc", "branch", "mirror", "options", "id", "gcmrrserver", "gcmrrsecrettoken", "gcmrrstatus", "gcmrrexcludedbranches", "gcmrrhidefetchurl", nullptr};
const char* const kF106[] = {"toFile", "fromfile", "startFromRev", "endFromRev", "startToRev", "endToRev", "how", "resolved", "baseFile", "baseRev", nullptr};
const char* const kF107[] = {"toFile", "fromFile", "startFromRev", "endFromRev", "startToRev", "endToRev", "how", "state", "baseFile", "baseRev", nullptr};
const char* const kF108[] = {"toFile", "fromFile", "baseSHA", "wantsSHA", "how", "state", nullptr};
const char* const kF109[] = {"depotFile", "depotRev", "type", "isHead", "action", "change", "date", "lbrFile", "lbrRev", "lbrType", nullptr};
const char* const kF110[] = {"depotFile", "depotRev", "type", "isHead", "action", "change", "date", "digest", "lbrFile", "lbrRev", "lbrType", nullptr};
const char* const kF111[] = {"depotFile", "depotRev", "type", "action", "change", "date", "digest", "lbrFile", "lbrRev", "lbrType", nullptr};
const char* const kF112[] = {"depotFile", "depotRev", "type", "action", "change", "date", "modTime", "digest", "lbrFile", "lbrRev", "lbrType", nullptr};
const char* const kF113[] = {"depotFile", "depotRev", "type", "action", "change", "date", "modTime", "digest", "traitLot", "lbrFile", "lbrRev", "lbrType", nullptr};
const char* const kF114[] = {"depotFile", "depotRev", "type", "action", "change", "date", "modTime", "digest", "size", "traitLot", "lbrFile", "lbrRev", "lbrType", nullptr};
const char* const kF115[] = {"depotFile", "depotRev", "type", "action", "change", "date", "modTime", "digest", "size", "traitLot", "lbrIsLazy", "lbrFile", "lbrRev", "lbrType", nullptr};
const char* const kF116[] = {"change", "depotFile", "depotRev", "action", nullptr};
const char* const kF117[] = {"depotFile", "rev", "clientType", "clientSize", nullptr};
const char* const kF118[] = {"user", "seq", "mapFlag", "depotFile", "type", nullptr};
const char* const kF119[] = {"id", "seq", "mapFlag", "localFile", "remoteFile", nullptr};
const char* const kF120[] = {"id", "seq", "mapFlag", "localFile", "remoteFile", "retain", nullptr};
const char* const kF121[] = {"depotPath", "state", "seq", "dirs", "files", "zeros", "dirserr", "pri", "reqpause", "err", nullptr};
const char* const kF122[] = {"depotPath", "state", "seq", "dirs", "files", "zeros", "dirserr", "pri", "reqpause", "err", "filesnonlbr", "filesage", "report", "target", "flags", "reqage", nullptr};
const char* const kF123[] = {"lskey", "seq", "file", nullptr};
const char* const kF124[] = {"taskid", "seq", "handle", "depotFile", "clientFile", "haveRev", "type", "modTime", "digest", "size", "lbrFile", "lbrRev", "lbrType", "flags", nullptr};
const char* const kF125[] = {"taskid", "seq", "handle", "depotFile", "clientFile", "haveRev", "type", "modTime", "digest", "size", "lbrFile", "lbrRev", "lbrType", "clientType", nullptr};
const char* const kF126[] = {"taskid", "seq", "handle", "depotFile", "clientFile", "haveRev", "type", "modTime", "digest", "size", "lbrFile", "lbrRev", "lbrType", "flags", "clientType", "depotRev", "change", "date", nullptr};
const char* const kF127[] = {"taskID", "seq", "handle", "depotFile", "clientFile", "haveRev", "type", "modTime", "digest", "size", "lbrFile", "lbrRev", "lbrType", "flags", "clientType", "depotRev", "change", "date", "blobSHA", nullptr};
const char* const kF128[] = {"taskID", "seq", "handle", "depotFile", "clientFile", "haveRev", "type", "modTime", "digest", "size", "lbrFile", "lbrRev", "lbrType", "flags", "clientType", "depotRev", "change", "date", "blobSHA", "repoSlot", "shelveDigest", nullptr};
const char* const kF129[] = {"taskID", "seq", "handle", "depotFile", "clientFile", "haveRev", "type", "modTime", "digest", "size", "lbrFile", "lbrRev", "lbrType", "flags", "clientType", "depotRev", "change", "date", "blobSHA", "repoSlot", "shelveDigest", "olbrfile", "olbrrev", "olbrtype", nullptr};
const char* const kF130[] = {"id", "type", "name", "address", "services", "desc", nullptr};
const char* const kF131[] = {"id", "type", "name", "address", "services", "desc", "user", nullptr};
const char* const kF132[] = {"id", "type", "name", "address", "externalAddress", "services", "desc", "user", nullptr};
const char* const kF133[] = {"id", "type", "name", "address", "externalAddress", "services", "desc", "user", "options", "rplFrom", "failoverSeen", nullptr};
const char* const kF134[] = {"client", "stream", "type", "seq", "change", nullptr};
const char* const kF135[] = {"file", "rev", "type", "refCount", "digest", "size", "serverSize", "compCksum", "date", nullptr};
const char* const kF136[] = {"repo", "sha", "type", "refCount", "date", nullptr};
const char* const kF137[] = {"digest", "size", "file", "rev", "type", nullptr};
const char* const kF138[] = {"stream", "parent", "title", "type", "preview", nullptr};
const char* const kF139[] = {"stream", "parent", "title", "type", "preview", "change", "copyChange", "mergeChange", "highChange", "hash", "status", nullptr};
const char* const kF140[] = {"stream", "parent", "title", "type", "preview", "change", "copyChange", "mergeChange", "highChange", "hash", "status", "parentView", nullptr};
const char* const kF141[] = {"stream", nullptr};
const char* const kF142[] = {"indep", "dep", "type", "pv", nullptr};
const char* const kF143[] = {"dfile", "vfile", "mapflag", "stream", "change", "source", "path", nullptr};
const char* const kF144[] = {"dfile", "vfile", "mapflag", "stream", "change", "source", "path", "componentPrefixes", nullptr};
const char* const kF145[] = {"dfile", "vfile", "mapflag", "stream", "change", "source", "path", "componentPrefixes", "effectiveComponentType", nullptr};
const char* const kF146[] = {"repo", "path", "subrepo", nullptr};
const char* const kF147[] = {"serverID", "type", "seq", "mapFlag", "viewFile", nullptr};
const char* const kF148[] = {"name", "change", "seq", "parent", "type", "path", "viewFile", "depotFile", nullptr};
const char* const kF149[] = {"name", "change", "seq", "parent", "type", "path", "viewFile", "depotFile", "changeMap", nullptr};
const char* const kF150[] = {"shelf", "name", "seq", "change", "parent", "type", "path", "viewFile", "depotFile", "changeMap", nullptr};
const char* const kF151[] = {"shelf", "name", "seq", "change", "parent", "type", "path", "viewFile", "depotFile", "changeMap", "changeAtOpen", nullptr};
const char* const kF152[] = {"shelf", "name", "seq", "change", "parent", "type", "path", "viewFile", "depotFile", "changeMap", "changeAtOpen", "user", "action", nullptr};
const char* const kF153[] = {"client", "name", "seq", "change", "parent", "type", "path", "viewFile", "depotFile", "changeMap", nullptr};
const char* const kF154[] = {"client", "name", "seq", "change", "parent", "type", "path", "viewFile", "depotFile", "changeMap", "changeAtOpen", nullptr};
const char* const kF155[] = {"client", "name", "seq", "change", "parent", "type", "path", "viewFile", "depotFile", "changeMap", "changeAtOpen", "user", "action", nullptr};
const char* const kF156[] = {"user", "host", "ticket", "state", "token", "updateDate", nullptr};
const char* const kF157[] = {"addr", "daddr", "id", "date", "type", "encryption", "user", nullptr};
const char* const kF158[] = {"addr", "daddr", "id", "date", "type", "encryption", "user", "lastSeenDate", nullptr};
const char* const kF159[] = {"addr", "daddr", "id", "date", "type", "encryption", "user", "lastSeenDate", "recType", "taddr", "tdaddr", "tid", nullptr};
const char* const kF160[] = {"addr", "daddr", "id", "date", "type", "encryption", "user", "lastSeenDate", "recType", "taddr", "tdaddr", "tid", "version", nullptr};
const char* const kF161[] = {"traitLot", "name", "type", "valueLength", "valueValue", nullptr};
const char* const kF162[] = {"seq", "trigger", "mapFlag", "depotFile", "action", nullptr};
const char* const kF163[] = {"seq", "name", "mapFlag", "depotFile", "trigger", "action", nullptr};
const char* const kF164[] = {"seq", "name", "mapFlag", "depotFile", "triggerDepotFile", "trigger", "action", nullptr};
const char* const kF165[] = {"seq", "name", "state", "startdate", "enddate", "info", nullptr};
const char* const kF166[] = {"user", "email", "jobView", "updateDate", "accessDate", "fullName", nullptr};
const char* const kF167[] = {"user", "email", "jobView", "updateDate", "accessDate", "fullName", "password", nullptr};
const char* const kF168[] = {"user", "email", "jobView", "updateDate", "accessDate", "fullName", "password", "strength", "ticket", "endDate", nullptr};
const char* const kF169[] = {"user", "email", "jobView", "updateDate", "accessDate", "fullName", "password", "strength", "ticket", "endDate", "type", "passDate", nullptr};
const char* const kF170[] = {"user", "email", "jobView", "updateDate", "accessDate", "fullName", "password", "strength", "ticket", "endDate", "type", "passDate", "passExpire", nullptr};
const char* const kF171[] = {"user", "email", "jobView", "updateDate", "accessDate", "fullName", "password", "strength", "ticket", "endDate", "type", "passDate", "passExpire", "attempts", nullptr};
const char* const kF172[] = {"user", "email", "jobView", "updateDate", "accessDate", "fullName", "password", "strength", "ticket", "endDate", "type", "passDate", "passExpire", "attempts", "auth", nullptr};
const char* const kF173[] = {"clientFile", "depotFile", "client", "user", "haveRev", "workRev", "type", "action", "change", "modTime", "isLocked", nullptr};
const char* const kF174[] = {"clientFile", "depotFile", "client", "user", "haveRev", "workRev", "isVirtual", "type", "action", "change", "modTime", "isLocked", nullptr};
const char* const kF175[] = {"clientFile", "depotFile", "client", "user", "haveRev", "workRev", "isVirtual", "type", "action", "change", "modTime", "isLocked", "digest", nullptr};
const char* const kF176[] = {"clientFile", "depotFile", "client", "user", "haveRev", "workRev", "isVirtual", "type", "action", "change", "modTime", "isLocked", "digest", "traitLot", nullptr};
const char* const kF177[] = {"clientFile", "depotFile", "client", "user", "haveRev", "workRev", "isVirtual", "type", "action", "change", "modTime", "isLocked", "digest", "size", "traitLot", nullptr};
const char* const kF178[] = {"clientFile", "depotFile", "client", "user", "haveRev", "workRev", "isVirtual", "type", "action", "change", "modTime", "isLocked", "digest", "size", "traitLot", "tampercheck", nullptr};
const char* const kF179[] = {"clientFile", "depotFile", "client", "user", "haveRev", "workRev", "isVirtual", "type", "action", "change", "modTime", "isLocked", "digest", "size", "traitLot", "tampercheck", "clnttype", nullptr};
const char* const kF180[] = {"clientFile", "depotFile", "client", "user", "haveRev", "workRev", "isVirtual", "type", "action", "change", "modTime", "isLocked", "digest", "size", "traitLot", "tampercheck", "clnttype", "movedFile", nullptr};
const char* const kF181[] = {"clientFile", "depotFile", "client", "user", "haveRev", "workRev", "isVirtual", "type", "action", "change", "modTime", "isLocked", "digest", "size", "traitLot", "tampercheck", "clnttype", "movedFile", "workingstatus", nullptr};
const char* const kF182[] = {"clientFile", "depotFile", "client", "user", "haveRev", "workRev", "isVirtual", "type", "action", "change", "modTime", "isLocked", "digest", "size", "traitLot", "tampered", "clientType", "movedFile", "status", "blobSHA", "repo", nullptr};

const char* const* const kT0[] = {kF0, kF0, kF0};
const char* const* const kT1[] = {kF1};
const char* const* const kT2[] = {kF2, kF2};
const char* const* const kT3[] = {kF3, kF4, kF4};
const char* const* const kT4[] = {kF5, kF5};
const char* const* const kT5[] = {kF6, kF7};
const char* const* const kT6[] = {kF8, kF8};
const char* const* const kT7[] = {kF9};
const char* const* const kT8[] = {kF10, kF11, kF11};
const char* const* const kT9[] = {kF12, kF13, kF13};
const char* const* const kT10[] = {kF14, kF15, kF15, kF16, kF17, kF18, kF19, kF19};
const char* const* const kT11[] = {kF14, kF15, kF15, kF16, kF17, kF18, kF19, kF19};
const char* const* const kT12[] = {kF20, kF20, kF20};
const char* const* const kT13[] = {kF21, kF22};
const char* const* const kT14[] = {kF23, kF24};
const char* const* const kT15[] = {kF25, kF25};
const char* const* const kT16[] = {kF25, kF25};
const char* const* const kT17[] = {kF26, kF27, kF28};
const char* const* const kT18[] = {kF29, kF29};
const char* const* const kT19[] = {kF30, kF31, kF32, kF33, kF34, kF35, kF36, kF37, kF37};
const char* const* const kT20[] = {kF21, kF38};
const char* const* const kT21[] = {kF39};
const char* const* const kT22[] = {kF40};
const char* const* const kT23[] = {kF41, kF41, kF41};
const char* const* const kT24[] = {kF41, kF41, kF41};
const char* const* const kT25[] = {kF42, kF43, kF43};
const char* const* const kT26[] = {kF44};
const char* const* const kT27[] = {kF45, kF46, kF47, kF48, kF49, kF50, kF51, kF51, kF52, kF53, kF54, kF55};
const char* const* const kT28[] = {kF56, kF57, kF58};
const char* const* const kT29[] = {kF59, kF60, kF60, kF61, kF61};
const char* const* const kT30[] = {kF59, kF60, kF60, kF61, kF61};
const char* const* const kT31[] = {kF59, kF60, kF60, kF61, kF61};
const char* const* const kT32[] = {kF62};
const char* const* const kT33[] = {kF63, kF63, kF64};
const char* const* const kT34[] = {kF63, kF63, kF64};
const char* const* const kT35[] = {kF63, kF63, kF64};
const char* const* const kT36[] = {kF63, kF63, kF64};
const char* const* const kT37[] = {kF63, kF63, kF64};
const char* const* const kT38[] = {kF65, kF65};
const char* const* const kT39[] = {kF66, kF66};
const char* const* const kT40[] = {kF66, kF66};
const char* const* const kT41[] = {kF67, kF68, kF69, kF69};
const char* const* const kT42[] = {kF70, kF70};
const char* const* const kT43[] = {kF71};
const char* const* const kT44[] = {kF71};
const char* const* const kT45[] = {kF72};
const char* const* const kT46[] = {kF73, kF74, kF74};
const char* const* const kT47[] = {kF75, kF75};
const char* const* const kT48[] = {kF75, kF75};
const char* const* const kT49[] = {kF76};
const char* const* const kT50[] = {kF77, kF77};
const char* const* const kT51[] = {kF78};
const char* const* const kT52[] = {kF79, kF80, kF81, kF81};
const char* const* const kT53[] = {kF79, kF80, kF81, kF81};
const char* const* const kT54[] = {kF82};
const char* const* const kT55[] = {kF83};
const char* const* const kT56[] = {kF84, kF85, kF86, kF86, kF87};
const char* const* const kT57[] = {kF88, kF89};
const char* const* const kT58[] = {kF90, kF90};
const char* const* const kT59[] = {kF91, kF92, kF92, kF92, kF93, kF94, kF94};
const char* const* const kT60[] = {kF95, kF95};
const char* const* const kT61[] = {kF96};
const char* const* const kT62[] = {kF97};
const char* const* const kT63[] = {kF98, kF98};
const char* const* const kT64[] = {kF99, kF100, kF100};
const char* const* const kT65[] = {kF101, kF102, kF103, kF104, kF105, kF105};
const char* const* const kT66[] = {kF106, kF107, kF107};
const char* const* const kT67[] = {kF106, kF107, kF107};
const char* const* const kT68[] = {kF108};
const char* const* const kT69[] = {kF109, kF110, kF111, kF112, kF113, kF114, kF114, kF115, kF115, kF115, kF115};
const char* const* const kT70[] = {kF109, kF110, kF111, kF112, kF113, kF114, kF114, kF115, kF115, kF115, kF115};
const char* const* const kT71[] = {kF109, kF110, kF111, kF112, kF113, kF114, kF114, kF115, kF115, kF115, kF115};
const char* const* const kT72[] = {kF109, kF110, kF111, kF112, kF113, kF114, kF114, kF115, kF115, kF115, kF115};
const char* const* const kT73[] = {kF109, kF110, kF111, kF112, kF113, kF114, kF114, kF115, kF115, kF115, kF115};
const char* const* const kT74[] = {kF109, kF110, kF111, kF112, kF113, kF114, kF114, kF115, kF115, kF115, kF115};
const char* const* const kT75[] = {kF109, kF110, kF111, kF112, kF113, kF114, kF114, kF115, kF115, kF115, kF115};
const char* const* const kT76[] = {kF109, kF110, kF111, kF112, kF113, kF114, kF114, kF115, kF115, kF115, kF115};
const char* const* const kT77[] = {kF109, kF110, kF111, kF112, kF113, kF114, kF114, kF115, kF115, kF115, kF115};
const char* const* const kT78[] = {kF109, kF110, kF111, kF112, kF113, kF114, kF114, kF115, kF115, kF115, kF115};
const char* const* const kT79[] = {kF109, kF110, kF111, kF112, kF113, kF114, kF114, kF115, kF115, kF115, kF115};
const char* const* const kT80[] = {kF116, kF116};
const char* const* const kT81[] = {kF117, kF117};
const char* const* const kT82[] = {kF118, kF118};
const char* const* const kT83[] = {kF119, kF120};
const char* const* const kT84[] = {kF121, kF122};
const char* const* const kT85[] = {kF123};
const char* const* const kT86[] = {kF124, kF125, kF126, kF127, kF128, kF128, kF129};
const char* const* const kT87[] = {kF124, kF125, kF126, kF127, kF128, kF128};
const char* const* const kT88[] = {kF130, kF131, kF132, kF133};
const char* const* const kT89[] = {kF134, kF134};
const char* const* const kT90[] = {kF135, kF135, kF135};
const char* const* const kT91[] = {kF135, kF135, kF135};
const char* const* const kT92[] = {kF136, kF136};
const char* const* const kT93[] = {kF137};
const char* const* const kT94[] = {kF138, kF139, kF140, kF140};
const char* const* const kT95[] = {kF141};
const char* const* const kT96[] = {kF142};
const char* const* const kT97[] = {kF143, kF144, kF145};
const char* const* const kT98[] = {kF146};
const char* const* const kT99[] = {kF147};
const char* const* const kT100[] = {kF148, kF149, kF149, kF149};
const char* const* const kT101[] = {kF150, kF151, kF152, kF152};
const char* const* const kT102[] = {kF153, kF154, kF155, kF155};
const char* const* const kT103[] = {kF156, kF156};
const char* const* const kT104[] = {kF156, kF156};
const char* const* const kT105[] = {kF157, kF158, kF159, kF159, kF160};
const char* const* const kT106[] = {kF161, kF161};
const char* const* const kT107[] = {kF162, kF163, kF163, kF164};
const char* const* const kT108[] = {kF165, kF165};
const char* const* const kT109[] = {kF165, kF165};
const char* const* const kT110[] = {kF166, kF21, kF167, kF168, kF169, kF170, kF171, kF172, kF172};
const char* const* const kT111[] = {kF166, kF21, kF167, kF168, kF169, kF170, kF171, kF172, kF172};
const char* const* const kT112[] = {kF173, kF173, kF174, kF175, kF176, kF177, kF177, kF178, kF179, kF180, kF181, kF181};
const char* const* const kT113[] = {kF173, kF173, kF174, kF175, kF176, kF177, kF177, kF178, kF179, kF180, kF181, kF181};
const char* const* const kT114[] = {kF182, kF182};

}  // namespace

const SchemaTable kSchemaTables[] = {
    {"db.archive", 3, kT0},
    {"db.archmap", 1, kT1},
    {"db.boddate", 2, kT2},
    {"db.bodresolve", 3, kT3},
    {"db.bodresolvex", 2, kT4},
    {"db.bodtext", 2, kT5},
    {"db.bodtextcx", 2, kT6},
    {"db.bodtexthx", 1, kT7},
    {"db.bodtextsx", 3, kT8},
    {"db.bodtextwx", 3, kT9},
    {"db.change", 8, kT10},
    {"db.changex", 8, kT11},
    {"db.changeidx", 3, kT12},
    {"db.config", 2, kT13},
    {"db.configh", 2, kT14},
    {"db.counters", 2, kT15},
    {"db.nameval", 2, kT16},
    {"db.depot", 3, kT17},
    {"db.desc", 2, kT18},
    {"db.domain", 9, kT19},
    {"db.excl", 2, kT20},
    {"db.exclg", 1, kT21},
    {"db.exclgx", 1, kT22},
    {"db.fix", 3, kT23},
    {"db.fixrev", 3, kT24},
    {"db.graphindex", 3, kT25},
    {"db.graphperm", 1, kT26},
    {"db.group", 12, kT27},
    {"db.groupx", 3, kT28},
    {"db.have", 5, kT29},
    {"db.have.pt", 5, kT30},
    {"db.have.rp", 5, kT31},
    {"db.haveg", 1, kT32},
    {"db.haveview", 3, kT33},
    {"db.repoview", 3, kT34},
    {"db.streamview", 3, kT35},
    {"db.view", 3, kT36},
    {"db.view.rp", 3, kT37},
    {"db.integ", 2, kT38},
    {"db.integed", 2, kT39},
    {"db.integtx", 2, kT40},
    {"db.integedss", 4, kT41},
    {"db.ixdate", 2, kT42},
    {"db.ixtext", 1, kT43},
    {"db.uxtext", 1, kT44},
    {"db.ixtexthx", 1, kT45},
    {"db.jnlack", 3, kT46},
    {"db.job", 2, kT47},
    {"db.jobpend", 2, kT48},
    {"db.jobdesc", 1, kT49},
    {"db.label", 2, kT50},
    {"db.ldap", 1, kT51},
    {"db.locks", 4, kT52},
    {"db.locksg", 4, kT53},
    {"db.logger", 1, kT54},
    {"db.message", 1, kT55},
    {"db.monitor", 5, kT56},
    {"db.object", 2, kT57},
    {"db.property", 2, kT58},
    {"db.protect", 7, kT59},
    {"db.pubkey", 2, kT60},
    {"db.ref", 1, kT61},
    {"db.refcntadjust", 1, kT62},
    {"db.refhist", 2, kT63},
    {"db.remote", 3, kT64},
    {"db.repo", 6, kT65},
    {"db.resolve", 3, kT66},
    {"db.resolvex", 3, kT67},
    {"db.resolveg", 1, kT68},
    {"db.rev", 11, kT69},
    {"db.revbx", 11, kT70},
    {"db.revdx", 11, kT71},
    {"db.revhx", 11, kT72},
    {"db.revpx", 11, kT73},
    {"db.revsh", 11, kT74},
    {"db.revstg", 11, kT75},
    {"db.revsx", 11, kT76},
    {"db.revtr", 11, kT77},
    {"db.revtx", 11, kT78},
    {"db.revux", 11, kT79},
    {"db.revcx", 2, kT80},
    {"db.revfs", 2, kT81},
    {"db.review", 2, kT82},
    {"db.rmtview", 2, kT83},
    {"db.scanctl", 2, kT84},
    {"db.scandir", 1, kT85},
    {"db.sendq", 7, kT86},
    {"db.sendq.pt", 6, kT87},
    {"db.server", 4, kT88},
    {"db.stash", 2, kT89},
    {"db.storage", 3, kT90},
    {"db.storagesh", 3, kT91},
    {"db.storageg", 2, kT92},
    {"db.storagesx", 1, kT93},
    {"db.stream", 4, kT94},
    {"db.streamq", 1, kT95},
    {"db.streamrelation", 1, kT96},
    {"db.streamviewx", 3, kT97},
    {"db.submodule", 1, kT98},
    {"db.svrview", 1, kT99},
    {"db.template", 4, kT100},
    {"db.templatesx", 4, kT101},
    {"db.templatewx", 4, kT102},
    {"db.ticket", 2, kT103},
    {"db.ticket.rp", 2, kT104},
    {"db.topology", 5, kT105},
    {"db.traits", 2, kT106},
    {"db.trigger", 4, kT107},
    {"db.upgrades", 2, kT108},
    {"db.upgrades.rp", 2, kT109},
    {"db.user", 9, kT110},
    {"db.user.rp", 9, kT111},
    {"db.working", 12, kT112},
    {"db.workingx", 12, kT113},
    {"db.workingg", 2, kT114},
    {nullptr, 0, nullptr},
};
