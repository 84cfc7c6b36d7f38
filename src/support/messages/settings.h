// The run's process-wide settings, filled by the driver from the command
// line before the Migrator is built and only read afterwards.
//
//   localeName            -L, "C" by default; locale selection and folding
//   serverRootSetting     -r, copied into the Migrator
//   serverIdSetting       -S, copied into the Migrator
//   unicodeCheckpoint     -u; the checkpoint comes from a unicode server
//   utf8Folding           -u; fold paths as UTF-8
//   caseInsensitiveOutput -C1; write a case-insensitive checkpoint
#ifndef ZT_SUPPORT_MESSAGES_SETTINGS_H_
#define ZT_SUPPORT_MESSAGES_SETTINGS_H_

#include "support/text/strbuf.h"

extern StrBuf localeName;
extern StrBuf serverRootSetting;
extern StrBuf serverIdSetting;
extern bool unicodeCheckpoint;
extern bool utf8Folding;
extern bool caseInsensitiveOutput;
// Set once the locale and the path fold mode have been settled (at the
// first data record of a scan).
extern bool localeReady;

// Puts every setting above back to its default (for tests).
void ResetRunSettings();

#endif  // ZT_SUPPORT_MESSAGES_SETTINGS_H_
