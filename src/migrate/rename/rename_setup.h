// The setup of an archive rename run: the case-sensitivity probe, the
// archive root and server id taken from the configuration table, the
// opening of the archive root (the working directory never changes), and
// the depot map that says where each depot's archive files lie under that
// root.
//
// Free functions over the state the caller owns (the server id and root,
// the renamer's locations, the depot map); nothing here keeps state.
#ifndef ZT_MIGRATE_RENAME_RENAME_SETUP_H_
#define ZT_MIGRATE_RENAME_RENAME_SETUP_H_

#include "support/messages/error.h"
#include "support/text/strbuf.h"

class ArchiveRenamer;
class JournalRecord;
class ViewMap;

// True when the file system under dir (the current directory when empty)
// tells apart two names that differ only in case. Creates a probe file and
// a directory named by the same hexadecimal digits in upper case, and
// removes everything it made. digits (32 lower-case hexadecimal digits)
// fixes the probe name; empty picks a fresh random name.
bool ProbeCaseSensitive(const StrPtr& dir = StrPtr(), const StrPtr& digits = StrPtr());

// A db.config record of a run that renames archives (or writes no output):
// the first "configurationVersion" record names the server id when none
// was given, and the first "server.depot.root" record for that id (or for
// "all") names the archive root when none was given. A missing field
// leaves its error.
void OnConfigRecord(const JournalRecord& record, bool readsConfig, StrBuf* serverId,
                    StrBuf* serverRoot, Error* e);

// Makes serverRoot (relative to the starting directory, or absolute) the
// renamer's archive root and opens it as a directory descriptor. A missing,
// unnamed or unusable root sets the missing-file error. True when the root
// is open.
bool OpenArchiveRoot(const StrPtr& serverRoot, ArchiveRenamer* renamer, Error* e);

// Maps "//name/..." to the depot's map field in depotMap (not owned).
void AddDepot(const StrPtr& name, const StrPtr& map, ViewMap* depotMap, Error* e);

#endif  // ZT_MIGRATE_RENAME_RENAME_SETUP_H_
