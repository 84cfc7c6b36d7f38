// Messages of the output pass.
#ifndef ZT_MIGRATE_OUTPUT_MESSAGES_H_
#define ZT_MIGRATE_OUTPUT_MESSAGES_H_

#include "support/messages/error.h"

// Records that could not be written because their table's file in the
// parallel output could not be created.
inline constexpr MessageId kMsgTableRecordsLost = {
    0x32011e60, "%count% records could not be written to the parallel checkpoint %directory%."};

#endif  // ZT_MIGRATE_OUTPUT_MESSAGES_H_
