// Verification of an edited checkpoint against its original: a second,
// independent reading that proves, before the server is restored from the
// edited checkpoint, that it holds the original's rows with only paths and
// names in another case, that it is case-consistent, and (given an archive
// root) that every archive file it names is on disk with exactly that name.
//
// The edited checkpoint is read once, by an analysis like a plain run's
// (its path tree, name caches and depot map); every row, as read, is
// compared with the original's row at the same place of the same table
// (TableComparison), and every revision row's archive is looked up
// (ArchiveCheck). The original is read alongside (OriginalTables). Memory is
// that of the analysis plus a few rows per table.
#ifndef ZT_MIGRATE_VERIFY_VERIFY_RUN_H_
#define ZT_MIGRATE_VERIFY_VERIFY_RUN_H_

#include "migrate/conflict_report.h"
#include "migrate/run_config.h"
#include "support/files/filesys.h"
#include "support/messages/error.h"
#include "support/text/strbuf.h"

struct VerifyRequest {
  StrBuf original;  // the checkpoint file or directory before the edit
  StrBuf edited;    // the edited checkpoint file or directory
  // The fold mode (-L, -u), the header flag (-C1), the archive root (-r)
  // and server id (-S), the threads.
  RunConfig config;
  FileSys* report = nullptr;  // --report, not owned; written under its temporary name
  ReportFormat reportFormat = ReportFormat::kNone;
};

// Runs the verification. Prints every difference found (the first of each
// kind, then counts) and the summary; leaves the verdict in e: the
// "Verified: ..." message (info) when nothing differs, else an error. True
// when both checkpoints were read to their end (the verdict and the report
// are then whole), false when a failure stopped it.
bool VerifyCheckpoints(const VerifyRequest& request, Error* e);

#endif  // ZT_MIGRATE_VERIFY_VERIFY_RUN_H_
