// The standard checkpoint conversion (-s): reads every record of a
// checkpoint file, a gzip-compressed checkpoint or a parallel checkpoint
// directory and writes it back in standard format, without other changes.
//
// Both conversions print their summary line on standard error. Messages that
// they report themselves (corrupt records, a reader failure inside a
// directory) go through the message log at once; a failure that makes the
// output incomplete or unusable (output over the input, an output that
// cannot be created or written, a reader that stopped early) is left in the
// caller's Error, not yet reported, so that the run can end with an error.
#ifndef ZT_DRIVER_CONVERT_H_
#define ZT_DRIVER_CONVERT_H_

#include "support/messages/error.h"
#include "support/text/strbuf.h"

inline constexpr MessageId kMsgConvertOutputIsInput = {
    0x32011cf0, "Output %output% would overwrite the input %input%; nothing was written."};
inline constexpr MessageId kMsgConvertCantCreate = {
    0x32011cf1, "Could not create %file%: %reason%"};
inline constexpr MessageId kMsgConvertWriteFailed = {
    0x32011cf2, "Write to %file% failed: %reason%"};
inline constexpr MessageId kMsgConvertIncomplete = {
    0x31011cf3, "Conversion into %file% stopped early; nothing was written to it."};
inline constexpr MessageId kMsgConvertTwoInputs = {
    0x33011cf4, "Tables %first% and %second% would both be written to %file%; nothing was written."};
inline constexpr MessageId kMsgConvertRowOfOtherTable = {
    0x33011f51,
    "%file% record %record% holds a row of table %table%, but a table file of a parallel "
    "checkpoint holds only rows of its own table; nothing was written."};

// Corrupt records the reader skipped leave the output unwritten (the
// skipped-records message in e says so), unless allowSkipped is set: then
// it is written without them and e says how many are missing.
//
// Rewrites the checkpoint input (a file, a ".gz" file read decompressed, or
// a parallel checkpoint directory read in table order) into the plain file
// output, parsing on a thread of its own when threads > 1. Returns the
// number of records skipped for lacking a table name.
// Without force a file that took the output's name during the conversion
// is not replaced; with allowSkipped an output that lacks the records the
// reader skipped is still written.
int ConvertToFile(const StrPtr& input, const StrPtr& output, int threads, Error* e,
                  bool force = false, bool allowSkipped = false);

// Copies the parallel checkpoint directory input into the directory output
// file by file in listing order, uncompressing ".gz" files (the name loses
// its suffix) and leaving out ".md5" files, each parsed on a thread of its
// own when threads > 1. Returns the number of output files that could not
// be created (1 when the directory itself could not).
int ConvertDirectory(const StrPtr& input, const StrPtr& output, int threads, Error* e,
                     bool force = false, bool allowSkipped = false);

// As above with the default threads, reporting any failure left in the
// error through the message log.
int ConvertToFile(const StrPtr& input, const StrPtr& output);
int ConvertDirectory(const StrPtr& input, const StrPtr& output);

#endif  // ZT_DRIVER_CONVERT_H_
