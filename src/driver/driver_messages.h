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
    0x10011e80, "Unknown policy '%policy%': use lower, upper, mixed or head."};
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
    "empty directory. Nothing was written."};
inline constexpr MessageId kMsgOutputsDiscarded = {
    0x21011e64,
    "No output was written: the run did not complete. Any earlier file of an output's name "
    "is unchanged."};
inline constexpr MessageId kMsgLogFileFailed = {
    0x32011e65, "Writing the log file %file% failed; the log is incomplete."};
inline constexpr MessageId kMsgOutputsCollide = {
    0x32011e62, "Outputs %output% and %other% are the same file; nothing was written."};

#endif  // ZT_DRIVER_DRIVER_MESSAGES_H_
