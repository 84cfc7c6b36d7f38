// The driver's messages: the usage text and the run's verdicts.
#ifndef ZT_DRIVER_DRIVER_MESSAGES_H_
#define ZT_DRIVER_DRIVER_MESSAGES_H_

#include "support/messages/error.h"

// The usage text (info), defined in usage.cc.
extern const MessageId kMsgUsage;

inline constexpr MessageId kMsgRenameNotAvailable = {
    0x40011c66, "Renaming archives not available on this file system."};

// Inconsistencies remain: what exists (the conflict map written, an edited
// checkpoint that still holds them) and the command that comes next.
// %conflicts% is "path conflict" or "path conflicts".
inline constexpr MessageId kMsgConflictsRemain = {
    0x22011d92,
    "\nYour checkpoint still contains inconsistencies (%count% %conflicts%).\n"
    "Next: run again with -c FILE to write them to a conflict map, edit its\n"
    "right-hand sides, then translate with -t FILE."};
inline constexpr MessageId kMsgConflictsInMap = {
    0x24011e90,
    "\nYour checkpoint still contains inconsistencies (%count% %conflicts%),\n"
    "listed in the conflict map %map%.\n"
    "Next: edit its right-hand sides and run again with -t %map%."};
inline constexpr MessageId kMsgConflictsMapWithheld = {
    0x22011e95,
    "\nYour checkpoint still contains inconsistencies (%count% %conflicts%);\n"
    "the conflict map was not written either."};
inline constexpr MessageId kMsgConflictsInOutput = {
    0x21011e91,
    "The edited checkpoint %output% still holds them: do not give it to the server."};

inline constexpr MessageId kMsgMinorInconsistencies = {
    0x20011d93,
    "\nYour checkpoint is largely case-consistent, but still contains some\n"
    "minor inconsistencies. These will be resolved when you generate an\n"
    "edited checkpoint by re-running ztmigrate with the -o flag.\n"};

// Corrupt records the reader skipped: no output without --allow-skipped.
// %records% is "record was" or "records were".
inline constexpr MessageId kMsgSkippedRecords = {
    0x22011d98, "\n%count% corrupt %records% skipped (each reported above)."};
inline constexpr MessageId kMsgSkippedNoOutput = {
    0x22011e92,
    "\n%count% corrupt %records% skipped (each reported above);\n"
    "no output was written, since it would lack them; --allow-skipped writes it anyway."};
inline constexpr MessageId kMsgSkippedWritten = {
    0x22011e93,
    "\n%count% corrupt %records% skipped (each reported above);\n"
    "the outputs were written without them (--allow-skipped)."};

// Binds a count of corrupt records and the words that agree with it to the
// newest of the skipped-records messages.
inline void BindSkippedCount(Error* e, int64_t n) {
  *e << static_cast<long long>(n) << (n == 1 ? "record was" : "records were");
}

// A dry run of the rename: nothing changed, and the totals it would reach.
inline constexpr MessageId kMsgDryRun = {
    0x13011e94,
    "\nDry run: nothing was changed. The rename would move %moved% archives;\n"
    "%missing% missing, %conflicts% in conflict."};

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
    0x31011e80, "Unknown policy '%policy%': use lower, upper, mixed or head."};
inline constexpr MessageId kMsgReportSuffix = {
    0x31011e81, "Report file '%file%' must end in .json or .csv."};

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
    0x20011e64,
    "No output was written: the run did not complete. Any earlier file of an output's name "
    "is unchanged."};
inline constexpr MessageId kMsgLogFileFailed = {
    0x31011e65, "Writing the log file %file% failed; the log is incomplete."};
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
inline constexpr MessageId kMsgOutputDirUnlockable = {
    0x32011f65,
    "Output directory %dir% could not be locked for this run (%reason%); nothing was read or "
    "written."};
inline constexpr MessageId kMsgConvertNeedsDirectory = {
    0x30011f47,
    "-s -O converts a parallel checkpoint directory, and %input% is a single file; use -s -o "
    "to convert it into one file. Nothing was read or written."};
inline constexpr MessageId kMsgBadThreads = {
    0x30011f49, "--threads %value%: give a number from 1 to 64 in plain digits."};
inline constexpr MessageId kMsgDeclined = {
    0x30011f4a, "The advanced feature was not confirmed; nothing was read or written."};

#endif  // ZT_DRIVER_DRIVER_MESSAGES_H_
