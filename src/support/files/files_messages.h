// The messages raised by the file layer: platform failures, name checks
// and gzip streams.
#ifndef ZT_SUPPORT_FILES_FILES_MESSAGES_H_
#define ZT_SUPPORT_FILES_FILES_MESSAGES_H_

#include "support/messages/error.h"

// A failing platform call: the operation word, its argument (usually the
// file name) and the system's error text.
inline constexpr MessageId kMsgOsFail = {0x33210001, "%operation%: %arg%: %errmsg%"};
inline constexpr MessageId kMsgPathTooLong = {
    0x3321000c,
    "Filename '%filename%' is length %actual% which exceeds the internal length limit of %maxlen%."};

inline constexpr MessageId kMsgDeflateFailed = {0x40210410, "Deflate failed!"};
inline constexpr MessageId kMsgDeflateInitFailed = {0x40210412, "DeflateInit failed!"};
inline constexpr MessageId kMsgInflateFailed = {0x40210413, "Inflate failed!"};
inline constexpr MessageId kMsgInflateInitFailed = {0x40210414, "InflateInit failed!"};
// A gzip file read in part is never taken for the whole: each of these
// names the file and ends its reading.
inline constexpr MessageId kMsgGzipMagic = {
    0x31210415, "%file%: not in gzip format (Gzip magic header wrong!)"};
inline constexpr MessageId kMsgGzipTruncated = {0x31210416, "%file%: unexpected end of gzip data"};
inline constexpr MessageId kMsgGzipCrc = {0x31210417, "%file%: gzip CRC mismatch"};
inline constexpr MessageId kMsgGzipLength = {0x31210418, "%file%: gzip length mismatch"};
inline constexpr MessageId kMsgGzipTrailing = {
    0x31210419, "%file%: data after the end of the gzip data is not a gzip member"};
inline constexpr MessageId kMsgGzipDamaged = {0x3221041a, "%file%: damaged gzip data (%reason%)"};

// A line too long to be held is refused, never split into several.
inline constexpr MessageId kMsgLineTooLong = {
    0x3221041b, "%file%: a line is longer than %max% bytes"};

// The run stopped at a signal (SIGINT, SIGTERM or SIGHUP).
inline constexpr MessageId kMsgInterrupted = {0x40210420, "Interrupted by signal %signal%."};

#endif  // ZT_SUPPORT_FILES_FILES_MESSAGES_H_
