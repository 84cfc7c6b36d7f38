// The driver's messages: the usage text and the run's verdicts.
#ifndef ZT_DRIVER_DRIVER_MESSAGES_H_
#define ZT_DRIVER_DRIVER_MESSAGES_H_

#include "support/messages/error.h"

// The usage text (info), defined in usage.cc.
extern const MessageId kMsgUsage;

inline constexpr MessageId kMsgRenameNotAvailable = {
    0x40011c66, "Renaming archives not available on this file system."};

inline constexpr MessageId kMsgConflictsRemain = {
    0x20011d92,
    "\nYour checkpoint still contains inconsistencies. Review the\n"
    "conflict map, make any necessary adjustments and then retry.\n"
    "You should NOT use the edited checkpoint under any circumstances.\n"};

inline constexpr MessageId kMsgMinorInconsistencies = {
    0x20011d93,
    "\nYour checkpoint is largely case-consistent, but still contains some\n"
    "minor inconsistencies. These will be resolved when you generate an\n"
    "edited checkpoint by re-running ztmigrate with the -o flag.\n"};

inline constexpr MessageId kMsgSkippedRecords = {
    0x21011d98,
    "\nYour checkpoint contained information which ZtMigrate skipped.\n"
    "It generated %warnings% warnings.  This is not usually expected\n"
    "and you should consider contacting Zentory Support.\n"
    "Continuing could cause loss of data or unexpected results.\n"};

inline constexpr MessageId kMsgSuccess = {
    0x10011e59, "\nSuccess: all case-inconsistencies have been resolved.\n"};

// Archives that the rename could not settle: the run must not end as if
// every archive had its wanted name.
inline constexpr MessageId kMsgArchivesUnsettled = {
    0x21011e61,
    "\nThe archive rename left %count% archives unsettled (missing archives,\n"
    "case conflicts or failed moves, reported above). Review them before\n"
    "the server uses these archives.\n"};

// Usage errors that name the word that was wrong.
inline constexpr MessageId kMsgUnknownPolicy = {
    0x30011e80, "Unknown policy '%policy%': use lower, upper, mixed or head."};
inline constexpr MessageId kMsgReportSuffix = {
    0x30011e81, "Report file '%file%' must end in .json or .csv."};

// Refusals made before anything is read or written, and the run's notes on
// its outputs.
inline constexpr MessageId kMsgOutputIsInput = {
    0x32011e5a, "Output %output% is the input checkpoint %input%; nothing was written."};
inline constexpr MessageId kMsgOutputIsMap = {
    0x32011e5b, "Output %output% is the input map %input%; nothing was written."};
inline constexpr MessageId kMsgOutputDirHoldsTables = {
    0x32011e63,
    "Output directory %dir% already holds checkpoint table files (%file%); name a new or "
    "empty directory, or give -f (--force) to replace them. Nothing was written."};
inline constexpr MessageId kMsgOutputsDiscarded = {
    0x21011e64,
    "No output was written: the run did not complete. Any earlier file of an output's name "
    "is unchanged."};
inline constexpr MessageId kMsgLogFileFailed = {
    0x32011e65, "Writing the log file %file% failed; the log is incomplete."};
inline constexpr MessageId kMsgOutputsCollide = {
    0x32011e62, "Outputs %output% and %other% are the same file; nothing was written."};

// Refusals of the command line itself, made before anything is read.
inline constexpr MessageId kMsgOutputExists = {
    0x32011f40,
    "Output %file% (%option%) already exists; nothing was read or written. Name a new file, "
    "or give -f (--force) to replace it."};
inline constexpr MessageId kMsgOutputIsLink = {
    0x32011f41,
    "Output %file% (%option%) is a symbolic link; nothing was read or written. Name the file "
    "itself, or give -f (--force) to replace the file it points to (the link stays)."};
inline constexpr MessageId kMsgUndoLogExists = {
    0x32011f42,
    "Undo journal %file% (--undo-log) already exists; it may hold the moves of an earlier "
    "run and is never replaced. Name a new file; nothing was read or written."};
inline constexpr MessageId kMsgWordsAfterCheckpoint = {
    0x30011f43,
    "Words after the checkpoint %checkpoint% would not be used: %words%. Put every option "
    "before the checkpoint; nothing was read or written."};
inline constexpr MessageId kMsgOptionTwice = {
    0x30011f44,
    "Option %option% is given more than once; give it once. Nothing was read or written."};
inline constexpr MessageId kMsgRenameNeedsOutput = {
    0x30011f45,
    "write the edited checkpoint in the same run (-o or -O), or run -R on the edited "
    "checkpoint"};
inline constexpr MessageId kMsgOutputDirBusy = {
    0x32011f46,
    "Output directory %dir% is being written by another run; nothing was read or written."};
inline constexpr MessageId kMsgConvertNeedsDirectory = {
    0x30011f47,
    "-s -O converts a parallel checkpoint directory, and %input% is a single file; use -s -o "
    "to convert it into one file. Nothing was read or written."};
inline constexpr MessageId kMsgBadThreads = {
    0x30011f49, "--threads %value%: give a number from 1 to 64 in plain digits."};
inline constexpr MessageId kMsgDeclined = {
    0x30011f4a, "The advanced feature was not confirmed; nothing was read or written."};

#endif  // ZT_DRIVER_DRIVER_MESSAGES_H_
