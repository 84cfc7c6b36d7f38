// Messages raised by the mapping subsystem.
#ifndef ZT_MAP_MAP_MESSAGES_H_
#define ZT_MAP_MAP_MESSAGES_H_

#include "support/messages/error.h"

inline constexpr MessageId kMsgBadMappingVariant = {
    0x31011ccc,
    "Bad mapping on line %line% of translation map: the right hand side \n\tmust be a variant of the left hand side."};
inline constexpr MessageId kMsgIgnoredBadMapping = {
    0x22011d91, "Ignored bad mapping on line %lineNo% of translation map:\n\t%desc%."};
inline constexpr MessageId kMsgMapLineUnreadable = {
    0x32011ccd, "Line %line% of map %file% could not be read whole; the map is not used."};

#endif  // ZT_MAP_MAP_MESSAGES_H_
