// The messages raised while setting up and renaming archive files.
#ifndef ZT_MIGRATE_RENAME_RENAME_MESSAGES_H_
#define ZT_MIGRATE_RENAME_RENAME_MESSAGES_H_

#include "support/messages/error.h"

// An archive root or an archive file that is not on disk.
inline constexpr MessageId kMsgMissingFile = {0x31011cca,
                                              "Missing file/directory. Failed to locate %path%"};
inline constexpr MessageId kMsgUnknownLbrType = {
    0x32011ccb,
    "LbrFile %lbrFile% has unknown type %lbrType%.\nYou need a newer version of this program."};
inline constexpr MessageId kMsgLbrNotVisible = {0x21211d94,
                                                "LbrFile %file% not visible through depotMap."};

#endif  // ZT_MIGRATE_RENAME_RENAME_MESSAGES_H_
