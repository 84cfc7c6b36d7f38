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
// A map is used whole or not at all: every line that cannot be used is
// named (the first 20), and the checkpoint is not read.
inline constexpr MessageId kMsgMapRefused = {
    0x32011f58,
    "Map %file% is refused: %count% of its lines cannot be used, and the checkpoint was not "
    "read. Mend them and run again:\n%lines%"};

#endif  // ZT_MAP_MAP_MESSAGES_H_
