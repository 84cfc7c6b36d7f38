// The messages of a verification.
#ifndef ZT_MIGRATE_VERIFY_VERIFY_MESSAGES_H_
#define ZT_MIGRATE_VERIFY_VERIFY_MESSAGES_H_

#include "support/messages/error.h"

inline constexpr MessageId kMsgVerified = {
    0x10011ea3,
    "Verified: %edited% differs from %original% only in the case of %count% fields, is "
    "case-consistent"};
inline constexpr MessageId kMsgVerifiedArchives = {
    0x10011ea4,
    "Verified: %edited% differs from %original% only in the case of %count% fields, is "
    "case-consistent, and every archive it names is present"};
inline constexpr MessageId kMsgNotVerified = {
    0x32011f63,
    "Not verified: %count% difference(s) between %original% and %edited%, listed above.\n"
    "Do not restore the server from %edited%."};
inline constexpr MessageId kMsgVerifyNoEdited = {
    0x32011f64, "Cannot read the edited checkpoint %file%."};

#endif  // ZT_MIGRATE_VERIFY_VERIFY_MESSAGES_H_
