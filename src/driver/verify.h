// --verify ORIGINAL EDITED: the driver's side of a verification (its words
// and options, the report file, the verdict and the exit status).
#ifndef ZT_DRIVER_VERIFY_H_
#define ZT_DRIVER_VERIFY_H_

#include "migrate/run_config.h"
#include "support/messages/options.h"

// Runs --verify on the words after the options (ORIGINAL, EDITED, then
// optionally -r, -S, -L, -u, -C and --report again); config holds what the
// options before the words set. Returns the exit status.
int RunVerifyCommand(const OptionSet& opts, RunConfig config, int words, char** word);

#endif  // ZT_DRIVER_VERIFY_H_
