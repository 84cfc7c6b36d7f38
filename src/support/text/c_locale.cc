#include "support/text/c_locale.h"

#include <langinfo.h>

CLocale::CLocale(const std::string& name)
    : locale_(newlocale(LC_ALL_MASK, name.c_str(), static_cast<locale_t>(nullptr))), name_(name) {
#ifdef _NL_LOCALE_NAME
  if (locale_) name_ = nl_langinfo_l(_NL_LOCALE_NAME(LC_CTYPE), locale_);
#endif
}

CLocale::~CLocale() {
  if (locale_) freelocale(locale_);
}
