// The run's process-wide settings.
#include "support/messages/settings.h"

StrBuf localeName("C");
StrBuf serverRootSetting;
StrBuf serverIdSetting;
bool unicodeCheckpoint = false;
bool utf8Folding = false;
bool caseInsensitiveOutput = false;
bool localeReady = false;

void ResetRunSettings() {
  localeName.Set("C");
  serverRootSetting.Clear();
  serverIdSetting.Clear();
  unicodeCheckpoint = false;
  utf8Folding = false;
  caseInsensitiveOutput = false;
  localeReady = false;
}
