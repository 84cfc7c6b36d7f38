// The archive file a revision record names: whether the revision has one of
// its own, and its name under the archive root, from lbrFile mapped through
// the depot map and the suffix of its lbrType.
#ifndef ZT_MIGRATE_RENAME_ARCHIVE_NAME_H_
#define ZT_MIGRATE_RENAME_ARCHIVE_NAME_H_

#include "support/text/strbuf.h"

// False for a revision with no archive file of its own to look for:
// deleted, purged, archived or stored elsewhere (by its action and type).
bool RevisionHasArchive(int action, int type);

// Sets wanted to the archive name of a revision whose lbrFile maps to
// mapped: an RCS file (",v"), a revision file in a ",d" directory (plain or
// ".gz"; *twoComponent set), a binary (",t") or a compressed (".gz") file.
// False for an lbrType of no known kind.
bool ArchiveName(const StrPtr& mapped, const StrPtr& lbrType, const StrPtr& lbrRev,
                 StrBuf* wanted, bool* twoComponent);

#endif  // ZT_MIGRATE_RENAME_ARCHIVE_NAME_H_
