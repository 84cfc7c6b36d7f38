// Messages of the output pass.
#ifndef ZT_MIGRATE_OUTPUT_MESSAGES_H_
#define ZT_MIGRATE_OUTPUT_MESSAGES_H_

#include "support/messages/error.h"

// Records that could not be written because their table's file in the
// parallel output could not be created.
inline constexpr MessageId kMsgTableRecordsLost = {
    0x32011e60, "%count% records could not be written to the parallel checkpoint %directory%."};

// An output that does not hold every record read is never given its name.
inline constexpr MessageId kMsgRecordsUnaccounted = {
    0x32011f48,
    "Records read %read%, records written %written% to %output%: an output must hold every "
    "record read, so none was written."};

#endif  // ZT_MIGRATE_OUTPUT_MESSAGES_H_
