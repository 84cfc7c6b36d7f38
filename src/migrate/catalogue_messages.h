// Messages raised by the table catalogue while it treats a record.
#ifndef ZT_MIGRATE_CATALOGUE_MESSAGES_H_
#define ZT_MIGRATE_CATALOGUE_MESSAGES_H_

#include "support/messages/error.h"

// The highest database upgrade level this program understands.
inline constexpr int kMaxDatabaseLevel = 60;

inline constexpr MessageId kMsgDatabaseLevel = {
    0x42011c67,
    "Database level (%dblevel%) exceeds supported maximum (%maxLevel%).\n"
    "\tPlease contact support@zentory.com for an updated version of this\n"
    "\tprogram."};

inline constexpr MessageId kMsgUnloadedData = {
    0x41011cce,
    "Checkpoint contains unloaded data.  ZtMigrate does not support unload data.\n"
    "\tRun \"zt labels -U\" and \"zt clients -U\" to see the unloaded data.\n"
    "\tPlease reload all clients and/or labels, then take another\n"
    "\tcheckpoint and restart the migration process."};

inline constexpr MessageId kMsgViewUnknownDomain = {
    0x21011d95, "db.view record for unknown domain %domain%"};

#endif  // ZT_MIGRATE_CATALOGUE_MESSAGES_H_
