// The messages raised by the journal reader, the record object and the
// schema lookups.
#ifndef ZT_JOURNAL_JOURNAL_MESSAGES_H_
#define ZT_JOURNAL_JOURNAL_MESSAGES_H_

#include "support/messages/error.h"

inline constexpr MessageId kMsgIndexTooLarge = {
    0x41211c01, "Index %index% too large for this record!"};
inline constexpr MessageId kMsgTableNotInSchema = {
    0x31211c34, "Table %table% not found in schema! You need a new version of this program!"};
inline constexpr MessageId kMsgVersionNotInSchema = {
    0x32211c35,
    "Version %version% of %table% not found in schema. You need a new version of this program!"};
inline constexpr MessageId kMsgFieldNotInSchema = {
    0x33211c36,
    "Field %field% not found in version %version% %table% records. You need a new version of "
    "this program!"};
inline constexpr MessageId kMsgSkippingCorrupt = {
    0x21211d91, "Skipping corrupt record at line %line%"};
inline constexpr MessageId kMsgSkippingIncomplete = {
    0x24211d92,
    "Skipping incomplete record at line %line%: version %version% %table%\n\trecords should "
    "have %count% columns"};
inline constexpr MessageId kMsgPrematureEof = {0x41211c03, "Premature EOF at line %line%"};
inline constexpr MessageId kMsgParseError = {0x41211c04, "Parse error at line %line%"};
// A single record larger than the reader accepts (1 GiB); reading stops.
inline constexpr MessageId kMsgRecordTooLarge = {
    0x41211cf4, "Record too large at line %line%"};
// An input read to its end that cannot be a whole checkpoint.
inline constexpr MessageId kMsgNoRecords = {0x31211cf5, "no records in %file%"};
inline constexpr MessageId kMsgTruncatedCheckpoint = {
    0x32211cf6,
    "%file% is truncated: it opens with a checkpoint header note but ends at line %line% "
    "without the trailer note"};
// Entries of a parallel checkpoint directory that are not read.
inline constexpr MessageId kMsgNotATableFile = {
    0x21211cf7, "%file% is not a table file of the parallel checkpoint; it is not read"};
inline constexpr MessageId kMsgNotARegularFile = {
    0x21211cf8, "%file% is not a regular file; it is not read"};
inline constexpr MessageId kMsgDirUnreadable = {
    0x31211cf9, "the parallel checkpoint directory %dir% cannot be read"};
// A table file of a parallel checkpoint holds only its own table's rows;
// anything else (say a link to a whole checkpoint) would be read twice.
inline constexpr MessageId kMsgRowOfOtherTable = {
    0x31211f50,
    "%file% line %line% holds a row of table %table%, but a table file of a parallel "
    "checkpoint holds only rows of its own table; reading stops."};

#endif  // ZT_JOURNAL_JOURNAL_MESSAGES_H_
