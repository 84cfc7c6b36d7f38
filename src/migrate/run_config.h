// RunConfig: the options of one run, read from the command line once by the
// driver and handed to the Migrator, which only reads them.
#ifndef ZT_MIGRATE_RUN_CONFIG_H_
#define ZT_MIGRATE_RUN_CONFIG_H_

#include <string>
#include <vector>

#include "support/text/strbuf.h"

// Bits of `mode`.
enum MigratorMode { kModeRenameArchives = 1, kModeJournalPatch = 2 };

// Values of `policyKind`.
enum PolicyKind { kPolicyNone = 0, kPolicyLower = 1, kPolicyUpper = 2, kPolicyMixed = 3, kPolicyHead = 4 };

struct RunConfig {
  int mode = 0;                        // MigratorMode bits: -R, -j
  int policyKind = kPolicyNone;        // -p
  bool markHeads = false;              // --report: mark the head revisions' spellings
  bool requireVariants = true;         // -n: the -t map checks its variants
  std::string locale = "C";            // -L: the fold mode and the locale bytes re-case in
  // How the maps compare the letters of their patterns with a path's: A-Z
  // without case, every other byte exactly.
  StrCaseMode compareMode = CaseFold;
  bool unicode = false;                // -u: a Unicode checkpoint, paths folded as UTF-8
  bool caseInsensitiveOutput = false;  // -C1: the output's header says case-insensitive
  std::string serverRoot;              // -r: the archive root
  std::string serverId;                // -S
  // --archive-dir: directories beside the root where -R may work (those of
  // depots with absolute maps).
  std::vector<std::string> archiveDirs;
  // --threads: above 1 the checkpoint is parsed on a thread of its own,
  // and a .gz output is deflated on this many.
  int threads = 2;
  // -f: outputs may replace existing files (a link's target, written
  // beside it), and -O the table files of an earlier run.
  bool force = false;
};

#endif  // ZT_MIGRATE_RUN_CONFIG_H_
