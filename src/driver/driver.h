// The program's run: command line, settings, the Migrator's stages, the
// verdict and the exit status. main() only installs the out-of-memory and
// interrupt handlers and calls RunDriver, so that a whole run can be driven
// from a test.
#ifndef ZT_DRIVER_DRIVER_H_
#define ZT_DRIVER_DRIVER_H_

#include <cstdio>

// The option letters of the command line.
extern const char kDriverFlags[];

// Runs the program; returns the process exit status (-1 for a run that
// ended with a warning or an error, or ran out of memory). A few paths end
// the process directly (refusing the advanced-feature confirmation, the
// standard conversion).
int RunDriver(int argc, char** argv);

// The verbosity level of a -v argument: non-numbers count as 0, values
// above 5 become 5, negative values 1.
int VerbosityLevel(const char* arg);
// The name of a verbosity level ("none" .. "debug").
const char* VerbosityName(int level);

// Prints the advanced-feature warning on out and asks on in until the answer
// starts with y/Y (true) or n/N (false). The end of input is a refusal.
bool ConfirmAdvancedFeature(FILE* in, FILE* out);

// The policy kind of a -p name (1 lower .. 4 head), 0 for an unknown name.
int PolicyKindFromName(const char* name);

#endif  // ZT_DRIVER_DRIVER_H_
